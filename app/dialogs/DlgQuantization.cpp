#include "app/dialogs/DlgQuantization.h"

CDlgQuantization::CDlgQuantization()
  : CDialog(166, "Quantization")
{
  m_Fields.Int(1019, "Bits", m_Bits, 8);
}
