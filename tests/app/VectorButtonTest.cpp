#include "app/VectorButton.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

void ExpectVector(const CVectorButton& button, double x, double y, double z)
{
  EXPECT_NEAR(button.GetVector()[0], x, 1e-9);
  EXPECT_NEAR(button.GetVector()[1], y, 1e-9);
  EXPECT_NEAR(button.GetVector()[2], z, 1e-9);
}

// Centre of the pixels whose red channel is the image's highest.
QPointF Highlight(const QImage& image)
{
  int value = -1;
  for (int y = 0; y < image.height(); y++)
    for (int x = 0; x < image.width(); x++)
      value = std::max(value, qRed(image.pixel(x, y)));
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < image.height(); y++)
    for (int x = 0; x < image.width(); x++)
      if (qRed(image.pixel(x, y)) == value) {
        sx += x;
        sy += y;
        n++;
      }
  return QPointF(sx / n, sy / n);
}

TEST(VectorButtonTest, TheDefaultVectorPutsTheHighlightAtTheCentre)
{
  CVectorButton button;
  button.resize(41, 41);
  ExpectVector(button, 0, 0, 1);
  const QImage& image = button.Render();
  EXPECT_EQ(button.GetRadius(), 19);
  EXPECT_EQ(Highlight(image), QPointF(20, 20));
  EXPECT_EQ(image.pixel(20, 20), qRgb(255, 255, 255));
  // Outside the disc the grey background stays.
  EXPECT_EQ(image.pixel(0, 0), qRgb(192, 192, 192));
}

TEST(VectorButtonTest, ShadingAddsDiffuseSpecularAndAmbient)
{
  CVectorButton button;
  EXPECT_EQ(button.Shade({0, 0, 1}, {0, 0, 1}), platform::RGB(255, 255, 255));
  EXPECT_EQ(button.Shade({1, 0, 0}, {0, 0, 1}), platform::RGB(20, 20, 20));
  // Half lit: diffuse 0.5, reflection straight away from the viewer.
  const double s = std::sqrt(0.75);
  const platform::COLORREF half = button.Shade({0, 0, 1}, {s, 0, 0.5});
  EXPECT_EQ(platform::GetRValue(half), static_cast<int>(200 * 0.5 + 200 * std::pow(0.5, 25) + 20));
}

TEST(VectorButtonTest, ADragOfTheSensitivityTurnsOneRadianAboutY)
{
  QWidget parent;
  auto* button = new CVectorButton(&parent);
  button->resize(60, 60);
  parent.show();
  const QPoint start(30, 30);
  QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, start);
  for (const QPoint point : {start, start + QPoint(20, 0)}) {
    QMouseEvent move(QEvent::MouseMove, QPointF(point), button->mapToGlobal(QPointF(point)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &move);
  }
  QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, start + QPoint(20, 0));
  ExpectVector(*button, std::sin(1.0), 0.0, std::cos(1.0));
}

TEST(VectorButtonTest, ComponentsAreSetAndTheVectorKeptUnit)
{
  CVectorButton button;
  button.SetComponent(1.5, 1);
  ExpectVector(button, 0, 1, 0);
  button.SetComponent(-2.0, 2);
  ExpectVector(button, 0, 0, -1);
  button.SetVector(0, 0, 1);
  button.SetComponent(0.5, 0);
  const double length = std::sqrt(1.25);
  ExpectVector(button, 0.5 / length, 0, 1 / length);
  button.SetVector(0, 0, 0); // no direction: the default one
  ExpectVector(button, 0, 0, 1);
  button.SetVector(3, 0, 4);
  ExpectVector(button, 0.6, 0, 0.8);
}

TEST(VectorButtonTest, RefusesExponentsAndSensitivityOutOfReach)
{
  CVectorButton button;
  EXPECT_EQ(button.SetSpecularExponent(0.5), 0);
  EXPECT_EQ(button.SetSpecularExponent(250.0), 0);
  EXPECT_EQ(button.SetSpecularExponent(1.0), 1);
  EXPECT_EQ(button.SetSpecularExponent(200.0), 1);
  EXPECT_EQ(button.SetSensitivity(0), 0);
  EXPECT_EQ(button.SetSensitivity(-5), 1);
}

TEST(VectorButtonTest, TheUpperHemisphereKeepsZAtZeroOrAbove)
{
  CVectorButton button;
  button.SetUpperHemisphereOnly(true);
  button.Rotate(0.0, 2.0); // would leave z = cos 2 < 0
  ExpectVector(button, 1, 0, 0);
  button.SetUpperHemisphereOnly(false);
  button.SetVector(0, 0, 1);
  button.Rotate(0.0, 2.0);
  EXPECT_LT(button.GetVector()[2], 0.0);
}

TEST(VectorButtonTest, AButtonTooSmallForASphereShowsOnlyItsBackground)
{
  CVectorButton button;
  button.resize(2, 30);
  button.SetBackgroundColors(platform::RGB(0, 0, 0), platform::RGB(0, 0, 0));
  const QImage& image = button.Render();
  EXPECT_EQ(button.GetRadius(), 0);
  for (int y = 0; y < image.height(); y++)
    for (int x = 0; x < image.width(); x++)
      EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
}

TEST(VectorButtonTest, TextControlsShowSignedComponentsAndCallbacksSeeTheVector)
{
  QWidget parent;
  auto* x = new QLineEdit(&parent);
  x->setObjectName("1200");
  auto* z = new QLineEdit(&parent);
  z->setObjectName("1202");
  auto* button = new CVectorButton(&parent);
  button->resize(30, 30);
  std::array<double, 3> seen = {9, 9, 9};
  button->SetOnChange([&seen](CVectorButton&, double vx, double vy, double vz) { seen = {vx, vy, vz}; });
  button->AttachTextControls("1200", "", "1202");
  button->SetVector(-3, 0, 4);
  EXPECT_EQ(x->text().toStdString(), "-0.60000");
  EXPECT_EQ(z->text().toStdString(), "+0.80000");
  button->Render();
  EXPECT_EQ(seen, (std::array<double, 3>{-0.6, 0.0, 0.8}));
}

} // namespace
