#include "tests/app/RenderViewFixture.h"

#include "platform/core/Redraw.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <X11/Xlib.h>

#include <cmath>

namespace {

// Other test processes show their windows on the same X display at the same time. While this
// holds the server, no other client's request is served: the test's main window is raised on
// top and stays there until the grab of the screen is done.
class CServerHold
{
public:
  explicit CServerHold(QWidget* window)
  {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    m_Display = x11 ? x11->display() : nullptr;
    if (!m_Display)
      return;
    XGrabServer(m_Display);
    XRaiseWindow(m_Display, static_cast<Window>(window->winId()));
    XSync(m_Display, False);
  }
  ~CServerHold()
  {
    if (!m_Display)
      return;
    XUngrabServer(m_Display);
    XSync(m_Display, False);
  }
  CServerHold(const CServerHold&) = delete;
  CServerHold& operator=(const CServerHold&) = delete;

  bool Held() const { return m_Display != nullptr; }

private:
  Display* m_Display = nullptr;
};

// Visual debugging repaints the view from inside a long computation, without the event loop
// ever turning. What counts is what the X server shows, not what the view's framebuffer holds:
// these tests read the root window back at the view's place on the screen.
class CRedrawOnScreenTest : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_Box = AddBox();
    m_Box->GetMaterial()->SetAmbient(0.0f, 0.0f, 0.0f, 1.0f);
    m_Box->GetMaterial()->SetSpecular(0.0f, 0.0f, 0.0f, 1.0f);
    m_Box->GetMaterial()->SetEmission(0.0f, 0.0f, 0.0f, 1.0f);
    // The first showing goes through the event loop, as when the window opens.
    MarkPaints();
    m_View->update();
    ASSERT_TRUE(WaitForPaint());
  }

  // The pixels the X server holds under the view, read from the root window.
  QImage OnScreen() const
  {
    QScreen* screen = m_View->screen();
    const QPoint origin = m_View->mapToGlobal(QPoint(0, 0));
    return screen->grabWindow(0, origin.x(), origin.y(), m_View->width(), m_View->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
  }

  // Paints the box red or blue and redraws through the visual-debugging path.
  void RedrawIn(bool red)
  {
    const float r = red ? 1.0f : 0.0f;
    m_Box->GetMaterial()->SetDiffuse(r, 0.0f, 1.0f - r, 1.0f);
    m_Box->SetModified();
    platform::RedrawView(m_View);
  }

  // A long run redraws many times in a row with no turn of the event loop in between; a timer
  // armed before the run tells whether the loop turned.
  void ExpectEachRedrawOnScreen()
  {
    const CServerHold hold(Frame());
    ASSERT_TRUE(hold.Held()) << "not on an X display";
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    for (int i = 0; i < 8; i++) {
      const bool red = i % 2 == 0;
      RedrawIn(red);
      const QImage shown = OnScreen();
      EXPECT_TRUE(red ? IsRed(Centre(shown)) : IsBlue(Centre(shown)))
        << "repaint " << i << " did not reach the screen: " << std::hex << Centre(shown);
      // The screen shows the same picture the view painted, not just some red or blue.
      EXPECT_EQ(shown, LastPainted()) << "repaint " << i;
    }
    EXPECT_FALSE(ran) << "a redraw turned the event loop";
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
  }

  static bool IsRed(QRgb p) { return qRed(p) > 150 && qGreen(p) < 40 && qBlue(p) < 40; }
  static bool IsBlue(QRgb p) { return qBlue(p) > 150 && qGreen(p) < 40 && qRed(p) < 40; }

  CMesh3d* m_Box = nullptr;
};

} // namespace

TEST_F(CRedrawOnScreenTest, TheViewLiesOnTheScreenWithTheBoxInItsMiddle)
{
  const QRect screen = m_View->screen()->geometry();
  const QRect view(m_View->mapToGlobal(QPoint(0, 0)), m_View->size());
  EXPECT_TRUE(screen.contains(view)) << "the grab would miss part of the view";
  EXPECT_GT(view.width(), 50);
  EXPECT_GT(view.height(), 50);
  const CServerHold hold(Frame());
  ASSERT_TRUE(hold.Held()) << "not on an X display";
  RedrawIn(true);
  const QImage shown = OnScreen();
  EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFF, 0u);
  EXPECT_TRUE(IsRed(Centre(shown))) << std::hex << Centre(shown);
}

TEST_F(CRedrawOnScreenTest, EachSynchronousRedrawReachesTheScreen)
{
  ExpectEachRedrawOnScreen();
}

TEST_F(CRedrawOnScreenTest, EachRedrawOfAMaximizedChildReachesTheScreen)
{
  MarkPaints();
  ActiveChild()->showMaximized();
  m_View->update();
  ASSERT_TRUE(WaitForPaint());
  ASSERT_GT(m_View->width(), Frame()->width() / 2) << "the child did not grow";
  ExpectEachRedrawOnScreen();
}

TEST_F(CRedrawOnScreenTest, AMovedMeshIsShownWhereItWentAtOnce)
{
  const CServerHold hold(Frame());
  ASSERT_TRUE(hold.Held()) << "not on an X display";
  RedrawIn(true);
  const QImage before = OnScreen();
  ASSERT_TRUE(IsRed(Centre(before))) << std::hex << Centre(before);
  // Sliding the view sideways by a box width leaves the centre to the background.
  m_View->m_xTranslation = 1.0f;
  platform::RedrawView(m_View);
  const QImage after = OnScreen();
  EXPECT_EQ(Centre(after) & 0xFFFFFF, 0u) << "the centre still shows the box";
  ASSERT_GT(MeanColumn(after), 0.0) << "the box left the view";
  EXPECT_GT(std::abs(MeanColumn(after) - MeanColumn(before)), after.width() / 8.0);
}
