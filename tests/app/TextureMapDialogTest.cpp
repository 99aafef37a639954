#include "DialogAnswer.h"

#include "app/dialogs/DlgTextureMap.h"
#include "app/resources/Resource.h"
#include "platform/core/DeviceContextMemory.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/FileDialog.h"
#include "tests/support/TempFolder.h"

#include <QAction>
#include <QDialog>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::unique_ptr<CTexture> Tile(int size, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  auto tile = std::make_unique<CTexture>();
  EXPECT_TRUE(tile->Alloc(size, size, 24));
  tile->Fill(r, g, b);
  return tile;
}

std::vector<std::string> FileNames(const CTextureMap& map)
{
  std::vector<std::string> names;
  for (int i = 0; i < map.GetSize() * map.GetSize(); i++)
    names.push_back(map.TileFileName(i));
  return names;
}

TEST(TextureMapDialogTest, EachLevelOfDetailNamesItsTilesWithOverlapForty)
{
  CDlgTextureMap dialog;
  const int firsts[3] = {1360, 1344, 1281};
  const int grids[3] = {2, 4, 8};
  for (int level = 1; level <= 3; level++) {
    SCOPED_TRACE(level);
    dialog.OnLod(level);
    const CTextureMap& map = dialog.GetMap();
    EXPECT_EQ(map.GetOverlap(), 40);
    EXPECT_EQ(map.GetSize(), grids[level - 1]);
    const std::vector<std::string> names = FileNames(map);
    ASSERT_EQ(names.size(), static_cast<std::size_t>(grids[level - 1] * grids[level - 1]));
    EXPECT_EQ(names.front(), platform::Format("spot_%06d.rgb", firsts[level - 1]));
    EXPECT_EQ(names.back(),
              platform::Format("spot_%06d.rgb", firsts[level - 1] + grids[level - 1] * grids[level - 1] - 1));
  }
  EXPECT_EQ(FileNames(dialog.GetMap()).back(), "spot_001344.rgb");
}

// Overlap 40 with 2 x 2 tiles of 128 pixels: the second column starts at 88 + pan x.
TEST(TextureMapDialogTest, TilesOverlapByFortyPixelsAndFollowThePan)
{
  CDlgTextureMap dialog;
  dialog.GetMap().Set(40, 2, 0, "none");
  dialog.GetMap().AddTile(Tile(128, 255, 0, 0));
  dialog.GetMap().AddTile(Tile(128, 0, 255, 0));
  dialog.GetMap().AddTile(Tile(128, 0, 0, 255));
  dialog.GetMap().AddTile(Tile(128, 255, 255, 0));
  dialog.OnSize(400, 300);
  const platform::CDeviceContextMemory* buffer = dialog.GetBuffer();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetPixel(87, 10), platform::Rgb(255, 0, 0));
  EXPECT_EQ(buffer->GetPixel(88, 10), platform::Rgb(0, 255, 0));
  EXPECT_EQ(buffer->GetPixel(10, 88), platform::Rgb(0, 0, 255));
  EXPECT_EQ(buffer->GetPixel(100, 100), platform::Rgb(255, 255, 0));
  const platform::ColorRef face = buffer->GetPixel(300, 10);
  // A drag of (15, 5): the mosaic moves with it; the release clears what it left behind.
  dialog.OnLButtonDown(50, 50);
  dialog.OnMouseMove(65, 55);
  EXPECT_EQ(dialog.GetPanX(), 15);
  EXPECT_EQ(dialog.GetPanY(), 5);
  EXPECT_EQ(buffer->GetPixel(103, 20), platform::Rgb(0, 255, 0));
  EXPECT_EQ(buffer->GetPixel(5, 2), platform::Rgb(255, 0, 0)); // left over until release
  dialog.OnLButtonUp();
  EXPECT_EQ(buffer->GetPixel(5, 2), face);
  // A negative overlap opens gaps of that many pixels.
  dialog.OnViewInit();
  dialog.GetMap().SetOverlap(1);
  dialog.OnOverlap(-4);
  EXPECT_EQ(dialog.GetMap().GetOverlap(), -3);
  EXPECT_EQ(buffer->GetPixel(128, 10), face);
  EXPECT_EQ(buffer->GetPixel(131, 10), platform::Rgb(0, 255, 0));
}

TEST(TextureMapDialogTest, AnEmptyClientAreaHasNoBufferAndPaintsNothing)
{
  CDlgTextureMap dialog;
  dialog.OnLod(1);
  dialog.OnSize(0, 200);
  EXPECT_EQ(dialog.GetBuffer(), nullptr);
  dialog.OnLButtonDown(0, 0);
  dialog.OnMouseMove(10, 10);
  dialog.OnOverlap(1);
  EXPECT_EQ(dialog.GetBuffer(), nullptr);
  dialog.OnSize(30, 20);
  ASSERT_NE(dialog.GetBuffer(), nullptr);
  EXPECT_EQ(dialog.GetBuffer()->GetWidth(), 30);
}

TEST(TextureMapDialogTest, OpeningAnImageReplacesTheTilesAndKeepsTheGrid)
{
  CTempFolder folder;
  const std::string path = folder.File("one.bmp");
  ASSERT_TRUE(Tile(16, 10, 20, 30)->SaveFileBMP(path));
  std::vector<platform::SFileDialogRequest> requests;
  const platform::FileDialogSink previous =
    platform::SetFileDialogSink([&](const platform::SFileDialogRequest& request) {
      requests.push_back(request);
      return std::optional<std::string>(path);
    });
  CDlgTextureMap dialog;
  std::vector<std::string> menu;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& open = static_cast<CDlgTextureMap&>(shown);
    for (QAction* action : shown.GetWindow()->findChildren<QAction*>())
      if (!action->objectName().isEmpty())
        menu.push_back(action->text().toStdString());
    open.OnLod(1);
    shown.GetWindow()->findChild<QAction*>(QString::number(ID_MAP_LOD2))->trigger();
    open.OnLButtonDown(0, 0);
    open.OnMouseMove(7, 3);
    open.OnLButtonUp();
    shown.GetWindow()->findChild<QAction*>(QString::number(platform::ID_FILE_OPEN))->trigger();
    EXPECT_EQ(open.GetMap().NbTile(), 1);
    EXPECT_EQ(open.GetMap().GetSize(), 4);
    EXPECT_EQ(open.GetPanX(), 0);
    EXPECT_EQ(open.GetBuffer()->GetPixel(3, 3), platform::Rgb(10, 20, 30));
    return platform::IDCANCEL;
  });
  dialog.DoModal();
  platform::SetFileDialogSink(previous);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].InitialPath, "*.*");
  EXPECT_EQ(requests[0].Filter, "Image files (*.*)");
  EXPECT_EQ(menu, (std::vector<std::string>{"Open", "LOD 1", "LOD 2", "LOD 3", "Increase",
                                            "Decrease", "Init"}));
}

} // namespace
