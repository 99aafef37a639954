#include "mesh/Mesh3d.h"

#include "mesh/GeometryUtil.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/Trace.h"

#include <vector>

namespace {
// Pair numbers go on from one pairing to the next for the whole run of the program, so that
// the pairs of successive conversions never share a number.
int g_NextPairNumber = 2;

// A face of the flood with its partner (or null) and the next of its six visits: neighbour k
// of the face, then neighbour k of the partner, for k = 0, 1, 2.
struct SPairFrame
{
  CFace3d* pFace;
  CFace3d* pPartner;
  int next;
};

// The free neighbour across the longest edge; the first of equal lengths.
CFace3d* ChoosePartner(const CFace3d* f)
{
  CFace3d* pBest = nullptr;
  double longest = -1.0;
  for (int k = 0; k < 3; k++) {
    CFace3d* g = f->f(k);
    if (!g || g == f || g->GetFlag() != 0)
      continue;
    const double length = Distance(f->v(k), f->v((k + 1) % 3));
    if (length > longest) {
      longest = length;
      pBest = g;
    }
  }
  return pBest;
}

// Pairs the face with its partner, or marks it unpaired; returns the partner.
CFace3d* PairFace(CFace3d* f)
{
  CFace3d* p = ChoosePartner(f);
  if (!p) {
    f->SetFlag(1);
    f->SetColor(200, 200, 200);
    return nullptr;
  }
  const int number = g_NextPairNumber++;
  f->SetFlag(number);
  p->SetFlag(number);
  f->SetColor(128, 128, 128);
  p->SetColor(128, 128, 128);
  return p;
}

// Index of the edge of the face that joins a and b in either direction; -1 when none does.
int EdgeIndex(const CFace3d* f, const CVertex3d* a, const CVertex3d* b)
{
  const int ia = f->IndexFrom(a);
  const int ib = f->IndexFrom(b);
  if (ia < 0 || ib < 0)
    return -1;
  if ((ia + 1) % 3 == ib)
    return ia;
  return (ib + 1) % 3 == ia ? ib : -1;
}

CVertex3d* EdgeVertex(const CFace3d* f, const CVertex3d* a, const CVertex3d* b)
{
  const int e = EdgeIndex(f, a, b);
  return e < 0 ? nullptr : f->v(3 + e);
}

// The midpoints of the face's edges that no neighbour placed yet, shared with the neighbour.
void AddEdgeMidpoints(CFace3d* f, std::vector<CVertex3d*>* pAdded)
{
  for (int k = 0; k < 3; k++) {
    if (f->v(3 + k))
      continue;
    CVertex3d* m = Midpoint(f->v(k), f->v((k + 1) % 3));
    pAdded->push_back(m);
    f->SetVertex(3 + k, m);
    CFace3d* g = f->f(k);
    const int e = g ? EdgeIndex(g, f->v(k), f->v((k + 1) % 3)) : -1;
    if (e >= 0 && !g->v(3 + e))
      g->SetVertex(3 + e, m);
  }
}

class CQuadBuilder
{
public:
  explicit CQuadBuilder(CQuadMesh3d* pQuads) : m_pQuads(pQuads) {}

  // Corners through the vertex flags, which hold the indices of the quad vertices.
  void Add(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c, const CVertex3d* d)
  {
    if (!a || !b || !c || !d)
      return;
    m_pQuads->AddQuad(new CQuad3d(Q(a), Q(b), Q(c), Q(d)));
  }

  void AddUnpaired(const CFace3d* f)
  {
    const auto* g = static_cast<const CVertex3d*>(f->GetData());
    for (int k = 0; k < 3; k++)
      Add(f->v(k), f->v(3 + k), g, f->v(3 + (k + 2) % 3));
  }

  // The pair of f and the neighbour across its edge s, cut around the edge's midpoint m.
  void AddPair(const CFace3d* f, int s, const CFace3d* p)
  {
    const CVertex3d* a = f->v(s);
    const CVertex3d* b = f->v((s + 1) % 3);
    const CVertex3d* c = f->v((s + 2) % 3);
    const CVertex3d* m = f->v(3 + s);
    const CVertex3d* n = f->v(3 + (s + 1) % 3);
    const CVertex3d* q = f->v(3 + (s + 2) % 3);
    const CVertex3d* d = p->GetVertexOther(a, b);
    if (!d)
      return;
    const CVertex3d* r = EdgeVertex(p, a, d);
    const CVertex3d* t = EdgeVertex(p, d, b);
    Add(a, r, m, q);
    Add(r, d, t, m);
    Add(m, t, b, n);
    Add(q, m, n, c);
  }

private:
  CQuadVertex3d* Q(const CVertex3d* v) const { return m_pQuads->GetVertex(v->GetFlag()); }

  CQuadMesh3d* m_pQuads;
};
} // namespace

void CMesh3d::PairTriangles()
{
  SetFacesFlag(0);
  // Every connected piece gets its own flood, so that no face is left out of the conversion.
  for (int i = 0; i < NbFace(); i++)
    PairTrianglesRecursive(GetFace(i));
  m_Modified = 1;
}

void CMesh3d::PairTrianglesRecursive(CFace3d* pFace)
{
  if (!pFace || pFace->GetFlag() >= 1)
    return;
  // An explicit stack in the order of the recursion: the flood is as deep as the mesh is big.
  std::vector<SPairFrame> stack;
  stack.push_back({pFace, PairFace(pFace), 0});
  while (!stack.empty()) {
    SPairFrame& top = stack.back();
    if (top.next == 6) {
      stack.pop_back();
      continue;
    }
    const int k = top.next / 2;
    const CFace3d* pFrom = top.next % 2 == 0 ? top.pFace : top.pPartner;
    top.next++;
    CFace3d* g = pFrom ? pFrom->f(k) : nullptr;
    if (!g || g->GetFlag() >= 1)
      continue;
    CFace3d* pPartner = PairFace(g);
    stack.push_back({g, pPartner, 0});
  }
}

std::unique_ptr<CQuadMesh3d> CMesh3d::GenerateQuadsFromTriangles()
{
  platform::Trace("Generate quads from triangles...\n");
  platform::Trace("  flagging\n");
  PairTriangles();

  platform::Trace("  subdivision\n");
  // Edge slots left by an earlier run may name vertices deleted since.
  for (int i = 0; i < NbFace(); i++)
    for (int k = 3; k < 6; k++)
      GetFace(i)->SetVertex(k, nullptr);
  std::vector<CVertex3d*> added;
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (f->GetFlag() == 1) {
      CVertex3d* g = Centroid(f->v(0), f->v(1), f->v(2));
      added.push_back(g);
      f->SetData(g);
    }
    AddEdgeMidpoints(f, &added);
  }
  for (CVertex3d* v : added)
    AddVertex(v);
  platform::Trace("  %d added vertices\n", static_cast<int>(added.size()));
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->SetFlag(i);

  auto pQuads = std::make_unique<CQuadMesh3d>();
  for (int i = 0; i < NbVertex(); i++) {
    const CVertex3d* v = GetVertex(i);
    pQuads->AddVertex(new CQuadVertex3d(v->x(), v->y(), v->z()));
  }
  CQuadBuilder builder(pQuads.get());
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const int flag = f->GetFlag();
    if (flag == 1) {
      builder.AddUnpaired(f);
      continue;
    }
    if (flag < 2)
      continue;
    // The partner is the last neighbour of the pair's number; it makes no quads of its own.
    int s = -1;
    for (int k = 0; k < 3; k++)
      if (f->f(k) && f->f(k) != f && f->f(k)->GetFlag() == flag) {
        f->f(k)->SetFlag(0);
        s = k;
      }
    if (s >= 0)
      builder.AddPair(f, s, f->f(s));
  }
  ClearDataPointers();
  return pQuads;
}
