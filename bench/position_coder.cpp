// The position coder on meshes of growing size in their own vertex order: bits per vertex of
// the positions (header, choices, cuts, signs, remainders) and of the whole stream with its
// refinement, and vertices coded and decoded per second, at 8, 10 and 12 bits.
#include "compression/PositionDecoder.h"
#include "compression/PositionEncoder.h"
#include "compression/VertexRun.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/mesh/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

enum EShape : int { Sphere, Torus };

std::unique_ptr<CMesh3d> MakeMesh(int shape, int size)
{
  return shape == Sphere ? fixtures::Icosphere(size) : conquest::Torus(size, size / 2, true);
}

void BM_Encode(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int qb = static_cast<int>(state.range(2));
  CVertexRun run;
  mesh->CopyVerticesTo(&run);
  conquest::CScratchFolder folder;
  float ratio = 0.0f;
  std::uint32_t positionBits = 0;
  std::uint32_t totalBits = 0;
  for (auto _ : state) {
    CPositionEncoder encoder;
    ratio = encoder.Encode("Positions.bin", nullptr, &run, qb, 4, 10, nullptr, 0, mesh.get());
    positionBits = encoder.GetBitsAfterRemainders();
    totalBits = encoder.GetBitsAfterPlanes();
  }
  if (ratio <= 0.0f)
    state.SkipWithError("the encoder refused the mesh");
  state.counters["vertices"] = mesh->NbVertex();
  state.counters["bits/vertex"] = static_cast<double>(positionBits) / mesh->NbVertex();
  state.counters["with refinement"] = static_cast<double>(totalBits) / mesh->NbVertex();
  state.counters["vertices/s"] =
    benchmark::Counter(mesh->NbVertex(), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Decode(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int qb = static_cast<int>(state.range(2));
  CVertexRun run;
  mesh->CopyVerticesTo(&run);
  conquest::CScratchFolder folder;
  CPositionEncoder encoder;
  if (encoder.Encode("Positions.bin", nullptr, &run, qb, 4, 10, nullptr, 0, mesh.get()) <= 0.0f)
    state.SkipWithError("the encoder refused the mesh");
  int ok = 1;
  for (auto _ : state) {
    CPositionDecoder decoder;
    ok &= decoder.Decode("Positions.bin", nullptr, mesh.get(), 16) > 0 ? 1 : 0;
  }
  if (!ok)
    state.SkipWithError("the decoder failed");
  state.counters["vertices"] = mesh->NbVertex();
  state.counters["vertices/s"] =
    benchmark::Counter(mesh->NbVertex(), benchmark::Counter::kIsIterationInvariantRate);
}

void Sizes(benchmark::internal::Benchmark* b)
{
  for (const int qb : {8, 10, 12}) {
    for (const int level : {3, 4, 5, 6})
      b->Args({Sphere, level, qb});
    for (const int n : {32, 128, 256})
      b->Args({Torus, n, qb});
  }
  b->ArgNames({"shape", "size", "qb"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Encode)->Apply(Sizes);
BENCHMARK(BM_Decode)->Apply(Sizes);
