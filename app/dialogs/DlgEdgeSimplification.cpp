#include "app/dialogs/DlgEdgeSimplification.h"

#include "mesh/Mesh3d.h"

namespace {
constexpr int kIdCombination = 1007;
}

CDlgEdgeSimplification::CDlgEdgeSimplification(const CMesh3d* pMesh)
  : CDialog(162, "Edge-based simplification")
{
  const int nbVertex = pMesh ? pMesh->NbVertex() : 0;
  m_Fields.Check(1047, "Update", m_Update, 1)
    .Int(1017, "Final", m_Final, nbVertex / 2)
    .Int(1066, "Initial", m_Initial, nbVertex).ReadOnly()
    .Int(1028, "Frequency", m_Frequency, 100)
    .Radio(1065, "", {"Edge length", "Curveness"}, m_Potential, 1).EnabledBy(kIdCombination)
    .Check(1005, "Collapse boundaries", m_CollapseBoundaries, 0)
    .Float(1018, "Sharp edge", m_SharpEdge, 0.5f)
    .Double(1019, "Alpha init", m_AlphaInit, 0.1)
    .Double(1021, "Alpha step", m_AlphaStep, 0.1)
    .Check(kIdCombination, "Combination", m_Combination, 1)
    .Check(1006, "Optimized position", m_OptimizedPosition, 1)
    .Check(1050, "Save", m_Save, 0)
    .Int(1029, "Frequency", m_SaveFrequency, 0);
}
