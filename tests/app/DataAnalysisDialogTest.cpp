#include "app/dialogs/DlgDataAnalysis.h"
#include "support/MessageCapture.h"
#include "tests/support/TempFolder.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr int kNbPoint = CDlgDataAnalysis::kNbPoint;
constexpr int kNbTriangle = CDlgDataAnalysis::kNbTriangle;
constexpr int kColumns = 500;
constexpr int kRows = (kNbPoint + kColumns - 1) / kColumns; // 382, the last one short

struct SPoint
{
  float x, y, z;
};

// Points on a grid of 500 columns over x in [0, 10] and z in [0, depth], at heights 1 to 4.
SPoint GridPoint(int i, float depth)
{
  const int column = i % kColumns;
  const int row = i / kColumns;
  return {10.0f * column / (kColumns - 1), 1.0f + 3.0f * (column % 7) / 6.0f,
          depth * row / (kRows - 1)};
}

void WritePoints(const std::string& path, int count, const std::function<SPoint(int)>& point)
{
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  for (int i = 0; i < count; i++) {
    const SPoint p = point(i);
    std::fprintf(file, "%.7g %.7g %.7g\n", p.x, p.y, p.z);
  }
  std::fclose(file);
}

// Triangles joining each point to its right and lower neighbours, wrapping at the end.
void WriteTriangles(const std::string& path, int count, int badAt = -1, int bad = 0)
{
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  for (int t = 0; t < count; t++) {
    const int a = (t / 2) % kNbPoint;
    const int b = (a + 1 + (t % 2) * (kColumns - 1)) % kNbPoint;
    const int c = (a + kColumns) % kNbPoint;
    std::fprintf(file, "%d %d %d\n", a, t == badAt ? bad : b, c);
  }
  std::fclose(file);
}

class CDataAnalysisTest : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    s_Folder = new CTempFolder;
    WritePoints(Path("square.pts"), kNbPoint, [](int i) { return GridPoint(i, 10.0f); });
    WritePoints(Path("deep.pts"), kNbPoint, [](int i) { return GridPoint(i, 20.0f); });
    WriteTriangles(Path("mesh.faces"), kNbTriangle);
  }
  static void TearDownTestSuite()
  {
    delete s_Folder;
    s_Folder = nullptr;
  }
  static std::string Path(const std::string& name) { return s_Folder->File(name); }

  static CTempFolder* s_Folder;
};

CTempFolder* CDataAnalysisTest::s_Folder = nullptr;

TEST_F(CDataAnalysisTest, ASquareOfPointsGivesAThousandByAThousandImage)
{
  CDlgDataAnalysis dialog;
  CMessageCapture messages;
  ASSERT_TRUE(dialog.Load(Path("square.pts"), Path("mesh.faces")));
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(dialog.GetPicture().GetWidth(), 1000u);
  EXPECT_EQ(dialog.GetPicture().GetHeight(), 1000u);
  EXPECT_EQ(dialog.GetHeights().GetHeight(), 1000);
  EXPECT_FLOAT_EQ(dialog.GetLargestHeight(), 4.0f);
  // Point 0 (x 0, z 0, height 1) lands in the bottom-left pixel.
  EXPECT_FLOAT_EQ(dialog.GetHeights().GetPixel(0, 999), 1.0f);
  EXPECT_EQ(dialog.PictureColor(0, 999), platform::Rgb(63, 63, 63));
  // Point 6 (height 4) is the brightest; a pixel no sample reached stays red and empty.
  const int column6 = static_cast<int>(10.0f * 6 / (kColumns - 1) / 10.0f * 999);
  EXPECT_EQ(dialog.PictureColor(column6, 999), platform::Rgb(255, 255, 255));
  int empty = 0, red = 0;
  for (int y = 0; y < 1000; y++)
    for (int x = 0; x < 1000; x++)
      if (dialog.GetHeights().GetPixel(x, y) == CDlgDataAnalysis::kEmpty) {
        empty++;
        red += dialog.PictureColor(x, y) == platform::Rgb(255, 0, 0) ? 1 : 0;
      }
  EXPECT_GT(empty, 0);
  EXPECT_EQ(red, empty);
}

TEST_F(CDataAnalysisTest, APointSetTwiceAsDeepAsWideIsTwiceAsTall)
{
  CDlgDataAnalysis dialog;
  ASSERT_TRUE(dialog.Load(Path("deep.pts"), Path("mesh.faces")));
  EXPECT_EQ(dialog.GetPicture().GetWidth(), 1000u);
  EXPECT_EQ(dialog.GetPicture().GetHeight(), 2000u);
}

TEST_F(CDataAnalysisTest, ShortFilesBadIndicesAndFlatPointSetsAreRefused)
{
  CDlgDataAnalysis dialog;
  ASSERT_TRUE(dialog.Load(Path("square.pts"), Path("mesh.faces")));
  WritePoints(Path("short.pts"), kNbPoint - 1, [](int i) { return GridPoint(i, 10.0f); });
  WriteTriangles(Path("short.faces"), kNbTriangle - 1);
  WriteTriangles(Path("beyond.faces"), kNbTriangle, 1234, kNbPoint);
  WriteTriangles(Path("negative.faces"), kNbTriangle, kNbTriangle - 1, -1);
  WritePoints(Path("flatx.pts"), kNbPoint, [](int i) { return SPoint{2.0f, 1.0f, float(i % 9)}; });
  WritePoints(Path("flatz.pts"), kNbPoint, [](int i) { return SPoint{float(i % 9), 1.0f, 3.0f}; });
  const std::vector<std::pair<std::string, std::string>> cases = {
    {"short.pts", "mesh.faces"},   {"square.pts", "short.faces"}, {"square.pts", "beyond.faces"},
    {"square.pts", "negative.faces"}, {"flatx.pts", "mesh.faces"}, {"flatz.pts", "mesh.faces"},
    {"missing.pts", "mesh.faces"}};
  CMessageCapture messages;
  for (const auto& [points, triangles] : cases) {
    SCOPED_TRACE(points + " " + triangles);
    messages.Clear();
    EXPECT_FALSE(dialog.Load(Path(points), Path(triangles)));
    EXPECT_EQ(messages.Texts().size(), 1u);
    // The images of the last good file stay.
    EXPECT_EQ(dialog.GetPicture().GetHeight(), 1000u);
    EXPECT_FLOAT_EQ(dialog.GetHeights().GetPixel(0, 999), 1.0f);
  }
}

TEST_F(CDataAnalysisTest, FillingClosesTheInnerHolesAndSavingWritesTheBitmap)
{
  CDlgDataAnalysis dialog;
  ASSERT_TRUE(dialog.Load(Path("square.pts"), Path("mesh.faces")));
  const auto inner = [&dialog] {
    int n = 0;
    for (int y = 1; y < 999; y++)
      for (int x = 1; x < 999; x++)
        n += dialog.GetHeights().GetPixel(x, y) == CDlgDataAnalysis::kEmpty ? 1 : 0;
    return n;
  };
  const int before = inner();
  ASSERT_GT(before, 0);
  EXPECT_EQ(dialog.OnFill(), 1);
  const int afterOne = inner();
  EXPECT_LT(afterOne, before);
  EXPECT_GT(dialog.OnRecursiveFill(), 0);
  EXPECT_EQ(inner(), 0);
  EXPECT_EQ(dialog.OnFill(), 0);
  dialog.OnSmooth();
  for (int x = 1; x < 999; x += 97)
    EXPECT_NE(dialog.PictureColor(x, 500), platform::Rgb(255, 0, 0));

  {
    const CCurrentFolder inFolder(s_Folder->Path());
    EXPECT_TRUE(dialog.OnSave());
  }
  const QImage saved(QString::fromStdString(Path("drome_1000_1000.bmp")));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), QSize(1000, 1000));
  const platform::ColorRef corner = dialog.PictureColor(0, 999);
  EXPECT_EQ(saved.pixel(0, 999) & 0xFFFFFF,
            static_cast<QRgb>(qRgb(corner & 0xFF, (corner >> 8) & 0xFF, (corner >> 16) & 0xFF)) & 0xFFFFFF);
}

} // namespace
