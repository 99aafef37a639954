#pragma once

#include "mesh/Array3d.h"
#include "mesh/Intersection.h"
#include "mesh/Vector3d.h"

#include <string>

class CEdge3d;
class CFace3d;
class CVertex3d;

// Point, vector and triangle geometry shared by the mesh algorithms. Coordinates are floats;
// sums, products and distances are doubles. Distances named Square are not square-rooted.
// Functions that make points return new vertices owned by the caller.

// --- distances and products --------------------------------------------------------------------
double SquareDistance(const CVertex3d* p, const CVertex3d* q);
double Distance(const CVertex3d* p, const CVertex3d* q);
// Distance from p to the face's centroid, computed as the centroid is stored.
double DistanceToCentroid(const CVertex3d* p, const CFace3d* f);
double InnerProduct(const CVector3d* u, const CVector3d* v);
double InnerProduct(const CVector3d& u, const CVector3d& v);
// 1 when the two vectors point against each other on all three axes.
int AreOpposite(const CVector3d* u, const CVector3d* v);

// --- planes and projections --------------------------------------------------------------------
// Plane a·x + b·y + c·z + d = 0 of the face (its normal is recomputed); 0 when it has none.
int GetFacePlane(CFace3d* pFace, float* a, float* b, float* c, float* d);
int ProjectOnPlane(const CVertex3d* p, CVertex3d* q, float a, float b, float c, float d);
int ProjectOnFacePlane(const CVertex3d* p, CFace3d* pFace, CVertex3d* q);
// Projection on the infinite line ab; 0 and q untouched when a and b coincide.
int ProjectOnLine(const CVertex3d* p, const CVertex3d* a, const CVertex3d* b, CVertex3d* q);
double DistanceFromVertexToLine(const CVertex3d* v, const CVertex3d* a, const CVertex3d* b,
                                CVertex3d* q);
int IsProjectionOnSegment(const CVertex3d* q, const CVertex3d* a, const CVertex3d* b);
// Points on the border are inside.
int IsInsideFace(const CVertex3d* p, const CFace3d* pFace);

// --- point to triangle, edge and sets ----------------------------------------------------------
double SquareDistanceFromVertexToFace(const CVertex3d* p, CFace3d* pFace, CVertex3d* pNearest);
// -1 at once when the plane of the face is already farther than the bound and the point does
// not project inside the face; otherwise the full distance.
double SquareDistanceFromVertexToFaceBounded(const CVertex3d* p, CFace3d* pFace,
                                             CVertex3d* pNearest, double bound);
double SquareDistanceFromVertexToFaces(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace,
                                       const CArray3d<CFace3d>* pFaces);
double MinSquareDistanceFromVertexToFaces(const CVertex3d* p, const CArray3d<CFace3d>* pFaces);
double SquareDistanceFromVertexToEdge(const CVertex3d* p, const CEdge3d* pEdge,
                                      CVertex3d* pNearest);
// 0 for an empty set, nearest untouched.
double SquareDistanceFromVertexToEdges(const CVertex3d* p, const CArray3d<CEdge3d>* pEdges,
                                       CVertex3d* pNearest);
// Largest over the vertices of the smallest distance to the faces; the out parameters, when
// both are given, receive that vertex and its nearest face.
double SquareHausdorffVerticesToFaces(const CArray3d<CVertex3d>* pVertices,
                                      const CArray3d<CFace3d>* pFaces, CVertex3d** ppVertex,
                                      CFace3d** ppFace);
double SumSquareDistanceToNeighbors(CVertex3d* v, double factor);

// --- intersections (the face-set search is in mesh/Intersection.h) -----------------------------
int NearestIntersectionAroundFace(CFace3d* pFace, const CVertex3d* a, const CVertex3d* b,
                                  CVertex3d* q, CFace3d** ppHit);
// Depth-first walk over the neighbouring faces from the start face, at most maxFaces of them;
// face flags must not be 1 before the call and are 0 on the walked faces afterwards.
int FindIntersectionFromFace(const CVertex3d* a, const CVertex3d* b, CFace3d* pStart,
                             CVertex3d* q, CFace3d** ppHit, int maxFaces);

// --- angles over face sets (pairs of neighbouring faces) ---------------------------------------
int CountSharpFacePairs(const CArray3d<CFace3d>* pFaces, double threshold);
int SumAbsSinus(const CArray3d<CFace3d>* pFaces, double* pSum);
int MaxAbsSinus(const CArray3d<CFace3d>* pFaces, double* pMax);
int MaxAngleFaces(const CArray3d<CFace3d>* pFaces, double* pMax);

// --- areas, points and sets --------------------------------------------------------------------
double AreaRatio(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c,
                 const CVertex3d* d);
// 0 for an empty set.
double MeanArea(const CArray3d<CFace3d>* pFaces);
double MinArea(const CArray3d<CFace3d>* pFaces);
CVertex3d* Midpoint(const CVertex3d* a, const CVertex3d* b);
CVertex3d* Centroid(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c);
// 0 and the point untouched for an empty set.
int Barycenter(const CArray3d<CVertex3d>* pVertices, CVertex3d* pPoint);
int AddFaceUnique(CArray3d<CFace3d>* pFaces, CFace3d* pFace);
int AddFacesAroundVertex(CArray3d<CFace3d>* pFaces, CFace3d* pFace, const CVertex3d* v);

// --- utilities ---------------------------------------------------------------------------------
int CopyTextToClipboard(const std::string& text);
// Nearest integer; halves go down (2.5 gives 2, -2.5 gives -3).
int Round(double x);
