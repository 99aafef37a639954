#pragma once

#include "mesh/Vertex3d.h"

#include <cstdint>
#include <vector>

class CMesh3d;

// The edges of a mesh as the conquest keeps them: each vertex numbered in its scratch mark,
// its edges as one run of slots (the other end and a conquered flag) in arrays shared by all
// vertices, and its remaining degree, the count of its edges not conquered yet. Built in one
// pass over the neighbour lists, so that a conquest allocates nothing per element and leaves
// the mesh's own edges alone. An edge joins a vertex to a later neighbour in the mesh's
// array that it lists, as CMesh3d::AddEdges builds them.
class CConquestEdgeTable
{
public:
  // Numbers the vertices (overwriting their marks) and builds their edges, all free.
  void Build(CMesh3d* pMesh);
  void Clear();

  int GetNbVertex() const { return static_cast<int>(m_Remaining.size()); }
  // The vertex's number; -1 for a vertex that the table does not hold.
  int IndexOf(const CVertex3d* v) const
  {
    const int i = v->GetMark();
    return i >= 0 && static_cast<size_t>(i) < m_pVertex.size() && m_pVertex[static_cast<size_t>(i)] == v ? i : -1;
  }
  int GetRemaining(int i) const { return m_Remaining[static_cast<size_t>(i)]; }
  // 0 for a vertex that the table does not hold.
  int GetRemaining(const CVertex3d* v) const
  {
    const int i = IndexOf(v);
    return i < 0 ? 0 : GetRemaining(i);
  }
  int HasEdge(const CVertex3d* a, const CVertex3d* b) const { return FindSlot(IndexOf(a), IndexOf(b)) >= 0 ? 1 : 0; }
  // 1 when the edge is there and conquered.
  int IsConquered(const CVertex3d* a, const CVertex3d* b) const;
  // Marks the edge conquered, one remaining degree less at either end; 0 when there is no
  // such edge or it was conquered already.
  int Conquer(const CVertex3d* a, const CVertex3d* b);

private:
  // a's slot that leads to b; -1 when there is none (or either is -1).
  int FindSlot(int a, int b) const
  {
    if (a < 0 || b < 0)
      return -1;
    const int last = m_First[static_cast<size_t>(a) + 1];
    for (int s = m_First[static_cast<size_t>(a)]; s < last; s++)
      if (m_Other[static_cast<size_t>(s)] == b)
        return s;
    return -1;
  }

  std::vector<const CVertex3d*> m_pVertex;
  std::vector<int> m_First;
  std::vector<int> m_Other;
  std::vector<std::uint8_t> m_Conquered;
  std::vector<int> m_Remaining;
};
