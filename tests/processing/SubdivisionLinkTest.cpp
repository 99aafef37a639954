// The 1->4 and Loop steps link the faces they create from the old mesh's pairing. Whatever
// road a step takes, the lists and links it leaves must follow the adjacency rules over the
// resulting corners, checked here by a plain quadratic reading of those rules.
#include "processing/MeshLinks.h"
#include "processing/ProcessingFixtures.h"
#include "processing/TriangleSplitLinker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using fixtures::LinksOf;
using fixtures::SMeshLinks;

bool Holds(const std::array<int, 3>& c, int v) { return c[0] == v || c[1] == v || c[2] == v; }

// The faces of a vertex in face order; its neighbours in the order of its faces' corners, each
// once; across edge k, the first other face of corner k that holds corner k + 1.
SMeshLinks LinksByRules(const CMesh3d& mesh)
{
  const auto corners = fixtures::Corners(mesh);
  SMeshLinks links;
  links.faces.resize(mesh.NbVertex());
  links.neighbors.resize(mesh.NbVertex());
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int v = 0; v < mesh.NbVertex(); v++)
      if (Holds(corners[i], v))
        links.faces[v].push_back(i);
  for (int v = 0; v < mesh.NbVertex(); v++)
    for (const int f : links.faces[v])
      for (const int b : corners[f]) {
        auto& list = links.neighbors[v];
        if (b != v && std::find(list.begin(), list.end(), b) == list.end())
          list.push_back(b);
      }
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      int across = -1;
      for (const int g : links.faces[corners[i][k]])
        if (g != i && Holds(corners[g], corners[i][(k + 1) % 3])) {
          across = g;
          break;
        }
      links.across.push_back(across);
    }
  return links;
}

using Step = std::function<void(CMesh3d&)>;
const std::pair<const char*, Step> kSteps[] = {
  {"loop", [](CMesh3d& m) { m.SubdivisionLoop(); }},
  {"four", [](CMesh3d& m) { m.Subdivision(); }},
};

void ExpectStepFollowsRules(CMesh3d& mesh, const Step& step, const std::string& label)
{
  step(mesh);
  const SMeshLinks linked = LinksOf(mesh);
  EXPECT_TRUE(linked == LinksByRules(mesh)) << label;
}

// Vertex normals are the normalised sums of the faces' normals in list order.
void ExpectVertexNormalsFromFaces(const CMesh3d& mesh, const std::string& label)
{
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    if (v->NbFaceNeighbor() == 0)
      continue;
    CVector3d sum;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      sum.Add(*v->GetFaceNeighbor(j)->GetNormal());
    sum.Normalize();
    EXPECT_EQ(v->GetNormal()->x(), sum.x()) << label << " vertex " << i;
    EXPECT_EQ(v->GetNormal()->y(), sum.y()) << label << " vertex " << i;
    EXPECT_EQ(v->GetNormal()->z(), sum.z()) << label << " vertex " << i;
  }
}

// Appends the faces of `part` to `mesh`, vertices first.
void Append(CMesh3d& mesh, const CMesh3d& part)
{
  const int first = mesh.NbVertex();
  for (int i = 0; i < part.NbVertex(); i++) {
    const CVertex3d* v = part.GetVertex(i);
    mesh.AddVertex(new CVertex3d(v->x(), v->y(), v->z()));
  }
  for (const auto& c : fixtures::Corners(part))
    mesh.AddFace(new CFace3d(mesh.GetVertex(first + c[0]), mesh.GetVertex(first + c[1]),
                             mesh.GetVertex(first + c[2])));
}

// A closed double cone over a polygon of n sides: apex and base centre of valence n.
std::unique_ptr<CMesh3d> Cone(int n)
{
  fixtures::Points points{{0, 0, 1}, {0, 0, -0.3f}};
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++) {
    const float a = 6.2831853f * i / n;
    points.push_back({std::cos(a), std::sin(a), 0.05f * (i % 2)});
    const int p = 2 + i;
    const int q = 2 + (i + 1) % n;
    triangles.push_back({0, p, q});
    triangles.push_back({1, q, p});
  }
  return fixtures::Build(points, triangles);
}

// A torus whose faces of every other row turn the other way: neighbours across those rows hold
// their shared edge in the same direction.
std::unique_ptr<CMesh3d> MixedTorus()
{
  auto torus = fixtures::Torus(6);
  auto corners = fixtures::Corners(*torus);
  for (size_t i = 0; i < corners.size(); i += 4)
    std::swap(corners[i][1], corners[i][2]);
  return fixtures::Build(fixtures::Positions(*torus), corners);
}

TEST(SubdivisionLink, CleanMeshesFollowTheRules)
{
  for (const auto& [name, step] : kSteps) {
    std::vector<std::pair<std::string, std::unique_ptr<CMesh3d>>> meshes;
    meshes.emplace_back("torus", fixtures::Torus(5));
    meshes.emplace_back("mixed torus", MixedTorus());
    meshes.emplace_back("cone of 7", Cone(7));
    // Apices of more faces than a vertex's neighbours are searched for.
    meshes.emplace_back("cone of 23", Cone(23));
    meshes.emplace_back("fan", fixtures::Fan(7));
    auto parts = fixtures::Tetrahedron();
    Append(*parts, *fixtures::Octahedron());
    Append(*parts, *fixtures::FlatGrid(3, 3));
    parts->AddVertex(new CVertex3d(9, 9, 9));
    parts->Rebuild();
    meshes.emplace_back("three parts and a lone vertex", std::move(parts));
    for (auto& [meshName, mesh] : meshes) {
      const std::string label = std::string(name) + " " + meshName;
      ExpectStepFollowsRules(*mesh, step, label);
      ExpectVertexNormalsFromFaces(*mesh, label);
      ExpectStepFollowsRules(*mesh, step, label + ", second step");
    }
  }
}

// Steps chained either way start from the links the step before made.
TEST(SubdivisionLink, ChainedStepsFollowTheRules)
{
  auto mesh = Cone(7);
  mesh->SubdivisionLoop();
  ExpectStepFollowsRules(*mesh, kSteps[1].second, "loop then four");
  ExpectStepFollowsRules(*mesh, kSteps[0].second, "loop, four, loop");
  EXPECT_EQ(mesh->NbFace(), 14 * 64);
  // The apex keeps valence 7 through every step.
  EXPECT_EQ(mesh->GetVertex(0)->NbVertexNeighbor(), 7);
}

// A closed torus of valence 6 stays so: every vertex has six faces and six neighbours, and
// every face three neighbours that point back and hold the shared edge.
TEST(SubdivisionLink, LinkedTorusIsSymmetric)
{
  for (const auto& [name, step] : kSteps) {
    auto torus = fixtures::Torus(6);
    step(*torus);
    ASSERT_EQ(torus->NbFace(), 4 * 72) << name;
    ASSERT_EQ(torus->NbVertex(), 36 + 108) << name;
    for (int i = 0; i < torus->NbVertex(); i++) {
      EXPECT_EQ(torus->GetVertex(i)->NbFaceNeighbor(), 6) << name << " " << i;
      EXPECT_EQ(torus->GetVertex(i)->NbVertexNeighbor(), 6) << name << " " << i;
    }
    for (int i = 0; i < torus->NbFace(); i++) {
      const CFace3d* f = torus->GetFace(i);
      for (int k = 0; k < 3; k++) {
        const CFace3d* n = f->f(k);
        ASSERT_NE(n, nullptr) << name << " " << i;
        EXPECT_TRUE(n->HasNeighbor(f)) << name << " " << i << " " << k;
        EXPECT_TRUE(n->HasVertex(f->v(k)) && n->HasVertex(f->v((k + 1) % 3)))
          << name << " " << i << " " << k;
      }
    }
  }
}

struct SNormals
{
  std::vector<std::array<float, 3>> faces;
  std::vector<std::array<float, 3>> vertices;
};

std::array<float, 3> Xyz(const CVector3d* n) { return {n->x(), n->y(), n->z()}; }

SNormals NormalsOf(const CMesh3d& mesh)
{
  SNormals normals;
  for (int i = 0; i < mesh.NbFace(); i++)
    normals.faces.push_back(Xyz(mesh.GetFace(i)->GetNormal()));
  for (int i = 0; i < mesh.NbVertex(); i++)
    normals.vertices.push_back(Xyz(mesh.GetVertex(i)->GetNormal()));
  return normals;
}

// The step gives every face and vertex its normal itself, from the new positions and the
// lists it makes: to the bit what the full rebuild computes over the same mesh. The meshes are
// neither flat nor regular, so that a corner taken in the wrong order, a face summed out of
// list order or a position read before it moved changes some bit.
TEST(SubdivisionLink, NormalsAreThoseOfAFullRebuild)
{
  for (const auto& [name, step] : kSteps) {
    std::vector<std::pair<std::string, std::unique_ptr<CMesh3d>>> meshes;
    meshes.emplace_back("mixed torus", MixedTorus());
    meshes.emplace_back("cone of 23", Cone(23));
    auto grid = fixtures::FlatGrid(4, 3);
    for (int i = 0; i < grid->NbVertex(); i++)
      grid->GetVertex(i)->SetZ(0.37f * static_cast<float>((i * 7) % 5));
    grid->Rebuild();
    meshes.emplace_back("bent grid", std::move(grid));
    for (auto& [meshName, mesh] : meshes) {
      const std::string label = std::string(name) + " " + meshName;
      step(*mesh);
      step(*mesh);
      const SNormals linked = NormalsOf(*mesh);
      mesh->Rebuild();
      const SNormals rebuilt = NormalsOf(*mesh);
      ASSERT_EQ(linked.faces.size(), rebuilt.faces.size()) << label;
      for (size_t i = 0; i < linked.faces.size(); i++)
        EXPECT_EQ(linked.faces[i], rebuilt.faces[i]) << label << " face " << i;
      for (size_t i = 0; i < linked.vertices.size(); i++)
        EXPECT_EQ(linked.vertices[i], rebuilt.vertices[i]) << label << " vertex " << i;
    }
  }
}

// A vertex that no face uses keeps the normal it had; the others get unit normals.
TEST(SubdivisionLink, LoneVertexKeepsItsNormal)
{
  for (const auto& [name, step] : kSteps) {
    auto mesh = fixtures::Octahedron();
    const CVector3d mark(0.25f, -2.0f, 7.0f);
    CVector3d normal(mark);
    mesh->AddVertex(new CVertex3d(5, 5, 5, &normal));
    const int lone = mesh->NbVertex() - 1;
    mesh->Rebuild();
    step(*mesh);
    const CVector3d* kept = mesh->GetVertex(lone)->GetNormal();
    EXPECT_EQ(Xyz(kept), Xyz(&mark)) << name;
    for (int i = 0; i < mesh->NbVertex(); i++) {
      if (i == lone)
        continue;
      EXPECT_NEAR(mesh->GetVertex(i)->GetNormal()->GetNorm(), 1.0, 1e-6) << name << " " << i;
    }
  }
}

// Old links that do not pair the edges: one side forgot, both forgot, a neighbour that does
// not hold the edge, a neighbour named across the wrong edge, two faces back to back on the
// same corners.
TEST(SubdivisionLink, MeshesWithUnpairedLinksFollowTheRules)
{
  for (const auto& [name, step] : kSteps) {
    auto oneSide = fixtures::Octahedron();
    oneSide->GetFace(0)->SetF(0, nullptr);
    ExpectStepFollowsRules(*oneSide, step, std::string(name) + " one side forgot");

    auto cut = fixtures::Octahedron();
    CFace3d* f0 = cut->GetFace(0);
    CFace3d* f1 = f0->f(0);
    ASSERT_NE(f1, nullptr);
    f1->UpdateNeighbor(f0, nullptr);
    f0->SetF(0, nullptr);
    const int nbVertex = cut->NbVertex();
    ExpectStepFollowsRules(*cut, step, std::string(name) + " both forgot");
    // The edge the links left open gets a vertex on each side.
    EXPECT_EQ(cut->NbVertex(), nbVertex + 12 + 1) << name;

    auto wrong = fixtures::Octahedron();
    wrong->GetFace(0)->SetF(1, wrong->GetFace(6));
    ExpectStepFollowsRules(*wrong, step, std::string(name) + " neighbour without the edge");

    // The last face names its neighbour across edge 1 across edge 0 as well, and nothing across
    // edge 1: its edge 0 takes the vertex already put on edge 1.
    auto elsewhere = fixtures::Octahedron();
    CFace3d* last = elsewhere->GetFace(elsewhere->NbFace() - 1);
    last->SetF(0, last->f(1));
    last->SetF(1, nullptr);
    ExpectStepFollowsRules(*elsewhere, step, std::string(name) + " neighbour across another edge");

    auto pillow = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}});
    ExpectStepFollowsRules(*pillow, step, std::string(name) + " pillow");
    // Faces on the same three corners share no single edge: the midpoint step gives each edge a
    // vertex per face; Loop's rule, which needs the face across, leaves them whole.
    const bool loop = std::string(name) == "loop";
    EXPECT_EQ(pillow->NbFace(), loop ? 2 : 8) << name;
    EXPECT_EQ(pillow->NbVertex(), loop ? 3 : 3 + 6) << name;
  }
}

// Records the linker must refuse, leaving the mesh as it was, so that the step splits and
// builds in full; and the clean record beside them, which it takes.
struct SRecord
{
  fixtures::Triangles faces;
  std::vector<int> slots;  // corners, then the vertices put on edges 0 to 2, per face
  int nbNewVertex = 0;
};

bool SplitByLinker(const SRecord& record, int nbOldVertex, CMesh3d* pMesh)
{
  std::vector<CTriangleSplitLinker::SPoint> points;
  for (int i = 0; i < nbOldVertex + record.nbNewVertex; i++)
    points.push_back({{static_cast<float>(i), static_cast<float>(i % 3), 1.0f}});
  CTriangleSplitLinker linker(pMesh, nbOldVertex, static_cast<int>(record.faces.size()),
                              record.slots, points);
  return linker.Split();
}

TEST(SubdivisionLink, LinkerRefusesRecordsThatAreNoCleanSplit)
{
  const fixtures::Points square{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const std::pair<const char*, SRecord> refused[] = {
    // Edge vertex 4 on edges 0 and 1 of the same face.
    {"vertex twice in a face", {{{0, 1, 2}}, {0, 1, 2, 4, 4, 5}, 2}},
    // Each edge of the first face paired with an edge of the second, on the same ends: the two
    // faces share all three edge vertices.
    {"faces sharing two edge vertices",
     {{{0, 1, 2}, {0, 2, 1}}, {0, 1, 2, 4, 5, 6, 0, 2, 1, 6, 5, 4}, 3}},
    // Vertex 5 lies on edge 1-2 of the first face and on edge 3-1 of the second.
    {"pair with other ends", {{{0, 1, 2}, {3, 1, 2}}, {0, 1, 2, 4, 5, 6, 3, 1, 2, 5, 7, 8}, 5}},
    // Vertex 4 on three faces around edge 0-1.
    {"edge vertex on three faces",
     {{{0, 1, 2}, {1, 0, 3}, {0, 1, 3}}, {0, 1, 2, 4, 5, 6, 1, 0, 3, 4, 7, 8, 0, 1, 3, 4, 8, 7}, 5}},
    // Vertex 7 is on no edge.
    {"vertex on no edge", {{{0, 1, 2}}, {0, 1, 2, 4, 5, 6}, 4}},
  };
  for (const auto& [label, record] : refused) {
    auto mesh = fixtures::Build(square, record.faces);
    const auto corners = fixtures::Corners(*mesh);
    const SMeshLinks links = LinksOf(*mesh);
    EXPECT_FALSE(SplitByLinker(record, 4, mesh.get())) << label;
    EXPECT_EQ(mesh->NbVertex(), 4) << label;
    EXPECT_TRUE(fixtures::Corners(*mesh) == corners) << label;
    EXPECT_TRUE(LinksOf(*mesh) == links) << label;
  }

  // Two faces on edge 1-2, each edge of the square's diagonal split once.
  const SRecord clean{{{0, 1, 2}, {2, 1, 3}}, {0, 1, 2, 4, 5, 6, 2, 1, 3, 5, 7, 8}, 5};
  auto mesh = fixtures::Build(square, clean.faces);
  ASSERT_TRUE(SplitByLinker(clean, 4, mesh.get()));
  EXPECT_EQ(mesh->NbFace(), 8);
  EXPECT_EQ(mesh->NbVertex(), 9);
  EXPECT_TRUE(LinksOf(*mesh) == LinksByRules(*mesh));
}

} // namespace
