#pragma once

#include "platform/ui/Dialog.h"

// Colouring of the faces around vertices of a given valence.
class CDlgColorValence : public platform::CDialog
{
public:
  CDlgColorValence();

  int m_NbVertex;
  int m_Valence;
};
