#include "mesh/PolygonMesh3d.h"

#include "mesh/DisplayList.h"
#include "mesh/ElementArrays.h"
#include "platform/core/Trace.h"

#include <GL/gl.h>

CPolygonMesh3d::~CPolygonMesh3d()
{
  Free();
  displaylist::Delete(&m_ListOpenGL);
}

void CPolygonMesh3d::Free()
{
  m_ArrayVertex.DeleteAll();
  m_ArrayPolygon.DeleteAll();
}

//********************************************
// Attributes and flags
//********************************************

void CPolygonMesh3d::SetColorBinding(int binding)
{
  m_ColorBinding = binding;
  m_Modified = 1;
}

void CPolygonMesh3d::SetVerticesColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  elementarrays::SetColor(m_ArrayVertex, r, g, b);
  m_Modified = 1;
}

void CPolygonMesh3d::SetPolygonsColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  elementarrays::SetColor(m_ArrayPolygon, r, g, b);
  m_Modified = 1;
}

void CPolygonMesh3d::SetPolygonsFlag(int flag)
{
  elementarrays::SetFlag(m_ArrayPolygon, flag);
}

void CPolygonMesh3d::SetVerticesFlag(int flag)
{
  elementarrays::SetFlag(m_ArrayVertex, flag);
}

void CPolygonMesh3d::SetVerticesUseCount(int count)
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetUseCount(count);
}

void CPolygonMesh3d::SetVerticesUseCountToValence()
{
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetUseCount(GetVertex(i)->NbVertexNeighbor());
}

int CPolygonMesh3d::IsValid() const
{
  for (int i = 0; i < NbPolygon(); i++)
    if (!GetPolygon(i)->IsValid())
      return 0;
  return 1;
}

//********************************************
// Adjacency, normals and measures
//********************************************

int CPolygonMesh3d::BuildAdjacency()
{
  for (int i = 0; i < NbPolygon(); i++)
    GetPolygon(i)->ClearNeighbors();
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->RemoveAllNeighbors();

  for (int i = 0; i < NbPolygon(); i++)
    GetPolygon(i)->AttachToVertices();

  // The vertices sharing an edge with a corner are the corners before and after it.
  for (int i = 0; i < NbVertex(); i++) {
    CPolygonVertex3d* vertex = GetVertex(i);
    for (int k = 0; k < vertex->NbPolygon(); k++) {
      const CPolygon3d* polygon = vertex->GetPolygon(k);
      const int n = polygon->NbVertex();
      const int j = polygon->IndexFrom(vertex);
      vertex->AddNeighbor(polygon->GetVertex((j + 1) % n));
      vertex->AddNeighbor(polygon->GetVertex((j + n - 1) % n));
    }
  }

  for (int i = 0; i < NbPolygon(); i++) {
    CPolygon3d* polygon = GetPolygon(i);
    const int n = polygon->NbVertex();
    for (int k = 0; k < n; k++) {
      const CPolygonVertex3d* a = polygon->GetVertex(k);
      const CPolygonVertex3d* b = polygon->GetVertex(k + 1 == n ? 0 : k + 1);
      // The neighbour holds a and b as an edge, in either direction: a polygon holding them
      // as corners apart is not across this edge.
      for (int r = 0; r < a->NbPolygon() && !polygon->GetNeighbor(k); r++) {
        CPolygon3d* other = a->GetPolygon(r);
        if (other != polygon && (other->HasEdge(a, b) || other->HasEdge(b, a)))
          polygon->SetNeighbor(k, other);
      }
    }
  }
  return 1;
}

void CPolygonMesh3d::CalculateNormals()
{
  for (int i = 0; i < NbPolygon(); i++)
    GetPolygon(i)->CalculateNormal();
}

void CPolygonMesh3d::Rebuild()
{
  BuildAdjacency();
  CalculateNormals();
  m_Modified = 1;
}

void CPolygonMesh3d::Smooth()
{
  std::vector<CVector3d> positions(static_cast<size_t>(NbVertex()));
  for (int i = 0; i < NbVertex(); i++) {
    const CPolygonVertex3d* vertex = GetVertex(i);
    double x = vertex->x(), y = vertex->y(), z = vertex->z();
    for (int k = 0; k < vertex->NbVertexNeighbor(); k++) {
      x += vertex->GetVertexNeighbor(k)->x();
      y += vertex->GetVertexNeighbor(k)->y();
      z += vertex->GetVertexNeighbor(k)->z();
    }
    const double scale = 1.0 / (vertex->NbVertexNeighbor() + 1);
    positions[i].Set(static_cast<float>(x * scale), static_cast<float>(y * scale),
                     static_cast<float>(z * scale));
  }
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set(positions[i]);
  Rebuild();
}

int CPolygonMesh3d::NbEdge()
{
  SetVerticesFlag(0);
  int count = 0;
  for (int i = 0; i < NbVertex(); i++) {
    CPolygonVertex3d* vertex = GetVertex(i);
    for (int k = 0; k < vertex->NbVertexNeighbor(); k++)
      if (vertex->GetVertexNeighbor(k)->GetFlag() == 0)
        count++;
    vertex->SetFlag(1);
  }
  return count;
}

std::vector<int> CPolygonMesh3d::BuildDegreeDistribution() const
{
  std::vector<int> counts;
  for (int i = 0; i < NbPolygon(); i++) {
    const int degree = GetPolygon(i)->NbVertex();
    if (degree < 3)
      continue;
    if (degree - 2 > static_cast<int>(counts.size()))
      counts.resize(static_cast<size_t>(degree - 2), 0);
    counts[static_cast<size_t>(degree - 3)]++;
  }
  platform::Trace("Polygon degree distribution\n");
  for (size_t bin = 0; bin < counts.size(); bin++)
    platform::Trace("  degree %d : %d\n", static_cast<int>(bin) + 3, counts[bin]);
  return counts;
}

//********************************************
// Drawing
//********************************************

int CPolygonMesh3d::BuildList()
{
  m_ListDone = displaylist::Compile(this, &m_ListOpenGL);
  if (m_ListDone)
    m_Modified = 0;
  return m_ListDone;
}

int CPolygonMesh3d::Draw()
{
  if (!m_Show)
    return 0;
  // Compiling executes the list too: calling it afterwards would draw the mesh twice.
  return displaylist::DrawOnce(this, m_ListOpenGL, m_ListDone, m_Modified);
}

void CPolygonMesh3d::DrawImmediate() const
{
  m_Material.Apply();
  const bool polygonColor = !m_UseSingleColor && m_ColorBinding == 1;
  const bool cornerColor = !m_UseSingleColor && m_ColorBinding == 0;
  for (int i = 0; i < NbPolygon(); i++) {
    const CPolygon3d* polygon = GetPolygon(i);
    const CColor* color = polygon->GetColor();
    glBegin(GL_POLYGON);
    if (m_UseSingleColor)
      glColor3ub(m_Color.r(), m_Color.g(), m_Color.b());
    else if (polygonColor)
      glColor3ub(color->r(), color->g(), color->b());
    if (m_NormalBinding == 1) {
      const CVector3d* normal = polygon->GetNormal();
      glNormal3f(normal->x(), normal->y(), normal->z());
    }
    for (int k = 0; k < polygon->NbVertex(); k++) {
      const CPolygonVertex3d* vertex = polygon->GetVertex(k);
      if (cornerColor)
        glColor3ub(color->r(), color->g(), color->b());
      if (m_NormalBinding == 0) {
        const CVector3d* normal = vertex->GetNormal();
        glNormal3f(normal->x(), normal->y(), normal->z());
      }
      glVertex3f(vertex->x(), vertex->y(), vertex->z());
    }
    glEnd();
  }
}
