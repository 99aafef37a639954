#include "compression/TriangleGateQueue.h"

#include "mesh/Vertex3d.h"

#include <algorithm>
#include <cstdint>
#include <functional>

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
  File(slot);
}

void CTriangleGateQueue::File(Slot slot)
{
  const int score = Score(slot);
  std::vector<SEntry>& bucket = m_Buckets[static_cast<std::size_t>(score)];
  bucket.push_back({slot});
  std::push_heap(bucket.begin(), bucket.end(), std::greater<SEntry>());
  m_Top = std::max(m_Top, score);
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseOldest()
{
  while (!m_Alive[m_Oldest])
    m_Oldest++;
  return m_Oldest;
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseBest()
{
  for (;; m_Top--) {
    std::vector<SEntry>& bucket = m_Buckets[static_cast<std::size_t>(m_Top)];
    while (!bucket.empty()) {
      const Slot slot = bucket.front().Age;
      if (m_Alive[slot] && Score(slot) == m_Top)
        return slot;
      // Gone, or filed again under its new counter.
      std::pop_heap(bucket.begin(), bucket.end(), std::greater<SEntry>());
      bucket.pop_back();
    }
    if (m_Top == 0)
      return ChooseOldest();
  }
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
  m_Alive[slot] = 0;
  m_NbAlive--;
}

void CTriangleGateQueue::Rescore(const CVertex3d* v)
{
  const SCell& cell = CellOf(v);
  if (!cell.Key)
    return;
  SVertex& vertex = m_Vertices[cell.Index];
  vertex.Score = v->GetByteFlag();
  for (Slot slot = vertex.Head; slot != None; slot = m_Links[slot].Next)
    File(slot);
}

void CTriangleGateQueue::RemoveAll()
{
  m_Gates.clear();
  m_Alive.clear();
  m_Links.clear();
  m_NbAlive = 0;
  m_Oldest = 0;
  for (auto& bucket : m_Buckets)
    bucket.clear();
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
