#pragma once

class CFace3d;

// What face collapse keeps for a face during a run: the corner that would survive the
// collapse (0 to 2) and the area change that choice causes, the smallest of the three.
class CFaceCollapseRecord
{
public:
  CFaceCollapseRecord() = default;
  CFaceCollapseRecord(CFace3d* pFace, int order) : m_pFace(pFace), m_Order(order) {}
  // The face, while it lives, and its place among the faces when the run began.
  CFace3d* GetFace() const { return m_pFace; }
  int GetOrder() const { return m_Order; }
  void Kill() { m_pFace = nullptr; }

  float GetCost() const { return m_Cost; }
  int GetCorner() const { return m_Corner; }
  void Set(float cost, int corner)
  {
    m_Cost = cost;
    m_Corner = corner;
  }
  void SetCorner(int corner) { m_Corner = corner; }

private:
  CFace3d* m_pFace = nullptr;
  int m_Order = 0;
  float m_Cost = 0.0f;
  int m_Corner = 0;
};
