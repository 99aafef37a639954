#include "app/dialogs/DlgQuantization.h"

CDlgQuantization::CDlgQuantization()
  : CDialog(166, "Quantization")
{
  // A coordinate on 2^31 levels or more, or on one level, is no quantization.
  m_Fields.Int(1019, "Bits", m_Bits, 8).InRange(1, 30);
}
