#include "compression/ActiveList.h"

#include "mesh/Vertex3d.h"

#include <algorithm>

void CActiveList::RemoveAt(Position pos)
{
  if (pos == m_Gate)
    m_Gate = m_List.end();
  m_List.erase(pos);
}

CActiveList::Position CActiveList::Find(const CVertex3d* v)
{
  return std::find(m_List.begin(), m_List.end(), v);
}

int CActiveList::IndexOfPosition(ConstPosition pos) const
{
  int index = 0;
  for (auto it = m_List.begin(); it != m_List.end(); ++it, index++)
    if (it == pos)
      return index;
  return -1;
}

CActiveList::Position CActiveList::GetNextPosition(Position pos)
{
  ++pos;
  return pos == m_List.end() ? m_List.begin() : pos;
}

CActiveList::Position CActiveList::GetPrevPosition(Position pos)
{
  if (pos == m_List.begin())
    pos = m_List.end();
  return --pos;
}

CActiveList::ConstPosition CActiveList::GetNextPosition(ConstPosition pos) const
{
  ++pos;
  return pos == m_List.end() ? m_List.begin() : pos;
}

CActiveList::ConstPosition CActiveList::GetPrevPosition(ConstPosition pos) const
{
  if (pos == m_List.begin())
    pos = m_List.end();
  return --pos;
}

float CActiveList::GetAverageDegree(ConstPosition pos, int n) const
{
  n = std::max(n, 1);
  double sum = static_cast<double>(n) * (*pos)->GetEdgeFlagCount();
  ConstPosition after = pos;
  ConstPosition before = pos;
  for (int k = 1; k <= n; k++) {
    after = GetNextPosition(after);
    before = GetPrevPosition(before);
    sum += static_cast<double>(n - k + 1) *
           ((*after)->GetEdgeFlagCount() + (*before)->GetEdgeFlagCount());
  }
  return static_cast<float>(sum / (2 * n + 1));
}

int CActiveList::CountVertexFlag(int state) const
{
  return static_cast<int>(std::count_if(m_List.begin(), m_List.end(),
                                        [state](const CVertex3d* v) { return v->GetFlag() == state; }));
}

int CActiveList::Check() const
{
  int walked = 0;
  for (auto it = m_List.begin(); it != m_List.end() && walked <= GetCount(); ++it)
    walked++;
  return walked == GetCount() ? 1 : 0;
}
