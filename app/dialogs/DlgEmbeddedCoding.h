#pragma once

#include "platform/ui/Dialog.h"

#include <vector>

class CPaintFrame;
class QPainter;

// A look at successive quantization: one value per pixel column of a frame, each drawn as a
// vertical line from the frame's bottom edge.
class CDlgEmbeddedCoding : public platform::CDialog
{
public:
  static constexpr int kFrameWidth = 320;
  static constexpr int kFrameHeight = 160;

  CDlgEmbeddedCoding();

  struct SColumnLine
  {
    int x;
    int yBottom;
    int yTop;
  };

  // "Random": a value of rand() / 32767 per column. "Debug": the ramp i / (n - 1), run
  // through a successive quantization of 4 bits.
  void OnRandom();
  void OnDebug();
  const std::vector<float>& Values() const { return m_Values; }
  // The line of each value in a frame whose bottom edge (exclusive) and height are given.
  std::vector<SColumnLine> ColumnLines(int left, int bottom, int height) const;

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  int NbColumn() const;
  void Paint(QPainter& painter) const;

  CPaintFrame* m_pFrame = nullptr;
  std::vector<float> m_Values;
};
