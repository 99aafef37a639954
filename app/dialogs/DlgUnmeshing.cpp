#include "app/dialogs/DlgUnmeshing.h"

CDlgUnmeshing::CDlgUnmeshing()
  : CDialog(185, "Unmeshing wavefront...")
{
  m_Fields.Check(1143, "Copy to scenegraph", m_Copy, 0)
    .Int(1097, "Seed face", m_SeedFace, 0)
    .Check(1142, "Unmesh", m_UnmeshAcross, 1).InGroup("Across")
    .Check(1141, "Unmesh", m_UnmeshAlong, 1).InGroup("Along")
    .Check(1144, "Across first", m_AcrossFirst, 1)
    .Check(1109, "Debug", m_DebugAcross, 0).InGroup("Across")
    .Check(1107, "Debug", m_DebugAlong, 0).InGroup("Along")
    .Float(1108, "Ratio", m_Ratio, 0.5f).InRange(0.1, 0.9).InGroup("Along")
    .Int(1100, "", m_PeriodAcross, 1).InRange(1, 10000).InGroup("Across")
    .Int(1099, "", m_PeriodAlong, 1).InRange(1, 10000).InGroup("Along")
    .Check(1145, "Color faces from wavefront", m_ColorFaces, 0)
    .Check(1146, "Smooth geomorph", m_SmoothGeomorph, 0);
}
