#pragma once

#include "platform/ui/Dialog.h"

#include <string>

// Structure (edge-list) coding and decoding.
class CDlgMeshStructureCoding : public platform::CDialog
{
public:
  CDlgMeshStructureCoding();

  int m_Multithreading;
  int m_VisualDebugging;
  unsigned m_VisualDelay;
  unsigned m_UpdateEach;
  int m_EncourageFull;
  std::string m_FileName;
  int m_MultipleSeedFace;
  unsigned m_SeedFace;
  int m_UseSeedFace;

protected:
  void OnInitDialog() override;

private:
  // "...": the chosen file becomes the file name and shows in its field.
  void OnBrowse();
};
