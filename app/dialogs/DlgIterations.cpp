#include "app/dialogs/DlgIterations.h"

CDlgIterations::CDlgIterations()
  : CDialog(163, "Iterations")
{
  // Every command reads the value as a count of at least one.
  m_Fields.Int(1067, "Iterations", m_Iterations, 4).InRange(1, 1000000000);
}
