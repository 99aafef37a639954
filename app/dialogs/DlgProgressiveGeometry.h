#pragma once

#include "platform/ui/Dialog.h"

#include <string>

// One layer of valence-centered progressive geometry coding.
class CDlgProgressiveGeometry : public platform::CDialog
{
public:
  CDlgProgressiveGeometry();

  int m_UpdateEach;
  int m_Debug;
  std::string m_FileName;
  int m_Remesh;
  int m_MaxDegree;
  int m_ColorPatches;
  int m_GateType;
  int m_ColorCause;
  int m_PureDegree;
  int m_UseMetric;
  float m_MetricThreshold;
  int m_ForbidNormalFlipping;
  int m_ForbidConcave;
  int m_Delay;
  int m_Metric;
  int m_ArithmeticOrder;
};
