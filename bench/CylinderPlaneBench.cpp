#include "effects/scenes/CylinderPlaneScene.h"
#include "plain/CylinderPlanePlain.h"

#include <benchmark/benchmark.h>

#include <vector>

// The per-frame CPU work of the peg field: heights of all 3362 pegs, with the grid scrolling one row
// on every frame (the worst case), and the marking of random pegs.
namespace {

// Opens the scene's start time to the plain step.
class PegFieldParts : public CylinderPlaneScene {
public:
    using CylinderPlaneScene::CylinderPlaneScene;
    using CylinderPlaneScene::startTime;
};

void BM_CylinderPlane_UpdatePegs(benchmark::State& state)
{
    float time = -1.0f;
    CylinderPlaneScene scene(&time);
    scene.load();
    time = 105.2027f;
    for (auto _ : state) {
        time += 0.1f; // 1.2 units of flight: one row to scroll
        scene.updatePegs();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * CylinderPlaneScene::kCellCount);
}

// The plain step works on its own copy of the loaded field.
void BM_CylinderPlane_UpdatePegs_Plain(benchmark::State& state)
{
    float time = -1.0f;
    PegFieldParts scene(&time);
    scene.load();
    std::vector<CylinderPlaneScene::Peg> upper;
    std::vector<CylinderPlaneScene::Peg> lower;
    std::vector<int> upperHeld;
    std::vector<int> lowerHeld;
    for (int k = 0; k < CylinderPlaneScene::kCellCount; ++k) {
        upper.push_back(scene.upperPeg(k));
        lower.push_back(scene.lowerPeg(k));
        upperHeld.push_back(scene.isUpperHeld(k) ? 1 : 0);
        lowerHeld.push_back(scene.isLowerHeld(k) ? 1 : 0);
    }
    float scrolled = scene.getScrolled();
    time = 105.2027f;
    for (auto _ : state) {
        time += 0.1f;
        plain::updatePegs(upper.data(), lower.data(), upperHeld.data(), lowerHeld.data(), CylinderPlaneScene::kGridSize,
                          time, scene.startTime, scene.getSlamTime(), scrolled);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * CylinderPlaneScene::kCellCount);
}

void BM_CylinderPlane_MarkRandomPegs(benchmark::State& state)
{
    float time = 105.2027f;
    CylinderPlaneScene scene(&time);
    for (auto _ : state) {
        scene.markRandomPegs();
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_CylinderPlane_UpdatePegs);
BENCHMARK(BM_CylinderPlane_UpdatePegs_Plain);
BENCHMARK(BM_CylinderPlane_MarkRandomPegs);
