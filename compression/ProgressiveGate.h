#pragma once

#include "mesh/Vertex3d.h"

class CFace3d;

// An oriented front edge of a progressive conquest: two vertices, copied freely.
class CProgressiveGate
{
public:
  CProgressiveGate(CVertex3d* pFirst, CVertex3d* pSecond) : m_pFirst(pFirst), m_pSecond(pSecond) {}
  // With the first vertex's adjacency index as the gate is made, while the vertex is at hand:
  // the encoder gives it only where the vertex owns its corner list (-1 otherwise).
  CProgressiveGate(CVertex3d* pFirst, CVertex3d* pSecond, int firstIndex)
    : m_pFirst(pFirst), m_pSecond(pSecond), m_FirstIndex(firstIndex)
  {
  }

  CVertex3d* GetFirst() const { return m_pFirst; }
  CVertex3d* GetSecond() const { return m_pSecond; }
  int GetFirstIndex() const { return m_FirstIndex; }
  // The coder's corner list entry of the front face, once looked up ahead of the gate's turn
  // (kUnresolved before, kNoFront when the edge has no front face).
  static constexpr int kUnresolved = -1;
  static constexpr int kNoFront = -2;
  int GetFrontCorner() const { return m_FrontCorner; }
  void SetFrontCorner(int corner) { m_FrontCorner = corner; }
  // Face of the first vertex holding the edge second -> first; null on a boundary edge.
  CFace3d* GetFrontFace() const;
  CVertex3d* GetFrontVertex() const;
  // Retriangulation tag pair from the marks of (first, second): (2,1) 1, (1,2) 0, (2,2) 2, else 3.
  // Inline, as TagPair: the conquest asks once for every null patch.
  int GetTagPair() const { return TagPair(m_pFirst->GetMark(), m_pSecond->GetMark()); }
  static constexpr int TagPair(int firstMark, int secondMark)
  {
    if (firstMark == 2)
      return secondMark == 1 ? 1 : secondMark == 2 ? 2 : 3;
    return firstMark == 1 && secondMark == 2 ? 0 : 3;
  }

  // The mark a null patch gives the front vertex it takes unmarked: 1 between two vertices
  // marked 2, else 2.
  static constexpr int TakenMark(int firstMark, int secondMark)
  {
    return TakenMarkOf(TagPair(firstMark, secondMark));
  }
  // The same from the gate's tag pair, without a branch.
  static constexpr int TakenMarkOf(int tagPair) { return 2 - static_cast<int>(tagPair == 2); }

  // True when the face has the oriented edge a -> b among its corners.
  static int FaceHasEdge(const CFace3d* pFace, const CVertex3d* a, const CVertex3d* b);

private:
  CVertex3d* m_pFirst;
  CVertex3d* m_pSecond;
  int m_FirstIndex = -1;
  int m_FrontCorner = kUnresolved;
};
