// The structure (edge-list) coder beside an established library's edgebreaker, on the real
// meshes of tests/data and on a torus (one merge) and a grid with holes (the ghost on many
// borders) of 100k and 1M faces. Both code into memory and decode from memory. Counters:
// faces per second, bits per vertex, and "x Draco": our best processor time over the
// library's best of ten for its whole encode (connectivity and 11-bit positions) or decode of
// the same mesh, measured in the same run. The heap is kept warm for both sides: with glibc's
// sliding thresholds, whether the freed memory of one run goes back to the system (and the next
// run faults it in again) depended on unrelated allocations, which swung a ratio twofold.
#include "bench/ProcessTime.h"
#include "bench/DracoMesh.h"
#include "bench/WarmHeap.h"
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "compression/StructureCoder.h"
#include "compression/VertexTree.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ObjSoup.h"
#include "tests/compression/TopologyGenerators.h"

#include <benchmark/benchmark.h>
#include <draco/compression/decode.h>
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iterator>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

// A square hole in every 8 x 8 block: about side^2 / 64 borders, all on one ghost.
std::unique_ptr<CMesh3d> Holes(int faces)
{
  const int side = static_cast<int>(std::sqrt(faces / 2.0));
  return topology::Build(
    topology::MaskedGrid(side, side, [](int x, int y) { return x % 8 == 1 && y % 8 == 1; }));
}

std::unique_ptr<CMesh3d> Torus(int faces)
{
  const int n = static_cast<int>(std::sqrt(faces / 4.0));
  return topology::Build(topology::TorusGrid(n, 2 * n));
}

struct SMesh
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
};

const SMesh kMeshes[] = {
  {"camel", [] { return objsoup::ReadData("camel.obj"); }},
  {"cheese", [] { return objsoup::ReadData("cheese.obj"); }},
  {"bunny", [] { return objsoup::ReadData("bunny3674.obj"); }},
  {"torus 100k", [] { return Torus(100000); }},
  {"holes 100k", [] { return Holes(100000); }},
  {"torus 1M", [] { return Torus(1000000); }},
  {"holes 1M", [] { return Holes(1000000); }},
};

// Meshes are read or generated once per run.
CMesh3d& CachedMesh(int index)
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

struct SDracoRun
{
  double encode = 0;
  double decode = 0;
  std::size_t bytes = 0;
};

// The library's best of ten on a mesh, measured right after our runs on it, so that both
// meet the process's heap in the same state.
SDracoRun Draco(int index)
{
  const std::unique_ptr<draco::Mesh> pMesh = ToDraco(CachedMesh(index));
  SDracoRun run{1e300, 1e300, 0};
  for (int i = 0; i < 10; i++) {
    double start = ProcessSeconds();
    draco::Encoder encoder;
    encoder.SetEncodingMethod(draco::MESH_EDGEBREAKER_ENCODING);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, 11);
    draco::EncoderBuffer encoded;
    if (!encoder.EncodeMeshToBuffer(*pMesh, &encoded).ok())
      break;
    run.encode = std::min(run.encode, ProcessSeconds() - start);
    run.bytes = encoded.size();
    start = ProcessSeconds();
    draco::DecoderBuffer buffer;
    buffer.Init(encoded.data(), encoded.size());
    draco::Decoder decoder;
    auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
    benchmark::DoNotOptimize(decoded);
    run.decode = std::min(run.decode, ProcessSeconds() - start);
  }
  return run;
}

void SetCounters(benchmark::State& state, const CMesh3d& mesh, std::size_t bytes)
{
  state.counters["vertices"] = mesh.NbVertex();
  state.counters["faces/s"] =
    benchmark::Counter(mesh.NbFace(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/vertex"] = static_cast<double>(bytes) * 8.0 / mesh.NbVertex();
}

// The stream of the mesh from its first face, into memory; empty when refused.
std::vector<std::uint8_t> Encode(CMesh3d* pMesh)
{
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  COBitStream stream;
  if (!coder.Encode(pMesh, &stream, &tree, 0, {}, &result))
    return {};
  return stream.GetBytes();
}

void BM_StructureEncode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  CMesh3d& mesh = CachedMesh(index);
  state.SetLabel(kMeshes[index].name);
  std::size_t bytes = 0;
  double best = 1e300;
  for (auto _ : state) {
    const double start = ProcessSeconds();
    bytes = Encode(&mesh).size();
    best = std::min(best, ProcessSeconds() - start);
    if (bytes == 0)
      state.SkipWithError("the structure coder refused the mesh");
  }
  SetCounters(state, mesh, bytes);
  const SDracoRun draco = Draco(index);
  state.counters["Draco bits/vertex"] = draco.bytes * 8.0 / mesh.NbVertex();
  state.counters["x Draco"] = best / draco.encode;
}

void BM_StructureDecode(benchmark::State& state)
{
  const int index = static_cast<int>(state.range(0));
  CMesh3d& mesh = CachedMesh(index);
  state.SetLabel(kMeshes[index].name);
  const std::vector<std::uint8_t> bytes = Encode(&mesh);
  if (bytes.empty()) {
    state.SkipWithError("the structure coder refused the mesh");
    return;
  }
  double best = 1e300;
  for (auto _ : state) {
    const double start = ProcessSeconds();
    CIBitStream input(bytes.data(), bytes.size());
    CMesh3d decoded;
    CStructureCoder decoder;
    if (!decoder.Decode(&decoded, &input, {}) || decoded.NbFace() != mesh.NbFace())
      state.SkipWithError("the stream did not decode");
    best = std::min(best, ProcessSeconds() - start);
  }
  SetCounters(state, mesh, bytes.size());
  state.counters["x Draco"] = best / Draco(index).decode;
}

void Meshes(benchmark::internal::Benchmark* b)
{
  b->ArgName("mesh");
  for (int i = 0; i < static_cast<int>(std::size(kMeshes)); i++)
    b->Arg(i);
  b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_StructureEncode)->Apply(Meshes);
BENCHMARK(BM_StructureDecode)->Apply(Meshes);
