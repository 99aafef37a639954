#include "app/FormCommandView.h"

#include "app/RenderView.h"
#include "app/objects/Camera3d.h"
#include "app/objects/VectorSet3d.h"
#include "document/VanthDoc.h"
#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"

#include <QLineEdit>
#include <QSlider>

#include <memory>

namespace {

const char* const kNormalSetName = "NormalSet";
const char* const kSharpEdgesSetName = "SharpEdgesSet";
const std::size_t kMaxLodName = 255;

template <class Fn>
void ForEachMesh(CSceneGraph3d& scene, Fn fn)
{
  for (int i = 0; i < scene.NbObject(); i++)
    if (scene.GetAt(i)->GetType() == TYPE_MESH3D)
      fn(static_cast<CMesh3d*>(scene.GetAt(i)));
}

// The name and face count that the LOD edits show: a triangle or quad mesh's own, nothing
// for other objects.
void Describe(const CObject3d* object, std::string* pName, int* pNbFace)
{
  if (object->GetType() == TYPE_MESH3D) {
    const auto* mesh = static_cast<const CMesh3d*>(object);
    *pName = mesh->GetName();
    *pNbFace = mesh->NbFace();
  } else if (object->GetType() == TYPE_QUADMESH3D) {
    auto* mesh = const_cast<CQuadMesh3d*>(static_cast<const CQuadMesh3d*>(object));
    *pName = mesh->GetName();
    *pNbFace = mesh->NbFace();
  } else {
    pName->clear();
    *pNbFace = 0;
  }
}

} // namespace

// --- vector sets ---------------------------------------------------------------------------

// Deleting a set frees its display list, which lives in the views' shared group.
void CFormCommandView::RemoveVectorSets(const std::string& name)
{
  CurrentRenderView();
  CArray3d<CObject3d>* objects = m_pDocument->m_SceneGraph.GetArrayObject();
  int i = 0;
  while (i < objects->GetSize()) {
    CObject3d* object = objects->GetAt(i);
    if (object->GetType() != TYPE_VECTORSET3D || static_cast<CVectorSet3d*>(object)->GetName() != name) {
      i++;
      continue;
    }
    objects->RemoveAt(i);
    delete object;
  }
}

template <class Build>
void CFormCommandView::ToggleVectorSets(int* pShow, const std::string& name, Build build)
{
  *pShow = !*pShow;
  if (!m_pDocument || m_pDocument->m_SceneGraph.NbObject() == 0)
    return;
  CSceneGraph3d& scene = m_pDocument->m_SceneGraph;
  if (!*pShow) {
    RemoveVectorSets(name);
  } else {
    // The sets appended here are not meshes: the walk covers the objects present before.
    const int nbObject = scene.NbObject();
    for (int i = 0; i < nbObject; i++) {
      if (scene.GetAt(i)->GetType() != TYPE_MESH3D)
        continue;
      std::unique_ptr<CVectorSet3d> set(build(static_cast<CMesh3d*>(scene.GetAt(i))));
      if (!set)
        continue;
      set->SetName(name);
      scene.Add(set.release());
    }
  }
  update();
  Invalidate();
}

void CFormCommandView::OnNormalsShow()
{
  ToggleVectorSets(&m_NormalsShow, kNormalSetName, [this](const CMesh3d* mesh) {
    CVectorSet3d* set = mesh->GetVectorSetFaceNormals();
    m_NormalsLengthRatio = Slider(IDC_NORMALS_SCALE)->value() / 100.0f;
    set->SetLengthRatio(m_NormalsLengthRatio);
    set->SetColor(ColorOf(m_NormalsColor));
    return set;
  });
}

void CFormCommandView::OnSharpEdgesShow()
{
  ToggleVectorSets(&m_SharpEdgesShow, kSharpEdgesSetName, [this](const CMesh3d* mesh) {
    CVectorSet3d* set = mesh->GetVectorSetSharpEdges(GetDlgItemFloat(IDC_SHARP_EDGES_THRESHOLD));
    if (!set)
      return set;
    set->SetLengthRatio(1.0f);
    set->SetColor(CColor(255, 0, 0));
    set->SetTransform(*mesh->GetTransform());
    return set;
  });
}

// --- visibility and LOD --------------------------------------------------------------------

void CFormCommandView::ShowObject(int index, int show)
{
  if (m_pDocument && m_pDocument->m_SceneGraph.NbObject() > index)
    m_pDocument->m_SceneGraph.GetAt(index)->Show(static_cast<unsigned char>(show));
  Invalidate();
}

void CFormCommandView::OnShowObject0()
{
  m_Show0 = !m_Show0;
  ShowObject(0, m_Show0);
}

void CFormCommandView::OnShowObject1()
{
  m_Show1 = !m_Show1;
  ShowObject(1, m_Show1);
}

void CFormCommandView::ShowLodObject(int index)
{
  if (!m_pDocument)
    return;
  CSceneGraph3d& scene = m_pDocument->m_SceneGraph;
  for (int j = 0; j < scene.NbObject(); j++)
    scene.GetAt(j)->Show(j == index ? 1 : 0);
  if (index < 0 || index >= scene.NbObject())
    return;
  std::string name;
  int nbFace = 0;
  Describe(scene.GetAt(index), &name, &nbFace);
  SetEditText(IDC_LOD_NAME, name.substr(0, kMaxLodName));
  SetEditText(IDC_LOD_FACES, std::to_string(nbFace));
  SetEditText(IDC_LOD_INDEX, std::to_string(index));
}

void CFormCommandView::OnLodInit()
{
  if (!m_pDocument || m_pDocument->m_SceneGraph.NbObject() <= 1)
    return;
  m_LodMode = 1;
  QSlider* slider = Slider(IDC_LOD);
  slider->setEnabled(true);
  {
    QSignalBlocker block(slider);
    slider->setRange(0, m_pDocument->m_SceneGraph.NbObject() - 1);
    slider->setValue(0);
  }
  ShowLodObject(0);
  Invalidate();
}

void CFormCommandView::OnLodRestore()
{
  if (m_pDocument)
    ForEachMesh(m_pDocument->m_SceneGraph, [](CMesh3d* mesh) { mesh->Show(1); });
  m_LodMode = 0;
  Invalidate();
}

void CFormCommandView::OnLodMetafile()
{
  if (CRenderView* view = GetRenderView())
    view->GenerateMetafile(Slider(IDC_LOD)->value(), 1, 0);
}

// --- camera --------------------------------------------------------------------------------

void CFormCommandView::OnCameraAdd()
{
  if (!m_pDocument || GetCurrentCamera())
    return;
  auto camera = std::make_unique<CCamera3d>();
  camera->SetColor(ColorOf(m_CameraColor));
  m_pCamera = camera.get();
  m_pDocument->m_SceneGraph.Add(camera.release());
  Invalidate();
}

void CFormCommandView::OnCameraRemove()
{
  CCamera3d* camera = GetCurrentCamera();
  if (!camera)
    return;
  CArray3d<CObject3d>* objects = m_pDocument->m_SceneGraph.GetArrayObject();
  objects->RemoveAt(objects->IndexFrom(camera));
  CurrentRenderView();
  delete camera;
  m_pCamera = nullptr;
  Invalidate();
}

void CFormCommandView::OnCameraInit()
{
  CCamera3d* camera = GetCurrentCamera();
  if (!camera)
    return;
  camera->Init();
  Invalidate();
}

// One step of adaptive refinement: the faces the camera sees and those on the silhouette are
// flagged 1 and only they are subdivided.
void CFormCommandView::OnCameraForward()
{
  CCamera3d* camera = GetCurrentCamera();
  if (!camera)
    return;
  CRenderView* view = GetRenderView();
  ForEachMesh(m_pDocument->m_SceneGraph, [this, camera, view](CMesh3d* mesh) {
    if (m_RefineCamera)
      mesh->FlagFacesFromCamera(camera, 1);
    if (m_RefineSilhouette)
      mesh->FlagSilhouette(camera, 1, 1);
    if (m_RefineCamera || m_RefineSilhouette)
      mesh->SubdivisionV3(1, 1, 1, view, 0, 0.0f);
  });
  Invalidate();
}

template <class... Steps>
void CFormCommandView::ColorMeshFromCamera(Steps... steps)
{
  CCamera3d* camera = GetCurrentCamera();
  if (!camera)
    return;
  ForEachMesh(m_pDocument->m_SceneGraph, [camera, steps...](CMesh3d* mesh) {
    mesh->SetFacesFlag(0);
    (steps(mesh, camera), ...);
    mesh->ColorFacesByFlagPalette();
  });
  Invalidate();
}

namespace {
void FlagSilhouette(CMesh3d* mesh, const CCamera3d* camera) { mesh->FlagSilhouette(camera, 1, 1); }
void FlagCameraView(CMesh3d* mesh, const CCamera3d* camera) { mesh->FlagFacesFromCamera(camera, 2); }
} // namespace

void CFormCommandView::OnColorSilhouette() { ColorMeshFromCamera(FlagSilhouette); }

void CFormCommandView::OnColorCameraView() { ColorMeshFromCamera(FlagCameraView); }

void CFormCommandView::OnColorTwice() { ColorMeshFromCamera(FlagSilhouette, FlagCameraView); }
