#include "SimplificationFixtures.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/CollapseQueue.h"
#include "processing/FaceSlotTable.h"
#include "processing/QuadHeap.h"
#include "processing/Valence3Sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <vector>

using namespace fixtures;

namespace {

// A candidate with a key that the test changes behind the queue's back.
struct SItem
{
  float key;
  bool usable = true;
};

using Queue = CCollapseQueue<SItem, float>;
// Eight-byte keys: the candidate lives in the queue's table instead of in the entry.
using WideQueue = CCollapseQueue<SItem, double>;

template <class Q>
SItem* TopOf(Q& queue)
{
  return queue.Top([](const SItem* item, auto key) { return item->key == key; },
                   [](const SItem* item) { return item->usable; });
}

template <class Q>
class CollapseQueueOfEitherKey : public ::testing::Test
{
};
using Queues = ::testing::Types<Queue, WideQueue>;
TYPED_TEST_SUITE(CollapseQueueOfEitherKey, Queues);

} // namespace

TEST(CollapseQueue, CheapestFirstAndTheLowerOrderAmongEquals)
{
  SItem a{2.0f};
  SItem b{1.0f};
  SItem c{1.0f};
  Queue queue;
  queue.Push(&a, a.key, 0);
  queue.Push(&c, c.key, 9);
  queue.Push(&b, b.key, 4);
  EXPECT_EQ(TopOf(queue), &b);
  // Top leaves the candidate in the queue.
  EXPECT_EQ(TopOf(queue), &b);
  b.key = 5.0f;  // stale now: its entry is dropped when it comes up
  EXPECT_EQ(TopOf(queue), &c);
  c.key = 7.0f;
  queue.Push(&c, c.key, 9);
  queue.Push(&b, b.key, 4);
  EXPECT_EQ(TopOf(queue), &a);
  a.key = 8.0f;
  EXPECT_EQ(TopOf(queue), &b);
}

TEST(CollapseQueue, BlockedCandidatesWaitUntilHandedBack)
{
  SItem a{1.0f};
  SItem b{2.0f};
  Queue queue;
  queue.Push(&a, a.key, 0);
  queue.Push(&b, b.key, 1);
  EXPECT_EQ(queue.HasBlocked(), 0);
  a.usable = false;
  EXPECT_EQ(TopOf(queue), &b);
  EXPECT_EQ(queue.IsBlocked(&a, 0), 1);
  EXPECT_EQ(queue.HasBlocked(), 1);
  a.usable = true;
  // Still set aside: nothing told the queue.
  EXPECT_EQ(TopOf(queue), &b);
  queue.Unblock(&b, b.key, 1);  // not blocked: no second entry
  queue.Unblock(&a, a.key, 0);
  EXPECT_EQ(queue.IsBlocked(&a, 0), 0);
  EXPECT_EQ(queue.HasBlocked(), 0);
  EXPECT_EQ(TopOf(queue), &a);
  b.usable = false;
  a.usable = false;
  EXPECT_EQ(TopOf(queue), nullptr);
  EXPECT_EQ(queue.IsEmpty(), 1);
}

// A candidate known to be refused goes aside without an entry: the others come out as they
// would with it pushed and refused, and a hand-back queues it at its key.
TEST(CollapseQueue, SetAsideWaitsAsARefusalWould)
{
  SItem a{1.0f};
  SItem b{2.0f};
  SItem c{3.0f};
  WideQueue queue;
  queue.Push(&b, b.key, 1);
  queue.Push(&c, c.key, 2);
  ASSERT_EQ(queue.CanSetAside(&a, a.key, 0), 1);
  queue.SetAside(&a, 0);
  EXPECT_EQ(queue.IsBlocked(&a, 0), 1);
  EXPECT_EQ(queue.GetBlocked(), std::vector<SItem*>{&a});
  EXPECT_EQ(TopOf(queue), &b);
  queue.Unblock(&a, a.key, 0);
  EXPECT_EQ(queue.IsBlocked(&a, 0), 0);
  EXPECT_EQ(TopOf(queue), &a);

  // An entry of the same key in the heap already is judged when it comes up: no setting aside.
  EXPECT_EQ(queue.CanSetAside(&a, a.key, 0), 0);
  // Another key may go aside; the old entry is stale once the key moved.
  a.key = 2.5f;
  ASSERT_EQ(queue.CanSetAside(&a, a.key, 0), 1);
  queue.SetAside(&a, 0);
  EXPECT_EQ(TopOf(queue), &b);
  b.key = 9.0f;
  EXPECT_EQ(TopOf(queue), &c);
  // A NaN is never queued, so never set aside either.
  EXPECT_EQ(queue.CanSetAside(&c, std::numeric_limits<double>::quiet_NaN(), 2), 0);
  // A deleted candidate is forgotten, aside or not.
  queue.Forget(0);
  EXPECT_EQ(queue.IsBlocked(&a, 0), 0);
  EXPECT_EQ(queue.HasBlocked(), 0);
}

// The minimum with candidates set aside as they enter picks what the plain minimum picks when
// the same candidates are refused on coming up, and leaves them waiting alike.
TEST(ArrayEdgeCollapse, KnownRefusalsAtEntryPickWhatRefusalsOnComingUpPick)
{
  auto plainMesh = Torus(6);
  auto asideMesh = Torus(6);
  CArrayEdgeCollapse plain;
  CArrayEdgeCollapse aside;
  plain.FillAllPairs(plainMesh.get());
  aside.FillAllPairs(asideMesh.get());
  ASSERT_EQ(plain.GetSize(), aside.GetSize());
  const int n = plain.GetSize();
  ASSERT_GT(n, 20);
  // Costs with ties, so that the order among equal costs counts too.
  for (int i = 0; i < n; i++) {
    plain.GetAt(i)->SetCost((i * 7) % 11);
    aside.GetAt(i)->SetCost((i * 7) % 11);
  }
  // Every third candidate is refused; the aside search knows it for the even slots among them.
  const auto refused = [](const CEdgeCollapse* c) { return c->GetSlot() % 3 == 0; };
  int entered = 0;
  const auto known = [&entered](const CEdgeCollapse* c) {
    entered++;
    return c->GetSlot() % 6 == 0;
  };
  const auto usable = [&refused](const CEdgeCollapse* c) { return !refused(c); };
  for (int round = 0; round < n / 2; round++) {
    const CEdgeCollapse* p = plain.GetMin(usable);
    const CEdgeCollapse* q = aside.GetMin(usable, known);
    ASSERT_EQ(p == nullptr, q == nullptr);
    if (!p)
      break;
    ASSERT_EQ(p->GetSlot(), q->GetSlot()) << "round " << round;
    // The chosen one moves on: a new cost, to be taken again as it enters.
    const double cost = p->GetCost() + 5.0 + round % 4;
    plain.AtSlot(p->GetSlot())->SetCost(cost);
    aside.AtSlot(q->GetSlot())->SetCost(cost);
  }
  EXPECT_GT(entered, n);
  for (int slot = 0; slot < n; slot += 6)
    EXPECT_EQ(aside.IsBlockedAt(slot), 1) << slot;
  // Handed back, a candidate set aside at entry is searched again at its cost.
  CEdgeCollapse* first = aside.AtSlot(0);
  first->SetCost(-1.0);
  const auto any = [](const CEdgeCollapse*) { return true; };
  EXPECT_EQ(aside.GetMin(any, [](const CEdgeCollapse*) { return false; }), first);
}

// An item that is deleted while its entry waits: the order-aware test reads the caller's own
// record by order, never the item, and a forgotten item is blocked no more.
TYPED_TEST(CollapseQueueOfEitherKey, DeletedItemsAreDroppedByOrderAndForgotten)
{
  std::vector<SItem*> slots{new SItem{1.0f}, new SItem{2.0f}};
  TypeParam queue;
  for (int i = 0; i < 2; i++)
    queue.Push(slots[i], slots[i]->key, i);
  const auto isCurrent = [&slots](const SItem* item, auto key, std::int64_t order) {
    const SItem* now = slots[static_cast<size_t>(order)];
    return now == item && now->key == key;
  };
  const auto usable = [](const SItem* item) { return item->usable; };
  slots[1]->usable = false;
  EXPECT_EQ(queue.Top(isCurrent, usable), slots[0]);
  delete slots[0];
  slots[0] = nullptr;
  // Item 1 is unusable and gets blocked on the way; then nothing is left.
  EXPECT_EQ(queue.Top(isCurrent, usable), nullptr);
  EXPECT_EQ(queue.IsBlocked(slots[1], 1), 1);
  queue.Forget(1);
  EXPECT_EQ(queue.IsBlocked(slots[1], 1), 0);
  delete slots[1];
}

// Many candidates whose keys change (few distinct keys, so that ties are broken by order) and
// that are taken one by one: every Top must name what a scan of the candidates in their order
// for the least key would, the queue being told of each change as its callers do.
TYPED_TEST(CollapseQueueOfEitherKey, PicksWhatAScanPicksThroughManyChanges)
{
  const int n = 3000;
  std::vector<SItem> items(n);
  std::vector<bool> taken(n, false);
  TypeParam queue;
  unsigned state = 12345;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
  };
  for (int i = 0; i < n; i++) {
    items[i].key = static_cast<float>(next() % 50);
    queue.Push(&items[i], items[i].key, i);
  }
  const auto isCurrent = [&items, &taken](const SItem* item, auto key) {
    return !taken[static_cast<size_t>(item - items.data())] && item->key == key;
  };
  const auto usable = [](const SItem*) { return true; };
  for (int round = 0; round < n; round++) {
    int expected = -1;
    for (int i = 0; i < n; i++)
      if (!taken[i] && (expected < 0 || items[i].key < items[expected].key))
        expected = i;
    SItem* top = queue.Top(isCurrent, usable);
    ASSERT_EQ(top, &items[expected]) << "round " << round;
    taken[expected] = true;
    // A few candidates change, some to a key they had before.
    for (int k = 0; k < 3; k++) {
      const int i = static_cast<int>(next() % n);
      if (taken[i])
        continue;
      items[i].key = static_cast<float>(next() % 50);
      queue.Push(&items[i], items[i].key, i);
    }
  }
  EXPECT_EQ(queue.Top(isCurrent, usable), nullptr);
  EXPECT_EQ(queue.IsEmpty(), 1);
}

// Candidates set aside, handed back, pushed again and forgotten in a random sequence: the
// queue's waiting list must name exactly the blocked ones at every step, whatever the order
// in which they leave it.
TYPED_TEST(CollapseQueueOfEitherKey, WaitingListFollowsBlocksAndReleases)
{
  const int n = 200;
  std::vector<SItem> items(n);
  std::set<int> blocked;
  std::size_t most = 0;
  TypeParam queue;
  for (int i = 0; i < n; i++) {
    items[i].key = static_cast<float>(i % 17);
    queue.Push(&items[i], items[i].key, i);
  }
  unsigned state = 777;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
  };
  for (int step = 0; step < 2000; step++) {
    const int i = static_cast<int>(next() % n);
    // Mostly refusals, so that many candidates wait and leave the list from its middle.
    switch (next() % 8) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
      // Top blocks every unusable candidate that comes up before the first usable one.
      items[i].usable = false;
      SItem* expected = nullptr;
      for (int key = 0; key < 17 && !expected; key++)
        for (int k = key; k < n && !expected; k += 17) {
          if (blocked.count(k))
            continue;
          if (items[k].usable)
            expected = &items[k];
          else
            blocked.insert(k);
        }
      EXPECT_EQ(TopOf(queue), expected) << "step " << step;
      break;
    }
    case 5:
      items[i].usable = true;
      queue.Unblock(&items[i], items[i].key, i);
      blocked.erase(i);
      break;
    case 6:
      items[i].usable = true;
      queue.Push(&items[i], items[i].key, i);
      blocked.erase(i);
      break;
    default:
      queue.Forget(i);
      if (blocked.erase(i))
        queue.Push(&items[i], items[i].key, i);  // back in the heap for the rest of the run
      break;
    }
    std::vector<SItem*> waiting = queue.GetBlocked();
    std::set<int> listed;
    for (const SItem* item : waiting)
      listed.insert(static_cast<int>(item - items.data()));
    ASSERT_EQ(listed.size(), waiting.size()) << "step " << step;
    ASSERT_EQ(listed, blocked) << "step " << step;
    ASSERT_EQ(queue.HasBlocked(), blocked.empty() ? 0 : 1);
    for (int k = 0; k < n; k++)
      ASSERT_EQ(queue.IsBlocked(&items[k], k), blocked.count(k) ? 1 : 0) << k;
    most = std::max(most, blocked.size());
  }
  EXPECT_GT(most, 5u);
  // The order names the candidate: another item at a blocked order is not blocked.
  items[0].usable = false;  // the first in the queue's order: the next Top sets it aside
  TopOf(queue);
  const int k = 0;
  ASSERT_EQ(queue.IsBlocked(&items[k], k), 1);
  SItem other{0.0f};
  EXPECT_EQ(queue.IsBlocked(&other, k), 0);
  EXPECT_EQ(queue.IsBlocked(&items[k], n + 5), 0);
}

// Two queues of wide keys told the same changes, the second dropping its stale entries at
// random moments (and after every change in a stretch): every TopByKey gives the same candidate,
// they set aside the same ones, and a drop leaves at most one entry per candidate. The keys
// change by the means a caller has (push, set aside, unqueue with a NaN, hand back), some
// back to a key they had, with many ties.
TEST(CollapseQueue, DroppingStaleEntriesChangesNoChoice)
{
  const int n = 400;
  std::vector<SItem> items(n);
  std::vector<double> keys(n);
  WideQueue lazy;
  WideQueue dropping;
  unsigned state = 4242;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
  };
  for (int i = 0; i < n; i++) {
    keys[i] = static_cast<double>(next() % 40);
    lazy.Push(&items[i], keys[i], i);
    dropping.Push(&items[i], keys[i], i);
  }
  const auto isCurrent = [&keys](double key, std::int64_t order) {
    return keys[static_cast<size_t>(order)] == key;
  };
  const auto usable = [](const SItem* item) { return item->usable; };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  int drops = 0;
  int tops = 0;
  for (int step = 0; step < 6000; step++) {
    const int i = static_cast<int>(next() % n);
    switch (next() % 6) {
    case 0:
    case 1:
      keys[i] = static_cast<double>(next() % 40);
      lazy.Push(&items[i], keys[i], i);
      dropping.Push(&items[i], keys[i], i);
      break;
    case 2:
      keys[i] = nan;
      lazy.Unqueue(i);
      dropping.Unqueue(i);
      break;
    case 3:
      // Refused at a new key without going through the heap.
      keys[i] = static_cast<double>(next() % 40);
      if (lazy.CanSetAside(&items[i], keys[i], i)) {
        ASSERT_EQ(dropping.CanSetAside(&items[i], keys[i], i), 1) << step;
        lazy.SetAside(&items[i], i);
        dropping.SetAside(&items[i], i);
      } else {
        ASSERT_EQ(dropping.CanSetAside(&items[i], keys[i], i), 0) << step;
        lazy.Push(&items[i], keys[i], i);
        dropping.Push(&items[i], keys[i], i);
      }
      break;
    case 4:
      items[i].usable = next() % 4 != 0;
      if (keys[i] == keys[i]) {
        lazy.Unblock(&items[i], keys[i], i);
        dropping.Unblock(&items[i], keys[i], i);
      }
      break;
    default: {
      SItem* expected = lazy.TopByKey(isCurrent, usable);
      ASSERT_EQ(dropping.TopByKey(isCurrent, usable), expected) << "step " << step;
      tops++;
      break;
    }
    }
    if (next() % 50 == 0 || (step >= 3000 && step < 3100)) {
      dropping.DropStale(isCurrent);
      drops++;
      ASSERT_LE(dropping.GetSize(), static_cast<std::size_t>(n)) << step;
      ASSERT_LE(dropping.GetSize(), lazy.GetSize()) << step;
    }
    for (int k = 0; k < n; k++)
      ASSERT_EQ(dropping.IsBlocked(&items[k], k), lazy.IsBlocked(&items[k], k)) << k;
  }
  EXPECT_GT(drops, 100);
  EXPECT_GT(tops, 500);
  // Emptied of everything usable, both end the same way.
  for (SItem& item : items)
    item.usable = false;
  EXPECT_EQ(lazy.TopByKey(isCurrent, usable), nullptr);
  EXPECT_EQ(dropping.TopByKey(isCurrent, usable), nullptr);
  EXPECT_EQ(dropping.GetBlocked().size(), lazy.GetBlocked().size());
}

// The same with four-byte keys, whose entries carry their candidate and may repeat a key: the
// second queue drops its stale entries at random moments. Both pick the same candidates and set
// aside the same ones, and a drop leaves exactly the current entries: one per push of the
// candidate's present key since it last changed, none for one that a search set aside. A
// candidate's new keys are above all its earlier ones (so that no stale entry turns current
// again), with many ties between candidates.
TEST(CollapseQueue, DroppingStaleCarriedEntriesChangesNoChoice)
{
  const int n = 300;
  std::vector<SItem> items(n);
  std::vector<float> keys(n);
  // Per candidate, the entries of its present key that the heap holds.
  std::vector<int> current(n, 0);
  std::vector<float> highest(n, 0.0f);
  Queue lazy;
  Queue dropping;
  unsigned state = 977;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
  };
  const auto push = [&](int i, float key) {
    current[i] = key == keys[i] ? current[i] + 1 : 1;
    keys[i] = key;
    highest[i] = std::max(highest[i], key);
    lazy.Push(&items[i], key, i);
    dropping.Push(&items[i], key, i);
  };
  for (int i = 0; i < n; i++) {
    keys[i] = std::numeric_limits<float>::quiet_NaN();
    push(i, static_cast<float>(next() % 8));
  }
  const auto fresh = [&](int i) { return highest[i] + 1.0f + static_cast<float>(next() % 3); };
  const auto isCurrent = [&keys](float key, std::int64_t order) {
    return keys[static_cast<size_t>(order)] == key;
  };
  const auto isCurrentItem = [&isCurrent](const SItem*, float key, std::int64_t order) {
    return isCurrent(key, order);
  };
  const auto usable = [](const SItem* item) { return item->usable; };
  int drops = 0;
  int tops = 0;
  for (int step = 0; step < 5000; step++) {
    const int i = static_cast<int>(next() % n);
    switch (next() % 5) {
    case 0:
      push(i, fresh(i));
      break;
    case 1:
      push(i, keys[i] == keys[i] ? keys[i] : fresh(i));  // the same key again
      break;
    case 2:
      // Unusable from now on: no push, its entries simply go stale.
      keys[i] = std::numeric_limits<float>::quiet_NaN();
      current[i] = 0;
      break;
    case 3:
      items[i].usable = next() % 4 != 0;
      if (keys[i] == keys[i] && lazy.IsBlocked(&items[i], i)) {
        current[i] = 1;
        lazy.Unblock(&items[i], keys[i], i);
        dropping.Unblock(&items[i], keys[i], i);
      }
      break;
    default: {
      SItem* expected = lazy.Top(isCurrentItem, usable);
      ASSERT_EQ(dropping.Top(isCurrentItem, usable), expected) << "step " << step;
      // Whatever the search set aside lost its entries on the way.
      for (int k = 0; k < n; k++)
        if (lazy.IsBlocked(&items[k], k))
          current[k] = 0;
      tops++;
      break;
    }
    }
    if (next() % 40 == 0) {
      const std::size_t before = dropping.GetSize();
      dropping.DropStale(isCurrent);
      drops++;
      int expectedSize = 0;
      for (const int c : current)
        expectedSize += c;
      ASSERT_EQ(dropping.GetSize(), static_cast<std::size_t>(expectedSize)) << step;
      ASSERT_LE(dropping.GetSize(), before) << step;
    }
    for (int k = 0; k < n; k++)
      ASSERT_EQ(dropping.IsBlocked(&items[k], k), lazy.IsBlocked(&items[k], k)) << k;
  }
  EXPECT_GT(drops, 80);
  EXPECT_GT(tops, 500);
  EXPECT_LT(dropping.GetSize(), lazy.GetSize());
  for (SItem& item : items)
    item.usable = false;
  EXPECT_EQ(lazy.Top(isCurrentItem, usable), nullptr);
  EXPECT_EQ(dropping.Top(isCurrentItem, usable), nullptr);
  EXPECT_EQ(dropping.GetBlocked().size(), lazy.GetBlocked().size());
}

// Pushing the key a candidate already waits under in the heap adds nothing; once its entry has
// left the heap (set aside, or dropped while its key differed), the same key queues it again.
TEST(CollapseQueue, RepeatedPushesOfOneKeyQueueOnce)
{
  SItem a{1.0f};
  WideQueue queue;
  for (int i = 0; i < 3; i++)
    queue.Push(&a, a.key, 0);
  a.usable = false;
  int asked = 0;
  const auto isCurrent = [](const SItem* item, double key) { return item->key == key; };
  const auto counted = [&asked](const SItem* item) {
    asked++;
    return item->usable;
  };
  EXPECT_EQ(queue.Top(isCurrent, counted), nullptr);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(queue.IsEmpty(), 1);
  // Set aside: the same key queues it again.
  a.usable = true;
  queue.Push(&a, a.key, 0);
  EXPECT_EQ(TopOf(queue), &a);
  // Its key changes behind the queue's back: the entry is dropped as stale...
  a.key = 5.0f;
  EXPECT_EQ(TopOf(queue), nullptr);
  // ...and when the key comes back, pushing it queues the candidate anew.
  a.key = 1.0f;
  queue.Push(&a, a.key, 0);
  EXPECT_EQ(TopOf(queue), &a);
}

// Entries that carry their candidate may repeat one key: every copy that comes up unusable sets
// the candidate aside once, and one hand-back frees it whatever copies were left.
TEST(CollapseQueue, RepeatedEntriesOfACarriedCandidateWaitOnce)
{
  SItem a{1.0f};
  SItem b{3.0f};
  Queue queue;
  for (int i = 0; i < 3; i++)
    queue.Push(&a, a.key, 4);
  queue.Push(&b, b.key, 0);
  a.usable = false;
  EXPECT_EQ(TopOf(queue), &b);
  EXPECT_EQ(queue.IsBlocked(&a, 4), 1);
  EXPECT_EQ(queue.GetBlocked(), std::vector<SItem*>{&a});
  b.usable = false;
  EXPECT_EQ(TopOf(queue), nullptr);
  EXPECT_EQ(queue.GetBlocked().size(), 2u);
  a.usable = true;
  queue.Unblock(&a, a.key, 4);
  EXPECT_EQ(queue.GetBlocked(), std::vector<SItem*>{&b});
  EXPECT_EQ(TopOf(queue), &a);
  // A second hand-back of a candidate no longer waiting adds nothing.
  queue.Unblock(&a, a.key, 4);
  a.key = 9.0f;
  EXPECT_EQ(TopOf(queue), nullptr);
  EXPECT_EQ(queue.IsEmpty(), 1);
}

// TopByKey drops a stale entry on the caller's key alone; a candidate whose key leaves and comes
// back (turned invalid, set aside, or a NaN pushed meanwhile) is queued again by the push of
// its old key, and only current entries are asked about.
TEST(CollapseQueue, EntriesJudgedByTheCallersKeysAlone)
{
  SItem items[3] = {{1.0f}, {2.0f}, {3.0f}};
  std::vector<double> keys = {1.0, 2.0, 3.0};
  WideQueue queue;
  for (int i = 0; i < 3; i++)
    queue.Push(&items[i], keys[static_cast<size_t>(i)], i);
  int asked = 0;
  const auto isCurrent = [&keys](double key, std::int64_t order) {
    return keys[static_cast<size_t>(order)] == key;
  };
  const auto usable = [&asked](const SItem* item) {
    asked++;
    return item->usable;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();

  // Turned invalid: told to the queue instead of pushed; its entry goes as stale, unasked.
  keys[0] = nan;
  queue.Unqueue(0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[1]);
  EXPECT_EQ(asked, 1);
  keys[0] = 1.0;
  queue.Push(&items[0], keys[0], 0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[0]);

  // Set aside at another key: the entry of the old key goes as stale; handed back at the old
  // key, it is queued again.
  keys[0] = 1.5;
  ASSERT_EQ(queue.CanSetAside(&items[0], keys[0], 0), 1);
  queue.SetAside(&items[0], 0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[1]);
  keys[0] = 1.0;
  queue.Unblock(&items[0], keys[0], 0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[0]);

  // A NaN pushed meanwhile: nothing queued for it, and the old key queues the candidate again.
  keys[0] = nan;
  queue.Push(&items[0], keys[0], 0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[1]);
  keys[0] = 1.0;
  queue.Push(&items[0], keys[0], 0);
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[0]);

  // An unusable candidate waits aside; the next comes up.
  items[0].usable = false;
  asked = 0;
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), &items[1]);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(queue.IsBlocked(&items[0], 0), 1);
  items[1].usable = false;
  items[2].usable = false;
  EXPECT_EQ(queue.TopByKey(isCurrent, usable), nullptr);
  EXPECT_EQ(queue.IsEmpty(), 1);
  EXPECT_EQ(queue.GetBlocked().size(), 3u);
}

TEST(CollapseQueue, NotANumberIsNeverChosen)
{
  SItem a{std::numeric_limits<float>::quiet_NaN()};
  Queue queue;
  queue.Push(&a, a.key, 0);
  EXPECT_EQ(queue.IsEmpty(), 1);
  EXPECT_EQ(TopOf(queue), nullptr);
}

namespace {

// A torus whose every fifth face is split at its centroid (a vertex of valence 3), and every
// tenth split once more inside its first piece: that inner vertex comes later in the array
// and hides the outer one (valence 4) until it goes.
std::unique_ptr<CMesh3d> TorusWithValence3Vertices()
{
  auto torus = Torus(9);
  Perturb(*torus, 0.01f);
  Points points;
  for (const auto& p : Positions(*torus))
    points.push_back(p);
  Triangles triangles;
  auto centroid = [&points](int a, int b, int c) {
    Position m{};
    for (int k = 0; k < 3; k++)
      m[k] = (points[a][k] + points[b][k] + points[c][k]) / 3.0f;
    points.push_back(m);
    return static_cast<int>(points.size()) - 1;
  };
  const auto corners = Corners(*torus);
  for (size_t i = 0; i < corners.size(); i++) {
    const auto [a, b, c] = corners[i];
    if (i % 5 != 0) {
      triangles.push_back({a, b, c});
      continue;
    }
    const int m = centroid(a, b, c);
    if (i % 10 == 0) {
      const int n = centroid(a, b, m);
      triangles.push_back({a, b, n});
      triangles.push_back({b, m, n});
      triangles.push_back({m, a, n});
    } else {
      triangles.push_back({a, b, m});
    }
    triangles.push_back({b, c, m});
    triangles.push_back({c, a, m});
  }
  return Build(points, triangles);
}

} // namespace

// The sweep over the marked vertices removes what a pass over the whole array removes, pass
// after pass, including the vertices that a later removal uncovers before it.
TEST(Valence3Sweep, MatchesTheWholeArrayPass)
{
  auto whole = TorusWithValence3Vertices();
  auto swept = TorusWithValence3Vertices();
  CValence3Sweep sweep;
  sweep.Begin(swept.get());
  for (int pass = 0; pass < 3; pass++) {
    const int expected = whole->RemoveValence3VerticesKeepingManifold();
    swept->BeginDeferredDeletion();
    int deletedFaces = 0;
    const int removed = sweep.Sweep([&](const std::vector<CFace3d*>& deleted,
                                        const std::vector<CVertex3d*>&) {
      deletedFaces += static_cast<int>(deleted.size());
    });
    swept->EndDeferredDeletion();
    EXPECT_EQ(removed, expected) << "pass " << pass;
    EXPECT_EQ(deletedFaces, 2 * removed);
    ASSERT_EQ(Corners(*swept), Corners(*whole)) << "pass " << pass;
    EXPECT_EQ(Positions(*swept), Positions(*whole));
    if (pass == 0) {
      EXPECT_GT(removed, 0);
      EXPECT_TRUE(whole->HasVertexWithValence(3));  // the outer ones, for the next pass
    }
  }
  EXPECT_FALSE(whole->HasVertexWithValence(3));
  ExpectVertexNeighborsMatchFaces(*swept);
}

TEST(Valence3Sweep, CollectsRingsOnce)
{
  auto torus = Torus(8);
  CVertex3d* v = torus->GetVertex(0);
  std::vector<CVertex3d*> around;
  CValence3Sweep::CollectRings(v, 0, &around);
  EXPECT_EQ(around, std::vector<CVertex3d*>{v});
  CValence3Sweep::CollectRings(v, 1, &around);
  EXPECT_EQ(around.size(), 7u);
  CValence3Sweep::CollectRings(v, 2, &around);
  EXPECT_EQ(around.size(), 19u);  // a hexagonal patch of radius 2
  std::set<CVertex3d*> distinct(around.begin(), around.end());
  EXPECT_EQ(distinct.size(), around.size());
}

// The array's searches see every change made through a candidate, also one reached by index.
TEST(ArrayEdgeCollapse, MinimumFollowsChangesMadeThroughTheCandidates)
{
  auto mesh = Torus(6);
  CArrayEdgeCollapse array;
  array.FillAllPairs(mesh.get());
  ASSERT_GT(array.GetSize(), 10);
  for (int i = 0; i < array.GetSize(); i++)
    array.GetAt(i)->SetCost(5.0 + i);
  EXPECT_EQ(array.GetMin(), array.GetAt(0));
  array.GetAt(7)->SetCost(1.0);
  array.GetAt(4)->SetCost(1.0);
  EXPECT_EQ(array.GetMin(), array.GetAt(4));
  array.GetAt(4)->SetValid(0);
  EXPECT_EQ(array.GetMin(), array.GetAt(7));
  array.GetAt(4)->SetValid(1);
  EXPECT_EQ(array.GetMin(), array.GetAt(4));
  // Removing the faces of the cheapest renumbers the rest, keeping their order.
  CEdgeCollapse* next = array.GetAt(7);
  const CFace3d* f = array.GetAt(4)->GetFace(0);
  const CFace3d* g = array.GetAt(4)->GetFace(1);
  const int left = array.RemoveFaces(f, g);
  EXPECT_EQ(left, array.GetSize());
  bool nextAlive = false;
  for (int i = 0; i < array.GetSize(); i++) {
    EXPECT_FALSE(array.GetAt(i)->HasFace(f) || array.GetAt(i)->HasFace(g));
    nextAlive = nextAlive || array.GetAt(i) == next;
  }
  EXPECT_EQ(array.GetMin(), nextAlive ? next : array.GetAt(0));
  // A cost beyond the sentinel is never the minimum.
  for (int i = 0; i < array.GetSize(); i++)
    array.GetAt(i)->SetCost(4e38);
  EXPECT_EQ(array.GetMin(), nullptr);
}

// The per-face lists through growth and forgetting, against a plain map: faces are only
// addresses to the table, so distinct addresses in one block stand for them.
TEST(FaceSlotTable, KeepsEachFacesListThroughGrowthAndForgetting)
{
  const int n = 1000;
  std::vector<char> block(n);
  const auto face = [&block](int i) { return reinterpret_cast<const CFace3d*>(&block[i]); };
  CFaceSlotTable table;
  std::map<int, std::vector<int>> model;
  EXPECT_EQ(table.Find(face(0)), nullptr);
  EXPECT_EQ(table.Find(nullptr), nullptr);
  for (int slot = 0; slot < 3 * n; slot++) {
    const int i = (slot * 7) % n;
    table.At(face(i)).push_back(slot);
    model[i].push_back(slot);
    if (slot % 5 == 0) {
      const int j = (slot * 13) % n;
      table.Forget(face(j));
      if (model.count(j))
        model[j].clear();
    }
  }
  for (int i = 0; i < n; i++) {
    const CFaceSlotList* pSlots = table.Find(face(i));
    if (!model.count(i)) {
      EXPECT_EQ(pSlots, nullptr) << i;
      continue;
    }
    ASSERT_NE(pSlots, nullptr) << i;
    EXPECT_EQ(std::vector<int>(pSlots->begin(), pSlots->end()), model[i]) << i;
  }
  table.Clear();
  EXPECT_EQ(table.Find(face(7)), nullptr);
}

// A list past its four places in the entry moves to the heap and back into a fresh table on
// growth, keeps its order through removals, and keeps taking slots after being emptied.
TEST(FaceSlotTable, ListsLongerThanTheirPlacesSurviveGrowthAndRemoval)
{
  const int n = 200;
  std::vector<char> block(n);
  const auto face = [&block](int i) { return reinterpret_cast<const CFace3d*>(&block[i]); };
  CFaceSlotTable table;
  std::map<int, std::vector<int>> model;
  // Face i takes i % 11 slots, all at once: none, a few in place, or up to ten on the heap; the
  // table grows several times meanwhile, moving full lists of every kind.
  int slot = 0;
  for (int i = 0; i < n; i++) {
    // Room made halfway, with lists of every kind in: they move as on a growth.
    if (i == n / 2)
      table.Reserve(4 * n);
    for (int k = 0; k < i % 11; k++) {
      table.At(face(i)).push_back(slot);
      model[i].push_back(slot);
      slot++;
    }
  }
  const auto odd = [](int s) { return s % 2 == 1; };
  // The test is asked once per slot, in the list's order (callers act on the slots kept).
  for (int i = 0; i < n; i += 3) {
    if (CFaceSlotList* pSlots = table.Find(face(i))) {
      std::vector<int> asked;
      pSlots->EraseIf([&](int s) {
        asked.push_back(s);
        return odd(s);
      });
      EXPECT_EQ(asked, model[i]) << i;
    }
    if (model.count(i))
      std::erase_if(model[i], odd);
  }
  for (int i = 0; i < n; i++) {
    const CFaceSlotList* pSlots = table.Find(face(i));
    if (!model.count(i)) {
      EXPECT_EQ(pSlots, nullptr) << i;
      continue;
    }
    ASSERT_NE(pSlots, nullptr) << i;
    EXPECT_EQ(pSlots->size(), static_cast<int>(model[i].size())) << i;
    EXPECT_EQ(std::vector<int>(pSlots->begin(), pSlots->end()), model[i]) << i;
  }
  // An emptied long list takes new slots from the start.
  table.Forget(face(10));
  for (int k = 0; k < 6; k++)
    table.At(face(10)).push_back(100 + k);
  const CFaceSlotList* pTen = table.Find(face(10));
  ASSERT_NE(pTen, nullptr);
  EXPECT_EQ(std::vector<int>(pTen->begin(), pTen->end()),
            (std::vector<int>{100, 101, 102, 103, 104, 105}));
}

namespace {
// An entry ordered by its key alone: entries of one key tie, and the tag tells them apart.
struct STagged
{
  int key;
  int tag;
  bool Before(const STagged& other) const { return key < other.key; }
};
} // namespace

// Pushes and pops interleaved, with many ties and nodes of one to four children: every pop
// gives a least key of what is in, and every entry comes out once.
TEST(QuadHeap, PopsTheLeastThroughInterleavedPushesAndPops)
{
  CQuadHeap<STagged> heap;
  std::multiset<int> in;
  std::vector<int> tagsOut;
  int tag = 0;
  unsigned state = 12345u;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int step = 0; step < 20000; step++) {
    const bool push = heap.empty() || next() % 5 < 3;
    if (push) {
      const int key = static_cast<int>(next() % 50);
      heap.push({key, tag++});
      in.insert(key);
    } else {
      ASSERT_EQ(heap.top().key, *in.begin());
      tagsOut.push_back(heap.top().tag);
      in.erase(in.begin());
      heap.pop();
    }
    ASSERT_EQ(heap.size(), in.size());
  }
  while (!heap.empty()) {
    ASSERT_EQ(heap.top().key, *in.begin());
    tagsOut.push_back(heap.top().tag);
    in.erase(in.begin());
    heap.pop();
  }
  std::sort(tagsOut.begin(), tagsOut.end());
  ASSERT_EQ(static_cast<int>(tagsOut.size()), tag);
  for (int i = 0; i < tag; i++)
    EXPECT_EQ(tagsOut[static_cast<size_t>(i)], i);

  // Emptied at once and filled again, it starts afresh.
  for (int key : {7, 3, 9, 1})
    heap.push({key, 0});
  heap.clear();
  EXPECT_TRUE(heap.empty());
  EXPECT_EQ(heap.size(), 0u);
  for (int key : {8, 2, 6})
    heap.push({key, 0});
  EXPECT_EQ(heap.size(), 3u);
  EXPECT_EQ(heap.top().key, 2);
  heap.pop();
  EXPECT_EQ(heap.top().key, 6);
}

// Entries dropped from anywhere in the heap, between pushes and pops, on heaps of every size
// from empty up: what is left comes out least first, each entry once, and nothing dropped
// comes out.
TEST(QuadHeap, ErasedEntriesLeaveTheRestInOrder)
{
  CQuadHeap<STagged> heap;
  std::map<int, int> in;  // tag to key
  std::vector<bool> out;
  int tag = 0;
  unsigned state = 999u;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const auto least = [&in] {
    int key = -1;
    for (const auto& [t, k] : in)
      key = key < 0 ? k : std::min(key, k);
    return key;
  };
  for (int step = 0; step < 6000; step++) {
    const unsigned choice = next() % 20;
    if (choice < 11 || heap.empty()) {
      const int key = static_cast<int>(next() % 30);
      heap.push({key, tag});
      in[tag++] = key;
      out.push_back(false);
    } else if (choice < 19) {
      ASSERT_EQ(heap.top().key, least()) << step;
      const int t = heap.top().tag;
      ASSERT_EQ(in.count(t), 1u) << step;
      in.erase(t);
      out[static_cast<size_t>(t)] = true;
      heap.pop();
    } else {
      // A third of the entries (or all of them, now and then) go.
      const unsigned mod = next() % 4 == 0 ? 1 : 3;
      const unsigned rest = next() % mod;
      heap.erase_if([&](const STagged& e) { return static_cast<unsigned>(e.tag) % mod == rest; });
      for (auto it = in.begin(); it != in.end();)
        it = static_cast<unsigned>(it->first) % mod == rest ? in.erase(it) : std::next(it);
    }
    ASSERT_EQ(heap.size(), in.size()) << step;
  }
  while (!heap.empty()) {
    ASSERT_EQ(heap.top().key, least());
    ASSERT_EQ(in.count(heap.top().tag), 1u);
    in.erase(heap.top().tag);
    heap.pop();
  }
  EXPECT_TRUE(in.empty());

  // The small heaps: nothing to order, one entry, a root and its children.
  for (int size = 0; size <= 6; size++) {
    CQuadHeap<STagged> small;
    for (int k = 0; k < size; k++)
      small.push({10 - k, k});
    small.erase_if([](const STagged& e) { return e.tag == 1; });
    std::vector<int> keys;
    for (; !small.empty(); small.pop())
      keys.push_back(small.top().key);
    std::vector<int> expected;
    for (int k = size - 1; k >= 0; k--)
      if (k != 1)
        expected.push_back(10 - k);
    EXPECT_EQ(keys, expected) << size;
  }
}
