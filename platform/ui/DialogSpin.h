#pragma once

#include <QWidget>

#include <functional>

class QToolButton;

namespace platform {

// An up-down control beside an edit of a dialog: its arrows step a position within a range
// and hand every new position on. The position never leaves the range.
class CDialogSpin : public QWidget
{
public:
  explicit CDialogSpin(QWidget* parent);

  // The range, with the ends in either order; the position is kept inside it.
  void SetRange(int min, int max);
  void SetPos(int pos);
  int GetPos() const { return m_Pos; }
  int GetMin() const { return m_Min; }
  int GetMax() const { return m_Max; }
  // Acceleration: how far one click moves.
  void SetStep(int step) { m_Step = step; }
  // Called after the user moved the position.
  void SetOnMove(std::function<void(int)> onMove) { m_OnMove = std::move(onMove); }
  // One click on the up (delta > 0) or down arrow, as the user makes it; false at the end
  // of the range, where the position stays.
  bool Click(int delta);

private:
  int Clamp(int pos) const;

  int m_Min = 0;
  int m_Max = 100;
  int m_Pos = 0;
  int m_Step = 1;
  std::function<void(int)> m_OnMove;
};

} // namespace platform
