// A step over every face links the old vertices' lists once its flips are done; a step over
// selected faces edits them in place, face by face. With every face selected both must leave
// the same mesh: lists in the same order, and the same corners, positions, normals, flags and
// undo records, on closed and open meshes, odd valences and broken orientations, step after step.
#include "mesh/ElementRef.h"
#include "processing/MeshLinks.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct SState
{
  fixtures::SMeshLinks links;
  std::vector<std::array<int, 3>> corners;
  std::vector<fixtures::Position> positions;
  std::vector<float> normals;
  std::vector<int> flags;    // faces, then vertices
  std::vector<int> history;  // depths, faces then vertices

  bool operator==(const SState&) const = default;
};

SState StateOf(CMesh3d& mesh)
{
  SState state{fixtures::LinksOf(mesh), fixtures::Corners(mesh), fixtures::Positions(mesh), {},
               {}, {}};
  for (int i = 0; i < mesh.NbFace(); i++) {
    CFace3d* f = mesh.GetFace(i);
    state.normals.push_back(f->GetNormal()->x());
    state.normals.push_back(f->GetNormal()->y());
    state.normals.push_back(f->GetNormal()->z());
    state.flags.push_back(f->GetFlag());
    state.history.push_back(f->NbHistory());
  }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    state.flags.push_back(mesh.GetVertex(i)->GetFlag());
    state.history.push_back(mesh.GetVertex(i)->NbHistory());
  }
  return state;
}

// The same step with every face flagged as the selection: lists edited face by face.
void StepOverSelection(CMesh3d& mesh, int filter, int fixedWeight)
{
  mesh.SetFacesFlag(1);
  mesh.SubdivisionV3(1, filter, 1, nullptr, fixedWeight, 0.4f);
}

void StepOverAll(CMesh3d& mesh, int filter, int fixedWeight)
{
  mesh.SubdivisionV3(1, filter, 0, nullptr, fixedWeight, 0.4f);
}

using MakeMesh = std::function<std::unique_ptr<CMesh3d>()>;

// Two chained steps of both kinds on two copies, compared after each; then undone together.
void ExpectSameSteps(const MakeMesh& make, int filter, int fixedWeight)
{
  auto all = make();
  auto selected = make();
  ASSERT_EQ(StateOf(*all), StateOf(*selected));
  for (int step = 0; step < 2; step++) {
    SCOPED_TRACE("step " + std::to_string(step + 1));
    StepOverAll(*all, filter, fixedWeight);
    StepOverSelection(*selected, filter, fixedWeight);
    ASSERT_GT(all->NbFace(), 0);
    ASSERT_EQ(StateOf(*all), StateOf(*selected));
  }
  for (int undo = 0; undo < 3; undo++) {
    EXPECT_EQ(all->Undo(), selected->Undo());
    EXPECT_EQ(StateOf(*all), StateOf(*selected));
  }
}

std::unique_ptr<CMesh3d> PerturbedIcosphere()
{
  auto mesh = fixtures::Icosphere(1);
  fixtures::Perturb(*mesh, 0.02f);
  return mesh;
}

// An octahedron with one face turned the other way round: its neighbours meet it along edges
// that both run the same way.
std::unique_ptr<CMesh3d> OctahedronWithATurnedFace()
{
  return fixtures::Build({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
                         {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                          {0, 2, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
}

// A torus whose faces lost their corners to an undo once: the next step flips beside them.
std::unique_ptr<CMesh3d> TorusWithUndoneFaces()
{
  auto mesh = fixtures::Torus(4);
  mesh->SubdivisionV3(0, 0, 0, nullptr, 0, 0.0f);
  for (int i = 0; i < mesh->NbFace(); i += 7)
    mesh->GetFace(i)->PopHistory();
  mesh->BuildAdjacency();
  return mesh;
}

// A torus whose faces name their neighbours in the wrong slots here and there, as a mesh
// edited without care might: the flips then meet faces they do not expect.
std::unique_ptr<CMesh3d> TorusWithScrambledNeighbours()
{
  auto mesh = fixtures::Torus(4);
  for (int i = 0; i < mesh->NbFace(); i += 5) {
    CFace3d* f = mesh->GetFace(i);
    CFace3d* first = f->f(0);
    f->SetF(0, f->f(1 + i % 2));
    f->SetF(1 + i % 2, first);
  }
  return mesh;
}

// A torus where some faces forget their neighbour across edge 0 while that neighbour, later
// in the face order and across one of its other edges, still names them.
std::unique_ptr<CMesh3d> TorusWithOneSidedLinks()
{
  auto mesh = fixtures::Torus(4);
  for (int i = 0; i < mesh->NbFace(); i += 3) {
    CFace3d* f = mesh->GetFace(i);
    CFace3d* across = f->f(0);
    if (across && mesh->IndexFrom(across) > i && across->f(0) != f)
      f->SetF(0, nullptr);
  }
  return mesh;
}

const std::pair<const char*, MakeMesh> kMeshes[] = {
  {"icosphere", PerturbedIcosphere},
  {"torus", [] { return fixtures::Torus(4); }},
  {"grid with boundary", [] { return fixtures::FlatGrid(5, 4); }},
  {"strip", [] { return fixtures::Strip(5); }},
  {"fan of valence 10", [] { return fixtures::Fan(9); }},
  {"tetrahedron", fixtures::Tetrahedron},
  {"non-manifold edge", fixtures::NonManifoldEdge},
  {"turned face", OctahedronWithATurnedFace},
  {"undone faces", TorusWithUndoneFaces},
  {"scrambled neighbours", TorusWithScrambledNeighbours},
  {"one-sided links", TorusWithOneSidedLinks},
};

} // namespace

TEST(V3SubdivisionLinks, AStepOverAllFacesEqualsOneOverEveryFaceSelected)
{
  for (const auto& [name, make] : kMeshes) {
    SCOPED_TRACE(name);
    ExpectSameSteps(make, 1, 0);
    ExpectSameSteps(make, 0, 0);
    ExpectSameSteps(make, 1, 1);
  }
}

// Each face stands in the face list of each of its corners, and each list names only faces
// that hold its vertex: what collapses read before they delete a vertex.
bool ListsMatchTheCorners(const CMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = f->v(k);
      if (!v)
        continue;
      bool listed = false;
      for (int j = 0; j < v->NbFaceNeighbor(); j++)
        listed = listed || v->GetFaceNeighbor(j) == f;
      if (!listed)
        return false;
    }
  }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      if (!v->GetFaceNeighbor(j)->HasVertex(v))
        return false;
  }
  return true;
}

TEST(V3SubdivisionLinks, StepsKeepTheFaceListsOnTheCornersWhateverTheOrientation)
{
  // A neighbour turned the other way has no edge to flip with: flipped, it would fold onto
  // the face and leave both lists wrong.
  for (const auto& [name, make] : kMeshes) {
    SCOPED_TRACE(name);
    auto all = make();
    auto selected = make();
    for (int step = 0; step < 2; step++) {
      StepOverAll(*all, 1, 0);
      StepOverSelection(*selected, 1, 0);
      EXPECT_TRUE(ListsMatchTheCorners(*all)) << "step " << step + 1;
      EXPECT_TRUE(ListsMatchTheCorners(*selected)) << "step " << step + 1;
    }
  }
}

TEST(V3SubdivisionLinks, OldVerticesOfValenceSixKeepTheirListsInTheVertex)
{
  // Each old vertex ends with its six centres and six faces, which fit the vertex's room: the
  // step never moves them to the heap on the way.
  auto mesh = fixtures::Torus(6);
  const int nbVertex = mesh->NbVertex();
  StepOverAll(*mesh, 1, 0);
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    ASSERT_EQ(v->NbVertexNeighbor(), 6);
    ASSERT_EQ(v->NbFaceNeighbor(), 6);
    const auto* vertices = v->GetArrayVertexNeighbor();
    const auto* faces = v->GetArrayFaceNeighbor();
    // An allocator may place an element out of the room's reach; such a list holds pointers.
    bool inReach = true;
    std::int32_t code = 0;
    for (int j = 0; j < 6; j++)
      inReach = inReach && elementref::Encode(vertices, vertices->GetAt(j), &code) &&
                elementref::Encode(faces, faces->GetAt(j), &code);
    if (!inReach)
      continue;
    EXPECT_EQ(vertices->IsSpilled(), 0) << "vertex " << i;
    EXPECT_EQ(faces->IsSpilled(), 0) << "vertex " << i;
  }
}
