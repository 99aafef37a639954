#include "app/dialogs/DlgRange.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>

#include <cstdlib>
#include <string>

namespace {

// Minimum and maximum of x, y, z; offsets; scales.
constexpr int kIdMin[3] = {1048, 1050, 1052};
constexpr int kIdMax[3] = {1049, 1051, 1053};
constexpr int kIdOffset[3] = {1054, 1056, 1058};
constexpr int kIdScale[3] = {1060, 1061, 1062};
constexpr int kIdApplyRange = 1057;
constexpr int kIdApplyOffset = 1055;
constexpr int kIdApplyScale = 1063;
const char* const kAxis[3] = {"X", "Y", "Z"};

} // namespace

CDlgRange::CDlgRange(CRenderView* pParent, CSceneGraph3d* pSceneGraph)
  : CDialog(141, "Range"), m_pParent(pParent), m_pSceneGraph(pSceneGraph)
{
  const CMesh3d* pMesh = GetMesh();
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0.0f;
    float hi = 0.0f;
    if (pMesh)
      pMesh->GetRange(axis, &lo, &hi);
    const std::string name = kAxis[axis];
    m_Fields.Float(kIdMin[axis], name + " min", m_Min[axis], lo).InGroup("Range")
      .Float(kIdMax[axis], name + " max", m_Max[axis], hi).InGroup("Range");
  }
  for (int axis = 0; axis < 3; axis++)
    m_Fields.Float(kIdOffset[axis], std::string(kAxis[axis]) + " offset", m_Offset[axis], 0.0f)
      .InGroup("Offset");
  for (int axis = 0; axis < 3; axis++)
    m_Fields.Float(kIdScale[axis], std::string(kAxis[axis]) + " scale", m_Scale[axis], 0.0f)
      .InGroup("Scale");
}

CMesh3d* CDlgRange::GetMesh() const
{
  if (!m_pSceneGraph || m_pSceneGraph->NbObject() == 0)
    return nullptr;
  CObject3d* pObject = m_pSceneGraph->GetAt(0);
  return pObject->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(pObject) : nullptr;
}

void CDlgRange::OnInitDialog()
{
  QDialog* pWindow = GetWindow();
  auto* pLayout = qobject_cast<QBoxLayout*>(pWindow->layout());
  if (!pLayout)
    return;
  auto* pRow = new QHBoxLayout;
  const std::pair<int, void (CDlgRange::*)()> buttons[] = {{kIdApplyRange, &CDlgRange::OnApplyRange},
                                                           {kIdApplyOffset, &CDlgRange::OnApplyOffset},
                                                           {kIdApplyScale, &CDlgRange::OnApplyScale}};
  for (const auto& [id, apply] : buttons) {
    auto* pButton = new QPushButton("Apply", pWindow);
    pButton->setObjectName(QString::number(id));
    pButton->setAutoDefault(false);
    QObject::connect(pButton, &QPushButton::clicked, pWindow, [this, apply] { (this->*apply)(); });
    pRow->addWidget(pButton);
  }
  pLayout->insertLayout(1, pRow);
}

float CDlgRange::Value(int id, float member) const
{
  if (!m_Fields.HasForm())
    return member;
  const std::string text = m_Fields.GetText(id);
  return std::strtof(text.c_str(), nullptr);
}

void CDlgRange::OnApplyRange()
{
  CMesh3d* pMesh = GetMesh();
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->Range(axis, Value(kIdMin[axis], m_Min[axis]), Value(kIdMax[axis], m_Max[axis]));
  Repaint();
}

void CDlgRange::OnApplyOffset()
{
  CMesh3d* pMesh = GetMesh();
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->OffsetCoord(axis, Value(kIdOffset[axis], m_Offset[axis]));
  Repaint();
}

void CDlgRange::OnApplyScale()
{
  CMesh3d* pMesh = GetMesh();
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->ScaleCoord(axis, Value(kIdScale[axis], m_Scale[axis]));
  Repaint();
}

void CDlgRange::Repaint() const
{
  if (m_pParent)
    m_pParent->RedrawNow();
}
