#pragma once

#include "mesh/Array3d.h"

class CFace3d;
class CVertex3d;

// One cell of the spatial hash: its box, its grid coordinates and the faces registered in it
// (not owned: they belong to the mesh). The flag is free for the callers.
class CHashCell
{
public:
  CHashCell(int i, int j, int k, float xmin, float xmax, float ymin, float ymax, float zmin,
            float zmax);
  virtual ~CHashCell() = default;

  CHashCell(const CHashCell&) = delete;
  CHashCell& operator=(const CHashCell&) = delete;

  CArray3d<CFace3d>* GetArrayFace() { return &m_ArrayFace; }
  const CArray3d<CFace3d>* GetArrayFace() const { return &m_ArrayFace; }
  int NbFace() const { return m_ArrayFace.GetSize(); }
  void AddFace(CFace3d* pFace) { m_ArrayFace.Add(pFace); }
  int i() const { return m_i; }
  int j() const { return m_j; }
  int k() const { return m_k; }
  float GetMin(int axis) const { return m_Min[axis]; }
  float GetMax(int axis) const { return m_Max[axis]; }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }

  // Both bounds included.
  int Contains(const CVertex3d* p) const;
  // 1 when a corner of the face lies in the cell.
  int ContainsFace(const CFace3d* pFace) const;
  double SquareDistanceToFaces(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace) const;
  void Draw() const;

private:
  CArray3d<CFace3d> m_ArrayFace;
  float m_Min[3];
  float m_Max[3];
  int m_i;
  int m_j;
  int m_k;
  int m_Flag = 0;
};

// The twelve edges of the box in the current colour.
void DrawBox(float xmin, float xmax, float ymin, float ymax, float zmin, float zmax);
