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
  // The edge vertex 1 -> vertex 2 of the conquered face Inner, by indices.
  struct SGate
  {
    int Vertex1 = 0;
    int Vertex2 = 0;
    int Inner = 0;
  };

  CTriangleGateQueue() = default;
  CTriangleGateQueue(const CTriangleGateQueue&) = delete;
  CTriangleGateQueue& operator=(const CTriangleGateQueue&) = delete;

  // Sized for a run over vertices 0 to nbVertex - 1, every counter 0.
  void Reserve(int nbVertex);
  // The gate; its vertex 2 has that counter.
  void Add(const SGate& gate, int score);
  int IsEmpty() const { return m_NbAlive == 0 ? 1 : 0; }
  const SGate& GetAt(Slot slot) const { return m_Gates[slot]; }
  Slot ChooseOldest();
  // The queue must not be empty.
  Slot ChooseBest();
  void Remove(Slot slot);
  // The counter of the vertex of that index is now score.
  void Rescore(std::size_t index, int score);
  void RemoveAll();

private:
  // The slots filed under one counter value.
  struct SBucket
  {
    std::vector<std::uint64_t> Bits;
    std::size_t First = 0; // no bit is set in the words before
    std::size_t Count = 0;
  };
  static constexpr Slot None = static_cast<Slot>(-1);
  // Links of a live gate in the list of the gates that share its vertex 2, and that vertex.
  struct SLinks
  {
    Slot Prev = None;
    Slot Next = None;
    std::size_t Vertex = 0;
  };
  // What the queue keeps of a vertex: its first live gate and a copy of its counter.
  struct SVertex
  {
    Slot Head = None;
    int Score = 0;
  };

  void File(int score, Slot slot);
  void Unfile(int score, Slot slot);

  std::vector<SGate> m_Gates;
  std::vector<std::uint8_t> m_Alive;
  std::vector<SLinks> m_Links;
  std::size_t m_NbAlive = 0;
  Slot m_Oldest = 0;
  // One bucket per counter value; none above m_Top holds a slot.
  std::vector<SBucket> m_Buckets = std::vector<SBucket>(256);
  int m_Top = 0;
  std::vector<SVertex> m_Vertices;
};
