#pragma once

#include "processing/CollapseQueue.h"
#include "processing/HalfEdge.h"
#include "processing/HalfEdgeBag.h"

#include <deque>
#include <vector>

class CFace3d;
class CMesh3d;
class CRenderView;
class CVector3d;
class CVertex3d;

// Simplification by half-edge collapses with error accumulation. A collapse merges the removed
// vertex into the accumulator, which does not move; its cost is the change of surface area it
// causes (twice that when the moved faces fold). Each vertex accumulates the error of the
// collapses it absorbed, and the next collapse is the one of smallest cost plus the
// accumulator's error, so that error spreads over the surface instead of piling up.
//
// During a run every vertex's data slot holds its CHalfEdgeBag. Collapses that would break the
// manifold (the link condition, a pinched boundary, a vertex left without faces) are skipped,
// so a closed mesh stays closed and every edge keeps two faces.
class CHalfEdgeCollapse
{
public:
  CHalfEdgeCollapse() = default;
  ~CHalfEdgeCollapse() { End(); }

  CHalfEdgeCollapse(const CHalfEdgeCollapse&) = delete;
  CHalfEdgeCollapse& operator=(const CHalfEdgeCollapse&) = delete;

  // Collapses until the mesh has nbVertexWanted vertices or no collapse is left; the view is
  // repainted after every collapse when visual is set. 0, and the mesh only rebuilt, when it
  // has no more vertices than wanted. The period is not read.
  int Simplify(CMesh3d* pMesh, int nbVertexWanted, int visual, int period, CRenderView* pWindow);

  // --- the steps of a run ---------------------------------------------------------------------
  // Gives every vertex of the mesh (whose adjacency is current) its bag and every half-edge its
  // cost.
  void Begin(CMesh3d* pMesh, int visual, CRenderView* pWindow);
  // The valid half-edge of smallest cost plus accumulated error that can be realised (the
  // first of equal ones in creation order); null when there is none.
  CHalfEdge* FindCheapest() const;
  // Realises the half-edge: either the collapse, or first the removal of an interior vertex
  // of three faces opposite the edge (returns 2; the half-edge stays for a later step).
  // Returns 1 after a collapse, 0 when the half-edge cannot be realised.
  int Realise(CHalfEdge* pHalfEdge);
  // Frees the bags and half-edges, clears the vertices' data slots.
  void End();
  // 1 when the half-edge is valid and realising it keeps the mesh manifold.
  int CanRealise(const CHalfEdge* pHalfEdge) const;

  // 1 when AngleVectors(u, v) exceeds a right angle, the fold test of two face normals.
  static int IsBeyondRightAngle(const CVector3d& u, const CVector3d& v);
  // Area change of the collapse, doubled when it folds; the mesh is left as it was.
  static float ComputeCost(const CHalfEdge* pHalfEdge);
  // The error accumulated in the vertex (0 outside a run).
  static float GetPenalty(const CVertex3d* v);
  static CHalfEdgeBag* GetBag(const CVertex3d* v);
  int NbHalfEdge() const { return static_cast<int>(m_ArrayHalfEdge.size()); }
  CHalfEdge* GetHalfEdge(int i) const
  {
    return const_cast<CHalfEdge*>(&m_ArrayHalfEdge[static_cast<size_t>(i)]);
  }

private:
  void BuildBags();
  // The summed area of the faces around v, in their order.
  static double AreaAround(const CVertex3d* v);
  static float ComputeCost(const CHalfEdge* pHalfEdge, double areaAroundRemoved);
  // The third corner of an edge face that the collapse would reduce below four faces, or null.
  static CVertex3d* FindLowDegreeOpposite(const CHalfEdge* pHalfEdge);
  void RemoveValence3(CVertex3d* v);
  void Collapse(CHalfEdge* pHalfEdge);
  // Disables the half-edges of v's bag that lie on f1 or f2 and takes them out of both bags.
  void DropHalfEdgesOn(const CVertex3d* v, const CFace3d* f1, const CFace3d* f2);
  static void RecomputeCosts(const CVertex3d* v);
  static float GetKey(const CHalfEdge* pHalfEdge);
  // Queues the half-edge with its key as it stands, and keeps that key as its current one.
  void Queue(CHalfEdge* pHalfEdge);
  // Queues the valid half-edges of v's bag with their keys as they stand.
  void Requeue(const CVertex3d* v);
  // Hands back to the queue the blocked half-edges within `rings` edges of v: realising one
  // reads the faces and neighbours up to two edges from its ends.
  void UnblockAround(CVertex3d* v, int rings);
  void Redraw();

  // Made in place, a block of them at a time: no allocation each, and addresses that stay.
  std::deque<CHalfEdge> m_ArrayHalfEdge;
  // In vertex order, a block of them at a time; their addresses stay.
  std::deque<CHalfEdgeBag> m_ArrayBag;
  CMesh3d* m_pMesh = nullptr;
  CRenderView* m_pWindow = nullptr;
  int m_Visual = 0;
  // The mesh holds one-sided links (CMesh3d::HasOneSidedLinks) at Begin.
  bool m_OneSided = false;
  // The valid half-edges, cheapest key first; a cache of FindCheapest's search.
  mutable CCollapseQueue<CHalfEdge, float> m_Queue;
  // Per half-edge order, the key it has now (NaN once disabled): whether a queue entry is
  // current is read here, without visiting the half-edge, its accumulator and that one's bag.
  // A key changes only with a cost, a penalty or an accumulator, and every such change is
  // followed by queueing the half-edge again.
  std::vector<float> m_Keys;
  // The half-edges not disabled yet: the entries the queue needs at most, blocked ones aside.
  std::size_t m_NbValid = 0;
};
