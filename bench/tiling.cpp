// Surface tiling of closed meshes of 3 thousand to 800 thousand faces: the whole build (nodes,
// links, source colouring, tiles, split into triangles) and the coarse mesh made from it.
// Throughput is faces of the input mesh per second; the copy and rebuild of the input that
// every build starts from is timed apart.
#include "mesh/Mesh3d.h"
#include "processing/Tiling3d.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

// A box refined `levels` times by 1-to-4 splits: 12 * 4^levels faces.
CMesh3d& Input(int levels)
{
  static std::map<int, std::unique_ptr<CMesh3d>> cache;
  auto& mesh = cache[levels];
  if (mesh)
    return *mesh;
  mesh = std::make_unique<CMesh3d>();
  mesh->GenerateBox(1.0f, 1.0f, 1.0f);
  mesh->Rebuild();
  for (int i = 0; i < levels; i++)
    mesh->Subdivision();
  return *mesh;
}

std::unique_ptr<CTiling3d> CopyOf(CMesh3d& mesh)
{
  auto tiling = std::make_unique<CTiling3d>();
  tiling->Copy(&mesh);
  tiling->Rebuild();
  return tiling;
}

void SetFaces(benchmark::State& state, const CMesh3d& mesh)
{
  state.SetItemsProcessed(state.iterations() * mesh.NbFace());
  state.counters["faces"] = mesh.NbFace();
}

void BM_TilingBuild(benchmark::State& state)
{
  CMesh3d& mesh = Input(static_cast<int>(state.range(0)));
  int tiles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tiling = CopyOf(mesh);
    state.ResumeTiming();
    tiles = tiling->Build(0, 1, &mesh);
    benchmark::DoNotOptimize(tiles);
    state.PauseTiming();
    tiling.reset();
    state.ResumeTiming();
  }
  SetFaces(state, mesh);
  state.counters["tiles"] = tiles;
}

void BM_TilingBuildMesh(benchmark::State& state)
{
  CMesh3d& mesh = Input(static_cast<int>(state.range(0)));
  auto tiling = CopyOf(mesh);
  tiling->Build(0, 1, &mesh);
  for (auto _ : state) {
    auto coarse = tiling->BuildMesh();
    benchmark::DoNotOptimize(coarse->NbFace());
  }
  SetFaces(state, mesh);
}

void BM_TilingOptimize(benchmark::State& state)
{
  CMesh3d& mesh = Input(static_cast<int>(state.range(0)));
  auto tiling = CopyOf(mesh);
  tiling->Build(0, 1, &mesh);
  for (auto _ : state)
    tiling->OptimizeNodePositions(20, nullptr, 0);
  SetFaces(state, mesh);
}

void BM_TilingCopyAndRebuild(benchmark::State& state)
{
  CMesh3d& mesh = Input(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto tiling = CopyOf(mesh);
    benchmark::DoNotOptimize(tiling->NbFace());
  }
  SetFaces(state, mesh);
}

} // namespace

BENCHMARK(BM_TilingBuild)->DenseRange(4, 8, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TilingBuildMesh)->DenseRange(4, 8, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TilingOptimize)->DenseRange(4, 8, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TilingCopyAndRebuild)->DenseRange(4, 8, 2)->Unit(benchmark::kMillisecond);
