#include "app/dialogs/DlgColorValence.h"

CDlgColorValence::CDlgColorValence()
  : CDialog(188, "Color faces from vertex valence")
{
  m_Fields.Int(1156, "Nb vertices", m_NbVertex, 0).InRange(1, 3)
    .Int(1098, "Valence", m_Valence, 0).InRange(2, 1000);
}
