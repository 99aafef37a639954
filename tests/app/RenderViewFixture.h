#pragma once

#include "tests/app/AppFixture.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"
#include "tests/mesh/MeshFixtures.h"

#include <GL/gl.h>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <functional>
#include <memory>
#include <set>

// Counts the paint events a widget receives.
class CPaintCounter : public QObject
{
public:
  int Count() const { return m_Count; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (event->type() == QEvent::Paint)
      m_Count++;
    return QObject::eventFilter(watched, event);
  }

private:
  int m_Count = 0;
};

// A started workbench with a document open in a shown child frame, and helpers that read the
// render view's pixels back.
class CRenderViewFixture : public CAppFixture
{
protected:
  void SetUp() override
  {
    CAppFixture::SetUp();
    ASSERT_TRUE(m_Started);
    m_Document = NewDocument();
    ASSERT_NE(m_Document, nullptr);
    m_View = ViewOf(ActiveChild());
    ASSERT_NE(m_View, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
    ASSERT_TRUE(m_View->HasContext()) << "no OpenGL context";
    // Qt drops the filter from the view when either goes first.
    m_View->installEventFilter(&m_Paints);
  }

  // Remembers how often the view has painted, for WaitForPaint.
  void MarkPaints() { m_PaintsMarked = m_Paints.Count(); }
  // Waits, for a few seconds at most, until the view has painted since the mark; answers
  // whether it did, and moves the mark.
  bool WaitForPaint()
  {
    const bool painted = QTest::qWaitFor([this] { return m_Paints.Count() > m_PaintsMarked; }, 10000);
    MarkPaints();
    return painted;
  }

  static CRenderView* ViewOf(const CChildFrame* frame)
  {
    return frame ? dynamic_cast<CRenderView*>(frame->GetPane(0, 1)) : nullptr;
  }

  // Appends the mesh to the document's scene and answers it.
  CMesh3d* Add(std::unique_ptr<CMesh3d> mesh)
  {
    CMesh3d* pMesh = mesh.get();
    m_Document->m_SceneGraph.Add(mesh.release());
    return pMesh;
  }

  // A unit box whose front face looks at the viewer.
  CMesh3d* AddBox()
  {
    auto box = std::make_unique<CMesh3d>();
    box->GenerateBox(1.0f, 1.0f, 1.0f);
    box->BuildAdjacency();
    return Add(std::move(box));
  }

  QImage Grab(CRenderView* view = nullptr) const
  {
    return (view ? view : m_View)->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }

  // What the view last painted, read from its framebuffer without painting again.
  QImage LastPainted() const
  {
    m_View->makeCurrent();
    const int w = m_View->width() * m_View->devicePixelRatio();
    const int h = m_View->height() * m_View->devicePixelRatio();
    QImage image(w, h, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
  }

  static QRgb Centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2); }

  static int Count(const QImage& image, const std::function<bool(QRgb)>& test)
  {
    int n = 0;
    for (int y = 0; y < image.height(); y++)
      for (int x = 0; x < image.width(); x++)
        n += test(image.pixel(x, y)) ? 1 : 0;
    return n;
  }

  static int CountColor(const QImage& image, QRgb color)
  {
    return Count(image, [color](QRgb p) { return (p & 0xFFFFFF) == (color & 0xFFFFFF); });
  }

  static int CountNotBlack(const QImage& image) { return Count(image, [](QRgb p) { return (p & 0xFFFFFF) != 0; }); }

  static int DistinctColors(const QImage& image)
  {
    std::set<QRgb> colors;
    for (int y = 0; y < image.height(); y++)
      for (int x = 0; x < image.width(); x++)
        colors.insert(image.pixel(x, y));
    return static_cast<int>(colors.size());
  }

  // Mean column of the pixels that are not the black background.
  static double MeanColumn(const QImage& image)
  {
    double sum = 0.0;
    int n = 0;
    for (int y = 0; y < image.height(); y++)
      for (int x = 0; x < image.width(); x++)
        if ((image.pixel(x, y) & 0xFFFFFF) != 0) {
          sum += x;
          n++;
        }
    return n ? sum / n : -1.0;
  }

  void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint point, Qt::MouseButtons held)
  {
    QMouseEvent event(type, QPointF(point), m_View->mapToGlobal(QPointF(point)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(m_View, &event);
  }

  CVanthDoc* m_Document = nullptr;
  CRenderView* m_View = nullptr;
  CPaintCounter m_Paints;
  int m_PaintsMarked = 0;
};
