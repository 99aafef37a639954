// Every simplification route beside CGAL's edge collapse and OpenMesh's quadric decimater in
// one run, each to a tenth of the mesh, on bumpy tori of 5, 20 and 80 thousand faces: the
// half-edge collapse, the edge operations (shortest first, and under a curveness threshold),
// the progressive mesh, the face collapse. The summary at the end gives our time
// over the peer's and the time exponents; ORVANE_BENCH_MAX_FACES caps the sizes. The
// volume-based decimation has a bench of its own (volume_decimation.cpp).
#include "mesh/Mesh3d.h"
#include "bench/BestTimeReporter.h"
#include "bench/EdgeOperationsRoute.h"
#include "processing/FaceCollapse.h"
#include "processing/HalfEdgeCollapse.h"

#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/Surface_mesh_simplification/Policies/Edge_collapse/Count_ratio_stop_predicate.h>
#include <CGAL/Surface_mesh_simplification/edge_collapse.h>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kernel = CGAL::Simple_cartesian<double>;
using CgalMesh = CGAL::Surface_mesh<Kernel::Point_3>;
using OmMesh = OpenMesh::TriMesh_ArrayKernelT<>;

// A torus of n by n samples, off its surface a little so that no two costs tie: 2 n^2 faces.
// The bump scales with the sample spacing, so that every size is as rough relative to its edges
// as the 50 by 50 one and the routes do the same work at every size (a fixed bump makes the finer
// tori rough enough for the sharpness vetoes to stop some routes early).
struct STorus
{
  std::vector<std::array<float, 3>> points;
  std::vector<std::array<int, 3>> triangles;
};

const STorus& Torus(int faces)
{
  static std::map<int, STorus> cache;
  STorus& t = cache[faces];
  if (!t.points.empty())
    return t;
  const int n = static_cast<int>(std::lround(std::sqrt(faces / 2.0)));
  const double pi2 = 6.283185307179586;
  const double amplitude = 0.02 * (50.0 / n);
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const double u = pi2 * i / n;
      const double v = pi2 * j / n;
      const double bump = amplitude * std::sin(7.3 * i + 3.1 * j) * std::cos(1.7 * j);
      const double r = 2.0 + (0.7 + bump) * std::cos(v);
      t.points.push_back({static_cast<float>(r * std::cos(u)),
                          static_cast<float>((0.7 + bump) * std::sin(v)),
                          static_cast<float>(r * std::sin(u))});
    }
  const auto at = [n](int i, int j) { return (j % n) * n + i % n; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      t.triangles.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
      t.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    }
  return t;
}

std::unique_ptr<CMesh3d> Ours(const STorus& t)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (const auto& p : t.points)
    mesh->AddVertex(new CVertex3d(p[0], p[1], p[2]));
  for (const auto& f : t.triangles)
    mesh->AddFace(new CFace3d(mesh->GetVertex(f[0]), mesh->GetVertex(f[1]), mesh->GetVertex(f[2])));
  mesh->Rebuild();
  return mesh;
}

std::unique_ptr<OmMesh> OpenMeshOf(const STorus& t)
{
  auto mesh = std::make_unique<OmMesh>();
  std::vector<OmMesh::VertexHandle> handles;
  for (const auto& p : t.points)
    handles.push_back(mesh->add_vertex(OmMesh::Point(p[0], p[1], p[2])));
  for (const auto& f : t.triangles)
    mesh->add_face(handles[f[0]], handles[f[1]], handles[f[2]]);
  return mesh;
}

std::unique_ptr<CgalMesh> Cgal(const STorus& t)
{
  auto mesh = std::make_unique<CgalMesh>();
  std::vector<CgalMesh::Vertex_index> handles;
  for (const auto& p : t.points)
    handles.push_back(mesh->add_vertex(Kernel::Point_3(p[0], p[1], p[2])));
  for (const auto& f : t.triangles)
    mesh->add_face(handles[f[0]], handles[f[1]], handles[f[2]]);
  return mesh;
}

// Builds a fresh input outside the timing, times the run, frees outside the timing.
template <class Make, class Run>
void Timed(benchmark::State& state, Make make, Run run)
{
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = make();
    state.ResumeTiming();
    run(*mesh);
    benchmark::ClobberMemory();
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
}

int EnvOr(const char* name, int fallback)
{
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : fallback;
}

void Register(const std::string& name, int faces, int iterations, int repetitions,
              std::function<void(benchmark::State&)> run)
{
  auto* b = benchmark::RegisterBenchmark((name + "/" + std::to_string(faces)).c_str(),
                                         [run](benchmark::State& state) { run(state); });
  b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(iterations);
  b->Repetitions(repetitions);
}

void HalfEdge(CMesh3d& mesh, int wanted)
{
  CHalfEdgeCollapse collapse;
  collapse.Simplify(&mesh, wanted, 0, 1, nullptr);
}

// The machine is shared: the best of five runs keeps a passing load out of the ratios.
constexpr int kRepetitions = 5;

void RegisterRoutes()
{
  const int cap = EnvOr("ORVANE_BENCH_MAX_FACES", 1 << 30);
  for (const int faces : {5000, 20000, 80000}) {
    if (faces > cap)
      continue;
    const STorus* t = &Torus(faces);
    const int wanted = static_cast<int>(t->points.size()) / 10;
    const int runs = faces >= 80000 ? 1 : faces >= 20000 ? 2 : 5;
    const auto ours = [t] { return Ours(*t); };
    Register("halfedge/ours", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, ours, [wanted](CMesh3d& m) { HalfEdge(m, wanted); });
    });
    Register("edgeoperations/ours", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, ours, [wanted](CMesh3d& m) { EdgeOperations(m, wanted); });
    });
    Register("edgecombination/ours", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, ours, [wanted](CMesh3d& m) { EdgeOperations(m, wanted, true); });
    });
    Register("progressive/ours", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, ours, [wanted](CMesh3d& m) {
        m.ProgressiveMesh(wanted, 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f, 20,
                          nullptr, 0, 1);
      });
    });
    Register("facecollapse/ours", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, ours, [](CMesh3d& m) {
        CFaceCollapse collapse;
        collapse.Simplify(&m, m.NbFace() / 10, 0, 1, nullptr);
      });
    });
    Register("quadric/openmesh", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, [t] { return OpenMeshOf(*t); }, [wanted](OmMesh& m) {
        OpenMesh::Decimater::DecimaterT<OmMesh> decimater(m);
        OpenMesh::Decimater::ModQuadricT<OmMesh>::Handle quadric;
        decimater.add(quadric);
        decimater.initialize();
        decimater.decimate_to(static_cast<size_t>(wanted));
        m.garbage_collection();
      });
    });
    Register("edgecollapse/cgal", faces, runs, kRepetitions, [=](benchmark::State& s) {
      Timed(s, [t] { return Cgal(*t); }, [](CgalMesh& m) {
        CGAL::Surface_mesh_simplification::Count_ratio_stop_predicate<CgalMesh> stop(0.1);
        CGAL::Surface_mesh_simplification::edge_collapse(m, stop);
      });
    });
  }
}

void PrintSummary(const CBestTimeReporter& times)
{
  std::printf("\nSimplification to 10%%, our processor time over CGAL's edge collapse (best "
              "of 5), and the time exponent in the face count:\n");
  for (const char* route : {"halfedge/ours", "edgeoperations/ours", "edgecombination/ours",
                            "progressive/ours", "facecollapse/ours", "quadric/openmesh",
                            "edgecollapse/cgal"})
    times.PrintRatios(route, "edgecollapse/cgal");
}

} // namespace

int main(int argc, char** argv)
{
  RegisterRoutes();
  benchmark::Initialize(&argc, argv);
  CBestTimeReporter reporter(CBestTimeReporter::EClock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
