// One subdivision step of each quad scheme, and one smoothing, on meshes of growing size:
// faces of the input mesh per second, adjacency and normals of the result included.
#include "mesh/QuadMesh3d.h"

#include <benchmark/benchmark.h>

namespace {

// The box refined by Catmull-Clark: 6 * 4^levels quads.
void BuildInput(CQuadMesh3d& mesh, int levels)
{
  mesh.GenerateBox();
  for (int i = 0; i < levels; i++)
    mesh.SubdivisionCatmullClark();
}

template <void (CQuadMesh3d::*Step)()>
void BM_QuadSubdivision(benchmark::State& state)
{
  const int levels = static_cast<int>(state.range(0));
  int64_t faces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CQuadMesh3d mesh;
    BuildInput(mesh, levels);
    faces += mesh.NbQuad();
    state.ResumeTiming();
    (mesh.*Step)();
    benchmark::DoNotOptimize(mesh.NbVertex());
    state.PauseTiming();
    mesh.Free();  // freeing is not part of the step
    state.ResumeTiming();
  }
  state.SetItemsProcessed(faces);
  state.counters["faces"] = static_cast<double>(6 << (2 * levels));
}

void BM_CatmullClark(benchmark::State& state)
{
  BM_QuadSubdivision<&CQuadMesh3d::SubdivisionCatmullClark>(state);
}

void BM_Kobbelt(benchmark::State& state)
{
  BM_QuadSubdivision<&CQuadMesh3d::SubdivisionKobbelt>(state);
}

void BM_Smooth(benchmark::State& state)
{
  BM_QuadSubdivision<&CQuadMesh3d::Smooth>(state);
}

} // namespace

BENCHMARK(BM_CatmullClark)->DenseRange(2, 8, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kobbelt)->DenseRange(2, 8, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth)->DenseRange(2, 8, 2)->Unit(benchmark::kMillisecond);
