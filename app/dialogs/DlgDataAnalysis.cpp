#include "app/dialogs/DlgDataAnalysis.h"

#include "app/dialogs/PaintFrame.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/FileDialog.h"

#include <QBoxLayout>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

struct SFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

// Exactly `count` values of the format from the text file; false when it is missing or short.
template <class T> bool ReadValues(const std::string& path, const char* format, std::size_t count,
                                   std::vector<T>* pValues)
{
  const FilePtr file(std::fopen(path.c_str(), "r"));
  if (!file)
    return false;
  pValues->resize(count);
  for (T& value : *pValues)
    if (std::fscanf(file.get(), format, &value) != 1)
      return false;
  return true;
}

struct SRange
{
  float Min = std::numeric_limits<float>::max();
  float Max = std::numeric_limits<float>::lowest();
  float Range() const { return Max - Min; }
};

} // namespace

CDlgDataAnalysis::CDlgDataAnalysis() : CDialog(178, "Data analysis") {}

int CDlgDataAnalysis::Grey(float height) const
{
  if (!(m_LargestHeight > 0.0f))
    return 0;
  return std::clamp(static_cast<int>(height / m_LargestHeight * 255.0f), 0, 255);
}

void CDlgDataAnalysis::Splat(float x, float y, float z, float minX, float rangeX, float minZ,
                             float rangeZ)
{
  const int w = m_Heights.GetWidth();
  const int h = m_Heights.GetHeight();
  const int column = static_cast<int>((x - minX) / rangeX * static_cast<float>(w - 1));
  const int row = h - 1 - static_cast<int>((z - minZ) / rangeZ * static_cast<float>(h - 1));
  if (column < 0 || column >= w || row < 0 || row >= h)
    return;
  const auto grey = static_cast<std::uint8_t>(Grey(y));
  // The picture's rows go bottom-up in memory, as in a bitmap file.
  m_Picture.SetColor(static_cast<unsigned>(column), static_cast<unsigned>(h - 1 - row), grey, grey,
                     grey);
  m_Heights.SetPixel(column, row, y);
}

bool CDlgDataAnalysis::Load(const std::string& pointsFile, const std::string& trianglesFile)
{
  std::vector<float> points;
  if (!ReadValues(pointsFile, "%f", 3 * static_cast<std::size_t>(kNbPoint), &points)) {
    platform::MessageBox(platform::Format("The points file must hold %d points", kNbPoint));
    return false;
  }
  std::vector<int> triangles;
  if (!ReadValues(trianglesFile, "%d", 3 * static_cast<std::size_t>(kNbTriangle), &triangles)) {
    platform::MessageBox(platform::Format("The triangles file must hold %d triangles", kNbTriangle));
    return false;
  }
  if (std::any_of(triangles.begin(), triangles.end(), [](int i) { return i < 0 || i >= kNbPoint; })) {
    platform::MessageBox("A triangle refers to a point that does not exist");
    return false;
  }
  SRange range[3];
  for (std::size_t i = 0; i < points.size(); i++) {
    range[i % 3].Min = std::min(range[i % 3].Min, points[i]);
    range[i % 3].Max = std::max(range[i % 3].Max, points[i]);
  }
  const float rangeX = range[0].Range();
  const float rangeZ = range[2].Range();
  const double height = rangeX > 0.0f ? static_cast<double>(rangeZ) / rangeX * kWidth : 0.0;
  if (!(rangeX > 0.0f) || !(rangeZ > 0.0f) || height < 1.0 || height > kMaxHeight) {
    platform::MessageBox("The points do not span an area in x and z");
    return false;
  }
  const int h = static_cast<int>(height);
  m_Picture.Alloc(kWidth, static_cast<unsigned>(h), 24);
  m_Picture.Fill(255, 0, 0);
  m_Heights.Alloc(kWidth, h, kEmpty);
  m_LargestHeight = range[1].Max;

  const auto splat = [&](float x, float y, float z) {
    Splat(x, y, z, range[0].Min, rangeX, range[2].Min, rangeZ);
  };
  for (int i = 0; i < kNbPoint; i++)
    splat(points[3 * i], points[3 * i + 1], points[3 * i + 2]);
  // Four more samples per triangle: its centroid and the midpoints of its sides.
  for (int t = 0; t < kNbTriangle; t++) {
    const float* a = &points[3 * static_cast<std::size_t>(triangles[3 * t])];
    const float* b = &points[3 * static_cast<std::size_t>(triangles[3 * t + 1])];
    const float* c = &points[3 * static_cast<std::size_t>(triangles[3 * t + 2])];
    splat((a[0] + b[0] + c[0]) / 3.0f, (a[1] + b[1] + c[1]) / 3.0f, (a[2] + b[2] + c[2]) / 3.0f);
    for (const auto& [p, q] : {std::pair{a, b}, std::pair{a, c}, std::pair{b, c}})
      splat((p[0] + q[0]) / 2.0f, (p[1] + q[1]) / 2.0f, (p[2] + q[2]) / 2.0f);
  }
  if (m_pFrame) {
    m_pFrame->setFixedSize(kWidth, h);
    m_pFrame->update();
  }
  return true;
}

void CDlgDataAnalysis::OnOpen()
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "*.pts";
  const std::optional<std::string> points = platform::GetFileName(GetWindow(), request);
  if (!points)
    return;
  request.InitialPath = "*.faces";
  const std::optional<std::string> triangles = platform::GetFileName(GetWindow(), request);
  if (!triangles)
    return;
  Load(*points, *triangles);
}

bool CDlgDataAnalysis::OnSave() const
{
  if (!m_Picture.IsValid())
    return false;
  return m_Picture.SaveFileBMP(platform::Format("drome_%d_%d.bmp", m_Picture.GetWidth(),
                                                m_Picture.GetHeight())) != 0;
}

void CDlgDataAnalysis::Refresh()
{
  const int w = m_Heights.GetWidth();
  const int h = m_Heights.GetHeight();
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const float height = m_Heights.GetPixel(x, y);
      if (height == kEmpty)
        continue;
      const auto grey = static_cast<std::uint8_t>(Grey(height));
      m_Picture.SetColor(static_cast<unsigned>(x), static_cast<unsigned>(h - 1 - y), grey, grey,
                         grey);
    }
  if (m_pFrame)
    m_pFrame->update();
}

int CDlgDataAnalysis::OnFill()
{
  if (m_Heights.GetSize() == 0)
    return 0;
  const int filled = m_Heights.FillHoles(kEmpty);
  Refresh();
  return filled ? 1 : 0;
}

int CDlgDataAnalysis::OnRecursiveFill()
{
  int passes = 0;
  while (m_Heights.GetSize() > 0 && m_Heights.FillHoles(kEmpty)) {
    Refresh();
    passes++;
  }
  return passes;
}

void CDlgDataAnalysis::OnSmooth()
{
  if (m_Heights.GetSize() == 0)
    return;
  m_Heights.SmoothGaussian3x3();
  Refresh();
}

// The picture keeps its pixels as a bitmap file does: rows bottom-up, blue first.
platform::ColorRef CDlgDataAnalysis::PictureColor(int x, int row) const
{
  std::uint8_t blue = 0, green = 0, red = 0;
  m_Picture.GetColor(static_cast<unsigned>(x), m_Picture.GetHeight() - 1 - static_cast<unsigned>(row),
                     blue, green, red);
  return platform::Rgb(red, green, blue);
}

void CDlgDataAnalysis::Paint(QPainter& painter) const
{
  if (!m_Picture.IsValid())
    return;
  const int w = static_cast<int>(m_Picture.GetWidth());
  const int h = static_cast<int>(m_Picture.GetHeight());
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const platform::ColorRef color = PictureColor(x, y);
      image.setPixel(x, y, qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    }
  painter.drawImage(0, 0, image);
}

void CDlgDataAnalysis::BuildMenu()
{
  QDialog* window = GetWindow();
  auto* bar = new QMenuBar(window);
  QMenu* file = bar->addMenu("File");
  QObject::connect(file->addAction("Open"), &QAction::triggered, window, [this] { OnOpen(); });
  QObject::connect(file->addAction("Save"), &QAction::triggered, window, [this] { OnSave(); });
  QMenu* process = bar->addMenu("Process");
  QObject::connect(process->addAction("Fill"), &QAction::triggered, window, [this] { OnFill(); });
  QObject::connect(process->addAction("Recursive filling"), &QAction::triggered, window,
                   [this] { OnRecursiveFill(); });
  QMenu* smooth = process->addMenu("Smooth");
  QObject::connect(smooth->addAction("Gaussain 3x3"), &QAction::triggered, window,
                   [this] { OnSmooth(); });
  window->layout()->setMenuBar(bar);
}

void CDlgDataAnalysis::OnInitDialog()
{
  QDialog* window = GetWindow();
  BuildMenu();
  auto* scroll = new QScrollArea(window);
  m_pFrame = new CPaintFrame(scroll);
  m_pFrame->setFixedSize(kWidth, std::max(static_cast<int>(m_Picture.GetHeight()), 1));
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  scroll->setWidget(m_pFrame);
  scroll->setMinimumSize(640, 480);
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, scroll, 1);
}

void CDlgDataAnalysis::OnDestroy()
{
  m_pFrame = nullptr;
}
