#include "app/dialogs/DlgMultipleSmooth.h"

CDlgMultipleSmooth::CDlgMultipleSmooth()
  : CDialog(164, "Multiple smooth")
{
  m_Fields.Check(1003, "Move boundaries", m_MoveBoundaries, 1)
    .Int(1067, "Iterations", m_Iterations, 1).InRange(1, 999)
    .Check(1004, "Duplicate in scene graph", m_Duplicate, 0);
}
