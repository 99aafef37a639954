// The three gate coders on meshes of growing size: bits per vertex of the stream, and faces
// per second of the encoder and of the decoder. Streams go to a scratch folder. With
// ORVANE_BENCH_MESHES naming a folder of .obj scans, the triangle encoder runs on each beside
// Draco's whole encode (valence edgebreaker, 11-bit positions) of the same mesh, run once in
// each of its iterations, and reports the ratio of the best times.
#include "bench/DracoRun.h"
#include "bench/ProcessTime.h"
#include "bench/ScanMeshes.h"
#include "compression/PolygonGateCoder.h"
#include "compression/PolygonGateDecoder.h"
#include "compression/QuadGateCoder.h"
#include "compression/QuadGateDecoder.h"
#include "compression/TriangleGateCoder.h"
#include "compression/TriangleGateDecoder.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "tests/mesh/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The coders write "packed.bin" into the current folder: the run moves to a scratch one.
const std::string& Scratch()
{
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / "orvane_bench_gate_coders";
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
    return path.string();
  }();
  return folder;
}

// The box refined by Catmull-Clark: 6 * 4^levels quads.
void BuildQuads(CQuadMesh3d& mesh, int levels)
{
  mesh.GenerateBox();
  for (int i = 0; i < levels; i++)
    mesh.SubdivisionCatmullClark();
}

void Report(benchmark::State& state, int64_t faces, int nbFace, float bitsPerVertex)
{
  state.SetItemsProcessed(faces);
  state.counters["faces"] = nbFace;
  state.counters["bpv"] = bitsPerVertex;
  state.counters["faces/s"] = benchmark::Counter(static_cast<double>(faces),
                                                 benchmark::Counter::kIsRate);
}

void BM_TriangleEncode(benchmark::State& state)
{
  Scratch();
  auto mesh = fixtures::Icosphere(static_cast<int>(state.range(0)));
  CTriangleGateCoder coder;
  int64_t faces = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(coder.Encode(mesh.get(), "triangle.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0));
    faces += mesh->NbFace();
  }
  Report(state, faces, mesh->NbFace(), coder.GetBitsPerVertex());
}

void BM_TriangleDecode(benchmark::State& state)
{
  Scratch();
  auto mesh = fixtures::Icosphere(static_cast<int>(state.range(0)));
  CTriangleGateCoder coder;
  coder.Encode(mesh.get(), "triangle.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0);
  int64_t faces = 0;
  for (auto _ : state) {
    CMesh3d decoded;
    CTriangleGateDecoder decoder;
    benchmark::DoNotOptimize(decoder.Decode(&decoded, "triangle.bin", 0, nullptr, 1, 0, 0));
    faces += decoded.NbFace();
    state.PauseTiming();
    decoded.Free();
    state.ResumeTiming();
  }
  Report(state, faces, mesh->NbFace(), coder.GetBitsPerVertex());
}

void BM_QuadEncode(benchmark::State& state)
{
  Scratch();
  CQuadMesh3d mesh;
  BuildQuads(mesh, static_cast<int>(state.range(0)));
  CQuadGateCoder coder;
  int64_t faces = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(coder.Encode(&mesh, "quad.bin", 0, 0, nullptr, 1, 0, 0, 0));
    faces += mesh.NbQuad();
  }
  Report(state, faces, mesh.NbQuad(), coder.GetBitsPerVertex());
}

void BM_QuadDecode(benchmark::State& state)
{
  Scratch();
  CQuadMesh3d mesh;
  BuildQuads(mesh, static_cast<int>(state.range(0)));
  CQuadGateCoder coder;
  coder.Encode(&mesh, "quad.bin", 0, 0, nullptr, 1, 0, 0, 0);
  int64_t faces = 0;
  for (auto _ : state) {
    CQuadMesh3d decoded;
    CQuadGateDecoder decoder;
    benchmark::DoNotOptimize(decoder.Decode(&decoded, "quad.bin", 0, nullptr, 1, 0));
    faces += decoded.NbQuad();
    state.PauseTiming();
    decoded.Free();
    state.ResumeTiming();
  }
  Report(state, faces, mesh.NbQuad(), coder.GetBitsPerVertex());
}

// Quads of the refined box, every third one cut into two triangles.
void BuildPolygons(CPolygonMesh3d& mesh, int levels)
{
  CQuadMesh3d quads;
  BuildQuads(quads, levels);
  mesh.FromQuadMesh(&quads);
  const int n = mesh.NbPolygon();
  for (int i = 0; i < n; i += 3) {
    CPolygon3d* p = mesh.GetPolygon(i);
    auto* half = new CPolygon3d(p->GetVertex(0), p->GetVertex(2), p->GetVertex(3));
    mesh.GetArrayPolygon()->SetAt(i, new CPolygon3d(p->GetVertex(0), p->GetVertex(1), p->GetVertex(2)));
    delete p;
    mesh.AddPolygon(half);
  }
  mesh.Rebuild();
}

void BM_PolygonEncode(benchmark::State& state)
{
  Scratch();
  CPolygonMesh3d mesh;
  BuildPolygons(mesh, static_cast<int>(state.range(0)));
  CPolygonGateCoder coder;
  int64_t faces = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
      coder.Encode(&mesh, "polygon.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr));
    faces += mesh.NbPolygon();
  }
  Report(state, faces, mesh.NbPolygon(), coder.GetBitsPerVertex());
}

void BM_PolygonDecode(benchmark::State& state)
{
  Scratch();
  CPolygonMesh3d mesh;
  BuildPolygons(mesh, static_cast<int>(state.range(0)));
  CPolygonGateCoder coder;
  coder.Encode(&mesh, "polygon.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr);
  int64_t faces = 0;
  for (auto _ : state) {
    CPolygonMesh3d decoded;
    CPolygonGateDecoder decoder;
    benchmark::DoNotOptimize(decoder.Decode(&decoded, "polygon.bin", 0, nullptr, 1, 0));
    faces += decoded.NbPolygon();
    state.PauseTiming();
    decoded.Free();
    state.ResumeTiming();
  }
  Report(state, faces, mesh.NbPolygon(), coder.GetBitsPerVertex());
}

// The triangle encoder on a fresh copy of the scan per iteration (the run marks the mesh),
// both files written into the scratch folder, Draco's encode timed once in each iteration;
// the best time over Draco's.
void TriangleScan(benchmark::State& state, const std::string& path)
{
  Scratch();
  const CDracoRun draco(*ReadScan(path), 11, WallSeconds);
  double best = 1e30;
  double bestDraco = 1e30;
  int nbFace = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = ReadScan(path);
    nbFace = mesh->NbFace();
    state.ResumeTiming();
    const double start = WallSeconds();
    CTriangleGateCoder coder;
    if (!coder.Encode(mesh.get(), "scan.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0)) {
      state.SkipWithError("the coder refused the mesh");
      return;
    }
    best = std::min(best, WallSeconds() - start);
    state.PauseTiming();
    mesh.reset();
    bestDraco = std::min(bestDraco, draco.TimeEncode());
    state.ResumeTiming();
  }
  state.counters["faces"] = nbFace;
  state.counters["best ms"] = best * 1e3;
  state.counters["time/Draco"] = draco.Encoded() ? best / bestDraco : 0.0;
}

int RegisterScans()
{
  int n = 0;
  for (const auto& scan : ScanMeshes()) {
    const std::string path = scan.string();
    benchmark::RegisterBenchmark(("TriangleScan/" + scan.stem().string()).c_str(),
                                 [path](benchmark::State& s) { TriangleScan(s, path); })
      ->Unit(benchmark::kMillisecond);
    n++;
  }
  return n;
}

const int g_NbScan = RegisterScans();

} // namespace

BENCHMARK(BM_TriangleEncode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangleDecode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuadEncode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuadDecode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonEncode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonDecode)->DenseRange(2, 6, 2)->Unit(benchmark::kMillisecond);
