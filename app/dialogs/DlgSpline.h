#pragma once

#include "mesh/Vector3d.h"
#include "platform/ui/Dialog.h"

#include <string>
#include <vector>

class CPaintFrame;
class QPainter;
class QPushButton;

// "Subdivision-based spline": the user places the points of a closed control polygon with the
// mouse, and the dialog draws the closed curve that an interpolating (four-point, with a
// tension slider), approximating (cubic B-spline) or fractal scheme makes of it. Points are in
// the drawing frame's pixels, with z = 0.
class CDlgSpline : public platform::CDialog
{
public:
  enum : int { kInterpolation = 0, kApproximation = 1, kFractal = 2 };
  using Points = std::vector<CVector3d>;

  CDlgSpline();

  // One step of each scheme on a closed polygon.
  static Points ApproximationStep(const Points& points);
  static Points InterpolationStep(const Points& points, float outer, float inner);
  static Points FractalStep(const Points& points);
  // Index at which a point at (x, y) goes into the polygon: the second end of the segment
  // nearest to it (0 for the closing segment and for an empty polygon).
  static int NearestSegment(const Points& points, float x, float y);
  // First control point within 4 pixels of (x, y) in both directions, or -1.
  static int HitPoint(const Points& points, int x, int y);

  void Recompute();
  // The scheme button: the next scheme, whose name the button then shows.
  void OnScheme();
  void OnInit();
  // The tension slider moved to pos (0 .. 10), and released the mouse.
  void OnSliderMoved(int pos);
  void OnSliderReleased();
  void OnLButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnLButtonUp(int x, int y);
  void OnRButtonUp(int x, int y);

  const Points& ControlPoints() const { return m_ControlPoints; }
  const Points& CurvePoints() const { return m_CurvePoints; }
  int GetScheme() const { return m_Scheme; }
  int GetLevels() const { return m_Levels; }
  float GetOuterWeight() const { return m_OuterWeight; }
  float GetInnerWeight() const { return m_InnerWeight; }
  static std::string SchemeText(int scheme);

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  void Paint(QPainter& painter) const;

  Points m_ControlPoints;
  Points m_CurvePoints;
  int m_Scheme = kInterpolation;
  int m_Levels = 8;
  float m_OuterWeight = -1.0f;
  float m_InnerWeight = 9.0f;
  int m_Dragging = 0;
  int m_DraggedIndex = 0;
  CPaintFrame* m_pFrame = nullptr;
  QPushButton* m_pSchemeButton = nullptr;
};
