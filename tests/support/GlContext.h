#pragma once

// An offscreen OpenGL context made current for a test suite, with the Qt application it needs
// (made only when there is none yet). Tests skip when no context could be had.
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <memory>

class CGlContext
{
public:
  CGlContext()
  {
    static int argc = 1;
    static char name[] = "orvane_test";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
      m_App = std::make_unique<QGuiApplication>(argc, argv);
    m_Surface = std::make_unique<QOffscreenSurface>();
    m_Surface->create();
    m_Context = std::make_unique<QOpenGLContext>();
    if (!m_Context->create() || !m_Context->makeCurrent(m_Surface.get()))
      m_Context.reset();
  }
  // The context goes before the surface, and the application last, while Qt can still tear
  // them down.
  ~CGlContext()
  {
    if (m_Context)
      m_Context->doneCurrent();
    m_Context.reset();
    m_Surface.reset();
    m_App.reset();
  }
  CGlContext(const CGlContext&) = delete;
  CGlContext& operator=(const CGlContext&) = delete;

  bool IsCurrent() const { return m_Context != nullptr; }

private:
  std::unique_ptr<QGuiApplication> m_App;
  std::unique_ptr<QOffscreenSurface> m_Surface;
  std::unique_ptr<QOpenGLContext> m_Context;
};
