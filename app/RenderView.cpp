#include "app/RenderView.h"

#include "app/EpsExport.h"
#include "app/FontLists.h"
#include "app/MetafileExport.h"
#include "app/dialogs/DlgMetafile.h"
#include "app/objects/Camera3d.h"
#include "app/objects/VisualModeObject.h"
#include "app/VanthApp.h"
#include "app/resources/Resource.h"
#include "document/VanthDoc.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Clipboard.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MetafileWriter.h"
#include "platform/core/Redraw.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WinApp.h"
#include "scene/Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSurfaceFormat>
#include <QTimer>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// Drawings of the chart as the visual mode opens, each a little larger.
constexpr int kVisualModeDrawings = 30;

const float kResetTranslation = -5.0f;
const float kSpeedFactor = 1.5f;
const double kNear = 0.1;
const double kFar = 1000.0;

void Material(GLenum face, GLenum name, float r, float g, float b, float a)
{
  const GLfloat value[4] = {r, g, b, a};
  glMaterialfv(face, name, value);
}

void Light(GLenum name, float r, float g, float b, float a)
{
  const GLfloat value[4] = {r, g, b, a};
  glLightfv(GL_LIGHT0, name, value);
}

} // namespace

CRenderView::CRenderView(platform::CDocument* pDocument, QWidget* parent)
  : QOpenGLWidget(parent),
    m_pDocument(dynamic_cast<CVanthDoc*>(pDocument)),
    m_pSpinTimer(new QTimer(this)),
    m_pRefineTimer(new QTimer(this))
{
  setObjectName("RenderView");
  setFormat(PixelFormat());
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(50, 50);
  ResetView();
  connect(m_pSpinTimer, &QTimer::timeout, this, [this] { OnTimer(1); });
  connect(m_pRefineTimer, &QTimer::timeout, this, [this] { OnTimer(2); });
  RegisterCommands();
  if (m_pDocument)
    m_pDocument->AddRenderView(this);
  // Core algorithms hold the view as an opaque pointer and repaint it through this hook.
  platform::SetRedrawHook([](CRenderView* view) { view->RedrawNow(); });
}

CRenderView::~CRenderView()
{
  if (m_pDocument)
    m_pDocument->RemoveRenderView(this);
}

// 8 bits each for red, green and blue, no alpha, 32-bit depth, 8-bit stencil, double
// buffered. Qt drops what the display cannot give (down to its deepest depth buffer) rather
// than failing; the fixed-function pipeline (display lists, immediate mode) needs a
// compatibility context. There is no way to ask Qt for an accumulation buffer.
QSurfaceFormat CRenderView::PixelFormat()
{
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setStereo(false);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setAlphaBufferSize(0);
  format.setDepthBufferSize(32);
  format.setStencilBufferSize(8);
  return format;
}

void CRenderView::RegisterCommands()
{
  m_CommandMap.On(ID_GEOMETRY_RESET, [this] { OnGeometryReset(); });
  m_CommandMap.On(ID_ROTATION_INCREASE, [this] { m_SpeedRotation *= kSpeedFactor; });
  m_CommandMap.On(ID_ROTATION_DECREASE, [this] { m_SpeedRotation /= kSpeedFactor; });
  m_CommandMap.On(ID_TRANSLATION_INCREASE, [this] { m_SpeedTranslation *= kSpeedFactor; });
  m_CommandMap.On(ID_TRANSLATION_DECREASE, [this] { m_SpeedTranslation /= kSpeedFactor; });
  m_CommandMap.On(ID_GEOMETRY_SWAP_AXES, [this] { OnSwapAxes(); },
                  [this](platform::CCmdUI& ui) { ui.SetCheck(m_SwapAxes == 1); });
  m_CommandMap.On(platform::ID_EDIT_COPY, [this] { OnEditCopy(); });
  // File > Export > bmp is offered and does nothing: the bitmap goes out through Edit > Copy.
  m_CommandMap.On(ID_EXPORT_BMP, [] {});
  m_CommandMap.On(ID_EXPORT_EPS, [this] { OnExportEps(); });
  m_CommandMap.On(ID_VIEWING_PUSH, [this] { OnViewingPush(); });
  m_CommandMap.On(ID_VIEWING_POP, [this] { OnViewingPop(); });
  m_CommandMap.On(ID_HELP_DEMO, [this] { OnHelpDemo(); }, [this](platform::CCmdUI& ui) {
    ui.Enable(m_pDocument && m_pDocument->m_SceneGraph.NbObject() > 0);
  });
  m_CommandMap.On(ID_ADVANCED_MULTI_REFINEMENT, [this] { OnMultiRefinement(); });
  m_CommandMap.On(ID_MODE_VISUAL_MODE, [this] { OnVisualMode(); });
  m_CommandMap.On(ID_METAFILE_GENERATE, [this] { GenerateMetafile(0, 0, 0); });
  m_CommandMap.On(ID_METAFILE_FRONT_FACES, [this] { GenerateMetafile(0, 1, 0); });
  m_CommandMap.On(ID_METAFILE_FACE_MODE, [this] { GenerateMetafile(0, 0, 1); });
  m_CommandMap.On(ID_METAFILE_PARAMETERS, [this] { OnMetafileParameters(); });
  m_CommandMap.On(platform::ID_FILE_PRINT, [this] { OnFilePrint(); });
  m_CommandMap.On(platform::ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
  m_CommandMap.On(platform::ID_FILE_PRINT_DIRECT, [this] { OnFilePrintDirect(); });
  m_CommandMap.On(ID_COLOR_ALWAYS_SILHOUETTE, [this] { OnAlwaysColorSilhouette(); });
}

void CRenderView::ResetView()
{
  m_xRotation = m_yRotation = m_zRotation = 0.0f;
  m_xTranslation = m_yTranslation = 0.0f;
  m_zTranslation = kResetTranslation;
  m_xScaling = m_yScaling = m_zScaling = 1.0f;
  m_SpeedRotation = 1.0f / 3.0f;
  m_SpeedTranslation = 0.02f;
  m_SwapAxes = 1;
}

void CRenderView::ApplyViewTransform() const
{
  glTranslatef(m_xTranslation, m_yTranslation, m_zTranslation);
  glRotatef(m_xRotation, 1.0f, 0.0f, 0.0f);
  glRotatef(m_yRotation, 0.0f, 1.0f, 0.0f);
  glRotatef(m_zRotation, 0.0f, 0.0f, 1.0f);
  glScalef(m_xScaling, m_yScaling, m_zScaling);
}

void CRenderView::SetClearColor()
{
  if (!m_HasContext)
    return;
  makeCurrent();
  glClearColor(m_ClearColorRed, m_ClearColorGreen, m_ClearColorBlue, 1.0f);
}

bool CRenderView::MakeCurrent()
{
  if (!m_HasContext || !context() || !context()->isValid())
    return false;
  makeCurrent();
  return QOpenGLContext::currentContext() == context();
}

void CRenderView::UpdateProjection()
{
  if (MakeCurrent())
    resizeGL(width(), height());
}

// --- OpenGL state --------------------------------------------------------------------------

void CRenderView::initializeGL()
{
  m_HasContext = context() && context()->isValid();
  if (!m_HasContext)
    return;
  // The glyph lists belong to the share group: the first view builds them, the others use
  // them, and none deletes them while another view may still draw text.
  if (!glIsList(kFontListBase))
    BuildFontLists(font(), kFontListBase, kFontGlyphs);
  glListBase(kFontListBase);

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glShadeModel(GL_FLAT);
  glEnable(GL_NORMALIZE);
  SetLightsAndMaterials();
  glClearColor(m_ClearColorRed, m_ClearColorGreen, m_ClearColorBlue, 1.0f);
  glClearDepth(1.0);
  SetProjection(width(), height());

  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void CRenderView::SetLightsAndMaterials() const
{
  Light(GL_AMBIENT, 0.7f, 0.7f, 0.7f, 1.0f);
  Light(GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1.0f);
  Light(GL_SPECULAR, 1.0f, 1.0f, 1.0f, 1.0f);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);

  Material(GL_FRONT, GL_AMBIENT, 0.0f, 0.33f, 0.5f, 1.0f);
  Material(GL_FRONT, GL_DIFFUSE, 0.5f, 0.5f, 0.5f, 1.0f);
  Material(GL_FRONT, GL_SPECULAR, 0.1f, 0.1f, 0.1f, 1.0f);
  glMaterialf(GL_FRONT, GL_SHININESS, 84.0f);
  Material(GL_FRONT, GL_EMISSION, 0.0f, 0.0f, 0.0f, 1.0f);
  Material(GL_BACK, GL_AMBIENT, 0.0f, 0.5f, 0.0f, 1.0f);
}

// A window of height 0 takes its width as the aspect.
void CRenderView::SetProjection(int width, int height) const
{
  const double aspect = height == 0 ? width : static_cast<double>(width) / height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(m_Fovy, aspect, kNear, kFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void CRenderView::resizeGL(int width, int height)
{
  if (!m_HasContext)
    return;
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, static_cast<GLsizei>(width * ratio), static_cast<GLsizei>(height * ratio));
  SetProjection(width, height);
  glDrawBuffer(GL_BACK);
}

void CRenderView::paintGL()
{
  if (!m_HasContext)
    return;
  glMatrixMode(GL_MODELVIEW);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
  ApplyViewTransform();
  if (m_pDocument)
    m_pDocument->RenderScene();
  glPopMatrix();
}

// Qt turns a repaint into a posted update request when the window composed less than a frame
// ago, so repaint alone paints at once only some of the time. Delivering that request, and no
// other event, makes the redraw synchronous every time.
void CRenderView::RedrawNow()
{
  if (!isVisible())
    return;
  repaint();
  QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void CRenderView::focusInEvent(QFocusEvent* event)
{
  if (m_HasContext)
    makeCurrent();
  QOpenGLWidget::focusInEvent(event);
}

// --- mouse ---------------------------------------------------------------------------------

void CRenderView::mousePressEvent(QMouseEvent* event)
{
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    m_LeftButtonDown = 1;
    m_LeftDownPos = point;
  } else if (event->button() == Qt::RightButton) {
    m_RightButtonDown = 1;
    m_RightDownPos = point;
  }
  QOpenGLWidget::mousePressEvent(event);
}

void CRenderView::mouseReleaseEvent(QMouseEvent* event)
{
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    m_LeftButtonDown = 0;
    m_RightButtonDown = 0;
  }
  // The silhouette follows the view: recoloured each time a drag with the left button ends.
  if (event->button() == Qt::LeftButton && m_AlwaysColorSilhouette && m_pDocument) {
    m_pDocument->ColorSilhouette(0);
    RedrawNow();
  }
  QOpenGLWidget::mouseReleaseEvent(event);
}

void CRenderView::mouseMoveEvent(QMouseEvent* event)
{
  const QPoint point = event->position().toPoint();
  if (m_MoveCamera)
    MoveCamera(point);
  else
    MoveScene(point);
  QOpenGLWidget::mouseMoveEvent(event);
}

// Both buttons rotate, the left one pans and the right one zooms. The left-button point is
// the reference of the rotation too.
void CRenderView::MoveScene(const QPoint& point)
{
  const float dx = static_cast<float>(m_LeftDownPos.x() - point.x());
  const float dy = static_cast<float>(m_LeftDownPos.y() - point.y());
  if (m_LeftButtonDown && m_RightButtonDown) {
    if (m_SwapAxes)
      m_yRotation -= dx * m_SpeedRotation;
    else
      m_zRotation -= dx * m_SpeedRotation;
    m_xRotation -= dy * m_SpeedRotation;
    m_LeftDownPos = point;
    m_RightDownPos = point;
    update();
  } else if (m_LeftButtonDown) {
    m_xTranslation -= dx * m_SpeedTranslation;
    m_yTranslation += dy * m_SpeedTranslation;
    m_LeftDownPos = point;
    update();
  } else if (m_RightButtonDown) {
    m_zTranslation += static_cast<float>(m_RightDownPos.y() - point.y()) * m_SpeedTranslation;
    m_RightDownPos = point;
    update();
  }
}

// The same gestures move the scene's first camera, more slowly; without one nothing moves.
void CRenderView::MoveCamera(const QPoint& point)
{
  auto* camera = m_pDocument ? static_cast<CCamera3d*>(
                                 m_pDocument->m_SceneGraph.FindFirstOfType(TYPE_CAMERA3D))
                             : nullptr;
  if (!camera)
    return;
  const double dx = m_LeftDownPos.x() - point.x();
  const double dy = m_LeftDownPos.y() - point.y();
  if (m_LeftButtonDown && m_RightButtonDown) {
    camera->RotateUp(dx * m_SpeedRotation / 60.0);
    camera->RotateSide(dy * m_SpeedRotation / 60.0);
    m_LeftDownPos = point;
    m_RightDownPos = point;
    update();
  } else if (m_LeftButtonDown) {
    camera->Translate(static_cast<float>(dx * m_SpeedTranslation / 10.0),
                      static_cast<float>(dy * m_SpeedTranslation / 10.0), 0.0f);
    m_LeftDownPos = point;
    update();
  } else if (m_RightButtonDown) {
    const double dz = m_RightDownPos.y() - point.y();
    camera->Translate(0.0f, 0.0f, static_cast<float>(dz * m_SpeedTranslation / 10.0));
    m_RightDownPos = point;
    update();
  }
}

// --- timers --------------------------------------------------------------------------------

QTimer* CRenderView::Timer(unsigned id) const
{
  if (id == 1)
    return m_pSpinTimer;
  if (id == 2)
    return m_pRefineTimer;
  return nullptr;
}

void CRenderView::SetTimer(unsigned id, int elapse)
{
  if (QTimer* timer = Timer(id))
    timer->start(elapse);
}

void CRenderView::KillTimer(unsigned id)
{
  if (QTimer* timer = Timer(id))
    timer->stop();
}

bool CRenderView::IsTimerActive(unsigned id) const
{
  const QTimer* timer = Timer(id);
  return timer && timer->isActive();
}

// Timer 1 spins the scene; timer 2 steps the adaptive refinement of this view's document.
void CRenderView::OnTimer(unsigned id)
{
  if (id == 2) {
    if (m_pDocument)
      m_pDocument->AdaptiveRefinementStep();
    return;
  }
  if (id != 1)
    return;
  m_xRotation += m_xSpin;
  m_yRotation += m_ySpin;
  m_zRotation += m_zSpin;
  RedrawNow();
}

CMesh3d* CRenderView::GetMesh(int index) const
{
  if (!m_pDocument || index < 0 || index >= m_pDocument->m_SceneGraph.NbObject())
    return nullptr;
  CObject3d* pObject = m_pDocument->m_SceneGraph.GetAt(index);
  return pObject && pObject->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(pObject) : nullptr;
}

bool CRenderView::ReadViewMatrices(double modelview[16], double projection[16], int viewport[4])
{
  if (!MakeCurrent())
    return false;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  ApplyViewTransform();
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glPopMatrix();
  return true;
}

void CRenderView::FlagFacesOutOfViewport(int flag, int index)
{
  CMesh3d* pMesh = GetMesh(index);
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
  if (pMesh && ReadViewMatrices(modelview, projection, viewport))
    pMesh->FlagFacesOutOfViewport(modelview, projection, viewport, flag);
}

bool CRenderView::GenerateMetafile(int index, int frontFacesOnly, int faceMode)
{
  CMesh3d* pMesh = GetMesh(index);
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
  if (!pMesh || !ReadViewMatrices(modelview, projection, viewport))
    return false;
  if (frontFacesOnly) {
    m_pDocument->ProcessCamera();
    pMesh->SetFacesFlag(0);
    pMesh->FlagFacesInFrontOfCamera(&m_pDocument->m_Camera, 1);
  }
  return WriteMetafile(METAFILE_MM_HIMETRIC, [&](platform::CDeviceContext& dc) {
    if (faceMode) {
      // Black outlines, white faces, faces flagged -1 left out, -2 in red.
      pMesh->SetFacesFlag(0);
      pMesh->DrawProjected(dc, modelview, projection, viewport, 0, 0xFFFFFF, 0, -1, 255, -2, 255,
                           -2, nullptr, 0);
      return;
    }
    pMesh->DrawProjectedEdges(dc, modelview, projection, viewport, 0);
  });
}

// --- commands ------------------------------------------------------------------------------

// The z rotation and the scale stay.
void CRenderView::OnGeometryReset()
{
  m_xRotation = m_yRotation = 0.0f;
  m_xTranslation = m_yTranslation = 0.0f;
  m_zTranslation = kResetTranslation;
  update();
}

void CRenderView::OnSwapAxes()
{
  m_SwapAxes = !m_SwapAxes;
  RedrawNow();
}

// What the view shows, as a 24-bit bitmap: rows bottom-up, blue first.
void CRenderView::OnEditCopy()
{
  if (!platform::GetClipboard() || !m_HasContext)
    return;
  platform::CWaitCursor wait;
  const QImage image = grabFramebuffer().convertToFormat(QImage::Format_RGB888);
  const int w = image.width();
  const int h = image.height();
  if (w <= 0 || h <= 0)
    return;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(w) * h * 3);
  for (int j = 0; j < h; j++) {
    const uchar* source = image.constScanLine(j);
    std::uint8_t* target = buffer.data() + static_cast<std::size_t>(w) * (h - 1 - j) * 3;
    for (int i = 0; i < w; i++) {
      target[3 * i] = source[3 * i + 2];
      target[3 * i + 1] = source[3 * i + 1];
      target[3 * i + 2] = source[3 * i];
    }
  }
  CTexture texture;
  if (texture.ReadBuffer(buffer.data(), static_cast<unsigned>(w), static_cast<unsigned>(h), 24))
    texture.CopyToClipboard();
}

// Meshes only, in immediate mode and without textures: the feedback pass replays no display
// list, so no object (nor a driver that mishandles lists in feedback mode) can upset it.
void CRenderView::OnExportEps()
{
  platform::SFileDialogRequest request;
  request.Open = false;
  request.InitialPath = "mesh.eps";
  request.Filter = "EPS Files (*.eps)";
  const std::optional<std::string> fileName = platform::GetFileName(this, request);
  if (!fileName || !MakeCurrent())
    return;
  platform::CWaitCursor wait;
  constexpr GLsizei kFeedbackSize = 3000000;
  std::vector<GLfloat> buffer(kFeedbackSize);
  glFeedbackBuffer(kFeedbackSize, GL_3D_COLOR, buffer.data());
  // With flat shading the driver's clipper leaves the colour of the corners it makes on the
  // view's sides unwritten. Smooth shading has it interpolate them; every corner of a face
  // drawn with its face normal and colour gets the same colour, so the picture is the view's.
  GLint shadeModel = GL_FLAT;
  glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
  glShadeModel(GL_SMOOTH);
  glRenderMode(GL_FEEDBACK);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  ApplyViewTransform();
  if (m_pDocument)
    m_pDocument->m_SceneGraph.DrawImmediate(0);
  glPopMatrix();
  const GLint count = glRenderMode(GL_RENDER);
  glShadeModel(static_cast<GLenum>(shadeModel));
  float pointSize = 1.0f;
  ExportEps(&pointSize, fileName->c_str(), buffer.data(), count, 1);
  update();
}

void CRenderView::OnVisualMode()
{
  if (!m_pDocument)
    return;
  const double aspect = height() > 0 ? static_cast<double>(width()) / height() : width();
  m_pDocument->m_SceneGraph.Add(std::make_unique<CVisualModeObject>(m_Fovy, aspect).release());
  m_pDocument->m_SceneGraph.ShowMeshes(0);
  for (int i = 0; i < kVisualModeDrawings; i++)
    RedrawNow();
}

void CRenderView::OnMetafileParameters()
{
  CDlgMetafile dialog(this);
  dialog.DoModal();
}

// The saved view keeps the scale, the three rotations (in its rotation axis) and the
// translation; it is the application's, so a view pushed in one window pops in another.
// Nothing clears the flag again: once asked for, the silhouette is kept for the view's life.
void CRenderView::OnAlwaysColorSilhouette()
{
  m_AlwaysColorSilhouette = 1;
  update();
}

void CRenderView::OnViewingPush()
{
  CVanthApp* app = CVanthApp::GetApp();
  if (!app)
    return;
  app->m_SavedView.SetScale(CVector3d(m_xScaling, m_yScaling, m_zScaling));
  app->m_SavedView.SetRotation(CVector3d(m_xRotation, m_yRotation, m_zRotation));
  app->m_SavedView.SetTranslation(CVector3d(m_xTranslation, m_yTranslation, m_zTranslation));
}

void CRenderView::OnViewingPop()
{
  const CVanthApp* app = CVanthApp::GetApp();
  if (!app)
    return;
  const CTransform& saved = app->m_SavedView;
  m_xScaling = saved.GetScale()->x();
  m_yScaling = saved.GetScale()->y();
  m_zScaling = saved.GetScale()->z();
  update();
  m_xRotation = saved.GetRotation()->x();
  m_yRotation = saved.GetRotation()->y();
  m_zRotation = saved.GetRotation()->z();
  update();
  m_xTranslation = saved.GetTranslation()->x();
  m_yTranslation = saved.GetTranslation()->y();
  m_zTranslation = saved.GetTranslation()->z();
  update();
}

// Object 0, subdivided once and stretched over [0, 20] on every axis, seen from a fixed view.
void CRenderView::OnHelpDemo()
{
  if (!m_pDocument || !m_pDocument->IsFirstObjectOfType(TYPE_MESH3D))
    return;
  auto* pMesh = static_cast<CMesh3d*>(m_pDocument->m_SceneGraph.GetAt(0));
  pMesh->SubdivisionLoop();
  for (int axis = 0; axis < 3; axis++)
    pMesh->Range(axis, 0.0f, 20.0f);
  m_xScaling = 0.78f;
  m_yScaling = 1.0f;
  m_zScaling = 0.52f;
  m_xTranslation = -7.82f;
  m_yTranslation = -8.62f;
  m_zTranslation = -29.5f;
  m_xRotation = 8.33f;
  m_yRotation = 19.0f;
  m_zRotation = 0.0f;
  update();
}

void CRenderView::OnMultiRefinement()
{
  SetTimer(2, 4000);
  SetTimer(1, 10);
  m_ySpin = 2.0f;
}

// --- printing ------------------------------------------------------------------------------

namespace {
QPrinter* AppPrinter()
{
  platform::CWinApp* app = platform::CWinApp::GetApp();
  return app ? app->GetPrinter() : nullptr;
}
} // namespace

void CRenderView::OnFilePrint()
{
  QPrinter* pPrinter = AppPrinter();
  if (!pPrinter)
    return;
  QPrintDialog dialog(pPrinter, this);
  if (dialog.exec() == QDialog::Accepted)
    PrintTo(pPrinter);
}

void CRenderView::OnFilePrintDirect()
{
  if (QPrinter* pPrinter = AppPrinter())
    PrintTo(pPrinter);
}

void CRenderView::OnFilePrintPreview()
{
  QPrinter* pPrinter = AppPrinter();
  if (!pPrinter)
    return;
  QPrintPreviewDialog dialog(pPrinter, this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* pPreview) { PrintTo(pPreview); });
  dialog.exec();
}

bool CRenderView::PrintTo(QPrinter* pPrinter)
{
  QPainter painter;
  if (!pPrinter || !painter.begin(pPrinter)) {
    platform::MessageBox("Could not start print job.");
    return false;
  }
  OnDraw(&painter);
  return painter.end();
}

// The scene is drawn by OpenGL into the window only: a printed page stays blank.
void CRenderView::OnDraw(QPainter*) {}
