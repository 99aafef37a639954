// The valence-driven conquest coder: connectivity bits per vertex and faces coded per second
// on closed and open meshes of growing size; geometry bits per vertex with the L2 and PSNR
// errors of the reconstructed positions at 8, 10 and 12 bits.
#include "compression/ConquestCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

enum EShape : int { Icosphere, Torus, NoisySphere, GridWithHoles };

std::unique_ptr<CMesh3d> MakeMesh(int shape, int size)
{
  switch (shape) {
  case Icosphere:
    return fixtures::Icosphere(size);
  case Torus:
    return conquest::Torus(size, size * 5 / 8, true);
  case NoisySphere:
    return conquest::NoisySphere(size, 0.05f);
  default:
    return conquest::Grid(size, 0, {size * size / 3 + size / 3, 2 * size * size / 3 + 2 * size / 3});
  }
}

void SetMeshCounters(benchmark::State& state, const CMesh3d& mesh)
{
  state.counters["vertices"] = mesh.NbVertex();
  state.counters["faces/s"] = benchmark::Counter(mesh.NbFace(), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Connectivity(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  conquest::CScratchFolder folder;
  conquest::SResult result;
  for (auto _ : state) {
    CConquestCoder coder;
    result = conquest::Encode(coder, mesh.get());
  }
  if (!result.Ok)
    state.SkipWithError("the conquest failed");
  SetMeshCounters(state, *mesh);
  state.counters["bits/vertex"] = result.ConnectivityRate;
}

void BM_Geometry(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int bits = static_cast<int>(state.range(2));
  conquest::CScratchFolder folder;
  conquest::SOptions options;
  options.GeometryOn = 1;
  options.NormalBits = bits;
  options.ParameterBits = bits;
  conquest::SResult result;
  for (auto _ : state) {
    CConquestCoder coder;
    result = conquest::Encode(coder, mesh.get(), options);
  }
  SetMeshCounters(state, *mesh);
  // At 12 bits the alphabet passes the range coder's 4095 symbols: pos.bin is refused, the
  // reconstructed positions are there all the same.
  const auto pos = ReadBytes(folder.File("pos.bin"));
  state.counters["geometry bits/vertex"] = result.Ok ? pos.size() * 8.0 / mesh->NbVertex() : -1.0;
  state.counters["L2"] = mesh->L2Error();
  state.counters["PSNR"] = mesh->PSNR();
}

} // namespace

BENCHMARK(BM_Connectivity)
    ->ArgNames({"shape", "size"})
    ->ArgsProduct({{Icosphere}, {3, 4, 5, 6}})
    ->ArgsProduct({{Torus}, {40, 80, 160, 320}})
    ->ArgsProduct({{NoisySphere}, {3, 4, 5}})
    ->ArgsProduct({{GridWithHoles}, {32, 64, 128, 256}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_Geometry)
    ->ArgNames({"shape", "size", "bits"})
    ->ArgsProduct({{NoisySphere}, {4}, {8, 10, 12}})
    ->ArgsProduct({{Torus}, {80}, {8, 10, 12}})
    ->ArgsProduct({{GridWithHoles}, {64}, {8, 10, 12}})
    ->Unit(benchmark::kMillisecond);
