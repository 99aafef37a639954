#pragma once

#include "platform/ui/Dialog.h"

class CMesh3d;

// Progressive mesh simplification.
class CDlgProgressiveMesh : public platform::CDialog
{
public:
  explicit CDlgProgressiveMesh(const CMesh3d* pMesh);

  int m_Initial;
  int m_Final;
  int m_UpdateIterations;
  double m_Epsilon;
  int m_MaxIter;
  double m_Spring;
  double m_InitialStep;
  float m_SharpThreshold;
  int m_SizeHashTable;
  float m_IncreaseFactor;
  float m_DecreaseFactor;
  float m_Max;
  float m_Min;
  int m_UpdateFrequency;
};
