#include "tests/app/RenderViewFixture.h"
#include "tests/app/EpsLines.h"

#include "app/objects/VertexSet3d.h"
#include "platform/core/Format.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// File > Export > eps on a shown view, written into a scratch folder made current.
class CEpsExportViewTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_InFolder.emplace(m_Folder.Path());
  }
  void TearDown() override
  {
    m_InFolder.reset();
    CRenderViewFixture::TearDown();
  }

  // The file dialog takes the name it proposes; answers the file's lines.
  std::vector<std::string> ExportEps()
  {
    m_FileAnswer = std::string("mesh.eps");
    m_View->DoCommand(ID_EXPORT_EPS);
    return ReadEpsLines(m_Folder.File("mesh.eps"));
  }

  // The scene's triangles as the view's feedback pass sees them: the corners as the file
  // writes them (the key that finds the triangle there) and the mean depth.
  std::map<std::string, float> FeedbackPolygons()
  {
    EXPECT_TRUE(m_View->MakeCurrent());
    std::vector<GLfloat> buffer(1000000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    m_View->ApplyViewTransform();
    m_Document->m_SceneGraph.DrawImmediate(0);
    glPopMatrix();
    const int count = glRenderMode(GL_RENDER);
    std::map<std::string, float> polygons;
    for (int i = 0; i < count;) {
      EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
      const int n = static_cast<int>(buffer[i + 1]);
      EXPECT_EQ(n, 3);
      const float* v = &buffer[i + 2];
      polygons[platform::Format("%g %g %g %g %g %g", v[0], v[1], v[7], v[8], v[14], v[15])] =
        (v[2] + v[9] + v[16]) / 3.0f;
      m_Polygons++;
      i += 2 + 7 * n;
    }
    return polygons;
  }

  // The corners of every triangle in the order the file paints them.
  static std::vector<std::string> PaintedCorners(const std::vector<std::string>& lines)
  {
    std::vector<std::string> corners;
    const auto point = [](const std::string& line) { return line.substr(0, line.find(" m")); };
    const auto lineTo = [](const std::string& line) { return line.substr(0, line.find(" l")); };
    for (std::size_t i = 0; i < lines.size(); i++) {
      if (lines[i] == "newpath" && i + 4 < lines.size())
        corners.push_back(point(lines[i + 2]) + " " + lineTo(lines[i + 3]) + " " +
                          lineTo(lines[i + 4]));
      if (lines[i].size() > 1 && lines[i][0] == '[' &&
          lines[i].find("gouraudtriangle") != std::string::npos) {
        std::string x[3], y[3];
        std::istringstream in(lines[i].substr(1));
        in >> x[0] >> x[1] >> x[2] >> y[0] >> y[1] >> y[2];
        y[2] = y[2].substr(0, y[2].find(']'));
        corners.push_back(x[0] + " " + y[0] + " " + x[1] + " " + y[1] + " " + x[2] + " " + y[2]);
      }
    }
    return corners;
  }

  CTempFolder m_Folder;
  std::optional<CCurrentFolder> m_InFolder;
  int m_Polygons = 0;
};

} // namespace

TEST_F(CEpsExportViewTest, AsksForMeshEpsAndWritesTheViewport)
{
  const std::vector<std::string> lines = ExportEps();
  ASSERT_EQ(m_Requests.size(), 1u);
  EXPECT_FALSE(m_Requests[0].Open);
  EXPECT_EQ(m_Requests[0].InitialPath, "mesh.eps");
  EXPECT_EQ(m_Requests[0].Filter, "EPS Files (*.eps)");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "%!PS-Adobe-2.0 EPSF-2.0");
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_GT(viewport[2], 0);
  EXPECT_EQ(lines[1], platform::Format("%%%%BoundingBox: %d %d %d %d", viewport[0], viewport[1],
                                       viewport[2], viewport[3]));
  EXPECT_EQ(lines.back(), "showpage");
}

TEST_F(CEpsExportViewTest, CancelWritesNothing)
{
  m_FileAnswer.reset();
  m_View->DoCommand(ID_EXPORT_EPS);
  EXPECT_FALSE(std::filesystem::exists(m_Folder.File("mesh.eps")));
}

// A lit box: every visible triangle the feedback pass gives is written once, farthest first.
TEST_F(CEpsExportViewTest, WritesEveryFeedbackTriangleBackToFront)
{
  AddBox();
  m_View->m_xRotation = 30.0f;
  m_View->m_yRotation = 40.0f;
  const std::vector<std::string> lines = ExportEps();
  const std::map<std::string, float> polygons = FeedbackPolygons();
  ASSERT_GT(m_Polygons, 0);
  const std::vector<std::string> corners = PaintedCorners(lines);
  ASSERT_EQ(static_cast<int>(corners.size()), m_Polygons);
  float previous = 2.0f;
  for (const std::string& corner : corners) {
    const auto found = polygons.find(corner);
    ASSERT_NE(found, polygons.end()) << corner;
    EXPECT_LE(found->second, previous) << corner;
    previous = found->second;
  }
}

// The box's faces in a single colour with lighting off: every triangle is a flat fill of it.
TEST_F(CEpsExportViewTest, WritesTheDrawnColours)
{
  CMesh3d* box = AddBox();
  box->SetUseSingleColor(1);
  box->GetColor()->Set(255, 0, 0);
  ASSERT_TRUE(m_View->MakeCurrent());
  glDisable(GL_LIGHTING);
  const std::vector<std::string> lines = ExportEps();
  glEnable(GL_LIGHTING);
  int fills = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); i++)
    if (lines[i] == "newpath") {
      EXPECT_EQ(lines[i + 1], "1 0 0 setrgbcolor");
      fills++;
    }
  EXPECT_GT(fills, 0);
  for (const std::string& line : lines)
    EXPECT_EQ(line.find("] gouraudtriangle"), std::string::npos) << line;
}

// Spheres in a display list (a vertex set, the highlight overlay) stay out of the feedback
// pass: the file holds the mesh's triangles and nothing else, and the export does not fail.
TEST_F(CEpsExportViewTest, SpheresInDisplayListsStayOutOfTheFeedbackPass)
{
  AddBox();
  auto set = std::make_unique<CVertexSet3d>();
  auto corner = std::make_unique<CVertex3d>(0.5f, 0.5f, 0.5f);
  set->AddVertex(corner.release(), 0.3f);
  m_Document->m_SceneGraph.Add(set.release());
  m_Document->m_HighlightVertex = 1;
  m_View->RedrawNow();
  const std::vector<std::string> lines = ExportEps();
  FeedbackPolygons();
  EXPECT_EQ(static_cast<int>(PaintedCorners(lines).size()), m_Polygons);
  EXPECT_GT(m_Polygons, 0);
  EXPECT_LE(m_Polygons, 12);
  EXPECT_EQ(lines.back(), "showpage");
}

namespace {

// A sphere of the given refinement with rings of faces cut away: many holes through which the
// inside (back faces, lit by the back material) shows.
std::unique_ptr<CMesh3d> SphereWithHoles(int levels)
{
  std::unique_ptr<CMesh3d> sphere = fixtures::Icosphere(levels);
  fixtures::Points points;
  for (int i = 0; i < sphere->NbVertex(); i++) {
    const CVertex3d* v = sphere->GetVertex(i);
    points.push_back({v->x(), v->y(), v->z()});
  }
  fixtures::Triangles triangles;
  for (int i = 0; i < sphere->NbFace(); i++) {
    const CFace3d* f = sphere->GetFace(i);
    const float y = (f->v(0)->y() + f->v(1)->y() + f->v(2)->y()) / 3.0f;
    const float x = (f->v(0)->x() + f->v(1)->x() + f->v(2)->x()) / 3.0f;
    // Bands across y and a slot across x make several holes of different shapes.
    if ((y > 0.3f && y < 0.5f) || (y < -0.2f && y > -0.35f) || (x > 0.6f && y > -0.1f && y < 0.1f))
      continue;
    triangles.push_back({sphere->IndexFrom(f->v(0)), sphere->IndexFrom(f->v(1)),
                         sphere->IndexFrom(f->v(2))});
  }
  return fixtures::Build(points, triangles);
}

} // namespace

// A number in [0, 1], written whole.
static bool IsColourValue(const std::string& word)
{
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  return end == word.c_str() + word.size() && value >= 0.0 && value <= 1.0;
}

// Every number the file holds for a colour lies in [0, 1]: the corners of each smooth
// triangle and every flat fill.
static void ExpectColoursInRange(const std::vector<std::string>& lines)
{
  int colours = 0;
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
      words.push_back(word);
    if (words.size() == 4 && words[3] == "setrgbcolor") {
      for (int k = 0; k < 3; k++)
        EXPECT_TRUE(IsColourValue(words[k])) << line;
      colours++;
    }
    // The prolog's own gouraudtriangle lines hold names, not numbers.
    if (!words.empty() && words.back() == "gouraudtriangle" && words[0].rfind("[x", 0) != 0) {
      // [x x x y y y] [r g b] [r g b] [r g b]
      for (std::size_t k = 6; k + 1 < words.size(); k++) {
        std::string w = words[k];
        w.erase(std::remove(w.begin(), w.end(), '['), w.end());
        w.erase(std::remove(w.begin(), w.end(), ']'), w.end());
        EXPECT_TRUE(IsColourValue(w)) << line;
      }
      colours++;
    }
  }
  EXPECT_GT(colours, 1);
}

// Lit meshes with holes, seen from several sides and with both shadings: two exports of the
// same view are the same bytes, and no colour comes from values the feedback pass never wrote.
TEST_F(CEpsExportViewTest, RepeatedExportsOfALitMeshWithHolesAreIdentical)
{
  CMesh3d* mesh = Add(SphereWithHoles(3));
  ASSERT_GT(mesh->NbFace(), 500);
  ASSERT_TRUE(m_View->MakeCurrent());
  ASSERT_TRUE(glIsEnabled(GL_LIGHTING));
  for (const GLenum shading : {GL_FLAT, GL_SMOOTH}) {
    for (const float angle : {0.0f, 35.0f, 160.0f}) {
      SCOPED_TRACE(std::to_string(shading) + " " + std::to_string(angle));
      ASSERT_TRUE(m_View->MakeCurrent());
      glShadeModel(shading);
      m_View->m_xRotation = angle / 2.0f;
      m_View->m_yRotation = angle;
      m_View->RedrawNow();
      const std::vector<std::string> first = ExportEps();
      m_View->RedrawNow();
      const std::vector<std::string> second = ExportEps();
      EXPECT_EQ(first, second);
      ExpectColoursInRange(first);
      FeedbackPolygons();
      EXPECT_EQ(static_cast<int>(PaintedCorners(first).size()), m_Polygons);
      m_Polygons = 0;
    }
  }
  ASSERT_TRUE(m_View->MakeCurrent());
  glShadeModel(GL_FLAT);
}
