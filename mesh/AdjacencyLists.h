#pragma once

class CFace3d;
class CMesh3d;
class CVertex3d;

// Sets the face and neighbour lists of the mesh's vertex number `vertex` to the mesh's elements
// at the given indices, sized as the adjacency build sizes them: for a caller that links the
// elements it creates itself.
void SetAdjacencyLists(CMesh3d* pMesh, int vertex, const int* faces, int nbFace,
                       const int* neighbors, int nbNeighbor);

// The same with the elements already at hand: each list sized once and written in one pass.
void SetAdjacencyLists(CVertex3d* v, CFace3d* const* faces, int nbFace, CVertex3d* const* neighbors,
                       int nbNeighbor);
