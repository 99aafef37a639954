#pragma once

#include "platform/ui/Dialog.h"

// A point in space.
class CDlgVertexCoordinates : public platform::CDialog
{
public:
  CDlgVertexCoordinates();

  float m_X;
  float m_Y;
  float m_Z;
};
