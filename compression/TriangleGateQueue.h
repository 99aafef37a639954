#pragma once

#include "compression/TriangleGate3d.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class CVertex3d;

// The triangle encoder's active gates, oldest first, with the two choices the conquest makes
// in constant or logarithmic time instead of a scan: the oldest gate, and the oldest gate whose
// vertex 2 has the largest 8-bit gate counter. Gates are filed by counter in buckets ordered by
// age; a vertex whose counter changes is told through Rescore, which files its gates again
// (the entries left behind are dropped when they come up). Owns its gates.
class CTriangleGateQueue
{
public:
  // A gate's place in the queue, by age.
  using Slot = std::size_t;

  CTriangleGateQueue() = default;
  CTriangleGateQueue(const CTriangleGateQueue&) = delete;
  CTriangleGateQueue& operator=(const CTriangleGateQueue&) = delete;

  void Add(CVertex3d* v1, CVertex3d* v2);
  int IsEmpty() const { return m_NbAlive == 0 ? 1 : 0; }
  CTriangleGate3d* GetAt(Slot slot) const { return m_Slots[slot].get(); }
  Slot ChooseOldest();
  // The queue must not be empty.
  Slot ChooseBest();
  void Remove(Slot slot);
  // The counter of v changed.
  void Rescore(const CVertex3d* v);
  void RemoveAll();

private:
  struct SEntry
  {
    Slot Age;
    bool operator>(const SEntry& other) const { return Age > other.Age; }
  };

  static int Score(const CTriangleGate3d* gate);
  void File(Slot slot);

  std::vector<std::unique_ptr<CTriangleGate3d>> m_Slots;
  std::size_t m_NbAlive = 0;
  Slot m_Oldest = 0;
  // One min-heap of ages per counter value; no bucket above m_Top holds an entry.
  std::vector<std::vector<SEntry>> m_Buckets = std::vector<std::vector<SEntry>>(256);
  int m_Top = 0;
  // The live gates by their vertex 2.
  std::unordered_map<const CVertex3d*, std::vector<Slot>> m_ByVertex;
};
