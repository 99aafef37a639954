#include "app/dialogs/DlgDistribution.h"

#include "app/dialogs/PaintFrame.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kRowHeight = 20;
constexpr int kBarLeft = 40;
constexpr int kLabelLeft = 5;
constexpr int kMargin = 70; // client width that is not bar area
} // namespace

CDlgDistribution::CDlgDistribution(const std::vector<unsigned>* pCodes)
  : CDialog(184, "Distribution"), m_pCodes(pCodes)
{
}

void CDlgDistribution::BuildHistogram()
{
  m_Histogram.clear();
  m_LargestCount = 0;
  m_LargestCode = 0;
  if (!m_pCodes || m_pCodes->empty())
    return;
  m_LargestCode = *std::max_element(m_pCodes->begin(), m_pCodes->end());
  if (m_LargestCode == 0)
    return;
  m_Histogram.assign(static_cast<std::size_t>(m_LargestCode) + 1, 0);
  for (unsigned code : *m_pCodes)
    m_Histogram[code]++;
  m_LargestCount = *std::max_element(m_Histogram.begin(), m_Histogram.end());
}

std::vector<CDlgDistribution::SRow> CDlgDistribution::Rows(int clientWidth) const
{
  std::vector<SRow> rows;
  const int area = clientWidth - kMargin;
  for (std::size_t i = 0; i < m_Histogram.size(); i++) {
    static const char* const kNames[3] = {"ghost", "split", "merge"};
    SRow row;
    row.Label = i < 3 ? kNames[i] : std::to_string(i);
    int length = static_cast<int>(static_cast<double>(m_Histogram[i]) / m_LargestCount * area);
    // A code that occurs at all shows, however rare.
    if (m_Histogram[i] > 0)
      length = std::max(length, 1);
    const int top = kRowHeight * static_cast<int>(i) + 3;
    row.Left = kBarLeft;
    row.Top = top;
    row.Right = kBarLeft + length;
    row.Bottom = top + kRowHeight - 1;
    rows.push_back(row);
  }
  return rows;
}

void CDlgDistribution::Paint(QPainter& painter) const
{
  for (const SRow& row : Rows(m_pFrame->width())) {
    painter.setPen(Qt::black);
    painter.drawText(kLabelLeft, row.Top, kBarLeft - kLabelLeft, kRowHeight, Qt::AlignLeft,
                     QString::fromStdString(row.Label));
    painter.fillRect(QRect(QPoint(row.Left, row.Top), QPoint(row.Right - 1, row.Bottom - 1)),
                     QColor(0, 0, 128));
  }
}

void CDlgDistribution::OnInitDialog()
{
  BuildHistogram();
  QDialog* window = GetWindow();
  m_pFrame = new CPaintFrame(window);
  m_pFrame->setMinimumSize(400, std::max(100, kRowHeight * static_cast<int>(m_Histogram.size()) + 6));
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  // A new width rescales every bar.
  m_pFrame->OnResize([this](int, int) { m_pFrame->update(); });
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, m_pFrame, 1);
}

void CDlgDistribution::OnDestroy()
{
  m_pFrame = nullptr;
  m_Histogram.clear();
}
