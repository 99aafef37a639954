#pragma once

#include "mesh/Color.h"
#include "mesh/Face3d.h"
#include "mesh/Object3d.h"
#include "mesh/Transform.h"
#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"

// A viewer: eye point, viewing direction, up vector and a four-sided view pyramid whose far
// rectangle is centred at eye + direction. It tells which faces are seen and flags silhouettes.
class CCamera3d : public CObject3d
{
public:
  CCamera3d() { Init(); }

  CCamera3d(const CCamera3d&) = delete;
  CCamera3d& operator=(const CCamera3d&) = delete;

  int GetType() const override { return TYPE_CAMERA3D; }
  int Draw() override;

  // Defaults of size, eye, direction, up, colour and aspect; the transform is kept.
  void Init();
  // Recomputes the far corners and the side faces; with a zero direction they are kept.
  void UpdateFrustum();

  int IsFaceInFront(const CFace3d* pFace) const;
  int IsFaceVisible(const CFace3d* pFace) const;
  int IsPointInFrustum(const CVertex3d* pPoint) const;
  int FlagSilhouetteEdge(CFace3d* pFace, int flag) const;
  int FlagSilhouette(CFace3d* pFace, int frontFlag, int backFlag) const;

  void RotateUp(double angle);
  void RotateSide(double angle);
  void Translate(float dx, float dy, float dz);

  CVertex3d* GetEye() { return &m_Eye; }
  const CVertex3d* GetEye() const { return &m_Eye; }
  void SetEye(const CVertex3d* pEye) { m_Eye.Set(pEye); }
  const CVector3d* GetDirection() const { return &m_Direction; }
  void SetDirection(const CVector3d* pDirection) { m_Direction = *pDirection; }
  const CVector3d* GetUp() const { return &m_Up; }
  const CVertex3d* GetCorner(int i) const { return &m_Corners[i]; }
  const CFace3d* GetSideFace(int i) const { return &m_Faces[i]; }
  CTransform* GetTransform() { return &m_Transform; }
  void SetColor(const CColor& color) { m_Color = color; }
  void SetSize(float size);
  float GetSize() const { return m_Size; }

private:
  // Dot product of a face's normal with the vector from the eye to its first corner.
  double Facing(const CFace3d* pFace) const;

  float m_Size = 1.5f;
  CVertex3d m_Eye;
  CVector3d m_Direction;
  CVector3d m_Up;
  CTransform m_Transform;
  CColor m_Color;
  CFace3d m_Faces[4];
  CVertex3d m_Corners[4];
  float m_Aspect = 4.0f / 3.0f;
};

// 3 x 4 rotation matrices, row by row, fourth column 0.
void RotationMatrixAxisAngle(double ax, double ay, double az, double angle, double m[3][4]);
void RotationMatrixX(double angle, double m[3][4]);
void RotationMatrixY(double angle, double m[3][4]);
void RotationMatrixZ(double angle, double m[3][4]);
// result := m * point + the fourth column.
void MatrixMultPoint(const double m[3][4], const double point[3], double result[3]);
