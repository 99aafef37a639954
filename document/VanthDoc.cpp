#include "document/VanthDoc.h"

#include "app/ChildFrame.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Path.h"
#include "platform/ui/MDIFrameWnd.h"
#include "platform/ui/WinApp.h"

#include <filesystem>
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

// The progressive streams open once their decoder exists; ".raw" files are written only.
bool CVanthDoc::IsOpenable(EFileKind kind)
{
  return kind != FILE_UNKNOWN && kind != FILE_PROGRESSIVE && kind != FILE_RAW;
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

bool CVanthDoc::OnOpenDocument(const std::string& path)
{
  TakePath(path);
  // Every reader fills the scene graph, which this document does not hold yet: the kinds are
  // recognised (FileKindOf) but no file opens.
  return false;
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
  // The scene writers come with the scene graph; until then nothing is written.
  return false;
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
