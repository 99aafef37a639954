#include "app/dialogs/DlgApproxVolumic.h"

#include "mesh/Mesh3d.h"
#include "platform/core/MessageBox.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QLineEdit>

#include <algorithm>

namespace {
constexpr int kIdModel = 1030;
}

CDlgApproxVolumic::CDlgApproxVolumic(const CSceneGraph3d* pSceneGraph)
  : CDialog(160, "Mesh approximation - volume-based metric"), m_pSceneGraph(pSceneGraph)
{
  const int nbVertex = NbVertexOf(1);
  m_Fields.Int(1016, "Initial", m_Initial, nbVertex).ReadOnly()
    .Int(1017, "Final", m_Final, nbVertex / 2)
    .Int(1021, "Max iter", m_MaxIter, 400)
    .Float(1020, "Epsilon", m_Epsilon, 0.00001f)
    .Check(1047, "Update iterations", m_UpdateIterations, 1)
    .Float(1025, "Decrease factor", m_DecreaseFactor, 0.9f)
    .Int(1024, "Samples per face", m_SamplesPerFace, 40)
    .Float(1019, "Initial (edge %)", m_InitialEdge, 0.1f)
    .Float(1027, "Min (edge %)", m_MinEdge, 0.01f)
    .Float(1018, "Sharp edge", m_SharpEdge, 0.5f)
    .Int(1022, "Hash table", m_HashTable, 10)
    .Int(1023, "Nb face (search)", m_NbFaceSearch, 10)
    .Check(1049, "Use hash table", m_UseHashTable, 0)
    .Check(1050, "Save intermediate", m_SaveIntermediate, 1)
    .Radio(1068, "Method", {"Random", "Priority queue", "Global optimization"}, m_Method, 2)
    .Radio(1071, "Potential", {"Edge length", "Curveness"}, m_Potential, 0)
    .Check(1002, "Smooth", m_Smooth, 0)
    .Int(1028, "Iteration", m_SmoothIteration, 0)
    .Check(1003, "Move boundaries", m_MoveBoundaries, 0)
    .Int(1029, "Decrease after", m_DecreaseAfter, 0)
    .Int(1031, "Reference", m_Reference, 0)
    .Int(kIdModel, "Model", m_Model, 1)
    .Int(1026, "Each", m_DecimationEach, 10).InGroup("Decimation")
    .Int(1032, "Each", m_OptimizationEach, 3).InGroup("Optimization")
    .Check(1005, "Collapse boundaries", m_CollapseBoundaries, 0)
    .Check(1004, "Initalize using Hausdorff", m_InitHausdorff, 0);
}

// Vertex count of a scene object; 0 for an object that is not a triangle mesh or is missing.
int CDlgApproxVolumic::NbVertexOf(int index) const
{
  if (!m_pSceneGraph || index < 0 || index >= m_pSceneGraph->NbObject())
    return 0;
  const CObject3d* pObject = m_pSceneGraph->GetAt(index);
  if (!pObject || pObject->GetType() != TYPE_MESH3D)
    return 0;
  return static_cast<const CMesh3d*>(pObject)->NbVertex();
}

bool CDlgApproxVolumic::OnOK()
{
  if (!CDialog::OnOK())
    return false;
  if (m_MaxIter >= m_DecreaseAfter)
    return true;
  platform::MessageBox("Check iterations and decrease values", platform::MB_OK);
  return false;
}

void CDlgApproxVolumic::OnInitDialog()
{
  auto* pModel = qobject_cast<QLineEdit*>(m_Fields.Control(kIdModel));
  if (!pModel)
    return;
  // Only a changed index acts, not the focus merely passing through.
  QObject::connect(pModel, &QLineEdit::editingFinished, GetWindow(), [this, pModel] {
    if (pModel->isModified())
      OnChangeModel();
  });
}

// A new model index is kept within the scene, and its vertex count becomes both the initial
// and the final count.
void CDlgApproxVolumic::OnChangeModel()
{
  if (!m_Fields.Save())
    return;
  const int nbObject = m_pSceneGraph ? m_pSceneGraph->NbObject() : 0;
  m_Model = std::clamp(m_Model, 0, std::max(nbObject - 1, 0));
  m_Initial = m_Final = NbVertexOf(m_Model);
  m_Fields.Load();
}
