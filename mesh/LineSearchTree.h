#pragma once

#include "mesh/Vertex3d.h"

#include <vector>

class CFace3d;
class CMesh3d;

// A bounding-box tree over the faces of a mesh that answers the nearest hit of a line exactly
// as the scan of every face does (CMesh3d::IntersectLineWithFaces): the boxes only rule out
// faces the line cannot hit or whose hits lie farther than one already found, the faces left
// are tried with the same test, and of equally near hits the first in the mesh's order wins.
// The boxes are widened far beyond the rounding of that test, which may accept a point a
// little off its face. The tree computes every face normal once; the mesh must not change
// meanwhile.
class CLineSearchTree
{
public:
  explicit CLineSearchTree(CMesh3d* pMesh);

  // The hit of the line ab nearest to a, as the scan gives it; 1 when any face is hit.
  int NearestIntersection(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                          CFace3d** ppFace);
  const CMesh3d* GetMesh() const { return m_pMesh; }

private:
  struct SBox
  {
    double lo[3];
    double hi[3];
  };
  struct SNode
  {
    SBox box;
    int first;  // leaf: faces m_Order[first, first + count); inner: the left child
    int count;  // 0 for an inner node
    int right;  // inner: the right child
  };

  // The line of a search: start, direction, its inverse (0 on a null axis), box widening.
  struct SLine
  {
    double a[3];
    double d[3];
    double inverse[3];
    double margin;
  };
  // A node left to visit, with the squared distance from the line's start to its box.
  struct SEntry
  {
    int node;
    double distance;
  };

  int Build(int begin, int end, const std::vector<SBox>& boxes);
  static bool LineMeetsBox(const SLine& line, const SBox& box);
  static double SquareDistanceToBox(const SLine& line, const SBox& box);

  CMesh3d* m_pMesh;
  std::vector<SNode> m_Nodes;
  std::vector<int> m_Order;
  double m_Margin = 0.0;
  std::vector<SEntry> m_Stack;
  CVertex3d m_Hit;  // scratch of a search
};
