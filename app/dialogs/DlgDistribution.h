#pragma once

#include "platform/ui/Dialog.h"

#include <string>
#include <vector>

class CPaintFrame;
class QPainter;

// "Distribution": a horizontal bar chart of how often each code occurs in the codes of a
// conquest coding, one row of 20 pixels per code value.
class CDlgDistribution : public platform::CDialog
{
public:
  struct SRow
  {
    std::string Label;
    int Left, Top, Right, Bottom; // the bar, right and bottom excluded
  };

  // The codes belong to the caller and outlive the dialog.
  explicit CDlgDistribution(const std::vector<unsigned>* pCodes);

  // Counts every code; an empty array, or one of zeros only, gives no chart.
  void BuildHistogram();
  const std::vector<unsigned>& GetHistogram() const { return m_Histogram; }
  // The rows of the chart in a client area of this width.
  std::vector<SRow> Rows(int clientWidth) const;

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  void Paint(QPainter& painter) const;

  const std::vector<unsigned>* m_pCodes;
  std::vector<unsigned> m_Histogram;
  unsigned m_LargestCount = 0;
  unsigned m_LargestCode = 0;
  CPaintFrame* m_pFrame = nullptr;
};
