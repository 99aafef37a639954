#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/HashCell.h"
#include "mesh/HashTable.h"
#include "processing/NearestFaceSearch.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

using namespace fixtures;

// The search must answer every query exactly as the hash table and the geometry functions do:
// the descents of the edge-collapse costs compare its distances for order and equality.
namespace {

// A bumpy torus, and a grid with degenerate faces: one corner moved onto its neighbour (faces
// without a plane, an edge of length zero) and one moved onto the line of two others.
std::vector<std::unique_ptr<CMesh3d>> References()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(Torus(9));
  Perturb(*meshes.back(), 0.05f);
  meshes.push_back(FlatGrid(6, 6));
  CMesh3d& grid = *meshes.back();
  grid.GetVertex(8)->Set(grid.GetVertex(9));
  grid.GetVertex(14)->Set(3.0f, 0.0f, 2.5f);
  grid.GetVertex(27)->Move(0.0f, 0.3f, 0.0f);
  for (CMesh3d* mesh : {meshes[0].get(), meshes[1].get()}) {
    mesh->BuildAdjacency();
    mesh->ComputeFaceNormals();
  }
  return meshes;
}

// Points inside and around the box of the mesh, some far outside it.
std::deque<CVertex3d> Queries()
{
  std::deque<CVertex3d> points;
  for (int i = 0; i < 400; i++) {
    const float s = i < 340 ? 3.5f : 40.0f;
    points.emplace_back(s * std::sin(1.7f * i + 0.3f), 1.5f * std::cos(2.3f * i),
                        s * std::cos(0.9f * i) + 2.0f);
  }
  points.emplace_back(1.0f, 0.0f, 1.0f);  // a corner of the grid
  points.emplace_back(3.0f, 0.0f, 2.5f);  // the corner on the line of two others
  return points;
}

void ExpectSamePoint(const CVertex3d& expected, const float actual[3])
{
  EXPECT_EQ(expected.x(), actual[0]);
  EXPECT_EQ(expected.y(), actual[1]);
  EXPECT_EQ(expected.z(), actual[2]);
}
} // namespace

TEST(NearestFaceSearch, AnswersAsTheHashTable)
{
  for (const auto& mesh : References())
    for (const int n : {1, 4, 9}) {
      CHashTable hash(n);
      ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
      CNearestFaceSearch search(&hash);
      int found = 0;
      for (const CVertex3d& p : Queries()) {
        CVertex3d expected;
        CFace3d* pExpected = nullptr;
        const double d = hash.DistanceToNearestFace(&p, &expected, &pExpected, 0);
        float nearest[3] = {0.0f, 0.0f, 0.0f};
        CFace3d* pFace = nullptr;
        // Asked twice: the second answer comes from the records kept by the first.
        for (int pass = 0; pass < 2; pass++) {
          EXPECT_EQ(search.DistanceToNearestFace(&p, nearest, &pFace), d);
          EXPECT_EQ(pFace, pExpected);
          ExpectSamePoint(expected, nearest);
        }
        found += pFace ? 1 : 0;
      }
      EXPECT_GT(found, 0);
    }
}

TEST(NearestFaceSearch, FacesAroundCornersAnswerAsTheGeometryFunctions)
{
  for (const auto& mesh : References()) {
    CHashTable hash(3);
    ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
    CNearestFaceSearch search(&hash);
    const std::deque<CVertex3d> queries = Queries();
    for (int i = 0; i < mesh->NbFace(); i++) {
      CFace3d* f = mesh->GetFace(i);
      CArray3d<CFace3d> expectedSet;
      f->GetFacesAroundCorners(&expectedSet);
      const std::vector<int>& set = search.FacesAroundCorners(f);
      ASSERT_EQ(static_cast<int>(set.size()), expectedSet.GetSize());
      for (int k = 0; k < expectedSet.GetSize(); k++)
        EXPECT_EQ(search.GetFace(set[k]).pFace, expectedSet[k]);
      for (size_t q = static_cast<size_t>(i) % 7; q < queries.size(); q += 23) {
        CVertex3d expected;
        CFace3d* pExpected = nullptr;
        const double d = SquareDistanceFromVertexToFaces(&queries[q], &expected, &pExpected,
                                                         &expectedSet);
        float nearest[3] = {0.0f, 0.0f, 0.0f};
        CFace3d* pFace = nullptr;
        EXPECT_EQ(search.SquareDistanceToFaces(&queries[q], set, nearest, &pFace), d);
        EXPECT_EQ(pFace, pExpected);
        ExpectSamePoint(expected, nearest);
      }
    }
  }
}

TEST(NearestFaceSearch, DegenerateFacesHaveNoPlane)
{
  const auto meshes = References();
  const CMesh3d& grid = *meshes[1];
  int flat = 0;
  for (int i = 0; i < grid.NbFace(); i++) {
    const CNearestFaceSearch::SFace f = CNearestFaceSearch::Record(grid.GetFace(i));
    EXPECT_EQ(f.pFace, grid.GetFace(i));
    flat += f.projects ? 0 : 1;
  }
  // The two faces on the edge whose ends now meet, and the face whose corner lies on the line
  // of the other two.
  EXPECT_GE(flat, 3);
}

TEST(NearestFaceSearch, NothingToFindLeavesTheOutputs)
{
  const CVertex3d p(1.0f, 2.0f, 3.0f);
  float nearest[3] = {7.0f, 8.0f, 9.0f};
  CFace3d* pFace = nullptr;
  CNearestFaceSearch none(nullptr);
  EXPECT_EQ(none.DistanceToNearestFace(&p, nearest, &pFace), 1.7e308);
  CHashTable empty(4);
  CNearestFaceSearch unfilled(&empty);
  EXPECT_EQ(unfilled.DistanceToNearestFace(&p, nearest, &pFace), 1.7e308);
  EXPECT_EQ(none.SquareDistanceToFaces(&p, {}, nearest, &pFace), 1.7e308);
  EXPECT_EQ(pFace, nullptr);
  EXPECT_EQ(nearest[0], 7.0f);
  EXPECT_EQ(nearest[2], 9.0f);
}

TEST(NearestFaceSearch, IdsNameTheFacesFoundAndTheirLists)
{
  for (const auto& mesh : References()) {
    CHashTable hash(4);
    ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
    CNearestFaceSearch search(&hash);
    for (const CVertex3d& p : Queries()) {
      float nearest[3] = {0.0f, 0.0f, 0.0f};
      CFace3d* pFace = nullptr;
      int id = -7;
      search.DistanceToNearestFace(&p, nearest, &pFace, &id);
      ASSERT_NE(pFace, nullptr);
      ASSERT_GE(id, 0);
      EXPECT_EQ(search.GetFace(id).pFace, pFace);
      // The list by id is the very list by face, and it starts with the face itself.
      const std::vector<int>& byId = search.FacesAroundCorners(id);
      EXPECT_EQ(&byId, &search.FacesAroundCorners(pFace));
      EXPECT_EQ(byId.front(), id);
    }
  }
  CHashTable empty(4);
  CNearestFaceSearch unfilled(&empty);
  const CVertex3d p(1.0f, 2.0f, 3.0f);
  float nearest[3] = {0.0f, 0.0f, 0.0f};
  CFace3d* pFace = nullptr;
  int id = 5;
  unfilled.DistanceToNearestFace(&p, nearest, &pFace, &id);
  EXPECT_EQ(id, -1);
}

// Thousands of distinct points, so that the table of kept answers grows several times; each is
// asked again after the growth, and 0 and -0 (equal values, different bits) both answer.
TEST(NearestFaceSearch, KeptAnswersSurviveTheTableGrowing)
{
  const auto meshes = References();
  CHashTable hash(5);
  ASSERT_EQ(hash.Fill(meshes[0].get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  std::deque<CVertex3d> points;
  for (int i = 0; i < 5000; i++)
    points.emplace_back(3.2f * std::sin(0.37f * i), 1.1f * std::cos(0.91f * i),
                        3.2f * std::cos(0.53f * i) + 0.5f);
  points.emplace_back(0.0f, 0.0f, 0.0f);
  points.emplace_back(-0.0f, 0.0f, -0.0f);
  std::vector<double> first;
  for (const CVertex3d& p : points) {
    float nearest[3];
    CFace3d* pFace = nullptr;
    first.push_back(search.DistanceToNearestFace(&p, nearest, &pFace));
  }
  for (size_t i = 0; i < points.size(); i++) {
    CVertex3d expected;
    CFace3d* pExpected = nullptr;
    const double d = hash.DistanceToNearestFace(&points[i], &expected, &pExpected, 0);
    float nearest[3] = {0.0f, 0.0f, 0.0f};
    CFace3d* pFace = nullptr;
    ASSERT_EQ(search.DistanceToNearestFace(&points[i], nearest, &pFace), d) << i;
    EXPECT_EQ(first[i], d) << i;
    EXPECT_EQ(pFace, pExpected) << i;
    ExpectSamePoint(expected, nearest);
  }
}

// Points on the reference's corners and edges, and a hair off them along the face normal or
// across the border: there the plane distance and the border distance differ by a rounding,
// and a face passed over early must be one the plain geometry functions also pass over.
TEST(NearestFaceSearch, PointsOnAndNearTheSurfaceAnswerAsTheGeometryFunctions)
{
  for (const auto& mesh : References()) {
    CHashTable hash(3);
    ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
    CNearestFaceSearch search(&hash);
    int compared = 0;
    for (int i = 0; i < mesh->NbFace(); i += 3) {
      CFace3d* f = mesh->GetFace(i);
      CArray3d<CFace3d> around;
      f->GetFacesAroundCorners(&around);
      const std::vector<int>& set = search.FacesAroundCorners(f);
      const CVector3d* n = f->GetNormal();
      for (int k = 0; k < 3; k++) {
        const CVertex3d* a = f->v(k);
        const CVertex3d* b = f->v((k + 1) % 3);
        for (const float offset : {0.0f, 1e-7f, 1e-5f, -1e-3f}) {
          for (const float along : {0.0f, 0.5f, 1.0f + 1e-6f}) {
            const float nx = n ? n->x() : 0.0f;
            const float ny = n ? n->y() : 0.0f;
            const float nz = n ? n->z() : 0.0f;
            const CVertex3d p(a->x() + along * (b->x() - a->x()) + offset * nx,
                              a->y() + along * (b->y() - a->y()) + offset * ny,
                              a->z() + along * (b->z() - a->z()) + offset * nz);
            CVertex3d expected;
            CFace3d* pExpected = nullptr;
            const double d = SquareDistanceFromVertexToFaces(&p, &expected, &pExpected, &around);
            float nearest[3] = {0.0f, 0.0f, 0.0f};
            CFace3d* pFace = nullptr;
            ASSERT_EQ(search.SquareDistanceToFaces(&p, set, nearest, &pFace), d);
            EXPECT_EQ(pFace, pExpected);
            ExpectSamePoint(expected, nearest);
            CVertex3d expectedTable;
            CFace3d* pExpectedTable = nullptr;
            const double dt = hash.DistanceToNearestFace(&p, &expectedTable, &pExpectedTable, 0);
            EXPECT_EQ(search.DistanceToNearestFace(&p, nearest, &pFace), dt);
            EXPECT_EQ(pFace, pExpectedTable);
            ExpectSamePoint(expectedTable, nearest);
            compared++;
          }
        }
      }
    }
    EXPECT_GT(compared, 100);
  }
}

namespace {
// Meshes whose table cells hold dozens of faces each, so that a cell's faces are looked at
// nearest group first: a bumpy torus, and a flat grid with a second copy of every face listed
// after the first (every distance then ties, and the table keeps the first copy).
std::vector<std::unique_ptr<CMesh3d>> CrowdedReferences()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(Torus(40));
  Perturb(*meshes.back(), 0.01f);
  meshes.push_back(FlatGrid(14, 14));
  CMesh3d& grid = *meshes.back();
  const int n = grid.NbFace();
  for (int i = 0; i < n; i++) {
    const CFace3d* f = grid.GetFace(i);
    grid.AddFace(new CFace3d(f->v(0), f->v(1), f->v(2)));
  }
  grid.ComputeFaceNormals();
  return meshes;
}

// The largest number of faces in one cell of the table.
int MostFacesInACell(const CHashTable& hash)
{
  const int n = hash.GetSize();
  int most = 0;
  for (int index = 0; index < n * n * n; index++)
    if (const CHashCell* pCell = hash.GetCell(index))
      most = std::max(most, pCell->GetArrayFace()->GetSize());
  return most;
}
} // namespace

// Corners (where the border distance is exactly zero and the plane distance a rounding above
// it), points a hair off edges and faces, and points farther away: each answers as the table.
TEST(NearestFaceSearch, CrowdedCellsAnswerAsTheHashTable)
{
  for (const auto& mesh : CrowdedReferences()) {
    CHashTable hash(3);
    ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
    ASSERT_GE(MostFacesInACell(hash), 64);
    CNearestFaceSearch search(&hash);
    std::deque<CVertex3d> points(Queries());
    for (int i = 0; i < mesh->NbFace(); i += 2) {
      const CFace3d* f = mesh->GetFace(i);
      const CVector3d* n = f->GetNormal();
      const CVertex3d* a = f->v(i % 3);
      const CVertex3d* b = f->v((i + 1) % 3);
      const float offset = (i % 5 == 0 ? 1e-7f : 3e-3f) * (i % 4 == 0 ? -1.0f : 1.0f);
      points.emplace_back(a);
      points.emplace_back((a->x() + b->x()) / 2 + offset * n->x(),
                          (a->y() + b->y()) / 2 + offset * n->y(),
                          (a->z() + b->z()) / 2 + offset * n->z());
      const CVertex3d* c = f->v((i + 2) % 3);
      points.emplace_back((a->x() + b->x() + c->x()) / 3 + 20 * offset * n->x(),
                          (a->y() + b->y() + c->y()) / 3 + 20 * offset * n->y(),
                          (a->z() + b->z() + c->z()) / 3 + 20 * offset * n->z());
    }
    for (const CVertex3d& p : points) {
      CVertex3d expected;
      CFace3d* pExpected = nullptr;
      const double d = hash.DistanceToNearestFace(&p, &expected, &pExpected, 0);
      float nearest[3] = {0.0f, 0.0f, 0.0f};
      CFace3d* pFace = nullptr;
      ASSERT_EQ(search.DistanceToNearestFace(&p, nearest, &pFace), d);
      ASSERT_EQ(pFace, pExpected);
      ExpectSamePoint(expected, nearest);
    }
  }
}

// Of two faces at the same distance the first listed wins, however the cell groups them.
TEST(NearestFaceSearch, TiesInACrowdedCellGoToTheFirstFace)
{
  const auto meshes = CrowdedReferences();
  const CMesh3d& grid = *meshes[1];
  const int half = grid.NbFace() / 2;
  CHashTable hash(2);
  ASSERT_EQ(hash.Fill(const_cast<CMesh3d*>(&grid), nullptr), 1);
  CNearestFaceSearch search(&hash);
  int inside = 0;
  for (int i = 0; i < half; i++) {
    const CFace3d* f = grid.GetFace(i);
    // Above the centre of the face, which then is nearer than any other.
    const CVertex3d p((f->v(0)->x() + f->v(1)->x() + f->v(2)->x()) / 3,
                      (f->v(0)->y() + f->v(1)->y() + f->v(2)->y()) / 3 + 0.01f,
                      (f->v(0)->z() + f->v(1)->z() + f->v(2)->z()) / 3);
    float nearest[3] = {0.0f, 0.0f, 0.0f};
    CFace3d* pFace = nullptr;
    search.DistanceToNearestFace(&p, nearest, &pFace);
    EXPECT_NE(pFace, grid.GetFace(i + half));
    inside += pFace == f ? 1 : 0;
  }
  EXPECT_EQ(inside, half);
}

// A disk of 80 thin faces around one centre: each face meets more faces at its corners than
// the list gathered on the stack holds, and every other face of the disk more than once.
TEST(NearestFaceSearch, LongListsAroundCornersKeepTheirOrderAndEachFaceOnce)
{
  constexpr int kSpokes = 80;
  Points points{{0.0f, 0.2f, 0.0f}};
  Triangles triangles;
  for (int i = 0; i < kSpokes; i++) {
    const float a = 6.2831853f * static_cast<float>(i) / kSpokes;
    points.push_back({std::cos(a), 0.05f * std::sin(3.0f * a), std::sin(a)});
    triangles.push_back({0, 1 + (i + 1) % kSpokes, 1 + i});
  }
  const auto mesh = Build(points, triangles);
  mesh->BuildAdjacency();
  mesh->ComputeFaceNormals();
  CHashTable hash(2);
  ASSERT_EQ(hash.Fill(mesh.get(), nullptr), 1);
  CNearestFaceSearch search(&hash);
  // Asked from the last face back, so that the lists name faces that have no id yet.
  for (int i = mesh->NbFace() - 1; i >= 0; i--) {
    CFace3d* f = mesh->GetFace(i);
    CArray3d<CFace3d> expected;
    f->GetFacesAroundCorners(&expected);
    ASSERT_EQ(expected.GetSize(), kSpokes);
    const std::vector<int>& set = search.FacesAroundCorners(f);
    ASSERT_EQ(static_cast<int>(set.size()), kSpokes);
    std::vector<int> sorted = set;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (int k = 0; k < kSpokes; k++)
      EXPECT_EQ(search.GetFace(set[static_cast<size_t>(k)]).pFace, expected[k]);
  }
}
