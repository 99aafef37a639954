#include "platform/core/Redraw.h"

#include <utility>

namespace platform {

namespace {
RedrawHook& Hook()
{
  static RedrawHook hook;
  return hook;
}
} // namespace

void RedrawView(CRenderView* view)
{
  if (view && Hook())
    Hook()(view);
}

RedrawHook SetRedrawHook(RedrawHook hook)
{
  return std::exchange(Hook(), std::move(hook));
}

} // namespace platform
