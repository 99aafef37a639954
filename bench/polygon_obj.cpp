// OBJ reading of the polygon mesh on files of growing size: bytes of file per second, the
// building of the mesh included (the adjacency is not built by the reader).
#include "mesh/PolygonMesh3d.h"
#include "platform/core/Format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A side x side grid of quads, written once per size and form and removed at exit.
class CGridFile
{
public:
  CGridFile(int side, bool fullCorners)
  {
    m_Path = (fs::temp_directory_path() /
              ("orvane_bench_grid_" + std::to_string(getpid()) + "_" + std::to_string(side) +
               (fullCorners ? "_vtn" : "_v") + ".obj"))
               .string();
    std::FILE* file = std::fopen(m_Path.c_str(), "wb");
    if (!file)
      return;
    for (int j = 0; j <= side; j++)
      for (int i = 0; i <= side; i++)
        platform::PrintFile(file, "v %g %g %g\n", i * 0.01, j * 0.01, 0.001 * ((i * j) % 7));
    platform::PrintFile(file, "vn 0 0 1\nvt 0 0\n");
    for (int j = 0; j < side; j++)
      for (int i = 0; i < side; i++) {
        const int a = j * (side + 1) + i + 1;
        const int c[4] = {a, a + 1, a + side + 2, a + side + 1};
        if (fullCorners)
          platform::PrintFile(file, "f %d/1/1 %d/1/1 %d/1/1 %d/1/1\n", c[0], c[1], c[2], c[3]);
        else
          platform::PrintFile(file, "f %d %d %d %d\n", c[0], c[1], c[2], c[3]);
      }
    std::fclose(file);
    m_Size = static_cast<std::int64_t>(fs::file_size(m_Path));
  }
  ~CGridFile() { fs::remove(m_Path); }
  CGridFile(const CGridFile&) = delete;
  CGridFile& operator=(const CGridFile&) = delete;

  const std::string& GetPath() const { return m_Path; }
  std::int64_t GetSize() const { return m_Size; }

private:
  std::string m_Path;
  std::int64_t m_Size = 0;
};

void BM_ReadFileOBJ(benchmark::State& state)
{
  const int side = static_cast<int>(state.range(0));
  const CGridFile grid(side, state.range(1) != 0);
  if (grid.GetSize() == 0) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  for (auto _ : state) {
    CPolygonMesh3d mesh;
    if (!mesh.ReadFileOBJ(grid.GetPath().c_str())) {
      state.SkipWithError("the input file was refused");
      return;
    }
    benchmark::DoNotOptimize(mesh.NbPolygon());
    state.PauseTiming();
    mesh.Free();  // freeing is not part of the reading
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * grid.GetSize());
  state.counters["faces"] = static_cast<double>(side) * side;
  state.counters["MB"] = static_cast<double>(grid.GetSize()) / 1e6;
}

} // namespace

// Sides 32 to 1024: from a thousand to just over a million quads; plain and v/vt/vn corners.
BENCHMARK(BM_ReadFileOBJ)
  ->ArgsProduct({{32, 128, 512, 1024}, {0, 1}})
  ->ArgNames({"side", "vtn"})
  ->Unit(benchmark::kMillisecond);
