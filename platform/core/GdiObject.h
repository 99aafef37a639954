#pragma once

#include "platform/core/DeviceContext.h"

namespace platform {

// A pen or brush created on a device context, deleted when the scope ends.
class CGdiObject
{
public:
  CGdiObject(CDeviceContext& dc, int handle) : m_Dc(dc), m_Handle(handle) {}
  ~CGdiObject() { m_Dc.DeleteObject(m_Handle); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  int Get() const { return m_Handle; }

private:
  CDeviceContext& m_Dc;
  int m_Handle;
};

} // namespace platform
