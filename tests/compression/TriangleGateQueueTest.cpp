#include "compression/TriangleGateQueue.h"

#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Vertices owned by the test; gates of the queue point at them.
std::vector<std::unique_ptr<CVertex3d>> MakeVertices(int n)
{
  std::vector<std::unique_ptr<CVertex3d>> vertices;
  for (int i = 0; i < n; i++)
    vertices.push_back(std::make_unique<CVertex3d>(static_cast<float>(i), 0.0f, 0.0f));
  return vertices;
}

void Bump(CTriangleGateQueue& queue, CVertex3d* v)
{
  v->SetByteFlag(static_cast<std::uint8_t>(v->GetByteFlag() + 1));
  queue.Rescore(v);
}

} // namespace

TEST(TriangleGateQueue, BestIsTheOldestGateOfTheHighestCounterAcrossManyVertices)
{
  // More vertices than the table's first size, with no Reserve: the table grows on the way.
  const int n = 300;
  auto vertices = MakeVertices(n + 1);
  CTriangleGateQueue queue;
  for (int i = 0; i < n; i++)
    queue.Add(vertices[i].get(), vertices[i + 1].get(), nullptr);
  // All counters 0: the oldest gate.
  EXPECT_EQ(queue.ChooseBest(), 0u);
  // Vertex 200 is vertex 2 of gate 199 only; two bumps put it above vertex 50 (one bump).
  Bump(queue, vertices[50].get());
  Bump(queue, vertices[200].get());
  Bump(queue, vertices[200].get());
  EXPECT_EQ(queue.ChooseBest(), 199u);
  queue.Remove(199);
  EXPECT_EQ(queue.ChooseBest(), 49u);
  queue.Remove(49);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  EXPECT_EQ(queue.ChooseOldest(), 0u);
}

TEST(TriangleGateQueue, GatesSharingAVertexAreAllRescoredAndRemovedOneByOne)
{
  auto vertices = MakeVertices(5);
  CTriangleGateQueue queue;
  queue.Reserve(5);
  CVertex3d* shared = vertices[4].get();
  queue.Add(vertices[0].get(), vertices[1].get(), nullptr); // slot 0
  queue.Add(vertices[1].get(), shared, nullptr);            // slot 1
  queue.Add(vertices[2].get(), shared, nullptr);            // slot 2
  queue.Add(vertices[3].get(), shared, nullptr);            // slot 3
  Bump(queue, shared);
  EXPECT_EQ(queue.ChooseBest(), 1u);
  // Removing the middle and then the newest of the shared gates keeps the list whole.
  queue.Remove(2);
  queue.Remove(1);
  EXPECT_EQ(queue.ChooseBest(), 3u);
  Bump(queue, shared);
  EXPECT_EQ(queue.ChooseBest(), 3u);
  queue.Remove(3);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  queue.Remove(0);
  EXPECT_TRUE(queue.IsEmpty());
  // After RemoveAll the vertices are met afresh, their counters read again.
  queue.RemoveAll();
  queue.Add(vertices[0].get(), shared, nullptr);
  queue.Add(vertices[1].get(), vertices[2].get(), nullptr);
  Bump(queue, vertices[2].get());
  Bump(queue, vertices[2].get());
  Bump(queue, vertices[2].get()); // 3 against the shared vertex's 2
  EXPECT_EQ(queue.ChooseBest(), 1u);
  EXPECT_EQ(queue.GetAt(1)->GetVertex2(), vertices[2].get());
}
