// The Loop and 1->4 steps learn each vertex's slot as their edge pass first needs it, walking
// the vertex array in order a little ahead of the faces. Whatever order the array lists the
// vertices in, and whatever a vertex kept from an earlier command (flags, a slot number), the
// step must give the mesh it gives when the vertices are listed in face order: the same faces,
// corner positions and normals to the bit, and links that a full build would give.
#include "processing/MeshLinks.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using fixtures::Points;
using fixtures::LinksOf;
using fixtures::SMeshLinks;
using fixtures::Triangles;

using Step = std::function<void(CMesh3d&)>;
const std::pair<const char*, Step> kSteps[] = {
  {"loop", [](CMesh3d& m) { m.SubdivisionLoop(); }},
  {"four", [](CMesh3d& m) { m.Subdivision(); }},
};

// A bumpy torus of n by n vertices (closed) or a bumpy open grid of n by n: more vertices
// than the walk reads ahead of the faces, so that it runs in several stretches.
void BumpyGrid(int n, bool closed, Points* pPoints, Triangles* pTriangles)
{
  const int m = closed ? n : n - 1;
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const float bump = 0.05f * std::sin(1.3f * static_cast<float>(i * j % 17));
      pPoints->push_back({static_cast<float>(i), bump, static_cast<float>(j) + 0.1f * bump});
    }
  auto at = [n](int i, int j) { return (j % n) * n + i % n; };
  for (int j = 0; j < m; j++)
    for (int i = 0; i < m; i++) {
      pTriangles->push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
      pTriangles->push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    }
}

// The same faces over the points listed in another order: point p goes to slot order[p].
std::unique_ptr<CMesh3d> Reordered(const Points& points, const Triangles& triangles,
                                   const std::vector<int>& order)
{
  Points moved(points.size());
  for (size_t p = 0; p < points.size(); p++)
    moved[static_cast<size_t>(order[p])] = points[p];
  Triangles renamed = triangles;
  for (auto& t : renamed)
    for (int& c : t)
      c = order[static_cast<size_t>(c)];
  return fixtures::Build(moved, renamed);
}

// Leftovers of an earlier command on every vertex: flag 1 (what the Loop step reads as a
// boundary mark) and a slot number that names another vertex, or none.
void LeaveLeftovers(CMesh3d& mesh)
{
  const int n = mesh.NbVertex();
  for (int i = 0; i < n; i++) {
    CVertex3d* v = mesh.GetVertex(i);
    v->SetFlag(1);
    v->SetAdjacencyIndex(i % 3 == 0 ? -1 : (i * 7 + 5) % n);
  }
}

bool SameBits(float a, float b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(const CVector3d* a, const CVector3d* b)
{
  return SameBits(a->x(), b->x()) && SameBits(a->y(), b->y()) && SameBits(a->z(), b->z());
}

bool SamePosition(const CVertex3d* a, const CVertex3d* b)
{
  return SameBits(a->x(), b->x()) && SameBits(a->y(), b->y()) && SameBits(a->z(), b->z());
}

// Face by face, the corners' positions and normals and the face's normal; the vertices the
// step made (listed after the old ones, in face order) one by one.
void ExpectSameMesh(const CMesh3d& expected, const CMesh3d& actual, int nbOldVertex,
                    const std::string& label)
{
  ASSERT_EQ(expected.NbFace(), actual.NbFace()) << label;
  ASSERT_EQ(expected.NbVertex(), actual.NbVertex()) << label;
  int differing = 0;
  for (int i = 0; i < expected.NbFace(); i++) {
    const CFace3d* f = expected.GetFace(i);
    const CFace3d* g = actual.GetFace(i);
    bool same = SameBits(f->GetNormal(), g->GetNormal());
    for (int k = 0; k < 3; k++)
      same = same && SamePosition(f->v(k), g->v(k)) &&
             SameBits(f->v(k)->GetNormal(), g->v(k)->GetNormal());
    differing += same ? 0 : 1;
  }
  EXPECT_EQ(differing, 0) << label << ": faces that differ";
  for (int i = nbOldVertex; i < expected.NbVertex(); i++)
    ASSERT_TRUE(SamePosition(expected.GetVertex(i), actual.GetVertex(i))) << label << ", " << i;
}

// The links the step made are those of a full build over its faces.
void ExpectLinksOfAFullBuild(CMesh3d& mesh, const std::string& label)
{
  const SMeshLinks linked = LinksOf(mesh);
  mesh.BuildAdjacency();
  EXPECT_TRUE(linked == LinksOf(mesh)) << label;
}

std::vector<int> Identity(size_t n)
{
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  return order;
}

TEST(SubdivisionVertexOrder, AnyListingGivesTheMeshOfTheFaceOrder)
{
  for (const bool closed : {true, false}) {
    Points points;
    Triangles triangles;
    BumpyGrid(72, closed, &points, &triangles);
    std::vector<int> reversed = Identity(points.size());
    std::reverse(reversed.begin(), reversed.end());
    std::vector<int> shuffled = Identity(points.size());
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    // Turned by half: the first faces send the walk to the middle of the array, long
    // stretches then come in order.
    std::vector<int> rows = Identity(points.size());
    for (size_t p = 0; p < rows.size(); p++)
      rows[p] = static_cast<int>((p + rows.size() / 2) % rows.size());
    for (const auto& [name, step] : kSteps) {
      const std::string base = std::string(name) + (closed ? " torus" : " grid");
      auto expected = Reordered(points, triangles, Identity(points.size()));
      const int nbOldVertex = expected->NbVertex();
      step(*expected);
      for (const auto& [orderName, order] : {std::pair{"reversed", reversed},
                                             std::pair{"shuffled", shuffled},
                                             std::pair{"rows", rows}}) {
        const std::string label = base + " " + orderName;
        auto mesh = Reordered(points, triangles, order);
        LeaveLeftovers(*mesh);
        step(*mesh);
        ExpectSameMesh(*expected, *mesh, nbOldVertex, label);
        ExpectLinksOfAFullBuild(*mesh, label);
      }
    }
  }
}

// Leftover flags and slot numbers do not change the step either, in face order and again on
// the mesh the first step linked (whose slots are all current).
TEST(SubdivisionVertexOrder, LeftoversAndChainedStepsGiveTheSameMesh)
{
  Points points;
  Triangles triangles;
  BumpyGrid(70, false, &points, &triangles);
  for (const auto& [name, step] : kSteps) {
    auto expected = Reordered(points, triangles, Identity(points.size()));
    auto mesh = Reordered(points, triangles, Identity(points.size()));
    LeaveLeftovers(*mesh);
    for (int run = 0; run < 2; run++) {
      const int nbOldVertex = expected->NbVertex();
      step(*expected);
      step(*mesh);
      ExpectSameMesh(*expected, *mesh, nbOldVertex, std::string(name) + " run " +
                                                      std::to_string(run));
      // Flags an earlier command left on every vertex again before the second run.
      for (int i = 0; i < mesh->NbVertex(); i++)
        mesh->GetVertex(i)->SetFlag(1);
    }
    ExpectLinksOfAFullBuild(*mesh, name);
  }
}

// A vertex listed twice, far apart, or a corner that the mesh does not list, found only once
// the walk has passed most of the vertices: the step takes the general road, whose links a
// full build gives.
TEST(SubdivisionVertexOrder, IrregularArraysFoundLateTakeTheGeneralRoad)
{
  Points points;
  Triangles triangles;
  BumpyGrid(70, true, &points, &triangles);
  for (const auto& [name, step] : kSteps) {
    auto twice = Reordered(points, triangles, Identity(points.size()));
    twice->AddVertex(twice->GetVertex(3));
    twice->BuildAdjacency();
    const int nbFace = twice->NbFace();
    step(*twice);
    EXPECT_EQ(twice->NbFace(), 4 * nbFace) << name;
    ExpectLinksOfAFullBuild(*twice, std::string(name) + " vertex twice");
    twice->GetArrayVertex()->RemoveAt(static_cast<int>(points.size()));

    auto unlisted = Reordered(points, triangles, Identity(points.size()));
    auto outsider = std::make_unique<CVertex3d>(-3.0f, 1.0f, -3.0f);
    CFace3d* odd = new CFace3d(unlisted->GetVertex(0), outsider.get(), unlisted->GetVertex(1));
    unlisted->GetArrayFace()->InsertAt(0, odd);
    unlisted->BuildAdjacency();
    step(*unlisted);
    ExpectLinksOfAFullBuild(*unlisted, std::string(name) + " unlisted corner");
    for (int i = unlisted->NbFace() - 1; i >= 0; i--)
      if (unlisted->GetFace(i)->HasVertex(outsider.get()))
        unlisted->DeleteFace(unlisted->GetFace(i));
  }
}

} // namespace
