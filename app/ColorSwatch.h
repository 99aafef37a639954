#pragma once

#include "platform/ui/ColorDialog.h"

#include <QWidget>

class CColorRamp;

// A plain rectangle of one colour, or of a colour ramp from left to right, that reports a
// click released over it.
class CColorSwatch : public QWidget
{
  Q_OBJECT

public:
  CColorSwatch(int id, QWidget* parent);

  int GetId() const { return m_Id; }
  platform::COLORREF GetColor() const { return m_Color; }
  void SetColor(platform::COLORREF color);
  // The swatch shows the ramp instead of a colour; the ramp outlives the swatch.
  void SetRamp(const CColorRamp* pRamp);

signals:
  void clicked(int id);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  int m_Id;
  platform::COLORREF m_Color = 0;
  const CColorRamp* m_pRamp = nullptr;
};
