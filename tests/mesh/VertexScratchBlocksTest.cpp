#include "MeshFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <thread>
#include <vector>

namespace {

// More vertices than one run of blocks holds, so that several runs are made.
constexpr int kMany = 2500;

std::vector<std::unique_ptr<CVertex3d>> MakeVertices(int n)
{
  std::vector<std::unique_ptr<CVertex3d>> vertices;
  for (int i = 0; i < n; i++)
    vertices.push_back(std::make_unique<CVertex3d>(static_cast<float>(i), static_cast<float>(-i), 0.5f));
  return vertices;
}

std::vector<CVertex3d*> Pointers(const std::vector<std::unique_ptr<CVertex3d>>& vertices)
{
  std::vector<CVertex3d*> p;
  for (const auto& v : vertices)
    p.push_back(v.get());
  return p;
}

} // namespace

TEST(VertexScratchBlocks, SetAtOnceTheyKeepWhatEachVertexHeldAndStayApart)
{
  auto vertices = MakeVertices(kMany);
  int data[3] = {};
  vertices[1]->SetData(&data[0]);
  vertices[2]->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 7.0f, 8.0f, 9.0f));
  vertices[3]->SetData(&data[1]);
  vertices[3]->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f));
  // A vertex with its own block keeps it and the rest of its state.
  vertices[4]->Set2(11.0f, 12.0f, 13.0f);
  vertices[4]->SetOrder(5);
  std::vector<CVertex3d*> p = Pointers(vertices);
  p.insert(p.begin() + 10, nullptr);  // holes are passed over
  int calls = 0;
  CVertex3d::SetSecondPositions(p.data(), p.size(), [&calls](const CVertex3d& v) {
    calls++;
    return std::array<float, 3>{v.y(), 2 * v.x(), -1.0f};
  });
  EXPECT_EQ(calls, kMany);

  EXPECT_EQ(vertices[1]->GetData(), &data[0]);
  EXPECT_EQ(vertices[1]->NbHistory(), 0);
  EXPECT_EQ(vertices[2]->GetData(), nullptr);
  EXPECT_EQ(vertices[2]->NbHistory(), 1);
  EXPECT_EQ(vertices[3]->GetData(), &data[1]);
  EXPECT_EQ(vertices[3]->NbHistory(), 1);
  EXPECT_EQ(vertices[4]->x2(), -4.0f);
  EXPECT_EQ(vertices[4]->z2(), -1.0f);
  EXPECT_EQ(vertices[4]->GetOrder(), 5);
  // The rest of a fresh block reads as defaults.
  EXPECT_EQ(vertices[kMany - 1]->GetValence(), 0);
  EXPECT_EQ(vertices[kMany - 1]->GetOrder(), 0);
  EXPECT_EQ(vertices[kMany - 1]->GetMergedInto(), nullptr);

  // Each vertex's state is its own: every value reads back after all are written.
  for (int i = 0; i < kMany; i++) {
    const CVertex3d* v = vertices[static_cast<size_t>(i)].get();
    EXPECT_EQ(v->x2(), static_cast<float>(-i));
    EXPECT_EQ(v->y2(), static_cast<float>(2 * i));
    EXPECT_EQ(v->z2(), -1.0f);
  }
  for (int i = 0; i < kMany; i++)
    vertices[static_cast<size_t>(i)]->SetValence(i % 13);
  for (int i = 0; i < kMany; i++) {
    EXPECT_EQ(vertices[static_cast<size_t>(i)]->GetValence(), i % 13);
    EXPECT_EQ(vertices[static_cast<size_t>(i)]->x2(), static_cast<float>(-i));
  }
  // The history and data still go their own ways once in the block.
  vertices[2]->SetData(&data[2]);
  EXPECT_EQ(vertices[2]->GetData(), &data[2]);
  EXPECT_EQ(vertices[2]->PopHistory(), 1);
  EXPECT_FLOAT_EQ(vertices[2]->x(), 7.0f);
  EXPECT_EQ(vertices[2]->NbHistory(), 0);
  // Set again, the blocks are kept and take the new positions.
  CVertex3d::SetSecondPositions(p.data(), p.size(),
                                [](const CVertex3d& v) { return std::array<float, 3>{v.z(), 0.0f, v.x()}; });
  EXPECT_EQ(vertices[kMany - 1]->x2(), 0.5f);
  EXPECT_EQ(vertices[kMany - 1]->z2(), static_cast<float>(kMany - 1));
  EXPECT_EQ(vertices[kMany - 1]->GetValence(), (kMany - 1) % 13);
}

// The blocks go with their vertices in any order and on any thread; the last vertex of a run
// still reads and writes its block after the others are gone (checked by the address
// sanitizer, and the runs' memory by the leak sanitizer).
TEST(VertexScratchBlocks, OutliveTheirNeighboursAndGoWithTheLastOfThem)
{
  auto vertices = MakeVertices(kMany);
  const std::vector<CVertex3d*> p = Pointers(vertices);
  CVertex3d::SetSecondPositions(p.data(), p.size(), [](const CVertex3d& v) {
    return std::array<float, 3>{v.x(), v.y(), v.z()};
  });
  // Every other vertex from the end, then the rest but the first and last on another thread.
  for (int i = kMany - 1; i >= 0; i -= 2)
    vertices[static_cast<size_t>(i)].reset();
  std::thread([&vertices] {
    for (int i = 2; i + 2 < kMany; i += 2)
      vertices[static_cast<size_t>(i)].reset();
  }).join();
  ASSERT_TRUE(vertices[0]);
  ASSERT_TRUE(vertices[kMany - 2]);
  EXPECT_EQ(vertices[kMany - 2]->x2(), static_cast<float>(kMany - 2));
  vertices[kMany - 2]->Set2(1.0f, 2.0f, 3.0f);
  EXPECT_EQ(vertices[kMany - 2]->z2(), 3.0f);
  vertices[kMany - 2].reset();
  EXPECT_EQ(vertices[0]->x2(), 0.0f);
  EXPECT_EQ(vertices[0]->y2(), 0.0f);
  EXPECT_EQ(vertices[0]->z2(), 0.5f);
  vertices[0].reset();
  // A block made one at a time still goes back to the heap.
  CVertex3d single(1, 2, 3);
  single.CopyToSecondSet();
  EXPECT_EQ(single.y2(), 2.0f);
}

TEST(VertexScratchBlocks, CopyPositionsToSecondSetGivesEveryVertexItsPosition)
{
  auto mesh = std::make_unique<CMesh3d>();
  for (int i = 0; i < kMany; i++)
    mesh->AddVertex(new CVertex3d(static_cast<float>(i % 50), static_cast<float>(i / 50), 0.0f));
  mesh->GetVertex(7)->Set2(5.0f, 5.0f, 5.0f);
  mesh->CopyPositionsToSecondSet();
  for (int i = 0; i < kMany; i++) {
    const CVertex3d* v = mesh->GetVertex(i);
    EXPECT_EQ(v->x2(), v->x());
    EXPECT_EQ(v->y2(), v->y());
    EXPECT_EQ(v->z2(), 0.0f);
  }
  // The vertices may leave the mesh and outlive it.
  std::unique_ptr<CVertex3d> kept(mesh->GetVertex(kMany - 1));
  mesh->GetArrayVertex()->SetSize(kMany - 1);
  mesh.reset();
  EXPECT_EQ(kept->x2(), static_cast<float>((kMany - 1) % 50));
  EXPECT_EQ(kept->y2(), static_cast<float>((kMany - 1) / 50));
}
