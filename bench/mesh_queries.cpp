// Nearest-face queries per second through the spatial hash against the search over every face,
// on meshes of growing size; the L2 error of a mesh of a million faces against a moved copy of
// its positions.
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Random.h"
#include "tests/mesh/QueryFixtures.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// The grid of the tests over the unit square, with a bump: 2 n^2 faces.
std::unique_ptr<CMesh3d> Terrain(int n)
{
  auto mesh = queries::Grid(n, 1.0f);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    v->SetZ(0.2f * std::sin(6.0f * v->x()) * std::cos(5.0f * v->y()));
  }
  return mesh;
}

// Query points near the surface, the same for every run.
std::vector<CVertex3d*> Probes(int count)
{
  platform::Srand(1);
  std::vector<CVertex3d*> probes;
  for (int i = 0; i < count; i++) {
    const float x = queries::Uniform(0.0f, 1.0f);
    const float y = queries::Uniform(0.0f, 1.0f);
    probes.push_back(new CVertex3d(x, y, queries::Uniform(-0.2f, 0.2f)));
  }
  return probes;
}

template <class Query>
void RunQueries(benchmark::State& state, const CMesh3d& mesh, Query query)
{
  const std::vector<CVertex3d*> probes = Probes(256);
  CVertex3d nearest;
  CFace3d* pFace = nullptr;
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(query(probes[k], &nearest, &pFace));
    k = (k + 1) % probes.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["faces"] = mesh.NbFace();
  for (CVertex3d* p : probes)
    delete p;
}

void BM_NearestFaceHash(benchmark::State& state)
{
  const auto mesh = Terrain(static_cast<int>(state.range(0)));
  CHashTable table(static_cast<int>(state.range(1)));
  table.Fill(mesh.get(), nullptr);
  RunQueries(state, *mesh, [&table](const CVertex3d* p, CVertex3d* q, CFace3d** f) {
    return table.DistanceToNearestFace(p, q, f, 0);
  });
  state.counters["cells"] = table.CountCells();
}

void BM_NearestFaceBruteForce(benchmark::State& state)
{
  const auto mesh = Terrain(static_cast<int>(state.range(0)));
  RunQueries(state, *mesh, [&mesh](const CVertex3d* p, CVertex3d* q, CFace3d** f) {
    return mesh->DistanceToFace(p, q, f);
  });
}

void BM_L2Error(benchmark::State& state)
{
  const auto mesh = Terrain(static_cast<int>(state.range(0)));
  mesh->CopyPositionsToSecondSet();
  mesh->OffsetCoord2(2, 0.001f);
  for (auto _ : state)
    benchmark::DoNotOptimize(mesh->L2Error());
  state.SetItemsProcessed(state.iterations() * mesh->NbVertex());
  state.counters["faces"] = mesh->NbFace();
}

} // namespace

// Grid sides 16, 64, 256 give 512, 8192 and 131072 faces; the hash at 8, 16 and 32 cells a side.
BENCHMARK(BM_NearestFaceHash)->Args({16, 8})->Args({64, 16})->Args({256, 32});
BENCHMARK(BM_NearestFaceBruteForce)->Arg(16)->Arg(64)->Arg(256);
// 708^2 squares: a million faces.
BENCHMARK(BM_L2Error)->Arg(708)->Unit(benchmark::kMillisecond);
