#include "app/resources/Accelerators.h"
#include "app/resources/ButtonBar.h"
#include "app/resources/Menus.h"
#include "app/resources/Resource.h"
#include "app/resources/Strings.h"

#include <QImage>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// The lines of the submenu at the given path ("File", "Window/AVI", ...).
std::vector<std::string> MenuLines(const std::vector<platform::SMenuItem>& menu, const std::string& path)
{
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    parts.push_back(path.substr(start, slash - start));
    if (slash == std::string::npos)
      break;
    start = slash + 1;
  }
  std::size_t i = 0;
  for (int depth = 0; depth < static_cast<int>(parts.size()); depth++) {
    while (i < menu.size() &&
           !(menu[i].Depth == depth && menu[i].Id == 0 && menu[i].Text && parts[depth] == menu[i].Text))
      i++;
    if (i == menu.size())
      return {};
    i++;
  }
  std::vector<std::string> lines;
  const int depth = static_cast<int>(parts.size());
  for (; i < menu.size() && menu[i].Depth >= depth; i++)
    if (menu[i].Depth == depth)
      lines.push_back(menu[i].Text ? menu[i].Text : "-");
  return lines;
}

std::vector<std::string> TopLevel(const std::vector<platform::SMenuItem>& menu)
{
  std::vector<std::string> titles;
  for (const auto& item : menu)
    if (item.Depth == 0)
      titles.push_back(item.Text);
  return titles;
}

std::set<unsigned> MenuIds(const std::vector<platform::SMenuItem>& menu)
{
  std::set<unsigned> ids;
  for (const auto& item : menu)
    if (item.Id != 0)
      ids.insert(item.Id);
  return ids;
}

} // namespace

TEST(Menus, TheMainMenuHoldsFileViewAndHelp)
{
  const auto& menu = GetMainMenu();
  EXPECT_EQ(TopLevel(menu), (std::vector<std::string>{"File", "View", "Help"}));
  const auto file = MenuLines(menu, "File");
  ASSERT_GE(file.size(), 5u);
  EXPECT_EQ(file[0], "New\tCtrl+N");
  EXPECT_EQ(file[1], "Open...\tCtrl+O");
  EXPECT_EQ(file[3], "Print Setup...");
  EXPECT_EQ(file[5], "Recent File");
  EXPECT_EQ(file.back(), "Exit");
  EXPECT_EQ(MenuLines(menu, "View"), (std::vector<std::string>{"Toolbar", "Status Bar"}));
  EXPECT_EQ(MenuLines(menu, "Help"), (std::vector<std::string>{"About Vanth..."}));
}

TEST(Menus, TheDocumentMenuHoldsItsMenusInOrder)
{
  EXPECT_EQ(TopLevel(GetDocumentMenu()),
            (std::vector<std::string>{"File", "Edit", "View", "Mode", "Scene", "Algorithms", "Geometry",
                                      "Compression", "Textures", "Predefined", "Window", "Debug", "Help"}));
}

TEST(Menus, DocumentMenuTextsAreTheSystemsOwn)
{
  const auto& menu = GetDocumentMenu();
  EXPECT_EQ(MenuLines(menu, "File/Export"),
            (std::vector<std::string>{"eps", "bmp", "scene to multiple iv files", "Quad mesh...", "cpt file"}));
  EXPECT_EQ(MenuLines(menu, "Edit"), (std::vector<std::string>{"Copy\tCtrl+C", "Window metafile"}));
  EXPECT_EQ(MenuLines(menu, "Edit/Window metafile"),
            (std::vector<std::string>{"Generate MetaFile", "Generate MetaFile (front faces only)",
                                      "Generate MetaFile (face mode)", "Parameters..."}));
  EXPECT_EQ(MenuLines(menu, "View").back(), "Full screen\tSpace");
  EXPECT_EQ(MenuLines(menu, "Window"),
            (std::vector<std::string>{"New Window", "Cascade", "Tile horizontally", "Tile vertically",
                                      "Arrange Icons", "-", "Multi view...\tF9", "Spline...", "AVI"}));
  EXPECT_EQ(MenuLines(menu, "Window/AVI"),
            (std::vector<std::string>{"Init", "Add frame\tCtrl+a", "Write", "Resize 4/3"}));
  EXPECT_EQ(MenuLines(menu, "Help"), (std::vector<std::string>{"About Vanth...", "Debug", "Demo\tF5"}));
  const auto file = MenuLines(menu, "File");
  for (const char* line : {"Close", "Save\tCtrl+S", "Save As...", "Print...\tCtrl+P", "Print Preview",
                           "Print Setup...", "Recent File", "Exit"})
    EXPECT_NE(std::find(file.begin(), file.end(), line), file.end()) << line;
  EXPECT_EQ(MenuLines(menu, "Algorithms/Surface subdivision/Loop").front(), "Std\tCtrl + L");
  EXPECT_EQ(MenuLines(menu, "Compression/Coding/Gate approach/Triangle"),
            (std::vector<std::string>{"Encode...\tCtrl+G", "Decode...\tCtrl+Shift+G"}));
}

TEST(Menus, EveryMenuLineHasAParentAndEveryCommandOneLine)
{
  for (const auto* menu : {&GetMainMenu(), &GetDocumentMenu()}) {
    int depth = -1;
    std::set<unsigned> seen;
    for (const auto& item : *menu) {
      EXPECT_LE(item.Depth, depth + 1) << (item.Text ? item.Text : "-");
      depth = item.Id == 0 && item.Text ? item.Depth : item.Depth - 1;
      if (item.Id != 0) {
        EXPECT_TRUE(seen.insert(item.Id).second) << item.Text;
      }
    }
  }
}

TEST(Accelerators, SeventyOneEntriesEachReachingAMenuCommand)
{
  const auto& table = GetAccelerators();
  EXPECT_EQ(table.size(), 71u);
  const std::set<unsigned> inMenus = MenuIds(GetDocumentMenu());
  // The standard editing and pane keys, and the texture map dialog's own commands.
  const std::set<unsigned> elsewhere = {platform::ID_EDIT_UNDO, platform::ID_EDIT_CUT, platform::ID_EDIT_PASTE,
                                        platform::ID_NEXT_PANE, platform::ID_PREV_PANE,
                                        ID_MAP_OVERLAP_INCREASE, ID_MAP_OVERLAP_DECREASE};
  for (const auto& entry : table)
    EXPECT_TRUE(inMenus.count(entry.Id) || elsewhere.count(entry.Id)) << entry.Id;
}

TEST(ButtonBar, TwentyFiveEntriesWithNineteenImagesOfOneButtonEach)
{
  const auto& bar = GetStandardButtonBar();
  ASSERT_EQ(bar.size(), 25u);
  int buttons = 0;
  int images = 0;
  const std::set<unsigned> inMenus = MenuIds(GetDocumentMenu());
  std::set<unsigned> bitmaps;
  for (const auto& entry : bar) {
    if (entry.Id == 0)
      continue;
    buttons++;
    EXPECT_TRUE(inMenus.count(entry.Id)) << entry.Id;
    if (entry.Bitmap == 0)
      continue;
    images++;
    EXPECT_TRUE(bitmaps.insert(entry.Bitmap).second);
  }
  EXPECT_EQ(buttons, 20);
  EXPECT_EQ(images, 19);
  EXPECT_EQ(bar[0].Id, platform::ID_FILE_NEW);
  EXPECT_EQ(bar[0].Bitmap, 146u);
  EXPECT_EQ(bar[23].Id, platform::ID_APP_ABOUT);
  EXPECT_EQ(bar[24].Id, platform::ID_APP_ABOUT);
  EXPECT_EQ(bar[24].Bitmap, 0u);
}

TEST(Strings, TitlesAndTheEmptyDocumentString)
{
  EXPECT_STREQ(LoadString(IDR_MAINFRAME), "Orvane");
  EXPECT_STREQ(LoadString(IDS_APP_TITLE), "Vanth");
  EXPECT_STREQ(LoadString(IDR_VANTHTYPE), "");
}

extern void InitButtonImagesForTest();

TEST(ButtonBar, EveryImageLoadsThroughTheResourceSystemAtTheButtonSize)
{
  InitButtonImagesForTest();
  for (const auto& entry : GetStandardButtonBar()) {
    if (entry.Bitmap == 0)
      continue;
    const char* path = GetButtonBitmapPath(entry.Bitmap);
    ASSERT_NE(path, nullptr) << entry.Bitmap;
    const QImage image(path);
    ASSERT_FALSE(image.isNull()) << path;
    EXPECT_EQ(image.size(), QSize(23, 22)) << path;
  }
}
