#include "app/StaticGL.h"

#include "app/RenderView.h"
#include "document/VanthDoc.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QSurfaceFormat>

namespace {

void Light(GLenum name, float r, float g, float b, float a)
{
  const GLfloat value[4] = {r, g, b, a};
  glLightfv(GL_LIGHT0, name, value);
}

void Perspective(int width, int height)
{
  const double aspect = height == 0 ? width : static_cast<double>(width) / height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, aspect, 0.1, 1000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

} // namespace

CStaticGL::CStaticGL(int id, QWidget* parent) : QOpenGLWidget(parent), m_Id(id)
{
  setObjectName(QString::number(id));
  setFormat(CRenderView::PixelFormat());
  // The dialog, not the preview, handles the mouse.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CStaticGL::Create(CVanthDoc* pDocument)
{
  m_pDocument = pDocument;
  m_FirstPaint = 1;
}

void CStaticGL::initializeGL()
{
  glPolygonMode(GL_FRONT, GL_FILL);
  glPolygonMode(GL_BACK, GL_FILL);
  glShadeModel(GL_FLAT);
  glEnable(GL_NORMALIZE);
  Light(GL_AMBIENT, 0.7f, 0.7f, 0.7f, 1.0f);
  Light(GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1.0f);
  Light(GL_SPECULAR, 1.0f, 1.0f, 1.0f, 1.0f);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  glClearColor(192.0f / 255.0f, 192.0f / 255.0f, 192.0f / 255.0f, 1.0f);
  glClearDepth(1.0);
  Perspective(width(), height());
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void CStaticGL::resizeGL(int width, int height)
{
  glViewport(0, 0, width, height);
  Perspective(width, height);
}

void CStaticGL::DrawScene(bool modified)
{
  if (!m_pDocument)
    return;
  if (modified)
    m_pDocument->m_SceneGraph.SetModified();
  m_pDocument->m_SceneGraph.Draw();
}

void CStaticGL::paintGL()
{
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(m_xTranslation, m_yTranslation, m_zTranslation);
  glRotatef(m_xRotation, 1.0f, 0.0f, 0.0f);
  glRotatef(m_yRotation, 0.0f, 1.0f, 0.0f);
  glRotatef(m_zRotation, 0.0f, 0.0f, 1.0f);
  glScalef(m_xScaling, m_yScaling, m_zScaling);
  DrawScene(m_FirstPaint != 0);
  m_FirstPaint = 0;
  // The wireframe over the faces.
  glDisable(GL_LIGHTING);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glEnable(GL_POLYGON_OFFSET_LINE);
  glPolygonOffset(-1.27f, -1.0f);
  DrawScene(false);
  glDisable(GL_POLYGON_OFFSET_LINE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_LIGHTING);
  glPopMatrix();
}
