#pragma once

#include "mesh/Array3d.h"

class CFace3d;
class CVertex3d;

// Intersection of the infinite line ab with the plane of the face; the point q is written when
// the face has a plane and the line is not parallel to it. 1 when q lies inside the face
// (its border included).
int IntersectLineFace(const CVertex3d* a, const CVertex3d* b, CFace3d* pFace, CVertex3d* q);
// The same with the face's normal as it stands, for faces whose normals are kept up to date.
int IntersectLineFaceAsIs(const CVertex3d* a, const CVertex3d* b, const CFace3d* pFace,
                          CVertex3d* q);

// The hit of the line ab nearest to a over the faces (ties keep the earlier face). Returns the
// number of faces hit; *ppFace is null when none is, and *pNbTested the number of faces tried.
int NearestIntersectionWithFaces(const CArray3d<CFace3d>* pFaces, const CVertex3d* a,
                                 const CVertex3d* b, CVertex3d* q, CFace3d** ppFace,
                                 int* pNbTested);
