#include "app/MetafileExport.h"

#include "mesh/Mesh3d.h"
#include "platform/core/Clipboard.h"
#include "tests/support/MessageCapture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class CMetafileClipboard : public platform::CClipboardSink
{
public:
  bool SetText(const std::string&) override { return true; }
  bool SetBitmap(const std::vector<std::uint8_t>&) override { return true; }
  bool SetMetafile(const std::vector<std::uint8_t>& emf) override
  {
    m_Metafile = emf;
    m_NbPuts++;
    return true;
  }
  std::string GetText() override { return {}; }
  std::vector<std::uint8_t> m_Metafile;
  int m_NbPuts = 0;
};

std::unique_ptr<CMesh3d> Square()
{
  auto mesh = std::make_unique<CMesh3d>();
  const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
  for (const auto& c : corners)
    mesh->AddVertex(new CVertex3d(c[0], c[1], 0.0f));
  mesh->AddFace(new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2)));
  mesh->AddFace(new CFace3d(mesh->GetVertex(0), mesh->GetVertex(2), mesh->GetVertex(3)));
  mesh->Rebuild();
  return mesh;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
  return std::uint32_t(bytes[at]) | (std::uint32_t(bytes[at + 1]) << 8) |
         (std::uint32_t(bytes[at + 2]) << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}

// Number of records of the given type, walking the record sizes.
int CountRecords(const std::vector<std::uint8_t>& bytes, std::uint32_t type)
{
  int count = 0;
  for (std::size_t at = 0; at + 8 <= bytes.size() && Le32(bytes, at + 4) >= 8;
       at += Le32(bytes, at + 4))
    count += Le32(bytes, at) == type ? 1 : 0;
  return count;
}

const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const int kViewport[4] = {0, 0, 100, 100};

} // namespace

TEST(MetafileExport, FileAndClipboardGetTheSameBytesEveryRun)
{
  CTempFolder folder;
  CMetafileClipboard clipboard;
  platform::CClipboardSink* pPrevious = platform::SetClipboard(&clipboard);
  auto mesh = Square();
  CMetafileSettings settings;
  const std::string file = folder.File("metafile.emf");

  ASSERT_TRUE(ExportMetafile(*mesh, kIdentity, kIdentity, kViewport, settings, nullptr, file));
  const std::vector<std::uint8_t> lines = ReadBytes(file);
  EXPECT_EQ(clipboard.m_Metafile, lines);
  EXPECT_EQ(CountRecords(lines, 54), 5);  // five edges, LINETO each
  EXPECT_EQ(CountRecords(lines, 3), 0);

  settings.m_LineMode = 0;
  ASSERT_TRUE(ExportMetafile(*mesh, kIdentity, kIdentity, kViewport, settings, nullptr, file));
  const std::vector<std::uint8_t> faces = ReadBytes(file);
  EXPECT_EQ(clipboard.m_Metafile, faces);
  EXPECT_EQ(clipboard.m_NbPuts, 2);
  EXPECT_EQ(CountRecords(faces, 3), 2);  // one POLYGON per face
  platform::SetClipboard(pPrevious);
}

TEST(MetafileExport, UnwritableFileIsReportedAndClipboardKept)
{
  CTempFolder folder;
  CMetafileClipboard clipboard;
  platform::CClipboardSink* pPrevious = platform::SetClipboard(&clipboard);
  CMessageCapture messages;
  auto mesh = Square();
  EXPECT_FALSE(ExportMetafile(*mesh, kIdentity, kIdentity, kViewport, CMetafileSettings(), nullptr,
                              folder.File("missing/metafile.emf")));
  EXPECT_EQ(messages.Last(), "Unable to create MetaFile");
  EXPECT_EQ(clipboard.m_NbPuts, 0);
  platform::SetClipboard(pPrevious);
}
