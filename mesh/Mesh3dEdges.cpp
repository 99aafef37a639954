#include "mesh/Mesh3d.h"

#include <vector>

namespace {
// Calls fn(v, w) once for every pair of neighbour vertices, from the earlier vertex of the
// array. The vertex flags mark the vertices already done and are all 1 afterwards.
template <class Fn>
void ForEachVertexPair(CMesh3d* pMesh, Fn fn)
{
  pMesh->SetVerticesFlag(0);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    for (int j = 0; j < v->NbVertexNeighbor(); j++) {
      CVertex3d* w = v->GetVertexNeighbor(j);
      if (w->GetFlag() == 0)
        fn(v, w);
    }
    v->SetFlag(1);
  }
}

// Stores the edges made into an array presized to the usual count, then trims it.
class CEdgeFiller
{
public:
  CEdgeFiller(CArray3d<CEdge3d>* pEdges, int expected) : m_pEdges(pEdges)
  {
    m_pEdges->SetSize(expected);
  }
  ~CEdgeFiller() { m_pEdges->SetSize(m_Count); }

  CEdgeFiller(const CEdgeFiller&) = delete;
  CEdgeFiller& operator=(const CEdgeFiller&) = delete;

  void Add(CEdge3d* pEdge) { m_pEdges->SetAtGrow(m_Count++, pEdge); }

private:
  CArray3d<CEdge3d>* m_pEdges;
  int m_Count = 0;
};
} // namespace

int CMesh3d::AddEdges(std::uint8_t flag)
{
  std::vector<int> flags(static_cast<size_t>(NbVertex()));
  for (int i = 0; i < NbVertex(); i++) {
    flags[static_cast<size_t>(i)] = GetVertex(i)->GetFlag();
    if (GetVertex(i)->NbEdge() > 0)
      GetVertex(i)->GetArrayEdge()->RemoveAll();
  }
  m_ArrayEdge.DeleteAll();
  {
    CEdgeFiller filler(&m_ArrayEdge, NbVertex() + NbFace());
    ForEachVertexPair(this, [&](CVertex3d* v, CVertex3d* w) {
      auto* pEdge = new CEdge3d(v, w);
      pEdge->SetFlag(flag);
      v->GetArrayEdge()->Add(pEdge);
      w->GetArrayEdge()->Add(pEdge);
      filler.Add(pEdge);
    });
  }
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetFlag(flags[static_cast<size_t>(i)]);
  return 1;
}

int CMesh3d::BuildArrayEdges(CArray3d<CEdge3d>* pEdges, int flagBoundary, std::uint8_t flag,
                             int* pHasBoundary)
{
  CEdgeFiller filler(pEdges, NbVertex() + NbFace());
  ForEachVertexPair(this, [&](CVertex3d* v, CVertex3d* w) {
    CArray3d<CFace3d> faces;
    v->FindFacesWithVertex(w, &faces);
    CFace3d* f1 = faces.GetSize() > 0 ? faces[0] : nullptr;
    CFace3d* f2 = faces.GetSize() > 1 ? faces[1] : nullptr;
    auto* pEdge = new CEdge3d(v, w, f1, f2);
    if (flagBoundary && v->IsOnBoundary() && w->IsOnBoundary()) {
      *pHasBoundary = 1;
      pEdge->SetFlag(flag);
    }
    filler.Add(pEdge);
  });
  return 1;
}

int CMesh3d::BuildArrayBoundaryEdges(CArray3d<CEdge3d>* pEdges)
{
  ForEachVertexPair(this, [pEdges](CVertex3d* v, CVertex3d* w) {
    if (v->IsOnBoundary() && w->IsOnBoundary())
      pEdges->Add(new CEdge3d(v, w));
  });
  SetVerticesFlag(0);
  return pEdges->GetSize() > 0 ? 1 : 0;
}
