#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "mesh/Mesh3d.h"

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
