#pragma once

#include "platform/ui/Dialog.h"

#include <string>

// Valence-centered conquest coding and its geometry benchmark.
class CDlgValenceEncoding : public platform::CDialog
{
public:
  CDlgValenceEncoding();

  int m_Normalization;
  unsigned m_SeedFace;
  std::string m_FileName;
  int m_Debug;
  unsigned m_UpdateEach;
  int m_EdgeList;
  int m_RemoveGhostVertex;
  int m_MultipleSeedFace;
  int m_ShowDistribution;
  int m_Delay;
  int m_NbStep;
  int m_LimitConquest;
  int m_Status;
  int m_NbFace;
  int m_UseNbFace;
  int m_Random;
  int m_NormalBits;
  int m_ParameterBits;
  int m_Geometry;
  int m_StackRun;
  int m_DeterministicConquest;
};
