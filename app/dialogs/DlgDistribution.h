#pragma once

#include "platform/ui/Dialog.h"

#include <string>
#include <vector>

// How often each conquest code occurs, as a horizontal bar chart: one row of 20 pixels per
// code value from 0 to the largest, bars scaled to the widest.
class CDlgDistribution : public platform::CDialog
{
public:
  // The codes stay the caller's and must outlive the dialog.
  explicit CDlgDistribution(const std::vector<unsigned int>* pCodes);

  // The histogram is built when the dialog opens.
  void BuildHistogram();
  const std::vector<unsigned int>& GetHistogram() const { return m_Histogram; }
  unsigned int GetLargestCount() const { return m_LargestCount; }
  unsigned int GetLargestCode() const { return m_LargestCode; }

  // Row i: its label and its bar's length in a bar area of the given width (the client width
  // less 70 pixels). A code that occurs at all gets at least one pixel.
  static std::string Label(unsigned int code);
  int BarLength(unsigned int code, int barAreaWidth) const;

protected:
  void OnInitDialog() override;

private:
  const std::vector<unsigned int>* m_pCodes;
  std::vector<unsigned int> m_Histogram;
  unsigned int m_LargestCount = 0;
  unsigned int m_LargestCode = 0;
};
