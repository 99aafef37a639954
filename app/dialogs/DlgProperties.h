#pragma once

#include "platform/ui/Dialog.h"

#include <string>

class CSceneGraph3d;

// "Properties": the type and counts of one scene object, chosen with a spin over the scene.
class CDlgProperties : public platform::CDialog
{
public:
  explicit CDlgProperties(const CSceneGraph3d* pSceneGraph);

  // The spin moved to this object.
  void OnSelect(int index);

  int m_Object;
  std::string m_Type;
  int m_NbVertex;
  int m_NbFace;
  int m_NbObject;

protected:
  void OnInitDialog() override;

private:
  void Describe(int index);

  const CSceneGraph3d* m_pSceneGraph;
};
