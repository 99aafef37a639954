// Conversions of the polygon mesh: to triangle meshes (star and regularity-driven
// triangulations), into quads and triangles, and from the triangle and quad meshes.
#include "mesh/PolygonMesh3d.h"

#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"

#include <deque>
#include <utility>
#include <vector>

namespace {

using VertexList = std::vector<CPolygonVertex3d*>;

// The polygon vertices carry their index in the triangle mesh in their flag.
void AddTriangle(CMesh3d* pMesh, const CPolygonVertex3d* a, const CPolygonVertex3d* b,
                 const CPolygonVertex3d* c)
{
  pMesh->AddFace(new CFace3d(pMesh->GetVertex(a->GetFlag()), pMesh->GetVertex(b->GetFlag()),
                             pMesh->GetVertex(c->GetFlag())));
}

VertexList Corners(const CPolygon3d* polygon)
{
  VertexList list(static_cast<size_t>(polygon->NbVertex()));
  for (int i = 0; i < polygon->NbVertex(); i++)
    list[static_cast<size_t>(i)] = polygon->GetVertex(i);
  return list;
}

// How far the valences of a diagonal's ends would be from 6 once it is drawn.
int RegularityCost(const CPolygonVertex3d* a, const CPolygonVertex3d* b)
{
  const int da = a->GetUseCount() + 1 - 6;
  const int db = b->GetUseCount() + 1 - 6;
  return da * da + db * db;
}

// Cuts a polygon along the diagonal that best evens the valences, then each side in turn,
// the first side wholly before the second. A stack stands in for the recursion so that a
// polygon of many vertices cannot exhaust the call stack.
void CutPolygon(CMesh3d* pMesh, VertexList list)
{
  std::vector<VertexList> pending;
  pending.push_back(std::move(list));
  while (!pending.empty()) {
    const VertexList piece = std::move(pending.back());
    pending.pop_back();
    const int n = static_cast<int>(piece.size());
    if (n == 3) {
      AddTriangle(pMesh, piece[0], piece[1], piece[2]);
      continue;
    }
    int bestI = 0, bestJ = 2, bestCost = -1;
    for (int i = 0; i <= n - 3; i++)
      for (int j = i + 2; j <= n - 1; j++) {
        if (i == 0 && j == n - 1)
          continue;  // a side, not a diagonal
        const int cost = RegularityCost(piece[i], piece[j]);
        if (bestCost < 0 || cost < bestCost) {
          bestCost = cost;
          bestI = i;
          bestJ = j;
        }
      }
    piece[bestI]->IncrementUseCount();
    piece[bestJ]->IncrementUseCount();
    VertexList first(piece.begin() + bestI, piece.begin() + bestJ + 1);
    VertexList second(piece.begin() + bestJ, piece.end());
    second.insert(second.end(), piece.begin(), piece.begin() + bestI + 1);
    pending.push_back(std::move(second));
    pending.push_back(std::move(first));
  }
}

// One polygon of the regularity walk; polygons below three vertices give nothing.
void TriangulateRegular(CMesh3d* pMesh, const CPolygon3d* polygon)
{
  const int n = polygon->NbVertex();
  if (n == 3)
    AddTriangle(pMesh, polygon->GetVertex(0), polygon->GetVertex(1), polygon->GetVertex(2));
  else if (n > 3)
    CutPolygon(pMesh, Corners(polygon));
}

// Copies the source's vertices in order, numbering them through the given scratch field, then
// makes one polygon of each face with its corners in order.
template <class Source, class Number, class Numbered>
void CopyFaces(CPolygonMesh3d* pTarget, Source* pSource, int degree, Number number,
               Numbered numbered)
{
  for (int i = 0; i < pSource->NbVertex(); i++) {
    auto* source = pSource->GetVertex(i);
    number(source, i);
    pTarget->AddVertex(new CPolygonVertex3d(source->x(), source->y(), source->z()));
  }
  for (int i = 0; i < pSource->NbFace(); i++) {
    const auto* face = pSource->GetFace(i);
    CPolygon3d* polygon = new CPolygon3d;
    polygon->SetNbVertex(degree);
    for (int k = 0; k < degree; k++)
      polygon->SetVertex(k, pTarget->GetVertex(numbered(face->v(k))));
    pTarget->AddPolygon(polygon);
  }
}

} // namespace

void CPolygonMesh3d::CopyVerticesTo(CMesh3d* pMesh)
{
  for (int i = 0; i < NbVertex(); i++) {
    CPolygonVertex3d* source = GetVertex(i);
    source->SetFlag(i);
    CVertex3d* vertex = new CVertex3d(source->x(), source->y(), source->z());
    vertex->SetMark(0);
    vertex->SetFlag(i);
    pMesh->AddVertex(vertex);
  }
}

std::unique_ptr<CMesh3d> CPolygonMesh3d::ToTriangleMeshStar()
{
  auto mesh = std::make_unique<CMesh3d>();
  CopyVerticesTo(mesh.get());
  for (int i = 0; i < NbPolygon(); i++) {
    const CPolygon3d* polygon = GetPolygon(i);
    const int n = polygon->NbVertex();
    if (n == 3) {
      AddTriangle(mesh.get(), polygon->GetVertex(0), polygon->GetVertex(1), polygon->GetVertex(2));
      continue;
    }
    if (n < 3)
      continue;
    const CVector3d centroid = polygon->GetCentroid();
    CVertex3d* centre = new CVertex3d(&centroid);
    centre->SetMark(1);
    mesh->AddVertex(centre);
    for (int k = 0; k < n; k++) {
      CVertex3d* a = mesh->GetVertex(polygon->GetVertex(k)->GetFlag());
      CVertex3d* b = mesh->GetVertex(polygon->GetVertex(k + 1 == n ? 0 : k + 1)->GetFlag());
      mesh->AddFace(new CFace3d(a, b, centre));
    }
  }
  return mesh;
}

std::unique_ptr<CMesh3d> CPolygonMesh3d::ToTriangleMeshMaxRegularity()
{
  auto mesh = std::make_unique<CMesh3d>();
  CopyVerticesTo(mesh.get());
  SetVerticesUseCountToValence();
  SetPolygonsFlag(0);

  // Depth-first over the neighbours, in neighbour order. Every component gets its own walk,
  // so that no polygon is left out of the triangle mesh.
  struct SFrame
  {
    CPolygon3d* polygon;
    int next;
  };
  std::vector<SFrame> stack;
  auto visit = [&](CPolygon3d* polygon) {
    TriangulateRegular(mesh.get(), polygon);
    polygon->SetFlag(1);
    stack.push_back({polygon, 0});
  };
  for (int start = 0; start < NbPolygon(); start++) {
    if (GetPolygon(start)->GetFlag() != 0)
      continue;
    visit(GetPolygon(start));
    while (!stack.empty()) {
      SFrame& frame = stack.back();
      if (frame.next >= frame.polygon->NbVertex()) {
        stack.pop_back();
        continue;
      }
      CPolygon3d* neighbor = frame.polygon->GetNeighbor(frame.next++);
      if (neighbor && neighbor->GetFlag() == 0)
        visit(neighbor);
    }
  }
  return mesh;
}

void CPolygonMesh3d::SplitPolygonList(const std::vector<CPolygonVertex3d*>& list, int grey)
{
  std::deque<CPolygonVertex3d*> rest(list.begin(), list.end());
  auto addPiece = [&](size_t count) {
    CPolygon3d* piece = new CPolygon3d;
    for (size_t k = 0; k < count; k++)
      piece->AddVertex(rest[k]);
    if (grey)
      piece->SetColor(150, 150, 150);
    AddPolygon(piece);
  };
  // Each round cuts the first four vertices off as a quad; what remains is the fourth vertex
  // onwards, closed on the first.
  while (rest.size() > 4) {
    addPiece(4);
    CPolygonVertex3d* first = rest.front();
    rest.erase(rest.begin(), rest.begin() + 3);
    rest.push_back(first);
  }
  addPiece(rest.size());
}

void CPolygonMesh3d::SplitIntoQuadsAndTriangles(int grey)
{
  // The kept polygons stay in order at the front and the pieces follow, as removing each cut
  // polygon and appending its pieces would leave them, without moving the array per cut.
  std::vector<CPolygon3d*> cut;
  int kept = 0;
  const int nbPolygon = NbPolygon();
  for (int i = 0; i < nbPolygon; i++) {
    CPolygon3d* polygon = GetPolygon(i);
    if (polygon->NbVertex() > 4)
      cut.push_back(polygon);
    else
      m_ArrayPolygon.SetAt(kept++, polygon);
  }
  m_ArrayPolygon.SetSize(kept);
  for (CPolygon3d* polygon : cut) {
    SplitPolygonList(Corners(polygon), grey);
    // Nothing may keep pointing at the cut polygon until the adjacency is rebuilt.
    polygon->Detach();
    delete polygon;
  }
  m_Modified = 1;
}

void CPolygonMesh3d::FromTriangleMesh(CMesh3d* pMesh)
{
  Free();
  if (!pMesh)
    return;
  CopyFaces(this, pMesh, 3, [](CVertex3d* v, int i) { v->SetMark(i); },
            [](const CVertex3d* v) { return v->GetMark(); });
  Rebuild();
}

void CPolygonMesh3d::FromQuadMesh(CQuadMesh3d* pMesh)
{
  Free();
  if (!pMesh)
    return;
  CopyFaces(this, pMesh, 4, [](CQuadVertex3d* v, int i) { v->SetFlag(i); },
            [](const CQuadVertex3d* v) { return v->GetFlag(); });
  Rebuild();
}
