#include "app/dialogs/DlgErrorAccumulation.h"

#include "mesh/Mesh3d.h"

CDlgErrorAccumulation::CDlgErrorAccumulation(const CMesh3d* pMesh)
  : CDialog(171, "Scalable mesh coding by error accumulation")
{
  const int nbVertex = pMesh ? pMesh->NbVertex() : 0;
  m_Fields.Unsigned(1099, "Final", m_Final, static_cast<unsigned>(nbVertex / 2))
    .Unsigned(1098, "Initial", m_Initial, static_cast<unsigned>(nbVertex)).ReadOnly()
    .Unsigned(1097, "Update each", m_UpdateEach, 0)
    .Check(1088, "Visual debugging", m_VisualDebugging, 1);
}
