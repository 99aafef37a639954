#include "app/dialogs/DlgRange.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include <cstdlib>

namespace {

constexpr int kIdMin[3] = {1048, 1050, 1052};
constexpr int kIdMax[3] = {1049, 1051, 1053};
constexpr int kIdOffset[3] = {1054, 1056, 1058};
constexpr int kIdScale[3] = {1060, 1061, 1062};
const char* const kAxes[3] = {"X", "Y", "Z"};

CMesh3d* FirstMesh(CSceneGraph3d* pSceneGraph)
{
  if (!pSceneGraph || pSceneGraph->NbObject() == 0)
    return nullptr;
  CObject3d* pObject = pSceneGraph->GetAt(0);
  return pObject && pObject->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(pObject) : nullptr;
}

} // namespace

CDlgRange::CDlgRange(CSceneGraph3d* pSceneGraph, CRenderView* pView)
  : CDialog(141, "Range"), m_pSceneGraph(pSceneGraph), m_pView(pView)
{
  const CMesh3d* pMesh = FirstMesh(pSceneGraph);
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0.0f, hi = 0.0f;
    if (pMesh && pMesh->NbVertex() > 0)
      pMesh->GetRange(axis, &lo, &hi);
    const std::string group = std::string("Range ") + kAxes[axis];
    m_Fields.Float(kIdMin[axis], "Min", m_Min[axis], lo).InGroup(group)
      .Float(kIdMax[axis], "Max", m_Max[axis], hi).InGroup(group);
  }
  for (int axis = 0; axis < 3; axis++)
    m_Fields.Float(kIdOffset[axis], kAxes[axis], m_Offset[axis], 0.0f).InGroup("Offset");
  for (int axis = 0; axis < 3; axis++)
    m_Fields.Float(kIdScale[axis], kAxes[axis], m_Scale[axis], 0.0f).InGroup("Scale");
}

float CDlgRange::Read(int id) const
{
  return static_cast<float>(std::atof(m_Fields.GetText(id).c_str()));
}

void CDlgRange::Done()
{
  if (CMesh3d* pMesh = FirstMesh(m_pSceneGraph))
    pMesh->SetModified(1);
  if (m_pView)
    m_pView->RedrawNow();
}

void CDlgRange::OnApplyRange()
{
  CMesh3d* pMesh = FirstMesh(m_pSceneGraph);
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->Range(axis, Read(kIdMin[axis]), Read(kIdMax[axis]));
  Done();
}

void CDlgRange::OnApplyOffset()
{
  CMesh3d* pMesh = FirstMesh(m_pSceneGraph);
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->OffsetCoord(axis, Read(kIdOffset[axis]));
  Done();
}

void CDlgRange::OnApplyScale()
{
  CMesh3d* pMesh = FirstMesh(m_pSceneGraph);
  if (!pMesh)
    return;
  for (int axis = 0; axis < 3; axis++)
    pMesh->ScaleCoord(axis, Read(kIdScale[axis]));
  Done();
}

void CDlgRange::OnInitDialog()
{
  QDialog* window = GetWindow();
  auto* row = new QHBoxLayout;
  const std::pair<int, void (CDlgRange::*)()> buttons[3] = {
    {1057, &CDlgRange::OnApplyRange}, {1055, &CDlgRange::OnApplyOffset},
    {1063, &CDlgRange::OnApplyScale}};
  for (const auto& [id, handler] : buttons) {
    auto* button = new QPushButton("Apply", window);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, window, [this, handler = handler] {
      (this->*handler)();
    });
    row->addWidget(button);
  }
  static_cast<QBoxLayout*>(window->layout())->insertLayout(1, row);
}
