// Frames per second of a lit triangle mesh drawn as the render view draws it, from a few
// thousand to a million faces, with and without display lists, in an offscreen OpenGL context
// (Mesa's software renderer under a virtual X server).
#include "mesh/Mesh3d.h"
#include "tests/mesh/QueryFixtures.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

const int kWidth = 640;
const int kHeight = 480;

// The application, an offscreen surface and a current context drawing into a framebuffer
// object of the view's usual size with a depth buffer.
class COffscreenGL
{
public:
  COffscreenGL()
  {
    // Without a display Qt would end the program: the benchmark is skipped instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      return;
    if (!QGuiApplication::instance())
      m_App = std::make_unique<QGuiApplication>(m_Argc, m_Argv);
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    // Both need the application first.
    m_Surface = std::make_unique<QOffscreenSurface>();
    m_Surface->setFormat(format);
    m_Surface->create();
    m_Context = std::make_unique<QOpenGLContext>();
    m_Context->setFormat(format);
    if (!m_Context->create() || !m_Context->makeCurrent(m_Surface.get()))
      return;
    m_Fbo = std::make_unique<QOpenGLFramebufferObject>(
      kWidth, kHeight, QOpenGLFramebufferObject::CombinedDepthStencil);
    m_Fbo->bind();
    SetState();
  }

  bool IsReady() const { return m_Fbo && m_Fbo->isValid(); }
  std::string Renderer() const
  {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "";
  }

private:
  // A perspective of 45 degrees, one light, flat shading and a depth test, as in the view.
  static void SetState()
  {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_FLAT);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  }

  int m_Argc = 1;
  char m_Name[16] = "bench_render";
  char* m_Argv[2] = {m_Name, nullptr};
  std::unique_ptr<QGuiApplication> m_App;
  std::unique_ptr<QOffscreenSurface> m_Surface;
  std::unique_ptr<QOpenGLContext> m_Context;
  std::unique_ptr<QOpenGLFramebufferObject> m_Fbo;
};

COffscreenGL& OffscreenGL()
{
  static COffscreenGL gl;
  return gl;
}

// The tests' grid over the unit square with a bump, so that faces take different shades:
// 2 n^2 faces.
std::unique_ptr<CMesh3d> Terrain(int n)
{
  auto mesh = queries::Grid(n, 1.0f);
  for (int i = 0; i < mesh->NbVertex(); i++) {
    CVertex3d* v = mesh->GetVertex(i);
    v->SetZ(0.2f * std::sin(6.0f * v->x()) * std::cos(5.0f * v->y()));
  }
  mesh->ComputeFaceNormals();
  return mesh;
}

void DrawFrame(CMesh3d& mesh, float angle)
{
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -2.0f);
  glRotatef(-50.0f, 1.0f, 0.0f, 0.0f);
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glTranslatef(-0.5f, -0.5f, 0.0f);
  mesh.Draw();
  glPopMatrix();
  glFinish();
}

// Arguments: grid side n (2 n^2 faces), display list on (1) or off (0).
void BM_RenderFrame(benchmark::State& state)
{
  COffscreenGL& gl = OffscreenGL();
  if (!gl.IsReady()) {
    state.SkipWithError("no offscreen OpenGL context: run under xvfb-run");
    return;
  }
  auto mesh = Terrain(static_cast<int>(state.range(0)));
  mesh->SetUseDisplayList(static_cast<int>(state.range(1)));
  DrawFrame(*mesh, 0.0f); // compiles the list when there is one
  float angle = 0.0f;
  for (auto _ : state) {
    DrawFrame(*mesh, angle);
    angle += 1.0f;
  }
  state.counters["faces"] = mesh->NbFace();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
  state.counters["faces/s"] = benchmark::Counter(
    static_cast<double>(state.iterations()) * mesh->NbFace(), benchmark::Counter::kIsRate);
  state.SetLabel(gl.Renderer());
  mesh.reset(); // its display list goes while the context is current
}

// Sides 71, 224, 387 and 708 give about 10 thousand, 100 thousand, 300 thousand and a million faces.
BENCHMARK(BM_RenderFrame)
  ->ArgsProduct({{71, 224, 387, 708}, {0, 1}})
  ->ArgNames({"side", "list"})
  ->Unit(benchmark::kMillisecond)
  ->UseRealTime();

} // namespace
