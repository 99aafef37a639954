#include "app/dialogs/DlgIterations.h"

CDlgIterations::CDlgIterations()
  : CDialog(163, "Iterations")
{
  m_Fields.Int(1067, "Iterations", m_Iterations, 4);
}
