#pragma once

#include "platform/ui/Dialog.h"

// Ribbons built by unmeshing a wavefront.
class CDlgUnmeshing : public platform::CDialog
{
public:
  CDlgUnmeshing();

  int m_Copy;
  int m_SeedFace;
  int m_UnmeshAcross;
  int m_UnmeshAlong;
  int m_AcrossFirst;
  int m_DebugAcross;
  int m_DebugAlong;
  float m_Ratio;
  int m_PeriodAcross;
  int m_PeriodAlong;
  int m_ColorFaces;
  int m_SmoothGeomorph;
};
