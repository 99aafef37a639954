#pragma once

// An entry of a lazy heap over numbered slots: the least key first and, among equal keys, the
// first slot, which is what a scan of the slots in order keeps.
template <class Key>
struct SSlotEntry
{
  Key key;
  int slot;

  bool Before(const SSlotEntry& other) const
  {
    if (key != other.key)
      return key < other.key;
    return slot < other.slot;
  }
};
