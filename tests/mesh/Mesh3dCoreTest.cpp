#include "MeshFixtures.h"
#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Mesh3dCore, Defaults)
{
  CMesh3d mesh;
  EXPECT_EQ(mesh.GetType(), TYPE_MESH3D);
  EXPECT_EQ(mesh.GetName(), "Mesh");
  EXPECT_EQ(*mesh.GetColor(), CColor(0, 0, 0, 255));
  EXPECT_EQ(mesh.GetNormalBinding(), 1);
  EXPECT_EQ(mesh.GetColorBinding(), 1);
  EXPECT_EQ(mesh.GetModified(), 1);
  EXPECT_EQ(mesh.IsShown(), 1);
  EXPECT_EQ(mesh.GetUseDisplayList(), 0);
  EXPECT_EQ(mesh.GetTextureIndex(), -1);
  EXPECT_EQ(mesh.GetTextureCoordinates(), nullptr);
  EXPECT_EQ(mesh.Draw(), 1);
  mesh.Show(0);
  EXPECT_EQ(mesh.Draw(), 0);
  EXPECT_EQ(mesh.BuildList(), 0);  // empty: no list
}

TEST(Mesh3dCore, CopyKeepsPositionsIndicesAndTransform)
{
  auto source = fixtures::Icosphere(1);
  source->GetVertex(3)->SetFlag(7);
  source->GetTransform()->SetTranslation(CVector3d(1, 2, 3));
  CMesh3d copy;
  copy.Copy(source.get());
  ASSERT_EQ(copy.NbVertex(), source->NbVertex());
  ASSERT_EQ(copy.NbFace(), source->NbFace());
  for (int i = 0; i < copy.NbVertex(); i++) {
    EXPECT_TRUE(copy.GetVertex(i)->IsSamePosition(source->GetVertex(i)));
    EXPECT_EQ(copy.GetVertex(i)->GetFlag(), 0);
    EXPECT_EQ(*copy.GetVertex(i)->GetColor(), CColor());
  }
  for (int i = 0; i < copy.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(copy.IndexFrom(copy.GetFace(i)->v(k)),
                source->IndexFrom(source->GetFace(i)->v(k)));
  EXPECT_FLOAT_EQ(copy.GetTransform()->GetTranslation()->z(), 3);
  EXPECT_EQ(copy.GetVertex(0)->NbFaceNeighbor(), 0);  // adjacency is the caller's
}

TEST(Mesh3dCore, DeletionsKeepOrder)
{
  auto mesh = fixtures::Octahedron();
  EXPECT_EQ(mesh->DeleteVertexAt(mesh->NbVertex()), 0);
  CFace3d* second = mesh->GetFace(1);
  CFace3d* fourth = mesh->GetFace(3);
  mesh->GetFace(0)->SetFlag(4);
  mesh->GetFace(2)->SetFlag(4);
  mesh->SetModified(0);
  EXPECT_EQ(mesh->RemoveFacesWithFlag(9), 0);
  EXPECT_EQ(mesh->GetModified(), 0);
  EXPECT_EQ(mesh->RemoveFacesWithFlag(4), 2);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_EQ(mesh->GetFace(0), second);
  EXPECT_EQ(mesh->GetFace(1), fourth);
  EXPECT_EQ(mesh->DeleteFacesWithVertex(mesh->GetVertex(4)), 2);
  EXPECT_EQ(mesh->NbFace(), 4);
  CFace3d stranger;
  EXPECT_EQ(mesh->DeleteFace(&stranger), 0);
}

TEST(Mesh3dCore, TruncateAtNullVertex)
{
  auto mesh = fixtures::Octahedron();
  for (int i = 4; i < 8; i++)
    delete mesh->GetFace(i);  // the array forgets them without deleting
  mesh->SetFaceCount(4);
  EXPECT_EQ(mesh->TruncateFacesAtNullVertex(), 0);
  mesh->GetFace(2)->SetVertex(1, nullptr);
  EXPECT_EQ(mesh->TruncateFacesAtNullVertex(), 2);
  EXPECT_EQ(mesh->NbFace(), 2);
}

TEST(Mesh3dCore, DuplicatedFacesAndVertices)
{
  auto mesh = fixtures::Tetrahedron();
  CFace3d* first = mesh->GetFace(0);
  mesh->AddFace(new CFace3d(first->v(1), first->v(2), first->v(0)));
  EXPECT_EQ(mesh->RemoveDuplicatedFaces(), 1);
  EXPECT_EQ(mesh->GetFace(0), first);

  // A strip whose middle vertices are doubled: faces move to the kept twin before deletion.
  auto split = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                               {{0, 1, 2}, {4, 3, 5}});
  EXPECT_EQ(split->RemoveDuplicatedVertices(), 2);
  EXPECT_EQ(split->NbVertex(), 4);
  EXPECT_EQ(split->GetFace(1)->v(0), split->GetVertex(2));
  EXPECT_EQ(split->GetFace(1)->v(1), split->GetVertex(1));
  EXPECT_EQ(split->GetFace(0)->f(1), split->GetFace(1));
}

TEST(Mesh3dCore, RemoveUnusedAndIsolatedVertices)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}}, {{0, 1, 2}});
  CMesh3d twin;
  twin.Copy(mesh.get());
  EXPECT_EQ(mesh->RemoveUnusedVertices(), 1);
  EXPECT_EQ(mesh->NbVertex(), 3);
  twin.BuildAdjacency();
  EXPECT_EQ(twin.RemoveIsolatedVertices(), 1);
  EXPECT_EQ(twin.NbVertex(), 3);
}

TEST(Mesh3dCore, DeletingEveryFaceLeavesNoStaleLists)
{
  // Every face has two equal corners, so every face is invalid.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                              {{0, 0, 1}, {1, 1, 2}, {2, 2, 3}});
  ASSERT_EQ(mesh->GetVertex(1)->NbFaceNeighbor(), 2);
  EXPECT_EQ(mesh->DeleteInvalidFaces(), 0);
  EXPECT_EQ(mesh->NbFace(), 0);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(mesh->GetVertex(i)->NbFaceNeighbor(), 0);
}

TEST(Mesh3dCore, CleanupRemovesDuplicatesAndIsolatedVertices)
{
  auto mesh = fixtures::Octahedron();
  mesh->AddVertex(new CVertex3d(5, 5, 5));
  mesh->AddFace(new CFace3d(mesh->GetVertex(2), mesh->GetVertex(4), mesh->GetVertex(0)));
  EXPECT_EQ(mesh->Cleanup(), 1);
  EXPECT_EQ(mesh->NbVertex(), 6);
  EXPECT_EQ(mesh->NbFace(), 8);
  EXPECT_TRUE(fixtures::IsClosed(*mesh));
  EXPECT_EQ(mesh->IsValid(), 1);
}

TEST(Mesh3dServices, GenerateBox)
{
  CMesh3d box;
  EXPECT_EQ(box.GenerateBox(1, 1, 1), 1);
  ASSERT_EQ(box.NbVertex(), 8);
  ASSERT_EQ(box.NbFace(), 12);
  for (int i = 0; i < 8; i++)
    for (int axis = 0; axis < 3; axis++)
      EXPECT_FLOAT_EQ(std::abs(box.GetVertex(i)->Get(axis)), 0.5f);
  // Normals set directly agree with the anticlockwise corners.
  for (int i = 0; i < box.NbFace(); i++) {
    CFace3d* f = box.GetFace(i);
    const CVector3d stored = *f->GetNormal();
    EXPECT_NEAR(stored.GetNorm(), 1.0, 1e-6);
    f->CalculateNormal();
    EXPECT_FLOAT_EQ(f->GetNormal()->x(), stored.x());
    EXPECT_FLOAT_EQ(f->GetNormal()->y(), stored.y());
    EXPECT_FLOAT_EQ(f->GetNormal()->z(), stored.z());
  }
  box.Rebuild();
  EXPECT_TRUE(fixtures::IsClosed(box));
  EXPECT_EQ(fixtures::EulerCharacteristic(box), 2);
}

TEST(Mesh3dServices, ValenceDistributionTraces)
{
  std::string trace;
  platform::SetTraceSink([&trace](const std::string& line) { trace += line; });
  CMesh3d empty;
  EXPECT_EQ(empty.ValenceDistribution(), 0);
  auto octahedron = fixtures::Octahedron();
  EXPECT_EQ(octahedron->ValenceDistribution(), 1);
  platform::SetTraceSink(nullptr);
  EXPECT_EQ(trace, "  valence distribution: 0\t0\t0\t0\t6\t\n");
}

TEST(Mesh3dServices, IntersectLineWithFaces)
{
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(2, 2, 2);
  CVertex3d a(0.2f, 0.3f, 5), b(0.2f, 0.3f, 4);
  CVertex3d hit;
  CFace3d* face = nullptr;
  int tested = 0;
  EXPECT_EQ(box->IntersectLineWithFaces(&a, &b, &hit, &face, &tested), 2);
  EXPECT_EQ(tested, 12);
  ASSERT_NE(face, nullptr);
  EXPECT_FLOAT_EQ(hit.z(), 1);  // the top is nearer to a than the bottom
  EXPECT_FLOAT_EQ(hit.x(), 0.2f);
  EXPECT_FLOAT_EQ(face->GetNormal()->z(), 1);

  CVertex3d c(5, 5, 5), d(6, 5, 5);
  EXPECT_EQ(box->IntersectLineWithFaces(&c, &d, &hit, &face, &tested), 0);
  EXPECT_EQ(face, nullptr);
}

// Deferred deletions leave the elements in place until the end, then go in one pass that keeps
// the order of the rest, exactly as the same deletions one by one would.
TEST(Mesh3dCore, DeferredDeletionMatchesImmediateDeletion)
{
  auto deferred = fixtures::Icosphere(1);
  auto immediate = fixtures::Icosphere(1);
  const std::vector<int> faces{7, 0, 79, 31, 32, 7};
  const std::vector<int> vertices{41, 3, 0};
  auto run = [&](CMesh3d& mesh, bool defer) {
    std::vector<CFace3d*> f;
    std::vector<CVertex3d*> v;
    for (int i : faces)
      f.push_back(mesh.GetFace(i));
    for (int i : vertices)
      v.push_back(mesh.GetVertex(i));
    if (defer)
      mesh.BeginDeferredDeletion();
    int done = 0;
    for (CFace3d* p : f)
      done += mesh.DeleteFace(p);
    for (CVertex3d* p : v)
      done += mesh.DeleteVertex(p);
    return done;
  };
  const int nbFace = deferred->NbFace();
  const int nbVertex = deferred->NbVertex();
  // The repeated face counts once, in both ways.
  EXPECT_EQ(run(*deferred, true), 8);
  EXPECT_EQ(deferred->NbFace(), nbFace);
  EXPECT_EQ(deferred->NbLiveFace(), nbFace - 5);
  EXPECT_EQ(deferred->NbLiveVertex(), nbVertex - 3);
  deferred->EndDeferredDeletion();
  run(*immediate, false);
  ASSERT_EQ(deferred->NbFace(), immediate->NbFace());
  ASSERT_EQ(deferred->NbVertex(), immediate->NbVertex());
  for (int i = 0; i < deferred->NbVertex(); i++)
    EXPECT_EQ(deferred->GetVertex(i)->x(), immediate->GetVertex(i)->x()) << i;
  for (int i = 0; i < deferred->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(deferred->IndexFrom(deferred->GetFace(i)->v(k)),
                immediate->IndexFrom(immediate->GetFace(i)->v(k)));
  // After the end, deletions are immediate again; a flush outside a deferral does nothing.
  deferred->FlushDeferredDeletion();
  EXPECT_EQ(deferred->DeleteFace(deferred->GetFace(0)), 1);
  EXPECT_EQ(deferred->NbFace(), immediate->NbFace() - 1);
}

TEST(Mesh3dCore, FlushFreesTheMarkedElementsAndGoesOnDeferring)
{
  auto mesh = fixtures::Octahedron();
  mesh->BeginDeferredDeletion();
  CFace3d* last = mesh->GetFace(7);
  mesh->DeleteFace(mesh->GetFace(0));
  mesh->FlushDeferredDeletion();
  EXPECT_EQ(mesh->NbFace(), 7);
  EXPECT_EQ(mesh->GetFace(6), last);
  mesh->DeleteFace(last);
  EXPECT_EQ(mesh->NbFace(), 7);
  EXPECT_EQ(mesh->NbLiveFace(), 6);
  mesh->EndDeferredDeletion();
  EXPECT_EQ(mesh->NbFace(), 6);
}

// Flagged faces going in runs longer than a deletion batch, among scattered ones: the faces left
// are the others in their order, and the faces of the emptied pool blocks are gone for good
// while those kept stay readable.
TEST(Mesh3dCore, ManyFlaggedFacesGoAndTheRestKeepTheirOrder)
{
  auto mesh = fixtures::Icosphere(4);
  const int nbFace = mesh->NbFace();
  ASSERT_GT(nbFace, 4000);
  std::vector<CFace3d*> kept;
  for (int i = 0; i < nbFace; i++) {
    const bool gone = (i >= 300 && i < 1500) || i % 7 == 3;
    mesh->GetFace(i)->SetFlag(gone ? 2 : 0);
    if (!gone)
      kept.push_back(mesh->GetFace(i));
  }
  EXPECT_EQ(mesh->RemoveFacesWithFlag(2), nbFace - static_cast<int>(kept.size()));
  ASSERT_EQ(mesh->NbFace(), static_cast<int>(kept.size()));
  for (int i = 0; i < mesh->NbFace(); i++) {
    EXPECT_EQ(mesh->GetFace(i), kept[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), 0) << i;
  }
  EXPECT_EQ(mesh->RemoveFacesWithFlag(2), 0);
}
