#pragma once

#include <functional>

class CRenderView;

// Visual debugging: core algorithms hold an opaque render-view pointer (null when
// visual debugging is off) and ask for an immediate, synchronous repaint of it.
namespace platform {

using RedrawHook = std::function<void(CRenderView* view)>;

// Repaints the view at once; does nothing for a null view or when no hook is installed.
void RedrawView(CRenderView* view);

RedrawHook SetRedrawHook(RedrawHook hook);

} // namespace platform
