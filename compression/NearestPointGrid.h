#pragma once

#include <vector>

class CVertex3d;

// The nearest of a fixed set of points to a query, by SquareDistance, ties to the smaller
// index: a uniform grid of cubic cells over the points' box, searched in growing shells of
// cells around the query. A cell or shell is passed over only when even its nearest possible
// point is farther than the best found by a margin above every rounding, so the answer is
// the one a scan of all the points gives.
class CNearestPointGrid
{
public:
  struct SPoint
  {
    const CVertex3d* pVertex;
    int Index;
  };

  // Points with a coordinate that is not finite are left out: from a finite query their
  // distance is infinite or NaN, never below a start value. The vertices must outlive the
  // grid and keep their positions.
  explicit CNearestPointGrid(const std::vector<SPoint>& points);

  // Lowers the pair (*pDistance, *pIndex) to (SquareDistance(q, p), index of p) for every
  // point p that is strictly nearer, or as near with a smaller index. A NaN start stays,
  // since nothing compares below it; so does any start when q is not finite.
  void Lower(const CVertex3d* q, double* pDistance, int* pIndex) const;

  static bool IsFinite(const CVertex3d* p);

private:
  struct SQuery
  {
    const CVertex3d* q;
    double t[3]; // the query in cell units, unclamped
    int c[3];    // its cell, clamped to the grid
    double Distance;
    int Index;
  };

  // Cells of size h over the box from the origin, made larger while they would number more
  // than the budget; the points filed by cell, each position once.
  void File(const std::vector<SPoint>& points, const double extent[3], double h, double budget);
  int NbOccupiedCell() const;
  // The cell along the axis of a coordinate in cell units, clamped to the grid.
  int Clamped(double t, int axis) const;
  // A lower bound of SquareDistance from the query to any point filed in cells [lo, hi] on
  // every axis (cell units, hi exclusive).
  double BoxBound(const SQuery& query, const int lo[3], const int hi[3]) const;
  // The same bound for every cell at Chebyshev distance r or more from the query's cell;
  // negative when there is none.
  double OutsideBound(const SQuery& query, int r) const;
  void VisitShell(SQuery* pQuery, int r) const;
  void VisitCell(SQuery* pQuery, int i, int j, int k) const;

  double m_Origin[3] = {0.0, 0.0, 0.0};
  double m_Cell = 1.0;
  double m_Inverse = 1.0;
  int m_Dim[3] = {0, 0, 0};
  // Cell c holds m_Points[m_Start[c]] up to m_Points[m_Start[c + 1]].
  std::vector<int> m_Start;
  std::vector<SPoint> m_Points;
};
