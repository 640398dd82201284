#include "effects/scenes/MultiBallScene.h"

#include <benchmark/benchmark.h>

// The per-frame CPU work of the ball cloud: one morph step moves all 3456 balls.
namespace {

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
BENCHMARK(BM_MultiBall_Load)->Unit(benchmark::kMillisecond);
