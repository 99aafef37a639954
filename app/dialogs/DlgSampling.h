#pragma once

#include "platform/ui/Dialog.h"

// Sampling of an image into a height map.
class CDlgSampling : public platform::CDialog
{
public:
  CDlgSampling();

  int m_Width;
  int m_Height;
  int m_UseColor;
  int m_QuadMesh;
};
