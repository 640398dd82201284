#include "effects/scenes/CylinderPlaneScene.h"

#include <benchmark/benchmark.h>

// The per-frame CPU work of the peg field: heights of all 3362 pegs, with the grid scrolling one row
// on every frame (the worst case), and the marking of random pegs.
namespace {

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
BENCHMARK(BM_CylinderPlane_MarkRandomPegs);
