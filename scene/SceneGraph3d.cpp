#include "scene/SceneGraph3d.h"

#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

#include <GL/gl.h>

CMesh3d* CSceneGraph3d::AsMesh(CObject3d* pObject)
{
  return pObject->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(pObject) : nullptr;
}

template <class Fn>
void CSceneGraph3d::ForEachOfType(int type, Fn fn)
{
  for (int i = 0; i < NbObject(); i++)
    if (GetAt(i)->GetType() == type)
      fn(GetAt(i));
}

int CSceneGraph3d::FindTexture(const std::string& fileName, int* pIndex) const
{
  for (int i = 0; i < NbTexture(); i++) {
    if (GetTexture(i)->GetFileName() == fileName) {
      *pIndex = i;
      return 1;
    }
  }
  return 0;
}

CObject3d* CSceneGraph3d::FindFirstOfType(int type) const
{
  for (int i = 0; i < NbObject(); i++)
    if (GetAt(i)->GetType() == type)
      return GetAt(i);
  return nullptr;
}

void CSceneGraph3d::RemoveAll()
{
  DeleteTextures();
  m_ArrayTexture.DeleteAll();
  m_ArrayObject.DeleteAll();
  m_TexturesBuilt = 0;
}

void CSceneGraph3d::DeleteTextures()
{
  if (m_TextureNames.empty())
    return;
  glDeleteTextures(static_cast<GLsizei>(m_TextureNames.size()), m_TextureNames.data());
  m_TextureNames.clear();
}

int CSceneGraph3d::BuildList()
{
  for (int i = 0; i < NbObject(); i++)
    if (GetAt(i))
      GetAt(i)->BuildList();
  BuildTextures();
  m_TexturesBuilt = 1;
  return 1;
}

void CSceneGraph3d::BuildTextures()
{
  const int n = NbTexture();
  if (n == 0)
    return;
  DeleteTextures();
  m_TextureNames.assign(static_cast<size_t>(n), 0);
  glGenTextures(n, m_TextureNames.data());
  glGetError();
  for (int i = 0; i < n; i++) {
    while (glGetError() != GL_NO_ERROR) {
    }
    const CTexture* pTexture = GetTexture(i);
    glBindTexture(GL_TEXTURE_2D, m_TextureNames[static_cast<size_t>(i)]);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glGetError();
    // Rows are padded to 4 bytes, OpenGL's default unpack alignment. A 32-bit texture's
    // pixels are read as the RGBA they are; the texture object keeps RGB either way.
    const GLenum format = pTexture->IsRGBA() ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, 3, static_cast<GLsizei>(pTexture->GetWidth()),
                 static_cast<GLsizei>(pTexture->GetHeight()), 0, format, GL_UNSIGNED_BYTE,
                 pTexture->GetData());
    glGetError();
  }
}

void CSceneGraph3d::BindTexture(const CObject3d* pObject) const
{
  if (pObject->GetType() != TYPE_MESH3D)
    return;
  const int index = static_cast<const CMesh3d*>(pObject)->GetTextureIndex();
  // An index naming no uploaded texture binds nothing rather than reading past the names.
  if (index >= 0 && index < static_cast<int>(m_TextureNames.size()))
    glBindTexture(GL_TEXTURE_2D, m_TextureNames[static_cast<size_t>(index)]);
}

void CSceneGraph3d::Draw()
{
  if (!m_TexturesBuilt)
    BuildList();
  else if (static_cast<int>(m_TextureNames.size()) != NbTexture())
    BuildTextures();
  for (int i = 0; i < NbObject(); i++) {
    BindTexture(GetAt(i));
    GetAt(i)->Draw();
  }
}

void CSceneGraph3d::DrawUntextured()
{
  if (!m_TexturesBuilt)
    BuildList();
  for (int i = 0; i < NbObject(); i++)
    GetAt(i)->Draw();
}

void CSceneGraph3d::DrawObjectsOfType(int type)
{
  ForEachOfType(type, [](CObject3d* pObject) { pObject->Draw(); });
}

void CSceneGraph3d::DrawImmediate(unsigned char bindTextures)
{
  for (int i = 0; i < NbObject(); i++) {
    CObject3d* pObject = GetAt(i);
    switch (pObject->GetType()) {
    case TYPE_MESH3D:
      if (bindTextures)
        BindTexture(pObject);
      static_cast<CMesh3d*>(pObject)->DrawImmediate();
      break;
    case TYPE_QUADMESH3D:
      static_cast<CQuadMesh3d*>(pObject)->DrawImmediate();
      break;
    case TYPE_POLYGONMESH3D:
      static_cast<CPolygonMesh3d*>(pObject)->DrawImmediate();
      break;
    default:
      break;
    }
  }
}

void CSceneGraph3d::SetModified()
{
  for (int i = 0; i < NbObject(); i++)
    GetAt(i)->SetModified();
}

void CSceneGraph3d::BuildAdjacency()
{
  ForEachOfType(TYPE_MESH3D, [](CObject3d* pObject) { AsMesh(pObject)->BuildAdjacency(); });
}

void CSceneGraph3d::ComputeFaceNormals()
{
  ForEachOfType(TYPE_MESH3D, [](CObject3d* pObject) { AsMesh(pObject)->ComputeFaceNormals(); });
}

void CSceneGraph3d::ComputeVertexNormals()
{
  ForEachOfType(TYPE_MESH3D,
                [](CObject3d* pObject) { AsMesh(pObject)->ComputeVertexNormals(); });
}

void CSceneGraph3d::SetNormalBinding(int mode)
{
  for (int i = 0; i < NbObject(); i++) {
    CObject3d* pObject = GetAt(i);
    if (CMesh3d* pMesh = AsMesh(pObject))
      pMesh->SetNormalBinding(mode);
    else
      pObject->BuildList();
  }
}

void CSceneGraph3d::SetColorBinding(int mode)
{
  for (int i = 0; i < NbObject(); i++) {
    GetAt(i)->SetModified();
    if (CMesh3d* pMesh = AsMesh(GetAt(i)))
      pMesh->SetColorBinding(mode);
  }
}

void CSceneGraph3d::SetSingleColorMode(int on)
{
  for (int i = 0; i < NbObject(); i++) {
    CObject3d* pObject = GetAt(i);
    pObject->SetModified();
    switch (pObject->GetType()) {
    case TYPE_MESH3D:
      static_cast<CMesh3d*>(pObject)->SetUseSingleColor(on);
      break;
    case TYPE_QUADMESH3D:
      static_cast<CQuadMesh3d*>(pObject)->SetUseSingleColor(on);
      break;
    case TYPE_POLYGONMESH3D:
      static_cast<CPolygonMesh3d*>(pObject)->SetUseSingleColor(on);
      break;
    default:
      break;
    }
  }
}

void CSceneGraph3d::ShowMeshes(unsigned char value)
{
  ForEachOfType(TYPE_MESH3D, [value](CObject3d* pObject) { pObject->Show(value); });
}
