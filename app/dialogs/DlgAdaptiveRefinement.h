#pragma once

#include "platform/ui/Dialog.h"

// Refinement on the coloured silhouette seen from a camera.
class CDlgAdaptiveRefinement : public platform::CDialog
{
public:
  CDlgAdaptiveRefinement();

  unsigned m_Camera;
  unsigned m_Silhouette;
};
