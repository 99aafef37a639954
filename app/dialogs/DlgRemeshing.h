#pragma once

#include "platform/ui/Dialog.h"

// Anisotropic remeshing across the ribbons.
class CDlgRemeshing : public platform::CDialog
{
public:
  CDlgRemeshing();

  int m_VerticesPerEdge;
  int m_SwapEdges;
};
