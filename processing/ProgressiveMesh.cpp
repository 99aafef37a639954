#include "mesh/Face3d.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"
#include "processing/ArrayEdgeCollapse.h"

#include <memory>

namespace {

// A new candidate for two faces that have just become neighbours, costed at once.
void AddCandidate(CArrayEdgeCollapse* pArray, CFace3d* f, CFace3d* g, CHashTable* pHash)
{
  if (!f || !g || !f->SharesEdge(g))
    return;
  auto* pCandidate = new CEdgeCollapse(f, g);
  pArray->Add(pCandidate);
  if (pCandidate->IsValid())
    pCandidate->CalculateCost(pHash, pArray->GetDescent());
}

} // namespace

int CMesh3d::ProgressiveMesh(int finalVertices, double step, double epsilon, double weight,
                             int maxIterations, float factorKept, float factorRaised,
                             float minStep, float maxStep, float sharpThreshold, int hashSize,
                             CRenderView* pWindow, int update, int period)
{
  if (NbVertex() < 6 || NbFace() < 3 || finalVertices >= NbVertex())
    return 0;
  if (period < 1)
    period = 1;
  // Flag 1 marks the faces a collapse removes; a caller's flags must not delete faces.
  SetFacesFlag(0);

  // The reference keeps the starting shape while this mesh thins out.
  CMesh3d reference;
  reference.Copy(this);
  reference.BuildAdjacency();
  reference.ComputeFaceNormals();
  auto pHash = std::make_unique<CHashTable>(hashSize > 0 ? hashSize : 1);
  pHash->Fill(&reference, pWindow);

  CArrayEdgeCollapse candidates;
  candidates.Fill(this, step, epsilon, weight, maxIterations, factorKept, factorRaised, minStep,
                  maxStep, sharpThreshold);
  candidates.CalculateEnergy(pHash.get());

  int collapses = 0;
  CArray3d<CFace3d> faces;
  BeginDeferredDeletion();
  while (NbLiveVertex() > finalVertices) {
    CEdgeCollapse* pMin = candidates.GetMin();
    if (!pMin)
      break;
    CFace3d* fa = pMin->GetFace(0);
    CFace3d* fb = pMin->GetFace(1);
    faces.RemoveAll();
    const int done = CollapseEdgeCandidate(pMin, &faces, sharpThreshold);
    // The candidate survives only through its vertex; pMin is deleted from here on.
    CVertex3d* pSurvivor = pMin->GetVertex1();
    candidates.RemoveFaces(fa, fb);
    if (!done)
      continue;
    if (faces.GetSize() >= 2)
      AddCandidate(&candidates, faces[0], faces[1], pHash.get());
    if (faces.GetSize() >= 4)
      AddCandidate(&candidates, faces[2], faces[3], pHash.get());
    // The collapse flagged its two faces, the only ones of flag 1.
    DeleteFace(fa);
    DeleteFace(fb);
    for (int i = 0; i < pSurvivor->NbFaceNeighbor(); i++) {
      CFace3d* f = pSurvivor->GetFaceNeighbor(i);
      f->CalculateNormal();
      candidates.SetComputedOnFace(f, 1);
    }
    candidates.Update(pHash.get(), nullptr);
    if (pWindow && update && collapses % period == 0) {
      FlushDeferredDeletion();
      SetModified(1);
      platform::RedrawView(pWindow);
    }
    collapses++;
  }
  EndDeferredDeletion();
  return 1;
}
