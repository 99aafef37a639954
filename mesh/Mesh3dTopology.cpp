#include "mesh/Mesh3d.h"

bool CMesh3d::HasOnlyOppositeCommonNeighbors(const CVertex3d* vs, const CVertex3d* vt,
                                             int nbShared)
{
  int common = 0;
  for (int i = 0; i < vs->NbVertexNeighbor(); i++)
    common += vt->IsNeighbor(vs->GetVertexNeighbor(i));
  return common <= nbShared;
}

void CMesh3d::MergeVertexNeighbors(CVertex3d* vs, CVertex3d* vt)
{
  for (int i = 0; i < vt->NbVertexNeighbor(); i++)
    vs->AddNeighbor(vt->GetVertexNeighbor(i));
  vs->RemoveVertexNeighbor(vt);
  for (int i = 0; i < vt->NbVertexNeighbor(); i++)
    vt->GetVertexNeighbor(i)->ReplaceVertexNeighbor(vt, vs);
}

int CMesh3d::HasOneSidedLinks() const
{
  for (int i = 0; i < NbFace(); i++) {
    const CFace3d* f = GetFace(i);
    for (int k = 0; f && k < 3; k++)
      if (const CFace3d* g = f->f(k); g && !g->HasNeighbor(f))
        return 1;
  }
  return 0;
}

void CMesh3d::RelinkAcross(CFace3d* f, const CVertex3d* vs, const CVertex3d* vt,
                           CArray3d<CFace3d>* pFaces, bool oneSided)
{
  CFace3d* p = f->GetFaceSharing(vs, vt);
  CFace3d* q = f->GetFaceSharing(vt, vs);
  if (p)
    p->UpdateNeighbor(f, q);
  if (q)
    q->UpdateNeighbor(f, p);
  if (oneSided)
    f->DropOneSidedLinks();
  if (pFaces) {
    pFaces->Add(p);
    pFaces->Add(q);
  }
}

int CMesh3d::EdgeCollapse(CVertex3d* vs, CVertex3d* vt, const CVertex3d* pPosition,
                          CArray3d<CFace3d>* pFaces, int deleteVt)
{
  if (!vs || !vt || vs == vt || !vs->IsNeighbor(vt) || !vt->IsNeighbor(vs))
    return 0;
  CArray3d<CFace3d> shared;
  vs->FindFacesWithVertex(vt, &shared);
  const int nbShared = shared.GetSize();
  if (nbShared == 0 || nbShared >= 3)
    return 0;
  if (nbShared == 2 && shared[0] == shared[1])
    return 0;
  for (int k = 0; k < nbShared; k++) {
    if (!shared[k]->IsValid())
      return 0;
    if (shared[k]->GetVertexOther(vs, vt)->NbFaceNeighbor() < 4)
      return 0;
  }
  if (!HasOnlyOppositeCommonNeighbors(vs, vt, nbShared))
    return 0;

  MergeVertexNeighbors(vs, vt);
  for (int i = 0; i < vt->NbFaceNeighbor(); i++)
    vs->AddFaceNeighbor(vt->GetFaceNeighbor(i));
  for (int k = 0; k < nbShared; k++) {
    CFace3d* f = shared[k];
    f->GetVertexOther(vs, vt)->RemoveFaceNeighbor(f);
    vs->RemoveFaceNeighbor(f);
    RelinkAcross(f, vs, vt, pFaces, true);
  }
  // Only now: the second shared face still names the first among its neighbours.
  for (int k = 0; k < nbShared; k++)
    DeleteFace(shared[k]);
  for (int i = 0; i < vs->NbFaceNeighbor(); i++)
    vs->GetFaceNeighbor(i)->UpdateVertex(vt, vs);
  vs->Set(pPosition->x(), pPosition->y(), pPosition->z());
  // vt no longer belongs to any face; its lists named deleted faces.
  vt->RemoveAllFaceNeighbor();
  vt->RemoveAllVertexNeighbor();
  m_Modified = 1;
  if (deleteVt)
    DeleteVertex(vt);
  return 1;
}

namespace {
// The three faces around an interior vertex of valence 3, the ring corners a, b, c and the
// outer neighbours of the two faces that go.
struct SValence3
{
  CFace3d* fa = nullptr;
  CFace3d* fb = nullptr;
  CFace3d* fc = nullptr;
  CVertex3d* a = nullptr;
  CVertex3d* b = nullptr;
  CVertex3d* c = nullptr;
};

int FindValence3(CVertex3d* v, SValence3* s)
{
  if (v->NbFaceNeighbor() != 3 || v->IsOnBoundary())
    return 0;
  s->fa = v->GetFaceNeighbor(0);
  s->fb = v->GetFaceNeighbor(1);
  s->fc = v->GetFaceNeighbor(2);
  if (!s->fa || !s->fb || !s->fc)
    return 0;
  s->a = s->fa->GetSharedVertexOther(v, s->fb);
  s->b = s->fb->GetSharedVertexOther(v, s->fc);
  s->c = s->fa->GetSharedVertexOther(v, s->fc);
  return (s->a && s->b && s->c) ? 1 : 0;
}

// Turns fa into the triangle a, b, c in place of the three faces around v.
void MergeValence3(CVertex3d* v, const SValence3& s)
{
  CFace3d* nb = s.fb->GetFaceOther(s.fa, s.fc);
  CFace3d* nc = s.fc->GetFaceOther(s.fa, s.fb);
  s.fa->SetVertex(s.fa->IndexFrom(v), s.b);
  for (CVertex3d* p : {s.a, s.b, s.c}) {
    p->RemoveFaceNeighbor(s.fb);
    p->RemoveFaceNeighbor(s.fc);
    p->RemoveVertexNeighbor(v);
  }
  s.b->AddFaceNeighbor(s.fa);
  s.fa->UpdateNeighbor(s.fb, nb);
  s.fa->UpdateNeighbor(s.fc, nc);
  if (nb)
    nb->UpdateNeighbor(s.fb, s.fa);
  if (nc)
    nc->UpdateNeighbor(s.fc, s.fa);
}
} // namespace

int CMesh3d::RemoveValence3Vertex(CVertex3d* v)
{
  SValence3 s;
  if (!FindValence3(v, &s))
    return 0;
  MergeValence3(v, s);
  DeleteFace(s.fb);
  DeleteFace(s.fc);
  DeleteVertex(v);
  m_Modified = 1;
  return 1;
}

int CMesh3d::RemoveValence3Vertices()
{
  for (int i = 0; i < NbVertex(); i++)
    while (i < NbVertex() && RemoveValence3Vertex(GetVertex(i))) {
    }
  return 1;
}

int CMesh3d::RemoveValence3VertexFlag(CVertex3d* v, int faceFlag, int vertexFlag)
{
  SValence3 s;
  if (!FindValence3(v, &s))
    return 0;
  MergeValence3(v, s);
  s.fb->SetFlag(faceFlag);
  s.fc->SetFlag(faceFlag);
  v->SetFlag(vertexFlag);
  m_Modified = 1;
  return 1;
}

void CMesh3d::TranslateVertices(float dx, float dy, float dz)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Move(dx, dy, dz);
  m_Modified = 1;
}
