// The structure (edge-list) coder: faces encoded and decoded per second and bits per vertex on
// a torus (one merge) and a grid with holes (the ghost on many borders) of 10k, 100k and 1M
// faces, beside the edgebreaker encoder of Draco on the same meshes (its whole stream: the
// connectivity and 11-bit positions).
#include "compression/StructureCoder.h"
#include "compression/VertexTree.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/TopologyGenerators.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <draco/compression/encode.h>
#include <draco/mesh/triangle_soup_mesh_builder.h>

#include <chrono>
#include <memory>

namespace {

enum EShape : int { Torus, Holes };

// About `faces` faces of the shape.
topology::SSoup MakeSoup(int shape, int faces)
{
  if (shape == Torus) {
    const int n = static_cast<int>(std::sqrt(faces / 4.0));
    return topology::TorusGrid(n, 2 * n);
  }
  // A square hole in every 8 x 8 block: about side^2 / 64 borders, all on one ghost.
  const int side = static_cast<int>(std::sqrt(faces / 2.0));
  return topology::MaskedGrid(side, side, [](int x, int y) { return x % 8 == 1 && y % 8 == 1; });
}

std::unique_ptr<draco::Mesh> DracoMesh(const CMesh3d& mesh)
{
  draco::TriangleSoupMeshBuilder builder;
  builder.Start(mesh.NbFace());
  const int position =
    builder.AddAttribute(draco::GeometryAttribute::POSITION, 3, draco::DT_FLOAT32);
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    const auto corner = [f](int k) {
      return draco::Vector3f(f->v(k)->x(), f->v(k)->y(), f->v(k)->z());
    };
    builder.SetAttributeValuesForFace(position, draco::FaceIndex(i), corner(0).data(),
                                      corner(1).data(), corner(2).data());
  }
  return builder.Finalize();
}

// Seconds per edgebreaker encode of the mesh (best of three) and its stream size in bytes.
std::pair<double, std::size_t> DracoEncode(const draco::Mesh& mesh)
{
  draco::Encoder encoder;
  encoder.SetEncodingMethod(draco::MESH_EDGEBREAKER_ENCODING);
  encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, 11);
  double best = 1e300;
  std::size_t size = 0;
  for (int run = 0; run < 3; run++) {
    draco::EncoderBuffer buffer;
    const auto start = std::chrono::steady_clock::now();
    if (!encoder.EncodeMeshToBuffer(mesh, &buffer).ok())
      return {0.0, 0};
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    size = buffer.size();
  }
  return {best, size};
}

void SetCounters(benchmark::State& state, const CMesh3d& mesh, std::size_t bytes)
{
  state.counters["faces"] = mesh.NbFace();
  state.counters["faces/s"] =
    benchmark::Counter(mesh.NbFace(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/vertex"] = bytes * 8.0 / mesh.NbVertex();
}

int Encode(CMesh3d* pMesh, const std::string& fileName)
{
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  return coder.Encode(pMesh, fileName.c_str(), &tree, 0, {}, &result);
}

void BM_StructureEncodeVsDraco(benchmark::State& state)
{
  auto mesh = topology::Build(MakeSoup(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
  CTempFolder folder;
  const std::string file = folder.File("topology.bin");
  double best = 1e300;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!Encode(mesh.get(), file))
      state.SkipWithError("the structure coder refused the mesh");
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  const auto [draco, dracoBytes] = DracoEncode(*DracoMesh(*mesh));
  SetCounters(state, *mesh, ReadBytes(file).size());
  state.counters["Draco faces/s"] = draco > 0.0 ? mesh->NbFace() / draco : 0.0;
  state.counters["Draco bits/vertex"] = dracoBytes * 8.0 / mesh->NbVertex();
  // Above 1: ours encodes faster than Draco's whole encode.
  state.counters["speed vs Draco"] = draco / best;
}

void BM_StructureDecode(benchmark::State& state)
{
  auto mesh = topology::Build(MakeSoup(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
  CTempFolder folder;
  const std::string file = folder.File("topology.bin");
  if (!Encode(mesh.get(), file)) {
    state.SkipWithError("the structure coder refused the mesh");
    return;
  }
  for (auto _ : state) {
    CMesh3d decoded;
    CStructureCoder decoder;
    if (!decoder.Decode(&decoded, file.c_str(), {}) || decoded.NbFace() != mesh->NbFace())
      state.SkipWithError("the stream did not decode");
  }
  SetCounters(state, *mesh, ReadBytes(file).size());
}

} // namespace

BENCHMARK(BM_StructureEncodeVsDraco)
    ->ArgNames({"shape", "faces"})
    ->ArgsProduct({{Torus, Holes}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StructureDecode)
    ->ArgNames({"shape", "faces"})
    ->ArgsProduct({{Torus, Holes}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond);
