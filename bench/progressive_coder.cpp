// The progressive coder: encode and decode speed in faces per second and the stream's total
// bits per vertex at 10 and 12 bits, on closed and open meshes of 10k to 1M faces, beside a
// single-rate valence coder (Draco's valence edgebreaker with parallelogram prediction) at
// the same quantization. Ratios: faces/s of ours over Draco's in the same run.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <benchmark/benchmark.h>
#include <draco/compression/config/compression_shared.h>
#include <draco/compression/decode.h>
#include <draco/compression/expert_encode.h>
#include <draco/mesh/mesh.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace {

enum EShape : int { Torus, PlateWithHoles };

// About `faces` faces: a square torus grid, or a plate with a hole every ten cells.
std::unique_ptr<CMesh3d> MakeMesh(int shape, int faces)
{
  const int side = static_cast<int>(std::sqrt(faces / 2.0));
  if (shape == Torus)
    return progressive::Torus(side, side);
  return progressive::PlateWithHoles(side, side, 10);
}

std::unique_ptr<draco::Mesh> ToDraco(const CMesh3d& mesh)
{
  auto pDraco = std::make_unique<draco::Mesh>();
  pDraco->set_num_points(static_cast<draco::PointIndex::ValueType>(mesh.NbVertex()));
  draco::GeometryAttribute position;
  position.Init(draco::GeometryAttribute::POSITION, nullptr, 3, draco::DT_FLOAT32, false,
                sizeof(float) * 3, 0);
  const int id = pDraco->AddAttribute(position, true, mesh.NbVertex());
  draco::PointAttribute* pAttribute = pDraco->attribute(id);
  std::map<const CVertex3d*, int> index;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    const float p[3] = {v->x(), v->y(), v->z()};
    pAttribute->SetAttributeValue(draco::AttributeValueIndex(i), p);
    index[v] = i;
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    pDraco->AddFace({draco::PointIndex(index[f->v(0)]), draco::PointIndex(index[f->v(1)]),
                     draco::PointIndex(index[f->v(2)])});
  }
  return pDraco;
}

// The cached mesh of a shape and size: generating a million faces takes longer than a run.
const CMesh3d& CachedMesh(int shape, int faces)
{
  static std::map<std::pair<int, int>, std::unique_ptr<CMesh3d>> s_Meshes;
  auto& pMesh = s_Meshes[{shape, faces}];
  if (!pMesh)
    pMesh = MakeMesh(shape, faces);
  return *pMesh;
}

void SetCounters(benchmark::State& state, int nbVertex, int nbFace, double bytes)
{
  state.counters["vertices"] = nbVertex;
  state.counters["faces/s"] = benchmark::Counter(nbFace, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/vertex"] = bytes * 8.0 / nbVertex;
}

// Down to a hundredth of the vertices; the mesh is copied outside the timing.
void BM_ProgressiveEncode(benchmark::State& state)
{
  const CMesh3d& source = CachedMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int bits = static_cast<int>(state.range(2));
  conquest::CScratchFolder folder;
  for (auto _ : state) {
    state.PauseTiming();
    CMesh3d mesh;
    mesh.Copy(&source);
    mesh.Rebuild();
    state.ResumeTiming();
    CProgressiveCoder coder;
    if (!progressive::Encode(&coder, &mesh, source.NbVertex() / 100, bits, "m.vpm"))
      state.SkipWithError("encoding failed");
  }
  SetCounters(state, source.NbVertex(), source.NbFace(), ReadBytes("m.vpm").size());
}

void BM_ProgressiveDecode(benchmark::State& state)
{
  const CMesh3d& source = CachedMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int bits = static_cast<int>(state.range(2));
  conquest::CScratchFolder folder;
  {
    CMesh3d mesh;
    mesh.Copy(&source);
    mesh.Rebuild();
    CProgressiveCoder coder;
    if (!progressive::Encode(&coder, &mesh, source.NbVertex() / 100, bits, "m.vpm"))
      state.SkipWithError("encoding failed");
  }
  for (auto _ : state) {
    CMesh3d decoded;
    CProgressiveCoder coder;
    if (!progressive::Decode(&coder, &decoded, "m.vpm"))
      state.SkipWithError("decoding failed");
  }
  SetCounters(state, source.NbVertex(), source.NbFace(), ReadBytes("m.vpm").size());
}

draco::EncoderBuffer EncodeDraco(const draco::Mesh& mesh, int bits)
{
  draco::ExpertEncoder encoder(mesh);
  encoder.SetEncodingMethod(draco::MESH_EDGEBREAKER_ENCODING);
  encoder.SetEncodingSubmethod(draco::MESH_EDGEBREAKER_VALENCE_ENCODING);
  encoder.SetAttributeQuantization(0, bits);
  draco::EncoderBuffer buffer;
  encoder.EncodeToBuffer(&buffer);
  return buffer;
}

void BM_DracoValenceEncode(benchmark::State& state)
{
  const CMesh3d& source = CachedMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int bits = static_cast<int>(state.range(2));
  const std::unique_ptr<draco::Mesh> pMesh = ToDraco(source);
  size_t size = 0;
  for (auto _ : state)
    size = EncodeDraco(*pMesh, bits).size();
  if (size == 0)
    state.SkipWithError("encoding failed");
  SetCounters(state, source.NbVertex(), source.NbFace(), static_cast<double>(size));
}

void BM_DracoValenceDecode(benchmark::State& state)
{
  const CMesh3d& source = CachedMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int bits = static_cast<int>(state.range(2));
  const draco::EncoderBuffer encoded = EncodeDraco(*ToDraco(source), bits);
  for (auto _ : state) {
    draco::DecoderBuffer buffer;
    buffer.Init(encoded.data(), encoded.size());
    draco::Decoder decoder;
    auto result = decoder.DecodeMeshFromBuffer(&buffer);
    if (!result.ok())
      state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(result);
  }
  SetCounters(state, source.NbVertex(), source.NbFace(), static_cast<double>(encoded.size()));
}

void Sizes(benchmark::internal::Benchmark* b)
{
  b->ArgNames({"shape", "faces", "bits"});
  for (int shape : {Torus, PlateWithHoles})
    for (int faces : {10000, 100000, 1000000})
      for (int bits : {10, 12})
        b->Args({shape, faces, bits});
  b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_ProgressiveEncode)->Apply(Sizes);
BENCHMARK(BM_DracoValenceEncode)->Apply(Sizes);
BENCHMARK(BM_ProgressiveDecode)->Apply(Sizes);
BENCHMARK(BM_DracoValenceDecode)->Apply(Sizes);
