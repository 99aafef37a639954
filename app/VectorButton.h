#pragma once

#include "platform/ui/ColorDialog.h"

#include <QImage>
#include <QPushButton>

#include <array>
#include <functional>
#include <string>

class QWidget;

// A push button that shows a lit sphere and turns a unit vector (a light direction, say) as
// the user drags on it with the left button; the highlight follows the vector. Up to three
// text controls of the parent show the components. Frame of the vector: x to the right, y
// down the screen, z towards the viewer.
class CVectorButton : public QPushButton
{
public:
  using Callback = std::function<void(CVectorButton&, double x, double y, double z)>;

  explicit CVectorButton(QWidget* parent = nullptr);

  // Stores and normalises; a vector too short to have a direction becomes (0, 0, 1).
  void SetVector(double x, double y, double z);
  // |value| < 1: the component becomes the value, then the vector is normalised; otherwise
  // the vector becomes the axis of the component, with the value's sign.
  void SetComponent(double value, int index);
  // 1 and a new rendering for 1 <= value <= 200, else 0 and nothing changes.
  int SetSpecularExponent(double value);
  // Pixels of drag per radian; 0 is refused (returns 0).
  int SetSensitivity(int value);
  void SetBackgroundColors(platform::COLORREF top, platform::COLORREF bottom);
  // A tile for the background from the resources; 0 when the image cannot be loaded.
  int LoadBackgroundBitmap(const std::string& resource);
  // The parent's controls with these object names show x, y and z.
  void AttachTextControls(const std::string& x, const std::string& y, const std::string& z);
  void SetUpperHemisphereOnly(bool on) { m_UpperHemisphereOnly = on; }
  void SetOnChange(Callback callback) { m_OnChange = std::move(callback); }
  void SetOnRelease(Callback callback) { m_OnRelease = std::move(callback); }

  const std::array<double, 3>& GetVector() const { return m_Vector; }
  int GetRadius() const { return m_Radius; }
  // The button as it draws itself now, rendering the sphere first when needed.
  const QImage& Render();

  // Turns the vector by a about the x axis, then by b about the y axis (radians).
  void Rotate(double a, double b);
  // Colour (red in the low byte) of a sphere point of normal n lit from direction l.
  platform::COLORREF Shade(const std::array<double, 3>& n, const std::array<double, 3>& l) const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  bool Normalize();
  void Redraw();
  void CreateBuffer();
  void DrawBackground();
  void RenderSphere();

  QImage m_Buffer;
  QImage m_BackgroundBitmap;
  bool m_BufferCreated = false;
  bool m_NeedsRender = true;
  bool m_UpperHemisphereOnly = false;
  int m_Radius = 0;
  int m_CentreX = 0;
  int m_CentreY = 0;
  int m_LastX = kNoPosition;
  int m_LastY = kNoPosition;
  platform::COLORREF m_Diffuse = platform::RGB(200, 200, 200);
  platform::COLORREF m_Ambient = platform::RGB(20, 20, 20);
  platform::COLORREF m_Specular = platform::RGB(200, 200, 200);
  platform::COLORREF m_BackgroundTop = platform::RGB(192, 192, 192);
  platform::COLORREF m_BackgroundBottom = platform::RGB(192, 192, 192);
  std::array<std::string, 3> m_TextControls;
  double m_SpecularExponent = 25.0;
  std::array<double, 3> m_Vector = {0.0, 0.0, 1.0};
  double m_Sensitivity = 20.0;
  Callback m_OnChange;
  Callback m_OnRelease;

  static constexpr int kNoPosition = -50000;
};
