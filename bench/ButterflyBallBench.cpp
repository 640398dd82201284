#include "effects/scenes/ButterflyBallScene.h"
#include "geometry/MeshObject.h"
#include "plain/ButterflyBallPlain.h"

#include <benchmark/benchmark.h>

#include <vector>

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

void BM_ButterflyBall_AnimateBall_Plain(benchmark::State& state)
{
    float time = -1.0f;
    ButterflyBallScene scene(&time);
    scene.load();
    std::vector<float> wingFactor;
    for (int j = 0; j < scene.getPairCount(); ++j) {
        wingFactor.push_back(scene.getWingFactor(j));
    }
    MeshObject& ball = *scene.getBall();
    float now = 144.12163f;
    for (auto _ : state) {
        plain::animateBall(ball.getVertices(), ball.getColors(), scene.getRestVertices().data(), wingFactor.data(),
                           2 * scene.getPairCount(), now);
        now += 1.0f / 60.0f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * scene.getPairCount());
}

} // namespace

BENCHMARK(BM_ButterflyBall_AnimateBall);
BENCHMARK(BM_ButterflyBall_AnimateBall_Plain);
