#include "mesh/Mesh3d.h"

int CMesh3d::ClearVertexAdjacency()
{
  for (int i = 0; i < NbVertex(); i++) {
    GetVertex(i)->RemoveAllFaceNeighbor();
    GetVertex(i)->RemoveAllVertexNeighbor();
  }
  return 1;
}

int CMesh3d::BuildAdjacency()
{
  // The old relations go even when nothing new is built: after the last face is deleted no
  // vertex may still list it.
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  ClearVertexAdjacency();
  if (NbVertex() < 3 || NbFace() == 0)
    return 0;

  // Faces with an empty corner (an undone creation, an unmatched copy) stay out.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++)
      f->v(k)->AddFaceNeighbor(f);
  }

  // Neighbour vertices follow the order of the incident faces, not the order around the vertex.
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      const CFace3d* f = v->GetFaceNeighbor(j);
      for (int k = 0; k < 3; k++)
        v->AddNeighbor(f->v(k));
    }
  }

  // Across edge k, the first other face around its first corner that holds both ends wins.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = f->v(k);
      const CVertex3d* b = f->v((k + 1) % 3);
      for (int j = 0; j < a->NbFaceNeighbor() && !f->f(k); j++) {
        CFace3d* g = a->GetFaceNeighbor(j);
        if (g != f && g->HasVertex(b))
          f->SetF(k, g);
      }
    }
  }
  return 1;
}

int CMesh3d::ComputeFaceNormals()
{
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->CalculateNormal();
  m_Modified = 1;
  return 1;
}

int CMesh3d::ComputeVertexNormals()
{
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (v->NbFaceNeighbor() == 0)
      continue;
    CVector3d sum;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      sum.Add(*v->GetFaceNeighbor(j)->GetNormal());
    sum.Normalize();
    *v->GetNormal() = sum;
  }
  m_Modified = 1;
  return 1;
}

void CMesh3d::Rebuild()
{
  BuildAdjacency();
  ComputeFaceNormals();
  ComputeVertexNormals();
  SetModified();
}

int CMesh3d::FindVertex(const CVertex3d* v) const
{
  if (IndexFrom(v) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasVertex(v))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->IsNeighbor(v))
      return 1;
  return 0;
}

int CMesh3d::FindFace(const CFace3d* f) const
{
  if (IndexFrom(f) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasNeighbor(f))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->GetArrayFaceNeighbor()->Contains(f))
      return 1;
  return 0;
}
