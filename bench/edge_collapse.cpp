// Collapses per second of the two edge-collapse simplifiers on height maps of growing size:
// the edge operations (shortest edge first, collapse at its midpoint) and the candidates of
// the L2 measure (cheapest pair of faces first, descent against a frozen copy). Both scan
// their arrays linearly, so the cost per collapse grows with the mesh.
#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/ArrayOperationEdge.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {
std::unique_ptr<CMesh3d> Peaks(int faces)
{
  const int n = static_cast<int>(std::sqrt(faces / 2.0)) + 1;
  auto mesh = std::make_unique<CMesh3d>();
  mesh->GeneratePeaks(n, n, -3.0f, 3.0f);
  mesh->Rebuild();
  return mesh;
}

// A tenth of the vertices goes in each run.
int Wanted(const CMesh3d& mesh) { return mesh.NbVertex() / 10; }

int CollapseOperations(CMesh3d* mesh, int wanted)
{
  CArrayOperationEdge array;
  array.Fill(mesh);
  array.UpdateAll();
  int done = 0;
  while (done < wanted) {
    std::unique_ptr<COperationEdge> o(array.ExtractMin());
    if (!o)
      break;
    CVertex3d* p = o->GetFirst();
    CVertex3d* q = o->GetSecond();
    const std::unique_ptr<CVertex3d> middle(Midpoint(p, q));
    if (!mesh->EdgeCollapse(p, q, middle.get(), nullptr, 1))
      continue;
    array.RemoveOperationsOnVertex(p);
    array.RemoveOperationsOnVertex(q);
    array.AddVertexEdges(p);
    array.UpdateAroundVertex(p);
    done++;
  }
  return done;
}

int CollapseCandidates(CMesh3d* mesh, CHashTable* hash, int wanted)
{
  CArrayEdgeCollapse array;
  array.Fill(mesh, 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  array.CalculateEnergy(hash);
  int done = 0;
  while (done < wanted) {
    CEdgeCollapse* c = array.GetMin();
    if (!c)
      break;
    CFace3d* f1 = c->GetFace(0);
    CFace3d* f2 = c->GetFace(1);
    CVertex3d* survivor = c->GetVertex1();
    CArray3d<CFace3d> faces;
    const int collapsed = mesh->CollapseEdgeCandidate(c, &faces, array.GetSharpThreshold());
    array.RemoveFaces(f1, f2);
    if (!collapsed)
      continue;
    for (int k = 0; k + 1 < faces.GetSize(); k += 2)
      if (faces[k] && faces[k + 1] && faces[k]->SharesEdge(faces[k + 1])) {
        auto* pNew = new CEdgeCollapse(faces[k], faces[k + 1]);
        array.Add(pNew);
        pNew->CalculateCost(hash, array.GetDescent());
      }
    mesh->DeleteFacesWithFlag(1);
    for (int i = 0; i < survivor->NbFaceNeighbor(); i++)
      array.SetComputedOnFace(survivor->GetFaceNeighbor(i), 1);
    int total = 0;
    array.Update(hash, &total);
    done++;
  }
  return done;
}

void BM_OperationEdgeCollapse(benchmark::State& state)
{
  int collapses = 0;
  int faces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = Peaks(static_cast<int>(state.range(0)));
    faces = mesh->NbFace();
    state.ResumeTiming();
    collapses += CollapseOperations(mesh.get(), Wanted(*mesh));
  }
  state.SetItemsProcessed(collapses);
  state.counters["faces"] = faces;
}

void BM_CandidateCollapse(benchmark::State& state)
{
  int collapses = 0;
  int faces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = Peaks(static_cast<int>(state.range(0)));
    auto reference = std::make_unique<CMesh3d>();
    reference->Copy(mesh.get());
    reference->Rebuild();
    CHashTable hash(20);
    hash.Fill(reference.get(), nullptr);
    faces = mesh->NbFace();
    state.ResumeTiming();
    collapses += CollapseCandidates(mesh.get(), &hash, Wanted(*mesh));
  }
  state.SetItemsProcessed(collapses);
  state.counters["faces"] = faces;
}
} // namespace

BENCHMARK(BM_OperationEdgeCollapse)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandidateCollapse)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMillisecond);
