#pragma once

#include "platform/ui/Dialog.h"

class CMesh3d;

// Simplification by face collapses, with optional geomorphs.
class CDlgFaceCollapse : public platform::CDialog
{
public:
  explicit CDlgFaceCollapse(const CMesh3d* pMesh);

  unsigned m_Final;
  unsigned m_Initial;
  unsigned m_UpdateEach;
  int m_VisualDebugging;
  int m_MultipleFaceCollapse;
  int m_SmoothGeomorph;
  unsigned m_NbStage;
  unsigned m_NbStep;
};
