#pragma once

#include "platform/ui/Dialog.h"

#include <QPointer>
#include <QSpinBox>

#include <string>

class CSceneGraph3d;

// The scene's objects one at a time: index, kind and counts, chosen with a spin control.
class CDlgProperties : public platform::CDialog
{
public:
  explicit CDlgProperties(const CSceneGraph3d* pSceneGraph);

  // Shows the object of that index (kept within the scene): its index, and for a triangle
  // mesh its kind and counts; any other object shows an empty kind and zero counts.
  void SelectObject(int index);
  // The spin control while the dialog shows, else null.
  QSpinBox* GetSpin() const { return m_pSpin; }

  int m_Object;
  std::string m_Type;
  int m_NbVertex;
  int m_NbFace;
  int m_NbObject;

protected:
  void OnInitDialog() override;

private:
  const CSceneGraph3d* m_pSceneGraph;
  QPointer<QSpinBox> m_pSpin;
};
