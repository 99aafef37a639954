#include "app/MainFrame.h"
#include "app/resources/Resource.h"
#include "platform/core/Format.h"

#include <QApplication>
#include <QOpenGLWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <clocale>
#include <cstdio>
#include <string>

namespace {

// Draws a full-viewport red quad through a display list.
class CListWidget : public QOpenGLWidget
{
public:
  std::string version;

protected:
  void paintGL() override
  {
    const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    version = v ? v : "";
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glEndList();
    glCallList(list);
    glDeleteLists(list, 1);
  }
};

} // namespace

TEST(Smoke, MainWindowShowsAndCloses)
{
  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME));
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  EXPECT_EQ(frame.windowTitle(), QString("Orvane"));
  EXPECT_TRUE(frame.close());
}

TEST(Smoke, DisplayListDrawsThroughOpenGL)
{
  CListWidget widget;
  widget.resize(64, 64);
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
  const QImage image = widget.grabFramebuffer();
  ASSERT_FALSE(widget.version.empty());
  const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
  EXPECT_EQ(centre, QColor(255, 0, 0));
}

TEST(Locale, NumbersKeepADecimalPointUnderACommaLocale)
{
  // The environment asks for a comma-decimal locale; the program resets LC_NUMERIC after Qt.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", 1.5);
  EXPECT_STREQ(buffer, "1.5");
  float back = 0;
  ASSERT_EQ(std::sscanf("2.25", "%f", &back), 1);
  EXPECT_EQ(back, 2.25f);

  // Even with the comma locale in force, the platform's text helpers stay in the C locale.
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    GTEST_SKIP() << "no comma-decimal locale installed";
  EXPECT_EQ(platform::Format("%g", 1.5), "1.5");
  double value = 0;
  EXPECT_EQ(platform::Scan("3.125", "%lf", &value), 1);
  EXPECT_EQ(value, 3.125);
  EXPECT_EQ(platform::ParseDouble("-0.5e1"), -5.0);
  std::setlocale(LC_NUMERIC, "C");
}
