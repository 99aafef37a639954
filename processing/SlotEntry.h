#pragma once

// An entry of a lazy heap over numbered slots. std::priority_queue keeps the greatest on top,
// so "greater" here means a larger key, then a later slot: the top is the least key and,
// among equal keys, the first slot, which is what a scan of the slots in order keeps.
template <class Key>
struct SSlotEntry
{
  Key key;
  int slot;

  bool operator<(const SSlotEntry& other) const
  {
    if (key != other.key)
      return key > other.key;
    return slot > other.slot;
  }
};
