#pragma once

#include "platform/ui/Dialog.h"

class CMesh3d;

// Simplification by half-edge collapses with error accumulation.
class CDlgErrorAccumulation : public platform::CDialog
{
public:
  explicit CDlgErrorAccumulation(const CMesh3d* pMesh);

  unsigned m_Final;
  unsigned m_Initial;
  unsigned m_UpdateEach;
  int m_VisualDebugging;
};
