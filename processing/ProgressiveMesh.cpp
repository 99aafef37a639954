#include "mesh/Face3d.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "mesh/Prefetch.h"
#include "mesh/Vector3d.h"
#include "platform/core/Redraw.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/EdgeCandidateVeto.h"
#include "processing/NearestFaceSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

// A face's normal as CFace3d::CalculateNormal leaves it, with its square norm and norm.
struct SNormal
{
  const CVector3d* pNormal = nullptr;
  double square = 0.0;
  double norm = 0.0;
};

// CVertex3d::Classify with each face read once and each normal computed once instead of once
// per pair the face is in: the same boundary test, the same normals (normalOf(face) gives the
// normal that CalculateNormal leaves in the face) and the arithmetic of AbsSinusFaces, so the
// same class and the same normals left in the faces.
template <class NormalOf>
int ClassifyOnce(const CVertex3d* v, double threshold, NormalOf normalOf)
{
  constexpr int kMostFaces = 24;
  const int n = v->NbFaceNeighbor();
  if (n > kMostFaces)
    return v->Classify(threshold);
  std::array<CFace3d*, kMostFaces> faces;  // read only where written
  std::array<std::array<const CFace3d*, 3>, kMostFaces> links;
  for (int i = 0; i < n; i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    auto& link = links[static_cast<size_t>(i)];
    faces[static_cast<size_t>(i)] = f;
    link = {f->f(0), f->f(1), f->f(2)};
    // CVertex3d::IsOnBoundary: a face around v without a neighbour across one of v's edges.
    const int k = f->v(0) == v ? 0 : f->v(1) == v ? 1 : f->v(2) == v ? 2 : -1;
    if (k >= 0 && (!link[static_cast<size_t>(k)] || !link[static_cast<size_t>((k + 2) % 3)]))
      return 3;
  }
  if (n == 0)
    return 0;
  if (n == 1)
    return 2;
  std::array<SNormal, kMostFaces> normals;  // read only where written
  std::array<bool, kMostFaces> known{};
  const auto normalAt = [&](int i) -> const SNormal& {
    SNormal& m = normals[static_cast<size_t>(i)];
    if (!known[static_cast<size_t>(i)]) {
      m = normalOf(faces[static_cast<size_t>(i)]);
      known[static_cast<size_t>(i)] = true;
    }
    return m;
  };
  // AbsSinusFaces, CVector3d::GetNorm being the root of the square norm.
  const auto absSinus = [](const SNormal& a, const SNormal& b) {
    if (a.square == 0.0 || b.square == 0.0)
      return 0.0;
    const double product = a.norm * b.norm;
    if (product == 0.0)
      return 0.0;
    return (*a.pNormal ^ *b.pNormal).GetNorm() / product;
  };
  int sharp = 0;
  for (int i = 0; i < n; i++) {
    const auto& link = links[static_cast<size_t>(i)];
    for (int j = i + 1; j < n; j++) {
      const CFace3d* g = faces[static_cast<size_t>(j)];
      if (g != link[0] && g != link[1] && g != link[2])
        continue;
      // Both normals are computed before either is read, as AbsSinusFaces does.
      const SNormal& a = normalAt(i);
      const SNormal& b = normalAt(j);
      sharp += absSinus(a, b) >= threshold ? 1 : 0;
    }
  }
  return sharp;
}

// A new candidate for two faces that have just become neighbours, left marked: the Update
// that follows the collapse takes it up once, from the one-ring as the collapse leaves it.
void AddCandidate(CArrayEdgeCollapse* pArray, CFace3d* f, CFace3d* g)
{
  if (!f || !g || !f->SharesEdge(g))
    return;
  pArray->Emplace(f, g, pArray->GetKeep(), CEdgeCollapse::ERing::Later);
}

// What the vetoes keep per vertex across collapses, in a table that holds every vertex from
// the start (the run makes none), so that a lookup never allocates: open addressing on the
// address, with room for twice the vertices.
// - The sharpness class the vetoes asked for. A class reads the vertex's faces, their links and
//   the positions of their corners; a collapse changes these only around the survivor and its
//   neighbours, whose classes it forgets.
// - The slots of the candidates refused while the vertex was one of their ends: a collapse
//   hands back only refused candidates with an end at the survivor or a neighbour, so these
//   lists find them without walking every face around.
// And per face, whether CFace3d::CalculateNormal has run on it, in the face's flag (kNormalKnown;
// the faces start the run at 0, and a collapse flags the two it removes 1): a normal depends on
// the corners only, and the corners of a face change only in a collapse, after which the normals
// around the survivor are computed again (Renormal). So the classes read the normals kept, in
// the faces themselves, and EndRun sets the flags back to 0.
class CVertexRecords
{
public:
  static constexpr int kNormalKnown = 2;

  explicit CVertexRecords(const CMesh3d& mesh)
  {
    std::size_t size = 16;
    while (size < 2 * static_cast<std::size_t>(mesh.NbVertex()))
      size *= 2;
    m_Slots.resize(size);
    m_Mask = size - 1;
    for (int i = 0; i < mesh.NbVertex(); i++)
      Find(mesh.GetVertex(i))->pVertex = mesh.GetVertex(i);
  }

  // The face's normal, computed if it was not since the start.
  static SNormal NormalOf(CFace3d* f)
  {
    if (f->GetFlag() != kNormalKnown) {
      f->CalculateNormal();
      f->SetFlag(kNormalKnown);
    }
    SNormal normal;
    normal.pNormal = f->GetNormal();
    normal.square = normal.pNormal->GetSquareNorm();
    normal.norm = std::sqrt(normal.square);
    return normal;
  }

  // Computes the face's normal again, its corners having changed.
  static void Renormal(CFace3d* f)
  {
    f->CalculateNormal();
    f->SetFlag(kNormalKnown);
  }

  // The faces' flags as the run found them.
  static void EndRun(CMesh3d* pMesh)
  {
    for (int i = 0; i < pMesh->NbFace(); i++)
      if (pMesh->GetFace(i)->GetFlag() == kNormalKnown)
        pMesh->GetFace(i)->SetFlag(0);
  }

  // The class of the vertex; kUnknown when it was never asked for or was forgotten since.
  int Known(const CVertex3d* v) const { return FindConst(v)->cls; }

  int Get(const CVertex3d* v, float threshold)
  {
    SSlot* slot = Find(v);
    const auto normalOf = [](CFace3d* f) { return NormalOf(f); };
    if (slot->pVertex != v)
      return ClassifyOnce(v, threshold, normalOf);  // not a vertex of the mesh at the start
    if (slot->cls == kUnknown)
      slot->cls = ClassifyOnce(v, threshold, normalOf);
    return slot->cls;
  }

  // Starts loading the line where the vertex's record lies, most often its home.
  void Prefetch(const CVertex3d* v) const { PrefetchLine(&m_Slots[Home(v)]); }

  void Forget(const CVertex3d* v)
  {
    SSlot* slot = Find(v);
    if (slot->pVertex == v)
      slot->cls = kUnknown;
  }

  // Notes the slot of a refused candidate at the vertex; false for a vertex not in the table.
  bool NoteRefused(const CVertex3d* v, int slot)
  {
    SSlot* record = Find(v);
    if (record->pVertex != v)
      return false;
    if (record->refused < 0) {
      record->refused = static_cast<int>(m_Refused.size());
      // Room for the refusals a vertex gathers between two visits, rather than growths.
      m_Refused.emplace_back().reserve(8);
    }
    // A slot refused again before a hand-back visited the vertex is listed already: a second
    // entry would only be judged the same way again.
    std::vector<int>& slots = m_Refused[static_cast<std::size_t>(record->refused)];
    if (std::find(slots.begin(), slots.end(), slot) == slots.end())
      slots.push_back(slot);
    return true;
  }

  // Whether the vertex is in the table (a vertex of the mesh at the start).
  bool Holds(const CVertex3d* v) const { return FindConst(v)->pVertex == v; }

  // The slots noted at the vertex; null when none ever was.
  std::vector<int>* RefusedAt(const CVertex3d* v)
  {
    const SSlot* record = Find(v);
    if (record->pVertex != v || record->refused < 0)
      return nullptr;
    return &m_Refused[static_cast<std::size_t>(record->refused)];
  }

  void ForgetAround(const CVertex3d* pSurvivor)
  {
    Forget(pSurvivor);
    for (int k = 0; k < pSurvivor->NbVertexNeighbor(); k++)
      Forget(pSurvivor->GetVertexNeighbor(k));
  }

  static constexpr int kUnknown = -1;

private:
  struct SSlot
  {
    const CVertex3d* pVertex = nullptr;
    int cls = kUnknown;
    int refused = -1;  // the index of the vertex's list in m_Refused
  };

  std::size_t Home(const CVertex3d* v) const
  {
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(v));
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & m_Mask;
  }

  // The vertex's slot, or the empty one where it would go.
  SSlot* Find(const CVertex3d* v)
  {
    std::size_t i = Home(v);
    while (m_Slots[i].pVertex && m_Slots[i].pVertex != v)
      i = (i + 1) & m_Mask;
    return &m_Slots[i];
  }
  const SSlot* FindConst(const CVertex3d* v) const
  {
    return const_cast<CVertexRecords*>(this)->Find(v);
  }

  std::vector<SSlot> m_Slots;
  std::size_t m_Mask = 0;
  std::vector<std::vector<int>> m_Refused;
};

// The collapse edits the faces around both ends and the lists of the ends' neighbours; then
// the normals, the candidates on those faces and the records of those vertices are read. All
// of it is asked for before the mesh is edited, so that the misses overlap one another.
void PrefetchNeighbourhood(const CEdgeCollapse* c, const CArrayEdgeCollapse& candidates,
                           const CVertexRecords& records)
{
  for (const CVertex3d* end : {c->GetVertex1(), c->GetVertex2()}) {
    for (int i = 0; i < end->NbFaceNeighbor(); i++) {
      const CFace3d* f = end->GetFaceNeighbor(i);
      PrefetchWhole(f);
      candidates.PrefetchFace(f);
    }
    for (int k = 0; k < end->NbVertexNeighbor(); k++) {
      const CVertex3d* u = end->GetVertexNeighbor(k);
      PrefetchWhole(u);
      records.Prefetch(u);
    }
  }
}

// Whether the classes already known refuse the candidate whatever the rest of the veto says:
// an end of a class other than 0 and 2 (one sharp edge, three or more, the boundary) is never
// part of a crease.
bool KnownSharp(const CEdgeCollapse* c, const CVertexRecords& classes)
{
  const int cs = classes.Known(c->GetVertex1());
  const int ct = classes.Known(c->GetVertex2());
  const auto refuses = [](int cls) { return cls >= 1 && cls != 2; };
  if (refuses(cs) || refuses(ct))
    return true;
  return cs != CVertexRecords::kUnknown && ct != CVertexRecords::kUnknown && (cs >= 1 || ct >= 1) &&
         !(cs == 2 && ct == 2);
}

// A collapse at the survivor changes the faces, normals and one-rings of the survivor and of
// its neighbours, hence every veto that reads them: the refused candidates with an end among
// those vertices are tried again. The others read none of that (their ends' faces, links,
// normals and neighbours are as they were) and would only be refused again. A vertex's list
// drops the candidates that no longer wait with that end.
//
// Most of these are refused again for the sharpness of an end, and the classes are asked for
// here (kept for the vetoes that follow): a candidate whose classes refuse it stays aside,
// listed at both ends, instead of going through the heap to be refused when it comes up. Only
// a collapse around an end forgets a class, and that collapse visits the end's list again; a
// candidate that changes leaves the waiting list through its new cost.
void UnblockAround(CArrayEdgeCollapse* pArray, const CVertex3d* pSurvivor,
                   CVertexRecords* pRecords, float threshold)
{
  const auto isNear = [pSurvivor](const CVertex3d* v) {
    return v == pSurvivor || pSurvivor->IsNeighbor(v);
  };
  const auto isAffected = [&isNear](const CEdgeCollapse* c) {
    return isNear(c->GetVertex1()) || isNear(c->GetVertex2());
  };
  const auto visit = [&](const CVertex3d* v) {
    std::vector<int>* pSlots = pRecords->RefusedAt(v);
    if (!pSlots)
      return;
    std::erase_if(*pSlots, [&](int slot) {
      if (!pArray->IsBlockedAt(slot))
        return true;
      const CEdgeCollapse* c = pArray->AtSlot(slot);
      if (c->GetVertex1() != v && c->GetVertex2() != v)
        return true;
      if (!c->IsValid())
        return false;
      const int cs = pRecords->Get(c->GetVertex1(), threshold);
      const int ct = pRecords->Get(c->GetVertex2(), threshold);
      if ((cs >= 1 || ct >= 1) && !(cs == 2 && ct == 2))
        return false;
      return pArray->UnblockAt(slot, isAffected) == 1;
    });
  };
  visit(pSurvivor);
  for (int k = 0; k < pSurvivor->NbVertexNeighbor(); k++)
    visit(pSurvivor->GetVertexNeighbor(k));
}

// The same through the candidates listed on the faces around those vertices.
void UnblockAroundByFaces(CArrayEdgeCollapse* pArray, const CVertex3d* pSurvivor)
{
  for (int i = 0; i < pSurvivor->NbFaceNeighbor(); i++)
    pArray->UnblockOnFace(pSurvivor->GetFaceNeighbor(i));
  const auto isNear = [pSurvivor](const CVertex3d* v) {
    return v == pSurvivor || pSurvivor->IsNeighbor(v);
  };
  const auto isAffected = [&isNear](const CEdgeCollapse* c) {
    return isNear(c->GetVertex1()) || isNear(c->GetVertex2());
  };
  for (int k = 0; k < pSurvivor->NbVertexNeighbor(); k++) {
    const CVertex3d* v = pSurvivor->GetVertexNeighbor(k);
    for (int i = 0; i < v->NbFaceNeighbor(); i++)
      pArray->UnblockOnFace(v->GetFaceNeighbor(i), isAffected);
  }
}

// Whether CMesh3d::EdgeCandidateVeto refuses the candidate, with the classes from the cache;
// *pCrease gets its crease answer when it does not.
bool IsRefused(const CEdgeCollapse* c, float threshold, CVertexRecords* pCache, bool* pCrease)
{
  if (!c->GetVertex1() || !c->GetVertex2())
    return true;
  if (KnownSharp(c, *pCache))
    return true;
  const auto classOf = [pCache, threshold](const CVertex3d* v) {
    return pCache->Get(v, threshold);
  };
  const auto linked = [](const CVertex3d* vs, const CVertex3d* vt) {
    int common = 0;
    for (int i = 0; i < vs->NbVertexNeighbor(); i++)
      common += vt->IsNeighbor(vs->GetVertexNeighbor(i));
    return common <= 2;
  };
  // A class is kept only while the vertex's faces and links stay as they were, and these decide
  // the boundary too: a known class other than 3 says the vertex is not on it.
  const auto onBoundary = [pCache](const CVertex3d* v) {
    const int cls = pCache->Known(v);
    if (cls == 0 || cls == 1 || cls == 2)
      return false;
    return v->IsOnBoundary() != 0;
  };
  return EdgeCandidateVetoWith(c, threshold, classOf, linked, onBoundary, pCrease) !=
         CEdgeCollapse::VetoNone;
}

// The veto that refuses most of the candidates left; VetoNone when none is left.
int MainVeto(const CArrayEdgeCollapse& candidates, float sharpThreshold)
{
  std::array<int, CEdgeCollapse::VetoLink + 1> count{};
  for (int i = 0; i < candidates.GetSize(); i++)
    count[CMesh3d::EdgeCandidateVeto(candidates.GetAt(i), sharpThreshold)]++;
  int veto = CEdgeCollapse::VetoNone;
  for (int v = CEdgeCollapse::VetoFaces; v <= CEdgeCollapse::VetoLink; v++)
    if (count[v] > count[veto])
      veto = v;
  return veto;
}

} // namespace

int CMesh3d::ProgressiveMesh(int finalVertices, double step, double epsilon, double weight,
                             int maxIterations, float factorKept, float factorRaised,
                             float minStep, float maxStep, float sharpThreshold, int hashSize,
                             CRenderView* pWindow, int update, int period, int* pStopVeto)
{
  if (pStopVeto)
    *pStopVeto = CEdgeCollapse::VetoNone;
  if (NbVertex() < 6 || NbFace() < 3 || finalVertices >= NbVertex())
    return 0;
  if (period < 1)
    period = 1;
  // Flag 1 marks the faces a collapse removes; a caller's flags must not delete faces.
  SetFacesFlag(0);

  // The reference keeps the starting shape while this mesh thins out.
  CMesh3d reference;
  reference.Copy(this);
  reference.BuildAdjacency();
  reference.ComputeFaceNormals();
  auto pHash = std::make_unique<CHashTable>(hashSize > 0 ? hashSize : 1);
  pHash->Fill(&reference, pWindow);
  CNearestFaceSearch search(pHash.get());

  // The L2 descents read the coordinates of the optimal vertex's neighbours, nothing else.
  CArrayEdgeCollapse candidates;
  candidates.SetKeep(CEdgeCollapse::EKeep::Coordinates);
  candidates.SetDeferL2(1);
  candidates.Fill(this, step, epsilon, weight, maxIterations, factorKept, factorRaised, minStep,
                  maxStep, sharpThreshold);
  candidates.CalculateEnergy(&search);

  // A refused candidate waits aside instead of being dropped: a later collapse nearby may
  // lift its veto (a vertex that flattens, a pinch that opens), and then it is tried again.
  // Most costs are never looked at: a candidate's neighbourhood changes again before it comes
  // near the top. So a cost stays a floor until the candidate comes first, and is settled
  // then. After a settling, the search goes on only among candidates strictly cheaper than
  // every cost it settled (the settled ones wait aside until the next search); at the first
  // other one it stops and runs again with those costs.
  double settledLeast = 0.0;
  bool again = false;
  CVertexRecords classes(*this);
  // A refused candidate with an end the records do not hold is found through the faces.
  bool unlisted = false;
  // The crease answer of the last candidate that the veto let go: the one collapsed.
  bool crease = false;
  const auto isCollapsible = [&](CEdgeCollapse* c) {
    if (!(c->GetCost() < settledLeast)) {
      again = true;
      return true;
    }
    // A veto reads no cost: a refused candidate waits aside unsettled.
    if (IsRefused(c, sharpThreshold, &classes, &crease)) {
      for (const CVertex3d* v : {c->GetVertex1(), c->GetVertex2()})
        if (v && !classes.NoteRefused(v, c->GetSlot()))
          unlisted = true;
      return false;
    }
    if (c->IsPendingL2()) {
      candidates.SettleL2(c, &search);
      settledLeast = std::min(settledLeast, c->GetCost());
      return false;
    }
    return true;
  };
  // A candidate that the known classes refuse as it enters the search is noted and set aside
  // there: until a collapse around an end forgets a class (and hands back what the new class
  // lets go) or the candidate changes, it would be refused whenever it came up, and the others
  // come up in the same order without it.
  const auto isKnownRefused = [&](const CEdgeCollapse* c) {
    const CVertex3d* v1 = c->GetVertex1();
    const CVertex3d* v2 = c->GetVertex2();
    if (!v1 || !v2 || !classes.Holds(v1) || !classes.Holds(v2) || !KnownSharp(c, classes))
      return false;
    classes.NoteRefused(v1, c->GetSlot());
    classes.NoteRefused(v2, c->GetSlot());
    return true;
  };
  const auto nextCollapse = [&] {
    CEdgeCollapse* pMin = nullptr;
    do {
      settledLeast = std::numeric_limits<double>::infinity();
      again = false;
      pMin = candidates.GetMin(isCollapsible, isKnownRefused);
      // A search that ran out after settling costs left those candidates aside.
      again = again || (!pMin && settledLeast != std::numeric_limits<double>::infinity());
    } while (again);
    return pMin;
  };
  int collapses = 0;
  CArray3d<CFace3d> faces;
  const bool oneSided = HasOneSidedLinks() != 0;
  BeginDeferredDeletion();
  while (NbLiveVertex() > finalVertices) {
    CEdgeCollapse* pMin = nextCollapse();
    if (!pMin)
      break;
    PrefetchNeighbourhood(pMin, candidates, classes);
    CFace3d* fa = pMin->GetFace(0);
    CFace3d* fb = pMin->GetFace(1);
    // Emptied with its storage kept: it takes four faces per collapse.
    faces.RemoveAt(0, faces.GetSize());
    const int done = CollapseVettedCandidate(pMin, &faces, crease, oneSided);
    // The candidate survives only through its vertex; pMin is deleted from here on.
    CVertex3d* pSurvivor = pMin->GetVertex1();
    const CVertex3d* pGone = pMin->GetVertex2();
    // Their lists were asked for before the collapse: the candidates they hold, marked below,
    // are asked for now.
    if (done)
      for (int i = 0; i < pSurvivor->NbFaceNeighbor(); i++)
        candidates.PrefetchCandidatesOn(pSurvivor->GetFaceNeighbor(i));
    candidates.RemoveFaces(fa, fb);
    if (!done)
      continue;
    if (faces.GetSize() >= 2)
      AddCandidate(&candidates, faces[0], faces[1]);
    if (faces.GetSize() >= 4)
      AddCandidate(&candidates, faces[2], faces[3]);
    // The collapse flagged its two faces, the only ones of flag 1.
    DeleteFace(fa);
    DeleteFace(fb);
    for (int i = 0; i < pSurvivor->NbFaceNeighbor(); i++) {
      CFace3d* f = pSurvivor->GetFaceNeighbor(i);
      classes.Renormal(f);
      candidates.SetComputedOnFace(f, 1);
    }
    classes.Forget(pGone);
    classes.ForgetAround(pSurvivor);
    candidates.Update(&search, nullptr);
    if (unlisted)
      UnblockAroundByFaces(&candidates, pSurvivor);
    else
      UnblockAround(&candidates, pSurvivor, &classes, sharpThreshold);
    if (pWindow && update && collapses % period == 0) {
      FlushDeferredDeletion();
      SetModified(1);
      platform::RedrawView(pWindow);
    }
    collapses++;
  }
  EndDeferredDeletion();
  CVertexRecords::EndRun(this);
  if (pStopVeto && NbLiveVertex() > finalVertices)
    *pStopVeto = MainVeto(candidates, sharpThreshold);
  return 1;
}
