#include "app/dialogs/DlgGateCoding.h"

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
    .Int(1160, "Order (0-3)", m_Order, 1).InRange(0, 3).WithSpin(1161, 0, 3, 1)
    .Check(1104, "", m_JoinMode, 1)
    .Check(1107, "Output to clipboard", m_OutputToClipboard, 0);
}
