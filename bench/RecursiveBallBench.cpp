#include "effects/scenes/CameraPath.h"
#include "effects/scenes/SphereTree.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "plain/RecursiveBallPlain.h"
#include "sequence/Camera.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

// The sphere tree: its build at load time, the per-frame walk through the level window, and the
// camera's place on its path.
namespace {

std::vector<int> someDirections()
{
    std::vector<int> directions;
    for (int i = 0; i < SphereTree::kPathLength; ++i) {
        directions.push_back((i * 5 + 3) % 4);
    }
    return directions;
}

struct Meshes {
    std::unique_ptr<MeshObject> path{PrimitiveFactory::createUnitSphere(20, 20)};
    std::unique_ptr<MeshObject> branch{PrimitiveFactory::createUnitSphere(8, 8)};
};

void BM_RecursiveBall_TreeBuild(benchmark::State& state)
{
    Meshes meshes;
    const std::vector<int> directions = someDirections();
    for (auto _ : state) {
        SphereTree tree(meshes.path.get(), meshes.branch.get(), directions);
        benchmark::DoNotOptimize(tree.getRoot());
    }
    state.SetItemsProcessed(state.iterations() * 41301);
}

// Arg: the camera's level. The walk visits the path down to it and six levels of tree below it.
void BM_RecursiveBall_TreeWalk(benchmark::State& state)
{
    Meshes meshes;
    SphereTree tree(meshes.path.get(), meshes.branch.get(), someDirections());
    const int minLevel = static_cast<int>(state.range(0));
    int visited = 0;
    auto count = [&visited](RecursiveSphereObject&) { ++visited; };
    for (auto _ : state) {
        visited = 0;
        tree.getRoot()->walkTree(minLevel, 0, count);
        benchmark::DoNotOptimize(visited);
    }
    state.counters["nodes"] = visited;
}

void BM_RecursiveBall_TreeWalk_Plain(benchmark::State& state)
{
    Meshes meshes;
    SphereTree tree(meshes.path.get(), meshes.branch.get(), someDirections());
    const int minLevel = static_cast<int>(state.range(0));
    int visited = 0;
    const std::function<void(RecursiveSphereObject&)> count = [&visited](RecursiveSphereObject&) { ++visited; };
    for (auto _ : state) {
        visited = 0;
        plain::walkTree(*tree.getRoot(), minLevel, 0, count);
        benchmark::DoNotOptimize(visited);
    }
    state.counters["nodes"] = visited;
}

CameraPath somePath()
{
    CameraPath path;
    for (int i = 0; i < 42; ++i) {
        const float f = static_cast<float>(i);
        path.addPoint({f, -f, 2.0f * f}, {f + 1.0f, -f, 2.0f * f}, i);
    }
    return path;
}

void BM_RecursiveBall_CameraPath(benchmark::State& state)
{
    CameraPath path = somePath();
    Camera camera;
    path.restart(0.0f);
    float now = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(path.update(camera, now));
        now = now < 25.0f ? now + 1.0f / 60.0f : 0.0f;
        if (now == 0.0f) {
            path.restart(0.0f);
        }
    }
}

void BM_RecursiveBall_CameraPath_Plain(benchmark::State& state)
{
    const CameraPath path = somePath();
    std::vector<PathPoint> points;
    for (int i = 0; i < path.getPointCount(); ++i) {
        points.push_back(path.getPoint(i));
    }
    Camera camera;
    int segment = 0;
    float segmentStart = 0.0f;
    float now = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            plain::updateCamera(points.data(), static_cast<int>(points.size()), segment, segmentStart, camera, now));
        now = now < 25.0f ? now + 1.0f / 60.0f : 0.0f;
        if (now == 0.0f) {
            segment = 0;
            segmentStart = 0.0f;
        }
    }
}

} // namespace

BENCHMARK(BM_RecursiveBall_TreeBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecursiveBall_TreeWalk)->Arg(0)->Arg(5)->Arg(10);
BENCHMARK(BM_RecursiveBall_TreeWalk_Plain)->Arg(0)->Arg(5)->Arg(10);
BENCHMARK(BM_RecursiveBall_CameraPath);
BENCHMARK(BM_RecursiveBall_CameraPath_Plain);
