#pragma once

#include <QOpenGLWidget>

class CVanthDoc;

// A small OpenGL preview of a document's scene: filled and lit, then a wireframe over it, seen
// through its own rotation, translation and scale. Its context is in the one share group of
// the render views, so it draws their display lists and textures.
class CStaticGL : public QOpenGLWidget
{
public:
  CStaticGL(int id, QWidget* parent);

  // Binds the document; the first paint has every scene object compile its list again.
  void Create(CVanthDoc* pDocument);
  int GetId() const { return m_Id; }

  float m_xRotation = 0.0f;
  float m_yRotation = 0.0f;
  float m_zRotation = 0.0f;
  float m_xTranslation = 0.0f;
  float m_yTranslation = 0.0f;
  float m_zTranslation = -5.0f;
  float m_xScaling = 1.0f;
  float m_yScaling = 1.0f;
  float m_zScaling = 1.0f;

protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;

private:
  void DrawScene(bool modified);

  int m_Id;
  CVanthDoc* m_pDocument = nullptr;
  int m_FirstPaint = 1;
};
