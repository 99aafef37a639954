// The conquest and triangle gate coders beside an established compression library's
// edgebreaker and valence encoders, on closed torus grids of 10k, 100k and 1M faces: faces per
// second of each, in one run, and the ratio of ours to the library's whole encode
// (connectivity and 11-bit positions). Our coders code into memory here, as the library does.
#include "bench/ProcessTime.h"
#include "bench/DracoMesh.h"
#include "coding/OBitStream.h"
#include "compression/ConquestCoder.h"
#include "compression/TriangleGateCoder.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ConquestTopology.h"

#include <benchmark/benchmark.h>
#include <draco/compression/config/compression_shared.h>
#include <draco/compression/decode.h>
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <ctime>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

// Torus grids of about 10^k faces: 2 n m faces with m = n / 2.
std::unique_ptr<CMesh3d> MakeMesh(int faces)
{
  int n = 4;
  while (n * n < faces)
    n++;
  return conquesttopology::TorusGrid(n, n / 2);
}

struct SDracoRun
{
  double Seconds = 0.0;
  std::size_t Bytes = 0;
};

// The library's encode of the mesh, best of a few runs.
SDracoRun DracoEncode(const draco::Mesh& mesh, int submethod)
{
  SDracoRun best{1e30, 0};
  for (int run = 0; run < 3; run++) {
    draco::Encoder encoder;
    encoder.SetEncodingMethod(draco::MESH_EDGEBREAKER_ENCODING);
    encoder.options().SetGlobalInt("encoding_submethod", submethod);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, 11);
    draco::EncoderBuffer buffer;
    const double start = ProcessSeconds();
    if (!encoder.EncodeMeshToBuffer(mesh, &buffer).ok())
      return {};
    const double seconds = ProcessSeconds() - start;
    if (seconds < best.Seconds)
      best = {seconds, buffer.size()};
  }
  return best;
}

// The library's figures on each mesh, measured once per mesh size in the run.
const SDracoRun& Draco(int faces, int submethod)
{
  static std::map<std::pair<int, int>, SDracoRun> runs;
  const auto key = std::make_pair(faces, submethod);
  if (!runs.count(key)) {
    auto mesh = MakeMesh(faces);
    runs[key] = DracoEncode(*ToDraco(*mesh), submethod);
  }
  return runs[key];
}

void SetCounters(benchmark::State& state, const CMesh3d& mesh, double bits)
{
  const int faces = static_cast<int>(state.range(0));
  state.counters["faces/s"] = benchmark::Counter(mesh.NbFace(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/vertex"] = bits / mesh.NbVertex();
  const SDracoRun& standard = Draco(faces, draco::MESH_EDGEBREAKER_STANDARD_ENCODING);
  const SDracoRun& valence = Draco(faces, draco::MESH_EDGEBREAKER_VALENCE_ENCODING);
  state.counters["peer edgebreaker faces/s"] = mesh.NbFace() / standard.Seconds;
  state.counters["peer valence faces/s"] = mesh.NbFace() / valence.Seconds;
  state.counters["peer valence bits/vertex"] = 8.0 * valence.Bytes / mesh.NbVertex();
}

// Our encode time over the peer's: set after the loop from the mean iteration time.
void SetRatio(benchmark::State& state, double seconds)
{
  const SDracoRun& valence = Draco(static_cast<int>(state.range(0)), draco::MESH_EDGEBREAKER_VALENCE_ENCODING);
  state.counters["speed/peer valence"] = valence.Seconds / seconds;
}

// The conquest without its text dumps: connectivity codes range coded into memory.
double ConquestInMemory(CMesh3d* pMesh)
{
  // The conquest checks the mesh's fans first, as the command's does.
  CConquestCoder coder;
  coder.Init(pMesh, nullptr, 0);
  if (!coder.Conquer(0))
    return -1.0;
  const auto& codes = coder.GetCodes();
  COBitStream stream;
  CConquestCoder::EncodeRange(codes, &stream);
  if (coder.GetGhostVertex())
    coder.RemoveGhostVertex();
  return coder.GetCodedVertexCount() == pMesh->NbVertex() ? stream.GetTotalBits() : -1.0;
}

void BM_Conquest(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)));
  double bits = 0.0;
  const double start = ProcessSeconds();
  for (auto _ : state)
    bits = ConquestInMemory(mesh.get());
  const double seconds = ProcessSeconds() - start;
  if (bits < 0)
    state.SkipWithError("the conquest left vertices");
  SetCounters(state, *mesh, bits);
  SetRatio(state, seconds / static_cast<double>(state.iterations()));
}

void BM_TriangleGate(benchmark::State& state)
{
  auto mesh = MakeMesh(static_cast<int>(state.range(0)));
  conquest::CScratchFolder folder;
  float bitsPerVertex = 0.0f;
  const double start = ProcessSeconds();
  for (auto _ : state) {
    CTriangleGateCoder coder;
    coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0);
    bitsPerVertex = coder.GetBitsPerVertex();
  }
  const double seconds = ProcessSeconds() - start;
  SetCounters(state, *mesh, static_cast<double>(bitsPerVertex) * mesh->NbVertex());
  SetRatio(state, seconds / static_cast<double>(state.iterations()));
}

} // namespace

BENCHMARK(BM_Conquest)->ArgName("faces")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangleGate)->ArgName("faces")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
