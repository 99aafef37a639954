#pragma once

#include "mesh/Face3d.h"
#include "processing/EdgeCollapse.h"

// The veto of an edge-collapse candidate (see CEdgeCollapse::EVeto), with the sharpness class
// of an end (classOf(vertex)) and the link condition (linked(vs, vt): the ends share no
// neighbour besides the third corners of the two faces) supplied by the caller, so that a
// caller that keeps the classes across edits asks the same questions in the same order.
// *pCrease, when given and the candidate passes, says whether the edge is a crease.
// onBoundary(vertex) answers CVertex3d::IsOnBoundary, for a caller that knows it already.
template <class ClassOf, class Linked, class OnBoundary>
int EdgeCandidateVetoWith(const CEdgeCollapse* pCandidate, float threshold, ClassOf classOf,
                          Linked linked, OnBoundary onBoundary, bool* pCrease)
{
  CFace3d* fa = pCandidate->GetFace(0);
  CFace3d* fb = pCandidate->GetFace(1);
  const CVertex3d* vs = pCandidate->GetVertex1();
  const CVertex3d* vt = pCandidate->GetVertex2();
  // Ends that are one vertex (faces that repeat a corner) have no edge to collapse.
  if (!fa || !fb || !vs || !vt || vs == vt || !fa->IsValid() || !fb->IsValid())
    return CEdgeCollapse::VetoFaces;
  if (!fa->HasNeighbor(fb) || !fb->HasNeighbor(fa))
    return CEdgeCollapse::VetoFaces;
  if (fa->NbFaceNeighbor() != 3 || fb->NbFaceNeighbor() != 3)
    return CEdgeCollapse::VetoFaces;
  if (!fa->HasVertex(vs) || !fa->HasVertex(vt) || !fb->HasVertex(vs) || !fb->HasVertex(vt))
    return CEdgeCollapse::VetoFaces;
  if (onBoundary(vs) || onBoundary(vt))
    return CEdgeCollapse::VetoBoundary;
  const int cs = classOf(vs);
  const int ct = classOf(vt);
  const bool crease = cs == 2 && ct == 2 && AbsSinusFaces(fa, fb) >= threshold;
  if (!crease && (cs >= 1 || ct >= 1))
    return CEdgeCollapse::VetoSharp;
  if (!linked(vs, vt))
    return CEdgeCollapse::VetoLink;
  if (pCrease)
    *pCrease = crease;
  return CEdgeCollapse::VetoNone;
}

template <class ClassOf, class Linked>
int EdgeCandidateVetoWith(const CEdgeCollapse* pCandidate, float threshold, ClassOf classOf,
                          Linked linked, bool* pCrease)
{
  const auto onBoundary = [](const CVertex3d* v) { return v->IsOnBoundary() != 0; };
  return EdgeCandidateVetoWith(pCandidate, threshold, classOf, linked, onBoundary, pCrease);
}
