#pragma once

#include "platform/ui/Dialog.h"

// Decoding of a progressive stream, level by level.
class CDlgProgressiveDecoding : public platform::CDialog
{
public:
  CDlgProgressiveDecoding();

  int m_Color;
  int m_VisualDebugging;
  int m_Delay;
  int m_FineGrain;
  int m_Number;
};
