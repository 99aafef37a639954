// The scene files: VRML 2.0, the Inventor header and the raw scene.
#include "scene/SceneGraph3d.h"

#include "mesh/BinaryMeshFile.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "scene/StreamFile.h"

#include <cstdint>
#include <vector>

namespace {
int Fail(const char* message)
{
  platform::MessageBox(message);
  return 0;
}
} // namespace

int CSceneGraph3d::WriteHeader(CStreamFile& file, const char* fileName, const char* header)
{
  if (!file.Open(fileName, "w"))
    return Fail("Unable to open file for writing");
  if (platform::PrintFile(file.Get(), "%s\n\n", header) < 0 || !file.Flush()) {
    file.Close();
    return Fail("Error during writing file header");
  }
  return 1;
}

// The version line and a blank line, nothing more: every writer appends its own blocks.
int CSceneGraph3d::WriteHeaderVrml(CStreamFile& file, const char* fileName)
{
  return WriteHeader(file, fileName, "#VRML V2.0 utf8");
}

int CSceneGraph3d::WriteHeaderInventor(CStreamFile& file, const char* fileName)
{
  return WriteHeader(file, fileName, "#Inventor V2.1 ascii");
}

int CSceneGraph3d::NbMesh()
{
  int n = 0;
  for (int i = 0; i < NbObject(); i++)
    n += AsMesh(GetAt(i)) ? 1 : 0;
  return n;
}

// Only triangle meshes are written: a scene without one would give a file holding nothing of
// it, which must not be reported as saved.
int CSceneGraph3d::SaveFileVrml(const char* fileName)
{
  if (NbMesh() == 0)
    return Fail("This scene does not contain meshes");
  CStreamFile file;
  if (!WriteHeaderVrml(file, fileName))
    return Fail("Error during writing header");
  for (int i = 0; i < NbObject(); i++)
    if (CMesh3d* pMesh = AsMesh(GetAt(i)); pMesh && !pMesh->WriteVrml(file))
      return 0;
  return file.Close() ? 1 : Fail("Error during writing");
}

int CSceneGraph3d::SaveFileBinary(const char* fileName)
{
  if (NbMesh() == 0)
    return Fail("This scene does not contain meshes");
  CStreamFile file;
  if (!file.Open(fileName, "wb"))
    return Fail("Unable to open file for writing");
  std::vector<unsigned char> tally;
  binaryfile::PutWord(tally, static_cast<std::uint32_t>(NbObject()));
  if (std::fwrite(tally.data(), 1, tally.size(), file.Get()) != tally.size())
    return Fail("Error during writing");
  for (int i = 0; i < NbObject(); i++)
    if (CMesh3d* pMesh = AsMesh(GetAt(i)); pMesh && !pMesh->WriteBinary(file))
      return 0;
  return file.Close() ? 1 : Fail("Error during writing");
}
