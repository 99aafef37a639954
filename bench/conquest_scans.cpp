// The conquest, triangle gate and structure coders beside Draco's valence edgebreaker (11-bit
// positions) on scanned meshes, in one process: each coder's time over Draco's whole encode
// (or decode) of the same mesh, best of the runs, Draco run once in each of the coder's
// iterations. The meshes are the .obj files of the folder named by ORVANE_BENCH_MESHES (none
// without it), and each of them with every triangle split in four ("x4"): the sizes at which
// the coders' tables outgrow the cache. The conquest codes into memory; the gate and structure
// coders write their file into a scratch folder, as their commands do. The heap is kept warm
// for both sides (see WarmHeap.h).
#include "bench/DracoRun.h"
#include "bench/ProcessTime.h"
#include "bench/ScanMeshes.h"
#include "bench/WarmHeap.h"
#include "coding/OBitStream.h"
#include "compression/ConquestCoder.h"
#include "compression/StructureCoder.h"
#include "compression/TriangleGateCoder.h"
#include "compression/VertexTree.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Runs `code` once per iteration on a fresh copy of the scan (the coders mark the mesh), or for
// a decode on an empty mesh, and reports the best time over Draco's. Draco encodes (or decodes)
// the same mesh once in every iteration too: on a shared machine a slower spell then slows
// both sides, where a figure of Draco's measured once, before, would skew every ratio. The
// mesh is made and freed outside the timing, as Draco's decoded mesh is.
void Measure(benchmark::State& state, const std::string& path, bool decode,
             const std::function<bool(CMesh3d*)>& code)
{
  const CDracoRun draco(*ReadScan(path), 11, WallSeconds);
  if (!draco.Encoded()) {
    state.SkipWithError("Draco could not encode the mesh");
    return;
  }
  double best = 1e30;
  double bestDraco = 1e30;
  int nbFace = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = decode ? std::make_unique<CMesh3d>() : ReadScan(path);
    const int nbFaceIn = mesh->NbFace();
    state.ResumeTiming();
    const double start = WallSeconds();
    if (!code(mesh.get())) {
      state.SkipWithError("the coder refused the mesh");
      return;
    }
    best = std::min(best, WallSeconds() - start);
    state.PauseTiming();
    // The faces coded, or decoded (an encode may add the ghost's).
    nbFace = decode ? mesh->NbFace() : nbFaceIn;
    mesh.reset();
    bestDraco = std::min(bestDraco, decode ? draco.TimeDecode() : draco.TimeEncode());
    state.ResumeTiming();
  }
  state.counters["faces"] = nbFace;
  state.counters["best ms"] = best * 1e3;
  state.counters["Draco ms"] = bestDraco * 1e3;
  state.counters["time/Draco"] = best / bestDraco;
}

// The conquest as the command runs it, from its check of the mesh's fans to the coded stream,
// in memory, and the ghost taken away again (the command's default).
bool Conquest(CMesh3d* pMesh)
{
  CConquestCoder coder;
  coder.Init(pMesh, nullptr, 0);
  if (!coder.Conquer(0))
    return false;
  const auto& codes = coder.GetCodes();
  COBitStream stream;
  CConquestCoder::EncodeRange(codes, &stream);
  benchmark::DoNotOptimize(stream.GetBytes().data());
  coder.RemoveGhostVertex();
  return !coder.IsFailed();
}

bool TriangleGate(CMesh3d* pMesh, const std::string& fileName)
{
  CTriangleGateCoder coder;
  return coder.Encode(pMesh, fileName.c_str(), 0, 0, 1, 0, nullptr, 1, 0, 0, 0) == 1;
}

// The structure coder as the command runs it: conquest, stream, one file.
bool StructureEncode(CMesh3d* pMesh, const std::string& fileName)
{
  CStructureCoder coder;
  CVertexTree tree;
  CStructureCoder::SResult result;
  return coder.Encode(pMesh, fileName.c_str(), &tree, 0, {}, &result) == 1;
}

// The scan with every triangle split in four at its edges' midpoints (the mesh's own
// subdivision), written as .obj into the folder.
std::filesystem::path SplitInFour(const std::filesystem::path& scan, const std::filesystem::path& folder)
{
  const auto mesh = ReadScan(scan.string());
  mesh->Subdivision();
  const auto path = folder / (scan.stem().string() + "x4.obj");
  std::ofstream out(path);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    v->SetMark(i);
    out << "v " << v->x() << ' ' << v->y() << ' ' << v->z() << '\n';
  }
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    out << "f " << f->v(0)->GetMark() + 1 << ' ' << f->v(1)->GetMark() + 1 << ' ' << f->v(2)->GetMark() + 1 << '\n';
  }
  return path;
}

int RegisterScans()
{
  KeepHeapWarm();
  static CTempFolder s_Split;
  std::vector<std::filesystem::path> scans;
  for (const auto& scan : ScanMeshes()) {
    scans.push_back(scan);
    scans.push_back(SplitInFour(scan, s_Split.Path()));
  }
  int n = 0;
  for (const auto& scan : scans) {
    const std::string path = std::filesystem::absolute(scan).string();
    const std::string name = scan.stem().string();
    benchmark::RegisterBenchmark(("Conquest/" + name).c_str(), [path](benchmark::State& s) {
      Measure(s, path, false, Conquest);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("TriangleGate/" + name).c_str(), [path](benchmark::State& s) {
      // The coder also writes "packed.bin" into the current folder.
      CTempFolder scratch;
      const CCurrentFolder here(scratch.Path());
      const std::string file = scratch.File("mesh.bin");
      Measure(s, path, false, [&file](CMesh3d* pMesh) { return TriangleGate(pMesh, file); });
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("StructureEncode/" + name).c_str(), [path](benchmark::State& s) {
      CTempFolder scratch;
      const std::string file = scratch.File("topology.bin");
      Measure(s, path, false, [&file](CMesh3d* pMesh) { return StructureEncode(pMesh, file); });
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("StructureDecode/" + name).c_str(), [path](benchmark::State& s) {
      CTempFolder scratch;
      const std::string file = scratch.File("topology.bin");
      if (!StructureEncode(ReadScan(path).get(), file)) {
        s.SkipWithError("the structure coder refused the mesh");
        return;
      }
      Measure(s, path, true, [&file](CMesh3d* pDecoded) {
        CStructureCoder decoder;
        return decoder.Decode(pDecoded, file.c_str(), {}) == 1;
      });
    })->Unit(benchmark::kMillisecond);
    n++;
  }
  return n;
}

const int g_NbScan = RegisterScans();

} // namespace
