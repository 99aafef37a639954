#pragma once

#include <algorithm>
#include <vector>

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

namespace adjacency {

// The storage that n Adds to an empty list end with: later local edits (the V3 steps, the
// collapses) find the same room as after a list grown one entry at a time.
inline int GrownCapacity(int room, int n)
{
  int capacity = room > 0 ? room : 1;
  while (capacity < n)
    capacity += std::clamp(capacity / 8, 4, 1024);
  return capacity;
}

// Sizes a vertex's face or neighbour list to n entries in one allocation, keeping its storage
// when it is large enough, and sets them to at(0) .. at(n - 1): the lists SetAdjacencyLists
// leaves, for a caller that works the entries out as they are written. A caller that knows
// every element is null or in reach of the list (elementref::SpanInReach) passes inReach: the
// entries are then written without a check each.
template <class List, class At>
void AssignList(List* pList, int n, At at, bool inReach = false)
{
  if (n > pList->GetMaxSize()) {
    pList->RemoveAll();
    pList->SetSize(GrownCapacity(pList->GetRoom(), n));
  }
  if (inReach)
    pList->AssignInReach(n, at);
  else
    pList->Assign(n, at);
}

} // namespace adjacency

// A vertex standing at slot `slot` of face `face`, between `previous` and `next` (by index).
struct SAdjacencyCorner
{
  int face;
  int slot;
  int previous;
  int next;
};

// A build's vertex face lists by index, for a caller that walks them again: vertex i's faces
// are faces[start[i]] .. faces[start[i + 1] - 1] in its list's order, and face f's corners are
// corners[3 f] .. corners[3 f + 2] (-1 for a face that takes no part). Vertex i's corners, one
// per slot it holds in each of its faces, in the order of its face list and then of the slots,
// are around[aroundStart[i]] .. around[aroundStart[i + 1] - 1]; `around` may be longer. The
// vectors keep their storage from build to build.
struct SAdjacencyIndex
{
  std::vector<int> start;
  std::vector<int> faces;
  std::vector<int> corners;
  std::vector<int> aroundStart;
  std::vector<SAdjacencyCorner> around;
  // Every vertex stands once in the vertex array, at its adjacency index.
  bool unique = false;
};

// CMesh3d::BuildAdjacency, the same lists in the same orders, with its index arrays handed out.
// Where the build from sorted indices does not apply (a face listed twice, a vertex the mesh
// does not list), the mesh is built by CMesh3d::BuildAdjacency and 0 comes back, the index
// emptied.
int BuildAdjacency(CMesh3d* pMesh, SAdjacencyIndex* pIndex);
