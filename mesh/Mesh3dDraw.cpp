#include "mesh/Mesh3d.h"

#include "mesh/DisplayList.h"

#include <GL/gl.h>

void CMesh3d::DeleteList()
{
  displaylist::Delete(&m_ListDone);
  m_ListBuilt = 0;
}

int CMesh3d::BuildList()
{
  DeleteList();
  if (NbVertex() == 0 || NbFace() == 0)
    return 0;
  if (!displaylist::Begin(&m_ListDone))
    return 0;
  DrawImmediate();
  glEndList();
  m_ListBuilt = 1;
  m_Modified = 0;
  return 1;
}

int CMesh3d::Draw()
{
  if (!m_Show)
    return 0;
  if (!m_UseDisplayList) {
    DrawImmediate();
    return 1;
  }
  // Compiling executes the list too: calling it afterwards would draw the mesh twice.
  return displaylist::DrawOnce(this, m_ListDone, m_ListBuilt, m_Modified);
}

namespace {
void Color(const CColor* pColor) { glColor3ub(pColor->r(), pColor->g(), pColor->b()); }
void Normal(const CVector3d* pNormal) { glNormal3f(pNormal->x(), pNormal->y(), pNormal->z()); }

// The corner's (u, v); an index the tables do not hold (read from a file) gives (0, 0).
void TexCoord(const CMesh3d& mesh, int corner)
{
  const int index = corner < mesh.NbTextureIndex() ? mesh.GetTextureIndices()[corner] : -1;
  if (index < 0 || index >= mesh.NbTextureCoordinate()) {
    glTexCoord2f(0.0f, 0.0f);
    return;
  }
  const float* uv = mesh.GetTextureCoordinates();
  glTexCoord2f(uv[2 * index], uv[2 * index + 1]);
}
} // namespace

void CMesh3d::DrawImmediate() const
{
  if (!m_Show)
    return;
  m_Material.Apply();
  glPushMatrix();
  m_Transform.Apply();

  // The object whose colour was issued last, so that a repeated colour is not sent again.
  const void* pLastColor = nullptr;
  if (NbFace() > 0) {
    Color(GetFace(0)->GetColor());
    pLastColor = GetFace(0);
  }
  if (m_UseSingleColor == 1)
    Color(&m_Color);
  const bool faceColors = m_UseSingleColor == 0 && m_ColorBinding == 1;
  const bool vertexColors = m_UseSingleColor == 0 && m_ColorBinding == 0;

  // A mesh with texture coordinates gives each corner its (u, v), so that the texture the scene
  // bound shows; a mesh without them is drawn untextured, whatever texture is still bound.
  const bool textured = GetTextureCoordinates() && GetTextureIndices();
  if (!textured) {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
  }

  glBegin(GL_TRIANGLES);
  for (int i = 0; i < NbFace(); i++) {
    const CFace3d* f = GetFace(i);
    if (m_NormalBinding == 1)
      Normal(f->GetNormal());
    if (faceColors && pLastColor != f) {
      Color(f->GetColor());
      pLastColor = f;
    }
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = f->v(k);
      if (m_NormalBinding == 0)
        Normal(v->GetNormal());
      if (vertexColors && pLastColor != v) {
        Color(v->GetColor());
        pLastColor = v;
      }
      if (textured)
        TexCoord(*this, 3 * i + k);
      glVertex3f(v->x(), v->y(), v->z());
    }
  }
  glEnd();
  if (!textured)
    glPopAttrib();
  glPopMatrix();
}
