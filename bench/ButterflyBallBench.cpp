#include "effects/scenes/ButterflyBallScene.h"

#include <benchmark/benchmark.h>

// The per-frame CPU work of the flapping ball: 9360 vertex positions and colours rewritten.
namespace {

void BM_ButterflyBall_AnimateBall(benchmark::State& state)
{
    float time = -1.0f;
    ButterflyBallScene scene(&time);
    scene.load();
    float now = 144.12163f;
    for (auto _ : state) {
        scene.animateBall(now);
        now += 1.0f / 60.0f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * scene.getPairCount());
}

} // namespace

BENCHMARK(BM_ButterflyBall_AnimateBall);
