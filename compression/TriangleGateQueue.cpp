#include "compression/TriangleGateQueue.h"

#include <algorithm>
#include <bit>
#include <cstdint>

void CTriangleGateQueue::Reserve(int nbVertex)
{
  const std::size_t n = static_cast<std::size_t>(std::max(nbVertex, 0));
  m_Gates.reserve(3 * n);
  m_Alive.reserve(3 * n);
  m_Links.reserve(3 * n);
  m_Vertices.assign(n, SVertex{});
}

void CTriangleGateQueue::Add(Gate gate, std::size_t vertex2, int score)
{
  const std::uint32_t slot = static_cast<std::uint32_t>(m_Gates.size());
  m_Gates.push_back(gate);
  m_Alive.push_back(1);
  m_NbAlive++;
  SVertex& vertex = m_Vertices[vertex2];
  vertex.Score = score;
  m_Links.push_back({None, vertex.Head, static_cast<std::uint32_t>(vertex2)});
  if (vertex.Head != None)
    m_Links[vertex.Head].Prev = slot;
  vertex.Head = slot;
  File(vertex.Score, slot);
}

void CTriangleGateQueue::File(int score, Slot slot)
{
  SBucket& bucket = m_Buckets[static_cast<std::size_t>(score)];
  const std::size_t word = slot / 64;
  const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
  if (bucket.Bits.size() <= word)
    bucket.Bits.resize(std::max(word + 1, 2 * bucket.Bits.size()), 0);
  if (bucket.Bits[word] & bit)
    return;
  bucket.Bits[word] |= bit;
  bucket.Count++;
  bucket.First = std::min(bucket.First, word);
  m_Top = std::max(m_Top, score);
}

void CTriangleGateQueue::Unfile(int score, Slot slot)
{
  SBucket& bucket = m_Buckets[static_cast<std::size_t>(score)];
  const std::size_t word = slot / 64;
  const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
  if (word >= bucket.Bits.size() || !(bucket.Bits[word] & bit))
    return;
  bucket.Bits[word] &= ~bit;
  bucket.Count--;
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseOldest()
{
  while (!m_Alive[m_Oldest])
    m_Oldest++;
  return m_Oldest;
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseBest()
{
  while (m_Top > 0 && m_Buckets[static_cast<std::size_t>(m_Top)].Count == 0)
    m_Top--;
  SBucket& bucket = m_Buckets[static_cast<std::size_t>(m_Top)];
  if (bucket.Count == 0)
    return ChooseOldest();
  while (bucket.Bits[bucket.First] == 0)
    bucket.First++;
  return bucket.First * 64 + static_cast<Slot>(std::countr_zero(bucket.Bits[bucket.First]));
}

void CTriangleGateQueue::Remove(Slot slot)
{
  const SLinks links = m_Links[slot];
  if (links.Next != None)
    m_Links[links.Next].Prev = links.Prev;
  if (links.Prev != None)
    m_Links[links.Prev].Next = links.Next;
  else
    m_Vertices[links.Vertex].Head = links.Next;
  Unfile(m_Vertices[links.Vertex].Score, slot);
  m_Alive[slot] = 0;
  m_NbAlive--;
}

void CTriangleGateQueue::Rescore(std::size_t index, int score)
{
  SVertex& vertex = m_Vertices[index];
  const int old = vertex.Score;
  vertex.Score = score;
  if (score == old)
    return;
  for (std::uint32_t slot = vertex.Head; slot != None; slot = m_Links[slot].Next) {
    Unfile(old, slot);
    File(score, slot);
  }
}

void CTriangleGateQueue::RemoveAll()
{
  m_Gates.clear();
  m_Alive.clear();
  m_Links.clear();
  m_NbAlive = 0;
  m_Oldest = 0;
  // The buckets keep their storage: the triangle coder empties the queue once per attempt.
  for (SBucket& bucket : m_Buckets) {
    std::fill(bucket.Bits.begin(), bucket.Bits.end(), 0);
    bucket.First = 0;
    bucket.Count = 0;
  }
  m_Top = 0;
  m_Vertices.clear();
}

void CTriangleGateQueue::Restart(const std::vector<std::uint8_t>& counters)
{
  RemoveAll();
  m_Vertices.resize(counters.size());
  for (std::size_t v = 0; v < counters.size(); v++)
    m_Vertices[v].Score = counters[v];
}

void CTriangleGateQueue::CopyFrom(const CTriangleGateQueue& other)
{
  m_Gates = other.m_Gates;
  m_Alive = other.m_Alive;
  m_Links = other.m_Links;
  m_NbAlive = other.m_NbAlive;
  m_Oldest = other.m_Oldest;
  // An empty bucket has no bit set, wherever its first word stands: only buckets that hold
  // slots on either side are copied.
  for (std::size_t b = 0; b < m_Buckets.size(); b++) {
    const SBucket& from = other.m_Buckets[b];
    SBucket& to = m_Buckets[b];
    if (from.Count == 0 && to.Count == 0)
      continue;
    to.Bits = from.Bits;
    to.First = from.First;
    to.Count = from.Count;
  }
  m_Top = other.m_Top;
  m_Vertices = other.m_Vertices;
}
