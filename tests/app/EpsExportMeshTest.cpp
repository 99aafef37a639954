#include "tests/app/EpsLines.h"
#include "tests/app/RenderViewFixture.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// File > Export > eps on a real mesh opened as a user opens it, compared with what the view
// shows: the file's polygons, painted in their colours, must give the view's picture.
class CEpsExportMeshTest : public CRenderViewFixture
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

  // Opens the bunny (a polygon mesh, as every OBJ file opens); its view becomes the one the
  // test works with.
  CObject3d* OpenBunny()
  {
    // Opening moves the current folder to the file's: the export still goes to the scratch one.
    const std::filesystem::path scratch = std::filesystem::current_path();
    EXPECT_NE(m_App->OpenDocumentFile(std::string(ORVANE_TEST_DATA) + "/bunny3674.obj"), nullptr);
    std::filesystem::current_path(scratch);
    m_View = ViewOf(ActiveChild());
    m_Document = ActiveDocument();
    if (!m_View || !m_Document || m_Document->m_SceneGraph.NbObject() == 0) {
      ADD_FAILURE() << "view " << m_View << " document " << m_Document << " messages "
                    << (m_Messages.empty() ? std::string() : m_Messages.front());
      return nullptr;
    }
    return m_Document->m_SceneGraph.GetAt(0);
  }

  std::vector<std::string> ExportEps()
  {
    m_FileAnswer = (m_Folder.Path() / "mesh.eps").string();
    m_View->DoCommand(ID_EXPORT_EPS);
    return ReadEpsLines(*m_FileAnswer);
  }

  // The file's primitives painted without smoothing into an image of the viewport, y up as
  // PostScript has it; flat fills in their colour, shaded triangles in their mean colour.
  static QImage Paint(const std::vector<std::string>& lines, QSize size, int* pPolygons)
  {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, size.height()));
    *pPolygons = 0;
    QPolygonF polygon;
    QColor color;
    for (const std::string& line : lines) {
      std::istringstream in(line);
      double a = 0, b = 0, c = 0;
      if (line.find(" setrgbcolor") != std::string::npos && (in >> a >> b >> c))
        color = QColor::fromRgbF(a, b, c);
      else if (line.find(" moveto") != std::string::npos && (in >> a >> b))
        polygon = QPolygonF({QPointF(a, b)});
      else if (line.find(" lineto") != std::string::npos && (in >> a >> b))
        polygon << QPointF(a, b);
      else if (line == "closepath fill") {
        painter.setBrush(color);
        painter.drawPolygon(polygon);
        ++*pPolygons;
      } else if (!line.empty() && line[0] == '[' && Numbers(line).size() == 15) {
        painter.setBrush(MeanColor(line));
        painter.drawPolygon(ShadedCorners(line));
        ++*pPolygons;
      }
    }
    return image;
  }

  // "[x1 x2 x3 y1 y2 y3] [r g b] [r g b] [r g b] gouraudtriangle"
  static std::vector<double> Numbers(std::string line)
  {
    for (char& ch : line)
      if (ch == '[' || ch == ']')
        ch = ' ';
    std::istringstream in(line);
    std::vector<double> values;
    for (double v; in >> v;)
      values.push_back(v);
    return values;
  }
  static QPolygonF ShadedCorners(const std::string& line)
  {
    const std::vector<double> v = Numbers(line);
    return QPolygonF({QPointF(v[0], v[3]), QPointF(v[1], v[4]), QPointF(v[2], v[5])});
  }
  static QColor MeanColor(const std::string& line)
  {
    const std::vector<double> v = Numbers(line);
    return QColor::fromRgbF((v[6] + v[9] + v[12]) / 3, (v[7] + v[10] + v[13]) / 3,
                            (v[8] + v[11] + v[14]) / 3);
  }

  struct SComparison
  {
    double CoverageMismatch; // pixels covered in one picture only, per covered pixel
    double ColourAgreement;  // pixels covered in both whose colours agree, per such pixel
    int Covered;
  };

  // The exported picture against the view's own.
  SComparison Compare(const std::vector<std::string>& lines, int* pPolygons)
  {
    const QImage view = Grab();
    const QImage eps = Paint(lines, view.size(), pPolygons);
    int union_ = 0, onlyOne = 0, both = 0, agree = 0;
    for (int y = 0; y < view.height(); y++)
      for (int x = 0; x < view.width(); x++) {
        const QRgb v = view.pixel(x, y);
        const QRgb e = eps.pixel(x, y);
        const bool inView = (v & 0xFFFFFF) != 0;
        const bool inEps = (e & 0xFFFFFF) != 0;
        union_ += inView || inEps;
        onlyOne += inView != inEps;
        if (inView && inEps) {
          both++;
          agree += std::abs(qRed(v) - qRed(e)) <= 6 && std::abs(qGreen(v) - qGreen(e)) <= 6 &&
                   std::abs(qBlue(v) - qBlue(e)) <= 6;
        }
      }
    return {union_ ? double(onlyOne) / union_ : 1.0, both ? double(agree) / both : 0.0, union_};
  }

  CTempFolder m_Folder;
  std::optional<CCurrentFolder> m_InFolder;
};

} // namespace

// Opened without fitting, the eye stands inside the bunny's box: faces cross the sides of
// the view and the near plane, and the file must still hold everything the view shows.
TEST_F(CEpsExportMeshTest, TheBunnySeenFromInsideItsBoxIsExportedWhole)
{
  ASSERT_NE(OpenBunny(), nullptr);
  const std::vector<std::string> lines = ExportEps();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(m_Messages.empty()) << m_Messages.front();
  EXPECT_EQ(lines.back(), "showpage");
  int polygons = 0;
  const SComparison result = Compare(lines, &polygons);
  EXPECT_GT(polygons, 24);
  ASSERT_GT(result.Covered, Grab().width() * Grab().height() / 10) << "the view shows the bunny";
  EXPECT_LT(result.CoverageMismatch, 0.03);
  EXPECT_GT(result.ColourAgreement, 0.9);
}

TEST_F(CEpsExportMeshTest, TheFittedBunnyIsExportedWhole)
{
  ASSERT_NE(OpenBunny(), nullptr);
  // Moved back until the whole bunny, some ten units across, is in the view, and turned.
  m_View->m_zTranslation = -30.0f;
  m_View->m_yRotation = 30.0f;
  const std::vector<std::string> lines = ExportEps();
  EXPECT_TRUE(m_Messages.empty()) << m_Messages.front();
  int polygons = 0;
  const SComparison result = Compare(lines, &polygons);
  EXPECT_GT(polygons, 1000); // about half the 3674 faces face the eye
  ASSERT_GT(result.Covered, 1000);
  EXPECT_LT(result.CoverageMismatch, 0.03);
  EXPECT_GT(result.ColourAgreement, 0.9);
}
