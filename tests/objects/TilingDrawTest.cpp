#include "mesh/MeshFixtures.h"
#include "processing/Tiling3d.h"
#include "processing/TilingNode.h"

#include "support/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// What one drawing issued, read back through the feedback buffer: polygons by colour and
// lines, with the mean window x of the line ends.
struct SIssued
{
  int green = 0;
  int red = 0;
  int otherPolygons = 0;
  int blueLines = 0;
  int otherLines = 0;
  double meanLineX = 0.0;
};

template <class Fn>
SIssued Capture(Fn draw)
{
  constexpr int kValues = 7;  // x, y, z, r, g, b, a
  std::vector<GLfloat> buffer(1 << 21);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint size = glRenderMode(GL_RENDER);
  EXPECT_GE(size, 0) << "feedback buffer overflow";
  SIssued issued;
  double sumX = 0.0;
  for (GLint i = 0; i < size;) {
    const auto token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
    const GLfloat* v = buffer.data() + i;
    if (token == GL_POLYGON_TOKEN) {
      const auto n = static_cast<GLint>(*v);
      const GLfloat* first = v + 1;
      if (first[3] == 0.0f && first[4] == 1.0f && first[5] == 0.0f)
        issued.green++;
      else if (first[3] == 1.0f && first[4] == 0.0f && first[5] == 0.0f)
        issued.red++;
      else
        issued.otherPolygons++;
      i += 1 + n * kValues;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      const bool blue = v[3] == 0.0f && v[4] == 0.0f && v[5] == 1.0f;
      issued.blueLines += blue ? 1 : 0;
      issued.otherLines += blue ? 0 : 1;
      sumX += v[0] + v[kValues];
      i += 2 * kValues;
    } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
               token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
      i += kValues;
    } else {
      i += 1;  // pass-through marker
    }
  }
  const int lines = issued.blueLines + issued.otherLines;
  issued.meanLineX = lines > 0 ? sumX / (2.0 * lines) : 0.0;
  return issued;
}

class CTilingDrawTest : public ::testing::Test
{
protected:
  static void SetUpTestSuite() { s_Gl = std::make_unique<CGlContext>(); }
  static void TearDownTestSuite() { s_Gl.reset(); }
  void SetUp() override
  {
    if (!s_Gl->IsCurrent())
      GTEST_SKIP() << "no OpenGL context";
    glDisable(GL_CULL_FACE);
    // The unit sphere scaled into the clip volume, so that nothing is clipped away.
    m_Mesh = fixtures::Icosphere(2);
    m_Tiling = std::make_unique<CTiling3d>();
    m_Tiling->Copy(m_Mesh.get());
    m_Tiling->Rebuild();
    m_Tiling->Build(0, 1, m_Mesh.get());
    m_Tiling->GetTransform()->SetScale(CVector3d(0.4f, 0.4f, 0.4f));
  }

  // Polygons of one node sphere, whatever its radius.
  static int SpherePolygons()
  {
    const CVertex3d point;
    const CColor green(0, 255, 0);
    return Capture([&] { point.glDraw(0.1f, &green, nullptr); }).green;
  }

  int Links() const
  {
    int links = 0;
    for (int i = 0; i < m_Tiling->NbNode(); i++)
      links += m_Tiling->GetNode(i)->NbNeighbor();
    return links;
  }

  static std::unique_ptr<CGlContext> s_Gl;
  std::unique_ptr<CMesh3d> m_Mesh;
  std::unique_ptr<CTiling3d> m_Tiling;
};

std::unique_ptr<CGlContext> CTilingDrawTest::s_Gl;

TEST_F(CTilingDrawTest, NodesAreSpheresAndLinksAreBlueLinesWithoutTheFaces)
{
  int vertexNodes = 0;
  for (int i = 0; i < m_Tiling->NbNode(); i++)
    vertexNodes += m_Tiling->GetNode(i)->IsFaceBased() ? 0 : 1;
  const int faceNodes = m_Tiling->NbNode() - vertexNodes;
  ASSERT_GT(vertexNodes, 0);
  ASSERT_GT(faceNodes, 0);
  const int sphere = SpherePolygons();
  ASSERT_GT(sphere, 0);

  glEnable(GL_LIGHTING);
  const SIssued issued = Capture([&] { EXPECT_EQ(m_Tiling->Draw(), 1); });
  // Lighting was off while drawing, so the colours came through as they were set.
  EXPECT_EQ(issued.green, vertexNodes * sphere);
  EXPECT_EQ(issued.red, faceNodes * sphere);
  EXPECT_EQ(issued.otherPolygons, 0);
  EXPECT_EQ(issued.blueLines, Links());
  EXPECT_EQ(issued.otherLines, 0);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  glDisable(GL_LIGHTING);
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);
  for (int i = 0; i < m_Tiling->NbNode(); i++)
    EXPECT_EQ(m_Tiling->GetNode(i)->GetMark(), 1);
}

// Mesa's feedback mode cannot replay a list that holds quadric spheres, so the calls of the
// compiled list are checked in render mode and feedback sees only the compiling draws.
TEST_F(CTilingDrawTest, ListIsCalledUntilAChangeCompilesItAgain)
{
  const SIssued first = Capture([&] { EXPECT_EQ(m_Tiling->Draw(), 1); });
  EXPECT_EQ(m_Tiling->GetModified(), 0);
  EXPECT_EQ(m_Tiling->Draw(), 1);
  glFinish();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Relaxing moves the face nodes: the list follows them.
  m_Tiling->OptimizeNodePositions(3, nullptr, 0);
  EXPECT_EQ(m_Tiling->GetModified(), 1);
  const SIssued moved = Capture([&] { EXPECT_EQ(m_Tiling->Draw(), 1); });
  EXPECT_EQ(moved.red, first.red);
  EXPECT_EQ(moved.green, first.green);
  EXPECT_EQ(moved.blueLines, first.blueLines);
  EXPECT_EQ(m_Tiling->GetModified(), 0);

  m_Tiling->GetTransform()->SetTranslation(CVector3d(0.3f, 0, 0));
  m_Tiling->SetModified();
  const SIssued shifted = Capture([&] { m_Tiling->Draw(); });
  EXPECT_GT(shifted.meanLineX, moved.meanLineX);
}

TEST_F(CTilingDrawTest, HiddenOrEmptyTilingsDrawNothing)
{
  m_Tiling->Show(0);
  const SIssued hidden = Capture([&] { EXPECT_EQ(m_Tiling->Draw(), 0); });
  EXPECT_EQ(hidden.green + hidden.red + hidden.blueLines, 0);

  CTiling3d empty;
  EXPECT_EQ(empty.BuildList(), 0);
  const SIssued none = Capture([&] { EXPECT_EQ(empty.Draw(), 0); });
  EXPECT_EQ(none.green + none.red + none.otherPolygons + none.blueLines, 0);
}

} // namespace
