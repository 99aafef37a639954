#include "app/dialogs/DlgProgressiveDecoding.h"

CDlgProgressiveDecoding::CDlgProgressiveDecoding()
  : CDialog(193, "Progressive decoding", "Decode")
{
  m_Fields.Check(1092, "Color", m_Color, 0)
    .Check(1170, "Visual debugging", m_VisualDebugging, 1)
    .Int(1078, "Delay (ms)", m_Delay, 10)
    .Check(1093, "Fine grain", m_FineGrain, 0)
    .Int(1079, "", m_Number, 100);
}
