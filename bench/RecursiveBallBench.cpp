#include "effects/scenes/CameraPath.h"
#include "effects/scenes/SphereTree.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "sequence/Camera.h"

#include <benchmark/benchmark.h>

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

void BM_RecursiveBall_CameraPath(benchmark::State& state)
{
    CameraPath path;
    for (int i = 0; i < 42; ++i) {
        const float f = static_cast<float>(i);
        path.addPoint({f, -f, 2.0f * f}, {f + 1.0f, -f, 2.0f * f}, i);
    }
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

} // namespace

BENCHMARK(BM_RecursiveBall_TreeBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecursiveBall_TreeWalk)->Arg(0)->Arg(5)->Arg(10);
BENCHMARK(BM_RecursiveBall_CameraPath);
