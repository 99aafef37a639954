// VRML 2.0 writing and reading in megabytes per second, on grids of growing size up to a mesh of
// over a million faces.
#include "mesh/Mesh3d.h"
#include "scene/ParserVrml.h"
#include "scene/SceneGraph3d.h"
#include "tests/mesh/QueryFixtures.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A scene of one bumpy grid of 2 n^2 faces, with the path of its VRML file.
class CGridScene
{
public:
  explicit CGridScene(int n)
    : m_Path(fs::temp_directory_path() /
             ("orvane_bench_vrml_" + std::to_string(::getpid()) + "_" + std::to_string(n) + ".wrl"))
  {
    auto mesh = queries::Grid(n, 1.0f);
    for (int i = 0; i < mesh->NbVertex(); i++) {
      CVertex3d* v = mesh->GetVertex(i);
      v->SetZ(0.2f * std::sin(6.0f * v->x()) * std::cos(5.0f * v->y()));
    }
    m_Scene.Add(mesh.release());
  }
  ~CGridScene() { fs::remove(m_Path); }
  CGridScene(const CGridScene&) = delete;
  CGridScene& operator=(const CGridScene&) = delete;

  CSceneGraph3d& Scene() { return m_Scene; }
  std::string Path() const { return m_Path.string(); }

private:
  fs::path m_Path;
  CSceneGraph3d m_Scene;
};

void SetFigures(benchmark::State& state, const std::string& path, int n)
{
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["faces"] = 2.0 * n * n;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void WriteVrml(benchmark::State& state)
{
  const int n = static_cast<int>(state.range(0));
  CGridScene grid(n);
  for (auto _ : state)
    benchmark::DoNotOptimize(grid.Scene().SaveFileVrml(grid.Path().c_str()));
  SetFigures(state, grid.Path(), n);
}

void ReadVrml(benchmark::State& state)
{
  const int n = static_cast<int>(state.range(0));
  CGridScene grid(n);
  grid.Scene().SaveFileVrml(grid.Path().c_str());
  for (auto _ : state) {
    CSceneGraph3d scene;
    CParserVrml parser;
    benchmark::DoNotOptimize(parser.Run(grid.Path().c_str(), &scene));
  }
  SetFigures(state, grid.Path(), n);
}

// Sides 32, 128, 362 and 724: about 2 thousand, 33 thousand, 262 thousand and 1.05 million faces.
BENCHMARK(WriteVrml)->Arg(32)->Arg(128)->Arg(362)->Arg(724)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadVrml)->Arg(32)->Arg(128)->Arg(362)->Arg(724)->Unit(benchmark::kMillisecond);

} // namespace
