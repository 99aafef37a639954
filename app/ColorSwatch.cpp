#include "app/ColorSwatch.h"

#include "mesh/ColorRamp.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const int kSwatchHeight = 16;
} // namespace

CColorSwatch::CColorSwatch(int id, QWidget* parent) : QWidget(parent), m_Id(id)
{
  setObjectName(QString("Swatch%1").arg(id));
  setMinimumHeight(kSwatchHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CColorSwatch::SetColor(platform::COLORREF color)
{
  m_Color = color;
  update();
}

void CColorSwatch::SetRamp(const CColorRamp* pRamp)
{
  m_pRamp = pRamp;
  update();
}

// A ramp column x takes entry (x - left) / width * 255, truncated.
void CColorSwatch::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  const QRect area = rect();
  if (!m_pRamp) {
    painter.fillRect(area, QColor(platform::GetRValue(m_Color), platform::GetGValue(m_Color),
                                  platform::GetBValue(m_Color)));
    return;
  }
  const int width = area.width();
  for (int x = area.left(); x < area.right() - 1; x++) {
    const int k = static_cast<int>(static_cast<double>(x - area.left()) / width * 255.0);
    painter.fillRect(QRect(x, area.top(), 1, area.height()),
                     QColor(m_pRamp->Red(k), m_pRamp->Green(k), m_pRamp->Blue(k)));
  }
}

void CColorSwatch::mouseReleaseEvent(QMouseEvent* event)
{
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked(m_Id);
  QWidget::mouseReleaseEvent(event);
}
