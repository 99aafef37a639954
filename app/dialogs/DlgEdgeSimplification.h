#pragma once

#include "platform/ui/Dialog.h"

class CMesh3d;

// Simplification by edge collapses.
class CDlgEdgeSimplification : public platform::CDialog
{
public:
  explicit CDlgEdgeSimplification(const CMesh3d* pMesh);

  int m_Update;
  int m_Final;
  int m_Initial;
  int m_Frequency;
  int m_Potential;
  int m_CollapseBoundaries;
  float m_SharpEdge;
  double m_AlphaInit;
  double m_AlphaStep;
  int m_Combination;
  int m_OptimizedPosition;
  int m_Save;
  int m_SaveFrequency;
};
