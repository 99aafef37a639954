// One step of Loop, 1-to-4, sqrt(3) and smoothing on closed meshes of 20 thousand to 1.3
// million faces, beside OpenMesh's uniform subdividers (Loop, midpoint, sqrt(3)) and its
// Jacobi Laplace smoother in the same run. Throughput is faces of the input mesh per second;
// both sides include the normals of the result (adjacency is part of our step; OpenMesh
// keeps its half-edges up to date as it goes).
#include "mesh/Mesh3d.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/MidpointT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/Sqrt3T.hh>

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

using PeerMesh = OpenMesh::TriMesh_ArrayKernelT<>;

// The icosahedron refined `levels` times by 1-to-4 splits: 20 * 4^levels faces.
const CMesh3d& Input(int levels)
{
  static std::map<int, std::unique_ptr<CMesh3d>> cache;
  auto& mesh = cache[levels];
  if (mesh)
    return *mesh;
  mesh = std::make_unique<CMesh3d>();
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  const float p[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                          {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  const int f[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                        {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                        {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                        {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  for (const auto& q : p)
    mesh->AddVertex(mesh->NewVertex(q[0], q[1], q[2]));
  for (const auto& c : f)
    mesh->AddFace(mesh->NewFace(mesh->GetVertex(c[0]), mesh->GetVertex(c[1]), mesh->GetVertex(c[2])));
  mesh->Rebuild();
  for (int i = 0; i < levels; i++)
    mesh->Subdivision();
  // Off the sphere a little, so that smoothing has work to do.
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->Move(0.01f * std::sin(1.3f * i), 0.01f * std::cos(2.1f * i), 0.0f);
  return *mesh;
}

const PeerMesh& PeerInput(int levels)
{
  static std::map<int, PeerMesh> cache;
  auto it = cache.find(levels);
  if (it != cache.end())
    return it->second;
  const CMesh3d& mesh = Input(levels);
  PeerMesh& peer = cache[levels];
  // Handles by vertex pointer: a linear IndexFrom per corner made the setup quadratic.
  std::unordered_map<const CVertex3d*, PeerMesh::VertexHandle> handles;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    handles.emplace(v, peer.add_vertex(PeerMesh::Point(v->x(), v->y(), v->z())));
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* face = mesh.GetFace(i);
    peer.add_face(handles.at(face->v(0)), handles.at(face->v(1)), handles.at(face->v(2)));
  }
  return peer;
}

template <class Step>
void RunOurs(benchmark::State& state, Step step)
{
  const int levels = static_cast<int>(state.range(0));
  const CMesh3d& input = Input(levels);
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = std::make_unique<CMesh3d>();
    mesh->Copy(&input);
    mesh->Rebuild();
    state.ResumeTiming();
    step(*mesh);
    benchmark::DoNotOptimize(mesh->NbVertex());
    state.PauseTiming();
    mesh.reset();  // freeing is not part of the step
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * input.NbFace());
  state.counters["faces"] = input.NbFace();
}

template <class Step>
void RunPeer(benchmark::State& state, Step step)
{
  const int levels = static_cast<int>(state.range(0));
  const PeerMesh& input = PeerInput(levels);
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = std::make_unique<PeerMesh>(input);
    mesh->request_face_normals();
    mesh->request_vertex_normals();
    state.ResumeTiming();
    step(*mesh);
    mesh->update_normals();
    benchmark::DoNotOptimize(mesh->n_vertices());
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(input.n_faces()));
  state.counters["faces"] = static_cast<double>(input.n_faces());
}

template <template <class, class> class Subdivider>
void PeerSubdivide(PeerMesh& mesh)
{
  Subdivider<PeerMesh, double> subdivider;
  subdivider.attach(mesh);
  subdivider(1);
  subdivider.detach();
}

void BM_Loop(benchmark::State& state) { RunOurs(state, [](CMesh3d& m) { m.SubdivisionLoop(); }); }
void BM_OneToFour(benchmark::State& state) { RunOurs(state, [](CMesh3d& m) { m.Subdivision(); }); }
void BM_Sqrt3(benchmark::State& state)
{
  RunOurs(state, [](CMesh3d& m) { m.SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f); });
}
void BM_Smooth(benchmark::State& state) { RunOurs(state, [](CMesh3d& m) { m.Smooth(1); }); }

void BM_OpenMeshLoop(benchmark::State& state)
{
  RunPeer(state, PeerSubdivide<OpenMesh::Subdivider::Uniform::LoopT>);
}
void BM_OpenMeshOneToFour(benchmark::State& state)
{
  RunPeer(state, PeerSubdivide<OpenMesh::Subdivider::Uniform::MidpointT>);
}
void BM_OpenMeshSqrt3(benchmark::State& state)
{
  RunPeer(state, PeerSubdivide<OpenMesh::Subdivider::Uniform::Sqrt3T>);
}
void BM_OpenMeshSmooth(benchmark::State& state)
{
  RunPeer(state, [](PeerMesh& mesh) {
    mesh.update_normals();
    OpenMesh::Smoother::JacobiLaplaceSmootherT<PeerMesh> smoother(mesh);
    smoother.initialize(OpenMesh::Smoother::SmootherT<PeerMesh>::Tangential_and_Normal,
                        OpenMesh::Smoother::SmootherT<PeerMesh>::C0);
    smoother.smooth(1);
  });
}

// 20 480, 81 920, 327 680 and 1 310 720 faces.
#define SIZES DenseRange(5, 8, 1)->Unit(benchmark::kMillisecond)->UseRealTime()

BENCHMARK(BM_Loop)->SIZES;
BENCHMARK(BM_OpenMeshLoop)->SIZES;
BENCHMARK(BM_OneToFour)->SIZES;
BENCHMARK(BM_OpenMeshOneToFour)->SIZES;
BENCHMARK(BM_Sqrt3)->SIZES;
BENCHMARK(BM_OpenMeshSqrt3)->SIZES;
BENCHMARK(BM_Smooth)->SIZES;
BENCHMARK(BM_OpenMeshSmooth)->SIZES;

} // namespace
