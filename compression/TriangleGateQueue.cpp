#include "compression/TriangleGateQueue.h"

#include "mesh/Vertex3d.h"

#include <algorithm>
#include <functional>

int CTriangleGateQueue::Score(const CTriangleGate3d* gate)
{
  return gate->GetVertex2()->GetByteFlag();
}

void CTriangleGateQueue::Add(CVertex3d* v1, CVertex3d* v2)
{
  const Slot slot = m_Slots.size();
  m_Slots.push_back(std::make_unique<CTriangleGate3d>(v1, v2));
  m_NbAlive++;
  m_ByVertex[v2].push_back(slot);
  File(slot);
}

void CTriangleGateQueue::File(Slot slot)
{
  const int score = Score(m_Slots[slot].get());
  std::vector<SEntry>& bucket = m_Buckets[static_cast<std::size_t>(score)];
  bucket.push_back({slot});
  std::push_heap(bucket.begin(), bucket.end(), std::greater<SEntry>());
  m_Top = std::max(m_Top, score);
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseOldest()
{
  while (!m_Slots[m_Oldest])
    m_Oldest++;
  return m_Oldest;
}

CTriangleGateQueue::Slot CTriangleGateQueue::ChooseBest()
{
  for (;; m_Top--) {
    std::vector<SEntry>& bucket = m_Buckets[static_cast<std::size_t>(m_Top)];
    while (!bucket.empty()) {
      const Slot slot = bucket.front().Age;
      const CTriangleGate3d* gate = m_Slots[slot].get();
      if (gate && Score(gate) == m_Top)
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
  const CVertex3d* v2 = m_Slots[slot]->GetVertex2();
  std::vector<Slot>& slots = m_ByVertex[v2];
  slots.erase(std::find(slots.begin(), slots.end(), slot));
  if (slots.empty())
    m_ByVertex.erase(v2);
  m_Slots[slot].reset();
  m_NbAlive--;
}

void CTriangleGateQueue::Rescore(const CVertex3d* v)
{
  const auto found = m_ByVertex.find(v);
  if (found == m_ByVertex.end())
    return;
  for (const Slot slot : found->second)
    File(slot);
}

void CTriangleGateQueue::RemoveAll()
{
  m_Slots.clear();
  m_NbAlive = 0;
  m_Oldest = 0;
  for (auto& bucket : m_Buckets)
    bucket.clear();
  m_Top = 0;
  m_ByVertex.clear();
}
