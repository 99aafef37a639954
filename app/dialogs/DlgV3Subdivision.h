#pragma once

#include "platform/ui/Dialog.h"

// Parameters of the V3 subdivision.
class CDlgV3Subdivision : public platform::CDialog
{
public:
  CDlgV3Subdivision();

  int m_FlipEdges;
  float m_Ratio;
  int m_VisualDebugging;
  int m_AdaptativeMode;
  int m_Seed;
  int m_NbIter;
  float m_DecRatio;
  int m_Smooth;
  double m_Sharp;
  double m_Flat;
  int m_Piecewise;
  int m_SplitSharpEdges;
};
