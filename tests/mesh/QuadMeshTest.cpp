#include "mesh/QuadEdge3d.h"
#include "mesh/QuadMesh3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

// A grid of nx by ny quads over integer x, y, with z given by height(x, y).
template <class Height>
void BuildGrid(CQuadMesh3d& mesh, int nx, int ny, Height height)
{
  for (int j = 0; j <= ny; j++)
    for (int i = 0; i <= nx; i++)
      mesh.AddVertex(new CQuadVertex3d(float(i), float(j), float(height(i, j))));
  auto at = [&](int i, int j) { return mesh.GetVertex(j * (nx + 1) + i); };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++)
      mesh.AddQuad(new CQuad3d(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)));
  mesh.BuildAdjacencyAndNormals();
}

// A closed torus of n by m quads, every vertex of valence 4.
void BuildTorus(CQuadMesh3d& mesh, int n, int m)
{
  const double pi = 3.14159265358979;
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++) {
      const double u = 2 * pi * i / n, v = 2 * pi * j / m;
      const double r = 3 + std::cos(v);
      mesh.AddVertex(new CQuadVertex3d(float(r * std::cos(u)), float(r * std::sin(u)),
                                       float(std::sin(v))));
    }
  auto at = [&](int i, int j) { return mesh.GetVertex((j % m) * n + (i % n)); };
  for (int j = 0; j < m; j++)
    for (int i = 0; i < n; i++)
      mesh.AddQuad(new CQuad3d(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)));
  mesh.BuildAdjacencyAndNormals();
}

using SEdge = std::pair<const CQuadVertex3d*, const CQuadVertex3d*>;

std::map<SEdge, int> CountDirectedEdges(const CQuadMesh3d& mesh)
{
  std::map<SEdge, int> edges;
  for (int i = 0; i < mesh.NbQuad(); i++)
    for (int k = 0; k < 4; k++)
      edges[{mesh.GetQuad(i)->v(k), mesh.GetQuad(i)->v(k + 1)}]++;
  return edges;
}

int EulerCharacteristic(const CQuadMesh3d& mesh)
{
  std::set<SEdge> undirected;
  for (const auto& [edge, count] : CountDirectedEdges(mesh))
    undirected.insert(std::minmax(edge.first, edge.second));
  return mesh.NbVertex() - int(undirected.size()) + mesh.NbQuad();
}

// Closed and consistently oriented: each directed edge once, its reverse once.
bool IsClosedAndOriented(const CQuadMesh3d& mesh)
{
  const auto edges = CountDirectedEdges(mesh);
  for (const auto& [edge, count] : edges) {
    const auto reverse = edges.find({edge.second, edge.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1)
      return false;
  }
  return true;
}

// Every neighbour slot names the quad holding the reversed edge, or is null on a boundary.
void ExpectAdjacencyConsistent(const CQuadMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbQuad(); i++) {
    const CQuad3d* quad = mesh.GetQuad(i);
    for (int k = 0; k < 4; k++) {
      const CQuad3d* across = quad->f(k);
      if (across) {
        EXPECT_TRUE(across->HasEdge(quad->v(k + 1), quad->v(k))) << "quad " << i << " edge " << k;
      }
    }
  }
}

void ExpectPoint(const CQuadVertex3d* v, double x, double y, double z, double tolerance = 1e-6)
{
  EXPECT_NEAR(v->x(), x, tolerance);
  EXPECT_NEAR(v->y(), y, tolerance);
  EXPECT_NEAR(v->z(), z, tolerance);
}

// Two steps on the box: 26 vertices and 24 quads, then 98 and 96, closed every time.
void ExpectBoxStepsKeepASphere(CQuadMesh3d& mesh, void (CQuadMesh3d::*step)())
{
  const int expected[2][2] = {{26, 24}, {98, 96}};
  for (const auto& [nbVertex, nbQuad] : expected) {
    (mesh.*step)();
    EXPECT_EQ(mesh.NbVertex(), nbVertex);
    EXPECT_EQ(mesh.NbQuad(), nbQuad);
    EXPECT_TRUE(IsClosedAndOriented(mesh));
    EXPECT_EQ(EulerCharacteristic(mesh), 2);
    EXPECT_TRUE(mesh.IsValid());
    ExpectAdjacencyConsistent(mesh);
  }
}

std::vector<CVector3d> Positions(const CQuadMesh3d& mesh)
{
  std::vector<CVector3d> positions;
  for (int i = 0; i < mesh.NbVertex(); i++)
    positions.push_back(CVector3d::GetPoint(mesh.GetVertex(i)));
  return positions;
}

} // namespace

//********************************************
// Elements
//********************************************

TEST(Quad3d, CornersNeighboursAndEdgesWrap)
{
  CQuadVertex3d a(0, 0, 0), b(1, 0, 0), c(1, 1, 0), d(0, 1, 0), e(5, 5, 5);
  CQuad3d quad(&a, &b, &c, &d), other(&b, &a, &e, &c);
  EXPECT_EQ(quad.v(5), &b);
  EXPECT_EQ(quad.IndexFrom(&d), 3);
  EXPECT_EQ(quad.IndexFrom(&e), -1);
  EXPECT_TRUE(quad.HasEdge(&d, &a));
  EXPECT_FALSE(quad.HasEdge(&a, &d));
  EXPECT_FALSE(quad.HasEdge(&a, &c));
  EXPECT_EQ(quad.IndexEdge(&a, &d), 3);
  EXPECT_EQ(quad.IndexEdge(&a, &c), -1);

  quad.SetF(4, &other);
  EXPECT_EQ(quad.f(0), &other);
  EXPECT_TRUE(quad.HasNeighbor(&other));
  EXPECT_EQ(quad.NbFaceNeighbor(), 1);
  other.SetFlag(7);
  EXPECT_EQ(quad.NbFaceNeighborWithFlag(7), 1);
  EXPECT_EQ(quad.NbFaceNeighborWithFlag(0), 0);
  quad.ClearNeighbors();
  EXPECT_EQ(quad.NbFaceNeighbor(), 0);

  EXPECT_TRUE(quad.IsValid());
  EXPECT_FALSE(CQuad3d(&a, &b, &a, &d).IsValid());

  quad.SetNewVertex(9, &e);
  EXPECT_EQ(quad.GetNewVertex(4), &e);
  quad.Set(&a, &b, &c, &d);
  EXPECT_EQ(quad.GetNewVertex(4), nullptr);
}

// The face point slot lives in the quad, the edge slots apart: each of the five keeps its own
// vertex, clearing one leaves the others, and setting the corners clears all five.
TEST(Quad3d, FiveNewVertexSlotsAreIndependent)
{
  CQuadVertex3d a, b, c, d, p[5];
  CQuad3d quad(&a, &b, &c, &d);
  quad.SetNewVertex(4, &p[4]);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(quad.GetNewVertex(i), nullptr) << i;
  for (int i = 0; i < 4; i++)
    quad.SetNewVertex(i + 5, &p[i]);
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(quad.GetNewVertex(i + 10), &p[i]) << i;
  quad.SetNewVertex(2, nullptr);
  quad.SetNewVertex(4, nullptr);
  EXPECT_EQ(quad.GetNewVertex(2), nullptr);
  EXPECT_EQ(quad.GetNewVertex(4), nullptr);
  EXPECT_EQ(quad.GetNewVertex(1), &p[1]);
  EXPECT_EQ(quad.GetNewVertex(3), &p[3]);
  quad.SetNewVertex(4, &p[0]);
  quad.Set(&a, &b, &c, &d);
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(quad.GetNewVertex(i), nullptr) << i;
  // The slots work again after the clearing.
  quad.SetNewVertex(0, &p[2]);
  EXPECT_EQ(quad.GetNewVertex(0), &p[2]);
  EXPECT_EQ(quad.GetNewVertex(4), nullptr);
}

// A vertex normal starts at zero and keeps what is written through it, per vertex.
TEST(QuadVertex3d, NormalStartsAtZeroAndKeepsItsValue)
{
  CQuadVertex3d a(1, 2, 3), b(4, 5, 6);
  const CQuadVertex3d& constA = a;
  EXPECT_EQ(constA.GetNormal()->x(), 0.0f);
  EXPECT_EQ(constA.GetNormal()->y(), 0.0f);
  EXPECT_EQ(constA.GetNormal()->z(), 0.0f);
  EXPECT_EQ(a.GetNormal()->GetSquareNorm(), 0.0);
  a.GetNormal()->Set(0.0f, 0.6f, 0.8f);
  EXPECT_EQ(constA.GetNormal()->y(), 0.6f);
  EXPECT_EQ(constA.GetNormal()->z(), 0.8f);
  EXPECT_EQ(a.GetNormal(), constA.GetNormal());
  const CQuadVertex3d& constB = b;
  EXPECT_EQ(constB.GetNormal()->GetSquareNorm(), 0.0);
  b.GetNormal()->Set(1.0f, 0.0f, 0.0f);
  EXPECT_EQ(constA.GetNormal()->x(), 0.0f);
  EXPECT_EQ(constB.GetNormal()->x(), 1.0f);
}

TEST(Quad3d, NormalFollowsCornerOrder)
{
  CQuadVertex3d a(0, 0, 0), b(2, 0, 0), c(2, 2, 0), d(0, 2, 0);
  CQuad3d ccw(&a, &b, &c, &d), cw(&a, &d, &c, &b);
  ccw.CalculateNormal();
  cw.CalculateNormal();
  EXPECT_FLOAT_EQ(ccw.GetNormal()->z(), 1.0f);
  EXPECT_FLOAT_EQ(cw.GetNormal()->z(), -1.0f);

  // A twisted quad still gets a unit normal, balanced between its two halves.
  CQuadVertex3d lifted(2, 2, 1);
  CQuad3d twisted(&a, &b, &lifted, &d);
  twisted.CalculateNormal();
  EXPECT_NEAR(twisted.GetNormal()->GetNorm(), 1.0, 1e-6);
  EXPECT_NEAR(twisted.GetNormal()->x(), twisted.GetNormal()->y(), 1e-6);
}

// The quad normal as CVector3d's own operations give it: the unit normals of the corner
// triangles around the centroid, their mean, normalized.
static CVector3d ReferenceNormal(const CQuad3d& quad)
{
  double cx = 0.0, cy = 0.0, cz = 0.0;
  for (int i = 0; i < 4; i++) {
    cx += quad.v(i)->x();
    cy += quad.v(i)->y();
    cz += quad.v(i)->z();
  }
  const CVector3d centre(float(cx / 4.0), float(cy / 4.0), float(cz / 4.0));
  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (int i = 0; i < 4; i++) {
    CVector3d n = (CVector3d::GetPoint(quad.v(i)) - centre) ^ (CVector3d::GetPoint(quad.v(i + 1)) - centre);
    n.Normalize();
    nx += n.x();
    ny += n.y();
    nz += n.z();
  }
  CVector3d normal(float(0.25 * nx), float(0.25 * ny), float(0.25 * nz));
  normal.Normalize();
  return normal;
}

// Bit for bit, on random quads and on quads whose corner triangles vanish (repeated corners, a
// point, a line), where a corner normal stays zero.
TEST(Quad3d, NormalIsBitForBitTheVectorComputation)
{
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  std::deque<CQuadVertex3d> points;  // never moved: the quads point at them
  for (int i = 0; i < 400; i++)
    points.emplace_back(coordinate(random), coordinate(random), 1e-3f * coordinate(random));
  points.emplace_back(1.0f, 2.0f, 3.0f);
  points.emplace_back(2.0f, 4.0f, 6.0f);
  points.emplace_back(-0.0f, 0.0f, 0.0f);
  const int n = static_cast<int>(points.size());
  auto p = [&points](int i) { return &points[static_cast<size_t>(i)]; };
  std::deque<CQuad3d> quads;  // quads do not move
  for (int i = 0; i + 3 < 400; i += 4)
    quads.emplace_back(p(i), p(i + 1), p(i + 2), p(i + 3));
  quads.emplace_back(p(0), p(0), p(1), p(2));
  quads.emplace_back(p(n - 1), p(n - 1), p(n - 1), p(n - 1));
  quads.emplace_back(p(n - 3), p(n - 2), p(n - 3), p(n - 2));
  quads.emplace_back(p(n - 1), p(n - 3), p(n - 2), p(n - 1));
  for (size_t i = 0; i < quads.size(); i++) {
    quads[i].CalculateNormal();
    const CVector3d expected = ReferenceNormal(quads[i]);
    const CVector3d* actual = quads[i].GetNormal();
    const float a[3] = {actual->x(), actual->y(), actual->z()};
    const float e[3] = {expected.x(), expected.y(), expected.z()};
    EXPECT_EQ(std::memcmp(a, e, sizeof a), 0)
      << i << ": " << a[0] << " " << a[1] << " " << a[2] << " vs " << e[0] << " " << e[1] << " " << e[2];
  }
  // Collinear corners give no direction at all.
  EXPECT_EQ(quads.back().GetNormal()->GetSquareNorm(), 0.0);
}

// The same on many quads whose axes have wildly different scales, so that some normal
// components are tiny beside the others and the unit vectors take every float exponent.
TEST(Quad3d, NormalIsBitForBitOverScales)
{
  std::mt19937 random(11);
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::uniform_real_distribution<float> exponent(-42.0f, 4.0f);
  std::deque<CQuadVertex3d> points;
  std::deque<CQuad3d> quads;
  int mismatches = 0;
  for (int q = 0; q < 20000; q++) {
    const float scale[3] = {std::pow(10.0f, exponent(random)), std::pow(10.0f, exponent(random)),
                            std::pow(10.0f, exponent(random))};
    CQuadVertex3d* c[4];
    for (CQuadVertex3d*& corner : c)
      corner = &points.emplace_back(scale[0] * coordinate(random), scale[1] * coordinate(random),
                                    scale[2] * coordinate(random));
    CQuad3d& quad = quads.emplace_back(c[0], c[1], c[2], c[3]);
    quad.CalculateNormal();
    const CVector3d expected = ReferenceNormal(quad);
    const float a[3] = {quad.GetNormal()->x(), quad.GetNormal()->y(), quad.GetNormal()->z()};
    const float e[3] = {expected.x(), expected.y(), expected.z()};
    if (std::memcmp(a, e, sizeof a) != 0 && ++mismatches <= 5)
      ADD_FAILURE() << q << ": " << a[0] << " " << a[1] << " " << a[2] << " vs " << e[0] << " "
                    << e[1] << " " << e[2];
  }
  EXPECT_EQ(mismatches, 0);
}

// Two quads computed side by side give each the normal of the vector computation, whatever
// the other lane holds: a degenerate quad beside a regular one, tiny beside huge, a quad
// beside itself.
TEST(Quad3d, PairedNormalsMatchTheVectorComputation)
{
  std::mt19937 random(13);
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::uniform_real_distribution<float> exponent(-30.0f, 4.0f);
  std::deque<CQuadVertex3d> points;
  std::deque<CQuad3d> quads;
  CQuadVertex3d same(3.0f, -1.0f, 2.0f);
  auto newQuad = [&](bool degenerate) -> CQuad3d& {
    if (degenerate)
      return quads.emplace_back(&same, &same, &same, &same);
    const float scale = std::pow(10.0f, exponent(random));
    CQuadVertex3d* c[4];
    for (CQuadVertex3d*& corner : c)
      corner = &points.emplace_back(scale * coordinate(random), scale * coordinate(random),
                                    scale * coordinate(random));
    return quads.emplace_back(c[0], c[1], c[2], c[3]);
  };
  int mismatches = 0;
  auto expectReference = [&mismatches](const CQuad3d& quad) {
    const CVector3d e = ReferenceNormal(quad);
    const float a[3] = {quad.GetNormal()->x(), quad.GetNormal()->y(), quad.GetNormal()->z()};
    const float b[3] = {e.x(), e.y(), e.z()};
    if (std::memcmp(a, b, sizeof a) != 0 && ++mismatches <= 5)
      ADD_FAILURE() << a[0] << " " << a[1] << " " << a[2] << " vs " << b[0] << " " << b[1] << " "
                    << b[2];
  };
  for (int q = 0; q < 5000; q++) {
    CQuad3d& a = newQuad(q % 7 == 0);
    CQuad3d& b = newQuad(q % 5 == 0);
    CQuad3d::CalculateNormals(&a, &b);
    expectReference(a);
    expectReference(b);
  }
  CQuad3d& self = newQuad(false);
  CQuad3d::CalculateNormals(&self, &self);
  expectReference(self);
  EXPECT_EQ(mismatches, 0);
  // The degenerate quads have no direction in either lane.
  CQuad3d& p1 = newQuad(true);
  CQuad3d& p2 = newQuad(true);
  CQuad3d::CalculateNormals(&p1, &p2);
  EXPECT_EQ(p1.GetNormal()->GetSquareNorm(), 0.0);
  EXPECT_EQ(p2.GetNormal()->GetSquareNorm(), 0.0);
}

// Up to eight quads from copies of their corners' positions, in four or eight lanes where the
// processor has them: each lane gives the vector computation's normal, whatever its neighbours
// hold (tiny beside huge, degenerate beside regular, one quad in every lane), for every count.
TEST(Quad3d, BatchedNormalsFromPositionsMatchTheVectorComputation)
{
  std::mt19937 random(17);
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::uniform_real_distribution<float> exponent(-30.0f, 4.0f);
  std::deque<CQuadVertex3d> points;
  std::deque<CQuad3d> quads;
  std::deque<std::array<float, 3>> copies;  // the positions the lanes read
  CQuadVertex3d same(3.0f, -1.0f, 2.0f);
  auto newQuad = [&](bool degenerate) -> CQuad3d& {
    if (degenerate)
      return quads.emplace_back(&same, &same, &same, &same);
    const float scale = std::pow(10.0f, exponent(random));
    CQuadVertex3d* c[4];
    for (CQuadVertex3d*& corner : c)
      corner = &points.emplace_back(scale * coordinate(random), scale * coordinate(random),
                                    scale * coordinate(random));
    return quads.emplace_back(c[0], c[1], c[2], c[3]);
  };
  auto cornersOf = [&copies](const CQuad3d& quad, const float* corners[4]) {
    for (int k = 0; k < 4; k++) {
      const CQuadVertex3d* v = quad.v(k);
      corners[k] = copies.emplace_back(std::array<float, 3>{v->x(), v->y(), v->z()}).data();
    }
  };
  int mismatches = 0;
  auto expectReference = [&mismatches](const CQuad3d& quad) {
    const CVector3d e = ReferenceNormal(quad);
    const float a[3] = {quad.GetNormal()->x(), quad.GetNormal()->y(), quad.GetNormal()->z()};
    const float b[3] = {e.x(), e.y(), e.z()};
    if (std::memcmp(a, b, sizeof a) != 0 && ++mismatches <= 5)
      ADD_FAILURE() << a[0] << " " << a[1] << " " << a[2] << " vs " << b[0] << " " << b[1] << " "
                    << b[2];
  };
  for (int q = 0; q < 3000; q++) {
    const int count = q % 2 ? 8 : 1 + q % 8;
    CQuad3d* batch[8];
    const float* corners[8][4];
    const float* const* lanes[8];
    for (int l = 0; l < count; l++) {
      batch[l] = &newQuad((q + l) % 7 == 0);
      cornersOf(*batch[l], corners[l]);
      lanes[l] = corners[l];
    }
    CQuad3d::CalculateNormals(batch, lanes, count);
    for (int l = 0; l < count; l++)
      expectReference(*batch[l]);
  }
  CQuad3d& self = newQuad(false);
  const float* corners[4];
  cornersOf(self, corners);
  CQuad3d* selves[8] = {&self, &self, &self, &self, &self, &self, &self, &self};
  const float* const* lanes[8] = {corners, corners, corners, corners,
                                  corners, corners, corners, corners};
  CQuad3d::CalculateNormals(selves, lanes, 8);
  expectReference(self);
  EXPECT_EQ(mismatches, 0);
  EXPECT_NEAR(self.GetNormal()->GetSquareNorm(), 1.0, 1e-6);
}

TEST(QuadVertex3d, NeighbourListsHoldEachElementOnce)
{
  CQuadVertex3d a, b, c, d;
  CQuad3d q1(&a, &b, &c, &d), q2(&a, &d, &c, &b);
  a.AddNeighbor(&b);
  a.AddNeighbor(&b);
  a.AddQuadNeighbor(&q1);
  a.AddQuadNeighbor(&q2);
  a.AddQuadNeighbor(&q1);
  EXPECT_EQ(a.NbVertexNeighbor(), 1);
  EXPECT_EQ(a.NbQuadNeighbor(), 2);
  q2.SetFlag(3);
  EXPECT_EQ(a.NbQuadNeighborWithFlag(3), 1);
  a.RemoveAllNeighbors();
  EXPECT_EQ(a.NbVertexNeighbor() + a.NbQuadNeighbor(), 0);
}

// Six quads around one hub: longer lists than a vertex holds in itself keep every element
// once, in the order the quads list them, and come back empty after a clear.
TEST(QuadVertex3d, LongNeighbourListsKeepTheirOrder)
{
  CQuadMesh3d mesh;
  auto* hub = new CQuadVertex3d(0, 0, 0);
  mesh.AddVertex(hub);
  for (int k = 0; k < 12; k++) {
    const double angle = 3.14159265358979 * k / 6;
    const float r = k % 2 == 0 ? 1.0f : 1.5f;
    mesh.AddVertex(new CQuadVertex3d(r * static_cast<float>(std::cos(angle)),
                                     r * static_cast<float>(std::sin(angle)), 0.0f));
  }
  auto rim = [&mesh](int k) { return mesh.GetVertex(1 + k % 12); };
  for (int k = 0; k < 12; k += 2)
    mesh.AddQuad(new CQuad3d(hub, rim(k), rim(k + 1), rim(k + 2)));
  ASSERT_EQ(mesh.BuildAdjacency(), 1);
  ASSERT_EQ(hub->NbQuadNeighbor(), 6);
  ASSERT_EQ(hub->NbVertexNeighbor(), 6);
  for (int k = 0; k < 6; k++) {
    EXPECT_EQ(hub->GetQuadNeighbor(k), mesh.GetQuad(k));
    // Quad k names rim 2k after the hub and rim 2k + 2 before it: each quad adds one new one.
    EXPECT_EQ(hub->GetVertexNeighbor(k), rim(2 * k)) << k;
  }
  hub->RemoveAllNeighbors();
  EXPECT_EQ(hub->NbVertexNeighbor() + hub->NbQuadNeighbor(), 0);
  hub->AddNeighbor(rim(3));
  EXPECT_EQ(hub->GetVertexNeighbor(0), rim(3));
}

TEST(QuadEdge3d, FindsBothSidesAndTheFarCorners)
{
  CQuadMesh3d mesh;
  BuildGrid(mesh, 2, 1, [](int, int) { return 0.0; });
  // Vertices 0 1 2 on the bottom row, 3 4 5 on the top; quad 0 is (0,1,4,3), quad 1 (1,2,5,4).
  CQuadEdge3d inner(mesh.GetVertex(4), mesh.GetVertex(1));
  EXPECT_EQ(inner.GetQuadLeft(), mesh.GetQuad(1));
  EXPECT_EQ(inner.GetQuadRight(), mesh.GetQuad(0));
  EXPECT_EQ(inner.GetVertexOppositeV1(), mesh.GetVertex(3));
  EXPECT_EQ(inner.GetVertexOppositeV2(), mesh.GetVertex(0));

  CQuadEdge3d boundary(mesh.GetVertex(0), mesh.GetVertex(1));
  EXPECT_EQ(boundary.GetQuadLeft(), mesh.GetQuad(0));
  EXPECT_EQ(boundary.GetQuadRight(), nullptr);
  EXPECT_EQ(boundary.GetVertexOppositeV1(), nullptr);
  EXPECT_EQ(boundary.GetVertexOppositeV2(), nullptr);
}

//********************************************
// Adjacency, shapes and attributes
//********************************************

TEST(QuadMesh3d, BoxIsAClosedSphereWithOutwardNormals)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  ASSERT_EQ(mesh.NbVertex(), 8);
  ASSERT_EQ(mesh.NbFace(), 6);
  EXPECT_TRUE(mesh.IsValid());
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  EXPECT_EQ(EulerCharacteristic(mesh), 2);
  ExpectAdjacencyConsistent(mesh);
  for (int i = 0; i < mesh.NbVertex(); i++) {
    EXPECT_EQ(mesh.GetVertex(i)->NbVertexNeighbor(), 3);
    EXPECT_EQ(mesh.GetVertex(i)->NbQuadNeighbor(), 3);
  }
  for (int i = 0; i < mesh.NbQuad(); i++) {
    const CQuad3d* quad = mesh.GetQuad(i);
    EXPECT_EQ(quad->NbFaceNeighbor(), 4);
    const CVector3d* n = quad->GetNormal();
    const double outward = n->x() * quad->v(0)->x() + n->y() * quad->v(0)->y() +
                           n->z() * quad->v(0)->z();
    EXPECT_NEAR(outward, 1.0, 1e-6) << "quad " << i;
  }
}

TEST(QuadMesh3d, MushroomIsADisc)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  mesh.GenerateMushroom();
  ASSERT_EQ(mesh.NbVertex(), 12);
  ASSERT_EQ(mesh.NbQuad(), 9);
  EXPECT_EQ(EulerCharacteristic(mesh), 1);
  EXPECT_FALSE(IsClosedAndOriented(mesh));
  ExpectAdjacencyConsistent(mesh);
  int boundary = 0;
  for (int i = 0; i < mesh.NbQuad(); i++)
    boundary += 4 - mesh.GetQuad(i)->NbFaceNeighbor();
  EXPECT_EQ(boundary, 4);
}

TEST(QuadMesh3d, AdjacencyNeedsFourVerticesAndAQuad)
{
  CQuadMesh3d mesh;
  EXPECT_EQ(mesh.BuildAdjacency(), 0);
  for (int i = 0; i < 3; i++)
    mesh.AddVertex(new CQuadVertex3d(float(i), 0, 0));
  mesh.GetVertex(0)->AddNeighbor(mesh.GetVertex(1));
  EXPECT_EQ(mesh.BuildAdjacency(), 0);
  EXPECT_EQ(mesh.GetVertex(0)->NbVertexNeighbor(), 1);  // left as it was
  mesh.AddVertex(new CQuadVertex3d(0, 1, 0));
  EXPECT_EQ(mesh.BuildAdjacency(), 0);
  mesh.AddQuad(new CQuad3d(mesh.GetVertex(0), mesh.GetVertex(1), mesh.GetVertex(2),
                           mesh.GetVertex(3)));
  EXPECT_EQ(mesh.BuildAdjacency(), 1);
  EXPECT_EQ(mesh.GetVertex(0)->NbVertexNeighbor(), 2);
  EXPECT_EQ(mesh.GetQuad(0)->NbFaceNeighbor(), 0);
}

TEST(QuadMesh3d, SettersMarkModifiedWhereDrawingChanges)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  EXPECT_EQ(mesh.GetName(), "QuadMesh");
  EXPECT_EQ(mesh.GetType(), TYPE_QUADMESH3D);
  EXPECT_EQ(*mesh.GetColor(), CColor(0, 0, 0, 255));
  mesh.SetModified(0);
  mesh.SetFlagQuads(4);
  mesh.SetFlagVertices(5);
  EXPECT_EQ(mesh.GetModified(), 0);
  EXPECT_EQ(mesh.GetQuad(5)->GetFlag(), 4);
  EXPECT_EQ(mesh.GetVertex(7)->NbQuadNeighborWithFlag(4), 3);
  EXPECT_EQ(mesh.GetVertex(7)->GetFlag(), 5);
  mesh.SetColorQuads(10, 20, 30);
  EXPECT_EQ(mesh.GetModified(), 1);
  EXPECT_EQ(*mesh.GetQuad(3)->GetColor(), CColor(10, 20, 30));
  mesh.SetModified(0);
  mesh.SetColorVertices(1, 2, 3);
  EXPECT_EQ(*mesh.GetVertex(2)->GetColor(), CColor(1, 2, 3));
  EXPECT_EQ(mesh.GetModified(), 1);
  mesh.SetModified(0);
  mesh.SetColorBinding(0);
  EXPECT_EQ(mesh.GetColorBinding(), 0);
  EXPECT_EQ(mesh.GetModified(), 1);
  mesh.Show(0);
  EXPECT_EQ(mesh.Draw(), 0);  // hidden: no drawing, no display list
}

//********************************************
// Smoothing
//********************************************

TEST(QuadMeshSmooth, UsesOnlyOldPositions)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  mesh.Smooth();
  ASSERT_EQ(mesh.NbVertex(), 8);
  // (V + three neighbours) / 4 pulls every corner of the box to +-0.5 on each axis; an
  // update in place would break the symmetry.
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    EXPECT_FLOAT_EQ(std::fabs(v->x()), 0.5f);
    EXPECT_FLOAT_EQ(std::fabs(v->y()), 0.5f);
    EXPECT_FLOAT_EQ(std::fabs(v->z()), 0.5f);
  }
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  EXPECT_NEAR(mesh.GetQuad(0)->GetNormal()->x(), 1.0, 1e-6);
  EXPECT_EQ(mesh.GetModified(), 1);
}

TEST(QuadMeshSmooth, KeepsAPlaneAndItsCentroidOnAClosedMesh)
{
  CQuadMesh3d plane;
  BuildGrid(plane, 4, 3, [](int i, int j) { return 0.5 * i - 0.25 * j; });
  plane.Smooth();
  for (int i = 0; i < plane.NbVertex(); i++) {
    const CQuadVertex3d* v = plane.GetVertex(i);
    EXPECT_NEAR(v->z(), 0.5 * v->x() - 0.25 * v->y(), 1e-5);
  }

  // On a regular closed mesh every vertex has the same weight: the centroid stays.
  CQuadMesh3d torus;
  BuildTorus(torus, 12, 8);
  auto centroid = [&] {
    CVector3d sum;
    for (const CVector3d& p : Positions(torus))
      sum.Add(p);
    sum.Divide(float(torus.NbVertex()));
    return sum;
  };
  const CVector3d before = centroid();
  torus.Smooth();
  const CVector3d after = centroid();
  EXPECT_NEAR(after.x(), before.x(), 1e-5);
  EXPECT_NEAR(after.y(), before.y(), 1e-5);
  EXPECT_NEAR(after.z(), before.z(), 1e-5);
  EXPECT_EQ(EulerCharacteristic(torus), 0);
}

//********************************************
// Catmull-Clark
//********************************************

TEST(QuadMeshCatmullClark, BoxCountsAndTopologyOverTwoSteps)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  ExpectBoxStepsKeepASphere(mesh, &CQuadMesh3d::SubdivisionCatmullClark);
}

TEST(QuadMeshCatmullClark, BoxPointsFollowTheRules)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  mesh.SubdivisionCatmullClark();
  // Old corner of valence 3: (1/3) V + (1/9) (neighbours) + (1/9) (face points) = 5/9.
  for (int i = 0; i < 8; i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    EXPECT_NEAR(std::fabs(v->x()), 5.0 / 9.0, 1e-6);
    EXPECT_NEAR(std::fabs(v->y()), 5.0 / 9.0, 1e-6);
    EXPECT_NEAR(std::fabs(v->z()), 5.0 / 9.0, 1e-6);
  }
  // Face points follow the old vertices in quad order; the first quad is the +x side.
  ExpectPoint(mesh.GetVertex(8), 1, 0, 0);
  // The first edge point: edge (1,1,-1)-(1,1,1) between the +x and +y sides.
  ExpectPoint(mesh.GetVertex(14), 0.75, 0.75, 0);
  // Every old quad keeps its index and its first corner.
  EXPECT_EQ(mesh.GetQuad(0)->v(0), mesh.GetVertex(0));
  EXPECT_EQ(mesh.GetQuad(0)->v(2), mesh.GetVertex(8));
}

TEST(QuadMeshCatmullClark, TorusStaysATorusOfValenceFour)
{
  CQuadMesh3d mesh;
  BuildTorus(mesh, 8, 6);
  mesh.SubdivisionCatmullClark();
  EXPECT_EQ(mesh.NbVertex(), 48 + 48 + 96);
  EXPECT_EQ(mesh.NbQuad(), 4 * 48);
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  EXPECT_EQ(EulerCharacteristic(mesh), 0);
  for (int i = 0; i < mesh.NbVertex(); i++)
    EXPECT_EQ(mesh.GetVertex(i)->NbVertexNeighbor(), 4);
}

TEST(QuadMeshCatmullClark, BoundaryStaysAndTopologyIsKept)
{
  CQuadMesh3d mesh;
  mesh.GenerateMushroom();
  const std::vector<CVector3d> before = Positions(mesh);
  mesh.SubdivisionCatmullClark();
  EXPECT_EQ(mesh.NbVertex(), 12 + 9 + 20);
  EXPECT_EQ(mesh.NbQuad(), 36);
  EXPECT_EQ(EulerCharacteristic(mesh), 1);
  ExpectAdjacencyConsistent(mesh);
  // Vertices 4 to 7 lie on the boundary and keep their place; a boundary edge gets its
  // midpoint.
  for (int i = 4; i < 8; i++)
    ExpectPoint(mesh.GetVertex(i), before[i].x(), before[i].y(), before[i].z());
  bool foundMidpoint = false;
  for (int i = 21; i < mesh.NbVertex(); i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    foundMidpoint |= std::fabs(v->x() - 5) < 1e-6 && std::fabs(v->y()) < 1e-6 &&
                     std::fabs(v->z() + 2.5f) < 1e-6;
  }
  EXPECT_TRUE(foundMidpoint);
}

TEST(QuadMeshCatmullClark, VertexWithoutQuadsStaysWhereItIs)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  mesh.AddVertex(new CQuadVertex3d(7, 8, 9));
  mesh.BuildAdjacencyAndNormals();
  mesh.SubdivisionCatmullClark();
  ExpectPoint(mesh.GetVertex(8), 7, 8, 9);
  EXPECT_EQ(mesh.NbVertex(), 27);
  mesh.Smooth();
  ExpectPoint(mesh.GetVertex(8), 7, 8, 9);
}

// Scratch a caller left in the quads' new-vertex slots is not taken for a step's points: the
// step gives the same mesh as on clean quads, and leaves every slot empty.
TEST(QuadMeshSubdivision, StaleSlotsAreNotReused)
{
  for (auto step : {&CQuadMesh3d::SubdivisionCatmullClark, &CQuadMesh3d::SubdivisionKobbelt}) {
    CQuadMesh3d clean, stale;
    BuildTorus(clean, 8, 6);
    BuildTorus(stale, 8, 6);
    CQuadVertex3d stray(100, 100, 100);
    for (int i = 0; i < stale.NbQuad(); i += 3)
      for (int k = 0; k < 4; k++)
        stale.GetQuad(i)->SetNewVertex(k, &stray);
    (clean.*step)();
    (stale.*step)();
    ASSERT_EQ(stale.NbVertex(), clean.NbVertex());
    ASSERT_EQ(stale.NbQuad(), clean.NbQuad());
    for (int i = 0; i < clean.NbVertex(); i++) {
      const CQuadVertex3d* v = clean.GetVertex(i);
      ExpectPoint(stale.GetVertex(i), v->x(), v->y(), v->z(), 0.0);
      EXPECT_EQ(stale.GetVertex(i)->NbVertexNeighbor(), 4) << i;
    }
    for (int i = 0; i < stale.NbQuad(); i++)
      for (int k = 0; k < 5; k++)
        EXPECT_EQ(stale.GetQuad(i)->GetNewVertex(k), nullptr) << i << " " << k;
    EXPECT_TRUE(IsClosedAndOriented(stale));
  }
}

// A step that cannot link itself (here a vertex is listed twice) makes its points, moves the
// old vertices and gives the quads their normals as a linked step does: the two routes differ
// only in how they link, and give the same bits.
TEST(QuadMeshSubdivision, LinkedAndUnlinkedStepsGiveTheSamePointsAndNormals)
{
  for (auto step : {&CQuadMesh3d::SubdivisionCatmullClark, &CQuadMesh3d::SubdivisionKobbelt}) {
    CQuadMesh3d linked, unlinked;
    BuildTorus(linked, 9, 7);
    BuildTorus(unlinked, 9, 7);
    const int nbOld = linked.NbVertex();
    unlinked.AddVertex(unlinked.GetVertex(3));
    (linked.*step)();
    (unlinked.*step)();
    // The second listing of vertex 3 stays in its slot, before the new points.
    ASSERT_EQ(unlinked.NbVertex(), linked.NbVertex() + 1);
    ASSERT_EQ(unlinked.GetVertex(nbOld), unlinked.GetVertex(3));
    unlinked.GetArrayVertex()->RemoveAt(nbOld);
    ASSERT_EQ(unlinked.NbQuad(), linked.NbQuad());
    std::map<const CQuadVertex3d*, int> linkedIndex, unlinkedIndex;
    for (int i = 0; i < linked.NbVertex(); i++) {
      linkedIndex[linked.GetVertex(i)] = i;
      unlinkedIndex[unlinked.GetVertex(i)] = i;
      const CQuadVertex3d* a = linked.GetVertex(i);
      const CQuadVertex3d* b = unlinked.GetVertex(i);
      const float pa[3] = {a->x(), a->y(), a->z()};
      const float pb[3] = {b->x(), b->y(), b->z()};
      EXPECT_EQ(std::memcmp(pa, pb, sizeof pa), 0) << i;
    }
    for (int i = 0; i < linked.NbQuad(); i++) {
      const CQuad3d* a = linked.GetQuad(i);
      const CQuad3d* b = unlinked.GetQuad(i);
      for (int k = 0; k < 4; k++)
        EXPECT_EQ(linkedIndex[a->v(k)], unlinkedIndex[b->v(k)]) << i << " " << k;
      const float na[3] = {a->GetNormal()->x(), a->GetNormal()->y(), a->GetNormal()->z()};
      const float nb[3] = {b->GetNormal()->x(), b->GetNormal()->y(), b->GetNormal()->z()};
      EXPECT_EQ(std::memcmp(na, nb, sizeof na), 0) << i;
    }
    // The torus stays closed, with one new point for each quad and each edge.
    EXPECT_TRUE(IsClosedAndOriented(linked));
    EXPECT_EQ(linked.NbVertex(), nbOld + 63 + 2 * 63);
  }
}

//********************************************
// Kobbelt
//********************************************

TEST(QuadMeshKobbelt, BoxCountsAndOldVerticesStay)
{
  CQuadMesh3d mesh;
  mesh.GenerateBox();
  const std::vector<CVector3d> before = Positions(mesh);
  ExpectBoxStepsKeepASphere(mesh, &CQuadMesh3d::SubdivisionKobbelt);
  for (int i = 0; i < 8; i++)
    ExpectPoint(mesh.GetVertex(i), before[i].x(), before[i].y(), before[i].z(), 0);
}

TEST(QuadMeshKobbelt, ReproducesCubicsInsideARegularGrid)
{
  auto height = [](double x, double y) { return 0.01 * (x * x * x - 2 * y * y * y + x * x * y); };
  CQuadMesh3d mesh;
  const int size = 8;
  BuildGrid(mesh, size, size, [&](int i, int j) { return height(i, j); });
  const int nbOld = mesh.NbVertex();
  mesh.SubdivisionKobbelt();
  ASSERT_EQ(mesh.NbQuad(), 4 * size * size);
  int checked = 0;
  for (int i = nbOld; i < mesh.NbVertex(); i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    // Points whose whole stencil lies in the grid: two rings away from the border.
    if (v->x() < 2 || v->x() > size - 2 || v->y() < 2 || v->y() > size - 2)
      continue;
    EXPECT_NEAR(v->z(), height(v->x(), v->y()), 1e-4) << v->x() << " " << v->y();
    checked++;
  }
  EXPECT_GT(checked, 50);
}

TEST(QuadMeshKobbelt, IncompleteRingFallsBackToMeans)
{
  CQuadMesh3d mesh;
  BuildGrid(mesh, 2, 2, [](int i, int j) { return double(i * i + j * j * j); });
  mesh.SubdivisionKobbelt();
  // No quad of a 2 x 2 grid has its full ring: every face point is the mean of its corners,
  // every edge point the midpoint of its edge.
  const int nbOld = 9;
  for (int q = 0; q < 4; q++) {
    const CQuadVertex3d* face = mesh.GetVertex(nbOld + q);
    const int i = q % 2, j = q / 2;
    const double mean = (i * i + (i + 1) * (i + 1)) / 2.0 + (j * j * j + (j + 1) * (j + 1) * (j + 1)) / 2.0;
    ExpectPoint(face, i + 0.5, j + 0.5, mean);
  }
  const CQuadVertex3d* firstEdge = mesh.GetVertex(nbOld + 4);
  ExpectPoint(firstEdge, 0.5, 0, 0.5);
}

TEST(QuadMeshKobbelt, TorusIsRegularEverywhere)
{
  CQuadMesh3d mesh;
  BuildTorus(mesh, 16, 12);
  const int nbOld = mesh.NbVertex();
  const std::vector<CVector3d> before = Positions(mesh);
  mesh.SubdivisionKobbelt();
  EXPECT_EQ(EulerCharacteristic(mesh), 0);
  EXPECT_TRUE(IsClosedAndOriented(mesh));
  for (int i = 0; i < nbOld; i++)
    ExpectPoint(mesh.GetVertex(i), before[i].x(), before[i].y(), before[i].z(), 0);
  // On the torus of radii 3 and 1, the four-point rule lands new points close to the
  // surface: a fraction of the sag of a midpoint on the 12-sided tube.
  const double midpointSag = 1 - std::cos(3.14159265358979 / 12);
  double worst = 0;
  for (int i = nbOld; i < mesh.NbVertex(); i++) {
    const CQuadVertex3d* v = mesh.GetVertex(i);
    const double ring = std::hypot(v->x(), v->y()) - 3;
    worst = std::max(worst, std::fabs(std::hypot(ring, double(v->z())) - 1));
  }
  EXPECT_LT(worst, 0.25 * midpointSag) << worst;
}

// Every quad a step makes carries, bit for bit, the normal of its final corners: the step
// computes them from its own copy of the positions, which must follow every move and every
// new point, corner by corner.
TEST(QuadMeshSubdivision, NewNormalsAreThoseOfTheFinalCorners)
{
  auto expectNormalsOfCorners = [](const CQuadMesh3d& mesh, const char* what) {
    int mismatches = 0;
    for (int i = 0; i < mesh.NbQuad(); i++) {
      const CQuad3d* quad = mesh.GetQuad(i);
      const CVector3d e = ReferenceNormal(*quad);
      const float a[3] = {quad->GetNormal()->x(), quad->GetNormal()->y(), quad->GetNormal()->z()};
      const float b[3] = {e.x(), e.y(), e.z()};
      if (std::memcmp(a, b, sizeof a) != 0 && ++mismatches <= 3)
        ADD_FAILURE() << what << " quad " << i << ": " << a[0] << " " << a[1] << " " << a[2]
                      << " vs " << b[0] << " " << b[1] << " " << b[2];
    }
    EXPECT_EQ(mismatches, 0) << what;
  };
  for (const bool kobbelt : {false, true}) {
    const char* what = kobbelt ? "Kobbelt" : "Catmull-Clark";
    auto step = [kobbelt](CQuadMesh3d& mesh) {
      if (kobbelt)
        mesh.SubdivisionKobbelt();
      else
        mesh.SubdivisionCatmullClark();
    };
    // Two steps: the second starts from the first one's blocks and links.
    CQuadMesh3d torus;
    BuildTorus(torus, 9, 7);
    step(torus);
    step(torus);
    expectNormalsOfCorners(torus, what);
    CQuadMesh3d box;
    box.GenerateBox();
    step(box);
    step(box);
    expectNormalsOfCorners(box, what);
    // A bumpy open grid: boundary vertices stay, interior ones move.
    CQuadMesh3d grid;
    BuildGrid(grid, 5, 4, [](int i, int j) { return std::sin(1.3 * i) * std::cos(0.7 * j); });
    step(grid);
    expectNormalsOfCorners(grid, what);
  }
}

namespace {

// Counts its destructions.
struct SCounted
{
  explicit SCounted(int* pDestroyed, int value) : pDestroyed(pDestroyed), value(value) {}
  ~SCounted() { ++*pDestroyed; }
  int* pDestroyed;
  int value;
};

// A list grown past its room keeps its entries in order in a block, each once; emptied, it is
// back in its room; entries it exposes again by growing within its capacity are null.
TEST(QuadNeighborList, SpillsPastItsRoomAndComesBack)
{
  std::vector<int> values(20);
  CQuadNeighborList<int> list;
  EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
  for (int round = 0; round < 2; round++) {
    for (int& v : values) {
      list.AddUnique(&v);
      list.AddUnique(&values[0]);
    }
    ASSERT_EQ(list.GetSize(), 20);
    EXPECT_GE(list.GetMaxSize(), 20);
    for (int i = 0; i < 20; i++)
      EXPECT_EQ(list[i], &values[i]) << i;
    EXPECT_EQ(list.IndexFrom(&values[13]), 13);
    list.SetSize(2);
    list.SetSize(5);
    EXPECT_EQ(list[1], &values[1]);
    EXPECT_EQ(list[2], nullptr);
    EXPECT_EQ(list[4], nullptr);
    list.RemoveAll();
    EXPECT_EQ(list.GetSize(), 0);
    EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
    EXPECT_EQ(list.IndexFrom(&values[0]), -1);
  }
  list.SetSize(3);
  EXPECT_EQ(list[0], nullptr);
  EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
}

// Resized for entries its caller writes, a list keeps a block large enough for them (and its
// size follows), takes a larger one past it, and comes back to its room when emptied.
TEST(QuadNeighborList, ResizeKeepsStorageThatIsLargeEnough)
{
  std::vector<int> values(12);
  CQuadNeighborList<int> list;
  int** data = list.Resize(3);
  ASSERT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
  for (int i = 0; i < 3; i++)
    data[i] = &values[i];
  EXPECT_EQ(list.IndexFrom(&values[2]), 2);

  data = list.Resize(10);
  ASSERT_EQ(list.GetSize(), 10);
  EXPECT_GE(list.GetMaxSize(), 10);
  for (int i = 0; i < 10; i++)
    data[i] = &values[i];
  // Shrunk and grown within the block: the same block, the entries as they were.
  const int max = list.GetMaxSize();
  EXPECT_EQ(list.Resize(6), data);
  EXPECT_EQ(list.GetSize(), 6);
  EXPECT_EQ(list.IndexFrom(&values[7]), -1);
  EXPECT_EQ(list.Resize(max), data);
  EXPECT_EQ(list[7], &values[7]);

  list.Resize(0);
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
  data = list.Resize(CQuadNeighborList<int>::kRoom);
  for (int i = 0; i < CQuadNeighborList<int>::kRoom; i++)
    data[i] = &values[11 - i];
  EXPECT_EQ(list.GetMaxSize(), CQuadNeighborList<int>::kRoom);
  EXPECT_EQ(list[3], &values[8]);
}

// A block small enough for the heap and one the system maps: each constructs in order, tells
// its own elements from the room beyond them, and destroys exactly what it constructed.
TEST(QuadMeshBlock, HandsOutInOrderAndDestroysWhatItMade)
{
  // 16-byte elements: the second block is past the heap's share and mapped.
  for (const int capacity : {10, (1 << 25) / 16 + 1000}) {
    int destroyed = 0;
    const int used = capacity - 3;
    {
      CQuadMeshBlock<SCounted> block(capacity);
      SCounted* first = block.Emplace(&destroyed, 0);
      SCounted* last = first;
      for (int i = 1; i < used; i++)
        last = block.Emplace(&destroyed, i);
      EXPECT_EQ(last - first, used - 1) << capacity;
      EXPECT_EQ(last->value, used - 1) << capacity;
      EXPECT_TRUE(block.Holds(first)) << capacity;
      EXPECT_TRUE(block.Holds(last)) << capacity;
      EXPECT_FALSE(block.Holds(last + 1)) << capacity;
      EXPECT_FALSE(block.Holds(first - 1)) << capacity;
      EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, used) << capacity;
  }
}

// A step points at rooms before it makes their elements: each room is found from its index
// and back, made or not, and nothing outside the block, or between two rooms, passes for one.
TEST(QuadMeshBlock, RoomsAreKnownBeforeTheirElementsAreMade)
{
  for (const int capacity : {10, (1 << 25) / 16 + 1000}) {
    int destroyed = 0;
    {
      CQuadMeshBlock<SCounted> block(capacity);
      SCounted* first = block.Slot(0);
      EXPECT_EQ(block.Slot(capacity - 1) - first, capacity - 1);
      for (const int i : {0, 1, capacity / 2, capacity - 1})
        EXPECT_EQ(block.IndexOf(block.Slot(i)), i) << capacity;
      EXPECT_EQ(block.IndexOf(first + capacity), -1);
      EXPECT_EQ(block.IndexOf(first - 1), -1);
      EXPECT_EQ(block.IndexOf(nullptr), -1);
      const auto* between = reinterpret_cast<const SCounted*>(reinterpret_cast<const char*>(first) + 4);
      EXPECT_EQ(block.IndexOf(between), -1);
      // Made in order, an element lands in the room that was handed out for it.
      EXPECT_EQ(block.Emplace(&destroyed, 5), first);
      EXPECT_EQ(block.Emplace(&destroyed, 6), block.Slot(1));
      EXPECT_TRUE(block.Holds(first));
      EXPECT_FALSE(block.Holds(block.Slot(2)));
      EXPECT_EQ(block.IndexOf(block.Slot(2)), 2);
    }
    EXPECT_EQ(destroyed, 2) << capacity;
  }
}

} // namespace
