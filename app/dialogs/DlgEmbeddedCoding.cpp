#include "app/dialogs/DlgEmbeddedCoding.h"

#include "app/dialogs/PaintFrame.h"
#include "compression/Quantizer.h"
#include "platform/core/Random.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kIdFrame = 1087;
constexpr int kDebugBits = 4;
} // namespace

CDlgEmbeddedCoding::CDlgEmbeddedCoding() : CDialog(167, "Dialog") {}

int CDlgEmbeddedCoding::NbColumn() const
{
  return m_pFrame ? m_pFrame->width() - 1 : kFrameWidth - 1;
}

void CDlgEmbeddedCoding::OnRandom()
{
  m_Values.resize(static_cast<std::size_t>(std::max(NbColumn(), 0)));
  for (float& value : m_Values)
    value = static_cast<float>(platform::Rand() / static_cast<double>(platform::RandMax));
  if (m_pFrame)
    m_pFrame->update();
}

void CDlgEmbeddedCoding::OnDebug()
{
  const int n = std::max(NbColumn(), 0);
  m_Values.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; i++)
    m_Values[i] = n > 1 ? static_cast<float>(i / static_cast<double>(n - 1)) : 0.0f;
  CQuantizer::SuccessiveQuantization(kDebugBits, m_Values.data(), n);
  if (m_pFrame)
    m_pFrame->update();
}

std::vector<CDlgEmbeddedCoding::SColumnLine> CDlgEmbeddedCoding::ColumnLines(int left, int bottom,
                                                                             int height) const
{
  std::vector<SColumnLine> lines;
  lines.reserve(m_Values.size());
  for (std::size_t i = 0; i < m_Values.size(); i++)
    lines.push_back({left + static_cast<int>(i), bottom,
                     bottom - 1 - static_cast<int>(m_Values[i] * static_cast<float>(height))});
  return lines;
}

void CDlgEmbeddedCoding::Paint(QPainter& painter) const
{
  painter.setPen(Qt::black);
  for (const SColumnLine& line : ColumnLines(0, m_pFrame->height(), m_pFrame->height()))
    painter.drawLine(line.x, line.yBottom, line.x, line.yTop);
}

void CDlgEmbeddedCoding::OnInitDialog()
{
  QDialog* window = GetWindow();
  m_pFrame = new CPaintFrame(window);
  m_pFrame->setObjectName(QString::number(kIdFrame));
  m_pFrame->setFixedSize(kFrameWidth, kFrameHeight);
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  auto* buttons = new QHBoxLayout;
  for (const char* text : {"Random", "Debug"}) {
    auto* button = new QPushButton(text, window);
    button->setObjectName(text);
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  QObject::connect(window->findChild<QPushButton*>("Random"), &QPushButton::clicked, window,
                   [this] { OnRandom(); });
  QObject::connect(window->findChild<QPushButton*>("Debug"), &QPushButton::clicked, window,
                   [this] { OnDebug(); });
  auto* layout = static_cast<QBoxLayout*>(window->layout());
  layout->insertWidget(0, m_pFrame);
  layout->insertLayout(1, buttons);
}

void CDlgEmbeddedCoding::OnDestroy()
{
  m_Values.clear();
  m_Values.shrink_to_fit();
  m_pFrame = nullptr;
}
