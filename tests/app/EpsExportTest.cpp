#include "app/EpsExport.h"
#include "platform/core/MessageBox.h"
#include "tests/app/EpsLines.h"
#include "tests/support/MessageCapture.h"
#include "tests/support/GlContext.h"
#include "tests/support/TempFolder.h"

#include <GL/gl.h>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct SVertex
{
  float x, y, z, r, g, b;
};

// Feedback records as OpenGL writes them for GL_3D_COLOR.
class CFeedback
{
public:
  void Point(const SVertex& v)
  {
    m_Buffer.push_back(GL_POINT_TOKEN);
    Vertex(v);
  }
  void Line(const SVertex& a, const SVertex& b)
  {
    m_Buffer.push_back(GL_LINE_TOKEN);
    Vertex(a);
    Vertex(b);
  }
  void Polygon(const std::vector<SVertex>& vertices)
  {
    m_Buffer.push_back(GL_POLYGON_TOKEN);
    m_Buffer.push_back(static_cast<float>(vertices.size()));
    for (const SVertex& v : vertices)
      Vertex(v);
  }
  void Raw(float value) { m_Buffer.push_back(value); }
  const float* Data() const { return m_Buffer.data(); }
  int Count() const { return static_cast<int>(m_Buffer.size()); }

private:
  void Vertex(const SVertex& v)
  {
    for (float f : {v.x, v.y, v.z, v.r, v.g, v.b, 1.0f})
      m_Buffer.push_back(f);
  }
  std::vector<float> m_Buffer;
};

int CountLines(const std::vector<std::string>& lines, const std::string& text)
{
  int n = 0;
  for (const std::string& line : lines)
    n += line.find(text) != std::string::npos ? 1 : 0;
  return n;
}

// Index of the first line that is exactly the text, at or after start, or -1.
int FindLine(const std::vector<std::string>& lines, const std::string& text, int start = 0)
{
  for (int i = start; i < static_cast<int>(lines.size()); i++)
    if (lines[i] == text)
      return i;
  return -1;
}

// Index of the first line holding the text at or after start, or -1.
int Find(const std::vector<std::string>& lines, const std::string& text, int start = 0)
{
  for (int i = start; i < static_cast<int>(lines.size()); i++)
    if (lines[i].find(text) != std::string::npos)
      return i;
  return -1;
}

// A 640 x 480 viewport on a dark blue background, point size 4.
class CEpsExportTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (!m_Gl.IsCurrent())
      GTEST_SKIP() << "no OpenGL context";
    glViewport(0, 0, 640, 480);
    glClearColor(0.0f, 0.0f, 0.25f, 1.0f);
    glPointSize(4.0f);
  }

  std::vector<std::string> Export(const CFeedback& feedback, int sort, int* pResult = nullptr,
                                  int count = -2)
  {
    float pointSize = 0.0f;
    const int result = ExportEps(&pointSize, m_Path.c_str(), feedback.Data(),
                                 count == -2 ? feedback.Count() : count, sort);
    if (pResult)
      *pResult = result;
    EXPECT_EQ(pointSize, 4.0f);
    return ReadEpsLines(m_Path);
  }

  CGlContext m_Gl;
  CTempFolder m_Folder;
  std::string m_Path = m_Folder.File("out.eps");
};

const SVertex kRed{100, 100, 0.5f, 1, 0, 0};
const SVertex kGreen{300, 100, 0.5f, 0, 1, 0};
const SVertex kBlue{200, 300, 0.5f, 0, 0, 1};

SVertex At(float x, float y, float z, float grey) { return {x, y, z, grey, grey, grey}; }

} // namespace

TEST_F(CEpsExportTest, EmptySceneIsHeaderBackgroundAndTrailer)
{
  int result = 0;
  const std::vector<std::string> lines = Export(CFeedback(), 1, &result);
  EXPECT_EQ(result, 1);
  ASSERT_GE(lines.size(), 46u);
  EXPECT_EQ(lines[0], "%!PS-Adobe-2.0 EPSF-2.0");
  EXPECT_EQ(lines[1], "%%BoundingBox: 0 0 640 480");
  EXPECT_EQ(lines[2], "%%EndComments");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "gsave");
  EXPECT_EQ(lines[6], "/threshold 0.01 def");
  EXPECT_EQ(lines[8], "% RGB color command - r g b C");
  EXPECT_EQ(lines[9], "/C { setrgbcolor } bind def");
  EXPECT_EQ(lines[11], "% Flat-shaded triangle - x3 y3 x2 y2 x1 y1 r g b T");
  EXPECT_EQ(lines[12], "/T { C newpath moveto lineto lineto closepath fill } bind def");
  // 25 prolog lines, then the line width and the background.
  const int width = Find(lines, "setlinewidth");
  EXPECT_EQ(width, 13 + 25 + 1);
  EXPECT_EQ(lines[width], "0.1 setlinewidth");
  EXPECT_EQ(lines[width + 1], "0 0 0.25 setrgbcolor");
  EXPECT_EQ(lines[width + 2], "0 0 640 480 rectfill");
  EXPECT_EQ(lines[width + 3], "");
  EXPECT_EQ(lines[width + 4], "grestore");
  EXPECT_EQ(lines[width + 5], "");
  EXPECT_EQ(lines[width + 6], "showpage");
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(width + 7));
  for (const char* name : {"/bd", "/triangle", "/computediff1", "/computediff3", "/middlecolor",
                           "/gouraudtriangle"})
    EXPECT_GE(Find(lines, name), 13) << name;
}

TEST_F(CEpsExportTest, BoundingBoxFollowsTheViewport)
{
  glViewport(10, 20, 300, 200);
  const std::vector<std::string> lines = Export(CFeedback(), 0);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "%%BoundingBox: 10 20 300 200");
  EXPECT_GE(Find(lines, "10 20 300 200 rectfill"), 0);
}

TEST_F(CEpsExportTest, PolygonsAreFlatOrShadedByCornerColours)
{
  CFeedback flat;
  flat.Polygon({kRed, {300, 100, 0.5f, 1, 0, 0}, {200, 300, 0.5f, 1, 0, 0}});
  std::vector<std::string> lines = Export(flat, 1);
  const int block = FindLine(lines, "newpath");
  ASSERT_GE(block, 0);
  EXPECT_EQ(lines[block + 1], "1 0 0 setrgbcolor");
  EXPECT_EQ(lines[block + 2], "100 100 moveto");
  EXPECT_EQ(lines[block + 3], "300 100 lineto");
  EXPECT_EQ(lines[block + 4], "200 300 lineto");
  EXPECT_EQ(lines[block + 5], "closepath fill");
  EXPECT_EQ(CountLines(lines, "] gouraudtriangle"), 0);

  CFeedback quad;
  quad.Polygon({kRed, kGreen, kBlue, {50, 250, 0.5f, 1, 0, 0}});
  lines = Export(quad, 1);
  EXPECT_EQ(FindLine(lines, "newpath"), -1);
  ASSERT_EQ(CountLines(lines, "] gouraudtriangle"), 2);
  const int first = Find(lines, "] gouraudtriangle");
  EXPECT_EQ(lines[first], "[100 300 200 100 100 300] [1 0 0] [0 1 0] [0 0 1] gouraudtriangle");
  EXPECT_EQ(lines[first + 1], "[100 200 50 100 300 250] [1 0 0] [0 0 1] [1 0 0] gouraudtriangle");
}

TEST_F(CEpsExportTest, LinesAreGradedInStepsOfColour)
{
  CFeedback same;
  same.Line(At(10, 10, 0.5f, 0.5f), At(110, 10, 0.5f, 0.5f));
  std::vector<std::string> lines = Export(same, 0);
  int start = Find(lines, "0.5 0.5 0.5 setrgbcolor");
  ASSERT_GE(start, 0);
  EXPECT_EQ(lines[start + 1], "10 10 moveto");
  EXPECT_EQ(lines[start + 2], "110 10 lineto stroke");
  EXPECT_EQ(CountLines(lines, "lineto stroke"), 1);

  // Black to white over 100 units: trunc(1 * 100 * 0.06) = 6 steps.
  CFeedback graded;
  graded.Line(At(0, 0, 0.5f, 0.0f), At(100, 0, 0.5f, 1.0f));
  lines = Export(graded, 0);
  EXPECT_EQ(CountLines(lines, "lineto stroke"), 7);
  start = Find(lines, "0 0 moveto");
  ASSERT_GE(start, 1);
  EXPECT_EQ(lines[start - 1], "0 0 0 setrgbcolor");
  // The first step ends half a step past vertex 1 and takes the colour there.
  EXPECT_EQ(lines[start + 1], "8.33333 0 lineto stroke");
  EXPECT_EQ(lines[start + 2], "0.0833333 0.0833333 0.0833333 setrgbcolor");
  EXPECT_EQ(lines[start + 3], "8.33333 0 moveto");
  EXPECT_EQ(lines[start + 19], "100 0 lineto stroke");
}

TEST_F(CEpsExportTest, PointsAreDiscsOfHalfThePointSize)
{
  CFeedback points;
  points.Point({20, 30, 0.5f, 0, 1, 0});
  const std::vector<std::string> lines = Export(points, 1);
  const int disc = Find(lines, "arc fill");
  ASSERT_GE(disc, 1);
  EXPECT_EQ(lines[disc - 1], "0 1 0 setrgbcolor");
  EXPECT_EQ(lines[disc], "20 30 2 0 360 arc fill");
}

// Three flat triangles of distinct grey at depths 0.2, 0.8 and 0.5; a line and a point mixed in.
TEST_F(CEpsExportTest, SortedExportPaintsFarthestFirst)
{
  CFeedback feedback;
  feedback.Polygon({At(0, 0, 0.1f, 0.2f), At(10, 0, 0.2f, 0.2f), At(0, 10, 0.3f, 0.2f)});
  feedback.Polygon({At(0, 0, 0.8f, 0.8f), At(10, 0, 0.8f, 0.8f), At(0, 10, 0.8f, 0.8f)});
  feedback.Line(At(0, 0, 0.6f, 0.6f), At(1, 1, 0.6f, 0.6f));
  feedback.Polygon({At(0, 0, 0.5f, 0.5f), At(10, 0, 0.5f, 0.5f), At(0, 10, 0.5f, 0.5f)});
  feedback.Point(At(5, 5, 0.7f, 0.7f));

  std::vector<std::string> lines = Export(feedback, 1);
  const std::vector<std::string> sorted = {"0.8 0.8 0.8", "0.7 0.7 0.7", "0.6 0.6 0.6",
                                           "0.5 0.5 0.5", "0.2 0.2 0.2"};
  int at = Find(lines, "rectfill");
  for (const std::string& grey : sorted) {
    const int next = Find(lines, grey + " setrgbcolor", at + 1);
    ASSERT_GT(next, at) << grey;
    at = next;
  }

  lines = Export(feedback, 0);
  const std::vector<std::string> drawn = {"0.2 0.2 0.2", "0.8 0.8 0.8", "0.6 0.6 0.6",
                                          "0.5 0.5 0.5", "0.7 0.7 0.7"};
  at = Find(lines, "rectfill");
  for (const std::string& grey : drawn) {
    const int next = Find(lines, grey + " setrgbcolor", at + 1);
    ASSERT_GT(next, at) << grey;
    at = next;
  }
}

TEST_F(CEpsExportTest, OverflowedBufferWritesNoFileAndSaysSo)
{
  CMessageCapture messages;
  CFeedback feedback;
  feedback.Polygon({kRed, kGreen, kBlue});
  int result = 1;
  Export(feedback, 1, &result, -1);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(std::filesystem::exists(m_Path));
  EXPECT_EQ(messages.Last(), "The scene does not fit the feedback buffer: the EPS file was not written");
}

// Records are read from the buffer, not trusted: an unknown token, a vertex count beyond the
// buffer, a record cut short or values the pass never writes stop the export without a crash,
// and no partial file is left as if it were the whole picture.
TEST_F(CEpsExportTest, UnreadableRecordWritesNoFileAndSaysSo)
{
  for (int variant = 0; variant < 5; variant++) {
    CMessageCapture messages;
    CFeedback feedback;
    feedback.Point(At(1, 1, 0.5f, 0.3f));
    if (variant == 0)
      feedback.Raw(12345.0f);
    if (variant == 1) {
      feedback.Raw(GL_POLYGON_TOKEN);
      feedback.Raw(1.0e9f);
    }
    if (variant == 2) {
      feedback.Raw(GL_LINE_TOKEN);
      feedback.Raw(3.0f);
    }
    // Values the feedback pass never writes: a colour from stray memory, a coordinate that
    // is no number.
    if (variant == 3)
      feedback.Polygon({kRed, kGreen, {200, 300, 0.5f, -2.9e-35f, 3.1e-41f, 0}});
    if (variant == 4)
      feedback.Polygon({kRed, {NAN, 100, 0.5f, 0, 1, 0}, kBlue});
    int result = 1;
    Export(feedback, variant % 2, &result);
    EXPECT_EQ(result, 0) << variant;
    EXPECT_FALSE(std::filesystem::exists(m_Path)) << variant;
    EXPECT_EQ(messages.Last(),
              "The feedback buffer holds a record that cannot be read: the EPS file was not written")
      << variant;
  }
}

TEST_F(CEpsExportTest, EveryLineEndsInCrLf)
{
  CFeedback feedback;
  feedback.Polygon({kRed, kGreen, kBlue});
  feedback.Line(At(400, 400, 0.5f, 0.0f), At(600, 400, 0.5f, 1.0f));
  Export(feedback, 1);
  const std::vector<std::uint8_t> bytes = ReadBytes(m_Path);
  ASSERT_GT(bytes.size(), 2u);
  int lineFeeds = 0;
  for (std::size_t i = 0; i < bytes.size(); i++) {
    if (bytes[i] != '\n')
      continue;
    lineFeeds++;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(bytes[i - 1], '\r') << "at " << i;
  }
  EXPECT_GT(lineFeeds, 40);
  EXPECT_EQ(bytes[bytes.size() - 2], '\r');
  EXPECT_EQ(bytes.back(), '\n');
}

TEST_F(CEpsExportTest, UnwritableFileIsReported)
{
  std::vector<std::string> messages;
  platform::SetMessageSink([&messages](const std::string& text, int) {
    messages.push_back(text);
    return platform::IDOK;
  });
  float pointSize = 0.0f;
  const std::string path = m_Folder.File("missing/out.eps");
  EXPECT_EQ(ExportEps(&pointSize, path.c_str(), nullptr, 0, 1), 0);
  platform::SetMessageSink({});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Unable to open file for writing");
  EXPECT_FALSE(std::filesystem::exists(path));
}

// An independent reader: Ghostscript renders the file; the shaded triangle must show the red,
// green and blue of its corners blended, over the background colour.
TEST_F(CEpsExportTest, GhostscriptRendersShadedTriangle)
{
  if (std::system("command -v gs > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "Ghostscript is not installed";
  CFeedback feedback;
  feedback.Polygon({kRed, kGreen, kBlue});
  feedback.Line(At(400, 400, 0.5f, 0.0f), At(600, 400, 0.5f, 1.0f));
  feedback.Point({500, 100, 0.5f, 1, 1, 0});
  Export(feedback, 1);
  const std::string png = m_Folder.File("out.png");
  const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -g640x480 "
                              "-sOutputFile=" + png + " " + m_Path + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  // Image rows run top-down, PostScript's y up.
  const auto pixel = [&image](int x, int y) { return QColor(image.pixel(x, 479 - y)); };
  EXPECT_EQ(pixel(5, 5), QColor(0, 0, 64));
  EXPECT_EQ(pixel(500, 100), QColor(255, 255, 0));
  const QColor nearRed = pixel(110, 103);
  EXPECT_GT(nearRed.red(), 200);
  EXPECT_LT(nearRed.green(), 50);
  const QColor centre = pixel(200, 166);
  EXPECT_GT(centre.red(), 50);
  EXPECT_GT(centre.green(), 50);
  EXPECT_GT(centre.blue(), 50);
  // The graded line runs from black to white: brighter towards its end.
  const auto brightest = [&pixel](int x) {
    int best = 0;
    for (int y = 397; y <= 403; y++)
      best = std::max(best, pixel(x, y).red());
    return best;
  };
  EXPECT_LT(brightest(420), brightest(580));
  EXPECT_GT(brightest(580), 100);
}
