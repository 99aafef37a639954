#include "compression/TriangleGateQueue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The gate counters of the vertices by index, as the coder keeps them.
struct SCounters
{
  std::vector<int> Values;
  explicit SCounters(int n) : Values(static_cast<std::size_t>(n), 0) {}
  void Bump(CTriangleGateQueue& queue, int i)
  {
    Values[static_cast<std::size_t>(i)]++;
    queue.Rescore(static_cast<std::size_t>(i), Values[static_cast<std::size_t>(i)]);
  }
  // A gate named after its vertex 1, whose vertex 2 is v2.
  void Add(CTriangleGateQueue& queue, int v1, int v2)
  {
    queue.Add(static_cast<CTriangleGateQueue::Gate>(v1), static_cast<std::size_t>(v2),
              Values[static_cast<std::size_t>(v2)]);
  }
};

} // namespace

TEST(TriangleGateQueue, BestIsTheOldestGateOfTheHighestCounterAcrossManyVertices)
{
  // More gates than one word of a bucket's bit set.
  const int n = 300;
  CTriangleGateQueue queue;
  queue.Reserve(n + 1);
  SCounters counters(n + 1);
  for (int i = 0; i < n; i++)
    counters.Add(queue, i, i + 1);
  // All counters 0: the oldest gate.
  EXPECT_EQ(queue.ChooseBest(), 0u);
  // Vertex 200 is vertex 2 of gate 199 only; two bumps put it above vertex 50 (one bump).
  counters.Bump(queue, 50);
  counters.Bump(queue, 200);
  counters.Bump(queue, 200);
  EXPECT_EQ(queue.ChooseBest(), 199u);
  queue.Remove(199);
  EXPECT_EQ(queue.ChooseBest(), 49u);
  queue.Remove(49);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  EXPECT_EQ(queue.ChooseOldest(), 0u);
}

TEST(TriangleGateQueue, GatesSharingAVertexAreAllRescoredAndRemovedOneByOne)
{
  CTriangleGateQueue queue;
  queue.Reserve(5);
  SCounters counters(5);
  const int shared = 4;
  counters.Add(queue, 0, 1);      // slot 0
  counters.Add(queue, 1, shared); // slot 1
  counters.Add(queue, 2, shared); // slot 2
  counters.Add(queue, 3, shared); // slot 3
  counters.Bump(queue, shared);
  EXPECT_EQ(queue.ChooseBest(), 1u);
  // Removing the middle and then the newest of the shared gates keeps the list whole.
  queue.Remove(2);
  queue.Remove(1);
  EXPECT_EQ(queue.ChooseBest(), 3u);
  counters.Bump(queue, shared);
  EXPECT_EQ(queue.ChooseBest(), 3u);
  queue.Remove(3);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  queue.Remove(0);
  EXPECT_TRUE(queue.IsEmpty());
  // After RemoveAll and Reserve a new run starts; the counters are the ones Add is given.
  queue.RemoveAll();
  queue.Reserve(5);
  counters.Add(queue, 0, shared);
  counters.Add(queue, 1, 2);
  counters.Bump(queue, 2);
  counters.Bump(queue, 2);
  counters.Bump(queue, 2); // 3 against the shared vertex's 2
  EXPECT_EQ(queue.ChooseBest(), 1u);
  EXPECT_EQ(queue.GetAt(1), 1u);
}

TEST(TriangleGateQueue, CounterOfAVertexWithoutGatesIsTakenWhenItGainsOne)
{
  CTriangleGateQueue queue;
  queue.Reserve(4);
  SCounters counters(4);
  counters.Add(queue, 0, 1); // slot 0, counter 0
  counters.Bump(queue, 3);             // vertex 3 has no gate yet
  counters.Bump(queue, 3);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  counters.Add(queue, 2, 3); // slot 1, counter 2
  EXPECT_EQ(queue.ChooseBest(), 1u);
  EXPECT_EQ(queue.ChooseOldest(), 0u);
  queue.Remove(1);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  // The counter wraps at 8 bits in the coder: 255 then 0 moves the gate down again.
  for (int i = 0; i < 255; i++)
    counters.Bump(queue, 1);
  counters.Add(queue, 3, 2); // slot 2, counter 0
  EXPECT_EQ(queue.ChooseBest(), 0u);
  queue.Rescore(1, 0);
  EXPECT_EQ(queue.ChooseBest(), 0u);
  queue.Remove(0);
  EXPECT_EQ(queue.ChooseBest(), 2u);
}

TEST(TriangleGateQueue, ARestartedQueueChoosesAsAFreshOneWithTheSameCounters)
{
  // Live gates under several counters when the queue restarts: none of them may be chosen
  // afterwards, and the counters handed over decide the new gates' order.
  CTriangleGateQueue used;
  used.Reserve(200);
  SCounters before(200);
  for (int i = 0; i < 150; i++)
    before.Add(used, i, i + 1);
  // The oldest gates under counter 5, which a new gate takes too.
  for (int i = 0; i < 15; i++)
    before.Bump(used, 1 + i % 3);
  ASSERT_FALSE(used.IsEmpty());

  std::vector<std::uint8_t> counters(200, 0);
  counters[7] = 3;
  counters[9] = 5;
  used.Restart(counters);
  EXPECT_TRUE(used.IsEmpty());
  CTriangleGateQueue fresh;
  fresh.Reserve(200);
  SCounters after(200);
  after.Values[7] = 3;
  after.Values[9] = 5;
  for (CTriangleGateQueue* queue : {&used, &fresh}) {
    after.Add(*queue, 0, 1);  // slot 0, counter 0
    after.Add(*queue, 1, 7);  // slot 1, counter 3
    after.Add(*queue, 2, 8);  // slot 2, counter 0
    after.Add(*queue, 3, 9);  // slot 3, counter 5
  }
  for (int step = 0; step < 4; step++) {
    const CTriangleGateQueue::Slot best = fresh.ChooseBest();
    ASSERT_EQ(used.ChooseBest(), best) << "step " << step;
    EXPECT_EQ(used.GetAt(best), fresh.GetAt(best));
    used.Remove(best);
    fresh.Remove(best);
  }
  EXPECT_TRUE(used.IsEmpty());
}

TEST(TriangleGateQueue, ACopyChoosesAsItsOriginalWhateverItHeldBefore)
{
  // The original: gates under counters 0 and 3, some removed, some rescored. The copy held
  // gates of its own in more slots, under counters 1 (which the original reaches only later)
  // and 15 (above its top); none may survive the copy.
  CTriangleGateQueue original;
  original.Reserve(100);
  SCounters counts(100);
  for (int i = 0; i < 70; i++)
    counts.Add(original, i, i % 10);
  for (int i = 0; i < 12; i++)
    counts.Bump(original, 3 + i % 4);
  for (CTriangleGateQueue::Slot slot : {0u, 5u, 13u, 64u})
    original.Remove(slot);
  CTriangleGateQueue copy;
  copy.Reserve(100);
  SCounters other(100);
  for (int i = 0; i < 140; i++)
    other.Add(copy, i, 50 + i % 7);
  for (int i = 0; i < 30; i++)
    other.Bump(copy, 50 + i % 2);
  for (int v = 52; v < 57; v++)
    other.Bump(copy, v);

  copy.CopyFrom(original);
  // Both go on alike: new gates, rescores and removals, every choice compared.
  for (int step = 0; !original.IsEmpty(); step++) {
    ASSERT_FALSE(copy.IsEmpty()) << "step " << step;
    if (step % 3 == 0) {
      SCounters same = counts;
      counts.Add(original, 200 + step, step % 10);
      same.Add(copy, 200 + step, step % 10);
    }
    if (step % 4 == 1) {
      SCounters same = counts;
      counts.Bump(original, step % 10);
      same.Bump(copy, step % 10);
    }
    const CTriangleGateQueue::Slot best = original.ChooseBest();
    ASSERT_EQ(copy.ChooseBest(), best) << "step " << step;
    ASSERT_EQ(copy.GetAt(best), original.GetAt(best)) << "step " << step;
    ASSERT_EQ(copy.ChooseOldest(), original.ChooseOldest()) << "step " << step;
    original.Remove(best);
    copy.Remove(best);
  }
  EXPECT_TRUE(copy.IsEmpty());
}
