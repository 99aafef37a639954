#pragma once

#include "mesh/Array3d.h"
#include "processing/OperationEdge.h"

class CMesh3d;
class CVertex3d;

// The edge operations of a mesh in insertion order; it owns them. Extraction is a linear scan
// that keeps the first of equal keys, so older operations win ties.
class CArrayOperationEdge
{
public:
  CArrayOperationEdge() = default;
  ~CArrayOperationEdge() { m_Array.DeleteAll(); }

  CArrayOperationEdge(const CArrayOperationEdge&) = delete;
  CArrayOperationEdge& operator=(const CArrayOperationEdge&) = delete;

  int GetSize() const { return m_Array.GetSize(); }
  COperationEdge* GetAt(int i) const { return m_Array[i]; }
  // Takes ownership; returns the index.
  int Add(COperationEdge* pOperation) { return m_Array.Add(pOperation); }

  // One operation per edge, whose first end comes first in the vertex array; the vertex flags
  // are scratch and end at 1. 0, and nothing added, for a null mesh.
  int Fill(CMesh3d* pMesh);
  // The kind of every operation and of those added later.
  void SetPotential(int kind);
  int GetPotentialKind() const { return m_PotentialKind; }
  static const char* GetPotentialName(int kind);
  void UpdateAll();

  // Each takes the operation out of the array and hands it to the caller; null when none.
  COperationEdge* ExtractMin();
  // The shortest edge whose curveness is at most a threshold that grows from start by step up
  // to 1.0; a step that is not positive gives a single pass at start.
  COperationEdge* ExtractShortestUnderCurveness(double start, double step);

  // Delete the operations with an end at the vertex (or either vertex); return how many.
  int RemoveOperationsOnVertex(const CVertex3d* v);
  int RemoveOperationsOnVertices(const CVertex3d* a, const CVertex3d* b);
  // One new operation (v, neighbour) per neighbour, not yet updated; returns 1.
  int AddVertexEdges(CVertex3d* v);
  // Updates the operations with an end at v or at one of v's neighbours; returns how many.
  int UpdateAroundVertex(const CVertex3d* v);

private:
  COperationEdge* ExtractAt(int i);
  template <class Pred>
  int RemoveIf(Pred pred);

  CArray3d<COperationEdge> m_Array;
  int m_PotentialKind = 0;
};
