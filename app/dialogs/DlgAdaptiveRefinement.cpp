#include "app/dialogs/DlgAdaptiveRefinement.h"

CDlgAdaptiveRefinement::CDlgAdaptiveRefinement()
  : CDialog(177, "Adaptive refinement")
{
  m_Fields.Unsigned(1115, "Camera", m_Camera, 1)
    .Unsigned(1116, "Silhouette", m_Silhouette, 3);
}
