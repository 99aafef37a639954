// The collapse of an edge-collapse candidate, with its crease and boundary rules.
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "processing/EdgeCollapse.h"

int CMesh3d::EdgeCandidateVeto(const CEdgeCollapse* pCandidate, float threshold, bool* pCrease)
{
  CFace3d* fa = pCandidate->GetFace(0);
  CFace3d* fb = pCandidate->GetFace(1);
  const CVertex3d* vs = pCandidate->GetVertex1();
  const CVertex3d* vt = pCandidate->GetVertex2();
  if (!fa || !fb || !vs || !vt || !fa->IsValid() || !fb->IsValid())
    return CEdgeCollapse::VetoFaces;
  if (!fa->HasNeighbor(fb) || !fb->HasNeighbor(fa))
    return CEdgeCollapse::VetoFaces;
  if (fa->NbFaceNeighbor() != 3 || fb->NbFaceNeighbor() != 3)
    return CEdgeCollapse::VetoFaces;
  if (!fa->HasVertex(vs) || !fa->HasVertex(vt) || !fb->HasVertex(vs) || !fb->HasVertex(vt))
    return CEdgeCollapse::VetoFaces;
  if (vs->IsOnBoundary() || vt->IsOnBoundary())
    return CEdgeCollapse::VetoBoundary;
  const int cs = vs->Classify(threshold);
  const int ct = vt->Classify(threshold);
  const bool crease = cs == 2 && ct == 2 && AbsSinusFaces(fa, fb) >= threshold;
  if (!crease && (cs >= 1 || ct >= 1))
    return CEdgeCollapse::VetoSharp;
  if (!HasOnlyOppositeCommonNeighbors(vs, vt, 2))
    return CEdgeCollapse::VetoLink;
  if (pCrease)
    *pCrease = crease;
  return CEdgeCollapse::VetoNone;
}

int CMesh3d::CollapseEdgeCandidate(CEdgeCollapse* pCandidate, CArray3d<CFace3d>* pFaces,
                                   float threshold)
{
  bool crease = false;
  if (EdgeCandidateVeto(pCandidate, threshold, &crease) != CEdgeCollapse::VetoNone)
    return 0;
  CFace3d* fa = pCandidate->GetFace(0);
  CFace3d* fb = pCandidate->GetFace(1);
  CVertex3d* vs = pCandidate->GetVertex1();
  CVertex3d* vt = pCandidate->GetVertex2();
  CVertex3d* a = fa->GetVertexOther(vs, vt);
  CVertex3d* b = fb->GetVertexOther(vs, vt);

  MergeVertexNeighbors(vs, vt);
  a->RemoveFaceNeighbor(fa);
  b->RemoveFaceNeighbor(fb);
  CArray3d<CFace3d> facesOfVt;
  facesOfVt.Copy(*vt->GetArrayFaceNeighbor());
  for (int i = 0; i < facesOfVt.GetSize(); i++)
    vs->AddFaceNeighbor(facesOfVt[i]);
  vs->RemoveFaceNeighbor(fa);
  vs->RemoveFaceNeighbor(fb);
  RelinkAcross(fa, vs, vt, pFaces);
  RelinkAcross(fb, vs, vt, pFaces);
  for (int i = 0; i < facesOfVt.GetSize(); i++)
    facesOfVt[i]->UpdateVertex(vt, vs);
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
