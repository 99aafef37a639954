#include "DialogAnswer.h"

#include "app/dialogs/DlgSpline.h"
#include "platform/core/MessageBox.h"

#include <QDialog>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// A triangle of control points placed with the right button, as the user appends them.
void PlaceTriangle(CDlgSpline& dialog)
{
  dialog.OnRButtonUp(100, 100);
  dialog.OnRButtonUp(300, 120);
  dialog.OnRButtonUp(180, 300);
}

bool Same(const CVector3d& a, const CVector3d& b)
{
  return std::fabs(a.x() - b.x()) < 1e-3f && std::fabs(a.y() - b.y()) < 1e-3f && b.z() == 0.0f;
}

// Signed area test: the point lies on the segment a-b (collinear and between its ends).
bool OnSegment(const CVector3d& p, const CVector3d& a, const CVector3d& b)
{
  const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
  const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
  const double along = ((p.x() - a.x()) * (b.x() - a.x()) + (p.y() - a.y()) * (b.y() - a.y())) /
                       (length * length);
  return std::fabs(cross) / length < 1e-3 && along > -1e-6 && along < 1.0 + 1e-6;
}

bool InsideTriangle(const CVector3d& p, const CDlgSpline::Points& t)
{
  const auto side = [&p](const CVector3d& a, const CVector3d& b) {
    return (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
  };
  const double s0 = side(t[0], t[1]), s1 = side(t[1], t[2]), s2 = side(t[2], t[0]);
  return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

TEST(SplineDialogTest, FewerThanThreePointsMakeNoCurve)
{
  CDlgSpline dialog;
  dialog.OnRButtonUp(10, 10);
  EXPECT_TRUE(dialog.CurvePoints().empty());
  dialog.OnRButtonUp(50, 10);
  EXPECT_TRUE(dialog.CurvePoints().empty());
  EXPECT_EQ(dialog.ControlPoints().size(), 2u);
}

TEST(SplineDialogTest, InterpolationPassesThroughItsControlPoints)
{
  CDlgSpline dialog;
  EXPECT_EQ(dialog.GetScheme(), CDlgSpline::kInterpolation);
  PlaceTriangle(dialog);
  const CDlgSpline::Points& curve = dialog.CurvePoints();
  ASSERT_EQ(curve.size(), 768u);
  for (int k = 0; k < 3; k++)
    EXPECT_TRUE(Same(curve[k * 256], dialog.ControlPoints()[k])) << k;
  // The default tension bulges the curve out of the triangle between its corners.
  int outside = 0;
  for (const CVector3d& p : curve)
    outside += InsideTriangle(p, dialog.ControlPoints()) ? 0 : 1;
  EXPECT_GT(outside, 0);
}

TEST(SplineDialogTest, TensionZeroGivesMidpointsOnTheControlPolygon)
{
  CDlgSpline dialog;
  PlaceTriangle(dialog);
  dialog.OnSliderMoved(0);
  EXPECT_FLOAT_EQ(dialog.GetInnerWeight(), 8.0f);
  EXPECT_FLOAT_EQ(dialog.GetOuterWeight(), 0.0f);
  // A slider move previews with 3 levels until the slider lets the mouse go.
  ASSERT_EQ(dialog.CurvePoints().size(), 24u);
  dialog.OnSliderReleased();
  const CDlgSpline::Points& curve = dialog.CurvePoints();
  ASSERT_EQ(curve.size(), 768u);
  const CDlgSpline::Points& t = dialog.ControlPoints();
  for (std::size_t i = 0; i < curve.size(); i++) {
    const std::size_t edge = i / 256;
    EXPECT_TRUE(OnSegment(curve[i], t[edge], t[(edge + 1) % 3])) << i;
  }
  // The first step puts the midpoint of each side between its ends.
  const CDlgSpline::Points step = CDlgSpline::InterpolationStep(t, 0.0f, 8.0f);
  EXPECT_TRUE(Same(step[1], CVector3d(200, 110, 0)));
  EXPECT_TRUE(Same(step[3], CVector3d(240, 210, 0)));
  EXPECT_TRUE(Same(step[5], CVector3d(140, 200, 0)));
}

TEST(SplineDialogTest, SliderPositionTenGivesTheFourPointWeights)
{
  CDlgSpline dialog;
  dialog.OnSliderMoved(10);
  EXPECT_FLOAT_EQ(dialog.GetInnerWeight(), 9.0f);
  EXPECT_FLOAT_EQ(dialog.GetOuterWeight(), -1.0f);
  dialog.OnSliderMoved(4);
  EXPECT_FLOAT_EQ(dialog.GetInnerWeight() * 2 + dialog.GetOuterWeight() * 2, 16.0f);
}

TEST(SplineDialogTest, ApproximationStaysInsideTheTriangle)
{
  CDlgSpline dialog;
  dialog.OnScheme();
  EXPECT_EQ(dialog.GetScheme(), CDlgSpline::kApproximation);
  PlaceTriangle(dialog);
  const CDlgSpline::Points& curve = dialog.CurvePoints();
  ASSERT_EQ(curve.size(), 768u);
  for (const CVector3d& p : curve)
    EXPECT_TRUE(InsideTriangle(p, dialog.ControlPoints()));
  // Smooth: no control point is reached.
  for (const CVector3d& c : dialog.ControlPoints())
    for (const CVector3d& p : curve)
      EXPECT_GT(std::hypot(p.x() - c.x(), p.y() - c.y()), 1.0);
}

TEST(SplineDialogTest, FractalStepsQuadrupleWithTheKochBump)
{
  const CDlgSpline::Points segment = {CVector3d(0, 0, 0), CVector3d(30, 0, 0)};
  const CDlgSpline::Points step = CDlgSpline::FractalStep(segment);
  ASSERT_EQ(step.size(), 8u);
  EXPECT_TRUE(Same(step[1], CVector3d(10, 0, 0)));
  EXPECT_TRUE(Same(step[2], CVector3d(15, -10, 0)));
  EXPECT_TRUE(Same(step[3], CVector3d(20, 0, 0)));
  CDlgSpline dialog;
  dialog.OnScheme();
  dialog.OnScheme();
  EXPECT_EQ(dialog.GetScheme(), CDlgSpline::kFractal);
  PlaceTriangle(dialog);
  EXPECT_EQ(dialog.CurvePoints().size(), 3u * 256u);
}

TEST(SplineDialogTest, AClickWithinFourPixelsDragsAndAtFiveInserts)
{
  CDlgSpline dialog;
  PlaceTriangle(dialog);
  dialog.OnLButtonDown(104, 96);
  dialog.OnMouseMove(120, 90);
  EXPECT_TRUE(Same(dialog.ControlPoints()[0], CVector3d(120, 90, 0)));
  EXPECT_EQ(dialog.CurvePoints().size(), 24u); // coarse while dragging
  dialog.OnLButtonUp(120, 90);
  EXPECT_EQ(dialog.ControlPoints().size(), 3u);
  EXPECT_EQ(dialog.CurvePoints().size(), 768u);

  dialog.OnLButtonDown(125, 90);
  dialog.OnMouseMove(140, 140); // no point picked: nothing moves
  EXPECT_TRUE(Same(dialog.ControlPoints()[0], CVector3d(120, 90, 0)));
  dialog.OnLButtonUp(125, 90);
  ASSERT_EQ(dialog.ControlPoints().size(), 4u);
  // Inserted on the nearest side, between points 0 and 1.
  EXPECT_TRUE(Same(dialog.ControlPoints()[1], CVector3d(125, 90, 0)));
}

TEST(SplineDialogTest, NearestSegmentNamesItsSecondEnd)
{
  const CDlgSpline::Points square = {CVector3d(0, 0, 0), CVector3d(100, 0, 0),
                                     CVector3d(100, 100, 0), CVector3d(0, 100, 0)};
  EXPECT_EQ(CDlgSpline::NearestSegment(square, 50, -5), 1);
  EXPECT_EQ(CDlgSpline::NearestSegment(square, 105, 50), 2);
  EXPECT_EQ(CDlgSpline::NearestSegment(square, 50, 104), 3);
  EXPECT_EQ(CDlgSpline::NearestSegment(square, -3, 50), 0); // the closing side
  EXPECT_EQ(CDlgSpline::NearestSegment({}, 5, 5), 0);
  // Beyond a corner the corner is the nearest point of both sides: the first one wins.
  EXPECT_EQ(CDlgSpline::NearestSegment(square, 110, -10), 1);
}

TEST(SplineDialogTest, TheSchemeButtonCyclesAndInitClears)
{
  CDlgSpline dialog;
  std::vector<std::string> texts;
  std::size_t afterInit = 1;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& open = static_cast<CDlgSpline&>(shown);
    auto* button = shown.GetWindow()->findChild<QPushButton*>("1083");
    texts.push_back(button->text().toStdString());
    for (int i = 0; i < 3; i++) {
      button->click();
      texts.push_back(button->text().toStdString());
    }
    PlaceTriangle(open);
    shown.GetWindow()->findChild<QPushButton*>("Init")->click();
    afterInit = open.ControlPoints().size() + open.CurvePoints().size();
    return platform::IDOK;
  });
  EXPECT_EQ(dialog.DoModal(), platform::IDOK);
  EXPECT_EQ(dialog.GetTemplateId(), 182);
  EXPECT_EQ(texts, (std::vector<std::string>{"Interpolation", "Approximation", "Fractals",
                                             "Interpolation"}));
  EXPECT_EQ(afterInit, 0u);
}

} // namespace

namespace {

struct SSliderRun
{
  std::vector<float> Inner;
  std::vector<std::size_t> CurveSizes;
};

// Places a triangle, then acts on the tension slider of the open dialog as a person would,
// noting the inner weight and the curve's size after each action.
SSliderRun RunSlider(const std::function<void(QSlider&)>& act, int actions)
{
  CDlgSpline dialog;
  SSliderRun run;
  CDialogAnswer answer([&](platform::CDialog& shown) {
    auto& open = static_cast<CDlgSpline&>(shown);
    auto* slider = shown.GetWindow()->findChild<QSlider*>("1000");
    if (!slider)
      return platform::IDCANCEL;
    PlaceTriangle(open);
    for (int i = 0; i < actions; i++) {
      act(*slider);
      run.Inner.push_back(open.GetInnerWeight());
      run.CurveSizes.push_back(open.CurvePoints().size());
    }
    return platform::IDOK;
  });
  dialog.DoModal();
  return run;
}

} // namespace

TEST(SplineDialogTest, KeyboardStepsOnTheSliderChangeTheTension)
{
  // From position 10, each Down key goes one step towards 0: 9.9, 9.8, ... as inner weight.
  const SSliderRun run = RunSlider(
    [](QSlider& slider) {
      slider.setFocus();
      QTest::keyClick(&slider, Qt::Key_Down);
    },
    3);
  ASSERT_EQ(run.Inner.size(), 3u);
  for (int i = 0; i < 3; i++) {
    EXPECT_FLOAT_EQ(run.Inner[i], static_cast<float>((10 - (i + 1)) / 10.0 + 8.0)) << i;
    // A step is no drag: the curve is drawn with all its levels at once (3 x 2^8 points).
    EXPECT_EQ(run.CurveSizes[i], 768u) << i;
  }
}

TEST(SplineDialogTest, AClickOnTheTrackChangesTheTension)
{
  // A click on the track below the handle pages towards 0, the slider's own page step.
  int page = 0;
  const SSliderRun run = RunSlider(
    [&page](QSlider& slider) {
      page = slider.pageStep();
      slider.triggerAction(QAbstractSlider::SliderPageStepSub);
    },
    1);
  ASSERT_EQ(run.Inner.size(), 1u);
  const int pos = std::max(0, 10 - page);
  EXPECT_FLOAT_EQ(run.Inner[0], static_cast<float>(pos / 10.0 + 8.0));
  EXPECT_EQ(run.CurveSizes[0], 768u);
}

TEST(SplineDialogTest, ADragPreviewsCoarselyAndIsRefinedOnRelease)
{
  int step = 0;
  const SSliderRun run = RunSlider(
    [&step](QSlider& slider) {
      // Odd actions grab the handle and move it, even ones let it go.
      if (step++ % 2 == 0) {
        slider.setSliderDown(true);
        slider.setSliderPosition(5);
      } else {
        slider.setSliderDown(false);
      }
    },
    2);
  ASSERT_EQ(run.Inner.size(), 2u);
  EXPECT_FLOAT_EQ(run.Inner[0], 8.5f);
  EXPECT_EQ(run.CurveSizes[0], 24u); // 3 x 2^3 while the handle is held
  EXPECT_FLOAT_EQ(run.Inner[1], 8.5f);
  EXPECT_EQ(run.CurveSizes[1], 768u);
}
