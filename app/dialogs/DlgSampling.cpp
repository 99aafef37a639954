#include "app/dialogs/DlgSampling.h"

CDlgSampling::CDlgSampling() : CDialog(144, "Sampling")
{
  m_Fields.Int(1058, "Width", m_Width, 50)
    .Int(1059, "Height", m_Height, 50)
    .Check(1060, "Use color", m_UseColor, 1)
    .Check(1061, "Quad mesh", m_QuadMesh, 0);
}
