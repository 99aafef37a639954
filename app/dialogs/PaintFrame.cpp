#include "app/dialogs/PaintFrame.h"

#include "platform/core/DeviceContextMemory.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

CPaintFrame::CPaintFrame(QWidget* parent) : QWidget(parent)
{
  setAutoFillBackground(true);
}

QImage CPaintFrame::ImageOf(const platform::CDeviceContextMemory& dc)
{
  QImage image(dc.GetWidth(), dc.GetHeight(), QImage::Format_RGB32);
  for (int y = 0; y < dc.GetHeight(); y++) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < dc.GetWidth(); x++) {
      const platform::ColorRef c = dc.GetPixel(x, y);
      line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
  }
  return image;
}

void CPaintFrame::paintEvent(QPaintEvent*)
{
  if (!m_Paint)
    return;
  QPainter painter(this);
  m_Paint(painter);
}

void CPaintFrame::mousePressEvent(QMouseEvent* event)
{
  if (m_Press)
    m_Press(*event);
}

void CPaintFrame::mouseMoveEvent(QMouseEvent* event)
{
  if (m_Move)
    m_Move(*event);
}

void CPaintFrame::mouseReleaseEvent(QMouseEvent* event)
{
  if (m_Release)
    m_Release(*event);
}

void CPaintFrame::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  if (m_Resize)
    m_Resize(event->size().width(), event->size().height());
}
