#include "platform/ui/AccelTable.h"

#include <QKeyEvent>

namespace platform {

namespace {

const Qt::KeyboardModifiers kCompared =
  Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier;

// Keys name the key pressed, not the character it gives: with Shift, the digit row gives
// the symbols of a US keyboard, and Shift+Tab arrives as a back-tab.
int KeyPressed(int key, Qt::KeyboardModifiers modifiers)
{
  if (key == Qt::Key_Backtab)
    return Qt::Key_Tab;
  if (!(modifiers & Qt::ShiftModifier) || (modifiers & Qt::KeypadModifier))
    return key;
  static const struct { int Shifted, Digit; } kDigitRow[] = {
    {Qt::Key_ParenRight, Qt::Key_0}, {Qt::Key_Exclam, Qt::Key_1},
    {Qt::Key_At, Qt::Key_2}, {Qt::Key_NumberSign, Qt::Key_3},
    {Qt::Key_Dollar, Qt::Key_4}, {Qt::Key_Percent, Qt::Key_5},
    {Qt::Key_AsciiCircum, Qt::Key_6}, {Qt::Key_Ampersand, Qt::Key_7},
    {Qt::Key_Asterisk, Qt::Key_8}, {Qt::Key_ParenLeft, Qt::Key_9}};
  for (const auto& pair : kDigitRow)
    if (key == pair.Shifted)
      return pair.Digit;
  return key;
}

} // namespace

unsigned CAccelTable::Find(int key, Qt::KeyboardModifiers modifiers) const
{
  const int pressed = KeyPressed(key, modifiers);
  const Qt::KeyboardModifiers wanted = modifiers & kCompared;
  for (const SAccel& entry : m_Entries)
    if (entry.Key == pressed && (entry.Modifiers & kCompared) == wanted)
      return entry.Id;
  return 0;
}

unsigned CAccelTable::Find(const QKeyEvent& event) const
{
  return Find(event.key(), event.modifiers());
}

} // namespace platform
