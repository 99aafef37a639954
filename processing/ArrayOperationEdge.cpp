#include "processing/ArrayOperationEdge.h"

#include "mesh/Mesh3d.h"

int CArrayOperationEdge::Fill(CMesh3d* pMesh)
{
  if (!pMesh)
    return 0;
  pMesh->SetVerticesFlag(0);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    for (int k = 0; k < v->NbVertexNeighbor(); k++) {
      CVertex3d* w = v->GetVertexNeighbor(k);
      if (w->GetFlag() != 0)
        continue;
      auto* pOperation = new COperationEdge(v, w);
      pOperation->SetPotential(m_PotentialKind);
      m_Array.Add(pOperation);
    }
    v->SetFlag(1);
  }
  return 1;
}

void CArrayOperationEdge::SetPotential(int kind)
{
  m_PotentialKind = kind;
  for (int i = 0; i < m_Array.GetSize(); i++)
    m_Array[i]->SetPotential(kind);
}

const char* CArrayOperationEdge::GetPotentialName(int kind)
{
  return kind == 1 ? "curveness" : "edge length";
}

void CArrayOperationEdge::UpdateAll()
{
  for (int i = 0; i < m_Array.GetSize(); i++)
    m_Array[i]->Update();
}

COperationEdge* CArrayOperationEdge::ExtractAt(int i)
{
  if (i < 0)
    return nullptr;
  COperationEdge* pOperation = m_Array[i];
  m_Array.RemoveAt(i);
  return pOperation;
}

COperationEdge* CArrayOperationEdge::ExtractMin()
{
  double best = 1.7e308;
  int found = -1;
  for (int i = 0; i < m_Array.GetSize(); i++)
    if (m_Array[i]->GetPotential() < best) {
      best = m_Array[i]->GetPotential();
      found = i;
    }
  // Every potential at or above the sentinel (or not a number): the first still goes.
  if (found < 0 && m_Array.GetSize() > 0)
    found = 0;
  return ExtractAt(found);
}

COperationEdge* CArrayOperationEdge::ExtractShortestUnderCurveness(double start, double step)
{
  int found = -1;
  double threshold = start;
  while (threshold <= 1.0 && found < 0) {
    double best = 1.7e308;
    for (int i = 0; i < m_Array.GetSize(); i++) {
      const COperationEdge* o = m_Array[i];
      if (o->GetCurveness() <= threshold && o->GetLength() < best) {
        best = o->GetLength();
        found = i;
      }
    }
    // A step that does not raise the threshold would never end the search.
    const double next = threshold + step;
    if (!(next > threshold))
      break;
    threshold = next;
  }
  return ExtractAt(found);
}

template <class Pred>
int CArrayOperationEdge::RemoveIf(Pred pred)
{
  int removed = 0;
  int i = 0;
  while (i < m_Array.GetSize()) {
    if (pred(m_Array[i])) {
      delete m_Array[i];
      m_Array.RemoveAt(i);
      removed++;
    } else {
      i++;
    }
  }
  return removed;
}

int CArrayOperationEdge::RemoveOperationsOnVertex(const CVertex3d* v)
{
  return RemoveIf([v](const COperationEdge* o) { return o->HasVertex(v); });
}

int CArrayOperationEdge::RemoveOperationsOnVertices(const CVertex3d* a, const CVertex3d* b)
{
  return RemoveIf([a, b](const COperationEdge* o) { return o->HasVertex(a) || o->HasVertex(b); });
}

int CArrayOperationEdge::AddVertexEdges(CVertex3d* v)
{
  for (int k = 0; k < v->NbVertexNeighbor(); k++) {
    auto* pOperation = new COperationEdge(v, v->GetVertexNeighbor(k));
    pOperation->SetPotential(m_PotentialKind);
    m_Array.Add(pOperation);
  }
  return 1;
}

int CArrayOperationEdge::UpdateAroundVertex(const CVertex3d* v)
{
  int updated = 0;
  for (int i = 0; i < m_Array.GetSize(); i++) {
    COperationEdge* o = m_Array[i];
    if (!o->IsValid())
      continue;
    if (o->HasVertex(v) || o->GetFirst()->IsNeighbor(v) || o->GetSecond()->IsNeighbor(v)) {
      o->Update();
      updated++;
    }
  }
  return updated;
}
