#include "tests/app/DialogAnswer.h"
#include "tests/app/EmfReader.h"
#include "tests/app/RenderViewFixture.h"

#include "mesh/ColorRamp.h"
#include "scene/Texture.h"
#include "tests/support/ClipboardRecorder.h"
#include "tests/support/TempFolder.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t EMR_RECTANGLE = 43;
constexpr std::uint32_t kBackColor = 0x00808080; // the dialog's back-facing colour

// The metafile dialog on a textured sphere, with the current folder in a scratch folder (the
// dialog writes "metafile.emf" there) and the clipboard recorded.
class CTextureRequestMapTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_InFolder.emplace(m_Folder.Path());
    m_Clipboard.emplace();
  }
  void TearDown() override
  {
    m_Clipboard.reset();
    m_InFolder.reset();
    CRenderViewFixture::TearDown();
  }

  // A sphere whose corners take (u, v) from their x and y, and a 64 x 32 texture.
  CMesh3d* AddTexturedSphere(int textureIndex)
  {
    CMesh3d* sphere = Add(fixtures::Icosphere(1));
    std::vector<float> uv;
    std::vector<int> indices;
    for (int f = 0; f < sphere->NbFace(); f++)
      for (int k = 0; k < 3; k++) {
        const CVertex3d* v = sphere->GetFace(f)->v(k);
        indices.push_back(static_cast<int>(uv.size() / 2));
        uv.push_back((v->x() + 1.0f) / 2.0f);
        uv.push_back((v->y() + 1.0f) / 2.0f);
      }
    sphere->SetTextureCoordinates(uv);
    sphere->SetTextureIndices(indices);
    sphere->SetTextureIndex(textureIndex);
    std::vector<std::uint8_t> pixels(64 * 32 * 3, 128);
    auto texture = std::make_unique<CTexture>();
    texture->ReadBuffer(pixels.data(), 64, 32, 24);
    m_Document->m_SceneGraph.AddTexture(texture.release());
    return sphere;
  }

  // Opens the dialog, picks the texture request map, runs once and closes.
  CEmfReader RunRequestMap()
  {
    int round = 0;
    CDialogAnswer answer([&round](platform::CDialog& shown) {
      if (round++ > 0)
        return platform::IDCANCEL;
      shown.GetWindow()->findChild<QRadioButton*>("1074")->click();
      return platform::IDOK;
    });
    m_View->DoCommand(ID_METAFILE_PARAMETERS);
    const std::vector<std::uint8_t> bytes = ReadBytes(m_Folder.File("metafile.emf"));
    EXPECT_FALSE(m_Clipboard->m_Metafiles.empty());
    if (!m_Clipboard->m_Metafiles.empty()) {
      EXPECT_EQ(m_Clipboard->m_Metafiles.back(), bytes);
    }
    return CEmfReader(bytes);
  }

  CTempFolder m_Folder;
  std::optional<CCurrentFolder> m_InFolder;
  std::optional<CClipboardRecorder> m_Clipboard;
};

} // namespace

TEST_F(CTextureRequestMapTest, TheModeDrawsEveryFaceTheBackgroundAndTheLegend)
{
  CMesh3d* sphere = AddTexturedSphere(0);
  m_View->m_xRotation = 30.0f;
  const CEmfReader emf = RunRequestMap();
  ASSERT_TRUE(emf.IsValid());
  EXPECT_EQ(emf.MapMode(), 1u);

  // The mode left each face back-facing (-1) or with its depth (0..255): all are drawn.
  int back = 0;
  for (int i = 0; i < sphere->NbFace(); i++) {
    const int flag = sphere->GetFace(i)->GetFlag();
    ASSERT_TRUE(flag == -1 || (flag >= 0 && flag <= 255)) << i;
    back += flag == -1;
  }
  EXPECT_GT(back, 0);
  EXPECT_LT(back, sphere->NbFace());
  EXPECT_EQ(emf.Count(CEmfReader::EMR_POLYGON), sphere->NbFace());
  // One black background, then 256 legend bands.
  EXPECT_EQ(emf.Count(EMR_RECTANGLE), 1 + 256);

  // Back-facing faces are filled with the back colour, the others with their ramp entry.
  const std::vector<std::uint32_t> brushes = emf.Colors(CEmfReader::EMR_CREATEBRUSHINDIRECT);
  EXPECT_NE(std::find(brushes.begin(), brushes.end(), kBackColor), brushes.end());
  EXPECT_NE(std::find(brushes.begin(), brushes.end(), 0u), brushes.end()); // the background
  CColorRamp rainbow;
  rainbow.BuildRainbow();
  for (int i = 0; i < sphere->NbFace(); i++) {
    const int flag = sphere->GetFace(i)->GetFlag();
    if (flag < 0)
      continue;
    const std::uint32_t color = platform::Rgb(rainbow.Red(flag), rainbow.Green(flag), rainbow.Blue(flag));
    EXPECT_NE(std::find(brushes.begin(), brushes.end(), color), brushes.end()) << "face " << i;
  }
}

TEST_F(CTextureRequestMapTest, AMeshWithoutTextureGivesAnEmptyMetafile)
{
  AddTexturedSphere(-1);
  const CEmfReader emf = RunRequestMap();
  ASSERT_TRUE(emf.IsValid());
  EXPECT_EQ(emf.Count(CEmfReader::EMR_POLYGON), 0);
  EXPECT_EQ(emf.Count(EMR_RECTANGLE), 0);
}

TEST_F(CTextureRequestMapTest, ATextureIndexPastTheSceneListDrawsNothing)
{
  AddTexturedSphere(5);
  const CEmfReader emf = RunRequestMap();
  ASSERT_TRUE(emf.IsValid());
  EXPECT_EQ(emf.Count(CEmfReader::EMR_POLYGON), 0);
}
