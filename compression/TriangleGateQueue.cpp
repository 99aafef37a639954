#include "compression/TriangleGateQueue.h"

#include "mesh/Vertex3d.h"

#include <algorithm>
#include <functional>

void CTriangleGateQueue::Reserve(int nbVertex)
{
  const std::size_t n = static_cast<std::size_t>(std::max(nbVertex, 0));
  m_Alive.reserve(3 * n);
  m_Links.reserve(3 * n);
  m_Vertices.reserve(n);
  m_ByVertex.reserve(n);
}

void CTriangleGateQueue::Add(CVertex3d* v1, CVertex3d* v2, CFace3d* inner)
{
  const Slot slot = m_Gates.size();
  m_Gates.emplace_back(v1, v2, inner);
  m_Alive.push_back(1);
  m_NbAlive++;
  const auto [found, added] = m_ByVertex.try_emplace(v2, m_Vertices.size());
  if (added)
    m_Vertices.push_back({});
  SVertex& vertex = m_Vertices[found->second];
  vertex.Score = v2->GetByteFlag();
  m_Links.push_back({None, vertex.Head, found->second});
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
  const auto found = m_ByVertex.find(v);
  if (found == m_ByVertex.end())
    return;
  SVertex& vertex = m_Vertices[found->second];
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
  m_ByVertex.clear();
}
