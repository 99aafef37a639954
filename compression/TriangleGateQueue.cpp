#include "compression/TriangleGateQueue.h"

#include "mesh/Vertex3d.h"

#include <algorithm>
#include <bit>
#include <cstdint>

void CTriangleGateQueue::Reserve(int nbVertex)
{
  const std::size_t n = static_cast<std::size_t>(std::max(nbVertex, 0));
  m_Alive.reserve(3 * n);
  m_Links.reserve(3 * n);
  m_Vertices.reserve(n);
  int bits = 6;
  while ((std::size_t{1} << bits) < 2 * n)
    bits++;
  if (bits > m_CellBits)
    ResizeCells(bits);
}

void CTriangleGateQueue::Add(CVertex3d* v1, CVertex3d* v2, CFace3d* inner)
{
  const Slot slot = m_Gates.size();
  m_Gates.emplace_back(v1, v2, inner);
  m_Alive.push_back(1);
  m_NbAlive++;
  const std::size_t index = VertexIndex(v2);
  SVertex& vertex = m_Vertices[index];
  vertex.Score = v2->GetByteFlag();
  m_Links.push_back({None, vertex.Head, index});
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

void CTriangleGateQueue::Rescore(const CVertex3d* v)
{
  const SCell& cell = CellOf(v);
  if (!cell.Key)
    return;
  SVertex& vertex = m_Vertices[cell.Index];
  const int old = vertex.Score;
  vertex.Score = v->GetByteFlag();
  if (vertex.Score == old)
    return;
  for (Slot slot = vertex.Head; slot != None; slot = m_Links[slot].Next) {
    Unfile(old, slot);
    File(vertex.Score, slot);
  }
}

void CTriangleGateQueue::RemoveAll()
{
  m_Gates.clear();
  m_Alive.clear();
  m_Links.clear();
  m_NbAlive = 0;
  m_Oldest = 0;
  for (SBucket& bucket : m_Buckets)
    bucket = SBucket{};
  m_Top = 0;
  m_Vertices.clear();
  std::fill(m_Cells.begin(), m_Cells.end(), SCell{});
}

CTriangleGateQueue::SCell& CTriangleGateQueue::CellOf(const CVertex3d* v)
{
  const std::size_t mask = m_Cells.size() - 1;
  std::size_t i = static_cast<std::size_t>(
    (reinterpret_cast<std::uintptr_t>(v) * 0x9e3779b97f4a7c15ull) >> (64 - m_CellBits));
  while (m_Cells[i].Key && m_Cells[i].Key != v)
    i = (i + 1) & mask;
  return m_Cells[i];
}

std::size_t CTriangleGateQueue::VertexIndex(const CVertex3d* v)
{
  SCell* cell = &CellOf(v);
  if (cell->Key)
    return cell->Index;
  if (2 * (m_Vertices.size() + 1) > m_Cells.size()) {
    ResizeCells(m_CellBits + 1);
    cell = &CellOf(v);
  }
  cell->Key = v;
  cell->Index = m_Vertices.size();
  m_Vertices.push_back({});
  return cell->Index;
}

void CTriangleGateQueue::ResizeCells(int bits)
{
  std::vector<SCell> old = std::move(m_Cells);
  m_Cells.assign(std::size_t{1} << bits, SCell{});
  m_CellBits = bits;
  for (const SCell& cell : old)
    if (cell.Key)
      CellOf(cell.Key) = cell;
}
