// The volume-based decimation (the priority-queue method with the dialog's defaults) beside the
// half-edge collapse, each to a tenth of the vertices, on bumpy spheres and tori of about 200,
// 2,500 and 10,000 vertices, in one run. The summary gives the volume-based time over the
// half-edge time per mesh, and the time exponent in the vertex count of each route. Times are
// the processor time of the process: the volume-based route runs on its worker thread.
// ORVANE_BENCH_VOLUMIC_VERTICES caps the sizes (default: all three).
#include "bench/ProcessTime.h"
#include "bench/BestTimeReporter.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "processing/HalfEdgeCollapse.h"
#include "processing/ThreadMeshApproxVolumic.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi2 = 6.283185307179586;

// A small bump, so that no two edge lengths tie.
double Bump(int i, int j)
{
  return 0.02 * std::sin(7.3 * i + 3.1 * j) * std::cos(1.7 * j);
}

// A torus of n by n samples: n^2 vertices, 2 n^2 faces.
std::unique_ptr<CMesh3d> Torus(int n)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const double u = kPi2 * i / n;
      const double v = kPi2 * j / n;
      const double tube = 0.7 + Bump(i, j);
      const double r = 2.0 + tube * std::cos(v);
      mesh->AddVertex(new CVertex3d(static_cast<float>(r * std::cos(u)),
                                    static_cast<float>(tube * std::sin(v)),
                                    static_cast<float>(r * std::sin(u))));
    }
  const auto at = [n, &mesh](int i, int j) { return mesh->GetVertex((j % n) * n + i % n); };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      mesh->AddFace(new CFace3d(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
    }
  mesh->Rebuild();
  return mesh;
}

// A sphere of n rings of n vertices between two poles: n^2 + 2 vertices.
std::unique_ptr<CMesh3d> Sphere(int n)
{
  auto mesh = std::make_unique<CMesh3d>();
  mesh->AddVertex(new CVertex3d(0.0f, 1.0f, 0.0f));
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const double theta = kPi2 / 2.0 * (j + 1) / (n + 1);
      const double phi = kPi2 * i / n;
      const double r = 1.0 + Bump(i, j);
      mesh->AddVertex(new CVertex3d(static_cast<float>(r * std::sin(theta) * std::cos(phi)),
                                    static_cast<float>(r * std::cos(theta)),
                                    static_cast<float>(r * std::sin(theta) * std::sin(phi))));
    }
  mesh->AddVertex(new CVertex3d(0.0f, -1.0f, 0.0f));
  CVertex3d* north = mesh->GetVertex(0);
  CVertex3d* south = mesh->GetVertex(n * n + 1);
  const auto at = [n, &mesh](int i, int j) { return mesh->GetVertex(1 + j * n + i % n); };
  for (int i = 0; i < n; i++) {
    mesh->AddFace(new CFace3d(north, at(i + 1, 0), at(i, 0)));
    mesh->AddFace(new CFace3d(south, at(i, n - 1), at(i + 1, n - 1)));
  }
  for (int j = 0; j + 1 < n; j++)
    for (int i = 0; i < n; i++) {
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j), at(i + 1, j + 1)));
      mesh->AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i, j + 1)));
    }
  mesh->Rebuild();
  return mesh;
}

void HalfEdge(CMesh3d& mesh, int wanted)
{
  CHalfEdgeCollapse collapse;
  collapse.Simplify(&mesh, wanted, 0, 1, nullptr);
}

// The priority-queue method of the decimation thread with the dialog's defaults and no
// intermediate file; the run edits the thread's own copy of the mesh.
void VolumeBased(CMesh3d& mesh, int wanted)
{
  CThreadMeshApproxVolumic thread;
  thread.SetParameters(&mesh, &mesh, wanted, 1, 0, 1e-5f, 0.5f, 400, 0, 40, 0.1f, 0.01f, 0.9f,
                       10, 0, 10, 0, 0, 0, 0, 0, nullptr, 1, 0, 10, 3, "");
  thread.Start();
  thread.Join();
  if (thread.GetModel()->NbVertex() != wanted)
    std::fprintf(stderr, "volume-based decimation stopped at %d vertices for %d\n",
                 thread.GetModel()->NbVertex(), wanted);
}

using Make = std::function<std::unique_ptr<CMesh3d>()>;
using Route = std::function<void(CMesh3d&, int)>;

// A fresh mesh per iteration, built and freed outside the timing.
void Register(const std::string& name, int vertices, int iterations, Make make, Route route)
{
  auto* b = benchmark::RegisterBenchmark(
    (name + "/" + std::to_string(vertices)).c_str(), [make, route](benchmark::State& state) {
      for (auto _ : state) {
        auto mesh = make();
        const int wanted = mesh->NbVertex() / 10;
        const double start = ProcessSeconds();
        route(*mesh, wanted);
        state.SetIterationTime(ProcessSeconds() - start);
      }
    });
  b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(iterations);
}

void RegisterRoutes()
{
  const char* cap = std::getenv("ORVANE_BENCH_VOLUMIC_VERTICES");
  const int largest = cap ? std::atoi(cap) : 1 << 30;
  // Grid sides for about 200, 2,500 and 10,000 vertices.
  for (const int n : {14, 50, 100}) {
    if (n * n > largest)
      continue;
    const std::pair<const char*, Make> shapes[] = {{"sphere", [n] { return Sphere(n); }},
                                                   {"torus", [n] { return Torus(n); }}};
    for (const auto& [shape, make] : shapes) {
      const int vertices = make()->NbVertex();
      Register(std::string("volumic/") + shape, vertices, 1, make, VolumeBased);
      Register(std::string("halfedge/") + shape, vertices, 5, make, HalfEdge);
    }
  }
}

void PrintSummary(const CBestTimeReporter& times)
{
  std::printf("\nTo 10%% of the vertices: volume-based (priority queue, dialog defaults) over "
              "half-edge collapse, best processor times of the process:\n");
  for (const char* shape : {"sphere", "torus"}) {
    const std::map<int, double>& ours = times.Best(std::string("volumic/") + shape);
    const std::map<int, double>& peer = times.Best(std::string("halfedge/") + shape);
    if (ours.empty() || peer.empty())
      continue;
    std::printf("  %-7s exponents %.2f / %.2f  ratio", shape,
                times.Exponent(std::string("volumic/") + shape),
                times.Exponent(std::string("halfedge/") + shape));
    for (const auto& [vertices, ms] : ours) {
      const auto other = peer.find(vertices);
      if (other != peer.end())
        std::printf("  %d: %.1f (%.1f / %.2f ms)", vertices, ms / other->second, ms, other->second);
    }
    std::printf("\n");
  }
}

} // namespace

int main(int argc, char** argv)
{
  RegisterRoutes();
  benchmark::Initialize(&argc, argv);
  CBestTimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
