#pragma once

#include "compression/VertexRun.h"
#include "mesh/Array3d.h"

class CVectorSet3d;

// A set of vertex runs, each from its root: the orders that the structure coder, the
// position coder and the mesh's spanning trees share. The tree owns its runs, not their
// vertices; its operations change the vertices' positions in place.
class CVertexTree
{
public:
  CVertexTree() = default;
  virtual ~CVertexTree() { m_ArrayRun.DeleteAll(); }

  CVertexTree(const CVertexTree&) = delete;
  CVertexTree& operator=(const CVertexTree&) = delete;

  int NbRun() const { return m_ArrayRun.GetSize(); }
  CVertexRun* GetRun(int i) const { return m_ArrayRun[i]; }
  // Takes ownership of the run.
  int AddRun(CVertexRun* pRun) { return m_ArrayRun.Add(pRun); }

  // unmake 0: every vertex but the root becomes its step from the previous one; 1: back.
  void MakeDelta(int unmake);
  // Each axis of each run on 2^bits levels over its range, the root only with touchRoot.
  void Quantize(int bits, int touchRoot);
  // Each axis of each run by closed-loop quantization of its steps.
  void QuantizeDelta(int bits);
  // One text line per vertex, numbered across runs: its distance to the run's barycentre, or
  // with delta the length of its coordinates ("root" for roots). 0 and the message box
  // "Unable to open file for writing" when the file cannot be written.
  int BuildExcursion(const char* fileName, int delta) const;
  // New set, owned by the caller: a segment from each root (or the origin) to every other
  // vertex of its run.
  CVectorSet3d* ShowDelta(int fromOrigin) const;
  // Diagnostic listing of the runs through the trace.
  void Dump() const;

private:
  template <class Fn>
  void ForEachAxisBuffer(int skipRoot, Fn quantize);

  CArray3d<CVertexRun> m_ArrayRun;
};
