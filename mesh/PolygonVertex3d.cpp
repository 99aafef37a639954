#include "mesh/PolygonVertex3d.h"

#include "mesh/Polygon3d.h"

double CPolygonVertex3d::SquaredDistance(const CPolygonVertex3d* v) const
{
  const double dx = static_cast<double>(v->m_x) - m_x;
  const double dy = static_cast<double>(v->m_y) - m_y;
  const double dz = static_cast<double>(v->m_z) - m_z;
  return dx * dx + dy * dy + dz * dz;
}

void CPolygonVertex3d::RemovePolygon(const CPolygon3d* polygon)
{
  const int index = m_ArrayPolygon.IndexFrom(polygon);
  if (index >= 0)
    m_ArrayPolygon.RemoveAt(index);
}

int CPolygonVertex3d::NbPolygonWithFlag(int flag) const
{
  int count = 0;
  for (int i = 0; i < NbPolygon(); i++)
    if (GetPolygon(i)->GetFlag() == flag)
      count++;
  return count;
}

int CPolygonVertex3d::HasPolygonsWithFlags(int a, int b) const
{
  for (int i = 0; i < NbPolygon(); i++) {
    if (GetPolygon(i)->GetFlag() != a)
      continue;
    for (int j = 0; j < NbPolygon(); j++)
      if (j != i && GetPolygon(j)->GetFlag() == b)
        return 1;
  }
  return 0;
}

int CPolygonVertex3d::IsOnBoundary() const
{
  for (int i = 0; i < NbPolygon(); i++) {
    const CPolygon3d* polygon = GetPolygon(i);
    const int n = polygon->NbVertex();
    const int j = polygon->IndexFrom(this);
    if (j < 0)
      continue;
    if (!polygon->GetNeighbor(j) || !polygon->GetNeighbor((j + n - 1) % n))
      return 1;
  }
  return 0;
}

CPolygon3d* CPolygonVertex3d::GetPolygonWithEdge(const CPolygonVertex3d* a,
                                                 const CPolygonVertex3d* b) const
{
  for (int i = 0; i < NbPolygon(); i++)
    if (GetPolygon(i)->HasEdge(a, b))
      return GetPolygon(i);
  return nullptr;
}
