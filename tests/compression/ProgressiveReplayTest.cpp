// The decoder's replay on index arrays: a hand-followed layer on a tetrahedron, refusals, and
// the same meshes as the replay on mesh objects (which runs when faces are coloured).
#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressiveGeometryLayer.h"
#include "compression/ProgressiveReplay.h"
#include "mesh/Color.h"
#include "mesh/Face3d.h"
#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

const float kScale[3] = {0.5f, 0.5f, 0.5f};
const float kShift[3] = {1, 1, 1};

std::array<int, 3> Corners(const CMesh3d& mesh, int face)
{
  std::array<int, 3> c{};
  for (int k = 0; k < 3; k++)
    c[static_cast<size_t>(k)] = mesh.IndexFrom(mesh.GetFace(face)->v(k));
  return c;
}

CProgressiveGeometryLayer AbsoluteRecords(std::vector<std::array<int, 3>> points)
{
  CProgressiveGeometryLayer layer;
  for (const auto& p : points)
    layer.Add(CProgressiveVertexRecord()).SetCoordinates(p);
  return layer;
}

// Seed edge 0 -> 1: the gate (0, 1) finds face (0, 2, 1) in front, and a code 3 puts the new
// vertex inside it, fanned (4, 1, 0), (4, 0, 2), (4, 2, 1) after the faces that stay.
TEST(ProgressiveReplay, ValenceThreeCodeSplitsTheFrontFace)
{
  auto mesh = fixtures::Tetrahedron();
  CProgressiveCodeList codes(0);
  codes.Add(3);
  CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
  CProgressiveReplay replay(*mesh, kScale, kShift, 1);
  ASSERT_EQ(1, replay.ReplayLayer(codes, &geometry));
  EXPECT_EQ(5, replay.NbVertex());
  EXPECT_EQ(6, replay.NbFace());
  replay.Store(mesh.get());
  ASSERT_EQ(5, mesh->NbVertex());
  ASSERT_EQ(6, mesh->NbFace());
  const CVertex3d* v = mesh->GetVertex(4);
  EXPECT_FLOAT_EQ(3.5f, v->x());
  EXPECT_FLOAT_EQ(4.0f, v->y());
  EXPECT_FLOAT_EQ(4.5f, v->z());
  EXPECT_FLOAT_EQ(7.0f, v->z2());
  const std::array<std::array<int, 3>, 6> expected{
      {{0, 1, 3}, {0, 3, 2}, {1, 2, 3}, {4, 1, 0}, {4, 0, 2}, {4, 2, 1}}};
  for (int i = 0; i < 6; i++)
    EXPECT_EQ(expected[static_cast<size_t>(i)], Corners(*mesh, i)) << i;
  // The new faces are flagged 3, the new vertex 2, its border 1. The faces that stay were
  // queued in front of gates (1 -> 0 and the fan's border) that found no code left: free.
  for (int i = 0; i < 6; i++)
    EXPECT_EQ(i < 3 ? 0 : 3, mesh->GetFace(i)->GetFlag()) << i;
  EXPECT_EQ(2, v->GetFlag());
  EXPECT_EQ(1, mesh->GetVertex(2)->GetFlag());
  mesh->Rebuild();
  EXPECT_TRUE(fixtures::IsClosed(*mesh));
  EXPECT_TRUE(fixtures::IsOriented(*mesh));
}

// The face (0, 2, 1) that the code replaces goes, and the three of the fan are new: uncoloured
// where the faces that stay keep their colour, each a face of its own, and linked across
// their edges to the faces that hold them: (4, 1, 0) to (4, 2, 1), (0, 1, 3) and (4, 0, 2).
TEST(ProgressiveReplay, FacesThatGoLeaveNothingToTheNewFaces)
{
  auto mesh = fixtures::Tetrahedron();
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetColor(10, 20, 30);
  CProgressiveCodeList codes(0);
  codes.Add(3);
  CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
  CProgressiveReplay replay(*mesh, kScale, kShift, 1);
  ASSERT_EQ(1, replay.ReplayLayer(codes, &geometry));
  replay.Store(mesh.get());
  ASSERT_EQ(6, mesh->NbFace());
  std::set<const CFace3d*> distinct;
  for (int i = 0; i < 6; i++) {
    const CFace3d* f = mesh->GetFace(i);
    distinct.insert(f);
    EXPECT_EQ(i < 3 ? CColor(10, 20, 30) : CColor(), *f->GetColor()) << i;
  }
  EXPECT_EQ(6u, distinct.size());
  const CFace3d* fan = mesh->GetFace(3);
  ASSERT_EQ((std::array<int, 3>{4, 1, 0}), Corners(*mesh, 3));
  EXPECT_EQ(mesh->GetFace(5), fan->f(0));
  EXPECT_EQ(mesh->GetFace(0), fan->f(1));
  EXPECT_EQ(mesh->GetFace(4), fan->f(2));
  EXPECT_EQ(fan, mesh->GetFace(0)->f(0));
}

// On a torus of 96 faces each layer below splits one face: the lists are updated in place, and
// the next layer sees the faces the last one added (its gate 0 -> 1 now fronts one of them).
TEST(ProgressiveReplay, LayersThatSplitOneFaceEachCountAndLinkTheirFaces)
{
  auto mesh = progressive::Torus(8, 6);
  ASSERT_EQ(96, mesh->NbFace());
  CProgressiveReplay replay(*mesh, kScale, kShift, 3);
  for (int layer = 1; layer <= 3; layer++) {
    CProgressiveCodeList codes(0);
    codes.Add(3);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{layer, 2 * layer, 3 * layer}});
    ASSERT_EQ(1, replay.ReplayLayer(codes, &geometry)) << layer;
    EXPECT_EQ(48 + layer, replay.NbVertex());
    EXPECT_EQ(96 + 2 * layer, replay.NbFace());
  }
  replay.Store(mesh.get());
  ASSERT_EQ(51, mesh->NbVertex());
  ASSERT_EQ(102, mesh->NbFace());
  // Each new vertex went into the face fronting the edge 0 -> 1, the one (v, 1, 0) of the
  // vertex before, which so trades it for two: 4 faces each, 3 for the last.
  for (int i = 48; i < 51; i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_EQ(i < 50 ? 4 : 3, v->NbFaceNeighbor()) << i;
    EXPECT_TRUE(v->IsNeighbor(mesh->GetVertex(0)) && v->IsNeighbor(mesh->GetVertex(1))) << i;
  }
  const std::vector<int> stored = progressive::Adjacency(*mesh);
  ASSERT_EQ(1, mesh->BuildAdjacency());
  EXPECT_EQ(progressive::Adjacency(*mesh), stored);
  for (int f = 0; f < mesh->NbFace(); f++)
    for (int k = 0; k < 3; k++)
      ASSERT_NE(nullptr, mesh->GetFace(f)->f(k)) << f;
}

TEST(ProgressiveReplay, LayerThatCannotUseItsCodesOrRecordsIsRefused)
{
  auto mesh = fixtures::Tetrahedron();
  {
    // The second removal has no record.
    CProgressiveCodeList codes(0);
    codes.Add(3);
    codes.Add(3);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
    CProgressiveReplay replay(*mesh, kScale, kShift, 2);
    EXPECT_EQ(0, replay.ReplayLayer(codes, &geometry));
  }
  {
    // No valence-6 pattern in a tetrahedron: the code is never used.
    CProgressiveCodeList codes(0);
    codes.Add(6);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
    CProgressiveReplay replay(*mesh, kScale, kShift, 1);
    EXPECT_EQ(0, replay.ReplayLayer(codes, &geometry));
  }
  {
    // A record left over.
    CProgressiveCodeList codes(0);
    codes.Add(3);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}, {1, 2, 3}});
    CProgressiveReplay replay(*mesh, kScale, kShift, 1);
    EXPECT_EQ(0, replay.ReplayLayer(codes, &geometry));
  }
  {
    CProgressiveCodeList codes(0);
    codes.Add(7);
    CProgressiveReplay replay(*mesh, kScale, kShift, 0);
    EXPECT_EQ(0, replay.ReplayLayer(codes, nullptr));
  }
}

// Null patches only, followed by hand on the tetrahedron (0, 2, 1), (0, 1, 3), (0, 3, 2),
// (1, 2, 3). The seed gates 0 -> 1 and 1 -> 0 front faces 0 and 1; face 0 takes vertex 2 and
// queues faces 2 (across 0 -> 2) and 3 (across 2 -> 1); face 1 takes vertex 3 and finds both
// faces across queued; face 2 takes nothing new, and face 3 is last. Vertex 0 starts marked
// 2 and vertex 1 marked 1: their marks' tag pair is not 2, so vertices 2 and 3 are marked 2.
TEST(ProgressiveReplay, NullPatchesTakeTheFacesInQueueOrder)
{
  struct SCase
  {
    int nbCode;
    int replayed;
    std::array<int, 4> faceFlags;
  };
  // Three codes leave face 3 free; five are more than the faces, and the layer is refused.
  const SCase cases[] = {{1, 1, {1, 0, 0, 0}}, {3, 1, {1, 1, 1, 0}}, {4, 1, {1, 1, 1, 1}}, {5, 0, {}}};
  for (const SCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nbCode << " codes");
    auto mesh = fixtures::Tetrahedron();
    CProgressiveCodeList codes(0);
    for (int i = 0; i < c.nbCode; i++)
      codes.Add(2);
    CProgressiveGeometryLayer geometry;
    CProgressiveReplay replay(*mesh, kScale, kShift, 0);
    ASSERT_EQ(c.replayed, replay.ReplayLayer(codes, &geometry));
    if (!c.replayed)
      continue;
    replay.Store(mesh.get());
    ASSERT_EQ(4, mesh->NbFace());
    for (int i = 0; i < 4; i++)
      EXPECT_EQ(c.faceFlags[static_cast<size_t>(i)], mesh->GetFace(i)->GetFlag()) << "face " << i;
    // One code takes vertex 2 alone; from two on, vertex 3 too.
    const std::array<int, 4> flags{1, 1, 1, c.nbCode >= 2 ? 1 : 0};
    const std::array<int, 4> marks{2, 1, 2, c.nbCode >= 2 ? 2 : 0};
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(flags[static_cast<size_t>(i)], mesh->GetVertex(i)->GetFlag()) << "vertex " << i;
      EXPECT_EQ(marks[static_cast<size_t>(i)], mesh->GetVertex(i)->GetMark()) << "vertex " << i;
    }
  }
}

std::vector<int> CornersOf(const fixtures::Triangles& triangles)
{
  std::vector<int> corners;
  for (const auto& t : triangles)
    corners.insert(corners.end(), t.begin(), t.end());
  return corners;
}

CProgressiveCodeList Codes(std::initializer_list<unsigned int> head, int nbNull)
{
  CProgressiveCodeList codes(0);
  for (const unsigned int code : head)
    codes.Add(code);
  for (int i = 0; i < nbNull; i++)
    codes.Add(2);
  return codes;
}

int FacesFlagged(const CMesh3d& mesh, int flag)
{
  int n = 0;
  for (int i = 0; i < mesh.NbFace(); i++)
    n += mesh.GetFace(i)->GetFlag() == flag ? 1 : 0;
  return n;
}

// A torus of 96 faces, the seed's front face split by a code 3 and as many null codes after
// it as the layer needs to count as one of few removals: the null patches after the last
// removal reach every free face, 95 of them, and no more. The last layer's patches give the
// stored flags; a layer after them starts afresh on the 98 faces.
TEST(ProgressiveReplay, NullPatchesAfterTheLastRemovalTakeTheFreeFaces)
{
  for (const int nbNull : {20, 95, 96}) {
    SCOPED_TRACE(nbNull);
    auto mesh = progressive::Torus(8, 6);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
    CProgressiveReplay replay(*mesh, kScale, kShift, 1);
    ASSERT_EQ(nbNull <= 95 ? 1 : 0, replay.ReplayLayer(Codes({3}, nbNull), &geometry));
    if (nbNull > 95)
      continue;
    replay.Store(mesh.get());
    ASSERT_EQ(98, mesh->NbFace());
    EXPECT_EQ(nbNull, FacesFlagged(*mesh, 1));
    EXPECT_EQ(3, FacesFlagged(*mesh, 3));
    EXPECT_EQ(95 - nbNull, FacesFlagged(*mesh, 0));
    EXPECT_EQ(2, mesh->GetVertex(48)->GetFlag());
    // The torus was found one piece, and the faces across the layer kept are those stored:
    // they must be the mesh's own build.
    const std::vector<int> stored = progressive::Adjacency(*mesh);
    ASSERT_EQ(1, mesh->BuildAdjacency());
    EXPECT_EQ(progressive::Adjacency(*mesh), stored);
    // Every corner of a face taken joined the front.
    for (int i = 0; i < 98; i++)
      for (int k = 0; k < 3; k++)
        if (mesh->GetFace(i)->GetFlag() == 1) {
          EXPECT_NE(0, mesh->GetFace(i)->v(k)->GetFlag()) << "face " << i;
        }
  }
  for (const int nbNull : {98, 99}) {
    SCOPED_TRACE(nbNull);
    auto mesh = progressive::Torus(8, 6);
    CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
    CProgressiveGeometryLayer none;
    CProgressiveReplay replay(*mesh, kScale, kShift, 1);
    ASSERT_EQ(1, replay.ReplayLayer(Codes({3}, 95), &geometry));
    EXPECT_EQ(nbNull == 98 ? 1 : 0, replay.ReplayLayer(Codes({}, nbNull), &none));
  }
}

// Two tetrahedra apart: the conquest from the seed edge never reaches the second, so its four
// free faces take no null code, and a layer with more codes than the first's faces is refused.
TEST(ProgressiveReplay, NullPatchesStayInTheSeedsPiece)
{
  const fixtures::Points points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                {5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {5, 0, 1}};
  const fixtures::Triangles triangles{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3},
                                      {4, 6, 5}, {4, 5, 7}, {4, 7, 6}, {5, 6, 7}};
  for (const int nbNull : {4, 5, 8}) {
    SCOPED_TRACE(nbNull);
    auto mesh = fixtures::Build(points, triangles, false);
    CProgressiveGeometryLayer none;
    CProgressiveReplay replay(*mesh, CornersOf(triangles), kScale, kShift, 0);
    ASSERT_EQ(nbNull == 4 ? 1 : 0, replay.ReplayLayer(Codes({}, nbNull), &none));
    if (nbNull != 4)
      continue;
    // Again, and a third time with a code too many: every layer stops at the same four faces.
    CProgressiveGeometryLayer again;
    ASSERT_EQ(1, replay.ReplayLayer(Codes({}, 4), &again));
    EXPECT_EQ(0, replay.ReplayLayer(Codes({}, 5), &again));
  }
  auto mesh = fixtures::Build(points, triangles, false);
  CProgressiveGeometryLayer none;
  CProgressiveReplay replay(*mesh, CornersOf(triangles), kScale, kShift, 0);
  ASSERT_EQ(1, replay.ReplayLayer(Codes({}, 4), &none));
  replay.Store(mesh.get());
  for (int i = 0; i < 8; i++)
    EXPECT_EQ(i < 4 ? 1 : 0, mesh->GetFace(i)->GetFlag()) << "face " << i;
}

// The decoder hands the replay the base mesh's corners as read, before any adjacency: the
// result must be the one the replay gives from a mesh whose adjacency is built; and without a
// face holding vertices 0 and 1 there is no seed edge, so no code can be used.
TEST(ProgressiveReplay, CornersAsReadNeedNoAdjacency)
{
  const fixtures::Points points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const fixtures::Triangles triangles{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  auto built = fixtures::Build(points, triangles);
  auto bare = fixtures::Build(points, triangles, false);
  ASSERT_EQ(0, bare->GetVertex(0)->NbVertexNeighbor());
  CProgressiveCodeList codes(0);
  codes.Add(2);
  codes.Add(3);
  CProgressiveGeometryLayer geometry = AbsoluteRecords({{5, 6, 7}});
  CProgressiveGeometryLayer sameGeometry = AbsoluteRecords({{5, 6, 7}});
  CProgressiveReplay fromBuilt(*built, kScale, kShift, 1);
  CProgressiveReplay fromCorners(*bare, CornersOf(triangles), kScale, kShift, 1);
  ASSERT_EQ(1, fromBuilt.ReplayLayer(codes, &geometry));
  ASSERT_EQ(1, fromCorners.ReplayLayer(codes, &sameGeometry));
  fromBuilt.Store(built.get());
  fromCorners.Store(bare.get());
  ASSERT_EQ(built->NbFace(), bare->NbFace());
  for (int i = 0; i < built->NbFace(); i++)
    EXPECT_EQ(Corners(*built, i), Corners(*bare, i)) << i;
  EXPECT_EQ(progressive::Adjacency(*built), progressive::Adjacency(*bare));

  // Two triangles apart: 0 and 1 are not neighbours.
  const fixtures::Triangles apart{{0, 2, 3}, {1, 4, 5}};
  auto split = fixtures::Build({{0, 0, 0}, {5, 0, 0}, {1, 0, 0}, {0, 1, 0}, {6, 0, 0}, {5, 1, 0}},
                               apart, false);
  CProgressiveCodeList one(0);
  one.Add(3);
  CProgressiveGeometryLayer record = AbsoluteRecords({{1, 1, 1}});
  CProgressiveReplay unseeded(*split, CornersOf(apart), kScale, kShift, 1);
  EXPECT_EQ(0, unseeded.ReplayLayer(one, &record));
}

// A stream without layers gives back its base mesh: the faces keep their own flags, and the
// adjacency is the mesh's own build.
TEST(ProgressiveReplay, NoLayerKeepsTheBaseFlags)
{
  const fixtures::Points points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const fixtures::Triangles triangles{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  auto bare = fixtures::Build(points, triangles, false);
  const int flags[4] = {7, 0, 300, 2};
  for (int i = 0; i < 4; i++)
    bare->GetFace(i)->SetFlag(flags[i]);
  CProgressiveReplay replay(*bare, CornersOf(triangles), kScale, kShift, 0);
  replay.Store(bare.get());
  ASSERT_EQ(4, bare->NbFace());
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(triangles[static_cast<size_t>(i)], Corners(*bare, i)) << i;
    EXPECT_EQ(flags[i], bare->GetFace(i)->GetFlag()) << i;
  }
  const std::vector<int> stored = progressive::Adjacency(*bare);
  ASSERT_EQ(1, bare->BuildAdjacency());
  EXPECT_EQ(progressive::Adjacency(*bare), stored);
  EXPECT_EQ(3, bare->GetVertex(0)->NbVertexNeighbor());
}

// Normals are worked out two faces and two vertices at a time: a zero-area face and a vertex
// whose faces sum to zero keep zero beside a partner that normalises, and the odd last one
// goes alone.
TEST(ProgressiveReplay, StoredNormalsOfDegenerateFacesStayZero)
{
  const fixtures::Points points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2},
                                {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};
  // Faces 0 and 1 are a pair, the second on a line; face 2 is alone.
  const fixtures::Triangles triangles{{0, 1, 2}, {4, 5, 6}, {0, 3, 4}};
  auto bare = fixtures::Build(points, triangles, false);
  CProgressiveReplay replay(*bare, CornersOf(triangles), kScale, kShift, 0);
  replay.Store(bare.get());
  ASSERT_EQ(3, bare->NbFace());
  const auto expect = [](const CVector3d& v, float x, float y, float z) {
    EXPECT_EQ(x, v.x());
    EXPECT_EQ(y, v.y());
    EXPECT_EQ(z, v.z());
  };
  expect(*bare->GetFace(0)->GetNormal(), 0, 0, 1);
  expect(*bare->GetFace(1)->GetNormal(), 0, 0, 0);
  // (0, 0, 2) x (2, 0, 0) = (0, 4, 0).
  expect(*bare->GetFace(2)->GetNormal(), 0, 1, 0);
  const auto half = static_cast<float>(1.0 / std::sqrt(2.0));
  expect(*bare->GetVertex(0)->GetNormal(), 0, half, half);
  expect(*bare->GetVertex(1)->GetNormal(), 0, 0, 1);
  expect(*bare->GetVertex(3)->GetNormal(), 0, 1, 0);
  expect(*bare->GetVertex(4)->GetNormal(), 0, 1, 0);
  // Vertex 5 pairs with 4 and has only the flat face; vertex 6 goes alone.
  expect(*bare->GetVertex(5)->GetNormal(), 0, 0, 0);
  expect(*bare->GetVertex(6)->GetNormal(), 0, 0, 0);
}

// Normals go four or two at a time: zero normals in every place of a group of four, of a pair
// and alone must stay zero, and every other lane must be the mesh's own normalisation.
TEST(ProgressiveReplay, StoredNormalsAreTheMeshsOwnInEveryLane)
{
  // A row of points on the x axis, each with a point above it: a face (i, i + 1, above i) is
  // flat and true, a face (i, i + 1, i + 2) lies on the axis and has no normal.
  fixtures::Points points;
  for (int i = 0; i < 12; i++) {
    points.push_back({static_cast<float>(i), 0, 0});
    points.push_back({static_cast<float>(i), 1.0f + 0.25f * static_cast<float>(i % 3),
                      0.5f * static_cast<float>(i % 4)});
  }
  // Vertex 2 i is on the axis, vertex 2 i + 1 above it.
  const auto axis = [](int i) { return 2 * i; };
  const auto above = [](int i) { return 2 * i + 1; };
  fixtures::Triangles triangles;
  // Degenerate faces at 0, 1, 2, 3 (a whole group), 5, 6 and 9; the first four points on the
  // axis take only those, and the first points above take no face.
  const bool flat[] = {false, false, false, false, true, false, false, true, true, false, true};
  for (int i = 0; i < 11; i++) {
    const int third = flat[i] ? above(i) : axis(std::min(i + 2, 11));
    triangles.push_back({axis(i), axis(i + 1), third});
  }
  triangles.push_back({axis(10), axis(11), axis(9)});
  triangles.push_back({axis(11), above(11), above(10)});
  auto bare = fixtures::Build(points, triangles, false);
  CProgressiveReplay replay(*bare, CornersOf(triangles), kScale, kShift, 0);
  replay.Store(bare.get());
  ASSERT_EQ(static_cast<int>(triangles.size()), bare->NbFace());
  std::vector<std::array<float, 3>> stored;
  for (int i = 0; i < bare->NbFace(); i++) {
    const CVector3d* n = bare->GetFace(i)->GetNormal();
    stored.push_back({n->x(), n->y(), n->z()});
  }
  for (int i = 0; i < bare->NbVertex(); i++) {
    const CVector3d* n = bare->GetVertex(i)->GetNormal();
    stored.push_back({n->x(), n->y(), n->z()});
  }
  for (const int i : {0, 1, 2, 3, 5, 6, 9})
    EXPECT_EQ((std::array<float, 3>{0, 0, 0}), stored[static_cast<size_t>(i)]) << i;
  const size_t nbFace = triangles.size();
  for (const int v : {0, 1, 2, 3, 4, 6})
    EXPECT_EQ((std::array<float, 3>{0, 0, 0}), stored[nbFace + static_cast<size_t>(v)]) << v;
  // The flat faces lie in planes through the axis: unit normals, x = 0.
  for (const int i : {4, 7, 8, 10}) {
    const auto& n = stored[static_cast<size_t>(i)];
    EXPECT_EQ(0.0f, n[0]) << i;
    EXPECT_NEAR(1.0, std::hypot(n[1], n[2]), 1e-6) << i;
  }
  ASSERT_EQ(1, bare->ComputeFaceNormals());
  ASSERT_EQ(1, bare->ComputeVertexNormals());
  int differences = 0;
  for (int i = 0; i < bare->NbFace(); i++) {
    const CVector3d* n = bare->GetFace(i)->GetNormal();
    differences += stored[static_cast<size_t>(i)] != std::array<float, 3>{n->x(), n->y(), n->z()};
  }
  for (int i = 0; i < bare->NbVertex(); i++) {
    const CVector3d* n = bare->GetVertex(i)->GetNormal();
    differences += stored[nbFace + static_cast<size_t>(i)] != std::array<float, 3>{n->x(), n->y(), n->z()};
  }
  EXPECT_EQ(0, differences);
}

std::vector<int> g_Counts;

int RecordCount(int n)
{
  g_Counts.push_back(n);
  return 1;
}

struct SDecoded
{
  CMesh3d mesh;
  std::vector<int> counts;
};

void DecodeWith(const char* name, int colour, SDecoded* pOut)
{
  g_Counts.clear();
  CProgressiveCoder decoder;
  ASSERT_EQ(1, decoder.Decode(&pOut->mesh, name, RecordCount, nullptr, 0, colour, 0, 0, 1));
  pOut->counts = g_Counts;
}

// Bit for bit: the normals are computed in the same order of operations either way.
bool SameVector(const CVector3d& u, const CVector3d& v)
{
  return u.x() == v.x() && u.y() == v.y() && u.z() == v.z();
}

void ExpectSameMesh(const CMesh3d& a, const CMesh3d& b)
{
  ASSERT_EQ(a.NbVertex(), b.NbVertex());
  ASSERT_EQ(a.NbFace(), b.NbFace());
  int differences = 0;
  for (int i = 0; i < a.NbVertex(); i++) {
    const CVertex3d* u = a.GetVertex(i);
    const CVertex3d* v = b.GetVertex(i);
    for (int k = 0; k < 3; k++)
      differences += u->Get(k) != v->Get(k) || u->Get2(k) != v->Get2(k);
    differences += u->GetFlag() != v->GetFlag() || u->GetMark() != v->GetMark();
    differences += !SameVector(*u->GetNormal(), *v->GetNormal());
  }
  for (int i = 0; i < a.NbFace(); i++)
    differences += Corners(a, i) != Corners(b, i) || a.GetFace(i)->GetFlag() != b.GetFace(i)->GetFlag() ||
                   !SameVector(*a.GetFace(i)->GetNormal(), *b.GetFace(i)->GetNormal());
  EXPECT_EQ(0, differences);
  EXPECT_EQ(progressive::Adjacency(a), progressive::Adjacency(b));
}

// The stream decoded on index arrays and on mesh objects: the same mesh, and the same vertex
// count after every layer.
void ExpectReplaysAgree(const char* name, SDecoded* pArrays)
{
  SDecoded objects;
  DecodeWith(name, 0, pArrays);
  DecodeWith(name, 1, &objects);
  ExpectSameMesh(objects.mesh, pArrays->mesh);
  EXPECT_EQ(objects.counts, pArrays->counts);
}

TEST(ProgressiveReplay, SameMeshAsTheReplayOnMeshObjects)
{
  conquest::CScratchFolder folder;
  const std::vector<std::unique_ptr<CMesh3d> (*)()> builds = {
      [] { return progressive::PiercedSlab(19, 9, 2, 3); },
      [] { return progressive::PlateWithHoles(38, 38, 6); },
      [] { return progressive::TorusAndPlate(20, 12, 30, 24); },
      [] { return progressive::ReadObj("bunny3674.obj"); },
  };
  for (size_t i = 0; i < builds.size(); i++)
    for (int simulate : {0, 1}) {
      SCOPED_TRACE(static_cast<int>(i) * 10 + simulate);
      auto mesh = builds[i]();
      ASSERT_NE(nullptr, mesh);
      CProgressiveCoder encoder;
      ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 30, 10, "r.vpm", nullptr, simulate));
      ASSERT_GT(encoder.NbLayer(), 2);
      SDecoded arrays;
      ExpectReplaysAgree("r.vpm", &arrays);
      EXPECT_EQ(static_cast<size_t>(encoder.NbLayer()), arrays.counts.size());
    }
}

// A layer that removes one vertex in sixteen codes or fewer takes the null patches that pass
// over taken gates by a branch (the meshes above have layers of the other kind): a mesh of
// high genus brought down to a hundredth of its vertices has only such layers, and they must
// give the replay on mesh objects' mesh, layer by layer.
TEST(ProgressiveReplay, LayersOfFewRemovalsGiveTheReplayOnMeshObjects)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::ReadObj("cheese.obj");
  ASSERT_NE(nullptr, mesh);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), mesh->NbVertex() / 100, 11, "c.vpm"));
  ASSERT_GT(encoder.NbLayer(), 10);
  for (int i = 0; i < encoder.NbLayer(); i++) {
    const CProgressiveCodeList* codes = encoder.GetLayerCodes(i);
    EXPECT_LE(codes->NbRemoval() * 16, codes->NbCode()) << "layer " << i;
  }
  SDecoded arrays;
  ExpectReplaysAgree("c.vpm", &arrays);
}

// Edges a -> b that two faces or more hold, by vertex index.
int EdgesHeldTwice(const CMesh3d& mesh)
{
  std::map<std::pair<int, int>, int> count;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const std::array<int, 3> c = Corners(mesh, i);
    for (size_t k = 0; k < 3; k++)
      count[{c[k], c[(k + 1) % 3]}]++;
  }
  int twice = 0;
  for (const auto& [edge, n] : count)
    twice += n > 1 ? 1 : 0;
  return twice;
}

// A fin on a torus edge: the fin's face and a torus face hold the same edge the same way
// round, so the faces across cannot name one face per edge and the replay keeps its face
// lists through the layers; the mesh must still be the replay on mesh objects'.
TEST(ProgressiveReplay, EdgeHeldTwiceTheSameWayGivesTheSameMesh)
{
  conquest::CScratchFolder folder;
  for (const int face : {145, 195, 290})
    for (int simulate : {0, 1}) {
      SCOPED_TRACE(face * 10 + simulate);
      auto mesh = progressive::Torus(20, 12);
      ASSERT_NE(nullptr, mesh);
      CFace3d* f = mesh->GetFace(face);
      auto* fin = new CVertex3d(f->v(0)->x() + 0.1f, f->v(0)->y() + 0.2f, f->v(0)->z() + 0.3f);
      mesh->AddVertex(fin);
      mesh->AddFace(new CFace3d(f->v(0), f->v(1), fin));
      mesh->Rebuild();
      const int nbFace = mesh->NbFace();
      CProgressiveCoder encoder;
      ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 20, 10, "f.vpm", nullptr, simulate));
      ASSERT_GT(encoder.NbLayer(), 2);
      SDecoded arrays;
      ExpectReplaysAgree("f.vpm", &arrays);
      EXPECT_EQ(nbFace, arrays.mesh.NbFace());
      EXPECT_EQ(1, EdgesHeldTwice(arrays.mesh));
    }
}

// Layers that each re-insert a few vertices into a large mesh: the replay updates only the
// face lists around them, and must end where the replay on mesh objects ends, layer by layer.
TEST(ProgressiveReplay, SmallLayersUpdateTheListsAsARebuildWould)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::ReadObj("cheese.obj");
  ASSERT_NE(nullptr, mesh);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 20, 12, "c.vpm"));
  ASSERT_GT(encoder.NbLayer(), 10);
  SDecoded arrays;
  ExpectReplaysAgree("c.vpm", &arrays);
  // Most layers add under a 64th of the vertices, so replace under a 16th of the faces: the
  // lists were updated, not rebuilt.
  int small = 0;
  for (size_t i = 1; i < arrays.counts.size(); i++)
    small += 64 * (arrays.counts[i] - arrays.counts[i - 1]) < arrays.counts[i - 1] ? 1 : 0;
  EXPECT_GT(small, static_cast<int>(arrays.counts.size()) / 2);
}

// The replay links the final mesh from its own face lists: the same relations, in the same
// orders, as the mesh's own build from its faces, on closed, bounded and pierced meshes.
TEST(ProgressiveReplay, StoredAdjacencyIsTheMeshsOwnBuild)
{
  conquest::CScratchFolder folder;
  const std::vector<std::unique_ptr<CMesh3d> (*)()> builds = {
      [] { return progressive::Torus(16, 12); },
      [] { return progressive::PlateWithHoles(30, 30, 4); },
      [] { return progressive::TorusAndPlate(14, 10, 20, 16); },
  };
  for (size_t i = 0; i < builds.size(); i++) {
    SCOPED_TRACE(static_cast<int>(i));
    auto mesh = builds[i]();
    ASSERT_NE(nullptr, mesh);
    CProgressiveCoder encoder;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 20, 10, "s.vpm"));
    ASSERT_GT(encoder.NbLayer(), 2);
    SDecoded decoded;
    DecodeWith("s.vpm", 0, &decoded);
    const std::vector<int> stored = progressive::Adjacency(decoded.mesh);
    ASSERT_EQ(1, decoded.mesh.BuildAdjacency());
    EXPECT_EQ(progressive::Adjacency(decoded.mesh), stored);
    // Every face lists a neighbour across each inner edge: a closed torus has no empty slot.
    if (i != 0)
      continue;
    for (int f = 0; f < decoded.mesh.NbFace(); f++)
      for (int k = 0; k < 3; k++)
        ASSERT_NE(nullptr, decoded.mesh.GetFace(f)->f(k));
  }
}

// The lists a vertex stores are as long as its valence, a pole of 40 faces among vertices of
// few; an edge held by three faces, two of them the same way round, takes the first other face
// that holds it; a vertex of no face lists nothing. All as the mesh's own build links them.
TEST(ProgressiveReplay, StoredAdjacencyOfAPoleAFinAndALoneVertex)
{
  constexpr int kRing = 40;
  fixtures::Points points{{0, 0, 0}};
  fixtures::Triangles triangles;
  for (int i = 0; i < kRing; i++) {
    const double angle = 2 * M_PI * i / kRing;
    points.push_back({static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 0});
    triangles.push_back({0, 1 + i, 1 + (i + 1) % kRing});
  }
  // Two fins on the pole's edge 0 -> 1: one holds it the same way as the fan, one the other.
  const int up = static_cast<int>(points.size());
  points.push_back({0.5, 0, 1});
  points.push_back({0.5, 0, -1});
  triangles.push_back({0, 1, up});
  triangles.push_back({1, 0, up + 1});
  points.push_back({3, 3, 3});
  auto bare = fixtures::Build(points, triangles, false);
  ASSERT_EQ(kRing + 4, bare->NbVertex());
  CProgressiveReplay replay(*bare, CornersOf(triangles), kScale, kShift, 0);
  replay.Store(bare.get());
  ASSERT_EQ(kRing + 2, bare->NbFace());
  const std::vector<int> stored = progressive::Adjacency(*bare);
  EXPECT_EQ(kRing + 2, bare->GetVertex(0)->NbFaceNeighbor());
  EXPECT_EQ(kRing + 2, bare->GetVertex(0)->NbVertexNeighbor());
  EXPECT_EQ(0, bare->GetVertex(kRing + 3)->NbFaceNeighbor());
  ASSERT_EQ(1, bare->BuildAdjacency());
  EXPECT_EQ(progressive::Adjacency(*bare), stored);
}

// A replayed sphere whose poles hold 32 faces each: their lists outgrow the room kept inline,
// every neighbour is met twice around them and must be listed once, and the faces across are
// those the layers kept. All as the mesh's own build lists them.
TEST(ProgressiveReplay, StoredAdjacencyOfReplayedPolesIsTheMeshsOwnBuild)
{
  constexpr int kLongitudes = 32;
  constexpr int kRows = 11;
  fixtures::Points points{{0, 0, 1.05f}, {0, 0, -0.95f}};
  fixtures::Triangles triangles;
  const auto at = [](int row, int j) { return 2 + row * kLongitudes + (j + kLongitudes) % kLongitudes; };
  for (int row = 0; row < kRows; row++)
    for (int j = 0; j < kLongitudes; j++) {
      const double theta = M_PI * (row + 1) / (kRows + 1);
      const double phi = 2 * M_PI * j / kLongitudes;
      const double r = 1.0 + 0.05 * progressive::Jitter(row, j, 7);
      points.push_back({static_cast<float>(r * std::sin(theta) * std::cos(phi)),
                        static_cast<float>(r * std::sin(theta) * std::sin(phi)),
                        static_cast<float>(r * std::cos(theta))});
    }
  for (int j = 0; j < kLongitudes; j++) {
    triangles.push_back({0, at(0, j), at(0, j + 1)});
    triangles.push_back({1, at(kRows - 1, j + 1), at(kRows - 1, j)});
    for (int row = 0; row + 1 < kRows; row++) {
      triangles.push_back({at(row, j), at(row + 1, j), at(row + 1, j + 1)});
      triangles.push_back({at(row, j), at(row + 1, j + 1), at(row, j + 1)});
    }
  }
  auto mesh = fixtures::Build(points, triangles);
  ASSERT_NE(nullptr, mesh);
  conquest::CScratchFolder folder;
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), mesh->NbVertex() / 8, 12, "u.vpm"));
  ASSERT_GT(encoder.NbLayer(), 2);
  SDecoded decoded;
  DecodeWith("u.vpm", 0, &decoded);
  CMesh3d& stored = decoded.mesh;
  ASSERT_EQ(static_cast<int>(points.size()), stored.NbVertex());
  ASSERT_EQ(static_cast<int>(triangles.size()), stored.NbFace());
  int poles = 0;
  for (int i = 0; i < stored.NbVertex(); i++) {
    const CVertex3d* v = stored.GetVertex(i);
    if (v->NbFaceNeighbor() != kLongitudes)
      continue;
    poles++;
    EXPECT_EQ(kLongitudes, v->NbVertexNeighbor());
  }
  EXPECT_EQ(2, poles);
  const std::vector<int> adjacency = progressive::Adjacency(stored);
  ASSERT_EQ(1, stored.BuildAdjacency());
  EXPECT_EQ(progressive::Adjacency(stored), adjacency);
  // Closed: every face has a face across each edge.
  EXPECT_EQ(0, progressive::CountBoundaryEdges(stored));
}

// The vertices and faces the replay adds are made in the places the mesh's pools handed out,
// over several blocks: side by side but at the few block breaks, and each freed on its own, in
// any order, into the block it came from.
TEST(ProgressiveReplay, StoredElementsFillTheirPoolBlocksInOrder)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::PlateWithHoles(38, 38, 6);
  ASSERT_NE(nullptr, mesh);
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 30, 10, "p.vpm"));
  SDecoded decoded;
  DecodeWith("p.vpm", 0, &decoded);
  CMesh3d& stored = decoded.mesh;
  ASSERT_EQ(nbVertex, stored.NbVertex());
  ASSERT_EQ(nbFace, stored.NbFace());
  // Each element lies right after the one before, but where a block ends: a 64 KiB block
  // holds hundreds.
  const auto breaks = [](auto at, int first, int n) {
    int count = 0;
    for (int i = first + 1; i < n; i++)
      count += at(i) != at(i - 1) + 1 ? 1 : 0;
    return count;
  };
  const int vertexBreaks = breaks([&](int i) { return stored.GetVertex(i); }, 30, nbVertex);
  const int faceBreaks = breaks([&](int i) { return stored.GetFace(i); }, 100, nbFace);
  EXPECT_GE(vertexBreaks, 1);
  EXPECT_LE(vertexBreaks, nbVertex / 200);
  EXPECT_GE(faceBreaks, 1);
  EXPECT_LE(faceBreaks, nbFace / 200);
  // Freed one by one in a scrambled order: a wrong slot would free a block early, or free into
  // another, where the sanitizer or the pool's counts catch it.
  std::vector<CFace3d*> faces;
  std::vector<CVertex3d*> vertices;
  for (int i = 0; i < nbFace; i++)
    faces.push_back(stored.GetFace(i));
  for (int i = 0; i < nbVertex; i++)
    vertices.push_back(stored.GetVertex(i));
  EXPECT_EQ(faces.size(), std::set<CFace3d*>(faces.begin(), faces.end()).size());
  EXPECT_EQ(vertices.size(), std::set<CVertex3d*>(vertices.begin(), vertices.end()).size());
  stored.GetArrayFace()->RemoveAll();
  stored.GetArrayVertex()->RemoveAll();
  std::mt19937 order(5);
  std::shuffle(faces.begin(), faces.end(), order);
  std::shuffle(vertices.begin(), vertices.end(), order);
  for (CFace3d* f : faces)
    delete f;
  for (CVertex3d* v : vertices)
    delete v;
}

} // namespace
