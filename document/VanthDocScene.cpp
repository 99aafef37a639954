#include "document/VanthDoc.h"

#include "app/PredefinedMaterials.h"
#include "app/RenderView.h"
#include "app/objects/VectorSet3d.h"
#include "app/resources/Resource.h"
#include "mesh/Mesh3d.h"

#include <memory>

namespace {

constexpr double kPi = 3.1415927f;

void Rotate(void (*matrix)(double, double[3][4]), double angle, double point[3])
{
  double m[3][4];
  matrix(angle, m);
  double result[3];
  MatrixMultPoint(m, point, result);
  for (int i = 0; i < 3; i++)
    point[i] = result[i];
}

} // namespace

void CVanthDoc::RegisterSceneCommands()
{
  OnCommand(ID_SCENE_KEEP_FIRST_OBJECT, &CVanthDoc::OnSceneKeepFirstObject, kAlways);
  OnCommand(ID_SCENE_ADD_SIMPLEX_MESH, &CVanthDoc::OnSceneAddSimplexMesh, TYPE_MESH3D);
  OnCommand(ID_SCENE_DUPLICATE_LAST_MESH, &CVanthDoc::OnSceneDuplicateLastMesh, TYPE_MESH3D);
  OnCommand(ID_SCENE_PROCESS_CAMERA, &CVanthDoc::OnSceneProcessCamera, kAlways);
  OnCommand(ID_COLOR_SILHOUETTE_CAMERA, &CVanthDoc::OnColorSilhouetteCamera, TYPE_MESH3D);
  OnCommand(ID_COLOR_FRONT_FACES_SILHOUETTE, &CVanthDoc::OnColorFrontFacesSilhouette, TYPE_MESH3D);
  OnCommand(ID_MATERIAL_LIGHT_BLUE, &CVanthDoc::OnMaterialLightBlue, TYPE_MESH3D);
  OnCommand(ID_MATERIAL_BRASS, &CVanthDoc::OnMaterialBrass, TYPE_MESH3D);
  OnCommand(ID_MATERIAL_PEWTER, &CVanthDoc::OnMaterialPewter, TYPE_MESH3D);
}

void CVanthDoc::KeepFirstObjectOnly()
{
  while (m_SceneGraph.NbObject() >= 2)
    DeleteObject(1);
  InvalidateViews();
}

// The camera sits where the render view looks from and looks at the origin.
void CVanthDoc::ProcessCamera()
{
  const CRenderView* pView = GetOwnRenderView();
  if (!pView)
    return;
  double p[3] = {-pView->m_xTranslation, -pView->m_yTranslation, -pView->m_zTranslation};
  Rotate(RotationMatrixX, -pView->m_xRotation / 180.0 * kPi, p);
  Rotate(RotationMatrixY, pView->m_yRotation / 180.0 * kPi, p);
  Rotate(RotationMatrixZ, -pView->m_zRotation / 180.0 * kPi, p);
  const CVector3d direction(static_cast<float>(-p[0]), static_cast<float>(-p[1]),
                            static_cast<float>(-p[2]));
  m_Camera.SetDirection(&direction);
  const CVertex3d eye(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
  m_Camera.SetEye(&eye);
}

void CVanthDoc::ColorSilhouette(int invalidate)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  pMesh->SetFacesFlag(0);
  ProcessCamera();
  pMesh->FlagSilhouette(&m_Camera, 1, 1);
  pMesh->ColorFacesByFlagPalette();
  if (invalidate)
    InvalidateViews();
}

void CVanthDoc::OnSceneKeepFirstObject()
{
  KeepFirstObjectOnly();
}

void CVanthDoc::OnSceneAddSimplexMesh()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  std::unique_ptr<CVectorSet3d> pSet(pMesh->GetVectorSetDualEdges());
  if (!pSet)
    return;
  pSet->SetColor(CColor(255, 0, 0));
  m_SceneGraph.Add(pSet.release());
  InvalidateViews();
}

// Only a triangle mesh at the end of the scene is copied: a vector set, a tiling or a camera
// there leaves the scene as it is.
void CVanthDoc::OnSceneDuplicateLastMesh()
{
  const int last = m_SceneGraph.NbObject() - 1;
  if (last < 0 || m_SceneGraph.GetAt(last)->GetType() != TYPE_MESH3D)
    return;
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(static_cast<const CMesh3d*>(m_SceneGraph.GetAt(last)));
  pCopy->BuildAdjacency();
  m_SceneGraph.Add(pCopy.release());
  InvalidateViews();
}

void CVanthDoc::OnSceneProcessCamera()
{
  ProcessCamera();
}

void CVanthDoc::OnColorSilhouetteCamera()
{
  if (m_SceneGraph.NbObject() > 0)
    ColorSilhouette(1);
}

void CVanthDoc::OnColorFrontFacesSilhouette()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  pMesh->SetFacesFlag(0);
  ProcessCamera();
  pMesh->FlagFacesInFrontOfCamera(&m_Camera, 2);
  pMesh->FlagSilhouette(&m_Camera, 1, 1);
  pMesh->ColorFacesByFlagPalette();
  InvalidateViews();
}

void CVanthDoc::SetMaterial(const char* name)
{
  const SPredefinedMaterial& material = predefined::FindMaterial(name);
  for (int i = 0; i < m_SceneGraph.NbObject(); i++) {
    CObject3d* pObject = m_SceneGraph.GetAt(i);
    if (pObject->GetType() != TYPE_MESH3D)
      continue;
    CMaterial* pMaterial = static_cast<CMesh3d*>(pObject)->GetMaterial();
    pMaterial->SetAmbient(material.Ambient[0], material.Ambient[1], material.Ambient[2], 1.0f);
    pMaterial->SetDiffuse(material.Diffuse[0], material.Diffuse[1], material.Diffuse[2], 1.0f);
    pMaterial->SetSpecular(material.Specular[0], material.Specular[1], material.Specular[2], 1.0f);
    pMaterial->SetShininess(material.Shininess);
    pObject->SetModified(1);
  }
  InvalidateViews();
}

void CVanthDoc::OnMaterialLightBlue()
{
  SetMaterial("Light blue");
}

void CVanthDoc::OnMaterialBrass()
{
  SetMaterial("Brass");
}

void CVanthDoc::OnMaterialPewter()
{
  SetMaterial("Pewter");
}
