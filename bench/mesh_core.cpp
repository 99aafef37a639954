// The mesh core beside OpenMesh and CGAL in one run, on bumpy tori of growing size:
// - building a mesh with its adjacency from a face list, and one Loop, sqrt(3) and
//   Catmull-Clark step (5 thousand to 1.3 million faces);
// - the resident memory per vertex of a mesh with its adjacency at every size and its peak
//   while it is built, read from the kernel in a child process of its own;
// - with ORVANE_BENCH_HUGE_FACES set (say 10000000), the peak resident memory of a mesh of that
//   many faces that is built, gets its adjacency and takes one Loop step.
// The summary at the end gives the ratios: our time over the library's, our bytes per vertex.
// ORVANE_BENCH_MAX_FACES caps the sizes (for a quick run).
#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "bench/BestTimeReporter.h"

#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/subdivision_method_3.h>
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/CatmullClarkT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/Sqrt3T.hh>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// --- inputs --------------------------------------------------------------------------------------

using Kernel = CGAL::Simple_cartesian<double>;
using CgalMesh = CGAL::Surface_mesh<Kernel::Point_3>;
using TriMesh = OpenMesh::TriMesh_ArrayKernelT<>;
using PolyMesh = OpenMesh::PolyMesh_ArrayKernelT<>;

// A torus of n by m samples, off its surface a little so that no two costs tie: n * m quads,
// or twice as many triangles.
struct SGrid
{
  std::vector<std::array<float, 3>> points;
  std::vector<std::array<int, 3>> triangles;
  std::vector<std::array<int, 4>> quads;
};

SGrid TorusGrid(int n, int m)
{
  SGrid grid;
  const double pi2 = 6.283185307179586;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const double u = pi2 * i / n;
      const double v = pi2 * j / m;
      const double bump = 0.02 * std::sin(7.3 * i + 3.1 * j) * std::cos(1.7 * j);
      const double r = 2.0 + (0.7 + bump) * std::cos(v);
      grid.points.push_back({static_cast<float>(r * std::cos(u)),
                             static_cast<float>((0.7 + bump) * std::sin(v)),
                             static_cast<float>(r * std::sin(u))});
    }
  auto at = [n, m](int i, int j) { return (j % m) * n + i % n; };
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      grid.quads.push_back({a, d, c, b});
      grid.triangles.push_back({a, d, c});
      grid.triangles.push_back({a, c, b});
    }
  return grid;
}

// The triangle torus with about `faces` faces.
const SGrid& Triangles(int faces)
{
  static std::map<int, SGrid> cache;
  auto it = cache.find(faces);
  if (it == cache.end()) {
    const int n = static_cast<int>(std::lround(std::sqrt(faces / 2.0)));
    it = cache.emplace(faces, TorusGrid(n, n)).first;
  }
  return it->second;
}

// The quad torus with about `faces` quads.
const SGrid& Quads(int faces)
{
  static std::map<int, SGrid> cache;
  auto it = cache.find(faces);
  if (it == cache.end()) {
    const int n = static_cast<int>(std::lround(std::sqrt(static_cast<double>(faces))));
    it = cache.emplace(faces, TorusGrid(n, n)).first;
  }
  return it->second;
}

// The mesh of the face list with its adjacency, no normals.
std::unique_ptr<CMesh3d> OursWithAdjacency(const SGrid& grid)
{
  // Arrays sized first, as the file readers do.
  auto mesh = std::make_unique<CMesh3d>();
  CArray3d<CVertex3d>* vertices = mesh->GetArrayVertex();
  vertices->SetSize(static_cast<int>(grid.points.size()));
  for (int i = 0; i < vertices->GetSize(); i++) {
    const auto& p = grid.points[static_cast<size_t>(i)];
    vertices->SetAt(i, mesh->NewVertex(p[0], p[1], p[2]));
  }
  CArray3d<CFace3d>* faces = mesh->GetArrayFace();
  faces->SetSize(static_cast<int>(grid.triangles.size()));
  for (int i = 0; i < faces->GetSize(); i++) {
    const auto& t = grid.triangles[static_cast<size_t>(i)];
    faces->SetAt(i, mesh->NewFace(mesh->GetVertex(t[0]), mesh->GetVertex(t[1]), mesh->GetVertex(t[2])));
  }
  mesh->BuildAdjacency();
  return mesh;
}

std::unique_ptr<CMesh3d> Ours(const SGrid& grid)
{
  auto mesh = OursWithAdjacency(grid);
  mesh->ComputeFaceNormals();
  mesh->ComputeVertexNormals();
  return mesh;
}

std::unique_ptr<CQuadMesh3d> OurQuads(const SGrid& grid)
{
  auto mesh = std::make_unique<CQuadMesh3d>();
  for (const auto& p : grid.points)
    mesh->AddVertex(new CQuadVertex3d(p[0], p[1], p[2]));
  for (const auto& q : grid.quads)
    mesh->AddQuad(new CQuad3d(mesh->GetVertex(q[0]), mesh->GetVertex(q[1]),
                              mesh->GetVertex(q[2]), mesh->GetVertex(q[3])));
  mesh->BuildAdjacencyAndNormals();
  return mesh;
}

template <class Mesh, class Faces>
std::unique_ptr<Mesh> OpenMeshOf(const SGrid& grid, const Faces& faces)
{
  auto mesh = std::make_unique<Mesh>();
  std::vector<typename Mesh::VertexHandle> handles;
  for (const auto& p : grid.points)
    handles.push_back(mesh->add_vertex(typename Mesh::Point(p[0], p[1], p[2])));
  std::vector<typename Mesh::VertexHandle> corners;
  for (const auto& f : faces) {
    corners.clear();
    for (int i : f)
      corners.push_back(handles[i]);
    mesh->add_face(corners);
  }
  return mesh;
}

template <class Faces>
std::unique_ptr<CgalMesh> CgalOf(const SGrid& grid, const Faces& faces)
{
  auto mesh = std::make_unique<CgalMesh>();
  std::vector<CgalMesh::Vertex_index> handles;
  for (const auto& p : grid.points)
    handles.push_back(mesh->add_vertex(Kernel::Point_3(p[0], p[1], p[2])));
  std::vector<CgalMesh::Vertex_index> corners;
  for (const auto& f : faces) {
    corners.clear();
    for (int i : f)
      corners.push_back(handles[i]);
    mesh->add_face(corners);
  }
  return mesh;
}

// --- runs ------------------------------------------------------------------------------------------

// Builds a fresh input outside the timing, times the step, frees outside the timing.
template <class Make, class Step>
void Timed(benchmark::State& state, Make make, Step step)
{
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = make();
    state.ResumeTiming();
    step(*mesh);
    benchmark::ClobberMemory();
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
}

int MaxFaces()
{
  const char* cap = std::getenv("ORVANE_BENCH_MAX_FACES");
  return cap ? std::atoi(cap) : 1 << 30;
}

void Register(const std::string& name, int faces, std::function<void(benchmark::State&)> run)
{
  if (faces > MaxFaces())
    return;
  auto* b = benchmark::RegisterBenchmark((name + "/" + std::to_string(faces)).c_str(),
                                         [run](benchmark::State& state) { run(state); });
  b->Unit(benchmark::kMillisecond)->UseRealTime();
  // Few runs of the big meshes: each takes seconds.
  b->Iterations(faces >= 300000 ? 1 : faces >= 100000 ? 2 : faces >= 20000 ? 4 : 10);
  b->Repetitions(3);
}

// One step of an OpenMesh subdivider, then the normals, as ours.
template <template <class, class> class Subdivider, class Mesh>
void OpenMeshStep(Mesh& mesh)
{
  Subdivider<Mesh, double> subdivider;
  subdivider.attach(mesh);
  subdivider(1);
  subdivider.detach();
  mesh.update_normals();
}

// Times building a mesh (with its adjacency) from the face list; freeing it is not timed.
template <class Build>
void TimedBuild(benchmark::State& state, Build build)
{
  for (auto _ : state) {
    auto mesh = build();
    benchmark::ClobberMemory();
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
}

const int kSizes[] = {5000, 20000, 80000, 327680, 1310720};

void RegisterBuild()
{
  for (const int faces : kSizes) {
    const SGrid* tri = &Triangles(faces);
    Register("build/ours", faces,
             [tri](benchmark::State& s) { TimedBuild(s, [tri] { return OursWithAdjacency(*tri); }); });
    Register("build/openmesh", faces, [tri](benchmark::State& s) {
      TimedBuild(s, [tri] { return OpenMeshOf<TriMesh>(*tri, tri->triangles); });
    });
    Register("build/cgal", faces, [tri](benchmark::State& s) {
      TimedBuild(s, [tri] { return CgalOf(*tri, tri->triangles); });
    });
  }
}

void RegisterSubdivision()
{
  for (const int faces : kSizes) {
    const SGrid* tri = &Triangles(faces);
    const SGrid* quad = &Quads(faces);
    Register("loop/ours", faces, [tri](benchmark::State& s) {
      Timed(s, [tri] { return Ours(*tri); }, [](CMesh3d& m) { m.SubdivisionLoop(); });
    });
    Register("sqrt3/ours", faces, [tri](benchmark::State& s) {
      Timed(s, [tri] { return Ours(*tri); },
            [](CMesh3d& m) { m.SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f); });
    });
    Register("catmullclark/ours", faces, [quad](benchmark::State& s) {
      Timed(s, [quad] { return OurQuads(*quad); },
            [](CQuadMesh3d& m) { m.SubdivisionCatmullClark(); });
    });
    // OpenMesh keeps its half-edges as it splits; normals as ours.
    auto openTri = [tri] {
      auto m = OpenMeshOf<TriMesh>(*tri, tri->triangles);
      m->request_face_normals();
      m->request_vertex_normals();
      return m;
    };
    Register("loop/openmesh", faces, [openTri](benchmark::State& s) {
      Timed(s, openTri, OpenMeshStep<OpenMesh::Subdivider::Uniform::LoopT, TriMesh>);
    });
    Register("sqrt3/openmesh", faces, [openTri](benchmark::State& s) {
      Timed(s, openTri, OpenMeshStep<OpenMesh::Subdivider::Uniform::Sqrt3T, TriMesh>);
    });
    Register("catmullclark/openmesh", faces, [quad](benchmark::State& s) {
      Timed(s,
            [quad] {
              auto m = OpenMeshOf<PolyMesh>(*quad, quad->quads);
              m->request_face_normals();
              m->request_vertex_normals();
              return m;
            },
            OpenMeshStep<OpenMesh::Subdivider::Uniform::CatmullClarkT, PolyMesh>);
    });
    // CGAL's steps keep no normals.
    namespace sub = CGAL::Subdivision_method_3;
    Register("loop/cgal", faces, [tri](benchmark::State& s) {
      Timed(s, [tri] { return CgalOf(*tri, tri->triangles); },
            [](CgalMesh& m) { sub::Loop_subdivision(m, CGAL::parameters::number_of_iterations(1)); });
    });
    Register("sqrt3/cgal", faces, [tri](benchmark::State& s) {
      Timed(s, [tri] { return CgalOf(*tri, tri->triangles); },
            [](CgalMesh& m) { sub::Sqrt3_subdivision(m, CGAL::parameters::number_of_iterations(1)); });
    });
    Register("catmullclark/cgal", faces, [quad](benchmark::State& s) {
      Timed(s, [quad] { return CgalOf(*quad, quad->quads); }, [](CgalMesh& m) {
        sub::CatmullClark_subdivision(m, CGAL::parameters::number_of_iterations(1));
      });
    });
  }
}

// --- memory ----------------------------------------------------------------------------------

// Resident bytes of this process, as the kernel counts them.
long long ResidentBytes()
{
  long long pages = 0;
  long long resident = 0;
  std::ifstream statm("/proc/self/statm");
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// The high-water mark of the resident bytes since the last ResetPeak.
long long PeakBytes()
{
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}

void ResetPeak()
{
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct SResident
{
  double held = 0.0;       // bytes after the build, over the base
  double peak = 0.0;       // high-water mark during the build, over the base
  double seconds = 0.0;
};

// Runs fn in a child process, so that no library finds memory that an earlier one freed:
// the child gives back what the allocator keeps, then reads its resident bytes before and after.
template <class Fn>
SResident InChild(Fn fn)
{
  int fds[2];
  if (pipe(fds) != 0)
    return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    malloc_trim(0);
    const long long base = ResidentBytes();
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    auto kept = fn();
    SResident r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.held = static_cast<double>(ResidentBytes() - base);
    r.peak = static_cast<double>(PeakBytes() - base);
    benchmark::DoNotOptimize(kept.get());
    const ssize_t written = write(fds[1], &r, sizeof r);
    _exit(written == sizeof r ? 0 : 1);
  }
  close(fds[1]);
  SResident r;
  if (read(fds[0], &r, sizeof r) != sizeof r)
    r = SResident{};
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return r;
}

void PrintResident(const char* name, const SResident& r, int vertices, const char* note)
{
  std::printf("  %-10s %7.1f / %7.1f   %s\n", name, r.held / vertices, r.peak / vertices, note);
}

void ReportMemoryAt(int faces)
{
  const SGrid& grid = Triangles(faces);
  const int n = static_cast<int>(grid.points.size());
  std::printf("\nResident bytes per vertex, %zu faces, %d vertices, with adjacency "
              "(held / peak while built):\n",
              grid.triangles.size(), n);
  const SResident ours = InChild([&] { return Ours(grid); });
  PrintResident("ours", ours, n, "(with face and vertex normals)");
  const SResident open = InChild([&] {
    auto m = OpenMeshOf<TriMesh>(grid, grid.triangles);
    m->request_face_normals();
    m->request_vertex_normals();
    m->update_normals();
    return m;
  });
  PrintResident("openmesh", open, n, "(with face and vertex normals, as ours)");
  const SResident cgal = InChild([&] { return CgalOf(grid, grid.triangles); });
  PrintResident("cgal", cgal, n, "(no normals)");
  std::printf("  ratios: ours / openmesh %.2f, ours / cgal %.2f\n", ours.held / open.held,
              ours.held / cgal.held);
}

// Small meshes fit in the pages the allocator already holds: their figures are coarse.
void ReportMemory()
{
  for (const int faces : kSizes)
    if (faces <= MaxFaces())
      ReportMemoryAt(faces);
}

// A mesh of ORVANE_BENCH_HUGE_FACES faces built from its face list, with its adjacency and
// normals, then one Loop step: the peak resident memory of the whole run.
void ReportHuge()
{
  const char* value = std::getenv("ORVANE_BENCH_HUGE_FACES");
  if (!value)
    return;
  const int faces = std::atoi(value);
  const SResident r = InChild([faces] {
    const int side = static_cast<int>(std::lround(std::sqrt(faces / 2.0)));
    std::unique_ptr<CMesh3d> mesh;
    {
      const SGrid grid = TorusGrid(side, side);
      mesh = Ours(grid);
    }
    mesh->SubdivisionLoop();
    return mesh;
  });
  std::printf("\n%d faces built with adjacency, then one Loop step: peak resident %.0f MiB, "
              "held after %.0f MiB, %.1f s\n",
              faces, r.peak / 1048576.0, r.held / 1048576.0, r.seconds);
}

// --- summary -----------------------------------------------------------------------------------

void PrintSummary(const CBestTimeReporter& times)
{
  std::printf("\nBuild with adjacency and subdivision, our time over the library's (best of 3):\n");
  for (const char* scheme : {"build", "loop", "sqrt3", "catmullclark"})
    for (const char* peer : {"openmesh", "cgal"})
      times.PrintRatios(std::string(scheme) + "/ours", std::string(scheme) + "/" + peer);
}

} // namespace

int main(int argc, char** argv)
{
  RegisterBuild();
  RegisterSubdivision();
  benchmark::Initialize(&argc, argv);
  CBestTimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  ReportMemory();
  ReportHuge();
  benchmark::Shutdown();
  return 0;
}
