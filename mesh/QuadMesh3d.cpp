#include "mesh/QuadMesh3d.h"

#include "mesh/DisplayList.h"
#include "mesh/ElementArrays.h"

#include <GL/gl.h>

#include <algorithm>

CQuadMesh3d::~CQuadMesh3d()
{
  Free();
  displaylist::Delete(&m_ListOpenGL);
}

namespace {

// Deletes the elements that no block holds, then empties the array.
template <class T>
void DeleteHandedIn(CArray3d<T>* pArray,
                    const std::vector<std::unique_ptr<CQuadMeshBlock<T>>>& blocks)
{
  for (int i = 0; i < pArray->GetSize(); i++) {
    T* p = pArray->GetAt(i);
    const bool inBlock =
      std::any_of(blocks.begin(), blocks.end(), [p](const auto& b) { return b->Holds(p); });
    if (p && !inBlock)
      delete p;
  }
  pArray->RemoveAll();
}

} // namespace

void CQuadMesh3d::Free()
{
  DeleteHandedIn(&m_ArrayVertex, m_VertexBlocks);
  DeleteHandedIn(&m_ArrayQuad, m_QuadBlocks);
  m_VertexBlocks.clear();
  m_QuadBlocks.clear();
}

void CQuadMesh3d::SetColorBinding(int binding)
{
  m_ColorBinding = binding;
  m_Modified = 1;
}

void CQuadMesh3d::SetColorVertices(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  elementarrays::SetColor(m_ArrayVertex, r, g, b);
  m_Modified = 1;
}

void CQuadMesh3d::SetColorQuads(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  elementarrays::SetColor(m_ArrayQuad, r, g, b);
  m_Modified = 1;
}

void CQuadMesh3d::SetFlagQuads(int flag)
{
  elementarrays::SetFlag(m_ArrayQuad, flag);
}

void CQuadMesh3d::SetFlagVertices(int flag)
{
  elementarrays::SetFlag(m_ArrayVertex, flag);
}

int CQuadMesh3d::IsValid() const
{
  for (int i = 0; i < NbQuad(); i++)
    if (!GetQuad(i)->IsValid())
      return 0;
  return 1;
}

//********************************************
// Adjacency and normals
//********************************************

void CQuadMesh3d::CalculateNormals()
{
  int i = 0;
  for (; i + 1 < NbQuad(); i += 2)
    CQuad3d::CalculateNormals(GetQuad(i), GetQuad(i + 1));
  if (i < NbQuad())
    GetQuad(i)->CalculateNormal();
}

void CQuadMesh3d::BuildAdjacencyAndNormals()
{
  BuildAdjacency();
  CalculateNormals();
  m_Modified = 1;
}

//********************************************
// Predefined shapes
//********************************************

void CQuadMesh3d::Generate(const float (*points)[3], int nbPoint, const int (*quads)[4], int nbQuad)
{
  Free();
  for (int i = 0; i < nbPoint; i++)
    AddVertex(new CQuadVertex3d(points[i][0], points[i][1], points[i][2]));
  for (int i = 0; i < nbQuad; i++) {
    const int* c = quads[i];
    AddQuad(new CQuad3d(GetVertex(c[0]), GetVertex(c[1]), GetVertex(c[2]), GetVertex(c[3])));
  }
  BuildAdjacencyAndNormals();
}

void CQuadMesh3d::GenerateBox()
{
  static const float points[8][3] = {{1, 1, -1},  {1, 1, 1},  {1, -1, 1},  {1, -1, -1},
                                     {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}};
  static const int quads[6][4] = {{0, 1, 2, 3}, {0, 4, 5, 1}, {4, 7, 6, 5},
                                  {7, 3, 2, 6}, {2, 1, 5, 6}, {0, 3, 7, 4}};
  Generate(points, 8, quads, 6);
}

void CQuadMesh3d::GenerateMushroom()
{
  static const float points[12][3] = {
    {1, 1, 0},         {-1, 1, 0},         {-1, -1, 0},         {1, -1, 0},
    {5, 5, -2.5f},     {-5, 5, -2.5f},     {-5, -5, -2.5f},     {5, -5, -2.5f},
    {10, 10, 2.5f},    {-10, 10, 2.5f},    {-10, -10, 2.5f},    {10, -10, 2.5f}};
  static const int quads[9][4] = {{0, 3, 7, 4},   {3, 2, 6, 7},  {2, 1, 5, 6},
                                  {1, 0, 4, 5},   {8, 11, 3, 0}, {11, 10, 2, 3},
                                  {10, 9, 1, 2},  {9, 8, 0, 1},  {8, 9, 10, 11}};
  Generate(points, 12, quads, 9);
}

//********************************************
// Drawing
//********************************************

int CQuadMesh3d::BuildList()
{
  m_ListDone = displaylist::Compile(this, &m_ListOpenGL);
  if (m_ListDone)
    m_Modified = 0;
  return m_ListDone;
}

int CQuadMesh3d::Draw()
{
  if (!m_Show)
    return 0;
  // Compiling executes the list too: calling it afterwards would draw the mesh twice.
  return displaylist::DrawOnce(this, m_ListOpenGL, m_ListDone, m_Modified);
}

void CQuadMesh3d::DrawImmediate() const
{
  m_Material.Apply();
  const bool quadColor = !m_UseSingleColor && m_ColorBinding == 1;
  const bool cornerColor = !m_UseSingleColor && m_ColorBinding == 0;
  glBegin(GL_QUADS);
  for (int i = 0; i < NbQuad(); i++) {
    const CQuad3d* quad = GetQuad(i);
    const CColor* color = quad->GetColor();
    if (m_UseSingleColor)
      glColor3ub(m_Color.r(), m_Color.g(), m_Color.b());
    else if (quadColor)
      glColor3ub(color->r(), color->g(), color->b());
    if (m_NormalBinding == 1)
      glNormal3f(quad->GetNormal()->x(), quad->GetNormal()->y(), quad->GetNormal()->z());
    for (int k = 0; k < 4; k++) {
      const CQuadVertex3d* vertex = quad->v(k);
      if (cornerColor)
        glColor3ub(color->r(), color->g(), color->b());
      if (m_NormalBinding == 0) {
        const CVector3d* normal = vertex->GetNormal();
        glNormal3f(normal->x(), normal->y(), normal->z());
      }
      glVertex3f(vertex->x(), vertex->y(), vertex->z());
    }
  }
  glEnd();
}
