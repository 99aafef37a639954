#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/Object3d.h"
#include "mesh/Transform.h"

#include <string>

class CVertex3d;

// Segments (normals, displacements, directions) drawn as lines through one display list.
// Points 2k and 2k+1 make segment k; the set owns them.
class CVectorSet3d : public CObject3d
{
public:
  CVectorSet3d() { SetColor(CColor(255, 255, 255)); }
  ~CVectorSet3d() override;

  CVectorSet3d(const CVectorSet3d&) = delete;
  CVectorSet3d& operator=(const CVectorSet3d&) = delete;

  int GetType() const override { return TYPE_VECTORSET3D; }
  int BuildList() override;
  int Draw() override;

  void AddVector(CVertex3d* pFrom, CVertex3d* pTo);
  int NbVector() const { return m_ArrayPoint.GetSize() / 2; }
  int NbPoint() const { return m_ArrayPoint.GetSize(); }
  CVertex3d* GetPoint(int i) const { return m_ArrayPoint[i]; }

  void SetTransform(const CTransform& transform) { m_Transform.Copy(transform); }
  CTransform* GetTransform() { return &m_Transform; }
  void SetColor(const CColor& color)
  {
    m_Color = color;
    m_Modified = 1;
  }
  const CColor* GetColor() const { return &m_Color; }
  void SetLengthRatio(float ratio)
  {
    m_Ratio = ratio;
    m_Modified = 1;
  }
  void SetName(const std::string& name) { m_Name = name; }
  std::string GetName() const { return m_Name; }
  int IsModified() const { return m_Modified; }
  float GetWidth() const { return m_Width; }

private:
  CArray3d<CVertex3d> m_ArrayPoint;
  CTransform m_Transform;
  CColor m_Color;
  float m_Ratio = 1.0f;
  std::string m_Name = "VectorSet";
  unsigned int m_ListDone = 0;
  int m_ListBuilt = 0;
  float m_Width = 0.01f;
  int m_Modified = 1;
};
