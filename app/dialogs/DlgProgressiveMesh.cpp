#include "app/dialogs/DlgProgressiveMesh.h"

#include "mesh/Mesh3d.h"

CDlgProgressiveMesh::CDlgProgressiveMesh(const CMesh3d* pMesh)
  : CDialog(139, "Progressive meshes")
{
  const int nbVertex = pMesh ? pMesh->NbVertex() : 0;
  m_Fields.Int(1016, "Initial", m_Initial, nbVertex).ReadOnly()
    .Int(1017, "Final", m_Final, nbVertex / 2)
    .Check(1047, "Update iterations", m_UpdateIterations, 1)
    .Double(1020, "Epsilon", m_Epsilon, 0.0001)
    .Int(1021, "Max iter", m_MaxIter, 50)
    .Double(1018, "Spring", m_Spring, 0.01)
    .Double(1019, "Initial", m_InitialStep, 1.0).InGroup("Gradient")
    .Float(1022, "Sharp threshold", m_SharpThreshold, 0.6f)
    .Int(1023, "Size hash table", m_SizeHashTable, 20)
    .Float(1024, "Increase factor", m_IncreaseFactor, 1.5f)
    .Float(1025, "Decrease factor", m_DecreaseFactor, 0.1f)
    .Float(1026, "Max", m_Max, 5.0f)
    .Float(1027, "Min", m_Min, 0.01f)
    .Int(1028, "Update frequency", m_UpdateFrequency, 1).InRange(1, 100);
}
