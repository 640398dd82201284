#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include <benchmark/benchmark.h>

// Every mesh the scenes build, at the sizes they ask for: each iteration builds and deletes one.
namespace {

template <class Make>
void build(benchmark::State& state, Make make)
{
    for (auto _ : state) {
        MeshObject* mesh = make();
        benchmark::DoNotOptimize(mesh->getVertices());
        delete mesh;
    }
}

using F = PrimitiveFactory;

void BM_PointCube(benchmark::State& s) { build(s, [] { return F::createPointCube(1.0f); }); }
void BM_Cylinder_72x45(benchmark::State& s) { build(s, [] { return F::createCylinder(72, 45, 1.0f, 2.0f); }); }
void BM_Cylinder_30x15000(benchmark::State& s) { build(s, [] { return F::createCylinder(30, 15000, 0.1f, 1800.0f); }); }
void BM_Cone(benchmark::State& s) { build(s, [] { return F::createCone(1.0f, 2.0f); }); }
void BM_SimpleCone(benchmark::State& s) { build(s, [] { return F::createSimpleCone(1.035f, 2.025f); }); }
void BM_TexturedSphere_40x40(benchmark::State& s) { build(s, [] { return F::createTexturedSphere(40, 40); }); }
void BM_TexturedSphere_4x6(benchmark::State& s) { build(s, [] { return F::createTexturedSphere(4, 6); }); }
void BM_Tube_40(benchmark::State& s) { build(s, [] { return F::createTube(40, 5.0f, 4.0f, 2.0f); }); }
void BM_Tube_50(benchmark::State& s) { build(s, [] { return F::createTube(50, 5.625f, 4.925f, 2.25f); }); }
void BM_SeamedCylinder_15x1(benchmark::State& s) { build(s, [] { return F::createSeamedCylinder(15, 1, 0.3f, 1.0f); }); }
void BM_SeamedCylinder_160x15000(benchmark::State& s)
{
    build(s, [] { return F::createSeamedCylinder(160, 15000, 1.0f, 1800.0f); });
}
void BM_UnitSphere_20x20(benchmark::State& s) { build(s, [] { return F::createUnitSphere(20, 20); }); }
void BM_UnitSphere_8x8(benchmark::State& s) { build(s, [] { return F::createUnitSphere(8, 8); }); }
void BM_ColoredSphere_47x72(benchmark::State& s) { build(s, [] { return F::createColoredSphere(47, 72); }); }
void BM_ColoredSphere_180x180(benchmark::State& s) { build(s, [] { return F::createColoredSphere(180, 180); }); }
void BM_ColoredSphere_150x150(benchmark::State& s) { build(s, [] { return F::createColoredSphere(150, 150); }); }
void BM_Plane_1x1(benchmark::State& s) { build(s, [] { return F::createPlane(1, 1, 1.0f, 0.5f); }); }
void BM_Plane_10x10(benchmark::State& s) { build(s, [] { return F::createPlane(10, 10, 25.0f, 25.0f); }); }
void BM_Plane_2x2(benchmark::State& s) { build(s, [] { return F::createPlane(2, 2, 4.0f, 3.0f); }); }
void BM_TiledPlane_2x2(benchmark::State& s) { build(s, [] { return F::createTiledPlane(2, 2, 8.0f, 1.0f); }); }
void BM_TiledPlane_250x1(benchmark::State& s) { build(s, [] { return F::createTiledPlane(250, 1, 80.0f, 20.6f); }); }
void BM_TiledPlane_160x40(benchmark::State& s) { build(s, [] { return F::createTiledPlane(160, 40, 80.0f, 20.6f); }); }

}  // namespace

BENCHMARK(BM_PointCube);
BENCHMARK(BM_Cylinder_72x45);
BENCHMARK(BM_Cylinder_30x15000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cone);
BENCHMARK(BM_SimpleCone);
BENCHMARK(BM_TexturedSphere_40x40);
BENCHMARK(BM_TexturedSphere_4x6);
BENCHMARK(BM_Tube_40);
BENCHMARK(BM_Tube_50);
BENCHMARK(BM_SeamedCylinder_15x1);
BENCHMARK(BM_SeamedCylinder_160x15000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnitSphere_20x20);
BENCHMARK(BM_UnitSphere_8x8);
BENCHMARK(BM_ColoredSphere_47x72);
BENCHMARK(BM_ColoredSphere_180x180)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColoredSphere_150x150)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plane_1x1);
BENCHMARK(BM_Plane_10x10);
BENCHMARK(BM_Plane_2x2);
BENCHMARK(BM_TiledPlane_2x2);
BENCHMARK(BM_TiledPlane_250x1);
BENCHMARK(BM_TiledPlane_160x40);
