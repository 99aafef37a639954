#include "platform/ui/DialogSpin.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

CDialogSpin::CDialogSpin(QWidget* parent) : QWidget(parent)
{
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const auto arrow = [this, layout](Qt::ArrowType type, int delta) {
    auto* button = new QToolButton(this);
    button->setArrowType(type);
    button->setAutoRepeat(true);
    button->setFixedSize(16, 11);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, delta] { Click(delta); });
    layout->addWidget(button);
  };
  arrow(Qt::UpArrow, 1);
  arrow(Qt::DownArrow, -1);
}

int CDialogSpin::Clamp(int pos) const
{
  return std::clamp(pos, std::min(m_Min, m_Max), std::max(m_Min, m_Max));
}

void CDialogSpin::SetRange(int min, int max)
{
  m_Min = min;
  m_Max = max;
  m_Pos = Clamp(m_Pos);
}

void CDialogSpin::SetPos(int pos)
{
  m_Pos = Clamp(pos);
}

bool CDialogSpin::Click(int delta)
{
  // The up arrow moves towards the range's second end, as with the class library's control.
  const int direction = m_Max >= m_Min ? 1 : -1;
  const int pos = Clamp(m_Pos + delta * m_Step * direction);
  if (pos == m_Pos)
    return false;
  m_Pos = pos;
  if (m_OnMove)
    m_OnMove(m_Pos);
  return true;
}

} // namespace platform
