// Faces per second of the mesh's adjacency, normals and copy on closed tori of growing size;
// the cost per face must stay flat as the mesh grows.
#include "mesh/Mesh3d.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {
// A closed torus of n x (n / 2) quads split into 2 n (n / 2) triangles.
std::unique_ptr<CMesh3d> Torus(int faces)
{
  const int n = static_cast<int>(std::sqrt(faces));
  const int m = n / 2;
  auto mesh = std::make_unique<CMesh3d>();
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      const double u = 2 * 3.14159265358979 * i / n;
      const double v = 2 * 3.14159265358979 * j / m;
      mesh->AddVertex(new CVertex3d(static_cast<float>((2 + std::cos(v)) * std::cos(u)),
                                    static_cast<float>((2 + std::cos(v)) * std::sin(u)),
                                    static_cast<float>(std::sin(v))));
    }
  auto at = [&](int i, int j) { return mesh->GetVertex((i % n) * m + (j % m)); };
  for (int i = 0; i < n; i++)
    for (int j = 0; j < m; j++) {
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j), at(i + 1, j + 1)));
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i, j + 1)));
    }
  return mesh;
}

void SetFaces(benchmark::State& state, const CMesh3d& mesh)
{
  state.SetItemsProcessed(state.iterations() * mesh.NbFace());
  state.counters["faces"] = mesh.NbFace();
}

void BM_BuildAdjacency(benchmark::State& state)
{
  auto mesh = Torus(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(mesh->BuildAdjacency());
  SetFaces(state, *mesh);
}

void BM_ComputeFaceNormals(benchmark::State& state)
{
  auto mesh = Torus(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(mesh->ComputeFaceNormals());
  SetFaces(state, *mesh);
}

void BM_ComputeVertexNormals(benchmark::State& state)
{
  auto mesh = Torus(static_cast<int>(state.range(0)));
  mesh->BuildAdjacency();
  mesh->ComputeFaceNormals();
  for (auto _ : state)
    benchmark::DoNotOptimize(mesh->ComputeVertexNormals());
  SetFaces(state, *mesh);
}

void BM_Copy(benchmark::State& state)
{
  auto mesh = Torus(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CMesh3d copy;
    copy.Copy(mesh.get());
    benchmark::DoNotOptimize(copy.NbFace());
  }
  SetFaces(state, *mesh);
}

constexpr int kMin = 20000;
constexpr int kMax = 1 << 21;  // 2 million faces requested: a torus of about 2.1 million
} // namespace

BENCHMARK(BM_BuildAdjacency)->RangeMultiplier(4)->Range(kMin, kMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeFaceNormals)->RangeMultiplier(4)->Range(kMin, kMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeVertexNormals)->RangeMultiplier(4)->Range(kMin, kMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy)->RangeMultiplier(4)->Range(kMin, kMax)->Unit(benchmark::kMillisecond);
