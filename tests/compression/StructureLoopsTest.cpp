// The decoder's index loops against the pointer loop list the coder walks: after every
// insertion, removal, cut and merge both hold the same items in the same order from their
// heads, so that the offsets and "first occurrence" searches of a stream mean the same on both.
#include "compression/EdgeList.h"
#include "compression/StructureLoops.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

using SLoop = CStructureLoops::SLoop;

std::vector<int> Items(const CStructureLoops& loops, const SLoop& loop)
{
  std::vector<int> items;
  int pos = loop.m_Head;
  for (int i = 0; i < loop.m_Count; i++, pos = loops.Next(pos))
    items.push_back(loops.Item(pos));
  // Closed both ways: the walk is back at the head, and the head's predecessor is the tail.
  EXPECT_EQ(pos, loop.m_Head);
  if (loop.m_Count > 0) {
    EXPECT_EQ(loops.Next(loops.Prev(loop.m_Head)), loop.m_Head);
  }
  return items;
}

int At(const CStructureLoops& loops, const SLoop& loop, int k)
{
  int pos = loop.m_Head;
  for (int i = 0; i < k; i++)
    pos = loops.Next(pos);
  return pos;
}

// The reference: pointer lists whose items are vertices numbered by their x.
struct SReference
{
  std::vector<std::unique_ptr<CVertex3d>> m_Vertices;
  std::vector<std::unique_ptr<CEdgeList>> m_Lists;

  explicit SReference(int nbItem)
  {
    for (int i = 0; i < nbItem; i++)
      m_Vertices.push_back(std::make_unique<CVertex3d>(float(i), 0.0f, 0.0f));
  }
  CVertex3d* V(int i) const { return m_Vertices[static_cast<std::size_t>(i)].get(); }
  static int Index(const CVertex3d* v) { return static_cast<int>(v->x()); }
  static CLoopList::POSITION At(const CLoopList& list, int k)
  {
    CLoopList::POSITION pos = list.GetHeadPosition();
    for (int i = 0; i < k; i++)
      pos = list.GetNextPos(pos);
    return pos;
  }
  std::vector<int> Items(int list) const
  {
    std::vector<int> items;
    const CLoopList& l = *m_Lists[static_cast<std::size_t>(list)];
    for (CLoopList::POSITION p = l.GetHeadPosition(); p; p = p->m_pNext)
      items.push_back(Index(CLoopList::GetAt(p)));
    return items;
  }
};

} // namespace

TEST(StructureLoops, InsertionsBeforeTheHeadMoveItAndAppendingDoesNot)
{
  CStructureLoops loops;
  loops.AddHead();
  SLoop& loop = loops.Active();
  const int first = loops.AddTail(loop, 10);
  loops.AddTail(loop, 11);
  EXPECT_EQ(loop.m_Head, first);
  const int before = loops.InsertBefore(loop, first, 9);
  EXPECT_EQ(loop.m_Head, before);
  loops.InsertBefore(loop, first, 8);
  EXPECT_EQ(Items(loops, loop), (std::vector<int>{9, 8, 10, 11}));
  // The first of two equal items from the head, wherever the ring was entered.
  loops.AddTail(loop, 8);
  EXPECT_EQ(loops.Find(loop, 8), loops.Next(before));
  EXPECT_EQ(loops.Find(loop, 12), CStructureLoops::None);
  loops.RemoveAt(loop, before);
  EXPECT_EQ(Items(loops, loop), (std::vector<int>{8, 10, 11, 8}));
  while (loop.m_Count > 0)
    loops.RemoveAt(loop, loop.m_Head);
  EXPECT_EQ(loop.m_Head, CStructureLoops::None);
  // Freed nodes are taken again.
  loops.AddTail(loop, 5);
  EXPECT_EQ(Items(loops, loop), (std::vector<int>{5}));
  EXPECT_EQ(loops.Next(loop.m_Head), loop.m_Head);
}

TEST(StructureLoops, CutAcrossTheHeadLeavesTheNodeAfterTheCutAsHead)
{
  CStructureLoops loops;
  loops.AddHead();
  SLoop& loop = loops.Active();
  for (int i = 0; i < 6; i++)
    loops.AddTail(loop, i);
  // From item 4 round to item 1: the cut holds the head.
  int after = CStructureLoops::None;
  SLoop cut = loops.Cut(loop, At(loops, loop, 4), 4, &after);
  EXPECT_EQ(Items(loops, cut), (std::vector<int>{4, 5, 0, 1}));
  EXPECT_EQ(Items(loops, loop), (std::vector<int>{2, 3}));
  EXPECT_EQ(loops.Item(after), 2);
  // A cut inside keeps the head.
  loops.AddTail(loop, 6);
  SLoop inner = loops.Cut(loop, At(loops, loop, 1), 1, &after);
  EXPECT_EQ(Items(loops, inner), (std::vector<int>{3}));
  EXPECT_EQ(Items(loops, loop), (std::vector<int>{2, 6}));
  EXPECT_EQ(loops.Item(after), 6);
}

TEST(StructureLoops, RandomOperationsMatchThePointerLists)
{
  constexpr int NbItem = 40;
  SReference ref(NbItem);
  CStructureLoops loops;
  std::mt19937 random(7);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const auto newLoop = [&](int size) {
    ref.m_Lists.push_back(std::make_unique<CEdgeList>());
    SLoop loop;
    for (int i = 0; i < size; i++) {
      const int item = pick(NbItem);
      ref.m_Lists.back()->AddTail(ref.V(item));
      loops.AddTail(loop, item);
    }
    loops.AddTail(loop);
  };
  newLoop(5);
  newLoop(4);
  int nbMerge = 0;
  int nbCut = 0;
  for (int step = 0; step < 4000; step++) {
    SCOPED_TRACE(step);
    CEdgeList& list = *ref.m_Lists.front();
    SLoop& loop = loops.Active();
    const int n = loop.m_Count;
    ASSERT_EQ(n, list.GetCount());
    const int op = pick(6);
    if (op == 0 || n == 0) {
      const int item = pick(NbItem);
      const int k = n == 0 ? 0 : pick(n);
      if (n == 0) {
        list.AddTail(ref.V(item));
        loops.AddTail(loop, item);
      } else {
        list.InsertBefore(SReference::At(list, k), ref.V(item));
        loops.InsertBefore(loop, At(loops, loop, k), item);
      }
    } else if (op == 1) {
      const int item = pick(NbItem);
      list.AddTail(ref.V(item));
      loops.AddTail(loop, item);
    } else if (op == 2 && n > 1) {
      const int k = pick(n);
      list.RemoveAt(SReference::At(list, k));
      loops.RemoveAt(loop, At(loops, loop, k));
    } else if (op == 3 && n > 1) {
      // The cut the decoder makes at a split, against moving the items one by one.
      const int k = pick(n);
      const int count = 1 + pick(n - 1);
      auto pNew = std::make_unique<CEdgeList>();
      CLoopList::POSITION pos = SReference::At(list, k);
      for (int i = 0; i < count; i++) {
        const CLoopList::POSITION next = list.GetNextPos(pos);
        pNew->AddTail(CLoopList::GetAt(pos));
        list.RemoveAt(pos);
        pos = next;
      }
      int after = CStructureLoops::None;
      SLoop cut = loops.Cut(loop, At(loops, loop, k), count, &after);
      EXPECT_EQ(loops.Item(after), SReference::Index(CLoopList::GetAt(pos)));
      ref.m_Lists.push_back(std::move(pNew));
      loops.AddTail(cut);
      nbCut++;
    } else if (op == 4 && loops.GetCount() > 1) {
      const int index = 1 + pick(loops.GetCount() - 1);
      SLoop& other = loops.At(index);
      CEdgeList& otherList = *ref.m_Lists[static_cast<std::size_t>(index)];
      if (other.m_Count > 0) {
        const int k = pick(n);
        const int start = pick(other.m_Count);
        list.InsertLoopBefore(SReference::At(list, k), otherList, SReference::At(otherList, start));
        loops.InsertLoopBefore(loop, At(loops, loop, k), other, At(loops, other, start));
        EXPECT_EQ(other.m_Count, 0);
        nbMerge++;
      }
      ref.m_Lists.erase(ref.m_Lists.begin() + index);
      loops.RemoveAt(index);
    } else if (op == 5 && loops.GetCount() > 1 && n > 30) {
      // The active loop goes to the back: the others get their turn.
      ref.m_Lists.push_back(std::move(ref.m_Lists.front()));
      ref.m_Lists.erase(ref.m_Lists.begin());
      const SLoop moved = loop;
      loops.RemoveAt(0);
      loops.AddTail(moved);
    }
    ASSERT_EQ(loops.GetCount(), static_cast<int>(ref.m_Lists.size()));
    for (int i = 0; i < loops.GetCount(); i++)
      ASSERT_EQ(Items(loops, loops.At(i)), ref.Items(i)) << "loop " << i;
    const int item = pick(NbItem);
    const CLoopList::POSITION found = ref.m_Lists.front()->Find(ref.V(item));
    const int mine = loops.Find(loops.Active(), item);
    ASSERT_EQ(mine == CStructureLoops::None, found == nullptr);
    if (found) {
      EXPECT_EQ(loops.Item(mine), item);
    }
  }
  // The walk met both kinds of relinking often.
  EXPECT_GT(nbCut, 100);
  EXPECT_GT(nbMerge, 100);
}
