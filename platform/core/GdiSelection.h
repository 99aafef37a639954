#pragma once

#include "platform/core/DeviceContext.h"

namespace platform {

// Selects an object into a device context for the scope and restores the previous one.
class CGdiSelection
{
public:
  CGdiSelection(CDeviceContext& dc, int handle) : m_Dc(dc), m_Previous(dc.SelectObject(handle)) {}
  ~CGdiSelection()
  {
    if (m_Previous != 0)
      m_Dc.SelectObject(m_Previous);
  }
  CGdiSelection(const CGdiSelection&) = delete;
  CGdiSelection& operator=(const CGdiSelection&) = delete;

private:
  CDeviceContext& m_Dc;
  int m_Previous;
};

} // namespace platform
