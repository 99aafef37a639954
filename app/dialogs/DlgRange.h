#pragma once

#include "platform/ui/Dialog.h"

class CMesh3d;
class CRenderView;
class CSceneGraph3d;

// The extent of object 0 along x, y and z, and three ways to change it at once: map each
// coordinate into a new range, add offsets, or multiply by factors.
class CDlgRange : public platform::CDialog
{
public:
  // The parent view repaints after every change; it may be null.
  CDlgRange(CRenderView* pParent, CSceneGraph3d* pSceneGraph);

  // The "Apply" buttons: each reads its fields as they are typed and acts on object 0.
  void OnApplyRange();
  void OnApplyOffset();
  void OnApplyScale();

  float m_Min[3];
  float m_Max[3];
  float m_Offset[3];
  float m_Scale[3];

protected:
  void OnInitDialog() override;

private:
  // Object 0 when it is a triangle mesh, else null (an empty scene among others).
  CMesh3d* GetMesh() const;
  // The text of a field as a float, or the member's value when no form shows.
  float Value(int id, float member) const;
  void Repaint() const;

  CRenderView* m_pParent;
  CSceneGraph3d* m_pSceneGraph;
};
