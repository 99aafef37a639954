// The edge subdivisions link the elements they create themselves; what they leave must be
// exactly what a full build over the resulting faces gives, list order included, on clean
// meshes and on the odd ones that take the slower roads.
#include "processing/MeshLinks.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using fixtures::LinksOf;
using fixtures::SMeshLinks;

int CountLinks(const SMeshLinks& a)
{
  int links = 0;
  for (const int n : a.across)
    links += n >= 0;
  return links;
}

using Step = std::function<void(CMesh3d&)>;
const std::pair<const char*, Step> kSteps[] = {
  {"loop", [](CMesh3d& m) { m.SubdivisionLoop(); }},
  {"four", [](CMesh3d& m) { m.Subdivision(); }},
};

// Face normals, then vertex normals, as xyz triples.
std::vector<float> NormalsOf(const CMesh3d& mesh)
{
  std::vector<float> normals;
  auto add = [&normals](const CVector3d* n) {
    normals.insert(normals.end(), {n->x(), n->y(), n->z()});
  };
  for (int i = 0; i < mesh.NbFace(); i++)
    add(mesh.GetFace(i)->GetNormal());
  for (int i = 0; i < mesh.NbVertex(); i++)
    add(mesh.GetVertex(i)->GetNormal());
  return normals;
}

// Runs the step twice (the second run starts from the adjacency the first one linked) and
// compares each result with a full build of the same faces, normals computed again included:
// the step gives faces and vertices their normals on the way, to the bit.
void ExpectSameAsFullBuild(CMesh3d& mesh, const Step& step, const std::string& label)
{
  for (int run = 0; run < 2; run++) {
    step(mesh);
    const SMeshLinks linked = LinksOf(mesh);
    const std::vector<float> normals = NormalsOf(mesh);
    mesh.Rebuild();
    const SMeshLinks built = LinksOf(mesh);
    EXPECT_TRUE(linked == built) << label << ", run " << run;
    EXPECT_EQ(linked.faces.size(), static_cast<size_t>(mesh.NbVertex()));
    EXPECT_TRUE(normals == NormalsOf(mesh)) << label << ", run " << run;
  }
}

TEST(SubdivisionAdjacency, CleanMeshesMatchAFullBuild)
{
  for (const auto& [name, step] : kSteps) {
    std::vector<std::pair<std::string, std::unique_ptr<CMesh3d>>> meshes;
    meshes.emplace_back("tetrahedron", fixtures::Tetrahedron());
    meshes.emplace_back("icosphere", fixtures::Icosphere(1));
    meshes.emplace_back("torus", fixtures::Torus(6));
    meshes.emplace_back("grid", fixtures::FlatGrid(5, 4));
    meshes.emplace_back("fan", fixtures::Fan(5));
    for (auto& [meshName, mesh] : meshes) {
      ExpectSameAsFullBuild(*mesh, step, std::string(name) + " " + meshName);
      // A closed mesh has a face across every edge; the grid and the fan have a boundary.
      const SMeshLinks a = LinksOf(*mesh);
      if (meshName == "tetrahedron" || meshName == "icosphere" || meshName == "torus")
        EXPECT_EQ(CountLinks(a), 3 * mesh->NbFace()) << meshName;
      else
        EXPECT_LT(CountLinks(a), 3 * mesh->NbFace()) << meshName;
    }
  }
}

// A mesh large enough that the edge passes ask for the faces across well ahead of the face at
// hand (a few tens of thousands of faces): the result is still the full build's, up to the
// last faces, where nothing lies ahead. One step each: the second would be four times larger.
TEST(SubdivisionAdjacency, LargeMeshMatchesAFullBuild)
{
  for (const auto& [name, step] : kSteps) {
    auto mesh = fixtures::Torus(130);
    fixtures::Perturb(*mesh, 0.01f);
    const int nbFace = mesh->NbFace();
    ASSERT_GE(nbFace, 1 << 15);
    step(*mesh);
    const SMeshLinks linked = LinksOf(*mesh);
    const std::vector<float> normals = NormalsOf(*mesh);
    mesh->Rebuild();
    EXPECT_EQ(mesh->NbFace(), 4 * nbFace) << name;
    EXPECT_TRUE(linked == LinksOf(*mesh)) << name;
    EXPECT_TRUE(normals == NormalsOf(*mesh)) << name;
    EXPECT_EQ(CountLinks(linked), 3 * mesh->NbFace()) << name;
  }
}

// Three faces on one edge, and a face whose corner repeats.
TEST(SubdivisionAdjacency, NonManifoldAndDegenerateFacesMatchAFullBuild)
{
  for (const auto& [name, step] : kSteps) {
    auto book = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                                {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    ExpectSameAsFullBuild(*book, step, std::string(name) + " book");
    auto pinched = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                   {{0, 1, 2}, {1, 3, 2}, {1, 1, 3}});
    ExpectSameAsFullBuild(*pinched, step, std::string(name) + " pinched");
  }
}

// Flags left on faces by an earlier command read as visited: edges stay whole and faces are
// cut in two or three instead of four.
TEST(SubdivisionAdjacency, PartialSplitsFromLeftoverFlagsMatchAFullBuild)
{
  for (const auto& [name, step] : kSteps) {
    auto mesh = fixtures::Icosphere(1);
    for (int i = 0; i < mesh->NbFace(); i += 3)
      mesh->GetFace(i)->SetFlag(1);
    const int nbFace = mesh->NbFace();
    step(*mesh);
    EXPECT_LT(mesh->NbFace(), 4 * nbFace) << name;
    const SMeshLinks linked = LinksOf(*mesh);
    mesh->BuildAdjacency();
    EXPECT_TRUE(linked == LinksOf(*mesh)) << name;
  }
}

// A face with an empty corner (an undone creation) takes no part and keeps no neighbour.
TEST(SubdivisionAdjacency, FaceWithAnEmptyCornerStaysOut)
{
  for (const auto& [name, step] : kSteps) {
    auto mesh = fixtures::Octahedron();
    auto* ghost = new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2));
    ghost->SetVertex(2, nullptr);
    mesh->AddFace(ghost);
    mesh->BuildAdjacency();
    ExpectSameAsFullBuild(*mesh, step, std::string(name) + " empty corner");
    EXPECT_EQ(ghost->f(0), nullptr);
    EXPECT_EQ(ghost->f(1), nullptr);
    EXPECT_EQ(ghost->f(2), nullptr);
  }
}

// Elements that the arrays list twice, or a corner the mesh does not list, leave the linked
// build for the general one; the result is the same.
TEST(SubdivisionAdjacency, IrregularArraysMatchAFullBuild)
{
  for (const auto& [name, step] : kSteps) {
    auto twiceVertex = fixtures::Tetrahedron();
    twiceVertex->AddVertex(twiceVertex->GetVertex(1));
    twiceVertex->BuildAdjacency();
    step(*twiceVertex);
    SMeshLinks linked = LinksOf(*twiceVertex);
    twiceVertex->BuildAdjacency();
    EXPECT_TRUE(linked == LinksOf(*twiceVertex)) << name << " vertex twice";
    twiceVertex->GetArrayVertex()->RemoveAt(4);

    auto twiceFace = fixtures::Tetrahedron();
    twiceFace->AddFace(twiceFace->GetFace(2));
    twiceFace->BuildAdjacency();
    step(*twiceFace);
    linked = LinksOf(*twiceFace);
    twiceFace->BuildAdjacency();
    EXPECT_TRUE(linked == LinksOf(*twiceFace)) << name << " face twice";
    twiceFace->GetArrayFace()->RemoveAt(4);

    auto unlisted = fixtures::Tetrahedron();
    auto outsider = std::make_unique<CVertex3d>(2.0f, 2.0f, 2.0f);
    unlisted->AddFace(new CFace3d(unlisted->GetVertex(1), unlisted->GetVertex(2), outsider.get()));
    unlisted->BuildAdjacency();
    step(*unlisted);
    linked = LinksOf(*unlisted);
    unlisted->BuildAdjacency();
    EXPECT_TRUE(linked == LinksOf(*unlisted)) << name << " unlisted corner";
    EXPECT_GT(CountLinks(linked), 0) << name;
    // The faces that use the outsider go before it does.
    for (int i = unlisted->NbFace() - 1; i >= 0; i--)
      if (unlisted->GetFace(i)->HasVertex(outsider.get()))
        unlisted->DeleteFace(unlisted->GetFace(i));
  }
}

} // namespace
