#include "app/dialogs/DlgGateCoding.h"

#include "platform/ui/DialogSpin.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

CDlgGateCoding::CDlgGateCoding()
  : CDialog(190, "Single-rate Mesh Compression - Gate Approach")
{
  m_Fields.Check(1106, "Debug", m_Debug, 0)
    .Int(1090, "Delay (ms)", m_Delay, 0)
    .Int(1097, "Seed face", m_SeedFace, 0)
    .String(1094, "", m_FileName, "mesh.bin").WithBrowse()
    .Int(1091, "Update each", m_UpdateEach, 1)
    .Check(1101, "Limit conquest (# steps)", m_LimitConquest, 0).Disabled()
    .Int(1159, "", m_NbStep, 0).Disabled()
    .Check(1102, "Adaptive conquest", m_AdaptiveConquest, 1)
    .Int(1160, "Order (0-3)", m_Order, 1).InRange(0, 3).WithSpin(kIdOrderSpin, 0, 3, 1)
    .Check(1104, "", m_JoinMode, 1)
    .Check(1107, "Output to clipboard", m_OutputToClipboard, 0);
}

void CDlgGateCoding::OnInitDialog()
{
  if (platform::CDialogSpin* spin = m_Fields.Spin(kIdOrderSpin))
    spin->setEnabled(false);
  QDialog* window = GetWindow();
  auto* best = new QPushButton("Choose best order", window);
  best->setObjectName("Choose best order");
  best->setAutoDefault(false);
  best->setEnabled(false);
  // Beside the fields, above the OK and Cancel buttons.
  static_cast<QBoxLayout*>(window->layout())->insertWidget(1, best);
}
