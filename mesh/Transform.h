#pragma once

#include "mesh/Vector3d.h"

// Placement of a scene object: translation, then scale, then rotation about an axis.
class CTransform
{
public:
  CTransform() = default;

  void SetScale(const CVector3d& v) { m_Scale = v; }
  void SetRotation(const CVector3d& v) { m_Rotation = v; }
  void SetTranslation(const CVector3d& v) { m_Translation = v; }
  void SetRotationAngle(float angle) { m_RotationAngle = angle; }
  void SetScale(const CVector3d* v) { m_Scale = *v; }
  void SetRotation(const CVector3d* v) { m_Rotation = *v; }
  void SetTranslation(const CVector3d* v) { m_Translation = *v; }

  CVector3d* GetScale() { return &m_Scale; }
  CVector3d* GetRotation() { return &m_Rotation; }
  CVector3d* GetTranslation() { return &m_Translation; }
  const CVector3d* GetScale() const { return &m_Scale; }
  const CVector3d* GetRotation() const { return &m_Rotation; }
  const CVector3d* GetTranslation() const { return &m_Translation; }
  float GetRotationAngle() const { return m_RotationAngle; }

  // The rotation axis is kept.
  void Clear()
  {
    m_Scale.Set(1.0f, 1.0f, 1.0f);
    m_Translation.Clear();
    m_RotationAngle = 0.0f;
  }
  void Copy(const CTransform* t) { *this = *t; }
  void Copy(const CTransform& t) { *this = t; }

  // glTranslatef, glScalef, glRotatef on the current matrix (the caller pushes and pops).
  void Apply() const;

private:
  CVector3d m_Scale{1.0f, 1.0f, 1.0f};
  CVector3d m_Rotation;
  CVector3d m_Translation;
  float m_RotationAngle = 0.0f;
};
