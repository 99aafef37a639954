#include "processing/ArrayEdgeCollapse.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"

#include <set>
#include <utility>

namespace {
using FacePair = std::pair<const CFace3d*, const CFace3d*>;

FacePair Unordered(const CFace3d* a, const CFace3d* b)
{
  return a < b ? FacePair{a, b} : FacePair{b, a};
}
} // namespace

int CArrayEdgeCollapse::Fill(CMesh3d* pMesh, double step, double epsilon, double weight,
                             int maxIterations, float factorKept, float factorRaised,
                             float minStep, float maxStep, float sharpThreshold)
{
  m_Descent = CEdgeCollapse::SDescent{step,         epsilon, weight,  maxIterations,
                                      factorKept,   factorRaised, minStep, maxStep};
  m_SharpThreshold = sharpThreshold;
  if (!pMesh)
    return 0;
  // The pairs already entered, in either order, so that the test stays linear in the mesh.
  std::set<FacePair> entered;
  for (int i = 0; i < m_Array.GetSize(); i++)
    entered.insert(Unordered(m_Array[i]->GetFace(0), m_Array[i]->GetFace(1)));
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (f->NbFaceNeighbor() != 3)
      continue;
    for (int k = 0; k < 3; k++) {
      CFace3d* g = f->f(k);
      if (!g || g->NbFaceNeighbor() != 3 || !entered.insert(Unordered(f, g)).second)
        continue;
      m_Array.Add(new CEdgeCollapse(f, g));
      added++;
    }
  }
  return added;
}

int CArrayEdgeCollapse::FillAllPairs(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    for (int k = 0; k < 3; k++)
      if (f->f(k)) {
        m_Array.Add(new CEdgeCollapse(f, f->f(k)));
        added++;
      }
  }
  return added;
}

int CArrayEdgeCollapse::FillIndependant(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  int added = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (f->GetFlag() == 1)
      continue;
    for (int k = 0; k < 3; k++) {
      CFace3d* g = f->f(k);
      if (!g || g->GetFlag() == 1)
        continue;
      auto* pCandidate = new CEdgeCollapse(f, g);
      m_Array.Add(pCandidate);
      added++;
      if (pCandidate->GetVertex1())
        pCandidate->GetVertex1()->SetFlagFaceNeighbors(1);
      if (pCandidate->GetVertex2())
        pCandidate->GetVertex2()->SetFlagFaceNeighbors(1);
    }
  }
  return added;
}

void CArrayEdgeCollapse::CalculateEnergy(CHashTable* pHash)
{
  for (int i = 0; i < m_Array.GetSize(); i++)
    m_Array[i]->CalculateCost(pHash, m_Descent);
}

void CArrayEdgeCollapse::CalculateEnergyL1(CMesh3d* /*pMesh*/, CMesh3d* pReference,
                                           CHashTable* pHash, int useHash, float epsilon,
                                           int maxIterations, int samplesPerFace,
                                           float initialStep, float decreaseFactor,
                                           float minStep, float sharpThreshold,
                                           int facesPerSearch)
{
  for (int i = 0; i < m_Array.GetSize(); i++) {
    CEdgeCollapse* c = m_Array[i];
    if (c->IsValid() && !c->GetMark())
      c->CalculateCostL1(pReference, pHash, useHash, epsilon, maxIterations, samplesPerFace,
                         initialStep, decreaseFactor, minStep, sharpThreshold, facesPerSearch);
  }
}

int CArrayEdgeCollapse::Update(CHashTable* pHash, int* pTotal)
{
  int recomputed = 0;
  int total = 0;
  for (int i = 0; i < m_Array.GetSize(); i++) {
    CEdgeCollapse* c = m_Array[i];
    if (!c->GetMark())
      continue;
    c->SetMark(0);
    if (c->FindVerticesToCollapse() && c->BuildArrayNeighbor()) {
      total += c->CalculateCost(pHash, m_Descent);
      c->SetValid(1);
      recomputed++;
    } else {
      c->SetValid(0);
    }
  }
  if (pTotal)
    *pTotal = total;
  return recomputed;
}

CEdgeCollapse* CArrayEdgeCollapse::GetMin() const
{
  double best = 3.4e38;
  CEdgeCollapse* pBest = nullptr;
  for (int i = 0; i < m_Array.GetSize(); i++) {
    CEdgeCollapse* c = m_Array[i];
    if (c->IsValid() && c->GetCost() < best) {
      best = c->GetCost();
      pBest = c;
    }
  }
  return pBest;
}

int CArrayEdgeCollapse::RemoveFaces(const CFace3d* pFace1, const CFace3d* pFace2)
{
  int i = 0;
  while (i < m_Array.GetSize()) {
    CEdgeCollapse* c = m_Array[i];
    if ((pFace1 && c->HasFace(pFace1)) || (pFace2 && c->HasFace(pFace2))) {
      delete c;  // frees its face copies
      m_Array.RemoveAt(i);
    } else {
      i++;
    }
  }
  return m_Array.GetSize();
}

int CArrayEdgeCollapse::SetComputedOnFace(const CFace3d* pFace, int mark)
{
  int n = 0;
  for (int i = 0; i < m_Array.GetSize(); i++)
    if (pFace && m_Array[i]->HasFace(pFace)) {
      m_Array[i]->SetMark(mark);
      n++;
    }
  return n;
}

void CArrayEdgeCollapse::FreeArrayNeighbor()
{
  for (int i = 0; i < m_Array.GetSize(); i++)
    m_Array[i]->FreeArrayNeighbor();
}
