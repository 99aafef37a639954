#include "app/dialogs/DlgProperties.h"

#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QLayout>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kIdSpin = 1019;

const CMesh3d* MeshAt(const CSceneGraph3d* pSceneGraph, int index)
{
  if (!pSceneGraph || index < 0 || index >= pSceneGraph->NbObject())
    return nullptr;
  const CObject3d* pObject = pSceneGraph->GetAt(index);
  return pObject->GetType() == TYPE_MESH3D ? static_cast<const CMesh3d*>(pObject) : nullptr;
}

} // namespace

// The kind stays empty until the spin names an object.
CDlgProperties::CDlgProperties(const CSceneGraph3d* pSceneGraph)
  : CDialog(132, "Properties", "&Close"), m_pSceneGraph(pSceneGraph)
{
  const CMesh3d* pMesh = MeshAt(pSceneGraph, 0);
  m_Fields.Int(1018, "Object", m_Object, 0).ReadOnly()
    .String(1022, "Type", m_Type, "").ReadOnly()
    .Int(1016, "Vertices", m_NbVertex, pMesh ? pMesh->NbVertex() : 0).ReadOnly()
    .Int(1017, "Faces", m_NbFace, pMesh ? pMesh->NbFace() : 0).ReadOnly()
    .Int(1020, "Nb. objects :", m_NbObject, pSceneGraph ? pSceneGraph->NbObject() : 0).ReadOnly();
}

void CDlgProperties::OnInitDialog()
{
  QDialog* pWindow = GetWindow();
  // "Close" is the only button.
  if (auto* pCancel = pWindow->findChild<QPushButton*>("IDCANCEL"))
    pCancel->hide();
  m_pSpin = new QSpinBox(pWindow);
  m_pSpin->setObjectName(QString::number(kIdSpin));
  m_pSpin->setRange(0, std::max(m_NbObject - 1, 0));
  m_pSpin->setValue(m_Object);
  if (auto* pLayout = qobject_cast<QBoxLayout*>(pWindow->layout()))
    pLayout->insertWidget(1, m_pSpin);
  QObject::connect(m_pSpin, &QSpinBox::valueChanged, pWindow, [this](int index) {
    SelectObject(index);
  });
}

void CDlgProperties::SelectObject(int index)
{
  m_Object = std::clamp(index, 0, std::max(m_NbObject - 1, 0));
  const CMesh3d* pMesh = MeshAt(m_pSceneGraph, m_Object);
  m_Type = pMesh ? "3D Mesh" : "";
  m_NbVertex = pMesh ? pMesh->NbVertex() : 0;
  m_NbFace = pMesh ? pMesh->NbFace() : 0;
  if (m_Fields.HasForm())
    m_Fields.Load();
}
