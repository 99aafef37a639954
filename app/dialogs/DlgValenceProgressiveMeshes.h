#pragma once

#include "platform/ui/Dialog.h"

#include <string>

// Valence-centered progressive encoding into a ".vpm" stream.
class CDlgValenceProgressiveMeshes : public platform::CDialog
{
public:
  CDlgValenceProgressiveMeshes(int nbVertex, const std::string& fileRoot);

  int m_OutputLevels;
  int m_UpdateView;
  std::string m_FileName;
  int m_Requested;
  int m_NbVertex;
  int m_ForbidConcave;
  int m_ForbidNormalFlipping;
  int m_UseMetric;
  double m_MetricThreshold;
  int m_VolumeSurface;
  std::string m_LevelsFileName;
  int m_PackCodes;
  int m_Quantization;
  int m_ForgetMetric;
  int m_Assessment;
  int m_MinNbVertex;
};
