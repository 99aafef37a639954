#pragma once

#include <Qt>

// Menus and accelerator tables as flat C++ tables.
namespace platform {

// One menu line. A popup has id 0 and its items follow at depth + 1; a separator has no text;
// the line of the first recent file stands for all ten.
struct SMenuItem
{
  int Depth;
  const char* Text;
  unsigned Id;
};

// One accelerator: a key with its modifiers (Qt::KeypadModifier for numeric-pad keys) and the
// command it sends. When two entries share a key, the first listed acts.
struct SAccel
{
  int Key;
  Qt::KeyboardModifiers Modifiers;
  unsigned Id;
};

} // namespace platform
