#include "app/dialogs/DlgV3Subdivision.h"

CDlgV3Subdivision::CDlgV3Subdivision()
  : CDialog(174, "V3 subdivision")
{
  m_Fields.Check(1105, "Flip edges (rotation)", m_FlipEdges, 1)
    .Float(1108, "Ratio", m_Ratio, 0.2f)
    .Check(1106, "Visual debugging", m_VisualDebugging, 1)
    .Check(1107, "Adaptative mode", m_AdaptativeMode, 0)
    .Int(1109, "Seed", m_Seed, 0)
    .Int(1067, "# iters", m_NbIter, 1)
    .Float(1068, "dec. ratio", m_DecRatio, 0.8f)
    .Check(1002, "Smooth", m_Smooth, 1)
    .Double(1022, "Sharp", m_Sharp, 40.0)
    .Double(1023, "Flat", m_Flat, 5.0)
    .Check(1110, "Piecewise", m_Piecewise, 0)
    .Check(1111, "Split sharp edges", m_SplitSharpEdges, 1);
}
