#pragma once

#include "mesh/Face3d.h"
#include "mesh/Polygon3d.h"
#include "mesh/PolygonVertex3d.h"
#include "mesh/Quad3d.h"
#include "mesh/QuadVertex3d.h"
#include "mesh/Vertex3d.h"

// One face interface over the triangle, quad and polygon elements, so that the three gate
// coders walk fans, link faces and check their input with the same code.
template <class Face>
struct CGateFaceTraits;

template <>
struct CGateFaceTraits<CFace3d>
{
  using Vertex = CVertex3d;
  static int Degree(const CFace3d*) { return 3; }
  static Vertex* Corner(const CFace3d* f, int i) { return f->v(i); }
  // CFace3d::IndexFrom, inline: the fan walks call it on every step.
  static int IndexOf(const CFace3d* f, const Vertex* v)
  {
    for (int i = 0; i < 3; i++)
      if (f->v(i) == v)
        return i;
    return -1;
  }
  static CFace3d* Neighbor(const CFace3d* f, int i) { return f->f(i); }
  static void SetNeighbor(CFace3d* f, int i, CFace3d* g) { f->SetF(i, g); }
  static int NbIncident(const Vertex* v) { return v->NbFaceNeighbor(); }
  static CFace3d* Incident(const Vertex* v, int i) { return v->GetFaceNeighbor(i); }
};

template <>
struct CGateFaceTraits<CQuad3d>
{
  using Vertex = CQuadVertex3d;
  static int Degree(const CQuad3d*) { return 4; }
  static Vertex* Corner(const CQuad3d* f, int i) { return f->v(i); }
  static int IndexOf(const CQuad3d* f, const Vertex* v) { return f->IndexFrom(v); }
  static CQuad3d* Neighbor(const CQuad3d* f, int i) { return f->f(i); }
  static void SetNeighbor(CQuad3d* f, int i, CQuad3d* g) { f->SetF(i, g); }
  static int NbIncident(const Vertex* v) { return v->NbQuadNeighbor(); }
  static CQuad3d* Incident(const Vertex* v, int i) { return v->GetQuadNeighbor(i); }
};

template <>
struct CGateFaceTraits<CPolygon3d>
{
  using Vertex = CPolygonVertex3d;
  static int Degree(const CPolygon3d* f) { return f->NbVertex(); }
  static Vertex* Corner(const CPolygon3d* f, int i) { return f->GetVertex(i % f->NbVertex()); }
  static int IndexOf(const CPolygon3d* f, const Vertex* v) { return f->IndexFrom(v); }
  static CPolygon3d* Neighbor(const CPolygon3d* f, int i) { return f->GetNeighbor(i % f->NbVertex()); }
  static void SetNeighbor(CPolygon3d* f, int i, CPolygon3d* g) { f->SetNeighbor(i % f->NbVertex(), g); }
  static int NbIncident(const Vertex* v) { return v->NbPolygon(); }
  static CPolygon3d* Incident(const Vertex* v, int i) { return v->GetPolygon(i); }
};
