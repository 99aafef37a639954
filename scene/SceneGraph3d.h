#pragma once

#include "mesh/Array3d.h"
#include "mesh/Object3d.h"
#include "scene/Texture.h"

#include <string>
#include <vector>

class CMesh3d;
class CStreamFile;

// The scene a document shows and saves: scene objects in drawing order and the textures that
// textured triangle meshes name by index. The scene owns and deletes both. Its OpenGL texture
// objects are made at the first draw; building them and emptying the scene need the view's
// rendering context current.
class CSceneGraph3d
{
public:
  CSceneGraph3d() = default;
  ~CSceneGraph3d() { RemoveAll(); }

  CSceneGraph3d(const CSceneGraph3d&) = delete;
  CSceneGraph3d& operator=(const CSceneGraph3d&) = delete;

  // --- objects and textures ------------------------------------------------------------------
  // The object list is open to callers: the scene owns whatever is in it when emptied.
  CArray3d<CObject3d>* GetArrayObject() { return &m_ArrayObject; }
  const CArray3d<CObject3d>* GetArrayObject() const { return &m_ArrayObject; }
  int NbObject() const { return m_ArrayObject.GetSize(); }
  CObject3d* GetAt(int i) const { return m_ArrayObject[i]; }
  // Takes ownership; returns the object's index.
  int Add(CObject3d* pObject) { return m_ArrayObject.Add(pObject); }
  CArray3d<CTexture>* GetArrayTexture() { return &m_ArrayTexture; }
  int NbTexture() const { return m_ArrayTexture.GetSize(); }
  CTexture* GetTexture(int i) const { return m_ArrayTexture[i]; }
  // Takes ownership; returns the texture's index.
  int AddTexture(CTexture* pTexture) { return m_ArrayTexture.Add(pTexture); }
  // Whole, case-sensitive comparison with each texture's file name; the first equal one gives
  // its index and 1. None gives 0 and leaves *pIndex alone.
  int FindTexture(const std::string& fileName, int* pIndex) const;
  // The first object of the type in list order, or null.
  CObject3d* FindFirstOfType(int type) const;
  // Deletes the OpenGL textures, every texture and every object.
  void RemoveAll();

  // --- drawing -------------------------------------------------------------------------------
  // Compiles every object's display list, then makes the OpenGL textures; 1.
  int BuildList();
  // Builds at the first call (and uploads textures added since), then draws every object,
  // binding a textured triangle mesh's texture first.
  void Draw();
  void DrawUntextured();
  void DrawObjectsOfType(int type);
  // Without display lists: triangle, quad and polygon meshes only.
  void DrawImmediate(unsigned char bindTextures);
  int IsBuilt() const { return m_TexturesBuilt; }
  // The OpenGL texture names, one per texture uploaded; empty before the first build.
  const std::vector<unsigned int>& GetTextureNames() const { return m_TextureNames; }

  // --- modes, forwarded to the objects that understand them ----------------------------------
  void SetModified();
  void BuildAdjacency();
  void ComputeFaceNormals();
  void ComputeVertexNormals();
  // Triangle meshes take the binding (1 per face, 0 per vertex); other objects compile again.
  void SetNormalBinding(int mode);
  void SetColorBinding(int mode);
  void SetSingleColorMode(int on);
  void ShowMeshes(unsigned char value);

  // --- files (scene/SceneGraph3dFile.cpp) ----------------------------------------------------
  // VRML 2.0: the header, then the block of every triangle mesh; 1 when all was written. A
  // scene without objects is refused.
  int SaveFileVrml(const char* fileName);
  // Open the file for writing and write the header that mesh blocks (CMesh3d::WriteVrml,
  // CMesh3d::WriteInventor) follow; the caller closes the file.
  int WriteHeaderVrml(CStreamFile& file, const char* fileName);
  int WriteHeaderInventor(CStreamFile& file, const char* fileName);
  // The raw scene: the number of objects (of every kind), then the binary record of every
  // triangle mesh.
  int SaveFileBinary(const char* fileName);

private:
  // Replaces the OpenGL textures by one per texture of the list.
  void BuildTextures();
  void DeleteTextures();
  // Binds the texture of a textured triangle mesh; other objects bind nothing.
  void BindTexture(const CObject3d* pObject) const;
  // The object as a triangle mesh, or null.
  static CMesh3d* AsMesh(CObject3d* pObject);
  // Triangle meshes in the object list, the only objects the scene files hold.
  int NbMesh();
  static int WriteHeader(CStreamFile& file, const char* fileName, const char* header);
  template <class Fn>
  void ForEachOfType(int type, Fn fn);

  CArray3d<CObject3d> m_ArrayObject;
  CArray3d<CTexture> m_ArrayTexture;
  std::vector<unsigned int> m_TextureNames;
  int m_TexturesBuilt = 0;
};
