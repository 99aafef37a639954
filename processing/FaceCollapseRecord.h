#pragma once

// What face collapse keeps for a face during a run: the corner that would survive the
// collapse (0 to 2) and the area change that choice causes, the smallest of the three.
class CFaceCollapseRecord
{
public:
  CFaceCollapseRecord() = default;

  float GetCost() const { return m_Cost; }
  int GetCorner() const { return m_Corner; }
  void Set(float cost, int corner)
  {
    m_Cost = cost;
    m_Corner = corner;
  }
  void SetCorner(int corner) { m_Corner = corner; }

private:
  float m_Cost = 0.0f;
  int m_Corner = 0;
};
