#pragma once

#include "mesh/Material.h"
#include "mesh/Transform.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMesh3d;
class CSceneGraph3d;

// The VRML 2.0 reader: a line and token scanner keyed on fixed text, not a grammar. An object
// starts at a line beginning with "DEF"; a "DEF name Transform" object holding a Material and
// an IndexedFaceSet of triangles becomes a CMesh3d with its transform, material and optional
// texture. Every search of an object stops at the next object, so that no object takes the
// fields of another.
class CParserVrml
{
public:
  CParserVrml() = default;
  ~CParserVrml() { Free(); }

  CParserVrml(const CParserVrml&) = delete;
  CParserVrml& operator=(const CParserVrml&) = delete;

  // Appends the meshes of the file to the scene; nothing already there is removed. 1 when the
  // file was read and its first line names VRML 2.0. Objects that are not triangle meshes are
  // skipped; a mesh whose indices name no point or texture coordinate fails the whole read and
  // leaves the scene as it was.
  int Run(const char* fileName, CSceneGraph3d* pScene);
  // Why the last Run failed on a malformed mesh object; empty when the file was no VRML 2.0
  // file, could not be read, or was read.
  const std::string& GetError() const { return m_Error; }

private:
  enum class EObject { Skipped, Read, Malformed };

  // Point coordinates, texture coordinates and the index groups of one mesh object.
  struct SMeshData
  {
    std::vector<float> points;
    std::vector<float> uv;
    std::vector<int> faces;      // three indices per group, as tallied
    std::vector<int> uvIndices;  // likewise, for a textured mesh
  };

  void Free();
  int ReadFile(const char* fileName);
  int CheckVersion();

  // --- scanning: byte offsets into the buffer, up to the end of the current object ---------
  int ReadLine();
  int ReadToken();
  int FindLineStartingWith(std::string_view key);
  int FindLineContaining(std::string_view key);
  int FindLineContainingBefore(std::string_view key, std::string_view stop);
  // Start of the next line beginning with "DEF" after the current line, or the data's end.
  size_t FindObjectEnd();

  // --- one object --------------------------------------------------------------------------
  EObject ReadMesh(CSceneGraph3d* pScene, std::unique_ptr<CMesh3d>* ppMesh);
  int CheckMesh();
  void ReadTransform(CTransform* pTransform);
  size_t ReadMaterial(CMaterial* pMaterial, size_t fallback);
  int ReadTexture(CSceneGraph3d* pScene, int* pTextureIndex);
  // The lists of the IndexedFaceSet: 1 when read, 0 when the object is no triangle mesh, -1 when
  // a list is cut short by the end of the object.
  int ReadMeshData(int textured, SMeshData* pData);
  // Finds the list's key and reads the list after it.
  template <class Read>
  int ReadList(std::string_view key, Read read);
  // Groups of n numbers up to the first group that does not parse: 1 when some were read.
  int ReadNumbers(int n, std::vector<float>* pValues);
  // Triangles "a, b, c, -1" up to a group that does not parse or a "]": 1 when some were read,
  // 0 when none or when a group is no triangle.
  // An index below -1 fails the read: -1 ends a polygon, lower indices name nothing.
  int ReadIndexGroups(std::string_view list, std::vector<int>* pIndices);
  // Keep the reason of a malformed object; -1, the lists' "malformed" result.
  int Fail(const std::string& reason);
  int FailIndex(std::string_view list, int index);
  // Moves the points and texture coordinates into the mesh.
  EObject BuildMesh(SMeshData& data, int textured, CMesh3d* pMesh);

  std::vector<char> m_Buffer;  // the whole file, byte for byte
  size_t m_Length = 0;
  size_t m_Position = 0;
  size_t m_End = 0;  // where the scanning stops: the current object's end
  std::string_view m_Line;   // the line last read, without its newline
  std::string_view m_Token;  // the token last read
  std::string m_Error;
};
