#pragma once

#include "mesh/Array3d.h"

class CVertex3d;

// An ordered chain of mesh vertices; element 0 is the root. The run does not own its
// vertices.
class CVertexRun
{
public:
  CVertexRun() = default;
  virtual ~CVertexRun() = default;

  CVertexRun(const CVertexRun&) = delete;
  CVertexRun& operator=(const CVertexRun&) = delete;

  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  CVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  CVertex3d* GetRoot() const { return NbVertex() ? m_ArrayVertex[0] : nullptr; }
  int Add(CVertex3d* v) { return m_ArrayVertex.Add(v); }
  void AddFront(CVertex3d* v) { m_ArrayVertex.InsertAt(0, v); }
  void RemoveAll() { m_ArrayVertex.RemoveAll(); }
  CArray3d<CVertex3d>* GetArrayVertex() { return &m_ArrayVertex; }
  const CArray3d<CVertex3d>* GetArrayVertex() const { return &m_ArrayVertex; }

private:
  CArray3d<CVertex3d> m_ArrayVertex;
};
