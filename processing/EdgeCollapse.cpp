#include "processing/EdgeCollapse.h"

#include "processing/ShortScratch.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/SharedEdge.h"
#include "processing/NearestFaceSearch.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {
// What the nearest-face searches give when there is nothing to find.
constexpr double kFar = 1.7e308;

void SetMidpoint(CVertex3d* p, const CVertex3d* a, const CVertex3d* b)
{
  p->Set(static_cast<float>((static_cast<double>(a->x()) + b->x()) / 2.0),
         static_cast<float>((static_cast<double>(a->y()) + b->y()) / 2.0),
         static_cast<float>((static_cast<double>(a->z()) + b->z()) / 2.0));
}
// SquareDistance from the point before a move to the vertex after it.
double MovedSquare(const float before[3], const CVertex3d* p)
{
  const double dx = static_cast<double>(before[0] - p->x());
  const double dy = static_cast<double>(before[1] - p->y());
  const double dz = static_cast<double>(before[2] - p->z());
  return dx * dx + dy * dy + dz * dz;
}
} // namespace

CEdgeCollapse::CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, bool faceCopies)
  : CEdgeCollapse(pFace1, pFace2, faceCopies ? EKeep::Copies : EKeep::List)
{
}

CEdgeCollapse::CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, EKeep keep)
  : m_Cost(1e6), m_pFace1(pFace1), m_pFace2(pFace2), m_Valid(0), m_Keep(keep)
{
  if (pFace1 && pFace2 && pFace1->IsValid() && pFace2->IsValid() && FindVerticesToCollapse())
    m_Valid = BuildArrayNeighbor();
}

CEdgeCollapse::CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, bool faceCopies, ERing ring)
  : CEdgeCollapse(pFace1, pFace2, faceCopies ? EKeep::Copies : EKeep::List, ring)
{
}

CEdgeCollapse::CEdgeCollapse(CFace3d* pFace1, CFace3d* pFace2, EKeep keep, ERing /*ring*/)
  : m_Cost(1e6), m_pFace1(pFace1), m_pFace2(pFace2), m_Valid(0), m_Keep(keep)
{
  // Valid exactly when the building constructor would be: BuildArrayNeighbor fails only
  // without both vertices.
  if (pFace1 && pFace2 && pFace1->IsValid() && pFace2->IsValid() && FindVerticesToCollapse())
    m_Valid = m_pVertex1 && m_pVertex2 ? 1 : 0;
  m_Mark = m_Valid;
}

int CEdgeCollapse::FindVerticesToCollapse()
{
  m_pVertex1 = m_pVertex2 = nullptr;
  if (!m_pFace1 || !m_pFace2)
    return 0;
  // CFace3d::GetSharedEdge, with each face's corners read once: two corners of face 1 found
  // in face 2, then the edge that holds them.
  CVertex3d* const mine[3] = {m_pFace1->v(0), m_pFace1->v(1), m_pFace1->v(2)};
  const CVertex3d* const other[3] = {m_pFace2->v(0), m_pFace2->v(1), m_pFace2->v(2)};
  int shared = 0;
  for (const CVertex3d* v : mine)
    shared += v == other[0] || v == other[1] || v == other[2] ? 1 : 0;
  int i = 0;
  int j = 0;
  if (shared != 2 || !SharedEdgeOfCorners<CVertex3d>(mine, other, &i, &j))
    return 0;
  m_pVertex1 = mine[i];
  m_pVertex2 = mine[(i + 1) % 3];
  return 1;
}

int CEdgeCollapse::BuildArrayNeighbor()
{
  if (!m_pVertex1 || !m_pVertex2)
    return 0;
  // The ends' neighbours but the ends, each once, vertex 1's first. They are gathered as
  // plain pointers and the list written once, in its own coding.
  const int n1 = m_pVertex1->NbVertexNeighbor();
  const int n2 = m_pVertex2->NbVertexNeighbor();
  const int most = n1 + n2;
  CShortScratch<CVertex3d*> scratch(most);
  CVertex3d** written = scratch.Data();
  int n = 0;
  // One bit per address hashed into a word: a vertex whose bit is not set yet is not written,
  // and only the others are looked for (the ends share few neighbours).
  std::uint64_t seen = 0;
  const auto add = [&](CVertex3d* v, const CVertex3d* pOtherEnd) {
    if (v == pOtherEnd || v == &m_OptimalVertex)
      return;
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(v));
    const std::uint64_t bit = std::uint64_t{1} << ((bits * 0x9E3779B97F4A7C15ull) >> 58);
    if (seen & bit) {
      for (int i = 0; i < n; i++)
        if (written[i] == v)
          return;
    }
    seen |= bit;
    written[n++] = v;
  };
  for (int i = 0; i < n1; i++)
    add(m_pVertex1->GetVertexNeighbor(i), m_pVertex2);
  for (int i = 0; i < n2; i++)
    add(m_pVertex2->GetVertexNeighbor(i), m_pVertex1);
  if (m_Keep == EKeep::Coordinates)
    WriteRing(written, n);
  else
    m_OptimalVertex.GetArrayVertexNeighbor()->Assign(n, [written](int i) { return written[i]; });
  // A candidate that keeps coordinates never makes face copies: its optimal vertex, lines of
  // the candidate that a preparation does not read otherwise, is left alone.
  if (m_Keep == EKeep::Coordinates) {
    m_pPendingL1.reset();
    return 1;
  }
  FreeArrayNeighbor();
  if (m_Keep != EKeep::Copies)
    return 1;
  AddFaceCopies(m_pVertex1);
  AddFaceCopies(m_pVertex2);
  return 1;
}

void CEdgeCollapse::WriteRing(CVertex3d* const* ring, int n)
{
  // Rings grow as the mesh coarsens: room for sixteen neighbours spares most regrowths.
  constexpr std::size_t kRoom = 3 * 16;
  const std::size_t size = 3 * static_cast<std::size_t>(n);
  if (size > m_KeptRing.capacity())
    m_KeptRing.reserve(std::max(size, kRoom));
  m_KeptRing.resize(size);
  float* pOut = m_KeptRing.data();
  for (int i = 0; i < n; i++, pOut += 3) {
    pOut[0] = ring[i]->x();
    pOut[1] = ring[i]->y();
    pOut[2] = ring[i]->z();
  }
}

void CEdgeCollapse::AddFaceCopies(CVertex3d* pEnd)
{
  for (int i = 0; i < pEnd->NbFaceNeighbor(); i++) {
    const CFace3d* f = pEnd->GetFaceNeighbor(i);
    if (HasFace(f))
      continue;
    // Corners only: a copy names no neighbour, so that it stands alone as a valid face.
    auto* pCopy = new CFace3d(f->v(0), f->v(1), f->v(2));
    pCopy->UpdateVertex(pEnd, &m_OptimalVertex);
    m_OptimalVertex.AddFaceNeighbor(pCopy);
  }
}

void CEdgeCollapse::FreeArrayNeighbor()
{
  m_pPendingL1.reset();
  m_OptimalVertex.GetArrayFaceNeighbor()->DeleteAll();
}

namespace {
// The neighbours' coordinates, x y z after one another: they stay put through the three
// descents of a cost, which read them on every step.
void ReadRing(const CVertex3d* o, std::vector<float>* pRing)
{
  // Sized at once: grown three floats at a time, a candidate's first reading reallocated
  // several times over.
  const int n = o->NbVertexNeighbor();
  pRing->resize(3 * static_cast<std::size_t>(n));
  float* pOut = pRing->data();
  for (int i = 0; i < n; i++, pOut += 3) {
    const CVertex3d* v = o->GetVertexNeighbor(i);
    pOut[0] = v->x();
    pOut[1] = v->y();
    pOut[2] = v->z();
  }
}

// The spring energy of o against the ring: weight times the sum of squared distances.
double RingEnergy(const std::vector<float>& ring, const float o[3], double weight)
{
  double sum = 0.0;
  for (size_t i = 0; i < ring.size(); i += 3) {
    const double dx = static_cast<double>(ring[i] - o[0]);
    const double dy = static_cast<double>(ring[i + 1] - o[1]);
    const double dz = static_cast<double>(ring[i + 2] - o[2]);
    sum += dx * dx + dy * dy + dz * dz;
  }
  return weight * sum;
}

// The sum over the ring of o[k] minus the neighbour's coordinate k.
double RingSpring(const std::vector<float>& ring, const float o[3], int k)
{
  double spring = 0.0;
  for (size_t i = static_cast<size_t>(k); i < ring.size(); i += 3)
    spring += o[k] - ring[i];
  return spring;
}
} // namespace

double CEdgeCollapse::Descend(CNearestFaceSearch* pSearch, const SDescent& descent,
                             const std::vector<float>& ring, int* pIterations)
{
  *pIterations = 0;
  CVertex3d* o = &m_OptimalVertex;
  float nearest[3] = {0.0f, 0.0f, 0.0f};
  CFace3d* pFace = nullptr;
  int id = -1;
  double distance = pSearch->DistanceToNearestFace(o, nearest, &pFace, &id);
  if (!pFace)
    return kFar;
  // Later searches stay among the faces around the first nearest face's corners.
  const std::vector<int>& searchSet = pSearch->FacesAroundCorners(id);
  pSearch->PrefetchFaces(searchSet);

  const double w = descent.weight;
  float position[3] = {o->x(), o->y(), o->z()};
  double energy = RingEnergy(ring, position, w) + distance;
  double step = descent.step;
  bool more = true;
  while (more) {
    double g[3];
    for (int k = 0; k < 3; k++)
      g[k] = w * RingSpring(ring, position, k) + (position[k] - nearest[k]);
    const float before[3] = {position[0], position[1], position[2]};
    for (int k = 0; k < 3; k++)
      position[k] = static_cast<float>(position[k] - step * g[k]);
    o->Set(position[0], position[1], position[2]);
    distance = pSearch->SquareDistanceToFaces(o, searchSet, nearest, &pFace);
    const double next = RingEnergy(ring, position, w) + distance;
    step *= next <= energy ? descent.factorKept : descent.factorRaised;
    if (step > descent.maxStep)
      step = descent.maxStep;
    if (step < descent.minStep)
      step = descent.minStep;
    more = MovedSquare(before, o) > descent.epsilon && *pIterations < descent.maxIterations;
    (*pIterations)++;
    energy = next;
  }
  return energy;
}

int CEdgeCollapse::CalculateCost(CHashTable* pHash, double step, double epsilon, double weight,
                                 int maxIterations, float factorKept, float factorRaised,
                                 float minStep, float maxStep)
{
  return CalculateCost(pHash, SDescent{step, epsilon, weight, maxIterations, factorKept,
                                       factorRaised, minStep, maxStep});
}

int CEdgeCollapse::CalculateCost(CHashTable* pHash, const SDescent& descent)
{
  CNearestFaceSearch search(pHash);
  return CalculateCost(&search, descent);
}

int CEdgeCollapse::CalculateCost(CNearestFaceSearch* pSearch, const SDescent& descent)
{
  if (!m_pVertex1 || !m_pVertex2)
    return 0;
  m_PendingL2 = false;
  if (m_Keep != EKeep::Coordinates)
    ReadRing(&m_OptimalVertex, &m_KeptRing);
  const float ends[6] = {m_pVertex1->x(), m_pVertex1->y(), m_pVertex1->z(),
                         m_pVertex2->x(), m_pVertex2->y(), m_pVertex2->z()};
  return CostFrom(pSearch, descent, m_KeptRing, ends);
}

int CEdgeCollapse::CostFrom(CNearestFaceSearch* pSearch, const SDescent& descent,
                            const std::vector<float>& ring, const float ends[6])
{
  int n1 = 0;
  int n2 = 0;
  int nm = 0;
  const auto half = [ends](int k) {
    return static_cast<float>((static_cast<double>(ends[k]) + ends[k + 3]) / 2.0);
  };
  const float middle[3] = {half(0), half(1), half(2)};
  // The three descents start with a lookup of their starting point's answer: asked for
  // together, the misses overlap.
  pSearch->PrefetchAnswer(ends);
  pSearch->PrefetchAnswer(ends + 3);
  pSearch->PrefetchAnswer(middle);
  m_OptimalVertex.Set(ends[0], ends[1], ends[2]);
  const double e1 = Descend(pSearch, descent, ring, &n1);
  const CVertex3d a(&m_OptimalVertex);
  m_OptimalVertex.Set(ends[3], ends[4], ends[5]);
  const double e2 = Descend(pSearch, descent, ring, &n2);
  const CVertex3d b(&m_OptimalVertex);
  m_OptimalVertex.Set(middle[0], middle[1], middle[2]);
  const double em = Descend(pSearch, descent, ring, &nm);

  // The midpoint must be strictly better; between the two ends, vertex 2 wins ties.
  const bool end2 = e1 >= e2;
  const double eEnd = end2 ? e2 : e1;
  if (em >= eEnd) {
    m_OptimalVertex.Set(end2 ? &b : &a);
    SetCost(eEnd);
  } else {
    SetCost(em);
  }
  return (n1 + n2 + nm) / 3;
}

namespace {
// A floor of RingEnergy wherever the point is: the sum of squared distances to the ring is
// least at its centroid. The energies round each coordinate difference to a float, which may
// shrink a square by 1.2e-7 relatively; the floor is lowered by far more. Without a positive
// weight there is no floor.
double RingEnergyFloor(const std::vector<float>& ring, double weight)
{
  if (!(weight > 0.0))
    return -kFar;
  const size_t n = ring.size() / 3;
  if (n == 0)
    return 0.0;
  // Point after point, coordinate after coordinate: the sums add in the ring's order.
  double centre[3] = {0.0, 0.0, 0.0};
  for (size_t i = 0; i < 3 * n; i += 3)
    for (size_t k = 0; k < 3; k++)
      centre[k] += ring[i + k];
  for (double& c : centre)
    c /= static_cast<double>(n);
  double sum = 0.0;
  for (size_t i = 0; i < 3 * n; i += 3)
    for (size_t k = 0; k < 3; k++) {
      const double d = ring[i + k] - centre[k];
      sum += d * d;
    }
  return weight * sum * (1.0 - 1e-6);
}
} // namespace

int CEdgeCollapse::PrepareCostL2(double weight)
{
  if (!m_pVertex1 || !m_pVertex2)
    return 0;
  if (m_Keep != EKeep::Coordinates)
    ReadRing(&m_OptimalVertex, &m_KeptRing);
  const float ends[6] = {m_pVertex1->x(), m_pVertex1->y(), m_pVertex1->z(),
                         m_pVertex2->x(), m_pVertex2->y(), m_pVertex2->z()};
  std::copy(ends, ends + 6, m_KeptEnds);
  m_PendingL2 = true;
  SetCost(RingEnergyFloor(m_KeptRing, weight));
  return 1;
}

int CEdgeCollapse::SettleL2(CNearestFaceSearch* pSearch, const SDescent& descent)
{
  if (!m_PendingL2)
    return 0;
  m_PendingL2 = false;
  return CostFrom(pSearch, descent, m_KeptRing, m_KeptEnds);
}

int CEdgeCollapse::CalculateCostL1(CMesh3d* pReference, CHashTable* pHash, int useHash,
                                   float epsilon, int maxIterations, int samplesPerFace,
                                   float initialStep, float decreaseFactor, float minStep,
                                   float sharpThreshold, int /*facesPerSearch*/)
{
  if (m_Mark || !pReference || (useHash && !pHash))
    return 0;
  if (!PrepareCostL1(sharpThreshold))
    return 0;
  return SettleL1({pReference, pHash, useHash, epsilon, maxIterations, samplesPerFace,
                   initialStep, decreaseFactor, minStep});
}

int CEdgeCollapse::PrepareCostL1(float sharpThreshold)
{
  m_pPendingL1.reset();
  if (!FindVerticesToCollapse() || !BuildArrayNeighbor()) {
    SetValid(0);
    return 0;
  }
  // Start at the sharper end, so that a feature or boundary vertex keeps its place.
  const int class1 = m_pVertex1->Classify(sharpThreshold);
  const int class2 = m_pVertex2->Classify(sharpThreshold);
  if (class1 == class2)
    SetMidpoint(&m_OptimalVertex, m_pVertex1, m_pVertex2);
  else
    m_OptimalVertex.Set(class1 < class2 ? m_pVertex2 : m_pVertex1);
  m_pPendingL1 = KeepRing(static_cast<float>(Distance(m_pVertex1, m_pVertex2)));
  SetCost(SquareDistance(m_pVertex1, m_pVertex2));
  SetMark(1);
  return 1;
}

std::unique_ptr<CEdgeCollapse::SRingL1> CEdgeCollapse::KeepRing(float length)
{
  auto pRing = std::make_unique<SRingL1>();
  pRing->length = length;
  auto* pCopies = m_OptimalVertex.GetArrayFaceNeighbor();
  for (int i = 0; i < pCopies->GetSize(); i++)
    for (int k = 0; k < 3; k++) {
      CVertex3d* v = pCopies->GetAt(i)->v(k);
      const auto& corners = pRing->corners;
      const bool kept = std::find(corners.begin(), corners.end(), v) != corners.end();
      if (!v || v == &m_OptimalVertex || kept)
        continue;
      pRing->corners.push_back(v);
      pRing->positions.insert(pRing->positions.end(), {v->x(), v->y(), v->z()});
    }
  return pRing;
}

namespace {
// Puts the corner to[i] in place of from[i] in every face copy.
void ReplaceCorners(CNeighborList<CFace3d>* pCopies, const std::vector<CVertex3d*>& from,
                    const std::vector<CVertex3d*>& to)
{
  for (int i = 0; i < pCopies->GetSize(); i++)
    for (int k = 0; k < 3; k++) {
      CFace3d* f = pCopies->GetAt(i);
      const auto at = std::find(from.begin(), from.end(), f->v(k));
      if (at != from.end())
        f->SetVertex(k, to[static_cast<size_t>(at - from.begin())]);
    }
}
} // namespace

int CEdgeCollapse::SettleL1(const SOptimisationL1& o)
{
  if (!m_pPendingL1)
    return 0;
  const std::unique_ptr<SRingL1> pRing = std::move(m_pPendingL1);
  // The copies name stand-ins at the kept positions while the optimisation runs: the ring's
  // own vertices may have moved, or gone, since.
  const size_t n = pRing->corners.size();
  const auto standIns = std::make_unique<CVertex3d[]>(n);
  std::vector<CVertex3d*> standInPointers(n);
  for (size_t i = 0; i < n; i++) {
    standIns[i].Set(pRing->positions[3 * i], pRing->positions[3 * i + 1],
                    pRing->positions[3 * i + 2]);
    standInPointers[i] = &standIns[i];
  }
  auto* pCopies = m_OptimalVertex.GetArrayFaceNeighbor();
  ReplaceCorners(pCopies, pRing->corners, standInPointers);
  const float length = pRing->length;
  const int iterations = m_OptimalVertex.OptimizeL1(
    o.pReference, o.pHash, o.useHash, o.epsilon, o.maxIterations, o.samplesPerFace,
    length * o.initialStep, length * o.minStep, o.decreaseFactor, nullptr, 0, nullptr);
  ReplaceCorners(pCopies, standInPointers, pRing->corners);
  return iterations;
}
