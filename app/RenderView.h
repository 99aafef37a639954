#pragma once

#include "platform/ui/CmdTarget.h"

#include <QOpenGLWidget>
#include <QPoint>
#include <QSurfaceFormat>

class CMesh3d;
class CVanthDoc;
class QPainter;
class QPrinter;
class QTimer;

namespace platform {
class CDocument;
}

// The right-hand pane of every child frame: an OpenGL view of its document's scene. It keeps
// the user's view transform (translation, rotations about x, y and z in degrees, scale), moves
// it with the mouse, spins it with timer 1 and has the document draw the scene on every paint.
// All views share one group of OpenGL objects, so a display list compiled in one view draws
// in every other.
class CRenderView : public QOpenGLWidget, public platform::CCmdTarget
{
  Q_OBJECT

public:
  // The bitmap font: glyphs 0 to 254 as display lists from this base; glListBase points here.
  static constexpr unsigned kFontListBase = 1000;
  static constexpr int kFontGlyphs = 255;

  explicit CRenderView(platform::CDocument* pDocument, QWidget* parent = nullptr);

  // The pixel format every OpenGL view of the program asks for.
  static QSurfaceFormat PixelFormat();
  ~CRenderView() override;

  // Null when the view stands on another kind of document.
  CVanthDoc* GetDocument() const { return m_pDocument; }
  // The OpenGL context was created; without one the view shows nothing.
  bool HasContext() const { return m_HasContext; }
  // Makes the view's context current; false, and nothing changed, when it has none.
  bool MakeCurrent();
  // The document is going: the view forgets it and draws nothing more.
  void DetachDocument() { m_pDocument = nullptr; }

  // Rotations, translation, scale and the two speeds back to their start values.
  void ResetView();
  // Translation, rotations about x, then y, then z, then scale, on the current matrix.
  void ApplyViewTransform() const;
  // Background colour from the three clear-colour members; the form view calls it.
  void SetClearColor();
  // Viewport and projection again, for a changed field of view.
  void UpdateProjection();
  // Paints at once, without running any other event; nothing while the view is hidden.
  void RedrawNow();

  // Timer 1 spins the scene, timer 2 steps the document's adaptive refinement.
  void SetTimer(unsigned id, int elapse);
  void KillTimer(unsigned id);
  bool IsTimerActive(unsigned id) const;
  void OnTimer(unsigned id);

  // Flags the faces of the scene's triangle mesh at this index that lie wholly outside the
  // view, as the view transform and the projection place them.
  void FlagFacesOutOfViewport(int flag, int index);
  // The matrices and viewport of the view transform, read with the view's context current;
  // false when the view has no context.
  bool ReadViewMatrices(double modelview[16], double projection[16], int viewport[4]);
  // The scene's triangle mesh at this index, or null.
  CMesh3d* GetMesh(int index) const;
  // "metafile.emf" and the clipboard: the edges of the mesh at this index (only those of the
  // faces in front of the view with frontFacesOnly), or its faces filled white with faceMode.
  // False when there is no such mesh or nothing could be written.
  bool GenerateMetafile(int index, int frontFacesOnly, int faceMode);

  void OnGeometryReset();
  void OnSwapAxes();
  void OnEditCopy();
  // Asks for a file name, renders the scene once into the feedback buffer and writes it as
  // EPS, farthest primitives first.
  void OnExportEps();
  void OnViewingPush();
  void OnViewingPop();
  void OnHelpDemo();
  void OnMultiRefinement();
  // Appends a visual-mode chooser, hides the meshes and draws the chart 30 times at once.
  void OnVisualMode();
  void OnMetafileParameters();
  // From now on, every left-button release colours object 0's silhouette as the view shows it.
  void OnAlwaysColorSilhouette();
  void OnFilePrint();
  void OnFilePrintPreview();
  // File > Print without the print dialog, on the application's printer as it is set.
  void OnFilePrintDirect();
  // Prints the view on the printer, one page; false when the printer cannot start.
  bool PrintTo(QPrinter* pPrinter);
  // What the view draws on a printer page or into any painter other than its own window.
  void OnDraw(QPainter* pPainter);

  double m_Fovy = 45.0;
  float m_xRotation = 0.0f;
  float m_yRotation = 0.0f;
  float m_zRotation = 0.0f;
  int m_SwapAxes = 1;
  float m_xTranslation = 0.0f;
  float m_yTranslation = 0.0f;
  float m_zTranslation = -5.0f;
  float m_xScaling = 1.0f;
  float m_yScaling = 1.0f;
  float m_zScaling = 1.0f;
  float m_SpeedTranslation = 0.02f;
  float m_SpeedRotation = 1.0f / 3.0f;
  float m_ClearColorRed = 0.0f;
  float m_ClearColorGreen = 0.0f;
  float m_ClearColorBlue = 0.0f;
  float m_xSpin = 0.0f;
  float m_ySpin = 5.0f;
  float m_zSpin = 0.0f;
  int m_MoveCamera = 0;
  int m_AlwaysColorSilhouette = 0;

protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

private:
  void RegisterCommands();
  void SetLightsAndMaterials() const;
  void SetProjection(int width, int height) const;
  void MoveScene(const QPoint& point);
  void MoveCamera(const QPoint& point);
  QTimer* Timer(unsigned id) const;

  CVanthDoc* m_pDocument;
  bool m_HasContext = false;
  int m_LeftButtonDown = 0;
  int m_RightButtonDown = 0;
  QPoint m_LeftDownPos;
  QPoint m_RightDownPos;
  QTimer* m_pSpinTimer;
  QTimer* m_pRefineTimer;
};
