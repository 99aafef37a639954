#pragma once

class CPolygon3d;
class CPolygonVertex3d;

// The gate of the polygon coder: the directed edge vertex 1 -> vertex 2 on the conquered
// side. Each vertex's use counter tells how many gates hold it, so the gate counts itself in
// while it lives.
class CPolygonGate3d
{
public:
  CPolygonGate3d(CPolygonVertex3d* v1, CPolygonVertex3d* v2);
  ~CPolygonGate3d();

  CPolygonGate3d(const CPolygonGate3d&) = delete;
  CPolygonGate3d& operator=(const CPolygonGate3d&) = delete;

  CPolygonVertex3d* GetVertex1() const { return m_pVertex1; }
  CPolygonVertex3d* GetVertex2() const { return m_pVertex2; }
  void SetPolygon(CPolygon3d* polygon) { m_pPolygon = polygon; }
  // The polygon holding vertex 1 -> vertex 2, found among vertex 1's polygons once and
  // cached; null when there is none.
  CPolygon3d* GetPolygon();
  // In that polygon: the corner after vertex 2 (a triangle), and the corners one and two
  // places after it (a quad). Null without a polygon.
  CPolygonVertex3d* GetThirdVertex() { return CornerAfterVertex2(1, 3); }
  CPolygonVertex3d* GetQuadNextVertex() { return CornerAfterVertex2(1, 4); }
  CPolygonVertex3d* GetQuadLastVertex() { return CornerAfterVertex2(2, 4); }

private:
  CPolygonVertex3d* CornerAfterVertex2(int offset, int degree);

  CPolygonVertex3d* m_pVertex1;
  CPolygonVertex3d* m_pVertex2;
  CPolygon3d* m_pPolygon = nullptr;
};
