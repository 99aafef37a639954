// The progressive coder beside an established compressor's single-rate valence coder (its
// edgebreaker with parallelogram prediction), on the real meshes of tests/data and on
// generated closed and open meshes, positions quantized to 11 bits for both. Counters: faces
// per second, bits per vertex, and "x Draco", our best processor time over the library's best
// for its whole encode or decode of the same mesh, run once in each of our iterations.
// Run from the Release build (scripts/bench configures it):
//   build/bench/bench/bench_progressive_coder --benchmark_filter=Progressive
#include "bench/ProcessTime.h"
#include "bench/DracoRun.h"
#include "bench/WarmHeap.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <utility>

namespace {

constexpr int kBits = 11;

struct SMesh
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
};

const SMesh kMeshes[] = {
    {"camel", [] { return progressive::ReadObj("camel.obj"); }},
    {"cheese", [] { return progressive::ReadObj("cheese.obj"); }},
    {"bunny", [] { return progressive::ReadObj("bunny3674.obj"); }},
    {"elephant patch", [] { return progressive::ReadObj("conquest_elephant_patch337.obj"); }},
    {"torus 100k", [] { return progressive::Torus(224, 224); }},
    {"plate 100k", [] { return progressive::PlateWithHoles(224, 224, 10); }},
};

// Meshes are read or generated once per run.
const CMesh3d& CachedMesh(int index)
{
  KeepHeapWarm();
  static std::map<int, std::unique_ptr<CMesh3d>> s_Meshes;
  auto& pMesh = s_Meshes[index];
  if (!pMesh)
    pMesh = kMeshes[index].build();
  if (!pMesh)
    pMesh = std::make_unique<CMesh3d>();
  return *pMesh;
}

double Seconds(double start)
{
  return ProcessSeconds() - start;
}

void SetCounters(benchmark::State& state, const CMesh3d& mesh, double bytes)
{
  state.counters["vertices"] = mesh.NbVertex();
  state.counters["faces/s"] = benchmark::Counter(mesh.NbFace(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/vertex"] = bytes * 8.0 / mesh.NbVertex();
}

int Encode(const CMesh3d& source, const char* fileName)
{
  CMesh3d mesh;
  mesh.Copy(&source);
  mesh.Rebuild();
  CProgressiveCoder coder;
  return progressive::Encode(&coder, &mesh, source.NbVertex() / 100, kBits, fileName);
}

// Down to a hundredth of the vertices; the mesh is copied outside the timing.
void BM_ProgressiveEncode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  const CMesh3d& source = CachedMesh(index);
  state.SetLabel(kMeshes[index].name);
  conquest::CScratchFolder folder;
  const CDracoRun draco(CachedMesh(index), kBits, ProcessSeconds);
  if (!draco.Encoded()) {
    state.SkipWithError("Draco could not encode the mesh");
    return;
  }
  double best = 1e300;
  double bestDraco = 1e300;
  for (auto _ : state) {
    state.PauseTiming();
    CMesh3d mesh;
    mesh.Copy(&source);
    mesh.Rebuild();
    state.ResumeTiming();
    const auto start = ProcessSeconds();
    CProgressiveCoder coder;
    if (!progressive::Encode(&coder, &mesh, source.NbVertex() / 100, kBits, "m.vpm"))
      state.SkipWithError("encoding failed");
    best = std::min(best, Seconds(start));
    state.PauseTiming();
    bestDraco = std::min(bestDraco, draco.TimeEncode());
    state.ResumeTiming();
  }
  SetCounters(state, source, static_cast<double>(ReadBytes("m.vpm").size()));
  state.counters["best ms"] = best * 1e3;
  state.counters["Draco ms"] = bestDraco * 1e3;
  state.counters["x Draco"] = best / bestDraco;
}

void BM_ProgressiveDecode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  const CMesh3d& source = CachedMesh(index);
  state.SetLabel(kMeshes[index].name);
  conquest::CScratchFolder folder;
  if (!Encode(source, "m.vpm"))
    state.SkipWithError("encoding failed");
  const CDracoRun draco(CachedMesh(index), kBits, ProcessSeconds);
  if (!draco.Encoded()) {
    state.SkipWithError("Draco could not encode the mesh");
    return;
  }
  double best = 1e300;
  double bestDraco = 1e300;
  for (auto _ : state) {
    const auto start = ProcessSeconds();
    CMesh3d decoded;
    CProgressiveCoder coder;
    if (!progressive::Decode(&coder, &decoded, "m.vpm"))
      state.SkipWithError("decoding failed");
    best = std::min(best, Seconds(start));
    state.PauseTiming();
    bestDraco = std::min(bestDraco, draco.TimeDecode());
    state.ResumeTiming();
  }
  SetCounters(state, source, static_cast<double>(ReadBytes("m.vpm").size()));
  state.counters["best ms"] = best * 1e3;
  state.counters["Draco ms"] = bestDraco * 1e3;
  state.counters["x Draco"] = best / bestDraco;
}

void BM_DracoValenceEncode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  state.SetLabel(kMeshes[index].name);
  const std::unique_ptr<draco::Mesh> pMesh = ToDraco(CachedMesh(index));
  size_t size = 0;
  for (auto _ : state)
    size = EncodeDraco(*pMesh, kBits).size();
  if (size == 0)
    state.SkipWithError("encoding failed");
  SetCounters(state, CachedMesh(index), static_cast<double>(size));
}

void BM_DracoValenceDecode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  state.SetLabel(kMeshes[index].name);
  const draco::EncoderBuffer encoded = EncodeDraco(*ToDraco(CachedMesh(index)), kBits);
  for (auto _ : state)
    if (!DecodeDraco(encoded))
      state.SkipWithError("decoding failed");
  SetCounters(state, CachedMesh(index), static_cast<double>(encoded.size()));
}

void Meshes(benchmark::internal::Benchmark* b)
{
  b->ArgName("mesh");
  for (int i = 0; i < static_cast<int>(std::size(kMeshes)); i++)
    b->Arg(i);
  b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_ProgressiveEncode)->Apply(Meshes);
BENCHMARK(BM_DracoValenceEncode)->Apply(Meshes);
BENCHMARK(BM_ProgressiveDecode)->Apply(Meshes);
BENCHMARK(BM_DracoValenceDecode)->Apply(Meshes);
