#pragma once

#include "platform/ui/Dialog.h"

// Size and height range of a generated map.
class CDlgMap : public platform::CDialog
{
public:
  CDlgMap();

  int m_Height;
  int m_Width;
  float m_Max;
  float m_Min;
};
