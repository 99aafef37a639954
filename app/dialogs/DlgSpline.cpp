#include "app/dialogs/DlgSpline.h"

#include "app/dialogs/PaintFrame.h"

#include <QBoxLayout>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kIdFrame = 1125;
constexpr int kIdSlider = 1000;
constexpr int kIdScheme = 1083;
constexpr int kFrameSize = 380;
constexpr int kFineLevels = 8;
constexpr int kPreviewLevels = 3;
constexpr int kFractalSteps = 4;
// A click this close to a control point (strictly, in x and in y) picks it up.
constexpr int kPickTolerance = 5;

CVector3d Combine(float a, const CVector3d& p, float b, const CVector3d& q)
{
  return CVector3d(a * p.x() + b * q.x(), a * p.y() + b * q.y(), 0.0f);
}

} // namespace

CDlgSpline::CDlgSpline() : CDialog(182, "Subdivision-based spline") {}

std::string CDlgSpline::SchemeText(int scheme)
{
  switch (scheme) {
  case kApproximation: return "Approximation";
  case kFractal: return "Fractals";
  default: return "Interpolation";
  }
}

CDlgSpline::Points CDlgSpline::ApproximationStep(const Points& p)
{
  const int n = static_cast<int>(p.size());
  Points out;
  out.reserve(2 * p.size());
  for (int i = 0; i < n; i++) {
    const CVector3d& prev = p[(i + n - 1) % n];
    const CVector3d& next = p[(i + 1) % n];
    out.emplace_back((prev.x() + 6.0f * p[i].x() + next.x()) / 8.0f,
                     (prev.y() + 6.0f * p[i].y() + next.y()) / 8.0f, 0.0f);
    out.push_back(Combine(0.5f, p[i], 0.5f, next));
  }
  return out;
}

CDlgSpline::Points CDlgSpline::InterpolationStep(const Points& p, float a, float b)
{
  const int n = static_cast<int>(p.size());
  Points out;
  out.reserve(2 * p.size());
  for (int i = 0; i < n; i++) {
    const CVector3d& p0 = p[(i + n - 1) % n];
    const CVector3d& p1 = p[i];
    const CVector3d& p2 = p[(i + 1) % n];
    const CVector3d& p3 = p[(i + 2) % n];
    out.push_back(p1);
    out.emplace_back((a * p0.x() + b * p1.x() + b * p2.x() + a * p3.x()) / 16.0f,
                     (a * p0.y() + b * p1.y() + b * p2.y() + a * p3.y()) / 16.0f, 0.0f);
  }
  return out;
}

CDlgSpline::Points CDlgSpline::FractalStep(const Points& p)
{
  const int n = static_cast<int>(p.size());
  Points out;
  out.reserve(4 * p.size());
  for (int i = 0; i < n; i++) {
    const CVector3d& p1 = p[i];
    const CVector3d& p2 = p[(i + 1) % n];
    const float dx = (p2.x() - p1.x()) / 3.0f;
    const float dy = (p2.y() - p1.y()) / 3.0f;
    out.push_back(p1);
    out.emplace_back(p1.x() + dx, p1.y() + dy, 0.0f);
    // The middle third's centre pushed out by the third turned a quarter turn.
    out.emplace_back(p1.x() + 1.5f * dx + dy, p1.y() + 1.5f * dy - dx, 0.0f);
    out.emplace_back(p1.x() + 2.0f * dx, p1.y() + 2.0f * dy, 0.0f);
  }
  return out;
}

int CDlgSpline::NearestSegment(const Points& p, float x, float y)
{
  const int n = static_cast<int>(p.size());
  double best = 1e38;
  int index = 0;
  for (int i = 0; i < n; i++) {
    const CVector3d& a = p[i];
    const CVector3d& b = p[(i + 1) % n];
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    double cx = a.x(), cy = a.y();
    if (length2 > 0.0) {
      const double t = ((x - a.x()) * dx + (y - a.y()) * dy) / length2;
      if (t >= 1.0) {
        cx = b.x();
        cy = b.y();
      }
      else if (t > 0.0) {
        cx = a.x() + t * dx;
        cy = a.y() + t * dy;
      }
    }
    const double distance2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    if (distance2 < best) {
      best = distance2;
      index = (i + 1) % n;
    }
  }
  return index;
}

int CDlgSpline::HitPoint(const Points& p, int x, int y)
{
  for (std::size_t i = 0; i < p.size(); i++)
    if (std::abs(x - static_cast<int>(p[i].x())) < kPickTolerance &&
        std::abs(y - static_cast<int>(p[i].y())) < kPickTolerance)
      return static_cast<int>(i);
  return -1;
}

void CDlgSpline::Recompute()
{
  m_CurvePoints.clear();
  if (m_ControlPoints.size() >= 3) {
    m_CurvePoints = m_ControlPoints;
    if (m_Scheme == kApproximation) {
      for (int i = 0; i < m_Levels; i++)
        m_CurvePoints = ApproximationStep(m_CurvePoints);
    }
    else if (m_Scheme == kFractal) {
      for (int i = 0; i < kFractalSteps; i++)
        m_CurvePoints = FractalStep(m_CurvePoints);
    }
    else {
      for (int i = 0; i < m_Levels; i++)
        m_CurvePoints = InterpolationStep(m_CurvePoints, m_OuterWeight, m_InnerWeight);
    }
  }
  if (m_pFrame)
    m_pFrame->update();
}

void CDlgSpline::OnScheme()
{
  m_Scheme = (m_Scheme + 1) % 3;
  if (m_pSchemeButton)
    m_pSchemeButton->setText(QString::fromStdString(SchemeText(m_Scheme)));
  Recompute();
}

void CDlgSpline::OnInit()
{
  m_ControlPoints.clear();
  m_CurvePoints.clear();
  if (m_pFrame)
    m_pFrame->update();
}

// Position 10 gives the four-point weights 9 and -1, position 0 plain midpoints (8 and 0).
void CDlgSpline::OnSliderMoved(int pos)
{
  m_InnerWeight = static_cast<float>(pos / 10.0 + 8.0);
  m_OuterWeight = 8.0f - m_InnerWeight;
  m_Levels = kPreviewLevels;
  Recompute();
  m_Levels = kFineLevels;
}

void CDlgSpline::OnSliderReleased()
{
  Recompute();
}

void CDlgSpline::OnLButtonDown(int x, int y)
{
  m_Dragging = 0;
  const int hit = HitPoint(m_ControlPoints, x, y);
  if (hit < 0)
    return;
  m_Dragging = 1;
  m_DraggedIndex = hit;
}

void CDlgSpline::OnMouseMove(int x, int y)
{
  if (!m_Dragging)
    return;
  m_ControlPoints[m_DraggedIndex].Set(static_cast<float>(x), static_cast<float>(y), 0.0f);
  m_Levels = kPreviewLevels;
  Recompute();
}

void CDlgSpline::OnLButtonUp(int x, int y)
{
  if (!m_Dragging) {
    const int index = NearestSegment(m_ControlPoints, static_cast<float>(x), static_cast<float>(y));
    m_ControlPoints.insert(m_ControlPoints.begin() + index,
                           CVector3d(static_cast<float>(x), static_cast<float>(y), 0.0f));
  }
  m_Dragging = 0;
  m_Levels = kFineLevels;
  Recompute();
}

void CDlgSpline::OnRButtonUp(int x, int y)
{
  m_ControlPoints.emplace_back(static_cast<float>(x), static_cast<float>(y), 0.0f);
  Recompute();
}

void CDlgSpline::Paint(QPainter& painter) const
{
  const auto at = [](const CVector3d& p) {
    return QPoint(static_cast<int>(p.x()), static_cast<int>(p.y()));
  };
  painter.setPen(QPen(QColor(100, 100, 100), 1));
  const std::size_t n = m_CurvePoints.size();
  for (std::size_t i = 0; i < n; i++)
    painter.drawLine(at(m_CurvePoints[i]), at(m_CurvePoints[(i + 1) % n]));
  painter.setPen(Qt::black);
  for (const CVector3d& p : m_CurvePoints)
    painter.drawPoint(at(p));
  painter.setPen(QPen(QColor(0, 0, 255), 1));
  for (const CVector3d& p : m_ControlPoints)
    painter.drawEllipse(QRect(at(p) - QPoint(3, 3), at(p) + QPoint(3, 3)));
}

void CDlgSpline::OnInitDialog()
{
  QDialog* window = GetWindow();
  m_pFrame = new CPaintFrame(window);
  m_pFrame->setObjectName(QString::number(kIdFrame));
  m_pFrame->setFixedSize(kFrameSize, kFrameSize);
  m_pFrame->setPalette(QPalette(Qt::white));
  m_pFrame->setMouseTracking(false);
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  m_pFrame->OnMousePress([this](QMouseEvent& event) {
    if (event.button() == Qt::LeftButton)
      OnLButtonDown(event.position().toPoint().x(), event.position().toPoint().y());
  });
  m_pFrame->OnMouseMove([this](QMouseEvent& event) {
    OnMouseMove(event.position().toPoint().x(), event.position().toPoint().y());
  });
  m_pFrame->OnMouseRelease([this](QMouseEvent& event) {
    const QPoint point = event.position().toPoint();
    if (event.button() == Qt::LeftButton)
      OnLButtonUp(point.x(), point.y());
    else if (event.button() == Qt::RightButton)
      OnRButtonUp(point.x(), point.y());
  });

  auto* slider = new QSlider(Qt::Vertical, window);
  slider->setObjectName(QString::number(kIdSlider));
  slider->setRange(0, 10);
  slider->setValue(10);
  // Every change of the value acts, whether dragged, stepped with the keys or paged with a
  // click on the track. A drag previews coarsely and is refined when the handle is let go;
  // any other change is complete at once, so it is refined at once.
  QObject::connect(slider, &QSlider::valueChanged, window, [this, slider](int pos) {
    OnSliderMoved(pos);
    if (!slider->isSliderDown())
      OnSliderReleased();
  });
  QObject::connect(slider, &QSlider::sliderReleased, window, [this] { OnSliderReleased(); });

  auto* buttons = new QVBoxLayout;
  m_pSchemeButton = new QPushButton(QString::fromStdString(SchemeText(m_Scheme)), window);
  m_pSchemeButton->setObjectName(QString::number(kIdScheme));
  m_pSchemeButton->setAutoDefault(false);
  QObject::connect(m_pSchemeButton, &QPushButton::clicked, window, [this] { OnScheme(); });
  buttons->addWidget(m_pSchemeButton);
  for (const char* text : {"Run", "Init"}) {
    auto* button = new QPushButton(text, window);
    button->setObjectName(text);
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  QObject::connect(window->findChild<QPushButton*>("Run"), &QPushButton::clicked, window,
                   [this] { Recompute(); });
  QObject::connect(window->findChild<QPushButton*>("Init"), &QPushButton::clicked, window,
                   [this] { OnInit(); });
  buttons->addStretch();

  auto* row = new QHBoxLayout;
  row->addWidget(m_pFrame);
  row->addWidget(slider);
  row->addLayout(buttons);
  static_cast<QBoxLayout*>(window->layout())->insertLayout(0, row);
}

void CDlgSpline::OnDestroy()
{
  m_pFrame = nullptr;
  m_pSchemeButton = nullptr;
  m_ControlPoints.clear();
  m_CurvePoints.clear();
}
