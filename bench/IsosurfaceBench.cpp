#include "effects/isosurface/MarchingCubesGrid.h"
#include "effects/isosurface/MetaballTunnelScene.h"
#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "effects/isosurface/PlasmaBallScene.h"
#include "effects/isosurface/SurfaceSink.h"
#include "geometry/MeshObject.h"
#include "plain/MetaballPlain.h"
#include "plain/PlasmaBallInCubePlain.h"
#include "plain/PlasmaBallPlain.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

// The per-frame processor work of the three isosurface scenes, at the sizes the show uses, without GL.
// Each iteration is one frame 1/60 s after the last, so the balls and the plasma move as they do on screen.
namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kMetaballStart = 170.06758f;
constexpr float kCubeStart = 53.310818f;
constexpr float kPlasmaBallStart = 196.01352f;

// Takes the surface as GL would, and only counts it.
class CountingSink : public SurfaceSink {
public:
    void color(float, float, float) override {}
    void normal(const float*) override {}
    void vertex(const float*) override { ++vertices; }
    long vertices = 0;
};

// A loaded metaball scene whose balls are a few seconds into their dance, kicked and pulsing.
struct MetaballFixture {
    float time = kMetaballStart;
    std::unique_ptr<MetaballTunnelScene> scene = std::make_unique<MetaballTunnelScene>(&time);

    MetaballFixture()
    {
        scene->load();
        scene->keyPressed(13);
        for (int frame = 0; frame < 200; ++frame) {
            nextFrame();
        }
        scene->updateField();
    }
    void nextFrame()
    {
        time += kFrame;
        scene->advanceBalls(time);
    }
};

// The same scene, with samples of its own for the plain loops: a copy of the grid's as they stand.
struct PlainMetaballFixture : MetaballFixture {
    std::vector<GridPoint> points = std::vector<GridPoint>(plain::kMetaballPointCount);
    std::vector<std::uint8_t> cubeIndices = std::vector<std::uint8_t>(plain::kMetaballCellCount);
    int gridSize = scene->getGrid().gridSize;

    PlainMetaballFixture()
    {
        MarchingCubesGrid& grid = scene->getGrid();
        for (int p = 0; p < plain::kMetaballPointCount; ++p) {
            points[p] = grid.points[p];
        }
    }
};

void BM_MetaballField(benchmark::State& state)
{
    MetaballFixture metaballs;
    for (auto _ : state) {
        metaballs.nextFrame();
        const std::vector<Metaball>& balls = metaballs.scene->getBalls();
        metaballs.scene->getGrid().evaluateField(balls.data(), static_cast<int>(balls.size()));
        benchmark::ClobberMemory();
    }
    // Ball terms summed per second: 51³ samples times eight balls a frame.
    constexpr double kTermsPerFrame = 51.0 * 51.0 * 51.0 * 8.0;
    state.counters["terms"] = benchmark::Counter(kTermsPerFrame, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MetaballField_Plain(benchmark::State& state)
{
    PlainMetaballFixture metaballs;
    for (auto _ : state) {
        metaballs.nextFrame();
        const std::vector<Metaball>& balls = metaballs.scene->getBalls();
        plain::evaluateMetaballField(metaballs.points.data(), metaballs.gridSize, balls.data(),
                                     static_cast<int>(balls.size()));
        benchmark::ClobberMemory();
    }
    constexpr double kTermsPerFrame = 51.0 * 51.0 * 51.0 * 8.0;
    state.counters["terms"] = benchmark::Counter(kTermsPerFrame, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MetaballNormals(benchmark::State& state)
{
    MetaballFixture metaballs;
    for (auto _ : state) {
        metaballs.scene->getGrid().computeNormals();
        benchmark::ClobberMemory();
    }
}

void BM_MetaballNormals_Plain(benchmark::State& state)
{
    PlainMetaballFixture metaballs;
    for (auto _ : state) {
        plain::computeMetaballNormals(metaballs.points.data(), metaballs.gridSize);
        benchmark::ClobberMemory();
    }
}

void BM_MetaballClassify(benchmark::State& state)
{
    MetaballFixture metaballs;
    for (auto _ : state) {
        metaballs.scene->getGrid().classifyCells();
        benchmark::ClobberMemory();
    }
}

void BM_MetaballClassify_Plain(benchmark::State& state)
{
    PlainMetaballFixture metaballs;
    for (auto _ : state) {
        plain::classifyMetaballCells(metaballs.points.data(), metaballs.gridSize, metaballs.cubeIndices.data());
        benchmark::ClobberMemory();
    }
}

// Classification, interpolation on every crossed edge and the walk over the triangle table.
void BM_MetaballSurface(benchmark::State& state)
{
    MetaballFixture metaballs;
    CountingSink sink;
    for (auto _ : state) {
        metaballs.scene->getGrid().polygonize(sink);
    }
    state.counters["triangles"] = static_cast<double>(sink.vertices) / 3.0 / static_cast<double>(state.iterations());
}

void BM_MetaballSurface_Plain(benchmark::State& state)
{
    PlainMetaballFixture metaballs;
    const MarchingCubesGrid& grid = metaballs.scene->getGrid();
    CountingSink sink;
    for (auto _ : state) {
        plain::polygonizeMetaballs(metaballs.points.data(), metaballs.gridSize, grid.useNormals, grid.colorByDistance,
                                   sink);
    }
    state.counters["triangles"] = static_cast<double>(sink.vertices) / 3.0 / static_cast<double>(state.iterations());
}

void BM_MetaballFrame(benchmark::State& state)
{
    MetaballFixture metaballs;
    CountingSink sink;
    for (auto _ : state) {
        metaballs.nextFrame();
        metaballs.scene->updateField();
        metaballs.scene->getGrid().polygonize(sink);
    }
}

void BM_MetaballFrame_Plain(benchmark::State& state)
{
    PlainMetaballFixture metaballs;
    const MarchingCubesGrid& grid = metaballs.scene->getGrid();
    CountingSink sink;
    for (auto _ : state) {
        metaballs.nextFrame();
        const std::vector<Metaball>& balls = metaballs.scene->getBalls();
        plain::metaballFrame(metaballs.points.data(), metaballs.gridSize, balls.data(), static_cast<int>(balls.size()),
                             grid.useNormals, grid.colorByDistance, sink);
    }
}

struct CubeFixture {
    float time = kCubeStart;
    std::unique_ptr<PlasmaBallInCubeScene> scene = std::make_unique<PlasmaBallInCubeScene>(&time);

    CubeFixture()
    {
        scene->load();
        time = 60.0f;
    }
};

// The same scene, with arrays of its own for the plain loops.
struct PlainCubeFixture : CubeFixture, plain::CubeArrayCopies {
    PlainCubeFixture() : plain::CubeArrayCopies(*scene) {}
};

void BM_PlasmaBallInCubeDisplace(benchmark::State& state)
{
    CubeFixture cube;
    for (auto _ : state) {
        cube.time += kFrame;
        cube.scene->displaceBall(cube.time);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallInCubeDisplace_Plain(benchmark::State& state)
{
    PlainCubeFixture cube;
    for (auto _ : state) {
        cube.time += kFrame;
        plain::displaceCubeBall(cube.arrays.restVertices, cube.arrays.ballVertexCount, cube.scene->getPlasmaStep(),
                                cube.scene->getTimeDivisor(), cube.time, cube.arrays.ballVertices,
                                cube.arrays.ballColors);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallInCubeWalls(benchmark::State& state)
{
    CubeFixture cube;
    float phase = 60.0f;
    for (auto _ : state) {
        phase += 10.0f * kFrame;
        cube.scene->updateWallColors(phase);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallInCubeWalls_Plain(benchmark::State& state)
{
    PlainCubeFixture cube;
    float phase = 60.0f;
    for (auto _ : state) {
        phase += 10.0f * kFrame;
        plain::colorCubeWalls(cube.arrays.faceVertices, cube.arrays.faceColors, cube.arrays.faceVertexCount, phase);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallInCubeOverlay(benchmark::State& state)
{
    CubeFixture cube;
    for (auto _ : state) {
        cube.scene->invertBallColors(0.5f);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallInCubeOverlay_Plain(benchmark::State& state)
{
    PlainCubeFixture cube;
    for (auto _ : state) {
        plain::invertCubeBallColors(cube.arrays.ballColors, static_cast<int>(cube.ballColors.size() / 4), 0.5f);
        benchmark::ClobberMemory();
    }
}

// A whole frame's processor work, events included, through the scene's 26 seconds and round again.
void BM_PlasmaBallInCubeFrame(benchmark::State& state)
{
    CubeFixture cube;
    cube.time = kCubeStart;
    for (auto _ : state) {
        cube.time += kFrame;
        if (cube.time > 79.0f) {
            state.PauseTiming();
            cube.scene->load();
            cube.time = kCubeStart;
            state.ResumeTiming();
        }
        cube.scene->advance();
        benchmark::ClobberMemory();
    }
}

// The scene's start time is the time value it was constructed at, as neither fixture starts it.
void BM_PlasmaBallInCubeFrame_Plain(benchmark::State& state)
{
    PlainCubeFixture cube;
    const std::vector<TimedEvent>& events = cube.scene->getEvents();
    plain::CubeFrameState frame;
    cube.time = kCubeStart;
    for (auto _ : state) {
        cube.time += kFrame;
        if (cube.time > 79.0f) {
            state.PauseTiming();
            frame = plain::CubeFrameState{};
            cube.time = kCubeStart;
            state.ResumeTiming();
        }
        plain::cubeFrame(frame, events.data(), events.size(), kCubeStart, cube.time, cube.arrays);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallDisplace(benchmark::State& state)
{
    float time = kPlasmaBallStart;
    PlasmaBallScene scene(&time);
    scene.load();
    scene.startClock(kPlasmaBallStart);
    for (auto _ : state) {
        time += kFrame;
        if (time > 208.9f) {
            time = kPlasmaBallStart;
        }
        scene.displaceBall(time);
        benchmark::ClobberMemory();
    }
}

void BM_PlasmaBallDisplace_Plain(benchmark::State& state)
{
    float time = kPlasmaBallStart;
    PlasmaBallScene scene(&time);
    scene.load();
    scene.startClock(kPlasmaBallStart);
    MeshObject* ball = scene.getBall();
    const std::vector<float> rest(ball->getVertices(), ball->getVertices() + ball->getVertexCount() * 3);
    std::vector<float> vertices = rest;
    std::vector<float> colors(ball->getColors(), ball->getColors() + ball->getColorCount() * 4);
    for (auto _ : state) {
        time += kFrame;
        if (time > 208.9f) {
            time = kPlasmaBallStart;
        }
        plain::displaceWoundBall(rest.data(), ball->getVertexCount(), kPlasmaBallStart, time, vertices.data(),
                                 colors.data());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_MetaballField)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballField_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballNormals)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballNormals_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballClassify)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballClassify_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballSurface)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballSurface_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaballFrame_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeDisplace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeDisplace_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeWalls)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeWalls_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeOverlay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeOverlay_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallInCubeFrame_Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallDisplace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlasmaBallDisplace_Plain)->Unit(benchmark::kMicrosecond);
