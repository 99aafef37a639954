#pragma once

#include "platform/ui/Dialog.h"

// Spatial hash table of the mesh faces.
class CDlgHashTable : public platform::CDialog
{
public:
  CDlgHashTable();

  int m_Size;
  int m_ShowGrid;
};
