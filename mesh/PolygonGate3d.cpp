#include "mesh/PolygonGate3d.h"

#include "mesh/Polygon3d.h"
#include "mesh/PolygonVertex3d.h"

CPolygonGate3d::CPolygonGate3d(CPolygonVertex3d* v1, CPolygonVertex3d* v2)
  : m_pVertex1(v1), m_pVertex2(v2)
{
  m_pVertex1->IncrementUseCount();
  m_pVertex2->IncrementUseCount();
}

CPolygonGate3d::~CPolygonGate3d()
{
  m_pVertex1->DecrementUseCount();
  m_pVertex2->DecrementUseCount();
}

CPolygon3d* CPolygonGate3d::GetPolygon()
{
  if (!m_pPolygon)
    m_pPolygon = m_pVertex1->GetPolygonWithEdge(m_pVertex1, m_pVertex2);
  return m_pPolygon;
}

CPolygonVertex3d* CPolygonGate3d::CornerAfterVertex2(int offset, int degree)
{
  const CPolygon3d* polygon = GetPolygon();
  if (!polygon)
    return nullptr;
  const int n = polygon->NbVertex();
  const int index = (polygon->IndexFrom(m_pVertex2) + offset) % degree;
  // A polygon of another degree than the one asked for has no such corner.
  return index < n ? polygon->GetVertex(index) : nullptr;
}
