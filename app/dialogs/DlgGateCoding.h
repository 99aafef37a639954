#pragma once

#include "platform/ui/Dialog.h"

#include <string>

// Single-rate gate coding of triangle, quad and polygon meshes.
class CDlgGateCoding : public platform::CDialog
{
public:
  static constexpr int kIdOrderSpin = 1161;

  CDlgGateCoding();

  int m_Debug;
  int m_Delay;
  int m_SeedFace;
  std::string m_FileName;
  int m_UpdateEach;
  int m_LimitConquest;
  int m_NbStep;
  int m_AdaptiveConquest;
  int m_Order;
  int m_JoinMode;
  int m_OutputToClipboard;

protected:
  // The order is typed: its spin and the "Choose best order" button stay disabled.
  void OnInitDialog() override;
};
