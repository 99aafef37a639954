// Half-edge collapse, face collapse and the one-step multiple face collapse on closed
// spheres of growing size. Each run simplifies a
// fresh copy to a quarter of its faces (the multiple collapse does one coarse step);
// throughput is faces removed per second.
#include "mesh/Mesh3d.h"
#include "processing/FaceCollapse.h"
#include "processing/HalfEdgeCollapse.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

// The box refined `levels` times by 1-to-4 splits and pushed onto the unit sphere:
// 12 * 4^levels faces, slightly off the sphere so that no two costs tie.
const CMesh3d& Input(int levels)
{
  static std::map<int, std::unique_ptr<CMesh3d>> cache;
  auto& mesh = cache[levels];
  if (mesh)
    return *mesh;
  mesh = std::make_unique<CMesh3d>();
  mesh->GenerateBox(1.0f, 1.0f, 1.0f);
  mesh->Rebuild();
  for (int i = 0; i < levels; i++)
    mesh->Subdivision();
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    const float r = std::sqrt(v->x() * v->x() + v->y() * v->y() + v->z() * v->z());
    const float s = (1.0f + 0.01f * std::sin(1.3f * i)) / r;
    v->Set(v->x() * s, v->y() * s, v->z() * s);
  }
  mesh->Rebuild();
  return *mesh;
}

template <class Run>
void Simplify(benchmark::State& state, Run run)
{
  const CMesh3d& input = Input(static_cast<int>(state.range(0)));
  int64_t removed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = std::make_unique<CMesh3d>();
    mesh->Copy(&input);
    mesh->Rebuild();
    state.ResumeTiming();
    run(mesh.get(), input);
    removed += input.NbFace() - mesh->NbFace();
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(removed);
  state.counters["faces"] = input.NbFace();
}

void BM_HalfEdgeCollapse(benchmark::State& state)
{
  Simplify(state, [](CMesh3d* mesh, const CMesh3d& input) {
    CHalfEdgeCollapse collapse;
    collapse.Simplify(mesh, input.NbVertex() / 4, 0, 1, nullptr);
  });
}

void BM_FaceCollapse(benchmark::State& state)
{
  Simplify(state, [](CMesh3d* mesh, const CMesh3d& input) {
    CFaceCollapse collapse;
    collapse.Simplify(mesh, input.NbFace() / 4, 0, 1, nullptr);
  });
}

void BM_MultipleFaceCollapse(benchmark::State& state)
{
  Simplify(state, [](CMesh3d* mesh, const CMesh3d&) {
    CFaceCollapse collapse;
    collapse.FlagFacesForMultipleCollapse(mesh, 0, 0, nullptr, 0, nullptr, -1);
  });
}

// The greedy simplifiers scan every candidate per collapse: 768 to 12 288 faces.
BENCHMARK(BM_HalfEdgeCollapse)->DenseRange(3, 5, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FaceCollapse)->DenseRange(3, 5, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
// One linear coarse step: 12 288 to 786 432 faces.
BENCHMARK(BM_MultipleFaceCollapse)->DenseRange(5, 8, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
