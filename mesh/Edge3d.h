#pragma once

#include "mesh/Color.h"
#include "mesh/Object3d.h"

#include <cstdint>

class CFace3d;
class CVertex3d;

// Edge record of the coders and the mesh's edge array: two vertices, the faces on either side
// (null when missing) and a flag byte. It owns neither its vertices nor its faces.
class CEdge3d : public CObject3d
{
public:
  CEdge3d() = default;
  CEdge3d(CVertex3d* v1, CVertex3d* v2) : m_pVertex1(v1), m_pVertex2(v2) {}
  CEdge3d(CVertex3d* v1, CVertex3d* v2, CFace3d* f1, CFace3d* f2)
    : m_pVertex1(v1), m_pVertex2(v2), m_pFace1(f1), m_pFace2(f2)
  {
  }
  explicit CEdge3d(const CEdge3d* pEdge) { CopyFrom(pEdge); }

  CEdge3d(const CEdge3d&) = delete;
  CEdge3d& operator=(const CEdge3d&) = delete;

  int GetType() const override { return TYPE_EDGE3D; }

  CVertex3d* v1() const { return m_pVertex1; }
  CVertex3d* v2() const { return m_pVertex2; }
  CFace3d* f1() const { return m_pFace1; }
  CFace3d* f2() const { return m_pFace2; }
  CFace3d* GetF2() const { return m_pFace2; }
  void SetVertices(CVertex3d* v1, CVertex3d* v2)
  {
    m_pVertex1 = v1;
    m_pVertex2 = v2;
  }
  void SetFaces(CFace3d* f1, CFace3d* f2)
  {
    m_pFace1 = f1;
    m_pFace2 = f2;
  }
  // Vertices and faces; the flag starts again at 0.
  void CopyFrom(const CEdge3d* pEdge)
  {
    SetVertices(pEdge->m_pVertex1, pEdge->m_pVertex2);
    SetFaces(pEdge->m_pFace1, pEdge->m_pFace2);
    m_Flag = 0;
  }
  std::uint8_t GetFlag() const { return m_Flag; }
  void SetFlag(std::uint8_t flag) { m_Flag = flag; }

  CVertex3d* GetVertexOther(const CVertex3d* v) const
  {
    return v == m_pVertex1 ? m_pVertex2 : m_pVertex1;
  }
  int HasVertex(const CVertex3d* v) const { return (v == m_pVertex1 || v == m_pVertex2) ? 1 : 0; }
  int IsSameEdge(const CEdge3d* pEdge) const;
  int IsSharp(double threshold) const;

  void glDraw(const CColor* pColor) const;
  void glDrawWithFaces(const CColor* pColor, const CColor* pFaceColor) const;

private:
  CVertex3d* m_pVertex1 = nullptr;
  CVertex3d* m_pVertex2 = nullptr;
  CFace3d* m_pFace1 = nullptr;
  CFace3d* m_pFace2 = nullptr;
  std::uint8_t m_Flag = 0;
};
