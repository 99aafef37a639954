#include "app/dialogs/PaintFrame.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

CPaintFrame::CPaintFrame(QWidget* parent) : QWidget(parent)
{
  setAutoFillBackground(true);
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
