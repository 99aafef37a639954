#pragma once

#include "platform/ui/Dialog.h"

// Repeated smoothing or subdivision.
class CDlgMultipleSmooth : public platform::CDialog
{
public:
  CDlgMultipleSmooth();

  int m_MoveBoundaries;
  int m_Iterations;
  int m_Duplicate;
};
