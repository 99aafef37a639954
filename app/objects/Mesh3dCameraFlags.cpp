// The mesh's face flags from a camera: what it sees, what faces it, how far.
#include "app/objects/Camera3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"

#include <vector>

void CMesh3d::FlagFacesFromCamera(const CCamera3d* pCamera, int flag)
{
  for (int i = 0; i < NbFace(); i++)
    if (pCamera->IsFaceVisible(GetFace(i)))
      GetFace(i)->SetFlag(flag);
}

void CMesh3d::FlagFacesInFrontOfCamera(const CCamera3d* pCamera, int flag)
{
  for (int i = 0; i < NbFace(); i++)
    if (pCamera->IsFaceInFront(GetFace(i)))
      GetFace(i)->SetFlag(flag);
}

void CMesh3d::FlagFacesBackfacing(const CCamera3d* pCamera, int flag)
{
  for (int i = 0; i < NbFace(); i++)
    if (!pCamera->IsFaceInFront(GetFace(i)))
      GetFace(i)->SetFlag(flag);
}

void CMesh3d::FlagSilhouette(const CCamera3d* pCamera, int frontFlag, int backFlag)
{
  for (int i = 0; i < NbFace(); i++)
    pCamera->FlagSilhouette(GetFace(i), frontFlag, backFlag);
}

void CMesh3d::FlagFacesByDistanceToCamera(const CCamera3d* pCamera)
{
  const CVertex3d* eye = pCamera->GetEye();
  std::vector<double> distance(static_cast<size_t>(NbFace()));
  double dmin = 1.7e308;
  double dmax = 0.0;
  for (int i = 0; i < NbFace(); i++) {
    distance[i] = DistanceToCentroid(eye, GetFace(i));
    if (distance[i] < dmin)
      dmin = distance[i];
    if (distance[i] > dmax)
      dmax = distance[i];
  }
  // Faces all at one distance are all the nearest.
  const double span = dmax - dmin;
  for (int i = 0; i < NbFace(); i++) {
    const double t = span > 0.0 ? (distance[i] - dmin) / span : 0.0;
    GetFace(i)->SetFlag(static_cast<int>(255.0 - t * 255.0));
  }
}
