#include "mesh/Mesh3d.h"
#include "AllocatedBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace {

TEST(ElementPool, ElementsOfOneMeshLieSideBySide)
{
  CMesh3d mesh;
  CVertex3d* a = mesh.NewVertex(1.0f, 2.0f, 3.0f);
  CVertex3d* b = mesh.NewVertex();
  CFace3d* f = mesh.NewFace(a, b, a);
  CFace3d* g = mesh.NewFace();
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(g, f + 1);
  EXPECT_EQ(a->x(), 1.0f);
  EXPECT_EQ(a->z(), 3.0f);
  EXPECT_EQ(b->x(), 0.0f);
  EXPECT_EQ(f->v(0), a);
  EXPECT_EQ(f->v(1), b);
  EXPECT_EQ(a->GetAdjacencyIndex(), -1);
  mesh.AddVertex(a);
  mesh.AddVertex(b);
  mesh.AddFace(f);
  mesh.AddFace(g);
}

TEST(ElementPool, PooledAndHeapElementsMixInOneMesh)
{
  CMesh3d mesh;
  mesh.AddVertex(mesh.NewVertex(0.0f, 0.0f, 0.0f));
  mesh.AddVertex(new CVertex3d(1.0f, 0.0f, 0.0f));
  mesh.AddVertex(mesh.NewVertex(0.0f, 1.0f, 0.0f));
  mesh.AddFace(mesh.NewFace(mesh.GetVertex(0), mesh.GetVertex(1), mesh.GetVertex(2)));
  mesh.AddFace(new CFace3d(mesh.GetVertex(2), mesh.GetVertex(1), mesh.GetVertex(0)));
  ASSERT_EQ(mesh.BuildAdjacency(), 1);
  EXPECT_EQ(mesh.GetFace(0)->f(0), mesh.GetFace(1));
  EXPECT_EQ(mesh.GetVertex(1)->NbFaceNeighbor(), 2);
  // One by one, as simplification deletes them, heap and pooled alike.
  EXPECT_EQ(mesh.DeleteFace(mesh.GetFace(1)), 1);
  EXPECT_EQ(mesh.DeleteVertexAt(1), 1);
  EXPECT_EQ(mesh.NbFace(), 1);
  EXPECT_EQ(mesh.NbVertex(), 2);
}

TEST(ElementPool, NormalAndColourKeepApartInThePackedLayout)
{
  CMesh3d mesh;
  CVertex3d* v = mesh.NewVertex(1.0f, 2.0f, 3.0f);
  v->SetColor(10, 20, 30);
  *v->GetNormal() = CVector3d(0.25f, 0.5f, 0.75f);
  v->GetNormal()->Set(-1.0f, -2.0f, -3.0f);
  EXPECT_EQ(v->GetColor()->r(), 10);
  EXPECT_EQ(v->GetColor()->g(), 20);
  EXPECT_EQ(v->GetColor()->b(), 30);
  EXPECT_EQ(v->GetColor()->a(), 255);
  EXPECT_EQ(v->GetNormal()->z(), -3.0f);

  CFace3d* f = mesh.NewFace(v, v, v, 7);
  f->SetNormal(4.0f, 5.0f, 6.0f);
  *f->GetNormal() = CVector3d(1.0f, 1.0f, 1.0f);
  EXPECT_EQ(f->GetFlag(), 7);
  f->SetFlag(-1);
  EXPECT_EQ(f->GetNormal()->x(), 1.0f);
  EXPECT_EQ(f->GetNormal()->z(), 1.0f);
  // Still freed to the pool after all those writes (ASan reports a wrong free).
  delete f;
  delete v;
}

TEST(ElementPool, ElementOutlivesItsMesh)
{
  auto pMesh = std::make_unique<CMesh3d>();
  CVertex3d* kept = pMesh->NewVertex(4.0f, 5.0f, 6.0f);
  pMesh->AddVertex(pMesh->NewVertex(7.0f, 8.0f, 9.0f));
  CFace3d* keptFace = pMesh->NewFace(kept, kept, kept);
  pMesh.reset();
  // The block is still there for the elements the mesh did not own.
  EXPECT_EQ(kept->y(), 5.0f);
  EXPECT_EQ(keptFace->v(2), kept);
  delete keptFace;
  delete kept;
}

TEST(ElementPool, ElementsHandedToAnotherMeshStayValid)
{
  CMesh3d target;
  {
    CMesh3d source;
    for (int i = 0; i < 100; i++)
      source.AddVertex(source.NewVertex(static_cast<float>(i), 0.0f, 0.0f));
    // The second half moves to the other mesh; the source deletes the first half with itself.
    for (int i = 50; i < 100; i++)
      target.AddVertex(source.GetVertex(i));
    source.GetArrayVertex()->SetSize(50);
  }
  ASSERT_EQ(target.NbVertex(), 50);
  for (int i = 0; i < 50; i++)
    EXPECT_EQ(target.GetVertex(i)->x(), static_cast<float>(50 + i));
  target.AddVertex(target.NewVertex(-1.0f, 0.0f, 0.0f));
  EXPECT_EQ(target.GetVertex(50)->x(), -1.0f);
}

TEST(ElementPool, DeletionThroughTheBaseClassFreesToThePool)
{
  CMesh3d mesh;
  std::unique_ptr<CObject3d> vertex(mesh.NewVertex(1.0f, 1.0f, 1.0f));
  std::unique_ptr<CObject3d> face(mesh.NewFace());
  EXPECT_EQ(vertex->GetType(), TYPE_VERTEX3D);
  EXPECT_EQ(face->GetType(), TYPE_FACE3D);
  std::unique_ptr<CVertex3d> heap(new CVertex3d(2.0f, 2.0f, 2.0f));
  EXPECT_EQ(heap->x(), 2.0f);
}

TEST(ElementPool, EveryBlockIsFreedWhateverTheOrderOfDeletion)
{
  std::vector<CVertex3d*> vertices;
  std::vector<CFace3d*> faces;
  const int n = 20000;  // many blocks of either kind
  vertices.reserve(n);
  faces.reserve(n);
  std::mt19937 random(7);
  const size_t before = AllocatedBytes();
  {
    auto pMesh = std::make_unique<CMesh3d>();
    for (int i = 0; i < n; i++) {
      vertices.push_back(pMesh->NewVertex(static_cast<float>(i), 0.0f, 0.0f));
      faces.push_back(pMesh->NewFace(vertices.back(), vertices.back(), vertices.back()));
    }
    // Elements that carry heap state of their own.
    vertices[3]->SetOrder(5);
    faces[4]->SetRibbon(2);
    std::shuffle(vertices.begin(), vertices.end(), random);
    std::shuffle(faces.begin(), faces.end(), random);
    for (int i = 0; i < n / 2; i++) {
      delete faces[i];
      delete vertices[i];
    }
    EXPECT_GT(AllocatedBytes(), before);
  }
  // The mesh is gone with its blocks in use; the rest go with their last elements.
  EXPECT_GT(AllocatedBytes(), before);
  for (int i = n / 2; i < n; i++) {
    delete vertices[i];
    delete faces[i];
  }
  EXPECT_EQ(AllocatedBytes(), before);
}

TEST(ElementPool, BlocksEmptiedWhileTheMeshLivesAreFreedAtOnce)
{
  CMesh3d mesh;
  std::vector<CFace3d*> faces(5000);
  const size_t before = AllocatedBytes();
  for (CFace3d*& f : faces)
    f = mesh.NewFace();
  const size_t filled = AllocatedBytes();
  EXPECT_GE(filled - before, faces.size() * sizeof(CFace3d));
  // Face by face, as a subdivision step replaces the old faces by new ones.
  for (CFace3d* f : faces)
    delete f;
  // Only the block the mesh still fills remains.
  EXPECT_LE(AllocatedBytes() - before, CElementPool<CFace3d>::kMaxBlockBytes);
}

TEST(ElementPool, DeletingInRunsFreesEveryBlockOnce)
{
  // A mesh's arrays in an order that splits each block's elements into several runs, with
  // null slots, heap elements, and pooled elements the mesh does not own.
  const int n = 6000;
  std::vector<CVertex3d*> kept;
  kept.reserve(n);
  std::mt19937 random(11);
  const size_t before = AllocatedBytes();
  {
    CMesh3d mesh;
    std::vector<CVertex3d*> vertices;
    std::vector<CFace3d*> faces;
    for (int i = 0; i < n; i++) {
      CVertex3d* v = mesh.NewVertex(static_cast<float>(i), 0.0f, 0.0f);
      (i % 97 == 0 ? kept : vertices).push_back(v);
      faces.push_back(i % 13 == 0 ? new CFace3d(v, v, v) : mesh.NewFace(v, v, v));
    }
    vertices[5]->SetOrder(3);  // heap state of its own
    std::shuffle(vertices.begin(), vertices.begin() + n / 3, random);
    std::reverse(faces.begin() + n / 2, faces.end());
    for (CVertex3d* v : vertices)
      mesh.AddVertex(v);
    mesh.GetArrayFace()->SetSize(2);  // two null slots first
    for (CFace3d* f : faces)
      mesh.AddFace(f);
    EXPECT_EQ(mesh.NbFace(), n + 2);
  }
  // The blocks of the kept vertices stay for them, and go with the last of them.
  EXPECT_GT(AllocatedBytes(), before);
  for (const CVertex3d* v : kept)
    EXPECT_EQ(static_cast<int>(v->x()) % 97, 0);
  for (CVertex3d* v : kept)
    delete v;
  EXPECT_EQ(AllocatedBytes(), before);
}

TEST(ElementPool, DeleteEachFreesEmptiedBlocksWhileThePoolFills)
{
  CMesh3d mesh;
  std::vector<CFace3d*> faces(5000);
  const size_t before = AllocatedBytes();
  for (CFace3d*& f : faces)
    f = mesh.NewFace();
  // A null slot is skipped: the face there stays alive, and so does its block (the first).
  CFace3d* pSkipped = faces[10];
  pSkipped->SetFlag(9);
  faces[10] = nullptr;
  CElementPool<CFace3d>::DeleteEach(faces.data(), faces.size());
  EXPECT_EQ(pSkipped->GetFlag(), 9);
  // Only the first block and the block the mesh still fills remain.
  EXPECT_LE(AllocatedBytes() - before,
            CElementPool<CFace3d>::kMaxBlockBytes + 2 * CElementPool<CFace3d>::kFirstCapacity *
                                                      sizeof(CFace3d));
  delete pSkipped;
  EXPECT_LE(AllocatedBytes() - before, CElementPool<CFace3d>::kMaxBlockBytes);
}

TEST(ElementPool, ElementsDieOnAnotherThreadWhileTheMeshFillsTheBlock)
{
  CMesh3d mesh;
  const int n = 4000;
  std::vector<CVertex3d*> first(n);
  for (CVertex3d*& v : first)
    v = mesh.NewVertex();
  std::thread deleter([&first] {
    for (CVertex3d* v : first)
      delete v;
  });
  std::vector<CVertex3d*> second(n);
  for (int i = 0; i < n; i++)
    second[i] = mesh.NewVertex(static_cast<float>(i), 0.0f, 0.0f);
  deleter.join();
  for (int i = 0; i < n; i++)
    EXPECT_EQ(second[i]->x(), static_cast<float>(i)) << i;
  for (CVertex3d* v : second)
    delete v;
}

// Room claimed ahead runs on from the block being filled into whole new blocks; elements made
// there in any order are pooled elements like the others, freed with their blocks.
TEST(ElementPool, ClaimedRoomIsMadeInAnyOrderAndFreedLikeElements)
{
  const size_t before = AllocatedBytes();
  {
    CMesh3d mesh;
    std::vector<CFace3d*> made;
    for (int i = 0; i < 5; i++)
      made.push_back(mesh.NewFace());
    const std::uint32_t n = 3000;  // several blocks
    auto claim = mesh.ClaimFaces(static_cast<int>(n));
    ASSERT_EQ(claim.GetSize(), n);
    EXPECT_EQ(claim.At(0), made.back() + 1);
    int breaks = 0;
    for (std::uint32_t i = 1; i < n; i++)
      breaks += claim.At(i) != claim.At(i - 1) + 1;
    const size_t perBlock = CElementPool<CFace3d>::kMaxBlockBytes / sizeof(CFace3d);
    EXPECT_GE(breaks, 1);
    EXPECT_LE(static_cast<size_t>(breaks), n / (perBlock - 1) + 1);
    // Last to first, each with the vertices it names.
    CVertex3d* v = mesh.NewVertex();
    for (std::uint32_t i = n; i-- > 0;) {
      CFace3d* f = claim.Construct(i, v, nullptr, v);
      EXPECT_EQ(f, claim.At(i));
      EXPECT_EQ(f->v(0), v);
      EXPECT_EQ(f->v(1), nullptr);
      made.push_back(f);
    }
    // The pool goes on after the claim.
    CFace3d* next = mesh.NewFace();
    EXPECT_EQ(std::count(made.begin(), made.end(), next), 0);
    made.push_back(next);
    // Half go before the mesh, the rest after it.
    std::mt19937 random(3);
    std::shuffle(made.begin(), made.end(), random);
    for (size_t i = 0; i < made.size() / 2; i++)
      delete made[i];
    made.erase(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(made.size() / 2));
    mesh.AddVertex(v);
    for (CFace3d* f : made)
      mesh.AddFace(f);
  }
  EXPECT_EQ(AllocatedBytes(), before);
}

} // namespace

namespace {

TEST(ElementPool, HistoryRecordsPopAndClearFromEitherStorage)
{
  CMesh3d mesh;
  CVertex3d* v = mesh.NewVertex(1.0f, 2.0f, 3.0f);
  mesh.AddVertex(v);
  v->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 4.0f, 5.0f, 6.0f));
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 7.0f, 8.0f, 9.0f));
  ASSERT_EQ(v->NbHistory(), 3);
  float previous[3] = {};
  v->GetPreviousPosition(previous);
  EXPECT_EQ(previous[0], 7.0f);
  // Undoing a move puts the vertex back where the record says.
  EXPECT_EQ(v->PopHistory(), 1);
  EXPECT_EQ(v->x(), 7.0f);
  EXPECT_EQ(v->z(), 9.0f);
  EXPECT_EQ(v->NbHistory(), 2);
  // The rest, pooled and heap alike, go with the vertex.
  CFace3d* f = mesh.NewFace(v, v, v);
  mesh.AddFace(f);
  f->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, std::uint8_t{1}, v));
  EXPECT_EQ(f->NbHistory(), 1);
}

} // namespace
