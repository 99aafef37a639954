#include "app/dialogs/DlgProperties.h"

#include "mesh/Mesh3d.h"
#include "platform/ui/DialogSpin.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int kIdObject = 1018;
constexpr int kIdSpin = 1019;
} // namespace

CDlgProperties::CDlgProperties(const CSceneGraph3d* pSceneGraph)
  : CDialog(132, "Properties", "&Close"), m_pSceneGraph(pSceneGraph)
{
  const int nbObject = pSceneGraph ? pSceneGraph->NbObject() : 0;
  m_Fields.Int(kIdObject, "Object", m_Object, 0).WithSpin(kIdSpin, 0, std::max(nbObject - 1, 0), 0)
    .String(1022, "Type", m_Type, "")
    .Int(1016, "Vertices", m_NbVertex, 0)
    .Int(1017, "Faces", m_NbFace, 0)
    .Int(1020, "Nb. objects :", m_NbObject, nbObject);
  // The counts of object 0 show from the start, its type only once chosen.
  Describe(0);
  m_Type.clear();
}

// A triangle mesh shows its counts and "3D Mesh"; any other object zeros and no type.
void CDlgProperties::Describe(int index)
{
  m_Object = index;
  m_Type.clear();
  m_NbVertex = m_NbFace = 0;
  if (!m_pSceneGraph || index < 0 || index >= m_pSceneGraph->NbObject())
    return;
  const CObject3d* pObject = m_pSceneGraph->GetAt(index);
  if (!pObject || pObject->GetType() != TYPE_MESH3D)
    return;
  const auto* pMesh = static_cast<const CMesh3d*>(pObject);
  m_NbVertex = pMesh->NbVertex();
  m_NbFace = pMesh->NbFace();
  m_Type = "3D Mesh";
}

void CDlgProperties::OnSelect(int index)
{
  Describe(index);
  m_Fields.Load();
}

void CDlgProperties::OnInitDialog()
{
  if (auto* cancel = GetWindow()->findChild<QPushButton*>("IDCANCEL"))
    cancel->hide();
  if (platform::CDialogSpin* spin = m_Fields.Spin(kIdSpin))
    spin->SetOnMove([this](int pos) { OnSelect(pos); });
}
