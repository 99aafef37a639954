#pragma once

#include "platform/ui/Dialog.h"

// One integer, whose meaning each command gives.
class CDlgIterations : public platform::CDialog
{
public:
  CDlgIterations();

  int m_Iterations;
};
