#include "platform/ui/KeyLocks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace platform {

namespace {

// The keyboard light of this name, looked up by name since servers number them differently.
bool IndicatorOn(Display* display, const char* name)
{
  const Atom atom = XInternAtom(display, name, True);
  if (atom == None)
    return false;
  Bool on = False;
  if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
    return false;
  return on == True;
}

} // namespace

SKeyLocks GetKeyLocks()
{
  const auto* application = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                     : nullptr;
  Display* display = application ? application->display() : nullptr;
  if (!display)
    return {};
  return {IndicatorOn(display, "Caps Lock"), IndicatorOn(display, "Num Lock"),
          IndicatorOn(display, "Scroll Lock")};
}

} // namespace platform
