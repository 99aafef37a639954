#include "MeshFixtures.h"
#include "QueryFixtures.h"

#include "mesh/GeometryUtil.h"
#include "platform/core/Clipboard.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using queries::SquareToFace;

// A lone triangle that the test owns with its corners.
struct STriangle
{
  STriangle(const CVertex3d& a, const CVertex3d& b, const CVertex3d& c)
    : a(a.x(), a.y(), a.z()), b(b.x(), b.y(), b.z()), c(c.x(), c.y(), c.z()), face(&this->a, &this->b, &this->c)
  {
  }
  CVertex3d a;
  CVertex3d b;
  CVertex3d c;
  CFace3d face;
};

double Distance(STriangle& t, float x, float y, float z, CVertex3d* pNearest)
{
  const CVertex3d p(x, y, z);
  return SquareDistanceFromVertexToFace(&p, &t.face, pNearest);
}

TEST(PointTriangleDistance, RegionsOfAnObtuseTriangle)
{
  // Obtuse at (0, 0, 0): the region beyond that corner touches no edge segment.
  STriangle t(CVertex3d(0, 0, 0), CVertex3d(4, 1, 0), CVertex3d(-1, 2, 0));
  CVertex3d nearest;

  EXPECT_NEAR(Distance(t, 0.5f, 1.0f, 2.0f, &nearest), 4.0, 1e-6);  // inside: the height
  EXPECT_FLOAT_EQ(nearest.z(), 0.0f);
  EXPECT_NEAR(Distance(t, 2.0f, 0.5f, 0.0f, &nearest), 0.0, 1e-9);  // on an edge
  EXPECT_NEAR(Distance(t, -1.0f, -1.0f, 1.0f, &nearest), 3.0, 1e-6);  // beyond the corner
  EXPECT_TRUE(nearest.IsSamePosition(&t.a));
  EXPECT_NEAR(Distance(t, 6.0f, 1.5f, 0.0f, &nearest), 4.0 + 0.25, 1e-6);  // beyond corner b
  EXPECT_TRUE(nearest.IsSamePosition(&t.b));
}

TEST(PointTriangleDistance, MatchesTheOracleEverywhere)
{
  platform::Srand(7);
  for (int trial = 0; trial < 300; trial++) {
    STriangle t(CVertex3d(queries::Uniform(-1, 1), queries::Uniform(-1, 1), queries::Uniform(-1, 1)),
                CVertex3d(queries::Uniform(-1, 1), queries::Uniform(-1, 1), queries::Uniform(-1, 1)),
                CVertex3d(queries::Uniform(-1, 1), queries::Uniform(-1, 1), queries::Uniform(-1, 1)));
    for (int k = 0; k < 10; k++) {
      const CVertex3d p(queries::Uniform(-2, 2), queries::Uniform(-2, 2), queries::Uniform(-2, 2));
      CVertex3d nearest;
      const double d = SquareDistanceFromVertexToFace(&p, &t.face, &nearest);
      ASSERT_NEAR(d, SquareToFace(&p, &t.face), 1e-4) << trial;
      // The nearest point lies on the triangle and is at the distance reported.
      EXPECT_NEAR(SquareToFace(&nearest, &t.face), 0.0, 1e-5);
      EXPECT_NEAR(SquareDistance(&p, &nearest), d, 1e-9);
    }
  }
}

TEST(PointTriangleDistance, DegenerateFacesAreMeasuredOnTheirEdges)
{
  CVertex3d nearest(99, 99, 99);
  STriangle segment(CVertex3d(0, 0, 0), CVertex3d(1, 0, 0), CVertex3d(2, 0, 0));
  EXPECT_NEAR(Distance(segment, 1.5f, 2.0f, 0.0f, &nearest), 4.0, 1e-6);
  EXPECT_NEAR(nearest.x(), 1.5f, 1e-6);
  EXPECT_NEAR(Distance(segment, 3.0f, 0.0f, 1.0f, &nearest), 2.0, 1e-6);
  EXPECT_TRUE(nearest.IsSamePosition(&segment.c));

  STriangle twice(CVertex3d(0, 0, 0), CVertex3d(0, 0, 0), CVertex3d(0, 2, 0));
  EXPECT_NEAR(Distance(twice, 1.0f, 1.0f, 0.0f, &nearest), 1.0, 1e-6);

  STriangle point(CVertex3d(1, 1, 1), CVertex3d(1, 1, 1), CVertex3d(1, 1, 1));
  EXPECT_NEAR(Distance(point, 1.0f, 1.0f, 3.0f, &nearest), 4.0, 1e-6);
  EXPECT_TRUE(nearest.IsSamePosition(&point.a));
}

TEST(PointTriangleDistance, BoundedSearchSkipsFarPlanesOnly)
{
  STriangle t(CVertex3d(0, 0, 0), CVertex3d(1, 0, 0), CVertex3d(0, 1, 0));
  CVertex3d nearest;
  const CVertex3d outside(5, 5, 2);
  EXPECT_EQ(SquareDistanceFromVertexToFaceBounded(&outside, &t.face, &nearest, 3.0), -1.0);
  // Inside its projection a face is always measured, however far its plane.
  const CVertex3d above(0.2f, 0.2f, 3);
  EXPECT_NEAR(SquareDistanceFromVertexToFaceBounded(&above, &t.face, &nearest, 1.0), 9.0, 1e-6);
}

TEST(FaceSets, NearestFaceAndHausdorffMatchBruteForce)
{
  auto mesh = fixtures::Icosphere(2);
  platform::Srand(3);
  for (int k = 0; k < 100; k++) {
    const CVertex3d p(queries::Uniform(-2, 2), queries::Uniform(-2, 2), queries::Uniform(-2, 2));
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    const double d = SquareDistanceFromVertexToFaces(&p, &nearest, &pFace, mesh->GetArrayFace());
    int index = -1;
    const double oracle = queries::BruteNearestFace(*mesh, &p, &index);
    ASSERT_NEAR(d, oracle, 1e-5);
    ASSERT_NE(pFace, nullptr);
    EXPECT_NEAR(SquareToFace(&p, pFace), oracle, 1e-5);
    EXPECT_NEAR(MinSquareDistanceFromVertexToFaces(&p, mesh->GetArrayFace()), oracle, 1e-5);
  }

  // Hausdorff of a coarser sphere's vertices, pushed out, against the fine one.
  auto coarse = fixtures::Icosphere(1);
  for (int i = 0; i < coarse->NbVertex(); i++) {
    CVertex3d* v = coarse->GetVertex(i);
    const float s = 1.0f + 0.01f * (i % 7);
    v->Set(v->x() * s, v->y() * s, v->z() * s);
  }
  double oracle = 0.0;
  int worst = -1;
  for (int i = 0; i < coarse->NbVertex(); i++) {
    int index = -1;
    const double d = queries::BruteNearestFace(*mesh, coarse->GetVertex(i), &index);
    if (d > oracle) {
      oracle = d;
      worst = i;
    }
  }
  CVertex3d* pVertex = nullptr;
  CFace3d* pFace = nullptr;
  const double h = SquareHausdorffVerticesToFaces(coarse->GetArrayVertex(), mesh->GetArrayFace(),
                                                  &pVertex, &pFace);
  EXPECT_NEAR(h, oracle, 1e-5);
  EXPECT_EQ(pVertex, coarse->GetVertex(worst));
  EXPECT_NEAR(SquareToFace(pVertex, pFace), oracle, 1e-5);

  CArray3d<CFace3d> none;
  CVertex3d nearest(1, 2, 3);
  EXPECT_EQ(SquareDistanceFromVertexToFaces(pVertex, &nearest, &pFace, &none), 1.7e308);
  EXPECT_FLOAT_EQ(nearest.y(), 2.0f);
}

TEST(Edges, NearestPointOnSegmentsAndEmptySets)
{
  CVertex3d a(0, 0, 0);
  CVertex3d b(2, 0, 0);
  CVertex3d c(2, 2, 0);
  CEdge3d ab(&a, &b);
  CEdge3d bc(&b, &c);
  CEdge3d point(&c, &c);
  CVertex3d nearest;
  const CVertex3d p(1, -1, 0);
  EXPECT_NEAR(SquareDistanceFromVertexToEdge(&p, &ab, &nearest), 1.0, 1e-9);
  EXPECT_FLOAT_EQ(nearest.x(), 1.0f);
  EXPECT_NEAR(SquareDistanceFromVertexToEdge(&p, &bc, &nearest), 2.0, 1e-9);
  EXPECT_TRUE(nearest.IsSamePosition(&b));
  EXPECT_NEAR(SquareDistanceFromVertexToEdge(&p, &point, &nearest), 10.0, 1e-9);
  EXPECT_TRUE(nearest.IsSamePosition(&c));

  CArray3d<CEdge3d> edges;
  nearest.Set(7, 7, 7);
  EXPECT_EQ(SquareDistanceFromVertexToEdges(&p, &edges, &nearest), 0.0);
  EXPECT_FLOAT_EQ(nearest.x(), 7.0f);
  edges.Add(&bc);
  edges.Add(&ab);
  EXPECT_NEAR(SquareDistanceFromVertexToEdges(&p, &edges, &nearest), 1.0, 1e-9);
  EXPECT_FLOAT_EQ(nearest.x(), 1.0f);

  CVertex3d q;
  EXPECT_EQ(ProjectOnLine(&p, &a, &a, &q), 0);
  EXPECT_NEAR(DistanceFromVertexToLine(&p, &a, &a, &q), std::sqrt(2.0), 1e-6);
}

TEST(Intersections, WalkFromAFaceFindsTheHitAndClearsFlags)
{
  auto strip = fixtures::Strip(8);
  const CVertex3d a(7.3f, 0.4f, 1.0f);
  const CVertex3d b(7.3f, 0.4f, -1.0f);
  CVertex3d q;
  CFace3d* pHit = nullptr;
  ASSERT_EQ(FindIntersectionFromFace(&a, &b, strip->GetFace(0), &q, &pHit, 100), 1);
  EXPECT_EQ(pHit, strip->GetFace(14));
  EXPECT_NEAR(q.x(), 7.3f, 1e-5);
  EXPECT_EQ(strip->CountFacesWithFlag(1), 0);
  // Too few faces allowed to reach the hit.
  EXPECT_EQ(FindIntersectionFromFace(&a, &b, strip->GetFace(0), &q, &pHit, 5), 0);
  EXPECT_EQ(strip->CountFacesWithFlag(1), 0);

  CFace3d* pAround = nullptr;
  EXPECT_EQ(NearestIntersectionAroundFace(strip->GetFace(13), &a, &b, &q, &pAround), 1);
  EXPECT_EQ(pAround, strip->GetFace(14));
}

TEST(FaceSets, SharpPairsAnglesAndAreas)
{
  auto tetra = fixtures::Tetrahedron();
  CArray3d<CFace3d> set;
  EXPECT_EQ(CountSharpFacePairs(&set, 0.5), 0);
  set.Add(tetra->GetFace(0));
  EXPECT_EQ(CountSharpFacePairs(&set, 0.5), 2);
  double value = 0.0;
  EXPECT_EQ(MaxAngleFaces(&set, &value), 0);
  set.Add(tetra->GetFace(1));
  set.Add(tetra->GetFace(2));
  EXPECT_EQ(CountSharpFacePairs(&set, 0.99), 3);  // three right angles at the origin
  EXPECT_EQ(SumAbsSinus(&set, &value), 1);
  EXPECT_NEAR(value, 3.0, 1e-6);
  EXPECT_EQ(MaxAngleFaces(&set, &value), 1);
  EXPECT_NEAR(value, 3.14159265 / 2, 1e-5);

  auto strip = fixtures::Strip(4);
  CArray3d<CFace3d> apart;
  apart.Add(strip->GetFace(0));
  apart.Add(strip->GetFace(7));
  EXPECT_EQ(CountSharpFacePairs(&apart, 0.0), 0);
  EXPECT_NEAR(MeanArea(strip->GetArrayFace()), 0.5, 1e-9);
  EXPECT_NEAR(MinArea(strip->GetArrayFace()), 0.5, 1e-9);
  CArray3d<CFace3d> empty;
  EXPECT_EQ(MeanArea(&empty), 0.0);

  // The faces around a vertex, each once.
  CArray3d<CFace3d> around;
  CVertex3d* v = strip->GetVertex(4);
  EXPECT_EQ(AddFacesAroundVertex(&around, strip->GetFace(2), v), 1);
  EXPECT_EQ(around.GetSize(), v->NbFaceNeighbor());
  EXPECT_EQ(AddFacesAroundVertex(&around, strip->GetFace(2), v), 0);
}

TEST(Points, MidpointCentroidBarycenter)
{
  CVertex3d a(0, 0, 0);
  CVertex3d b(2, 4, 6);
  CVertex3d c(4, 2, 0);
  const std::unique_ptr<CVertex3d> m(Midpoint(&a, &b));
  EXPECT_TRUE(m->IsSamePosition(std::make_unique<CVertex3d>(1, 2, 3).get()));
  const std::unique_ptr<CVertex3d> g(Centroid(&a, &b, &c));
  EXPECT_FLOAT_EQ(g->x(), 2.0f);
  EXPECT_FLOAT_EQ(g->z(), 2.0f);
  CArray3d<CVertex3d> set;
  CVertex3d center(9, 9, 9);
  EXPECT_EQ(Barycenter(&set, &center), 0);
  EXPECT_FLOAT_EQ(center.x(), 9.0f);
  set.Add(&a);
  set.Add(&b);
  set.Add(&c);
  EXPECT_EQ(Barycenter(&set, &center), 1);
  EXPECT_TRUE(center.IsSamePosition(g.get()));
  EXPECT_NEAR(AreaRatio(&a, &b, &c, &b), 0.0, 1e-12);
}

TEST(Utilities, RoundSendsHalvesDown)
{
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -3);
  EXPECT_EQ(Round(-0.5), -1);
  EXPECT_EQ(Round(3.0), 3);
  EXPECT_EQ(Round(2.51), 3);
  EXPECT_EQ(Round(-2.49), -2);
}

class CRecordingClipboard : public platform::CClipboardSink
{
public:
  bool SetText(const std::string& value) override
  {
    text = value;
    return true;
  }
  bool SetBitmap(const std::vector<std::uint8_t>&) override { return false; }
  bool SetMetafile(const std::vector<std::uint8_t>&) override { return false; }
  std::string GetText() override { return text; }
  std::string text;
};

TEST(Utilities, CopyTextToClipboard)
{
  EXPECT_EQ(CopyTextToClipboard("lost"), 0);
  CRecordingClipboard clipboard;
  platform::CClipboardSink* pPrevious = platform::SetClipboard(&clipboard);
  EXPECT_EQ(CopyTextToClipboard("a\tb\r\n"), 1);
  EXPECT_EQ(clipboard.text, "a\tb\r\n");
  platform::SetClipboard(pPrevious);
}

} // namespace
