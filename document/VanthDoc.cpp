#include "document/VanthDoc.h"

#include "app/ChildFrame.h"
#include "app/dialogs/DlgSampling.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "scene/ParserVrml.h"
#include "scene/Texture.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Path.h"
#include "platform/ui/MDIFrameWnd.h"
#include "platform/ui/WinApp.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct SExtension
{
  const char* Suffix;
  CVanthDoc::EFileKind Kind;
};

// Tried in this order; the first match wins.
const SExtension kExtensions[] = {
  {".wrl", CVanthDoc::FILE_VRML},   {".jpg", CVanthDoc::FILE_IMAGE},
  {".bmp", CVanthDoc::FILE_IMAGE},  {".dib", CVanthDoc::FILE_IMAGE},
  {"quad", CVanthDoc::FILE_QUAD_MESH}, {".bin", CVanthDoc::FILE_BIN},
  {".smf", CVanthDoc::FILE_SMF},    {".smm", CVanthDoc::FILE_SMM},
  {".ppd", CVanthDoc::FILE_PPD},    {".dem", CVanthDoc::FILE_DEM},
  {".mhp", CVanthDoc::FILE_MHP},    {".obj", CVanthDoc::FILE_OBJ},
  {".vpm", CVanthDoc::FILE_PROGRESSIVE}, {".raw", CVanthDoc::FILE_RAW},
};

} // namespace

CVanthDoc::EFileKind CVanthDoc::FileKindOf(const std::string& path)
{
  const std::string suffix = platform::LowerSuffix(path, 4);
  for (const SExtension& extension : kExtensions)
    if (suffix == extension.Suffix)
      return extension.Kind;
  return FILE_UNKNOWN;
}

// ".raw" files are written only.
bool CVanthDoc::IsOpenable(EFileKind kind)
{
  return kind != FILE_UNKNOWN && kind != FILE_RAW;
}

void CVanthDoc::TakePath(const std::string& path)
{
  const std::string::size_type dot = path.rfind('.');
  m_FileRoot = dot == std::string::npos ? std::string() : path.substr(0, dot);
  const std::string folder = platform::DirectoryOf(path);
  if (folder.empty())
    return;
  // A folder that cannot be entered leaves the current directory as it was.
  std::error_code error;
  std::filesystem::current_path(folder, error);
}

// Every way an open can fail says so: the window of a document that opens nothing is closed
// again by the template, and without a message the user would not know why.
bool CVanthDoc::OnOpenDocument(const std::string& path)
{
  TakePath(path);
  const char* file = path.c_str();
  switch (FileKindOf(path)) {
  case FILE_VRML: return OpenVrml(path);
  case FILE_IMAGE: return OpenImage(path);
  case FILE_QUAD_MESH: {
    // Appended to whatever the scene holds.
    auto pMesh = std::make_unique<CQuadMesh3d>();
    if (!pMesh->ReadBinary(file))
      return CannotRead(path);
    if (pMesh->NbVertex() == 0)
      return NoMeshFound(path);
    pMesh->BuildAdjacencyAndNormals();
    m_SceneGraph.Add(pMesh.release());
    return true;
  }
  case FILE_BIN: return OpenMesh(&CMesh3d::ReadFileBin, path, true);
  case FILE_SMF: return OpenMesh(&CMesh3d::ReadFileSmf, path, true);
  case FILE_SMM: return OpenMesh(&CMesh3d::ReadFileSmm, path, true);
  case FILE_PPD: return OpenMesh(&CMesh3d::ReadFilePpd, path, true);
  case FILE_DEM: return OpenMesh(&CMesh3d::ReadFileDem, path, false);
  case FILE_MHP: return OpenMesh(&CMesh3d::ReadFileMhp, path, false);
  case FILE_OBJ: {
    auto pMesh = std::make_unique<CPolygonMesh3d>();
    if (!pMesh->ReadFileOBJ(file))
      return CannotRead(path);
    if (pMesh->NbVertex() == 0)
      return NoMeshFound(path);
    pMesh->Rebuild();
    EmptyScene();
    m_SceneGraph.Add(pMesh.release());
    return true;
  }
  case FILE_PROGRESSIVE: return OpenProgressive(path);
  default: return NoMeshFound(path);
  }
}

bool CVanthDoc::NoMeshFound(const std::string& path)
{
  platform::MessageBox("no mesh found in " + path);
  return false;
}

bool CVanthDoc::CannotRead(const std::string& path)
{
  platform::MessageBox("Unable to read " + path);
  return false;
}

// The reader takes only "DEF ... Transform" objects holding a triangle IndexedFaceSet: a file
// of another layout reads as success with nothing in it, which must not open an empty window.
bool CVanthDoc::OpenVrml(const std::string& path)
{
  const int nbObject = m_SceneGraph.NbObject();
  CParserVrml parser;
  const int read = parser.Run(path.c_str(), &m_SceneGraph);
  if (!read && !parser.GetError().empty()) {
    platform::MessageBox("Unable to read " + path + ": " + parser.GetError());
    return false;
  }
  if (!read || m_SceneGraph.NbObject() == nbObject)
    return NoMeshFound(path);
  m_SceneGraph.BuildAdjacency();
  m_SceneGraph.ComputeFaceNormals();
  m_SceneGraph.ComputeVertexNormals();
  return true;
}

// A reader that fails keeps the scene as it was and the window does not open: no empty or
// half-read mesh is ever appended.
bool CVanthDoc::OpenMesh(int (CMesh3d::*read)(const char*), const std::string& path, bool rebuild)
{
  auto pMesh = std::make_unique<CMesh3d>();
  if (!(pMesh.get()->*read)(path.c_str()))
    return CannotRead(path);
  if (pMesh->NbVertex() == 0)
    return NoMeshFound(path);
  if (rebuild)
    pMesh->Rebuild();
  EmptyScene();
  m_SceneGraph.Add(pMesh.release());
  return true;
}

bool CVanthDoc::OpenImage(const std::string& path)
{
  CDlgSampling dialog;
  if (dialog.DoModal() != platform::IDOK)
    return false;
  CTexture image;
  if (!image.ReadFile(path))
    return false;
  EmptyScene();
  if (dialog.m_QuadMesh) {
    m_SceneGraph.Add(new CQuadMesh3d);
    return true;
  }
  image.BGRtoRGB();
  auto pMesh = std::make_unique<CMesh3d>();
  if (!pMesh->GenerateMapFromImage(&image, dialog.m_Width, dialog.m_Height, dialog.m_UseColor))
    return NoMeshFound(path);
  pMesh->Range(0, -1.0f, 1.0f);
  pMesh->Range(1, -0.2f, 0.2f);
  pMesh->Range(2, -1.0f, 1.0f);
  m_SceneGraph.Add(pMesh.release());
  m_SceneGraph.BuildAdjacency();
  m_SceneGraph.ComputeFaceNormals();
  m_SceneGraph.ComputeVertexNormals();
  return true;
}

bool CVanthDoc::OnSaveDocument(const std::string& path)
{
  if (platform::MessageBox("Save moodifications ?", platform::MB_YESNO) != platform::IDYES)
    return false;
  const EFileKind kind = FileKindOf(path);
  if (kind != FILE_VRML && kind != FILE_RAW) {
    // Nothing would be written: saying the document was saved would lose the user's work.
    platform::MessageBox("Unable to save: use the extension .wrl or .raw");
    return false;
  }
  // Both formats hold triangle meshes only: without one, the file would be a bare header
  // that looks like a saved scene.
  bool hasMesh = false;
  for (int i = 0; i < m_SceneGraph.NbObject() && !hasMesh; i++)
    hasMesh = m_SceneGraph.GetAt(i)->GetType() == TYPE_MESH3D;
  if (!hasMesh) {
    platform::MessageBox("This scene does not contain meshes");
    return false;
  }
  if (kind == FILE_VRML)
    return m_SceneGraph.SaveFileVrml(path.c_str()) != 0;
  return m_SceneGraph.SaveFileBinary(path.c_str()) != 0;
}

QWidget* CVanthDoc::GetActivePane(int column)
{
  platform::CWinApp* app = platform::CWinApp::GetApp();
  platform::CMDIFrameWnd* main = app ? app->GetMainWnd() : nullptr;
  if (!main)
    return nullptr;
  const auto* frame = dynamic_cast<const CChildFrame*>(main->MDIGetActive());
  return frame ? frame->GetPane(0, column) : nullptr;
}

QWidget* CVanthDoc::GetRenderView()
{
  return GetActivePane(1);
}

QWidget* CVanthDoc::GetCommandView()
{
  return GetActivePane(0);
}
