#include "effects/scenes/MultiBallScene.h"
#include "plain/MultiBallPlain.h"

#include <benchmark/benchmark.h>

// The per-frame CPU work of the ball cloud: one morph step moves all 3456 balls.
namespace {

// Opens the balls to the plain morph.
class BallCloudParts : public MultiBallScene {
public:
    using MultiBallScene::MultiBallScene;
    using MultiBallScene::objects;
};

void BM_MultiBall_MorphStep(benchmark::State& state)
{
    float time = 160.0f;
    MultiBallScene scene(&time);
    scene.load();
    scene.nextMorph();
    float elapsed = 0.0f;
    for (auto _ : state) {
        scene.morphStep(MultiBallScene::kMorphDuration, elapsed);
        elapsed = elapsed < 0.29f ? elapsed + 0.01f : 0.0f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * MultiBallScene::kBallCount);
}

// The first step of the morph table, as nextMorph starts it.
void BM_MultiBall_MorphStep_Plain(benchmark::State& state)
{
    float time = 160.0f;
    BallCloudParts scene(&time);
    scene.load();
    scene.nextMorph();
    const float* source = scene.shapeVertices(kMorphTable[0].from);
    const float* target = scene.shapeVertices(kMorphTable[0].to);
    float elapsed = 0.0f;
    for (auto _ : state) {
        plain::morphStep(scene.objects.data(), static_cast<unsigned>(scene.objects.size()), source, target,
                         MultiBallScene::kMorphDuration, elapsed);
        elapsed = elapsed < 0.29f ? elapsed + 0.01f : 0.0f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * MultiBallScene::kBallCount);
}

void BM_MultiBall_Load(benchmark::State& state)
{
    float time = -1.0f;
    for (auto _ : state) {
        MultiBallScene scene(&time);
        scene.load();
        benchmark::DoNotOptimize(scene.getObjectCount());
    }
}

} // namespace

BENCHMARK(BM_MultiBall_MorphStep);
BENCHMARK(BM_MultiBall_MorphStep_Plain);
BENCHMARK(BM_MultiBall_Load)->Unit(benchmark::kMillisecond);
