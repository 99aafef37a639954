#pragma once

// The states of the three lock keys, for the status bar's indicator panes.
namespace platform {

struct SKeyLocks
{
  bool Caps = false;
  bool Num = false;
  bool Scroll = false;

  bool operator==(const SKeyLocks&) const = default;
};

// The lock states as the window system shows them on the keyboard's lights; all off where it
// cannot tell (a display other than X11, or no keyboard extension).
SKeyLocks GetKeyLocks();

} // namespace platform
