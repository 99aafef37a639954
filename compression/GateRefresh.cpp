#include "compression/GateRefresh.h"

#include "mesh/Object3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Redraw.h"

void CGateRefresh::Refresh(int force, CObject3d* pMesh, const std::function<void()>& onRedraw)
{
  if (!m_Debug && !force)
    return;
  int& counter = *m_pCounter;
  if (!force && (m_Period <= 0 || counter % m_Period != 0)) {
    counter++;
    return;
  }
  if (pMesh)
    pMesh->SetModified();
  platform::RedrawView(m_pView);
  if (onRedraw)
    onRedraw();
  if (m_Delay)
    platform::Sleep(m_Delay);
  counter++;
}
