#pragma once

#include "platform/ui/Dialog.h"

#include <array>

class CSceneGraph3d;
class CRenderView;

// "Range": the extent of scene object 0 along x, y and z, and three "Apply" buttons that map
// it into a new range, offset it or scale it at once.
class CDlgRange : public platform::CDialog
{
public:
  CDlgRange(CSceneGraph3d* pSceneGraph, CRenderView* pView = nullptr);

  // The three "Apply" buttons: each reads its fields' texts as numbers (text that is no
  // number counts as 0) and acts on object 0, a triangle mesh.
  void OnApplyRange();
  void OnApplyOffset();
  void OnApplyScale();

  std::array<float, 3> m_Min{};
  std::array<float, 3> m_Max{};
  std::array<float, 3> m_Offset{};
  std::array<float, 3> m_Scale{};

protected:
  void OnInitDialog() override;

private:
  float Read(int id) const;
  void Done();

  CSceneGraph3d* m_pSceneGraph;
  CRenderView* m_pView;
};
