#include "app/VectorButton.h"

#include "platform/core/Format.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int Channel(platform::COLORREF color, int c)
{
  return c == 0 ? platform::GetRValue(color) : c == 1 ? platform::GetGValue(color)
                                                      : platform::GetBValue(color);
}

} // namespace

CVectorButton::CVectorButton(QWidget* parent) : QPushButton(parent) {}

bool CVectorButton::Normalize()
{
  const double length2 = m_Vector[0] * m_Vector[0] + m_Vector[1] * m_Vector[1] +
                         m_Vector[2] * m_Vector[2];
  if (length2 < 1e-6) {
    m_Vector = {0.0, 0.0, 1.0};
    return false;
  }
  const double length = std::sqrt(length2);
  for (double& c : m_Vector)
    c /= length;
  return true;
}

void CVectorButton::Redraw()
{
  m_NeedsRender = true;
  QWidget* parent = parentWidget();
  for (int i = 0; i < 3 && parent; i++) {
    if (m_TextControls[i].empty())
      continue;
    const QString text = QString::fromStdString(platform::Format("%+1.5f", m_Vector[i]));
    QWidget* control = parent->findChild<QWidget*>(QString::fromStdString(m_TextControls[i]));
    if (auto* edit = qobject_cast<QLineEdit*>(control))
      edit->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
      label->setText(text);
  }
  update();
}

void CVectorButton::SetVector(double x, double y, double z)
{
  m_Vector = {x, y, z};
  Normalize();
  Redraw();
}

void CVectorButton::SetComponent(double value, int index)
{
  if (index < 0 || index > 2)
    return;
  if (std::fabs(value) < 1.0) {
    m_Vector[index] = value;
    Normalize();
  }
  else {
    m_Vector = {0.0, 0.0, 0.0};
    m_Vector[index] = value >= 1.0 ? 1.0 : -1.0;
  }
  Redraw();
}

int CVectorButton::SetSpecularExponent(double value)
{
  if (!(value >= 1.0 && value <= 200.0))
    return 0;
  m_SpecularExponent = value;
  Redraw();
  return 1;
}

int CVectorButton::SetSensitivity(int value)
{
  if (value == 0)
    return 0;
  m_Sensitivity = value;
  return 1;
}

void CVectorButton::SetBackgroundColors(platform::COLORREF top, platform::COLORREF bottom)
{
  m_BackgroundBitmap = QImage();
  m_BackgroundTop = top;
  m_BackgroundBottom = bottom;
  if (m_BufferCreated)
    DrawBackground();
}

int CVectorButton::LoadBackgroundBitmap(const std::string& resource)
{
  m_BackgroundBitmap = QImage();
  if (m_BufferCreated)
    DrawBackground();
  QImage image(QString::fromStdString(resource));
  if (image.isNull())
    return 0;
  m_BackgroundBitmap = image.convertToFormat(QImage::Format_RGB32);
  if (m_BufferCreated)
    DrawBackground();
  return 1;
}

void CVectorButton::AttachTextControls(const std::string& x, const std::string& y,
                                       const std::string& z)
{
  m_TextControls = {x, y, z};
  Redraw();
}

void CVectorButton::CreateBuffer()
{
  const int w = std::max(width(), 1);
  const int h = std::max(height(), 1);
  m_Buffer = QImage(w, h, QImage::Format_RGB32);
  const int size = std::min(w, h) - 2;
  m_Radius = size >= 1 ? size / 2 : 0;
  m_CentreX = w / 2;
  m_CentreY = h / 2;
  m_BufferCreated = true;
  DrawBackground();
}

void CVectorButton::DrawBackground()
{
  const int w = m_Buffer.width();
  const int h = m_Buffer.height();
  for (int y = 0; y < h; y++) {
    int rgb[3];
    for (int c = 0; c < 3; c++) {
      const double top = Channel(m_BackgroundTop, c);
      const double step = (Channel(m_BackgroundBottom, c) - top) / h;
      rgb[c] = static_cast<int>(top + step * y);
    }
    for (int x = 0; x < w; x++) {
      const QRgb tile = m_BackgroundBitmap.isNull()
                          ? qRgb(rgb[0], rgb[1], rgb[2])
                          : m_BackgroundBitmap.pixel(x % m_BackgroundBitmap.width(),
                                                     y % m_BackgroundBitmap.height());
      m_Buffer.setPixel(x, y, tile);
    }
  }
  Redraw();
}

platform::COLORREF CVectorButton::Shade(const std::array<double, 3>& n,
                                        const std::array<double, 3>& l) const
{
  const double d = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
  const double rz = l[2] - 2.0 * d * n[2];
  const double diffuse = std::max(d, 0.0);
  const double specular = std::pow(std::max(-rz, 0.0), m_SpecularExponent);
  int rgb[3];
  for (int c = 0; c < 3; c++) {
    const int value = static_cast<int>(Channel(m_Diffuse, c) * diffuse +
                                       Channel(m_Specular, c) * specular + Channel(m_Ambient, c));
    rgb[c] = std::min(value, 255);
  }
  return platform::RGB(static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                       static_cast<std::uint8_t>(rgb[2]));
}

// Only a sphere of some size has normals: a button too small for one keeps its background.
void CVectorButton::RenderSphere()
{
  if (m_Radius <= 0)
    return;
  const int radius2 = m_Radius * m_Radius;
  for (int y = 0; y < m_Buffer.height(); y++)
    for (int x = 0; x < m_Buffer.width(); x++) {
      const int dx = x - m_CentreX;
      const int dy = y - m_CentreY;
      if (dx * dx + dy * dy > radius2)
        continue;
      const double nx = static_cast<double>(dx) / m_Radius;
      const double ny = static_cast<double>(dy) / m_Radius;
      const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
      const platform::COLORREF color = Shade({nx, ny, nz}, m_Vector);
      m_Buffer.setPixel(x, y, qRgb(platform::GetRValue(color), platform::GetGValue(color),
                                   platform::GetBValue(color)));
    }
}

const QImage& CVectorButton::Render()
{
  if (!m_BufferCreated)
    CreateBuffer();
  if (m_NeedsRender) {
    if (m_OnChange)
      m_OnChange(*this, m_Vector[0], m_Vector[1], m_Vector[2]);
    RenderSphere();
    m_NeedsRender = false;
  }
  return m_Buffer;
}

void CVectorButton::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.drawImage(0, 0, Render());
}

void CVectorButton::resizeEvent(QResizeEvent* event)
{
  QPushButton::resizeEvent(event);
  if (m_BufferCreated)
    CreateBuffer();
}

void CVectorButton::Rotate(double a, double b)
{
  if (a == 0.0 && b == 0.0)
    return;
  const double x = m_Vector[0], y = m_Vector[1], z = m_Vector[2];
  const double turnedZ = std::sin(a) * y + std::cos(a) * z;
  m_Vector[0] = std::cos(b) * x + std::sin(b) * turnedZ;
  m_Vector[1] = std::cos(a) * y - std::sin(a) * z;
  m_Vector[2] = -std::sin(b) * x + std::cos(b) * turnedZ;
  if (m_UpperHemisphereOnly && m_Vector[2] < 0.0) {
    m_Vector[2] = 0.0;
    Normalize();
  }
  Redraw();
}

void CVectorButton::mousePressEvent(QMouseEvent* event)
{
  if (event->button() == Qt::LeftButton) {
    m_LastX = kNoPosition;
    m_LastY = kNoPosition;
  }
  QPushButton::mousePressEvent(event);
}

void CVectorButton::mouseMoveEvent(QMouseEvent* event)
{
  if (event->buttons() & Qt::LeftButton) {
    const QPoint point = event->position().toPoint();
    const bool known = m_LastX != kNoPosition;
    const int dx = known ? point.x() - m_LastX : 0;
    const int dy = known ? point.y() - m_LastY : 0;
    Rotate(-dy / m_Sensitivity, dx / m_Sensitivity);
    m_LastX = point.x();
    m_LastY = point.y();
  }
  QPushButton::mouseMoveEvent(event);
}

void CVectorButton::mouseReleaseEvent(QMouseEvent* event)
{
  const bool wasDown = isDown();
  QPushButton::mouseReleaseEvent(event);
  if (wasDown && event->button() == Qt::LeftButton && hasFocus() && m_OnRelease)
    m_OnRelease(*this, m_Vector[0], m_Vector[1], m_Vector[2]);
}
