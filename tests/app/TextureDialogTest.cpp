#include "tests/app/DialogAnswer.h"
#include "tests/app/FormViewFixture.h"

#include "app/dialogs/DlgTexture.h"
#include "tests/support/ClipboardRecorder.h"
#include "platform/core/DeviceContextMemory.h"
#include "tests/support/TempFolder.h"

#include <QAction>
#include <QMenu>
#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace {

class CTextureDialogTest : public CFormViewFixture
{
protected:
  // A 4 x 2 image, red on the left half and blue on the right, as a bitmap file.
  std::string WriteImage()
  {
    CTexture texture;
    texture.Alloc(4, 2, 24);
    for (unsigned y = 0; y < 2; y++)
      for (unsigned x = 0; x < 4; x++)
        texture.SetColor(x, y, x < 2 ? 0 : 255, 0, x < 2 ? 255 : 0); // blue first in the file
    const std::string path = m_Folder.File("image.bmp");
    EXPECT_TRUE(texture.SaveFileBMP(path));
    return path;
  }

  CTempFolder m_Folder;
};

TEST_F(CTextureDialogTest, WithoutAMeshTheImageShowsAtItsOwnSize)
{
  m_FileAnswer = WriteImage();
  CDlgTexture dialog;
  EXPECT_EQ(dialog.GetTemplateId(), 151);
  ASSERT_TRUE(dialog.OnOpen());
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_EQ(m_Requests[0].InitialPath, "*.*");
  EXPECT_EQ(m_Requests[0].Filter, "Image files (*.*)");
  const auto dc = dialog.Draw(20, 10);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->GetPixel(0, 0), platform::Rgb(255, 0, 0));
  EXPECT_EQ(dc->GetPixel(3, 1), platform::Rgb(0, 0, 255));
  EXPECT_NE(dc->GetPixel(10, 5), platform::Rgb(0, 0, 255)); // beyond the image
  EXPECT_EQ(dialog.Draw(0, 10), nullptr);
}

TEST_F(CTextureDialogTest, WithAMeshTheImageIsStretchedOverTheArea)
{
  m_FileAnswer = WriteImage();
  CMesh3d* box = AddBox();
  CDlgTexture dialog(box);
  ASSERT_TRUE(dialog.OnOpen());
  const auto dc = dialog.Draw(40, 20);
  EXPECT_EQ(dc->GetPixel(1, 1), platform::Rgb(255, 0, 0));
  EXPECT_EQ(dc->GetPixel(38, 18), platform::Rgb(0, 0, 255));
}

TEST_F(CTextureDialogTest, TheFormsEditButtonOpensTheViewerOnObjectZero)
{
  std::vector<const CMesh3d*> meshes;
  std::vector<std::string> menu;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    meshes.push_back(static_cast<CDlgTexture&>(shown).GetMesh());
    for (QAction* action : shown.GetWindow()->findChildren<QAction*>())
      if (!action->menu())
        menu.push_back(action->text().toStdString());
    return platform::IDCANCEL;
  });
  Click(IDC_TEXTURE_EDIT);
  CMesh3d* box = AddBox();
  Click(IDC_TEXTURE_EDIT);
  EXPECT_EQ(meshes, (std::vector<const CMesh3d*>{nullptr, box}));
  EXPECT_EQ(std::vector<std::string>(menu.begin(), menu.begin() + 3),
            (std::vector<std::string>{"Open...", "Close", "Copy"}));
}

TEST_F(CTextureDialogTest, CopyPutsTheImageOnTheClipboardAsABitmap)
{
  CClipboardRecorder clipboard;
  m_FileAnswer = WriteImage();
  CDlgTexture dialog;
  EXPECT_FALSE(dialog.OnCopy()); // nothing loaded yet
  ASSERT_TRUE(dialog.OnOpen());
  EXPECT_TRUE(dialog.OnCopy());
  ASSERT_EQ(clipboard.m_Bitmaps.size(), 1u);
  const std::vector<std::uint8_t>& dib = clipboard.m_Bitmaps[0];
  ASSERT_GE(dib.size(), 40u + 2 * 12);
  EXPECT_EQ(dib[4], 4); // width
  EXPECT_EQ(dib[8], 2); // height
}

} // namespace
