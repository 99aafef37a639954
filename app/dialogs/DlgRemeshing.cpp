#include "app/dialogs/DlgRemeshing.h"

CDlgRemeshing::CDlgRemeshing()
  : CDialog(186, "Remeshing")
{
  m_Fields.Radio(1148, "", {"One vertex per edge", "Two vertices per edge"}, m_VerticesPerEdge, 1)
    .Check(1145, "Swap edges", m_SwapEdges, 1);
}
