#include "app/dialogs/DlgFaceCollapse.h"

#include "mesh/Mesh3d.h"

CDlgFaceCollapse::CDlgFaceCollapse(const CMesh3d* pMesh)
  : CDialog(172, "Scalable mesh coding by face collapsing")
{
  const int nbFace = pMesh ? pMesh->NbFace() : 0;
  m_Fields.Unsigned(1099, "Final", m_Final, static_cast<unsigned>(nbFace / 2))
    .Unsigned(1098, "Initial", m_Initial, static_cast<unsigned>(nbFace)).ReadOnly()
    .Unsigned(1097, "Update each", m_UpdateEach, 0)
    .Check(1088, "Visual debugging", m_VisualDebugging, 0)
    .Check(1089, "Flag for multiple face collapse", m_MultipleFaceCollapse, 0)
    .Check(1090, "Build smooth geomorph", m_SmoothGeomorph, 0)
    .Unsigned(1101, "# stages", m_NbStage, 1)
    .Unsigned(1102, "# steps", m_NbStep, 20);
}
