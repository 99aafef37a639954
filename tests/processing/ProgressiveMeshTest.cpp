#include "DecimationFixtures.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/NearestFaceSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <utility>

using namespace fixtures;

namespace {

// Default parameters of the progressive mesh dialog.
int RunProgressive(CMesh3d& mesh, int wanted, CRenderView* pView = nullptr, int period = 1,
                   int* pStopVeto = nullptr)
{
  return mesh.ProgressiveMesh(wanted, 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f, 20,
                              pView, 1, period, pStopVeto);
}

// The vetoes of every collapse the mesh offers now, one per interior edge, from a fresh fill:
// a run that stopped above its count must have left none collapsible.
std::map<int, int> VetoesOfEveryEdge(CMesh3d& mesh)
{
  CArrayEdgeCollapse fresh;
  fresh.Fill(&mesh, 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  std::map<int, int> vetoes;
  for (int i = 0; i < fresh.GetSize(); i++)
    vetoes[CMesh3d::EdgeCandidateVeto(fresh.GetAt(i), 0.6f)]++;
  return vetoes;
}

// The run reached its count, or stopped where every collapse left is refused, and said which
// veto refuses most of them.
void ExpectReachedOrEveryCollapseVetoed(CMesh3d& mesh, int wanted, int stopVeto)
{
  if (mesh.NbVertex() == wanted) {
    EXPECT_EQ(stopVeto, CEdgeCollapse::VetoNone);
    return;
  }
  ASSERT_GT(mesh.NbVertex(), wanted);
  const std::map<int, int> vetoes = VetoesOfEveryEdge(mesh);
  EXPECT_EQ(vetoes.count(CEdgeCollapse::VetoNone), 0u) << "a legal collapse was lost";
  if (vetoes.empty())
    return;  // no edge between two fully surrounded faces is left at all
  int main = vetoes.begin()->first;
  for (const auto& [veto, n] : vetoes)
    if (n > vetoes.at(main))
      main = veto;
  EXPECT_EQ(stopVeto, main);
}

// Vertex and face neighbours by index, as sets.
using Adjacency = std::pair<std::vector<std::set<int>>, std::vector<std::set<int>>>;

Adjacency AdjacencyOf(const CMesh3d& mesh)
{
  Adjacency a;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    std::set<int> s;
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      s.insert(mesh.IndexFrom(v->GetVertexNeighbor(k)));
    a.first.push_back(s);
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    std::set<int> s;
    for (int k = 0; k < 3; k++)
      s.insert(f->f(k) ? mesh.IndexFrom(f->f(k)) : -1);
    a.second.push_back(s);
  }
  return a;
}

// Counts the repaint requests while alive.
class CRedrawCounter
{
public:
  CRedrawCounter()
  {
    m_Previous = platform::SetRedrawHook([this](CRenderView*) { m_Count++; });
  }
  ~CRedrawCounter() { platform::SetRedrawHook(std::move(m_Previous)); }
  int Count() const { return m_Count; }

private:
  platform::RedrawHook m_Previous;
  int m_Count = 0;
};

// The L2 descent written plainly with the geometry functions: the hash table for the first
// nearest face, the faces around its corners for the rest, the spring over the ring's vertices.
double PlainDescent(CVertex3d* o, const std::vector<const CVertex3d*>& ring, CHashTable* pHash,
                    const CEdgeCollapse::SDescent& d)
{
  CVertex3d nearest;
  CFace3d* pFace = nullptr;
  double distance = pHash->DistanceToNearestFace(o, &nearest, &pFace, 0);
  if (!pFace)
    return 1.7e308;
  CArray3d<CFace3d> around;
  pFace->GetFacesAroundCorners(&around);
  const auto spring = [&] {
    double sum = 0.0;
    for (const CVertex3d* v : ring)
      sum += SquareDistance(v, o);
    return d.weight * sum;
  };
  double energy = spring() + distance;
  double step = d.step;
  for (int iterations = 0;; iterations++) {
    double g[3];
    for (int k = 0; k < 3; k++) {
      double sum = 0.0;
      for (const CVertex3d* v : ring)
        sum += o->Get(k) - v->Get(k);
      g[k] = d.weight * sum + (o->Get(k) - nearest.Get(k));
    }
    const CVertex3d before(o->x(), o->y(), o->z());
    o->Set(static_cast<float>(o->x() - step * g[0]), static_cast<float>(o->y() - step * g[1]),
           static_cast<float>(o->z() - step * g[2]));
    distance = SquareDistanceFromVertexToFaces(o, &nearest, &pFace, &around);
    const double next = spring() + distance;
    step = std::clamp(step * (next <= energy ? d.factorKept : d.factorRaised),
                      static_cast<double>(d.minStep), static_cast<double>(d.maxStep));
    energy = next;
    if (!(SquareDistance(&before, o) > d.epsilon && iterations < d.maxIterations))
      return energy;
  }
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

TEST(ProgressiveMesh, RefusesSmallMeshesAndCountsNotBelowTheVertexCount)
{
  auto tetra = Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                     {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
  EXPECT_EQ(0, RunProgressive(*tetra, 2));
  EXPECT_EQ(4, tetra->NbVertex());

  auto sphere = Icosphere(1);
  const auto corners = Corners(*sphere);
  EXPECT_EQ(0, RunProgressive(*sphere, sphere->NbVertex()));
  EXPECT_EQ(0, RunProgressive(*sphere, sphere->NbVertex() + 3));
  EXPECT_EQ(corners, Corners(*sphere));
}

TEST(ProgressiveMesh, ClosedMeshesReachTheCountAndKeepTheirTopology)
{
  struct Case
  {
    std::unique_ptr<CMesh3d> mesh;
    int wanted;
  };
  Case cases[] = {{Icosphere(2), 60}, {Torus(20), 200}};
  for (auto& c : cases) {
    Perturb(*c.mesh, 0.01f);
    const int euler = EulerCharacteristic(*c.mesh);
    ASSERT_EQ(1, RunProgressive(*c.mesh, c.wanted));
    EXPECT_EQ(c.wanted, c.mesh->NbVertex());
    EXPECT_EQ(c.wanted, CountUsedVertices(*c.mesh));
    EXPECT_EQ(euler, EulerCharacteristic(*c.mesh));
    EXPECT_TRUE(IsClosedAndOriented(*c.mesh));
    EXPECT_TRUE(IsOrientedManifold(*c.mesh));
    ExpectVertexNeighborsMatchFaces(*c.mesh);
    const Adjacency kept = AdjacencyOf(*c.mesh);
    c.mesh->BuildAdjacency();
    EXPECT_EQ(kept, AdjacencyOf(*c.mesh));
  }
}

TEST(ProgressiveMesh, SharpOctahedronRunsButKeepsItsCorners)
{
  // Six vertices: the smallest mesh the run accepts. Every corner is sharp, so every
  // collapse is refused and dropped, and the run ends above the count with success.
  auto mesh = Build({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
                    {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                     {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
  ASSERT_EQ(1, RunProgressive(*mesh, 3));
  EXPECT_EQ(6, mesh->NbVertex());
  EXPECT_EQ(8, mesh->NbFace());
  EXPECT_TRUE(IsOrientedManifold(*mesh));
  ExpectVertexNeighborsMatchFaces(*mesh);
}

TEST(ProgressiveMesh, OpenMeshNeverMovesItsBoundary)
{
  auto mesh = WavyGrid(6, 0.03f);
  const std::vector<Position> boundary = BoundaryPositions(*mesh);
  ASSERT_EQ(1, RunProgressive(*mesh, 5));
  // Only interior vertices may go: the run stops above the wanted count.
  EXPECT_GE(mesh->NbVertex(), static_cast<int>(boundary.size()));
  EXPECT_EQ(1, EulerCharacteristic(*mesh));
  EXPECT_TRUE(IsOrientedManifold(*mesh));
  for (const Position& p : boundary)
    EXPECT_NE(nullptr, VertexAt(*mesh, p)) << p[0] << " " << p[2];
}

TEST(ProgressiveMesh, RepaintsEveryPeriodOfSuccessfulCollapses)
{
  CRedrawCounter counter;
  auto every = Icosphere(2);
  const int collapses = every->NbVertex() - 70;
  ASSERT_EQ(1, RunProgressive(*every, 70, FakeView(), 1));
  EXPECT_EQ(collapses, counter.Count());

  CRedrawCounter fifth;
  auto sparse = Icosphere(2);
  ASSERT_EQ(1, RunProgressive(*sparse, 70, FakeView(), 5));
  EXPECT_EQ((collapses + 4) / 5, fifth.Count());

  CRedrawCounter none;
  auto quiet = Icosphere(2);
  ASSERT_EQ(1, RunProgressive(*quiet, 70, nullptr, 1));
  EXPECT_EQ(0, none.Count());
}

TEST(ProgressiveMesh, CallerFaceFlagsDoNotDeleteFaces)
{
  auto mesh = Icosphere(2);
  mesh->SetFacesFlag(1);
  const int euler = EulerCharacteristic(*mesh);
  ASSERT_EQ(1, RunProgressive(*mesh, 80));
  EXPECT_EQ(80, mesh->NbVertex());
  EXPECT_EQ(euler, EulerCharacteristic(*mesh));
  EXPECT_TRUE(IsClosedAndOriented(*mesh));
}

// Whatever flags the caller left, and whatever normals, the run reads no normal it did not
// compute, and every face it leaves has flag 0.
TEST(ProgressiveMesh, FacesLeaveWithFlagZeroWhateverFlagsTheyCameWith)
{
  const auto make = [] {
    auto mesh = Torus(16);
    Perturb(*mesh, 0.03f);
    return mesh;
  };
  auto reference = make();
  ASSERT_EQ(1, RunProgressive(*reference, 60));
  for (const int flag : {1, 2, 3}) {
    auto mesh = make();
    for (int i = 0; i < mesh->NbFace(); i++) {
      mesh->GetFace(i)->SetFlag(i % 2 ? flag : 0);
      mesh->GetFace(i)->GetNormal()->Set(0.0f, i % 3 ? 1.0f : 0.0f, 0.0f);
    }
    ASSERT_EQ(1, RunProgressive(*mesh, 60));
    EXPECT_EQ(Corners(*mesh), Corners(*reference)) << flag;
    EXPECT_EQ(Positions(*mesh), Positions(*reference)) << flag;
    int flagged = 0;
    for (int i = 0; i < mesh->NbFace(); i++)
      flagged += mesh->GetFace(i)->GetFlag() != 0 ? 1 : 0;
    EXPECT_EQ(flagged, 0) << flag;
  }
}

// Recorded meshes on which the run used to stop far above its count: a refused collapse took
// every other candidate on its two faces with it, and nothing brought them back. Now the run
// goes on until every collapse left is refused by a veto of its own.
TEST(ProgressiveMesh, StopsOnlyWhenEveryCollapseLeftIsVetoed)
{
  auto recorded = ReadTestObj("sphere162.obj");
  ASSERT_NE(recorded, nullptr);
  ASSERT_EQ(recorded->NbVertex(), 162);
  int veto = -1;
  ASSERT_EQ(1, RunProgressive(*recorded, 16, nullptr, 1, &veto));
  ExpectReachedOrEveryCollapseVetoed(*recorded, 16, veto);
  // Sixteen vertices on a sphere cannot all be smooth at the dialog's threshold.
  EXPECT_EQ(veto, CEdgeCollapse::VetoSharp);
  EXPECT_TRUE(IsClosedAndOriented(*recorded));
  EXPECT_TRUE(IsOrientedManifold(*recorded));
  ExpectVertexNeighborsMatchFaces(*recorded);

  for (const float noise : {0.25f, 0.4f}) {
    auto sphere = PerturbedSphere(4, noise);
    const int wanted = sphere->NbVertex() / 10;
    ASSERT_EQ(1, RunProgressive(*sphere, wanted, nullptr, 1, &veto));
    ExpectReachedOrEveryCollapseVetoed(*sphere, wanted, veto);
    EXPECT_EQ(2, EulerCharacteristic(*sphere));
    EXPECT_TRUE(IsOrientedManifold(*sphere));
  }
}

// The progressive mesh's candidates carry no face copies; their costs and optimal vertices are
// those of candidates with copies, and those of the plain descent from both ends and the
// midpoint (the midpoint only when strictly better, vertex 2 on a tie of the ends).
TEST(ProgressiveMesh, CandidateCostsAreThoseOfThePlainDescent)
{
  auto reference = Icosphere(2);
  Perturb(*reference, 0.02f);
  reference->BuildAdjacency();
  reference->ComputeFaceNormals();
  auto mesh = Icosphere(2);
  Perturb(*mesh, 0.05f);
  CHashTable hash(4);
  ASSERT_EQ(hash.Fill(reference.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);

  CArrayEdgeCollapse bare;
  bare.SetFaceCopies(0);
  bare.Fill(mesh.get(), 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  CArrayEdgeCollapse copied;
  copied.Fill(mesh.get(), 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  ASSERT_EQ(bare.GetSize(), copied.GetSize());
  ASSERT_GT(bare.GetSize(), 100);
  bare.CalculateEnergy(&search);
  copied.CalculateEnergy(&hash);
  int midpoints = 0;
  for (int i = 0; i < bare.GetSize(); i++) {
    const CEdgeCollapse* c = bare.GetAt(i);
    const CEdgeCollapse* withCopies = copied.GetAt(i);
    ASSERT_EQ(c->GetVertex1(), withCopies->GetVertex1());
    EXPECT_EQ(c->GetOptimalVertex()->NbFaceNeighbor(), 0);
    EXPECT_GT(withCopies->GetOptimalVertex()->NbFaceNeighbor(), 0);
    EXPECT_TRUE(SameBits(c->GetCost(), withCopies->GetCost())) << i;
    EXPECT_EQ(c->GetOptimalVertex()->IsSamePosition(withCopies->GetOptimalVertex()), 1) << i;

    std::vector<const CVertex3d*> ring;
    for (int k = 0; k < c->GetOptimalVertex()->NbVertexNeighbor(); k++)
      ring.push_back(c->GetOptimalVertex()->GetVertexNeighbor(k));
    ASSERT_EQ(ring.size(), static_cast<size_t>(withCopies->GetOptimalVertex()->NbVertexNeighbor()));
    CVertex3d a(c->GetVertex1()), b(c->GetVertex2());
    const auto half = [c](int k) {
      return static_cast<float>(
        (static_cast<double>(c->GetVertex1()->Get(k)) + c->GetVertex2()->Get(k)) / 2.0);
    };
    CVertex3d m(half(0), half(1), half(2));
    const CEdgeCollapse::SDescent& d = bare.GetDescent();
    const double ea = PlainDescent(&a, ring, &hash, d);
    const double eb = PlainDescent(&b, ring, &hash, d);
    const double em = PlainDescent(&m, ring, &hash, d);
    const double eEnd = ea >= eb ? eb : ea;
    const CVertex3d& best = em < eEnd ? m : (ea >= eb ? b : a);
    midpoints += em < eEnd ? 1 : 0;
    EXPECT_TRUE(SameBits(c->GetCost(), em < eEnd ? em : eEnd)) << i;
    EXPECT_EQ(c->GetOptimalVertex()->IsSamePosition(&best), 1) << i;
  }
  // Both kinds of outcome are exercised.
  EXPECT_GT(midpoints, 0);
  EXPECT_LT(midpoints, bare.GetSize());
}

// Candidates that keep only the coordinates of their ring measure what candidates with the
// ring as a neighbour list measure, to the bit, eagerly or deferred, when filled and when
// updated after the mesh has moved; their optimal vertex names no neighbour.
TEST(ProgressiveMesh, RingsKeptAsCoordinatesMeasureAsNeighbourLists)
{
  auto reference = Icosphere(2);
  Perturb(*reference, 0.02f);
  reference->BuildAdjacency();
  reference->ComputeFaceNormals();
  CHashTable hash(4);
  ASSERT_EQ(hash.Fill(reference.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  for (const int defer : {0, 1}) {
    auto mesh = Icosphere(2);
    Perturb(*mesh, 0.05f);
    CArrayEdgeCollapse listed;
    listed.SetFaceCopies(0);
    CArrayEdgeCollapse coordinates;
    coordinates.SetKeep(CEdgeCollapse::EKeep::Coordinates);
    for (CArrayEdgeCollapse* pArray : {&listed, &coordinates}) {
      pArray->SetDeferL2(defer);
      pArray->Fill(mesh.get(), 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
      pArray->CalculateEnergy(&search);
    }
    ASSERT_EQ(listed.GetSize(), coordinates.GetSize());
    ASSERT_GT(listed.GetSize(), 100);
    const auto expectSame = [&](const char* when) -> int {
      int pending = 0;
      for (int i = 0; i < listed.GetSize(); i++) {
        CEdgeCollapse* a = listed.GetAt(i);
        CEdgeCollapse* b = coordinates.GetAt(i);
        EXPECT_EQ(b->GetVertex1(), a->GetVertex1());
        EXPECT_EQ(b->GetVertex2(), a->GetVertex2());
        EXPECT_GT(a->GetOptimalVertex()->NbVertexNeighbor(), 0);
        EXPECT_EQ(b->GetOptimalVertex()->NbVertexNeighbor(), 0);
        EXPECT_EQ(b->GetOptimalVertex()->NbFaceNeighbor(), 0);
        EXPECT_EQ(b->IsPendingL2(), a->IsPendingL2());
        pending += a->IsPendingL2();
        EXPECT_TRUE(SameBits(b->GetCost(), a->GetCost())) << when << " " << i;
        listed.SettleL2(a, &search);
        coordinates.SettleL2(b, &search);
        EXPECT_TRUE(SameBits(b->GetCost(), a->GetCost())) << when << " " << i;
        EXPECT_EQ(b->GetOptimalVertex()->IsSamePosition(a->GetOptimalVertex()), 1) << i;
      }
      // Deferred, every candidate measured since the last settling waits for its own.
      EXPECT_EQ(pending > 0, defer == 1) << when;
      return pending;
    };
    EXPECT_EQ(expectSame("filled"), defer ? listed.GetSize() : 0);
    // Vertex 0 and its neighbours move: the candidates around them are measured again.
    CVertex3d* v = mesh->GetVertex(0);
    v->Set(v->x() * 1.1f, v->y() * 0.9f, v->z() + 0.05f);
    for (int k = 0; k < v->NbFaceNeighbor(); k++) {
      EXPECT_GT(listed.SetComputedOnFace(v->GetFaceNeighbor(k), 1), 0);
      EXPECT_GT(coordinates.SetComputedOnFace(v->GetFaceNeighbor(k), 1), 0);
    }
    const int recomputed = listed.Update(&search, nullptr);
    EXPECT_GT(recomputed, 0);
    EXPECT_EQ(coordinates.Update(&search, nullptr), recomputed);
    EXPECT_EQ(expectSame("updated"), defer ? recomputed : 0);
  }
}

// A candidate made where a removed one was takes over its ring buffer, emptied: it measures
// what a candidate made afresh measures. A candidate that has a buffer keeps its own.
TEST(EdgeCollapseArray, RingBuffersOfRemovedCandidatesServeNewOnes)
{
  auto mesh = Torus(8);
  Perturb(*mesh, 0.02f);
  CHashTable hash(4);
  ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  CArrayEdgeCollapse array;
  array.SetKeep(CEdgeCollapse::EKeep::Coordinates);
  array.Fill(mesh.get(), 1.0, 1e-4, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  array.CalculateEnergy(&search);
  CFace3d* f = mesh->GetFace(0);
  const int before = array.GetSize();
  EXPECT_EQ(array.RemoveFaces(f, nullptr), before - 3);
  // Made to wait for Update, then made with its ring at once.
  CEdgeCollapse* pLater = array.Emplace(f, f->f(0), CEdgeCollapse::EKeep::Coordinates,
                                        CEdgeCollapse::ERing::Later);
  CEdgeCollapse* pBuilt = array.Emplace(f, f->f(1), CEdgeCollapse::EKeep::Coordinates);
  pBuilt->SetMark(1);
  EXPECT_EQ(array.Update(&search, nullptr), 2);
  for (const CEdgeCollapse* c : {pLater, pBuilt}) {
    CEdgeCollapse fresh(c->GetFace(0), c->GetFace(1), CEdgeCollapse::EKeep::List);
    fresh.CalculateCost(&search, array.GetDescent());
    EXPECT_TRUE(SameBits(c->GetCost(), fresh.GetCost()));
    EXPECT_EQ(c->GetOptimalVertex()->IsSamePosition(fresh.GetOptimalVertex()), 1);
  }

  std::vector<float> spare(30, 7.0f);
  const float* storage = spare.data();
  CEdgeCollapse bare;
  EXPECT_TRUE(bare.AdoptRingStorage(&spare));
  EXPECT_TRUE(spare.empty());
  std::vector<float> taken = bare.TakeRingStorage();
  EXPECT_EQ(taken.data(), storage);
  EXPECT_TRUE(taken.empty());
  EXPECT_GE(taken.capacity(), 30u);
  CEdgeCollapse built(f->f(2), f->f(2)->f(0), CEdgeCollapse::EKeep::Coordinates);
  ASSERT_EQ(built.IsValid(), 1);
  EXPECT_FALSE(built.AdoptRingStorage(&taken));
  EXPECT_EQ(taken.data(), storage);
}

namespace {

// Candidates of the mesh without face copies, their costs rising in array order.
void FillInCostOrder(CMesh3d* pMesh, CArrayEdgeCollapse* pArray)
{
  pArray->SetFaceCopies(0);
  ASSERT_GT(pArray->Fill(pMesh, 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f), 3);
  for (int i = 0; i < pArray->GetSize(); i++)
    pArray->GetAt(i)->SetCost(10.0 + i);
}

} // namespace

// The hand-back around a collapse can be narrowed to the candidates a test accepts: the others
// on the same face stay aside.
TEST(ProgressiveMesh, NarrowedHandBackReturnsOnlyTheAcceptedCandidates)
{
  auto mesh = Icosphere(1);
  CArrayEdgeCollapse array;
  ASSERT_NO_FATAL_FAILURE(FillInCostOrder(mesh.get(), &array));
  // The first candidate and another one on its first face, both refused.
  CEdgeCollapse* first = array.GetAt(0);
  const CFace3d* f = first->GetFace(0);
  CEdgeCollapse* second = nullptr;
  for (int i = 1; i < array.GetSize() && !second; i++)
    if (array.GetAt(i)->HasFace(f))
      second = array.GetAt(i);
  ASSERT_NE(second, nullptr);
  const auto neither = [&](const CEdgeCollapse* c) { return c != first && c != second; };
  const CEdgeCollapse* other = array.GetMin(neither);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, first);
  EXPECT_NE(other, second);
  EXPECT_EQ(array.GetMin(), other);

  const auto isSecond = [&](const CEdgeCollapse* c) { return c == second; };
  EXPECT_EQ(array.UnblockOnFace(f, isSecond), 1);
  EXPECT_EQ(array.UnblockOnFace(f, isSecond), 0);
  // The second has the higher cost of the two but the first still waits aside.
  const auto notOther = [&](const CEdgeCollapse* c) { return c != other; };
  EXPECT_EQ(array.GetMin(notOther), second);
  EXPECT_EQ(array.UnblockOnFace(f), 1);
  EXPECT_EQ(array.GetMin(), first);
}

// A candidate set aside is reached by its slot too: handed back only when the test accepts it
// and only once; a removed one is neither listed nor handed back.
TEST(ProgressiveMesh, HandBackBySlot)
{
  auto mesh = Icosphere(1);
  CArrayEdgeCollapse array;
  ASSERT_NO_FATAL_FAILURE(FillInCostOrder(mesh.get(), &array));
  CEdgeCollapse* first = array.GetAt(0);
  CEdgeCollapse* third = array.GetAt(2);
  const int slot = first->GetSlot();
  EXPECT_EQ(array.AtSlot(slot), first);
  EXPECT_EQ(array.IsBlockedAt(slot), 0);
  const auto notFirst = [&](const CEdgeCollapse* c) { return c != first; };
  EXPECT_EQ(array.GetMin(notFirst), array.GetAt(1));
  EXPECT_EQ(array.IsBlockedAt(slot), 1);
  EXPECT_EQ(array.IsBlockedAt(third->GetSlot()), 0);  // never came up

  const auto no = [](const CEdgeCollapse*) { return false; };
  const auto yes = [](const CEdgeCollapse*) { return true; };
  EXPECT_EQ(array.UnblockAt(slot, no), 0);
  EXPECT_EQ(array.IsBlockedAt(slot), 1);
  EXPECT_EQ(array.UnblockAt(slot, yes), 1);
  EXPECT_EQ(array.UnblockAt(slot, yes), 0);
  EXPECT_EQ(array.IsBlockedAt(slot), 0);
  EXPECT_EQ(array.GetMin(), first);

  // Refused again, then removed with its faces.
  EXPECT_NE(array.GetMin(notFirst), first);
  ASSERT_EQ(array.IsBlockedAt(slot), 1);
  array.RemoveFaces(first->GetFace(0), first->GetFace(1));
  EXPECT_EQ(array.AtSlot(slot), nullptr);
  EXPECT_EQ(array.IsBlockedAt(slot), 0);
  EXPECT_EQ(array.UnblockAt(slot, yes), 0);
}

// A deferred cost is a floor until settled; settled, it is the cost computed when it was
// deferred, to the bit, with the same optimal vertex, even after the mesh has moved since.
TEST(ProgressiveMesh, DeferredCostsSettleToTheCostsOfTheirTime)
{
  auto reference = Icosphere(2);
  Perturb(*reference, 0.02f);
  reference->BuildAdjacency();
  reference->ComputeFaceNormals();
  CHashTable hash(4);
  ASSERT_EQ(hash.Fill(reference.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  auto mesh = Icosphere(2);
  Perturb(*mesh, 0.05f);

  CArrayEdgeCollapse eager;
  eager.SetFaceCopies(0);
  eager.Fill(mesh.get(), 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  eager.CalculateEnergy(&search);
  CArrayEdgeCollapse deferred;
  deferred.SetFaceCopies(0);
  deferred.SetDeferL2(1);
  deferred.Fill(mesh.get(), 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  deferred.CalculateEnergy(&search);
  ASSERT_EQ(eager.GetSize(), deferred.GetSize());
  for (int i = 0; i < deferred.GetSize(); i++) {
    EXPECT_EQ(deferred.GetAt(i)->IsPendingL2(), 1);
    EXPECT_LE(deferred.GetAt(i)->GetCost(), eager.GetAt(i)->GetCost()) << i;
    EXPECT_GT(deferred.GetAt(i)->GetCost(), 0.0) << i;
  }
  // The mesh moves before the costs are settled: they were kept as they stood.
  Perturb(*mesh, 0.1f);
  int settled = 0;
  for (int i = 0; i < deferred.GetSize(); i++) {
    CEdgeCollapse* c = deferred.GetAt(i);
    settled += deferred.SettleL2(c, &search) >= 0 ? 1 : 0;
    EXPECT_EQ(c->IsPendingL2(), 0);
    EXPECT_TRUE(SameBits(c->GetCost(), eager.GetAt(i)->GetCost())) << i;
    EXPECT_EQ(c->GetOptimalVertex()->IsSamePosition(eager.GetAt(i)->GetOptimalVertex()), 1) << i;
    // Settling twice changes nothing.
    EXPECT_EQ(deferred.SettleL2(c, &search), 0);
  }
  EXPECT_EQ(settled, deferred.GetSize());

  // A marked candidate is deferred again by Update, from the mesh as it stands now.
  CEdgeCollapse* c = deferred.GetAt(0);
  CEdgeCollapse* now = eager.GetAt(0);
  c->SetMark(1);
  now->SetMark(1);
  EXPECT_EQ(deferred.Update(&search, nullptr), 1);
  EXPECT_EQ(eager.Update(&search, nullptr), 1);
  EXPECT_EQ(c->IsPendingL2(), 1);
  EXPECT_LE(c->GetCost(), now->GetCost());
  deferred.SettleL2(c, &search);
  EXPECT_TRUE(SameBits(c->GetCost(), now->GetCost()));
}

// Without a positive spring weight there is no floor: a deferred cost comes first of all.
TEST(ProgressiveMesh, DeferredCostsWithoutSpringHaveNoFloor)
{
  auto mesh = Icosphere(1);
  CArrayEdgeCollapse deferred;
  deferred.SetDeferL2(1);
  deferred.Fill(mesh.get(), 1.0, 0.0001, 0.0, 50, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  CHashTable hash(4);
  ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  deferred.CalculateEnergy(&search);
  ASSERT_GT(deferred.GetSize(), 0);
  for (int i = 0; i < deferred.GetSize(); i++)
    EXPECT_LT(deferred.GetAt(i)->GetCost(), -1e300);
}

// A collapse told the veto's answer edits the mesh exactly as the collapse that asks the veto
// itself; told it is a crease, it puts the survivor at the middle of the edge.
TEST(ProgressiveMesh, VettedCollapseMatchesTheCheckedOne)
{
  const auto make = [] {
    auto mesh = Torus(16);
    Perturb(*mesh, 0.005f);
    return mesh;
  };
  int compared = 0;
  for (int i = 0; i < 60; i += 2) {
    auto checked = make();
    auto vetted = make();
    CArrayEdgeCollapse checkedArray;
    CArrayEdgeCollapse vettedArray;
    checkedArray.Fill(checked.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
    vettedArray.Fill(vetted.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
    ASSERT_GT(checkedArray.GetSize(), i);
    CEdgeCollapse* c = vettedArray.GetAt(i);
    bool crease = true;
    if (CMesh3d::EdgeCandidateVeto(c, 0.6f, &crease) != CEdgeCollapse::VetoNone)
      continue;
    CArray3d<CFace3d> checkedFaces;
    CArray3d<CFace3d> vettedFaces;
    ASSERT_EQ(checked->CollapseEdgeCandidate(checkedArray.GetAt(i), &checkedFaces, 0.6f), 1);
    ASSERT_EQ(vetted->CollapseVettedCandidate(c, &vettedFaces, crease, false), 1);
    EXPECT_EQ(Positions(*vetted), Positions(*checked)) << i;
    EXPECT_EQ(Corners(*vetted), Corners(*checked)) << i;
    EXPECT_EQ(vettedFaces.GetSize(), checkedFaces.GetSize());
    compared++;
  }
  EXPECT_GT(compared, 5);

  auto mesh = make();
  CArrayEdgeCollapse array;
  array.Fill(mesh.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  CEdgeCollapse* c = array.GetAt(0);
  CVertex3d* survivor = c->GetVertex1();
  const Position a = PositionOf(c->GetVertex1());
  const Position b = PositionOf(c->GetVertex2());
  CArray3d<CFace3d> faces;
  ASSERT_EQ(mesh->CollapseVettedCandidate(c, &faces, true, false), 1);
  for (int k = 0; k < 3; k++)
    EXPECT_FLOAT_EQ(PositionOf(survivor)[k], (a[k] + b[k]) / 2.0f);
}

// A candidate whose two ends are one vertex has no edge to collapse: the veto refuses it for its
// faces, and the checked collapse leaves the mesh as it was.
TEST(ProgressiveMesh, CandidateWithOneVertexAtBothEndsIsRefused)
{
  auto mesh = Torus(16);
  Perturb(*mesh, 0.005f);
  CArrayEdgeCollapse array;
  array.Fill(mesh.get(), 1.0, 1e-4, 0.01, 20, 1.5f, 0.1f, 0.01f, 5.0f, 0.6f);
  CEdgeCollapse* c = nullptr;
  for (int i = 0; i < array.GetSize() && !c; i++)
    if (CMesh3d::EdgeCandidateVeto(array.GetAt(i), 0.6f) == CEdgeCollapse::VetoNone)
      c = array.GetAt(i);
  ASSERT_NE(c, nullptr);
  c->SetVertices(c->GetVertex1(), c->GetVertex1());
  EXPECT_EQ(CMesh3d::EdgeCandidateVeto(c, 0.6f), CEdgeCollapse::VetoFaces);
  const auto corners = Corners(*mesh);
  const auto positions = Positions(*mesh);
  CArray3d<CFace3d> faces;
  EXPECT_EQ(mesh->CollapseEdgeCandidate(c, &faces, 0.6f), 0);
  EXPECT_EQ(faces.GetSize(), 0);
  EXPECT_EQ(Corners(*mesh), corners);
  EXPECT_EQ(Positions(*mesh), positions);
}

// The sharpness classes read only normals computed during the run: normals left wrong in the
// faces beforehand change nothing, and every face ends with the normal of its corners.
TEST(ProgressiveMesh, NormalsLeftInTheFacesBeforeTheRunAreNotRead)
{
  auto reference = Torus(16);
  Perturb(*reference, 0.03f);
  auto spoilt = Torus(16);
  Perturb(*spoilt, 0.03f);
  for (int i = 0; i < spoilt->NbFace(); i++)
    spoilt->GetFace(i)->GetNormal()->Set(i % 2 ? 1.0f : 0.0f, 0.0f, 0.0f);
  ASSERT_EQ(1, RunProgressive(*reference, 60));
  ASSERT_EQ(1, RunProgressive(*spoilt, 60));
  ASSERT_EQ(reference->NbVertex(), spoilt->NbVertex());
  ASSERT_EQ(reference->NbFace(), spoilt->NbFace());
  EXPECT_EQ(Corners(*reference), Corners(*spoilt));
  for (int i = 0; i < reference->NbVertex(); i++) {
    EXPECT_EQ(reference->GetVertex(i)->x(), spoilt->GetVertex(i)->x());
    EXPECT_EQ(reference->GetVertex(i)->y(), spoilt->GetVertex(i)->y());
    EXPECT_EQ(reference->GetVertex(i)->z(), spoilt->GetVertex(i)->z());
  }
  // A face whose normal the run read carries the normal of its corners; one never read keeps
  // what it had (the reference's normals are those of their corners from the start).
  int read = 0;
  for (int i = 0; i < reference->NbFace(); i++) {
    CFace3d* f = reference->GetFace(i);
    const CVector3d kept = *f->GetNormal();
    f->CalculateNormal();
    EXPECT_EQ(kept.x(), f->GetNormal()->x());
    EXPECT_EQ(kept.y(), f->GetNormal()->y());
    EXPECT_EQ(kept.z(), f->GetNormal()->z());
    const CVector3d* pSpoilt = spoilt->GetFace(i)->GetNormal();
    read += pSpoilt->x() == kept.x() && pSpoilt->y() == kept.y() && pSpoilt->z() == kept.z();
  }
  EXPECT_GT(read, reference->NbFace() / 2);
}

namespace {
// The surface of the cube [0, n]^3 cut into unit squares, two faces each, facing out: every
// face's normal lies on an axis, so that the sinus between two faces is 0 or exactly 1.
std::unique_ptr<CMesh3d> GridCube(int n)
{
  Points points;
  Triangles triangles;
  std::map<std::array<int, 3>, int> index;
  const auto at = [&](std::array<int, 3> p) {
    const auto [it, added] = index.emplace(p, static_cast<int>(points.size()));
    if (added)
      points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]),
                        static_cast<float>(p[2])});
    return it->second;
  };
  for (int a = 0; a < 3; a++)
    for (const int side : {0, n}) {
      const int b = (a + 1) % 3;
      const int c = (a + 2) % 3;
      for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
          const auto corner = [&](int di, int dj) {
            std::array<int, 3> p{};
            p[static_cast<size_t>(a)] = side;
            p[static_cast<size_t>(b)] = i + di;
            p[static_cast<size_t>(c)] = j + dj;
            return at(p);
          };
          const int p00 = corner(0, 0);
          const int p10 = corner(1, 0);
          const int p11 = corner(1, 1);
          const int p01 = corner(0, 1);
          if (side == n) {
            triangles.push_back({p00, p10, p11});
            triangles.push_back({p00, p11, p01});
          } else {
            triangles.push_back({p00, p11, p10});
            triangles.push_back({p00, p01, p11});
          }
        }
    }
  return Build(points, triangles);
}

int CubeCornersKept(const CMesh3d& mesh, int n)
{
  int kept = 0;
  for (const int x : {0, n})
    for (const int y : {0, n})
      for (const int z : {0, n}) {
        const Position p{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
        kept += VertexAt(mesh, p, 0.0f) ? 1 : 0;
      }
  return kept;
}
} // namespace

// Faces at a right angle have a sinus of exactly 1: at a threshold of 1 the cube's edges are
// sharp and its corners, three sharp edges each, are never collapsed; a hair above 1 nothing is
// sharp and the run takes corners too.
TEST(ProgressiveMesh, SinusExactlyAtTheThresholdIsSharp)
{
  constexpr int kSide = 4;
  for (const float threshold : {1.0f, std::nextafter(1.0f, 2.0f)}) {
    auto cube = GridCube(kSide);
    ASSERT_TRUE(IsClosedAndOriented(*cube));
    ASSERT_EQ(cube->NbVertex(), 6 * kSide * kSide + 2);
    const int wanted = 12;
    ASSERT_EQ(1, cube->ProgressiveMesh(wanted, 1.0, 0.0001, 0.01, 50, 1.5f, 0.1f, 0.01f, 5.0f,
                                       threshold, 20, nullptr, 1, 1, nullptr));
    if (threshold == 1.0f)
      EXPECT_EQ(CubeCornersKept(*cube, kSide), 8);
    else
      EXPECT_LT(CubeCornersKept(*cube, kSide), 8);
    EXPECT_TRUE(IsOrientedManifold(*cube));
  }
}
