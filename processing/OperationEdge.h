#pragma once

class CVertex3d;

// One candidate collapse of the edge between two neighbour vertices, with the measures that
// order it: the squared edge length (potential kind 0) or the mean curveness of its two ends
// (kind 1). It refers to its vertices without owning them.
class COperationEdge
{
public:
  COperationEdge() = default;
  COperationEdge(CVertex3d* pFirst, CVertex3d* pSecond)
    : m_pFirst(pFirst), m_pSecond(pSecond), m_Valid(1)
  {
  }

  CVertex3d* GetFirst() const { return m_pFirst; }
  CVertex3d* GetSecond() const { return m_pSecond; }
  int HasVertex(const CVertex3d* v) const { return (m_pFirst == v || m_pSecond == v) ? 1 : 0; }
  int IsValid() const { return (m_pFirst && m_pSecond && m_Valid == 1) ? 1 : 0; }
  void SetValid(int valid) { m_Valid = valid; }
  int IsUpdated() const { return m_Updated; }

  // 0 squared length, 1 curveness; any other kind reads as 0.
  void SetPotential(int kind) { m_PotentialKind = kind; }
  int GetPotentialKind() const { return m_PotentialKind; }
  double GetPotential() const { return m_PotentialKind == 1 ? m_Curveness : m_Length; }

  // Computes both measures of a valid operation; does nothing otherwise. Until then both
  // stay 0.
  void Update();
  // The same with the ends' GetMaxCurveAround already measured.
  void Update(double firstCurve, double secondCurve);
  // The same for an operation already updated whose ends have not moved since: the length it
  // has is the one Update would give.
  void UpdateCurveness(double firstCurve, double secondCurve);
  double GetLength() const { return m_Length; }
  double GetCurveness() const { return m_Curveness; }

private:
  CVertex3d* m_pFirst = nullptr;
  CVertex3d* m_pSecond = nullptr;
  int m_Valid = 0;
  int m_Updated = 0;
  double m_Length = 0.0;
  double m_Curveness = 0.0;
  int m_PotentialKind = 0;
};
