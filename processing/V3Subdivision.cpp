// V3 (sqrt 3) subdivision: a centre in each selected face, the face cut in three, the old
// vertices filtered, the old edges flipped between the new centres. Adjacency is kept up to
// date on the way, and every change is recorded in the elements' undo histories.
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "platform/core/Redraw.h"
#include "platform/core/Trace.h"

#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kSelected = 1;
constexpr int kInserted = 2;
constexpr int kTaken = 3;

// alpha(n) of the filter for old valences 3 to 10.
constexpr float kAlpha[8] = {1.5f, 5.0f, 8.30585f, 12.0f, 15.8839f, 19.844526f, 23.8213f, 27.7839f};

// A face's neighbours and corners lie anywhere in the mesh's memory: the loops over the faces
// ask for them this many faces ahead, so that they are in cache when the face's turn comes.
constexpr int kAhead = 32;

// Both cache lines of a face or vertex (each spans about two).
[[gnu::always_inline]] inline void Prefetch(const void* p)
{
  if (!p)
    return;
  const char* bytes = static_cast<const char*>(p);
  PrefetchLine(bytes);
  PrefetchLine(bytes + 64);
}

// What cutting the face reads first: the faces across edges 1 and 2, and the corners.
[[gnu::always_inline]] inline void PrefetchInsertion(const CFace3d* f)
{
  Prefetch(f->f(1));
  Prefetch(f->f(2));
  for (int k = 0; k < 3; k++)
    Prefetch(f->v(k));
}

// What flipping the face reads first: its partner across edge 0 and the face across edge 2.
[[gnu::always_inline]] inline void PrefetchFlip(const CFace3d* f)
{
  Prefetch(f->f(0));
  Prefetch(f->f(2));
}

CHistoryAction* SlotRecord(CMesh3d* pMesh, int slot, CVertex3d* pPrevious)
{
  return pMesh->NewHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT,
                                 static_cast<std::uint8_t>(slot), pPrevious);
}

// The face across an edge, when there is one, names pNew where it named pOld.
void Relink(CFace3d* pAcross, const CFace3d* pOld, CFace3d* pNew)
{
  if (pAcross)
    pAcross->UpdateNeighbor(pOld, pNew);
}

void Redraw(CMesh3d* pMesh, CRenderView* pWindow)
{
  if (!pWindow)
    return;
  pMesh->SetModified(1);
  platform::RedrawView(pWindow);
}

// Selects every face (all), or clears the marks of the faces not selected (marks of an earlier
// run, 2 and 3, would read as this run's inserted and taken faces); faces with an empty corner
// (undone creations) are never selected. Every corner of a selected face counts it in its flag
// (a vertex repeated in a face counts it twice): the vertex flags must be 0 before. Returns the
// number of faces selected; pDistinct, when given, tells whether each has three distinct corners.
int SelectFaces(CMesh3d* pMesh, bool all, bool* pDistinct = nullptr)
{
  int m = 0;
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (all || f->GetFlag() != kSelected)
      f->SetFlag(all ? kSelected : 0);
    if (f->GetFlag() != kSelected)
      continue;
    if (f->HasNullVertex()) {
      f->SetFlag(0);
      continue;
    }
    m++;
    CVertex3d* c0 = f->v(0);
    CVertex3d* c1 = f->v(1);
    CVertex3d* c2 = f->v(2);
    c0->IncrementFlag();
    c1->IncrementFlag();
    c2->IncrementFlag();
    if (pDistinct && (c0 == c1 || c1 == c2 || c0 == c2))
      *pDistinct = false;
  }
  return m;
}

// The lists of a new centre g of a face with three distinct corners: its corners and its
// three faces.
void LinkNewCentre(CVertex3d* c0, CVertex3d* c1, CVertex3d* c2, CVertex3d* g, CFace3d* f,
                   CFace3d* a, CFace3d* b)
{
  g->AddVertexNeighbor(c2);
  g->AddVertexNeighbor(c0);
  g->AddVertexNeighbor(c1);
  g->GetArrayFaceNeighbor()->Add(f);
  g->GetArrayFaceNeighbor()->Add(a);
  g->GetArrayFaceNeighbor()->Add(b);
}

// The distinct corners of the face cut into F = (c0, c1, g), A = (c1, c2, g), B = (c2, c0, g):
// c2 no longer lists F, and the corners get the centre and the new faces that still hold them
// appended (none can list them yet, so no search). Right after the cut A and B hold all their
// corners; later (LinkNextCut) a flip may have taken a corner from slot 0 of A or B, and
// with it the face from that corner's list.
void LinkCorners(CVertex3d* c0, CVertex3d* c1, CVertex3d* c2, CVertex3d* g, CFace3d* f,
                 CFace3d* a, CFace3d* b)
{
  c2->RemoveFaceNeighbor(f);
  c2->GetArrayFaceNeighbor()->Add(a);
  if (b->v(0) == c2)
    c2->GetArrayFaceNeighbor()->Add(b);
  c0->GetArrayFaceNeighbor()->Add(b);
  if (a->v(0) == c1)
    c1->GetArrayFaceNeighbor()->Add(a);
  c0->AddVertexNeighbor(g);
  c1->AddVertexNeighbor(g);
  c2->AddVertexNeighbor(g);
}

// Splits F = (c0, c1, c2) into F = (c0, c1, g), A = (c1, c2, g), B = (c2, c0, g). Without
// `normals`, the three faces keep the normals they had (none for A and B): the caller sets them.
// With `linkCornersLater`, the corners' lists are left as they were, for LinkNextCut.
void InsertCentre(CMesh3d* pMesh, CFace3d* f, int vertexIndex, int faceIndex, bool normals,
                  bool linkCornersLater)
{
  CVertex3d* c0 = f->v(0);
  CVertex3d* c1 = f->v(1);
  CVertex3d* c2 = f->v(2);
  auto* g = pMesh->NewVertex((c0->x() + c1->x() + c2->x()) / 3.0f,
                             (c0->y() + c1->y() + c2->y()) / 3.0f,
                             (c0->z() + c1->z() + c2->z()) / 3.0f, f->GetNormal());
  g->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_VERTEX_CREATED));
  pMesh->GetArrayVertex()->SetAt(vertexIndex, g);

  auto* a = pMesh->NewFace(c1, c2, g, kInserted);
  auto* b = pMesh->NewFace(c2, c0, g, kInserted);
  if (normals) {
    a->CalculateNormal();
    b->CalculateNormal();
  }
  a->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_FACE_CREATED));
  b->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_FACE_CREATED));
  pMesh->GetArrayFace()->SetAt(faceIndex, a);
  pMesh->GetArrayFace()->SetAt(faceIndex + 1, b);

  f->PushHistory(SlotRecord(pMesh, 2, c2));
  f->SetVertex(2, g);
  if (normals)
    f->CalculateNormal();
  f->SetFlag(kInserted);

  CFace3d* n1 = f->f(1);
  CFace3d* n2 = f->f(2);
  a->SetNeighbors(n1, b, f);
  b->SetNeighbors(n2, f, a);
  f->SetF(1, a);
  f->SetF(2, b);
  Relink(n1, f, a);
  Relink(n2, f, b);

  if (c0 != c1 && c1 != c2 && c0 != c2) {
    LinkNewCentre(c0, c1, c2, g, f, a, b);
    if (!linkCornersLater)
      LinkCorners(c0, c1, c2, g, f, a, b);
    return;
  }
  g->AddFaceNeighbor(f);
  g->AddFaceNeighbor(a);
  g->AddFaceNeighbor(b);
  c2->RemoveFaceNeighbor(f);
  c2->AddFaceNeighbor(a);
  c2->AddFaceNeighbor(b);
  c0->AddFaceNeighbor(b);
  c1->AddFaceNeighbor(a);

  g->AddNeighbor(c2);
  g->AddNeighbor(c0);
  g->AddNeighbor(c1);
  c0->AddNeighbor(g);
  c1->AddNeighbor(g);
  c2->AddNeighbor(g);
}

// Grows the capacity of a list once, to hold n more entries.
template <class List>
void ReserveMore(List* pList, int n)
{
  const int size = pList->GetSize();
  if (size + n <= pList->GetMaxSize())
    return;
  pList->SetSize(size + n);
  pList->SetSize(size);
}

// Each selected face around a vertex (counted in its flag) brings it one more face and one
// more neighbour: its lists grow once, to their size after the insertions, instead of entry by
// entry.
void ReserveAroundVertices(const CMesh3d* pMesh)
{
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    if (v->GetFlag() == 0)
      continue;
    ReserveMore(v->GetArrayFaceNeighbor(), v->GetFlag());
    ReserveMore(v->GetArrayVertexNeighbor(), v->GetFlag());
  }
}

// Inserts a centre in every face flagged as selected among the first nbFace; the arrays have
// room for m centres after nbVertex and 2m faces after nbFace. Without `normals`, the faces cut
// keep their old normals, and the new ones have none (see InsertCentre). With
// `linkCornersLater` every selected face has three distinct corners.
void InsertCentres(CMesh3d* pMesh, int nbVertex, int nbFace, int m, bool normals = true,
                   bool linkCornersLater = false)
{
  if (!linkCornersLater)
    ReserveAroundVertices(pMesh);
  pMesh->GetArrayVertex()->SetSize(nbVertex + m);
  pMesh->GetArrayFace()->SetSize(nbFace + 2 * m);
  int k = 0;
  for (int i = 0; i < nbFace; i++) {
    if (i + kAhead < nbFace)
      PrefetchInsertion(pMesh->GetFace(i + kAhead));
    CFace3d* f = pMesh->GetFace(i);
    if (f->GetFlag() != kSelected)
      continue;
    InsertCentre(pMesh, f, nbVertex + k, nbFace + 2 * k, normals, linkCornersLater);
    k++;
  }
}

// Moves every vertex among the first nbVertex whose flag is at least 1 (an old vertex beside a
// new centre; the centres have flag 0) to the position that rule(vertex, old valence, xyz)
// writes; all positions are computed first. The old neighbours come first in a vertex's list,
// followed by one centre per face cut around it unless `centresLater`.
template <class Rule>
void FilterVertices(CMesh3d* pMesh, int nbVertex, bool centresLater, Rule rule)
{
  platform::Trace("  begin filtering\n");
  std::vector<CVertex3d*> vertices;
  for (int i = 0; i < nbVertex; i++)
    if (pMesh->GetVertex(i)->GetFlag() >= 1)
      vertices.push_back(pMesh->GetVertex(i));
  platform::Trace("  %d vertices to filter\n", static_cast<int>(vertices.size()));
  std::vector<float> positions(3 * vertices.size(), 0.0f);
  for (size_t i = 0; i < vertices.size(); i++) {
    CVertex3d* v = vertices[i];
    float* out = &positions[3 * i];
    out[0] = v->x();
    out[1] = v->y();
    out[2] = v->z();
    rule(v, v->NbVertexNeighbor() - (centresLater ? 0 : v->GetFlag()), out);
  }
  for (size_t i = 0; i < vertices.size(); i++) {
    CVertex3d* v = vertices[i];
    v->PushHistory(
      pMesh->NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, v->x(), v->y(), v->z()));
    v->Set(positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]);
  }
}

// Centre weight alpha / (n + alpha), weight 1 / (n + alpha) for each of the first n neighbours
// (those from before the run).
void WeightedRule(const CVertex3d* v, int n, float alpha, float* pOut)
{
  const float total = static_cast<float>(n) + alpha;
  const float centre = alpha / total;
  const float side = 1.0f / total;
  float sum[3] = {0.0f, 0.0f, 0.0f};
  for (int j = 0; j < n; j++) {
    const CVertex3d* q = v->GetVertexNeighbor(j);
    sum[0] += q->x();
    sum[1] += q->y();
    sum[2] += q->z();
  }
  for (int axis = 0; axis < 3; axis++)
    pOut[axis] = centre * pOut[axis] + side * sum[axis];
}

bool IsFilteredValence(int n) { return n >= 3 && n <= 10; }

// CVector3d::Normalize of two vectors. Each is a square root and three divisions in double,
// which wait on one divider: side by side in the two halves of a register they take half the
// turns, with the same IEEE operations lane by lane, so the same bits.
void NormalizeBoth(CVector3d* u, CVector3d* w)
{
#if defined(__SSE2__)
  const __m128d x = _mm_set_pd(w->x(), u->x());
  const __m128d y = _mm_set_pd(w->y(), u->y());
  const __m128d z = _mm_set_pd(w->z(), u->z());
  const __m128d xy = _mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y));
  const __m128d norm = _mm_sqrt_pd(_mm_add_pd(xy, _mm_mul_pd(z, z)));
  alignas(16) double nx[2];
  alignas(16) double ny[2];
  alignas(16) double nz[2];
  alignas(16) double n[2];
  _mm_store_pd(nx, _mm_div_pd(x, norm));
  _mm_store_pd(ny, _mm_div_pd(y, norm));
  _mm_store_pd(nz, _mm_div_pd(z, norm));
  _mm_store_pd(n, norm);
  // A zero vector stays as it is.
  if (n[0] != 0.0)
    u->Set(static_cast<float>(nx[0]), static_cast<float>(ny[0]), static_cast<float>(nz[0]));
  if (n[1] != 0.0)
    w->Set(static_cast<float>(nx[1]), static_cast<float>(ny[1]), static_cast<float>(nz[1]));
#else
  u->Normalize();
  w->Normalize();
#endif
}

// What CFace3d::CalculateNormal gives the faces f over p and n over q, corners the caller
// already holds: the flips make two normals per old edge, and reading the corners back through
// the faces (their references decoded, checked for null) cost about a tenth of the flips' time.
void SetNormalsOfCorners(CFace3d* f, const CVertex3d* const p[3], CFace3d* n,
                         const CVertex3d* const q[3])
{
  const bool withF = p[0] && p[1] && p[2];
  const bool withN = q[0] && q[1] && q[2];
  CVector3d u = withF ? CVector3d(p[0], p[1]) ^ CVector3d(p[0], p[2]) : CVector3d();
  CVector3d w = withN ? CVector3d(q[0], q[1]) ^ CVector3d(q[0], q[2]) : CVector3d();
  NormalizeBoth(&u, &w);
  if (withF)
    *f->GetNormal() = u;
  if (withN)
    *n->GetNormal() = w;
}

// A uniform step with flips leaves the old vertices' lists as they were until the flips are
// done: the insertion's additions would more than double those lists for a while (moving them
// out of the vertex to the heap), and the flips take about half of it back. In place, the
// insertion removes old faces and appends new faces and centres; the flips only remove, the
// old faces and neighbours of the edges they turn and the new faces. Removals of listed
// elements commute with each other and with appending other elements, so the old elements'
// removals may all come at the end, in any order. A flip that turns an inserted face F with an
// inserted face N = (b, a, centre), whose corners are the edge's reversed, takes each of F and
// N from the corner it removes from it, the one in its slot 0, and takes the corner in slot 1
// from that corner's neighbours: a new face that no longer holds a corner is one that corner's
// list lost, and a face taken (kTaken) tells what its corners lost. LinkNextCut makes it all,
// each list in the order of its in-place edits. Any other flip has LinkOldCorners run first
// and the lists edited in place from then on.
//
// The linking of a cut need not wait for the end: once the flip loop has passed its faces
// (B comes last), no flip turns them any more. A face N passed over untaken had its own turn
// with F = N->f(0), both inserted then as now, and a refusal then (their centres already
// neighbours) holds now; so a fast flip, which also asks for F = N->f(0), never meets a face
// passed over, as long as no flip relinks the edge 0 of a face not taken (FlipEdge checks).
// Linking a cut right after the loop passes it finds its new faces still in cache.
struct SCornerLinks
{
  CMesh3d* pMesh = nullptr;
  int nbVertex = 0;
  int nbFace = 0;
  int nbCut = 0;
  bool pending = false;
  int linked = 0;  // the cuts linked so far, in the order of the cut
  int nextOld = 0;  // where to look for the next cut's old face
};

// Makes the edits of the corners' lists that the insertion and the flips so far left out, for
// the next cut: its faces F, A and B are old face `linked` cut, faces nbFace + 2 * linked and
// nbFace + 2 * linked + 1. The flips changed slot 0 only: F keeps c1, A c2 and B c0 in slot 1.
void LinkNextCut(SCornerLinks* pLinks)
{
  CMesh3d* pMesh = pLinks->pMesh;
  CFace3d* f = pMesh->GetFace(pLinks->nextOld++);
  while (f->GetFlag() != kInserted && f->GetFlag() != kTaken)
    f = pMesh->GetFace(pLinks->nextOld++);
  const int k = pLinks->linked++;
  CFace3d* a = pMesh->GetFace(pLinks->nbFace + 2 * k);
  CFace3d* b = pMesh->GetFace(pLinks->nbFace + 2 * k + 1);
  CVertex3d* g = pMesh->GetVertex(pLinks->nbVertex + k);
  CVertex3d* c0 = b->v(1);
  CVertex3d* c1 = f->v(1);
  CVertex3d* c2 = a->v(1);
  if (f->GetFlag() == kTaken) {
    c0->RemoveFaceNeighbor(f);
    c0->RemoveVertexNeighbor(c1);
  }
  if (a->GetFlag() == kTaken)
    c1->RemoveVertexNeighbor(c2);
  if (b->GetFlag() == kTaken)
    c2->RemoveVertexNeighbor(c0);
  LinkCorners(c0, c1, c2, g, f, a, b);
}

// Links every cut not linked yet; the lists are edited in place from then on.
void LinkOldCorners(SCornerLinks* pLinks)
{
  while (pLinks->linked < pLinks->nbCut)
    LinkNextCut(pLinks);
  pLinks->pending = false;
}

// The slot of N's third corner o when N runs o -> b -> a, back across F's edge a -> b; -1 when
// N holds no such edge: a neighbour turned the other way would lose a rather than b and fold
// onto F, and one that a face with a repeated corner links to has no edge to turn or cut.
int ReverseApexSlot(const CFace3d* n, const CVertex3d* a, const CVertex3d* b)
{
  for (int e = 0; e < 3; e++)
    if (n->v((e + 1) % 3) == b && n->v((e + 2) % 3) == a)
      return n->v(e) != a && n->v(e) != b ? e : -1;
  return -1;
}

// Turns F = (a, b, g) and its neighbour N = (o, b, a) across edge 0 into F = (o, b, g) and
// N = (o, g, a): the old edge ab becomes og. With pLinks pending, see SCornerLinks.
void FlipEdge(CMesh3d* pMesh, CFace3d* f, CFace3d* n, SCornerLinks* pLinks = nullptr)
{
  CVertex3d* a = f->v(0);
  CVertex3d* b = f->v(1);
  CVertex3d* g = f->v(2);
  // o is N's corner before b, at slot e, when N runs back across F's edge (ReverseApexSlot).
  CVertex3d* corners[3] = {n->v(0), n->v(1), n->v(2)};
  // Between inserted faces o and g are centres, whose lists hold exactly the faces and
  // neighbours they have: F and N cannot be listed at o and g yet, nor o and g at each other.
  bool centres = false;
  if (pLinks && pLinks->pending) {
    centres =
      n->GetFlag() == kInserted && corners[0] == b && corners[1] == a && n->f(0) == f;
    if (!centres)
      LinkOldCorners(pLinks);
  }
  const int e = ReverseApexSlot(n, a, b);
  CVertex3d* o = e >= 0 ? corners[e] : nullptr;
  const int next = (e + 1) % 3;
  // An edge og that already exists would fold F and N back to back (two faces on the same
  // three corners); it happens when selected and unselected faces alternate.
  if (!o || o->IsNeighbor(g))
    return;
  f->PushHistory(SlotRecord(pMesh, 0, a));
  n->PushHistory(SlotRecord(pMesh, next, corners[next]));
  f->SetVertex(0, o);
  n->SetVertex(next, g);
  corners[next] = g;
  const CVertex3d* const turned[3] = {o, b, g};
  SetNormalsOfCorners(f, turned, n, corners);
  f->SetFlag(kTaken);
  n->SetFlag(kTaken);

  CFace3d* across = n->f(e);
  CFace3d* beside = f->f(2);
  f->SetF(0, across);
  Relink(across, n, f);
  f->SetF(2, n);
  n->SetF(e, f);
  n->SetF(next, beside);
  Relink(beside, f, n);

  if (centres) {
    // What a and b lose waits for their cut's linking.
    o->GetArrayFaceNeighbor()->Add(f);
    g->GetArrayFaceNeighbor()->Add(n);
    o->AddVertexNeighbor(g);
    g->AddVertexNeighbor(o);
    // The faces across edges with a centre are the centre's own: their edge 0 (an old edge)
    // cannot be the one relinked. If it was, a face passed over could still turn.
    if ((across && across->f(0) == f) || (beside && beside->f(0) == n))
      LinkOldCorners(pLinks);
    return;
  }
  b->RemoveFaceNeighbor(n);
  a->RemoveFaceNeighbor(f);
  a->RemoveVertexNeighbor(b);
  b->RemoveVertexNeighbor(a);
  o->AddFaceNeighbor(f);
  g->AddFaceNeighbor(n);
  if (o != g)
    o->AddVertexNeighbor(g);  // known not to be there
  g->AddNeighbor(o);
}

// The neighbour across an old edge of an inserted face that is free to flip with it; null
// when there is none or it was already taken.
CFace3d* FlipPartner(const CFace3d* f)
{
  CFace3d* n = f->f(0);
  return (n && n->GetFlag() != kTaken) ? n : nullptr;
}

// A sharp old edge keeps its place: both ends and the two faces beside it bend beyond the
// threshold (radians).
bool IsSharpOldEdge(CFace3d* f, CFace3d* n, double sharp)
{
  return f->v(0)->GetMaxAngleAround() > sharp && f->v(1)->GetMaxAngleAround() > sharp &&
         AngleFaces(f, n) > sharp;
}

// The sharpness threshold as an absolute sine, the measure of the vertex classifiers.
double SineOfAngle(double angle)
{
  const double halfPi = 1.5707963267948966;
  return angle >= halfPi ? 1.0 : std::sin(angle);
}

double DegreesToRadians(double degrees) { return degrees / 360.0 * 6.2831; }

// Cuts the sharp edge ab of F = (a, b, g) and N = (o, b, a) at a new vertex M into
// F = (a, M, g), A = (M, b, g), N = (o, M, a), B = (o, b, M).
void SplitSharpEdge(CMesh3d* pMesh, CFace3d* f, CFace3d* n, double sineSharp)
{
  CVertex3d* a = f->v(0);
  CVertex3d* b = f->v(1);
  CVertex3d* g = f->v(2);
  const int slotO = ReverseApexSlot(n, a, b);
  if (slotO < 0)
    return;
  CVertex3d* o = n->v(slotO);
  const int slotB = (slotO + 1) % 3;
  float pa[3] = {a->x(), a->y(), a->z()};
  float pb[3] = {b->x(), b->y(), b->z()};
  if (a->Classify(sineSharp) == 2 && b->Classify(sineSharp) == 2) {
    a->GetPreviousPosition(pa);
    b->GetPreviousPosition(pb);
  }
  auto* m =
    pMesh->NewVertex((pa[0] + pb[0]) / 2.0f, (pa[1] + pb[1]) / 2.0f, (pa[2] + pb[2]) / 2.0f);
  m->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_VERTEX_CREATED));
  pMesh->AddVertex(m);

  auto* fa = pMesh->NewFace(m, b, g, kTaken);
  auto* fb = pMesh->NewFace(o, b, m, kTaken);
  fa->CalculateNormal();
  fb->CalculateNormal();
  fa->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_FACE_CREATED));
  fb->PushHistory(CHistoryAction::Created(CHistoryAction::TYPE_FACE_CREATED));
  pMesh->AddFace(fa);
  pMesh->AddFace(fb);

  n->PushHistory(SlotRecord(pMesh, slotB, b));
  n->SetVertex(slotB, m);
  n->CalculateNormal();
  f->PushHistory(SlotRecord(pMesh, 1, b));
  f->SetVertex(1, m);
  f->CalculateNormal();
  n->SetFlag(kTaken);
  f->SetFlag(kTaken);

  CFace3d* besideF = f->f(1);
  CFace3d* besideN = n->f(slotO);
  fa->SetNeighbors(fb, besideF, f);
  fb->SetNeighbors(besideN, fa, n);
  f->SetF(1, fa);
  n->SetF(slotO, fb);
  Relink(besideF, f, fa);
  Relink(besideN, n, fb);

  m->AddFaceNeighbor(n);
  m->AddFaceNeighbor(f);
  m->AddFaceNeighbor(fa);
  m->AddFaceNeighbor(fb);
  b->RemoveFaceNeighbor(f);
  b->RemoveFaceNeighbor(n);
  b->AddFaceNeighbor(fa);
  b->AddFaceNeighbor(fb);
  o->AddFaceNeighbor(fb);
  g->AddFaceNeighbor(fa);

  m->AddNeighbor(a);
  m->AddNeighbor(b);
  m->AddNeighbor(o);
  m->AddNeighbor(g);
  a->RemoveVertexNeighbor(b);
  b->RemoveVertexNeighbor(a);
  a->AddNeighbor(m);
  b->AddNeighbor(m);
  g->AddNeighbor(m);
  o->AddNeighbor(m);
}

// A corner position as the normal computation reads it.
struct SCorner
{
  float px;
  float py;
  float pz;
  float x() const { return px; }
  float y() const { return py; }
  float z() const { return pz; }
};

// The normal CFace3d::CalculateNormal gives over the positions the corners had before the
// filter: those with a flag moved, and their last record holds where they were.
void NormalBeforeFilter(CFace3d* f)
{
  if (f->HasNullVertex())
    return;
  SCorner p[3];
  for (int k = 0; k < 3; k++) {
    const CVertex3d* v = f->v(k);
    float position[3] = {v->x(), v->y(), v->z()};
    if (v->GetFlag() >= 1)
      v->GetPreviousPosition(position);
    p[k] = {position[0], position[1], position[2]};
  }
  CVector3d normal(CVector3d(&p[0], &p[1]) ^ CVector3d(&p[0], &p[2]));
  normal.Normalize();
  *f->GetNormal() = normal;
}

// The flips recompute the normals of the faces they turn, so the centre insertion leaves them
// out; the faces still marked inserted after the flips get the normals the insertion would
// have given them, over the positions of that time. The candidates are the faces passed over
// by the flips, not every face of the mesh: on a closed mesh none is left.
void NormalsOfUnflippedFaces(const std::vector<CFace3d*>& faces, bool filtered)
{
  for (CFace3d* f : faces) {
    if (f->GetFlag() != kInserted)
      continue;
    if (filtered)
      NormalBeforeFilter(f);
    else
      f->CalculateNormal();
  }
}

} // namespace

void CMesh3d::SubdivisionV3(int flip, int filter, int selectedOnly, CRenderView* pWindow,
                            int fixedWeight, float weight)
{
  platform::Trace("Start V3 subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
  const int nbFace = NbFace();
  const int nbVertex = NbVertex();
  SetVerticesFlag(0);
  bool distinct = true;
  const int m = SelectFaces(this, !selectedOnly, &distinct);
  // A repaint between the steps shows every face with its normal of the moment.
  const bool deferNormals = flip && !pWindow;
  SCornerLinks links{this, nbVertex, nbFace, m, flip && !selectedOnly && !pWindow && distinct};
  InsertCentres(this, nbVertex, nbFace, m, !deferNormals, links.pending);
  Redraw(this, pWindow);

  if (filter) {
    const auto rule = [fixedWeight, weight](const CVertex3d* v, int n, float* pOut) {
      if (IsFilteredValence(n))
        WeightedRule(v, n, fixedWeight ? weight : kAlpha[n - 3], pOut);
    };
    FilterVertices(this, nbVertex, links.pending, rule);
  }

  if (flip) {
    Redraw(this, pWindow);
    const int nbNow = NbFace();
    const int period = std::max(1, nbNow / 10);
    // The faces still inserted after their turn; checked again once all flips are done.
    std::vector<CFace3d*> unflipped;
    for (int i = 0; i < nbNow; i++) {
      if (i + kAhead < nbNow)
        PrefetchFlip(GetFace(i + kAhead));
      CFace3d* f = GetFace(i);
      if (f->GetFlag() != kInserted)
        continue;
      CFace3d* n = f->f(0);
      const bool free = !n || n->GetFlag() != kTaken;
      if (n && free)
        FlipEdge(this, f, n, &links);
      if (deferNormals && f->GetFlag() == kInserted)
        unflipped.push_back(f);
      if (pWindow && free && i % period == 0)
        Redraw(this, pWindow);
      // The faces of a cut are all past: no flip turns them any more.
      if (links.pending && i >= nbFace && (i - nbFace) % 2 == 1)
        LinkNextCut(&links);
    }
    if (links.pending)
      LinkOldCorners(&links);
    if (deferNormals)
      NormalsOfUnflippedFaces(unflipped, filter != 0);
  }
  SetModified(1);
  platform::Trace("End V3 subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
}

void CMesh3d::SubdivisionV3Piecewise(double sharp, double flat, CRenderView* pWindow,
                                     int splitSharpEdges)
{
  platform::Trace("Start piecewise V3 subdivision (%d faces, %d vertices)\n", NbFace(),
                  NbVertex());
  sharp = DegreesToRadians(sharp);
  flat = DegreesToRadians(flat);
  // The vertex classifiers measure |sin| between faces, not angles.
  const double sineSharp = SineOfAngle(sharp);
  const int nbFace = NbFace();
  const int nbVertex = NbVertex();
  SetVerticesFlag(0);
  SetFacesFlag(0);
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = GetFace(i);
    if (!f->HasNullVertex() && f->GetMaxAngleAroundVertices() > flat)
      f->SetFlag(kSelected);
  }
  InsertCentres(this, nbVertex, nbFace, SelectFaces(this, false));
  Redraw(this, pWindow);

  const auto rule = [sharp, sineSharp](const CVertex3d* v, int n, float* pOut) {
    CArray3d<CVertex3d> ends;
    const int k = v->GetSharpEdgeVertices(&ends, sineSharp);
    const bool smooth = v->GetMaxAngleAround() < sharp || k == 2;
    if (!smooth)
      return;
    if (k == 2) {
      for (int axis = 0; axis < 3; axis++)
        pOut[axis] = (6.0f * pOut[axis] + ends[0]->Get(axis) + ends[1]->Get(axis)) / 8.0f;
      return;
    }
    if (IsFilteredValence(n))
      WeightedRule(v, n, kAlpha[n - 3], pOut);
  };
  FilterVertices(this, nbVertex, false, rule);
  Redraw(this, pWindow);

  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    CFace3d* n = f->GetFlag() == kInserted ? FlipPartner(f) : nullptr;
    if (n && !IsSharpOldEdge(f, n, sharp))
      FlipEdge(this, f, n);
  }
  Redraw(this, pWindow);

  if (splitSharpEdges) {
    const int nbNow = NbFace();
    for (int i = 0; i < nbNow; i++) {
      CFace3d* f = GetFace(i);
      CFace3d* n = f->GetFlag() == kInserted ? FlipPartner(f) : nullptr;
      if (n && IsSharpOldEdge(f, n, sharp))
        SplitSharpEdge(this, f, n, sineSharp);
    }
    Redraw(this, pWindow);
  }
  SetModified(1);
  platform::Trace("End piecewise V3 subdivision (%d faces, %d vertices)\n", NbFace(), NbVertex());
}
