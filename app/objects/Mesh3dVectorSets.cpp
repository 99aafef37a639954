#include "app/objects/VectorSet3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
// A new set with the mesh's transform.
std::unique_ptr<CVectorSet3d> NewSet(const CMesh3d* pMesh)
{
  auto pSet = std::make_unique<CVectorSet3d>();
  pSet->SetTransform(*pMesh->GetTransform());
  return pSet;
}

// Adds the vector from a copy of p to a copy of its nearest point on the other mesh; returns
// the distance.
double AddVectorToMesh(CVectorSet3d* pSet, const CVertex3d* p, const CMesh3d* pOther)
{
  CVertex3d nearest(p);
  CFace3d* pFace = nullptr;
  const double d = std::sqrt(pOther->DistanceToFace(p, &nearest, &pFace));
  pSet->AddVector(new CVertex3d(p), new CVertex3d(&nearest));
  return d;
}
} // namespace

CVectorSet3d* CMesh3d::GetVectorSetFaceNormals() const
{
  auto pSet = NewSet(this);
  for (int i = 0; i < NbFace(); i++) {
    CVertex3d* c = GetFace(i)->NewCentroidVertex();
    const CVector3d* n = GetFace(i)->GetNormal();
    auto* tip = new CVertex3d(c->x() + n->x(), c->y() + n->y(), c->z() + n->z());
    pSet->AddVector(c, tip);
  }
  return pSet.release();
}

CVectorSet3d* CMesh3d::GetVectorSetSharpEdges(float threshold) const
{
  auto pSet = std::make_unique<CVectorSet3d>();
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    int sharp[3] = {0, 0, 0};
    f->GetSharpEdges(threshold, sharp);
    for (int k = 0; k < 3; k++)
      if (sharp[k])
        pSet->AddVector(new CVertex3d(f->v(k)), new CVertex3d(f->v((k + 1) % 3)));
  }
  return pSet->NbVector() > 0 ? pSet.release() : nullptr;
}

CVectorSet3d* CMesh3d::GetVectorSetVertexOrder() const
{
  if (NbVertex() < 2)
    return nullptr;
  auto pSet = std::make_unique<CVectorSet3d>();
  for (int i = 0; i + 1 < NbVertex(); i++)
    pSet->AddVector(new CVertex3d(GetVertex(i)), new CVertex3d(GetVertex(i + 1)));
  return pSet.release();
}

CVectorSet3d* CMesh3d::GetVectorSetErrorPerFace(const CMesh3d* pOther)
{
  auto pSet = std::make_unique<CVectorSet3d>();
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const CVertex3d* a = f->v(0);
    const CVertex3d* b = f->v(1);
    const CVertex3d* c = f->v(2);
    const std::unique_ptr<CVertex3d> ab(Midpoint(a, b));
    const std::unique_ptr<CVertex3d> bc(Midpoint(b, c));
    const std::unique_ptr<CVertex3d> ca(Midpoint(c, a));
    // The centroids of the four triangles of the 1-to-4 split.
    const std::unique_ptr<CVertex3d> samples[4] = {
      std::unique_ptr<CVertex3d>(Centroid(a, ab.get(), ca.get())),
      std::unique_ptr<CVertex3d>(Centroid(b, bc.get(), ab.get())),
      std::unique_ptr<CVertex3d>(Centroid(bc.get(), ab.get(), ca.get())),
      std::unique_ptr<CVertex3d>(Centroid(c, ca.get(), bc.get()))};
    double largest = 0.0;
    for (const auto& s : samples)
      largest = std::max(largest, AddVectorToMesh(pSet.get(), s.get(), pOther));
    // The tolerance follows the root of the edge lengths, not the lengths themselves.
    if (0.05 * f->MeanSqrtEdgeLength() < largest) {
      f->SetColor(255, 0, 0);
      f->SetFlag(1);
    }
  }
  pSet->SetTransform(m_Transform);
  m_Modified = 1;
  return pSet.release();
}

CVectorSet3d* CMesh3d::GetVectorSetErrorPerEdge(CMesh3d* pOther)
{
  CArray3d<CEdge3d> edges;
  CArray3d<CEdge3d> boundary;
  int hasBoundary = 0;
  BuildArrayEdges(&edges, 1, 1, &hasBoundary);
  if (hasBoundary)
    pOther->BuildArrayBoundaryEdges(&boundary);
  auto pSet = NewSet(this);
  for (int i = 0; i < edges.GetSize(); i++) {
    const CEdge3d* e = edges[i];
    const std::unique_ptr<CVertex3d> m(Midpoint(e->v1(), e->v2()));
    if (e->GetFlag() == 1 && boundary.GetSize() > 0) {
      CVertex3d nearest(m.get());
      SquareDistanceFromVertexToEdges(m.get(), &boundary, &nearest);
      pSet->AddVector(new CVertex3d(m.get()), new CVertex3d(&nearest));
    } else {
      AddVectorToMesh(pSet.get(), m.get(), pOther);
    }
  }
  pSet->SetColor(CColor(0, 255, 0));
  edges.DeleteAll();
  boundary.DeleteAll();
  return pSet.release();
}

CVectorSet3d* CMesh3d::GetVectorSetToMesh(const CMesh3d* pOther) const
{
  if (!pOther || pOther->NbVertex() < NbVertex())
    return nullptr;
  auto pSet = std::make_unique<CVectorSet3d>();
  pSet->SetTransform(*pOther->GetTransform());
  for (int i = 0; i < NbVertex(); i++)
    pSet->AddVector(new CVertex3d(GetVertex(i)), new CVertex3d(pOther->GetVertex(i)));
  return pSet.release();
}

CVectorSet3d* CMesh3d::GetVectorSetDualEdges()
{
  auto pSet = std::make_unique<CVectorSet3d>();
  pSet->SetTransform(m_Transform);
  SetFacesFlag(0);
  // A face is flagged once its pairs are made: each pair goes from the earlier face.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    for (int k = 0; k < 3; k++) {
      const CFace3d* g = f->f(k);
      const bool repeated = (k > 0 && f->f(0) == g) || (k > 1 && f->f(1) == g);
      if (g && g != f && g->GetFlag() == 0 && !repeated)
        pSet->AddVector(f->NewCentroidVertex(), g->NewCentroidVertex());
    }
    f->SetFlag(1);
  }
  return pSet.release();
}
