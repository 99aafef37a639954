#include "app/dialogs/DlgVertexCoordinates.h"

CDlgVertexCoordinates::CDlgVertexCoordinates()
  : CDialog(138, "Vertex coordinates")
{
  m_Fields.Float(1044, "X", m_X, 0.0f)
    .Float(1045, "Y", m_Y, 0.0f)
    .Float(1046, "Z", m_Z, 0.0f);
}
