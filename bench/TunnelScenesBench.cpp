#include "effects/scenes/CylinderDrawWindow.h"
#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "effects/scenes/PlasmaTunnelQuarnScene.h"
#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "effects/scenes/RainBallScene.h"
#include "geometry/FacingEdgeList.h"
#include "math/Matrix4.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "plain/MultiCylinderTunnelPlain.h"
#include "plain/PlasmaTunnelQuarnPlain.h"
#include "plain/PlasmaTunnelVelkPlain.h"
#include "plain/RainBallPlain.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

// The intro and the three tunnels: their loading, and the per-frame CPU work of each at the times and
// sizes the show gives it. No GL context is needed: loading and these steps make no drawing calls.
namespace {

constexpr float kFrame = 1.0f / 60.0f;

// The show never frees a scene, so freeing is left out of the timing.
template <class Scene>
void loadScene(benchmark::State& state)
{
    float now = -1.0f;
    for (auto _ : state) {
        auto scene = std::make_unique<Scene>(&now);
        scene->load();
        benchmark::DoNotOptimize(scene.get());
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
}

void BM_RainBall_Load(benchmark::State& state) { loadScene<RainBallScene>(state); }
void BM_MultiCylinderTunnel_Load(benchmark::State& state) { loadScene<MultiCylinderTunnelScene>(state); }
void BM_PlasmaTunnelVelk_Load(benchmark::State& state) { loadScene<PlasmaTunnelVelkScene>(state); }
void BM_PlasmaTunnelQuarn_Load(benchmark::State& state) { loadScene<PlasmaTunnelQuarnScene>(state); }

// The loader builds the four scenes one after the other, once per run: a single iteration measures a cold load,
// before freed blocks are recycled.
void BM_TunnelScenes_LoadAll(benchmark::State& state)
{
    float now = -1.0f;
    for (auto _ : state) {
        auto intro = std::make_unique<RainBallScene>(&now);
        auto cylinders = std::make_unique<MultiCylinderTunnelScene>(&now);
        auto velk = std::make_unique<PlasmaTunnelVelkScene>(&now);
        auto quarn = std::make_unique<PlasmaTunnelQuarnScene>(&now);
        intro->load();
        cylinders->load();
        velk->load();
        quarn->load();
        benchmark::ClobberMemory();
        state.PauseTiming();
        intro.reset();
        cylinders.reset();
        velk.reset();
        quarn.reset();
        state.ResumeTiming();
    }
}

void BM_RainBall_Rain(benchmark::State& state)
{
    float now = -1.0f;
    RainBallScene scene(&now);
    scene.load();
    now = 0.0f;
    for (auto _ : state) {
        scene.rainBall();
        now = now < 6.7f ? now + kFrame : 0.0f; // while the triangles fly
    }
}

void BM_RainBall_Rain_Plain(benchmark::State& state)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    now = 0.0f;
    for (auto _ : state) {
        plain::rainBall(scene.ball->getVertices(), scene.ball->getVertexCount(), scene.ballRestVertices.data(),
                        scene.triangleStart.data(), scene.triangleVelocity.data(), scene.triangleAcceleration.data(),
                        now, scene.logoVisible);
        now = now < 6.7f ? now + kFrame : 0.0f;
    }
}

void BM_RainBall_Scatter(benchmark::State& state)
{
    float now = -1.0f;
    RainBallScene scene(&now);
    scene.load();
    now = 26.0f;
    for (auto _ : state) {
        scene.scatter();
    }
}

void BM_RainBall_Scatter_Plain(benchmark::State& state)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    now = 26.0f;
    const std::vector<MeshObject*> meshes = scene.burstMeshes();
    const std::vector<const Vector3*> directions = scene.burstDirections();
    for (auto _ : state) {
        plain::scatter(meshes.data(), directions.data(), static_cast<int>(meshes.size()), now);
    }
}

void BM_RainBall_StripsAndAlpha(benchmark::State& state)
{
    float now = -1.0f;
    RainBallScene scene(&now);
    scene.load();
    for (auto _ : state) {
        scene.dropStrips(0.5f);
        scene.setLogoAlpha(0.5f);
    }
}

void BM_RainBall_StripsAndAlpha_Plain(benchmark::State& state)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    MeshObject& strips = *scene.logoStrips;
    for (auto _ : state) {
        plain::dropStrips(strips.getVertices(), strips.getIndices(), static_cast<int>(strips.getPolygonCount()), 0.5f);
        plain::setAlpha(strips.getColors(), strips.getColorCount(), 0.5f);
    }
}

void BM_RainBall_Ripple(benchmark::State& state)
{
    float now = -1.0f;
    RainBallScene scene(&now);
    scene.load();
    float elapsed = 0.0f;
    for (auto _ : state) {
        scene.rippleLogo(elapsed);
        elapsed = elapsed < 3.0f ? elapsed + kFrame : 0.0f;
    }
}

void BM_RainBall_Ripple_Plain(benchmark::State& state)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    float elapsed = 0.0f;
    for (auto _ : state) {
        plain::rippleLogo(scene.logoGrid->getVertices(), scene.logoGrid->getVertexCount(), elapsed);
        elapsed = elapsed < 3.0f ? elapsed + kFrame : 0.0f;
    }
}

// Shaping a tube of the tunnel into a horn; loading does it once for all twelve.
void BM_MultiCylinderTunnel_ShapeHorn(benchmark::State& state)
{
    std::unique_ptr<MeshObject> tube(PrimitiveFactory::createCylinder(30, 15000, 0.1f, 1800.0f));
    for (auto _ : state) {
        MultiCylinderTunnelScene::shapeHorn(tube->getVertices(), tube->getVertexCount());
        benchmark::ClobberMemory();
    }
}

void BM_MultiCylinderTunnel_ShapeHorn_Plain(benchmark::State& state)
{
    std::unique_ptr<MeshObject> tube(PrimitiveFactory::createCylinder(30, 15000, 0.1f, 1800.0f));
    for (auto _ : state) {
        plain::shapeHorn(tube->getVertices(), tube->getVertexCount());
        benchmark::ClobberMemory();
    }
}

void BM_MultiCylinderTunnel_Advance(benchmark::State& state)
{
    float now = -1.0f;
    MultiCylinderTunnelScene scene(&now);
    scene.load();
    now = 27.364876f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.advance());
        now += kFrame;
    }
}

void BM_MultiCylinderTunnel_Advance_Plain(benchmark::State& state)
{
    const unsigned tubeTriangles =
        std::unique_ptr<MeshObject>(PrimitiveFactory::createCylinder(30, 15000, 0.1f, 1800.0f))->getPolygonCount();
    float now = -1.0f;
    plain::TunnelParts scene(&now);
    scene.load();
    plain::TunnelState tunnel = scene.plainState(tubeTriangles);
    now = 27.364876f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(plain::advanceTunnel(tunnel, *scene.tube, now));
        now += kFrame;
    }
}

// The tunnel's wireframe pass on the processor: for each of the twelve tubes, the edges of the triangles in
// the draw window that face the eye, as the window moves along the tube a step a frame.
void BM_MultiCylinderTunnel_FacingEdges(benchmark::State& state)
{
    std::unique_ptr<MeshObject> tube(PrimitiveFactory::createCylinder(30, 15000, 0.1f, 1800.0f));
    MultiCylinderTunnelScene::shapeHorn(tube->getVertices(), tube->getVertexCount());
    FacingEdgeList edges(tube->getVertices(), tube->getIndices(), tube->getVertexCount(), tube->getPolygonCount());
    tube->setRotation(90.0f, 0.0f, 0.0f);
    float now = 27.364876f;
    std::size_t first = 60;
    for (auto _ : state) {
        float view[16];
        Matrix4::identity(view);
        Matrix4::translate(view, 0.0f, 0.0f, (now - 27.364876f) * 4.2f - 900.0f);
        Matrix4::rotate(view, 20.0f * now, 0.0f, 0.0f, 1.0f);
        for (int i = 0; i < 12; ++i) {
            const float angle = static_cast<float>(i) * 3.1415927f / 6.0f;
            tube->setPosition(3.0f * std::cos(angle), 3.0f * std::sin(angle), 0.0f);
            tube->updateMatrix();
            float modelview[16];
            Matrix4::multiply(view, tube->getMatrix(), modelview);
            float eye[3];
            const bool mirrored = Matrix4::eyeOf(modelview, eye);
            benchmark::DoNotOptimize(edges.linesFacing(eye, mirrored, first, 12000).data());
        }
        now += kFrame;
        // Past the end of the tube the window starts over, its triangles already learnt.
        first = first + 12060 + 60 > tube->getPolygonCount() ? 60 : first + 60;
    }
}

// Opens the frame clock of the scene to the benchmark.
class VelkFrames : public PlasmaTunnelVelkScene {
public:
    using PlasmaTunnelVelkScene::PlasmaTunnelVelkScene;
    void nextFrame()
    {
        sceneTime += kFrame;
        --firstRing;
    }
    plain::VelkTunnelShape shape() const
    {
        return {sceneTime, firstRing, tubeRadius, wobbleAmplitude, orbitAmplitude, wobbleFrequency};
    }
};

void BM_PlasmaTunnelVelk_ComputeBands(benchmark::State& state)
{
    float now = -1.0f;
    VelkFrames scene(&now);
    scene.load();
    for (auto _ : state) {
        scene.nextFrame();
        scene.computeBands();
        benchmark::DoNotOptimize(scene.getBands().data());
    }
}

void BM_PlasmaTunnelVelk_ComputeBands_Plain(benchmark::State& state)
{
    float now = -1.0f;
    VelkFrames scene(&now);
    scene.load();
    std::vector<PlasmaTunnelVelkScene::BandStep> bands(scene.getBands().size());
    for (auto _ : state) {
        scene.nextFrame();
        plain::computeBands(scene.shape(), bands.data());
        benchmark::DoNotOptimize(bands.data());
    }
}

void BM_PlasmaTunnelQuarn_Boil(benchmark::State& state)
{
    float now = -1.0f;
    PlasmaTunnelQuarnScene scene(&now);
    scene.load();
    now = 92.22973f;
    for (auto _ : state) {
        scene.boil();
        now += kFrame;
    }
}

// The show's tube and window (triangles 80 to 12880), boiled from a rest copy the benchmark owns.
void BM_PlasmaTunnelQuarn_Boil_Plain(benchmark::State& state)
{
    std::unique_ptr<MeshObject> tube(PrimitiveFactory::createSeamedCylinder(160, 15000, 1.0f, 1800.0f));
    const std::size_t floats = std::size_t{3} * static_cast<std::size_t>(tube->getVertexCount());
    const std::vector<float> rest(tube->getVertices(), tube->getVertices() + floats);
    const std::size_t indexCount = std::size_t{3} * tube->getPolygonCount();
    float now = 92.22973f;
    for (auto _ : state) {
        plain::boilWall(tube->getVertices(), rest.data(), tube->getIndices(), indexCount, 80, 12800, now);
        now += kFrame;
    }
}

} // namespace

// First, so that it loads into a fresh process.
BENCHMARK(BM_TunnelScenes_LoadAll)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RainBall_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiCylinderTunnel_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlasmaTunnelVelk_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlasmaTunnelQuarn_Load)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RainBall_Rain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_Rain_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_Scatter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_Scatter_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_StripsAndAlpha)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_StripsAndAlpha_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_Ripple)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RainBall_Ripple_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiCylinderTunnel_ShapeHorn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiCylinderTunnel_ShapeHorn_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiCylinderTunnel_Advance);
BENCHMARK(BM_MultiCylinderTunnel_Advance_Plain);
BENCHMARK(BM_MultiCylinderTunnel_FacingEdges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaTunnelVelk_ComputeBands)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaTunnelVelk_ComputeBands_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaTunnelQuarn_Boil)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaTunnelQuarn_Boil_Plain)->Unit(benchmark::kMicrosecond);
