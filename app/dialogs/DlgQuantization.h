#pragma once

#include "platform/ui/Dialog.h"

// Bit count of a coordinate quantization.
class CDlgQuantization : public platform::CDialog
{
public:
  CDlgQuantization();

  int m_Bits;
};
