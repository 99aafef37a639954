#pragma once

#include "compression/EdgeList.h"
#include "mesh/Array3d.h"

#include <cstdint>
#include <functional>
#include <vector>

class CEdge3d;
class CVertex3d;

// The structure (edge-list) coder. This holds the border-loop queries that its conquest runs
// on: each vertex keeps its edges, in rotation order, in a CArray3d<CEdge3d> reached through
// its data pointer; the coder owns those arrays and frees them with DeleteEdgeArrays.
class CStructureCoder
{
public:
  CStructureCoder() = default;
  ~CStructureCoder() { DeleteEdgeArrays(); }

  CStructureCoder(const CStructureCoder&) = delete;
  CStructureCoder& operator=(const CStructureCoder&) = delete;

  // The vertex that closes open borders; it may stand more than once in a loop.
  void SetGhost(CVertex3d* pGhost) { m_pGhost = pGhost; }
  CVertex3d* GetGhost() const { return m_pGhost; }

  // --- per-vertex edge arrays ---------------------------------------------------------------
  // A new empty array in the vertex's data pointer, owned by the coder.
  CArray3d<CEdge3d>* NewEdgeArray(CVertex3d* v);
  // Deletes every array, nulls the data pointers that held them, and forgets them.
  void DeleteEdgeArrays();
  static CEdge3d* GetEdge(const CVertex3d* a, const CVertex3d* b);
  static int CountEdgesWithFlag(const CVertex3d* v, std::uint8_t flag);
  // 1 when no edge of v is free (flag 0).
  static int IsFull(const CVertex3d* v) { return CountEdgesWithFlag(v, 0) == 0 ? 1 : 0; }

  // --- border loops -------------------------------------------------------------------------
  // When v neighbours the item before the pivot, inserts v just before the pivot and returns
  // its position; else null (also without a pivot).
  static CLoopList::POSITION InsertVertexBeforePivot(CEdgeList* pList, CVertex3d* v);
  // The nearest item around pos, forward first at equal distance, that is full and not the
  // ghost; null when none is.
  CVertex3d* FindFullVertex(const CEdgeList* pList, CLoopList::POSITION pos) const;
  // The same search with the caller's test of full (the decoder's differs).
  CVertex3d* FindVertexOutward(const CEdgeList* pList, CLoopList::POSITION pos,
                               const std::function<int(const CVertex3d*)>& isFull) const;
  // 1 when every item and the one after it are neighbours, two ghosts in a row excepted.
  int IsValidEdgeList(const CEdgeList* pList) const;
  // Items green, the pivot red.
  static void ShowEdgeList(const CEdgeList* pList);

  // --- code arrays --------------------------------------------------------------------------
  static unsigned int GetMax(const std::vector<unsigned int>& values);
  static int CountValue(const std::vector<unsigned int>& values, unsigned int value);
  static int Contains(const std::vector<unsigned int>& values, unsigned int value)
  {
    return CountValue(values, value) > 0 ? 1 : 0;
  }

private:
  CVertex3d* m_pGhost = nullptr;
  std::vector<CVertex3d*> m_EdgeArrayOwners;
};
