// Ribbons and the anisotropic operations on closed tori of 8 thousand to half a million faces.
// Throughput is faces of the input mesh per second; each unmeshing and remeshing run includes
// the rebuild of adjacency and normals that ends it, not the ribbon build before it.
#include "mesh/Mesh3d.h"
#include "processing/Wavefront.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

// A torus of n by n vertices, slightly uneven so that compacity comparisons have no ties.
const CMesh3d& Input(int n)
{
  static std::map<int, std::unique_ptr<CMesh3d>> cache;
  auto& mesh = cache[n];
  if (mesh)
    return *mesh;
  mesh = std::make_unique<CMesh3d>();
  const float pi2 = 6.2831853f;
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const float u = pi2 * i / n;
      const float v = pi2 * j / n;
      const float r = 2.0f + 0.7f * std::cos(v) + 0.01f * std::sin(7.0f * u + 3.0f * v);
      mesh->AddVertex(new CVertex3d(r * std::cos(u), 0.7f * std::sin(v), r * std::sin(u)));
    }
  auto at = [n, &mesh](int i, int j) { return mesh->GetVertex(((j + n) % n) * n + (i + n) % n); };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      mesh->AddFace(new CFace3d(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
    }
  mesh->Rebuild();
  return *mesh;
}

// Runs the operation on a fresh copy with ribbons built from face 0 (unless it is the build).
template <class Operation>
void Run(benchmark::State& state, bool timeBuild, Operation operation)
{
  const CMesh3d& input = Input(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = std::make_unique<CMesh3d>();
    mesh->Copy(&input);
    mesh->Rebuild();
    CWavefront wavefront;
    if (!timeBuild)
      wavefront.BuildRibbons(mesh.get(), 0, 0, 0, 1, 1, 0, nullptr);
    state.ResumeTiming();
    operation(wavefront, mesh.get());
    benchmark::DoNotOptimize(mesh->NbVertex());
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * input.NbFace());
  state.counters["faces"] = input.NbFace();
}

void BM_BuildRibbons(benchmark::State& state)
{
  Run(state, true, [](CWavefront& w, CMesh3d* m) {
    benchmark::DoNotOptimize(w.BuildRibbons(m, 0, 0, 0, 1, 1, 0, nullptr));
  });
}
void BM_UnmeshAcross(benchmark::State& state)
{
  Run(state, false, [](CWavefront& w, CMesh3d*) { w.UnmeshAcross(0, 2); });
}
void BM_UnmeshAlong(benchmark::State& state)
{
  Run(state, false, [](CWavefront& w, CMesh3d*) { w.UnmeshAlong(0, 1, 0.5f); });
}
void BM_RemeshAcross(benchmark::State& state)
{
  Run(state, false, [](CWavefront& w, CMesh3d* m) { w.RemeshAcross(m); });
}
void BM_RemeshAcrossTwoEdges(benchmark::State& state)
{
  Run(state, false, [](CWavefront& w, CMesh3d* m) { w.RemeshAcrossTwoEdges(m, 1, nullptr); });
}
void BM_RemeshAlong(benchmark::State& state)
{
  Run(state, false, [](CWavefront& w, CMesh3d* m) { w.RemeshAlong(m, nullptr); });
}

// 8 192, 32 768, 131 072 and 524 288 faces.
#define SIZES RangeMultiplier(2)->Range(64, 512)->Unit(benchmark::kMillisecond)->UseRealTime()

BENCHMARK(BM_BuildRibbons)->SIZES;
BENCHMARK(BM_UnmeshAcross)->SIZES;
BENCHMARK(BM_UnmeshAlong)->SIZES;
BENCHMARK(BM_RemeshAcross)->SIZES;
BENCHMARK(BM_RemeshAcrossTwoEdges)->SIZES;
BENCHMARK(BM_RemeshAlong)->SIZES;

} // namespace
