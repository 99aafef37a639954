#pragma once

#include <list>

class CVertex3d;

// A cyclic border of the conquered region: vertices in the order of the region's
// orientation, with a current position (the gate). Positions stay valid while other nodes
// are inserted or removed; a vertex may stand in the list more than once. The list does not
// own its vertices.
class CActiveList
{
public:
  using Position = std::list<CVertex3d*>::iterator;
  using ConstPosition = std::list<CVertex3d*>::const_iterator;

  CActiveList() = default;
  CActiveList(const CActiveList&) = delete;
  CActiveList& operator=(const CActiveList&) = delete;

  // The position that stands for "none": what Find answers for an absent vertex and
  // GetGate before a gate is set.
  Position GetNull() { return m_List.end(); }
  int IsNull(ConstPosition pos) const { return pos == m_List.end() ? 1 : 0; }

  Position AddTail(CVertex3d* v) { return m_List.insert(m_List.end(), v); }
  Position InsertBefore(Position pos, CVertex3d* v) { return m_List.insert(pos, v); }
  Position InsertAfter(Position pos, CVertex3d* v) { return m_List.insert(std::next(pos), v); }
  // Removing the gate's node leaves the list without a gate.
  void RemoveAt(Position pos);
  // First occurrence from the head; the null position when absent.
  Position Find(const CVertex3d* v);
  // 0-based from the head; -1 for the null position.
  int IndexOfPosition(ConstPosition pos) const;
  Position GetHeadPosition() { return m_List.begin(); }
  int GetCount() const { return static_cast<int>(m_List.size()); }
  int IsEmpty() const { return m_List.empty() ? 1 : 0; }
  CVertex3d* GetAt(ConstPosition pos) const { return *pos; }

  void SetGate(Position pos) { m_Gate = pos; }
  Position GetGate() const { return m_Gate; }
  int HasGate() const { return m_Gate != m_List.end() ? 1 : 0; }
  // Null when no gate is set.
  CVertex3d* GetGateVertex() const { return HasGate() ? *m_Gate : nullptr; }

  // Cyclic: after the tail comes the head, before the head the tail. The list must not be
  // empty.
  Position GetNextPosition(Position pos);
  Position GetPrevPosition(Position pos);
  ConstPosition GetNextPosition(ConstPosition pos) const;
  ConstPosition GetPrevPosition(ConstPosition pos) const;
  CVertex3d* GetNextVertex(ConstPosition pos) const { return *GetNextPosition(pos); }
  CVertex3d* GetPrevVertex(ConstPosition pos) const { return *GetPrevPosition(pos); }

  // Remaining degrees (the vertices' stored edge-flag counts) around the position,
  // weighted n + 1 - k at k steps on either side and n at the centre, over 2n + 1.
  float GetAverageDegree(ConstPosition pos, int n) const;
  int CountVertexFlag(int state) const;
  // 1 when a walk from the head meets exactly the count of nodes.
  int Check() const;

  std::list<CVertex3d*>::const_iterator begin() const { return m_List.begin(); }
  std::list<CVertex3d*>::const_iterator end() const { return m_List.end(); }

private:
  std::list<CVertex3d*> m_List;
  Position m_Gate = m_List.end();
};
