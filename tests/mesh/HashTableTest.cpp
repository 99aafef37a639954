#include "MeshFixtures.h"
#include "QueryFixtures.h"

#include "mesh/HashTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

CVertex3d RandomPoint(float r)
{
  return CVertex3d(queries::Uniform(-r, r), queries::Uniform(-r, r), queries::Uniform(-r, r));
}

TEST(HashTable, SingleCellSearchIsExact)
{
  auto mesh = fixtures::Icosphere(2);
  CHashTable table(1);
  ASSERT_EQ(table.Fill(mesh.get(), nullptr), 1);
  EXPECT_EQ(table.CountCells(), 1);
  EXPECT_EQ(table.MeanFacesPerCell(), mesh->NbFace());
  platform::Srand(5);
  for (int k = 0; k < 50; k++) {
    const CVertex3d p = RandomPoint(2.0f);
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    int index = -1;
    const double oracle = queries::BruteNearestFace(*mesh, &p, &index);
    ASSERT_NEAR(table.DistanceToNearestFace(&p, &nearest, &pFace, 0), oracle, 1e-5);
    EXPECT_NEAR(queries::SquareToFace(&p, pFace), oracle, 1e-5);
  }
}

TEST(HashTable, GridSearchIsCloseToTheTrueNearestFace)
{
  auto mesh = fixtures::Icosphere(3);
  const int n = 8;
  CHashTable table(n);
  ASSERT_EQ(table.Fill(mesh.get(), nullptr), 1);
  const double cell = 2.0 / n * std::sqrt(3.0);
  platform::Srand(9);
  int exact = 0;
  for (int k = 0; k < 200; k++) {
    const CVertex3d p = RandomPoint(1.3f);
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    int index = -1;
    const double oracle = queries::BruteNearestFace(*mesh, &p, &index);
    const double d = table.DistanceToNearestFace(&p, &nearest, &pFace, 0);
    ASSERT_NE(pFace, nullptr);
    // A real face at the distance reported, never nearer than the truth, and the shells
    // stop within a cell or two of it.
    EXPECT_NEAR(queries::SquareToFace(&p, pFace), d, 1e-5);
    EXPECT_GE(d, oracle - 1e-6);
    EXPECT_LE(std::sqrt(d), std::sqrt(oracle) + 2.0 * cell);
    exact += std::abs(d - oracle) < 1e-6 ? 1 : 0;
  }
  EXPECT_GT(exact, 150);

  // Points on the surface find their own face at distance 0.
  for (int i = 0; i < mesh->NbVertex(); i += 7) {
    CVertex3d nearest;
    CFace3d* pFace = nullptr;
    EXPECT_NEAR(table.DistanceToNearestFace(mesh->GetVertex(i), &nearest, &pFace, 0), 0.0, 1e-9);
    EXPECT_TRUE(pFace->HasVertex(mesh->GetVertex(i)) || pFace->IsPointInside(mesh->GetVertex(i)));
  }
}

TEST(HashTable, FacesLiveInTheCellsOfTheirCorners)
{
  // One long face across the x axis and a small one near its far corner.
  auto mesh = fixtures::Build({{0, 0, 0}, {5.9f, 0, 0}, {0, 0.5f, 0}, {5, 5, 1}, {6, 5, 1}, {6, 6, 1}},
                              {{0, 1, 2}, {3, 4, 5}});
  CHashTable table(6);
  ASSERT_EQ(table.Fill(mesh.get(), nullptr), 1);
  CHashTable::SCellRecord records[3];
  ASSERT_EQ(table.CellsOfFace(mesh->GetFace(0), records), 2);
  EXPECT_EQ(records[0].i, 0);
  EXPECT_EQ(records[1].i, 5);
  EXPECT_EQ(table.IsCellEmpty(2, 0, 0), 1);
  EXPECT_EQ(table.IsCellEmpty(0, 0, 0), 0);
  // The upper face of the box lies in the last cell; the box itself excludes it.
  int i = 0;
  int j = 0;
  int k = 0;
  const CVertex3d top(6, 6, 1);
  EXPECT_EQ(table.CellIndex(&top, &i, &j, &k), table.Index(5, 5, 5));
  EXPECT_EQ(table.Contains(&top), 0);
  EXPECT_EQ(table.GetCell(table.Index(5, 5, 5))->Contains(&top), 1);
  EXPECT_EQ(table.GetCell(table.Index(5, 5, 5))->ContainsFace(mesh->GetFace(1)), 1);

  // From the middle of the long face, shell 0 is empty: the first found shell decides.
  CFace3d* pFace = nullptr;
  const CVertex3d middle(3.0f, 0.2f, 0.0f);
  ASSERT_EQ(table.FindFaceInNearestCell(&middle, &pFace), 1);
  CVertex3d nearest;
  pFace = nullptr;
  EXPECT_LT(table.DistanceToNearestFace(&middle, &nearest, &pFace, 0), 1e30);
  EXPECT_NE(pFace, nullptr);
}

TEST(HashTable, OutsidePointsComeInThroughTheBox)
{
  auto mesh = queries::Grid(4, 4.0f);
  mesh->TranslateVertices(0, 0, 0);
  CHashTable table(4);
  ASSERT_EQ(table.Fill(mesh.get(), nullptr), 1);
  // The grid is flat on z: one cell thick there, no division by zero.
  const CVertex3d onPlane(1.5f, 2.5f, 0.0f);
  EXPECT_EQ(table.Contains(&onPlane), 1);
  int i = 0;
  int j = 0;
  int k = 0;
  EXPECT_EQ(table.CellIndex(&onPlane, &i, &j, &k), table.Index(1, 2, 0));

  const CVertex3d far(-3.0f, 9.0f, 2.0f);
  EXPECT_EQ(table.Contains(&far), 0);
  EXPECT_EQ(table.CellIndexOutside(&far, &i, &j, &k), table.Index(0, 3, 0));
  CVertex3d nearest;
  CFace3d* pFace = nullptr;
  int index = -1;
  const double oracle = queries::BruteNearestFace(*mesh, &far, &index);
  EXPECT_NEAR(table.DistanceToNearestFace(&far, &nearest, &pFace, 0), oracle, 1e-5);
}

TEST(HashTable, EmptyAndUnfilledTablesFindNothing)
{
  CHashTable table(4);
  const CVertex3d p(0, 0, 0);
  CVertex3d nearest(1, 2, 3);
  CFace3d* pFace = nullptr;
  EXPECT_EQ(table.DistanceToNearestFace(&p, &nearest, &pFace, 1), 1.7e308);
  EXPECT_EQ(pFace, nullptr);
  EXPECT_FLOAT_EQ(nearest.x(), 1.0f);
  EXPECT_EQ(table.FindFaceInNearestCell(&p, &pFace), 0);
  EXPECT_EQ(table.CountCells(), 0);
  EXPECT_EQ(table.MeanFacesPerCell(), 0.0);
  EXPECT_EQ(table.AllCellsEmpty(), 1);

  CMesh3d empty;
  EXPECT_EQ(table.Fill(&empty, nullptr), 0);
  EXPECT_EQ(table.DistanceToNearestFace(&p, &nearest, &pFace, 0), 1.7e308);

  CHashTable none(0);
  EXPECT_EQ(none.CountCells(), 0);
  EXPECT_EQ(none.AllCellsHaveFlag(0), 0);
  EXPECT_EQ(none.MeanFacesPerCell(), 0.0);
  auto tetra = fixtures::Tetrahedron();
  EXPECT_EQ(none.Fill(tetra.get(), nullptr), 0);
}

TEST(HashTable, CellFlagsAndStatistics)
{
  auto mesh = fixtures::Icosphere(1);
  CHashTable table(3);
  table.Fill(mesh.get(), nullptr);
  const int cells = table.CountCells();
  EXPECT_GT(cells, 1);
  table.SetCellsFlag(2);
  EXPECT_EQ(table.AllCellsHaveFlag(2), 1);
  EXPECT_EQ(table.CountCellsWithFlag(2), cells);
  int first = 0;
  while (!table.GetCell(first))
    first++;
  table.GetCell(first)->SetFlag(1);
  EXPECT_EQ(table.AllCellsHaveFlag(2), 0);
  EXPECT_EQ(table.CountCellsWithFlag(1), 1);
  int registered = 0;
  for (int f = 0; f < mesh->NbFace(); f++) {
    CHashTable::SCellRecord records[3];
    registered += table.CellsOfFace(mesh->GetFace(f), records);
  }
  EXPECT_NEAR(table.MeanFacesPerCell(), static_cast<double>(registered) / cells, 1e-12);
  EXPECT_EQ(table.AllCellsEmpty(), 0);
}

TEST(HashTable, NearestIntersectionAlongALine)
{
  auto mesh = queries::Grid(8, 4.0f);
  CHashTable table(4);
  table.Fill(mesh.get(), nullptr);
  const CVertex3d a(1.3f, 2.6f, 1.0f);
  const CVertex3d b(1.3f, 2.6f, 0.5f);
  CVertex3d hit;
  CFace3d* pFace = nullptr;
  int count = 0;
  ASSERT_EQ(table.NearestIntersection(&a, &b, &hit, &pFace, &count, 4), 1);
  EXPECT_NEAR(hit.x(), 1.3f, 1e-5);
  EXPECT_NEAR(hit.z(), 0.0f, 1e-6);
  EXPECT_TRUE(pFace->IsPointInside(&hit));
  EXPECT_GT(count, 0);
  EXPECT_LT(count, mesh->NbFace());

  const CVertex3d c(9.0f, 9.0f, 1.0f);
  const CVertex3d d(9.0f, 9.0f, 0.0f);
  EXPECT_EQ(table.NearestIntersection(&c, &d, &hit, &pFace, &count, 4), 0);
  EXPECT_EQ(pFace, nullptr);
}

// The search tree answers as the scan of every face: the same face (the first of equally near
// hits) and the same hit, bit for bit, for random lines, for lines through corners and along
// shared edges of a flat grid (where several faces tie), for lines parallel to the faces, and
// for lines that start far away.
void ExpectTreeMatchesScan(CMesh3d& mesh, const CVertex3d& a, const CVertex3d& b)
{
  CHashTable table(4);
  ASSERT_EQ(table.Fill(&mesh, nullptr), 1);
  CVertex3d scanHit(-7.0f, -7.0f, -7.0f);
  CVertex3d treeHit(-7.0f, -7.0f, -7.0f);
  CFace3d* pScan = nullptr;
  CFace3d* pTree = nullptr;
  int tested = 0;
  const int hits = mesh.IntersectLineWithFaces(&a, &b, &scanHit, &pScan, &tested);
  EXPECT_EQ(table.IntersectLine(&a, &b, &treeHit, &pTree), hits > 0 ? 1 : 0);
  ASSERT_EQ(pTree, pScan);
  EXPECT_EQ(treeHit.x(), scanHit.x());
  EXPECT_EQ(treeHit.y(), scanHit.y());
  EXPECT_EQ(treeHit.z(), scanHit.z());
}

TEST(HashTable, LineSearchTreeAnswersAsTheScan)
{
  auto sphere = fixtures::Icosphere(3);
  platform::Srand(11);
  int hit = 0;
  for (int k = 0; k < 300; k++) {
    const CVertex3d a = RandomPoint(1.5f);
    const CVertex3d b = RandomPoint(1.5f);
    ExpectTreeMatchesScan(*sphere, a, b);
    CVertex3d q;
    CFace3d* f = nullptr;
    int tested = 0;
    hit += sphere->IntersectLineWithFaces(&a, &b, &q, &f, &tested) > 0 ? 1 : 0;
  }
  EXPECT_GT(hit, 100);  // most random lines cross the sphere: the comparison is not vacuous

  auto grid = queries::Grid(6, 3.0f);
  for (int i = 0; i <= 6; i++)
    for (int j = 0; j <= 6; j++) {
      // Vertical lines through every corner and every edge midpoint: hits shared by faces.
      const float x = 0.5f * i;
      const float y = 0.5f * j;
      ExpectTreeMatchesScan(*grid, CVertex3d(x, y, 1.0f), CVertex3d(x, y, -1.0f));
      ExpectTreeMatchesScan(*grid, CVertex3d(x + 0.25f, y, 2.0f), CVertex3d(x + 0.25f, y, 1.0f));
      // Slanted through the same points, from far away.
      ExpectTreeMatchesScan(*grid, CVertex3d(x + 300.0f, y, 400.0f), CVertex3d(x, y, 0.0f));
    }
  // In the plane of the grid, and parallel to it just above.
  ExpectTreeMatchesScan(*grid, CVertex3d(-1, 1, 0), CVertex3d(4, 1.3f, 0));
  ExpectTreeMatchesScan(*grid, CVertex3d(-1, 1, 0.01f), CVertex3d(4, 1.3f, 0.01f));
  // Missing the mesh altogether.
  ExpectTreeMatchesScan(*grid, CVertex3d(10, 10, 1), CVertex3d(10, 10, -1));
}

// The lines of the volume measure: from points a little off a face, inside and outside, along
// the face's normal, where the nearest hit is close and a far one lies across the sphere; and
// from the corners themselves, where the neighbouring faces tie.
TEST(HashTable, LineSearchTreeAnswersAsTheScanAlongFaceNormals)
{
  auto sphere = fixtures::Icosphere(2);
  platform::Srand(5);
  for (int i = 0; i < sphere->NbVertex(); i++) {
    const CVertex3d p = RandomPoint(0.01f);
    sphere->GetVertex(i)->Move(p.x(), p.y(), p.z());
  }
  for (int i = 0; i < sphere->NbFace(); i += 3) {
    CFace3d* f = sphere->GetFace(i);
    f->CalculateNormal();
    const CVector3d n = *f->GetNormal();
    const CVertex3d* c = f->v(i % 3);
    for (const float off : {-0.02f, 0.0f, 0.02f}) {
      const CVertex3d a(c->x() + off * n.x() + 0.01f, c->y() + off * n.y(), c->z() + off * n.z());
      const CVertex3d b(a.x() + n.x(), a.y() + n.y(), a.z() + n.z());
      ExpectTreeMatchesScan(*sphere, a, b);
    }
    ExpectTreeMatchesScan(*sphere, *c, CVertex3d(c->x() + n.x(), c->y() + n.y(), c->z() + n.z()));
  }
}

} // namespace