// The ghost vertex that closes the boundaries during the conquest, and the mesh it leaves.
#include "compression/ConquestFixtures.h"
#include "support/MessageCapture.h"

#include <gtest/gtest.h>

#include <algorithm>

using conquest::Encode;
using conquest::SOptions;

namespace {

// Everything the adjacency holds, by element identity.
struct SSnapshot
{
  std::vector<const void*> Vertices;
  std::vector<const void*> Faces;
  std::vector<std::vector<const void*>> VertexNeighbors;
  std::vector<std::vector<const void*>> FaceLists;
  std::vector<std::vector<const void*>> FaceNeighbors;
  std::vector<std::vector<const void*>> Edges;

  explicit SSnapshot(CMesh3d& mesh)
  {
    for (int i = 0; i < mesh.NbEdge(); i++) {
      const CEdge3d* e = mesh.GetEdge(i);
      Edges.push_back({e, e->v1(), e->v2()});
    }
    for (int i = 0; i < mesh.NbVertex(); i++) {
      CVertex3d* v = mesh.GetVertex(i);
      Vertices.push_back(v);
      VertexNeighbors.emplace_back(v->GetArrayVertexNeighbor()->begin(),
                                   v->GetArrayVertexNeighbor()->end());
      FaceLists.emplace_back(v->GetArrayFaceNeighbor()->begin(), v->GetArrayFaceNeighbor()->end());
    }
    for (int i = 0; i < mesh.NbFace(); i++) {
      const CFace3d* f = mesh.GetFace(i);
      Faces.push_back(f);
      FaceNeighbors.push_back({f->f(0), f->f(1), f->f(2)});
    }
  }
  bool operator==(const SSnapshot&) const = default;
};

} // namespace

TEST(ConquestGhost, ADiscCodesItsBoundaryAndComesBackWhole)
{
  // Its own edges too: the conquest leaves them alone, the ghost never has any.
  auto mesh = conquest::Grid(5);
  mesh->AddEdges(0);
  ASSERT_EQ(mesh->NbEdge(), fixtures::NbEdge(*mesh));
  const SSnapshot before(*mesh);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  EXPECT_GT(std::count(coder.GetCodes().begin(), coder.GetCodes().end(), 0u), 0);
  EXPECT_EQ(coder.GetGhostVertex(), nullptr);
  EXPECT_TRUE(SSnapshot(*mesh) == before);
  EXPECT_TRUE(mesh->IsValid());
}

TEST(ConquestGhost, TwoHolesShareOneGhost)
{
  auto mesh = conquest::Grid(9, 0, {20, 60});
  const SSnapshot before(*mesh);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  SOptions keep;
  keep.RemoveGhost = 0;
  ASSERT_EQ(Encode(coder, mesh.get(), keep).Ok, 1);
  // Kept: one vertex more, at the centroid of the boundary vertices, and a closed mesh.
  ASSERT_EQ(mesh->NbVertex(), static_cast<int>(before.Vertices.size()) + 1);
  const CVertex3d* ghost = coder.GetGhostVertex();
  ASSERT_NE(ghost, nullptr);
  EXPECT_EQ(ghost->NbVertexNeighbor(), 4 * 9 + 2 * 4);
  double sx = 0.0;
  for (int i = 0; i < ghost->NbVertexNeighbor(); i++)
    sx += ghost->GetVertexNeighbor(i)->x();
  EXPECT_NEAR(ghost->x(), sx / ghost->NbVertexNeighbor(), 1e-5);
  EXPECT_TRUE(fixtures::IsClosed(*mesh));

  auto again = conquest::Grid(9, 0, {20, 60});
  const SSnapshot edgesBefore(*again);
  CConquestCoder removing;
  ASSERT_EQ(Encode(removing, again.get()).Ok, 1);
  EXPECT_EQ(removing.GetCodes(), coder.GetCodes());
  const SSnapshot after(*again);
  EXPECT_EQ(after.Vertices.size(), before.Vertices.size());
  EXPECT_EQ(after.Faces.size(), before.Faces.size());
  EXPECT_EQ(fixtures::EulerCharacteristic(*again), -1);
  EXPECT_EQ(after.Edges, edgesBefore.Edges);
  EXPECT_TRUE(again->IsValid());
}

TEST(ConquestGhost, AVertexOnTwoLoopsIsRefusedAndTheMeshKeptWhole)
{
  // Two holes meet at one vertex: its faces form two fans, and the ghost would give the edge
  // to it four faces. Both modes refuse before the conquest, say so, write nothing and leave
  // the mesh as it was.
  auto mesh = conquest::Grid(6, 0, {7, 14});
  const SSnapshot before(*mesh);
  CMessageCapture messages;
  for (int deterministic = 0; deterministic < 2; deterministic++) {
    conquest::CScratchFolder folder;
    CConquestCoder coder;
    SOptions o;
    o.Deterministic = deterministic;
    EXPECT_EQ(Encode(coder, mesh.get(), o).Ok, 0);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(SSnapshot(*mesh) == before);
  }
  EXPECT_EQ(messages.Texts().size(), 2u);
}

TEST(ConquestGhost, ClosedMeshesGetNoGhost)
{
  auto mesh = fixtures::Icosphere(1);
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  SOptions keep;
  keep.RemoveGhost = 0;
  ASSERT_EQ(Encode(coder, mesh.get(), keep).Ok, 1);
  EXPECT_EQ(coder.GetGhostVertex(), nullptr);
  EXPECT_EQ(mesh->NbVertex(), nbVertex);
  EXPECT_EQ(mesh->NbFace(), nbFace);
}

TEST(ConquestGhost, ASingleTriangleIsAllGhost)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get()).Ok, 1);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{3, 3, 3, 0}));
  EXPECT_EQ(mesh->NbVertex(), 3);
  EXPECT_EQ(mesh->NbFace(), 1);
  EXPECT_EQ(mesh->GetVertex(0)->NbFaceNeighbor(), 1);
}

TEST(ConquestGhost, GhostFacesAreFoundWhereverTheyStand)
{
  // The ghost's faces are cut off the end of the face array; when something came after them,
  // or the array was reordered, they are picked out by identity and the rest keeps its order.
  for (const bool reorder : {false, true}) {
    auto mesh = conquest::Grid(5, 0, {6});
    const SSnapshot before(*mesh);
    CConquestCoder coder;
    coder.Init(mesh.get(), nullptr, 0);
    ASSERT_EQ(coder.AddGhostVertex(), 1);
    auto* pLate = new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2));
    mesh->AddFace(pLate);
    CArray3d<CFace3d>* pFaces = mesh->GetArrayFace();
    if (reorder) {
      // The first ghost face swapped with the mesh's first face, which ends up last.
      const int first = static_cast<int>(before.Faces.size());
      CFace3d* f = pFaces->GetAt(0);
      pFaces->SetAt(0, pFaces->GetAt(first));
      pFaces->SetAt(first, f);
    }
    ASSERT_EQ(coder.RemoveGhostVertex(), 1);
    ASSERT_EQ(mesh->NbFace(), static_cast<int>(before.Faces.size()) + 1);
    EXPECT_EQ(mesh->GetFace(mesh->NbFace() - 1), pLate);
    EXPECT_EQ(mesh->NbVertex(), static_cast<int>(before.Vertices.size()));
    std::vector<const void*> faces;
    for (int i = 0; i + 1 < mesh->NbFace(); i++)
      faces.push_back(mesh->GetFace(i));
    if (reorder)
      std::rotate(faces.begin(), faces.end() - 1, faces.end());
    EXPECT_EQ(faces, before.Faces) << "reordered " << reorder;
    pFaces->SetSize(mesh->NbFace() - 1);
    delete pLate;
  }
}

TEST(ConquestGhost, AVertexMissingFromTheArrayStillHasItsGhostFacesLinked)
{
  // A face's vertex that the mesh's array does not list has no place among the boundary
  // vertices: the ghost faces are then linked by identity, as they are by place otherwise.
  const auto ghostLinks = [](bool unlist) {
    auto mesh = conquest::Grid(5, 0, {6});
    CVertex3d* pUnlisted = nullptr;
    for (int i = 0; unlist && !pUnlisted && i < mesh->NbFace(); i++)
      for (int k = 0; k < 3 && !pUnlisted; k++)
        if (!mesh->GetFace(i)->f(k))
          pUnlisted = mesh->GetFace(i)->v(k);
    if (pUnlisted)
      mesh->GetArrayVertex()->RemoveAt(mesh->IndexFrom(pUnlisted));
    const int nbFace = mesh->NbFace();
    CConquestCoder coder;
    coder.Init(mesh.get(), nullptr, 0);
    EXPECT_EQ(coder.AddGhostVertex(), 1);
    std::vector<int> links;
    for (int i = nbFace; i < mesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        links.push_back(mesh->IndexFrom(mesh->GetFace(i)->f(k)));
    if (pUnlisted)
      mesh->AddVertex(pUnlisted);  // the mesh deletes it again
    return links;
  };
  const std::vector<int> listed = ghostLinks(false);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(std::count(listed.begin(), listed.end(), -1), 0);
  EXPECT_EQ(ghostLinks(true), listed);
}

TEST(ConquestGhost, TheTablesBorderSidesGiveTheGhostOfTheSearch)
{
  // Conquer closes the borders that the table's pass over the faces found; it must leave what
  // the ghost's own search of the faces, then the table, leave. Stale flags (the search clears
  // them), a face that lost a neighbour link (a border there), a border vertex that the vertex
  // array does not list and closed meshes (no ghost) among them.
  const auto make = [](int kind) -> std::unique_ptr<CMesh3d> {
    switch (kind) {
    case 0:
      return fixtures::Icosphere(2);
    case 1:
      return conquest::Torus(9, 7, true, 3);
    case 2:
      return conquest::NoisySphere(2, 0.1f, 5);
    default:
      return conquest::Grid(6, 0, {7, 20});
    }
  };
  struct SRun
  {
    int Ok = 0;
    int Failed = 0;
    std::vector<unsigned int> Codes;
    bool Ghost = false;
    // The ghost faces' links, by face number.
    std::vector<int> Links;
  };
  const auto conquer = [](CMesh3d* pMesh, int seed, bool stepwise) {
    const int nbFace = pMesh->NbFace();
    CConquestCoder coder;
    coder.Init(pMesh, nullptr, 0);
    SRun run;
    if (stepwise) {
      coder.AddGhostVertex();
      run.Ok = coder.InitItems();
      if (!run.Ok)
        coder.RemoveGhostVertex();
      for (int going = run.Ok && coder.InitCoder(seed); going;)
        going = coder.ConquestStep();
    } else {
      run.Ok = coder.Conquer(seed);
    }
    run.Failed = coder.IsFailed();
    run.Codes = coder.GetCodes();
    run.Ghost = coder.GetGhostVertex() != nullptr;
    for (int i = nbFace; i < pMesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        run.Links.push_back(pMesh->IndexFrom(pMesh->GetFace(i)->f(k)));
    coder.RemoveGhostVertex();
    return run;
  };
  for (int kind = 0; kind < 4; kind++)
    for (int variant = 0; variant < 4; variant++)
      for (int seed : {0, 5, 17}) {
        SRun runs[2];
        for (const bool stepwise : {false, true}) {
          auto mesh = make(kind);
          // 1: the vertices flagged as borders, ghosts and conquered ones would be; 2: one face
          // without its first neighbour; 3: a border vertex taken out of the vertex array.
          for (int i = 0; variant == 1 && i < mesh->NbVertex(); i++)
            mesh->GetVertex(i)->SetFlag(i % 4);
          if (variant == 2)
            mesh->GetFace(mesh->NbFace() / 2)->SetF(0, nullptr);
          CVertex3d* pUnlisted = nullptr;
          for (int i = 0; variant == 3 && !pUnlisted && i < mesh->NbFace(); i++)
            for (int k = 0; k < 3 && !pUnlisted; k++)
              if (!mesh->GetFace(i)->f(k))
                pUnlisted = mesh->GetFace(i)->v(k);
          if (pUnlisted)
            mesh->GetArrayVertex()->RemoveAt(mesh->IndexFrom(pUnlisted));
          runs[stepwise] = conquer(mesh.get(), seed, stepwise);
          if (pUnlisted)
            mesh->AddVertex(pUnlisted);  // the mesh deletes it again
        }
        const std::string what = "kind " + std::to_string(kind) + " variant " + std::to_string(variant) +
                                 " seed " + std::to_string(seed);
        const bool open = kind == 3 || variant == 2;
        // A face's vertex missing from the array cannot be coded: the mesh is refused.
        const bool refused = variant == 3 && open;
        EXPECT_EQ(runs[0].Ok, refused ? 0 : 1) << what;
        EXPECT_EQ(runs[0].Failed, 0) << what;
        if (!refused) {
          EXPECT_GT(runs[0].Codes.size(), 3u) << what;
        }
        EXPECT_EQ(runs[0].Ok, runs[1].Ok) << what;
        EXPECT_EQ(runs[0].Failed, runs[1].Failed) << what;
        EXPECT_EQ(runs[0].Codes, runs[1].Codes) << what;
        EXPECT_EQ(runs[0].Links, runs[1].Links) << what;
        // Only a closed mesh with all its links keeps off the ghost; a refused mesh is left
        // without it.
        EXPECT_EQ(runs[0].Ghost, open && !refused) << what;
      }
}
