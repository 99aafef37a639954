#pragma once

#include "platform/ui/Dialog.h"

#include <QPoint>

#include <array>

class CPaintFrame;
class CRenderView;
class CStaticGL;
class CVanthDoc;

// "Multiview": four previews of the document's scene in a 2 x 2 layout, seen from four
// azimuths 90 degrees apart. Dragging with both buttons turns them all (azimuth and
// elevation), with the left button moves them sideways, with the right one nearer or farther.
class CDlgMultiview : public platform::CDialog
{
public:
  enum : int { IDC_VIEW_TOP_LEFT = 1096, IDC_VIEW_BOTTOM_LEFT = 1097, IDC_VIEW_TOP_RIGHT = 1098,
               IDC_VIEW_BOTTOM_RIGHT = 1099 };

  // The render view whose scene the previews show; its context is current again on closing.
  explicit CDlgMultiview(CRenderView* pView);
  // Opens the dialog on the view, modally.
  static int Show(CRenderView* pView);

  void OnLButtonDown(QPoint point);
  void OnRButtonDown(QPoint point);
  // Either button going up ends the drag of both.
  void OnButtonUp();
  void OnMouseMove(QPoint point);
  // Lays the previews out over a client area of this size, once the dialog is initialised.
  void OnSize(int width, int height);

  CStaticGL* GetView(int id) const;
  // Azimuth offset of a preview, in degrees.
  static float AzimuthOffset(int id);
  float GetAzimuth() const { return m_Azimuth; }
  float GetElevation() const { return m_Elevation; }
  float GetTranslation(int axis) const { return m_Translation[axis]; }

protected:
  void OnInitDialog() override;
  void OnDestroy() override;
  void PostNcDestroy() override;

private:
  void UpdateViews();
  void RedrawViews();

  CRenderView* m_pView;
  CVanthDoc* m_pDocument;
  int m_LeftButtonDown = 0;
  int m_RightButtonDown = 0;
  QPoint m_LeftDownPos;
  QPoint m_RightDownPos;
  int m_Initialized = 0;
  float m_Elevation = 0.0f;
  float m_Azimuth = 0.0f;
  std::array<float, 3> m_Translation = {0.0f, 0.0f, -5.0f};
  float m_SpeedTranslation = 0.02f;
  float m_SpeedRotation = 1.0f / 3.0f;
  CPaintFrame* m_pClient = nullptr;
  std::array<CStaticGL*, 4> m_Views{};
};
