#include "processing/TilingNode.h"

#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <cmath>

CTilingNode::CTilingNode(CVertex3d* pVertex)
  : m_pVertex(pVertex), m_x(pVertex->x()), m_y(pVertex->y()), m_z(pVertex->z())
{
}

CTilingNode::CTilingNode(CFace3d* pFace) : m_pFace(pFace)
{
  const CVertex3d* a = pFace->v(0);
  const CVertex3d* b = pFace->v(1);
  const CVertex3d* c = pFace->v(2);
  m_x = static_cast<float>((a->x() + b->x() + c->x()) / 3.0);
  m_y = static_cast<float>((a->y() + b->y() + c->y()) / 3.0);
  m_z = static_cast<float>((a->z() + b->z() + c->z()) / 3.0);
}

float CTilingNode::SquareDistance(const CTilingNode* pOther) const
{
  const float dx = pOther->m_x - m_x;
  const float dy = pOther->m_y - m_y;
  const float dz = pOther->m_z - m_z;
  return dx * dx + dy * dy + dz * dz;
}

void CTilingNode::AddNeighbor(CTilingNode* pNode)
{
  if (pNode != this && !IsNeighbor(pNode))
    m_ArrayNeighbor.Add(pNode);
}

void CTilingNode::Link(CTilingNode* a, CTilingNode* b)
{
  a->AddNeighbor(b);
  b->AddNeighbor(a);
}

double CTilingNode::Size() const
{
  if (m_pFace)
    return std::sqrt(m_pFace->Area());
  return m_pVertex->GetMeanLengthEdgeAround();
}
