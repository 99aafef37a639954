#include "compression/ConquestEdgeTable.h"

#include "mesh/Mesh3d.h"

void CConquestEdgeTable::Clear()
{
  m_pVertex.clear();
  m_First.clear();
  m_Other.clear();
  m_Conquered.clear();
  m_Remaining.clear();
}

void CConquestEdgeTable::Build(CMesh3d* pMesh)
{
  const int nbVertex = pMesh->NbVertex();
  m_pVertex.resize(static_cast<size_t>(nbVertex));
  // Backwards, so that a vertex listed twice keeps its first number.
  for (int i = nbVertex - 1; i >= 0; i--) {
    CVertex3d* v = pMesh->GetVertex(i);
    v->SetMark(i);
    m_pVertex[static_cast<size_t>(i)] = v;
  }
  // An edge (i, j) for every neighbour j > i that i lists: counted, then filed at both ends.
  const auto forEachEdge = [this, pMesh, nbVertex](auto fn) {
    for (int i = 0; i < nbVertex; i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      for (int k = 0; k < v->NbVertexNeighbor(); k++) {
        const int j = IndexOf(v->GetVertexNeighbor(k));
        if (j > i)
          fn(i, j);
      }
    }
  };
  m_Remaining.assign(static_cast<size_t>(nbVertex), 0);
  forEachEdge([this](int i, int j) {
    m_Remaining[static_cast<size_t>(i)]++;
    m_Remaining[static_cast<size_t>(j)]++;
  });
  m_First.resize(static_cast<size_t>(nbVertex) + 1);
  m_First[0] = 0;
  for (int i = 0; i < nbVertex; i++)
    m_First[static_cast<size_t>(i) + 1] = m_First[static_cast<size_t>(i)] + m_Remaining[static_cast<size_t>(i)];
  m_Other.resize(static_cast<size_t>(m_First.back()));
  m_Conquered.assign(m_Other.size(), 0);
  // m_Remaining counts the slots filed so far, and ends as the degrees again.
  std::fill(m_Remaining.begin(), m_Remaining.end(), 0);
  forEachEdge([this](int i, int j) {
    m_Other[static_cast<size_t>(m_First[static_cast<size_t>(i)] + m_Remaining[static_cast<size_t>(i)]++)] = j;
    m_Other[static_cast<size_t>(m_First[static_cast<size_t>(j)] + m_Remaining[static_cast<size_t>(j)]++)] = i;
  });
}

int CConquestEdgeTable::IsConquered(const CVertex3d* a, const CVertex3d* b) const
{
  const int s = FindSlot(IndexOf(a), IndexOf(b));
  return s >= 0 && m_Conquered[static_cast<size_t>(s)] ? 1 : 0;
}

int CConquestEdgeTable::Conquer(const CVertex3d* a, const CVertex3d* b)
{
  const int i = IndexOf(a);
  const int j = IndexOf(b);
  const int s = FindSlot(i, j);
  if (s < 0 || m_Conquered[static_cast<size_t>(s)])
    return 0;
  m_Conquered[static_cast<size_t>(s)] = 1;
  m_Conquered[static_cast<size_t>(FindSlot(j, i))] = 1;
  m_Remaining[static_cast<size_t>(i)]--;
  m_Remaining[static_cast<size_t>(j)]--;
  return 1;
}
