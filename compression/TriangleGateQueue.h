#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The triangle encoder's active gates, oldest first, with the two choices the conquest makes
// without a scan: the oldest gate, and the oldest gate whose vertex 2 has the largest 8-bit
// gate counter. Vertices are known by their index in the coder's run (0 to the size given to
// Reserve). Each counter value has a bit set of the slots of the live gates filed under it,
// so the oldest is the lowest set bit; a vertex whose counter changes is told through
// Rescore, which moves its gates to the new value.
class CTriangleGateQueue
{
public:
  // A gate's place in the queue, by age.
  using Slot = std::size_t;
  // What the coder files as a gate, an edge of a conquered face: 3 * face + edge.
  using Gate = std::uint32_t;

  CTriangleGateQueue() = default;
  CTriangleGateQueue(const CTriangleGateQueue&) = delete;
  CTriangleGateQueue& operator=(const CTriangleGateQueue&) = delete;

  // Sized for a run over vertices 0 to nbVertex - 1, every counter 0.
  void Reserve(int nbVertex);
  // The gate, whose vertex 2 has that index and counter.
  void Add(Gate gate, std::size_t vertex2, int score);
  int IsEmpty() const { return m_NbAlive == 0 ? 1 : 0; }
  Gate GetAt(Slot slot) const { return m_Gates[slot]; }
  Slot ChooseOldest();
  // The queue must not be empty.
  Slot ChooseBest();
  void Remove(Slot slot);
  // The counter of the vertex of that index is now score.
  void Rescore(std::size_t index, int score);
  void RemoveAll();
  // Empty, sized for the vertices of the counters, which they hold.
  void Restart(const std::vector<std::uint8_t>& counters);
  // The other queue's gates, links and counters.
  void CopyFrom(const CTriangleGateQueue& other);

private:
  // The slots filed under one counter value.
  struct SBucket
  {
    std::vector<std::uint64_t> Bits;
    std::size_t First = 0; // no bit is set in the words before
    std::size_t Count = 0;
  };
  // Slots and vertices are held in 32 bits: the queue's arrays are most of a run's memory.
  static constexpr std::uint32_t None = 0xffffffffu;
  // Links of a live gate in the list of the gates that share its vertex 2, and that vertex.
  struct SLinks
  {
    std::uint32_t Prev = None;
    std::uint32_t Next = None;
    std::uint32_t Vertex = 0;
  };
  // What the queue keeps of a vertex: its first live gate and a copy of its counter.
  struct SVertex
  {
    std::uint32_t Head = None;
    int Score = 0;
  };

  void File(int score, Slot slot);
  void Unfile(int score, Slot slot);

  std::vector<Gate> m_Gates;
  std::vector<std::uint8_t> m_Alive;
  std::vector<SLinks> m_Links;
  std::size_t m_NbAlive = 0;
  Slot m_Oldest = 0;
  // One bucket per counter value; none above m_Top holds a slot.
  std::vector<SBucket> m_Buckets = std::vector<SBucket>(256);
  int m_Top = 0;
  std::vector<SVertex> m_Vertices;
};
