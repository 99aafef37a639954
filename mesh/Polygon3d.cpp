#include "mesh/Polygon3d.h"

#include "mesh/PolygonVertex3d.h"

CPolygon3d::CPolygon3d(CPolygonVertex3d* v0, CPolygonVertex3d* v1, CPolygonVertex3d* v2)
{
  AddVertex(v0);
  AddVertex(v1);
  AddVertex(v2);
}

CPolygon3d::CPolygon3d(CPolygonVertex3d* v0, CPolygonVertex3d* v1, CPolygonVertex3d* v2,
                       CPolygonVertex3d* v3)
  : CPolygon3d(v0, v1, v2)
{
  AddVertex(v3);
}

void CPolygon3d::AddVertex(CPolygonVertex3d* vertex)
{
  m_ArrayVertex.Add(vertex);
  m_ArrayNeighbor.SetSize(m_ArrayVertex.GetSize());
}

void CPolygon3d::SetNbVertex(int n)
{
  m_ArrayVertex.SetSize(n);
  m_ArrayNeighbor.SetSize(n);
  for (int i = 0; i < n; i++) {
    m_ArrayVertex.SetAt(i, nullptr);
    m_ArrayNeighbor.SetAt(i, nullptr);
  }
}

int CPolygon3d::HasEdge(const CPolygonVertex3d* a, const CPolygonVertex3d* b) const
{
  const int n = NbVertex();
  for (int i = 0; i < n; i++)
    if (GetVertex(i) == a && GetVertex(i + 1 == n ? 0 : i + 1) == b)
      return 1;
  return 0;
}

void CPolygon3d::ClearNeighbors()
{
  for (int i = 0; i < m_ArrayNeighbor.GetSize(); i++)
    m_ArrayNeighbor.SetAt(i, nullptr);
}

void CPolygon3d::AttachToVertices()
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->AddPolygon(this);
}

void CPolygon3d::Detach()
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->RemovePolygon(this);
  for (int i = 0; i < m_ArrayNeighbor.GetSize(); i++) {
    CPolygon3d* neighbor = GetNeighbor(i);
    if (!neighbor)
      continue;
    for (int k = 0; k < neighbor->m_ArrayNeighbor.GetSize(); k++)
      if (neighbor->GetNeighbor(k) == this)
        neighbor->SetNeighbor(k, nullptr);
  }
  ClearNeighbors();
}

void CPolygon3d::SetVerticesFlag(int flag) const
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetFlag(flag);
}

int CPolygon3d::HasAllVerticesFlag(int flag) const
{
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->GetFlag() != flag)
      return 0;
  return 1;
}

int CPolygon3d::IsValid() const
{
  for (int i = 0; i < NbVertex(); i++)
    for (int j = i + 1; j < NbVertex(); j++)
      if (GetVertex(i) == GetVertex(j))
        return 0;
  return 1;
}

CVector3d CPolygon3d::GetCentroid() const
{
  const int n = NbVertex();
  if (n == 0)
    return CVector3d();
  double x = 0.0, y = 0.0, z = 0.0;
  for (int i = 0; i < n; i++) {
    x += GetVertex(i)->x();
    y += GetVertex(i)->y();
    z += GetVertex(i)->z();
  }
  return CVector3d(static_cast<float>(x / n), static_cast<float>(y / n), static_cast<float>(z / n));
}

void CPolygon3d::CalculateNormal()
{
  const int n = NbVertex();
  m_Normal.Clear();
  if (n < 3)
    return;
  const CVector3d centre = GetCentroid();
  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (int i = 0; i < n; i++) {
    CVector3d normal = (CVector3d::GetPoint(GetVertex(i)) - centre) ^
                       (CVector3d::GetPoint(GetVertex(i + 1 == n ? 0 : i + 1)) - centre);
    normal.Normalize();
    nx += normal.x();
    ny += normal.y();
    nz += normal.z();
  }
  m_Normal.Set(static_cast<float>(nx / n), static_cast<float>(ny / n), static_cast<float>(nz / n));
  m_Normal.Normalize();
}
