#pragma once

#include "mesh/Array3d.h"
#include "processing/HalfEdge.h"

// What half-edge collapse keeps in a vertex's data slot for a run: the half-edges that touch
// the vertex (not owned) and the error that the collapses into the vertex have accumulated.
class CHalfEdgeBag
{
public:
  CHalfEdgeBag() = default;
  // The bag of the vertex at that index of its mesh when the run began.
  explicit CHalfEdgeBag(int index) : m_Index(index) {}

  CHalfEdgeBag(const CHalfEdgeBag&) = delete;
  CHalfEdgeBag& operator=(const CHalfEdgeBag&) = delete;

  int NbHalfEdge() const { return m_ArrayHalfEdge.GetSize(); }
  CHalfEdge* GetHalfEdge(int i) const { return m_ArrayHalfEdge[i]; }
  void Add(CHalfEdge* pHalfEdge) { m_ArrayHalfEdge.Add(pHalfEdge); }
  void Remove(const CHalfEdge* pHalfEdge)
  {
    const int i = m_ArrayHalfEdge.IndexFrom(pHalfEdge);
    if (i >= 0)
      m_ArrayHalfEdge.RemoveAt(i);
  }
  int Contains(const CHalfEdge* pHalfEdge) const { return m_ArrayHalfEdge.Contains(pHalfEdge); }
  void RemoveAll() { m_ArrayHalfEdge.RemoveAll(); }
  int GetIndex() const { return m_Index; }
  float GetPenalty() const { return m_Penalty; }
  void AddPenalty(float penalty) { m_Penalty += penalty; }

private:
  // A vertex of the common valence has a dozen half-edges: they stay in the bag itself, which
  // a run keeps beside the others, instead of in a block of their own. The room must not move:
  // a bag is never copied.
  static constexpr int kRoom = 12;
  float m_Penalty = 0.0f;
  int m_Index = 0;
  CHalfEdge* m_Room[kRoom];
  CArray3d<CHalfEdge> m_ArrayHalfEdge{m_Room, kRoom};
};
