// The collapse of an edge-collapse candidate, with its crease and boundary rules.
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "processing/EdgeCandidateVeto.h"
#include "processing/EdgeCollapse.h"

int CMesh3d::EdgeCandidateVeto(const CEdgeCollapse* pCandidate, float threshold, bool* pCrease)
{
  return EdgeCandidateVetoWith(
    pCandidate, threshold, [threshold](const CVertex3d* v) { return v->Classify(threshold); },
    [](const CVertex3d* vs, const CVertex3d* vt) {
      return HasOnlyOppositeCommonNeighbors(vs, vt, 2);
    },
    pCrease);
}

int CMesh3d::CollapseEdgeCandidate(CEdgeCollapse* pCandidate, CArray3d<CFace3d>* pFaces,
                                   float threshold)
{
  bool crease = false;
  if (EdgeCandidateVeto(pCandidate, threshold, &crease) != CEdgeCollapse::VetoNone)
    return 0;
  return CollapseVettedCandidate(pCandidate, pFaces, crease, true);
}

int CMesh3d::CollapseVettedCandidate(CEdgeCollapse* pCandidate, CArray3d<CFace3d>* pFaces,
                                     bool crease, bool oneSided)
{
  CFace3d* fa = pCandidate->GetFace(0);
  CFace3d* fb = pCandidate->GetFace(1);
  CVertex3d* vs = pCandidate->GetVertex1();
  CVertex3d* vt = pCandidate->GetVertex2();
  CVertex3d* a = fa->GetVertexOther(vs, vt);
  CVertex3d* b = fb->GetVertexOther(vs, vt);

  MergeVertexNeighbors(vs, vt);
  a->RemoveFaceNeighbor(fa);
  b->RemoveFaceNeighbor(fb);
  // Nothing below changes vt's own list of faces: it is read where it stands.
  const int nbFaceOfVt = vt->NbFaceNeighbor();
  for (int i = 0; i < nbFaceOfVt; i++)
    vs->AddFaceNeighbor(vt->GetFaceNeighbor(i));
  vs->RemoveFaceNeighbor(fa);
  vs->RemoveFaceNeighbor(fb);
  RelinkAcross(fa, vs, vt, pFaces, oneSided);
  RelinkAcross(fb, vs, vt, pFaces, oneSided);
  for (int i = 0; i < nbFaceOfVt; i++)
    vt->GetFaceNeighbor(i)->UpdateVertex(vt, vs);
  fa->SetFlag(1);
  fb->SetFlag(1);

  if (crease)
    vs->Set((vs->x() + vt->x()) / 2.0f, (vs->y() + vt->y()) / 2.0f, (vs->z() + vt->z()) / 2.0f);
  else
    vs->Set(pCandidate->GetOptimalVertex());
  DeleteVertex(vt);
  m_Modified = 1;
  return 1;
}
