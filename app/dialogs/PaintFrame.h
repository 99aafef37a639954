#pragma once

#include <QWidget>

#include <functional>

class QImage;
class QMouseEvent;
class QPainter;

namespace platform {
class CDeviceContextMemory;
}

// A plain area of a dialog that the dialog paints and whose mouse it handles, through
// functions it installs; without them the area shows the dialog's background.
class CPaintFrame : public QWidget
{
public:
  using PaintHandler = std::function<void(QPainter&)>;
  using MouseHandler = std::function<void(QMouseEvent&)>;
  using ResizeHandler = std::function<void(int width, int height)>;

  explicit CPaintFrame(QWidget* parent);

  // What a memory device context holds, as an image to paint.
  static QImage ImageOf(const platform::CDeviceContextMemory& dc);

  void OnPaint(PaintHandler handler) { m_Paint = std::move(handler); }
  void OnMousePress(MouseHandler handler) { m_Press = std::move(handler); }
  void OnMouseMove(MouseHandler handler) { m_Move = std::move(handler); }
  void OnMouseRelease(MouseHandler handler) { m_Release = std::move(handler); }
  void OnResize(ResizeHandler handler) { m_Resize = std::move(handler); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  PaintHandler m_Paint;
  MouseHandler m_Press;
  MouseHandler m_Move;
  MouseHandler m_Release;
  ResizeHandler m_Resize;
};
