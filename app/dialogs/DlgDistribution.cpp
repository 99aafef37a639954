#include "app/dialogs/DlgDistribution.h"

#include <QDialog>
#include <QBoxLayout>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kRowHeight = 20;
constexpr int kTop = 3;
constexpr int kBarLeft = 40;
constexpr int kLabelLeft = 5;
constexpr int kMargin = 70;

// The chart; it reads the dialog at every paint, so a resize rescales the bars.
class CDistributionChart : public QWidget
{
public:
  CDistributionChart(const CDlgDistribution& dialog, QWidget* parent)
    : QWidget(parent), m_Dialog(dialog)
  {
    const int rows = dialog.GetHistogram().empty() ? 0 : static_cast<int>(dialog.GetLargestCode()) + 1;
    setMinimumSize(300, std::min(kRowHeight * rows + 2 * kTop, 800));
  }

protected:
  void paintEvent(QPaintEvent*) override
  {
    QPainter painter(this);
    const int barArea = width() - kMargin;
    const auto& histogram = m_Dialog.GetHistogram();
    for (unsigned int code = 0; code < histogram.size(); code++) {
      const int top = kRowHeight * static_cast<int>(code) + kTop;
      painter.setPen(Qt::black);
      painter.drawText(QRect(kLabelLeft, top, kBarLeft - kLabelLeft, kRowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromStdString(CDlgDistribution::Label(code)));
      const int length = m_Dialog.BarLength(code, barArea);
      if (length > 0)
        painter.fillRect(QRect(QPoint(kBarLeft, top), QPoint(kBarLeft + length - 1, top + kRowHeight - 2)),
                         QColor(0, 0, 128));
    }
  }

private:
  const CDlgDistribution& m_Dialog;
};

} // namespace

CDlgDistribution::CDlgDistribution(const std::vector<unsigned int>* pCodes)
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
  // Nothing but ghost codes: no chart.
  if (m_LargestCode == 0)
    return;
  m_Histogram.assign(static_cast<size_t>(m_LargestCode) + 1, 0);
  for (unsigned int code : *m_pCodes)
    m_Histogram[code]++;
  m_LargestCount = *std::max_element(m_Histogram.begin(), m_Histogram.end());
}

std::string CDlgDistribution::Label(unsigned int code)
{
  switch (code) {
  case 0: return "ghost";
  case 1: return "split";
  case 2: return "merge";
  default: return std::to_string(code);
  }
}

int CDlgDistribution::BarLength(unsigned int code, int barAreaWidth) const
{
  if (code >= m_Histogram.size() || m_LargestCount == 0 || m_Histogram[code] == 0)
    return 0;
  const int length = static_cast<int>(static_cast<double>(m_Histogram[code]) / m_LargestCount *
                                      std::max(barAreaWidth, 0));
  return std::max(length, 1);
}

void CDlgDistribution::OnInitDialog()
{
  BuildHistogram();
  QDialog* pWindow = GetWindow();
  if (auto* pLayout = pWindow ? qobject_cast<QBoxLayout*>(pWindow->layout()) : nullptr)
    pLayout->insertWidget(0, new CDistributionChart(*this, pWindow));
}
