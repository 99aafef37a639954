#include "compression/EdgeListStack.h"
#include "compression/StructureCoder.h"
#include "mesh/Edge3d.h"
#include "tests/mesh/MeshFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using POSITION = CLoopList::POSITION;

// Free vertices owned by the test, listed in order.
struct LoopFixture
{
  explicit LoopFixture(int n)
  {
    for (int i = 0; i < n; i++) {
      vertices.push_back(std::make_unique<CVertex3d>(float(i), 0.0f, 0.0f));
      list.AddTail(vertices.back().get());
    }
  }
  CVertex3d* V(int i) const { return vertices[static_cast<size_t>(i)].get(); }
  POSITION PositionOf(int i) const { return list.Find(V(i)); }
  std::vector<std::unique_ptr<CVertex3d>> vertices;
  CEdgeList list;
};

std::vector<CVertex3d*> Items(const CLoopList& list)
{
  std::vector<CVertex3d*> items;
  for (POSITION p = list.GetHeadPosition(); p; p = p->m_pNext)
    items.push_back(CLoopList::GetAt(p));
  return items;
}

TEST(LoopList, PositionsWrapAroundBothEnds)
{
  LoopFixture f(4);
  EXPECT_EQ(f.list.GetNextPos(f.list.GetTailPosition()), f.list.GetHeadPosition());
  EXPECT_EQ(f.list.GetPrevPos(f.list.GetHeadPosition()), f.list.GetTailPosition());
  EXPECT_EQ(f.list.GetNextItem(f.PositionOf(3)), f.V(0));
  EXPECT_EQ(f.list.GetPrevItem(f.PositionOf(0)), f.V(3));
  EXPECT_EQ(f.list.GetNextItem(f.PositionOf(1)), f.V(2));
  EXPECT_EQ(f.list.GetPrevItem(f.PositionOf(2)), f.V(1));

  LoopFixture one(1);
  const POSITION head = one.list.GetHeadPosition();
  EXPECT_EQ(one.list.GetNextPos(head), head);
  EXPECT_EQ(one.list.GetPrevPos(head), head);
}

TEST(LoopList, InLoopQueriesUseTheFirstOccurrence)
{
  LoopFixture f(4);
  f.list.InsertAfter(f.PositionOf(1), f.V(3)); // 0 1 3 2 3
  EXPECT_EQ(f.list.CountItem(f.V(3)), 2);
  EXPECT_EQ(f.list.GetNextInLoop(f.V(3)), f.V(2));
  EXPECT_EQ(f.list.GetPrevInLoop(f.V(3)), f.V(1));
  EXPECT_EQ(f.list.GetPrevInLoop(f.V(0)), f.V(3));

  CVertex3d absent;
  EXPECT_EQ(f.list.GetNextInLoop(&absent), nullptr);
  EXPECT_EQ(f.list.GetPrevInLoop(&absent), nullptr);
  EXPECT_EQ(f.list.CountItem(&absent), 0);

  f.list.RemoveItem(f.V(3));
  EXPECT_EQ(Items(f.list), (std::vector<CVertex3d*>{f.V(0), f.V(1), f.V(2), f.V(3)}));
  f.list.RemoveItem(&absent);
  EXPECT_EQ(f.list.GetCount(), 4);
}

TEST(LoopList, EdgesOfTheLoopInEitherDirection)
{
  LoopFixture f(4);
  CVertex3d absent;
  const CEdge3d forward(f.V(1), f.V(2));
  const CEdge3d backward(f.V(2), f.V(1));
  const CEdge3d closing(f.V(0), f.V(3));
  const CEdge3d diagonal(f.V(0), f.V(2));
  const CEdge3d outside(&absent, f.V(0));
  EXPECT_EQ(f.list.IsEdgeOfLoop(&forward), 1);
  EXPECT_EQ(f.list.IsEdgeOfLoop(&backward), 1);
  EXPECT_EQ(f.list.IsEdgeOfLoop(&closing), 1);
  EXPECT_EQ(f.list.IsEdgeOfLoop(&diagonal), 0);
  EXPECT_EQ(f.list.IsEdgeOfLoop(&outside), 0);
}

TEST(LoopList, FlagsCompareAsSignedBytes)
{
  LoopFixture f(3);
  f.V(0)->SetFlag(-1);
  f.V(1)->SetFlag(255); // the same byte as -1
  f.V(2)->SetFlag(1);
  EXPECT_EQ(f.list.CountFlag(-1), 2);
  EXPECT_EQ(f.list.CountFlag(1), 1);
  EXPECT_EQ(f.list.CountFlag(0), 0);
}

TEST(LoopList, NodesAreReusedAndPositionsStayValid)
{
  LoopFixture f(5);
  const POSITION kept = f.PositionOf(3);
  f.list.RemoveAt(f.PositionOf(1));
  f.list.RemoveAt(f.PositionOf(2));
  const POSITION again = f.list.InsertBefore(kept, f.V(1));
  EXPECT_EQ(CLoopList::GetAt(kept), f.V(3));
  EXPECT_EQ(Items(f.list), (std::vector<CVertex3d*>{f.V(0), f.V(1), f.V(3), f.V(4)}));
  EXPECT_EQ(f.list.GetPrevPos(kept), again);
  EXPECT_EQ(f.list.RemoveHead(), f.V(0));
  EXPECT_EQ(f.list.GetPrevItem(f.list.GetHeadPosition()), f.V(4));
  while (!f.list.IsEmpty())
    f.list.RemoveHead();
  EXPECT_EQ(f.list.GetHeadPosition(), nullptr);
  EXPECT_EQ(f.list.GetTailPosition(), nullptr);
  EXPECT_EQ(f.list.RemoveHead(), nullptr);
  f.list.AddHead(f.V(2));
  EXPECT_EQ(f.list.GetHead(), f.V(2));
  EXPECT_EQ(f.list.GetTail(), f.V(2));
}

TEST(EdgeListStack, FirstInFirstOutAndOwnsItsLists)
{
  CEdgeListStack stack;
  EXPECT_EQ(stack.GetHead(), nullptr);
  EXPECT_EQ(stack.RemoveHead(), nullptr);
  auto a = std::make_unique<CEdgeList>();
  auto b = std::make_unique<CEdgeList>();
  auto c = std::make_unique<CEdgeList>();
  CEdgeList* pa = a.get();
  CEdgeList* pb = b.get();
  CEdgeList* pc = c.get();
  stack.AddTail(std::move(a));
  stack.AddTail(std::move(b));
  stack.AddHead(std::move(c));
  EXPECT_EQ(stack.GetCount(), 3);
  EXPECT_EQ(stack.GetHead(), pc);
  EXPECT_EQ(stack.RemoveHead().get(), pc);
  EXPECT_EQ(stack.GetHead(), pa);
  stack.RemoveHead();
  EXPECT_EQ(stack.GetHead(), pb);
  EXPECT_EQ(stack.GetCount(), 1);
}

TEST(LoopList, InsertLoopClosesTheOtherLoopAtItsStart)
{
  // Joining 0 1 2 3 with 4 5 6 at 5, before 2: 0 1 5 6 4 5 2 3, the join vertex twice.
  LoopFixture f(7);
  CEdgeList other;
  for (int i = 4; i < 7; i++) {
    f.list.RemoveItem(f.V(i));
    other.AddTail(f.V(i));
  }
  const POSITION first = f.list.InsertLoopBefore(f.PositionOf(2), other, other.Find(f.V(5)));
  EXPECT_EQ(CLoopList::GetAt(first), f.V(5));
  EXPECT_EQ(f.list.GetPrevItem(first), f.V(1));
  EXPECT_EQ(Items(f.list),
            (std::vector<CVertex3d*>{f.V(0), f.V(1), f.V(5), f.V(6), f.V(4), f.V(5), f.V(2), f.V(3)}));
  // The other list is left as it was; a loop of one comes in twice.
  EXPECT_EQ(other.GetCount(), 3);
  CEdgeList single;
  single.AddTail(f.V(6));
  f.list.InsertLoopBefore(f.list.GetHeadPosition(), single, single.GetHeadPosition());
  EXPECT_EQ(f.list.GetCount(), 10);
  EXPECT_EQ(f.list.GetHead(), f.V(6));
  EXPECT_EQ(f.list.GetNextItem(f.list.GetHeadPosition()), f.V(6));
}

TEST(EdgeListStack, ListsByPlaceAndTakenFromTheMiddle)
{
  CEdgeListStack stack;
  std::vector<CEdgeList*> lists;
  for (int i = 0; i < 4; i++) {
    auto pList = std::make_unique<CEdgeList>();
    lists.push_back(pList.get());
    stack.AddTail(std::move(pList));
  }
  EXPECT_EQ(stack.GetAt(0), lists[0]);
  EXPECT_EQ(stack.GetAt(3), lists[3]);
  EXPECT_EQ(stack.GetAt(4), nullptr);
  EXPECT_EQ(stack.GetAt(-1), nullptr);
  EXPECT_EQ(stack.RemoveAt(4), nullptr);
  const std::unique_ptr<CEdgeList> taken = stack.RemoveAt(2);
  EXPECT_EQ(taken.get(), lists[2]);
  EXPECT_EQ(stack.GetCount(), 3);
  EXPECT_EQ(stack.GetAt(2), lists[3]);
  EXPECT_EQ(stack.GetHead(), lists[0]);
}

TEST(EdgeList, PivotVertexFollowsItsPosition)
{
  LoopFixture f(3);
  EXPECT_EQ(f.list.GetPivotVertex(), nullptr);
  f.list.SetPivot(f.PositionOf(2));
  EXPECT_EQ(f.list.GetPivotVertex(), f.V(2));
  EXPECT_EQ(f.list.GetPivot(), f.PositionOf(2));
}

// A fan gives real neighbours: 0 is the hub, 1..n the rim.
struct StructureFixture
{
  StructureFixture() : mesh(fixtures::Fan(4)) {}
  CVertex3d* V(int i) const { return mesh->GetVertex(i); }
  std::unique_ptr<CMesh3d> mesh;
  CStructureCoder coder;
  std::vector<std::unique_ptr<CEdge3d>> edges;

  CEdge3d* AddEdge(int a, int b, std::uint8_t flag)
  {
    edges.push_back(std::make_unique<CEdge3d>(V(a), V(b)));
    edges.back()->SetFlag(flag);
    for (CVertex3d* v : {V(a), V(b)}) {
      auto* pArray = static_cast<CArray3d<CEdge3d>*>(v->GetData());
      if (!pArray)
        pArray = coder.NewEdgeArray(v);
      pArray->Add(edges.back().get());
    }
    return edges.back().get();
  }
};

TEST(StructureCoder, EdgeArraysAnswerQueriesAndAreFreed)
{
  StructureFixture f;
  CEdge3d* e01 = f.AddEdge(0, 1, 1);
  CEdge3d* e02 = f.AddEdge(0, 2, 0);
  EXPECT_EQ(CStructureCoder::GetEdge(f.V(0), f.V(1)), e01);
  EXPECT_EQ(CStructureCoder::GetEdge(f.V(2), f.V(0)), e02);
  EXPECT_EQ(CStructureCoder::GetEdge(f.V(0), f.V(3)), nullptr);
  EXPECT_EQ(CStructureCoder::GetEdge(f.V(3), f.V(0)), nullptr); // no array at all
  EXPECT_EQ(CStructureCoder::CountEdgesWithFlag(f.V(0), 0), 1);
  EXPECT_EQ(CStructureCoder::IsFull(f.V(1)), 1);
  EXPECT_EQ(CStructureCoder::IsFull(f.V(0)), 0);
  f.coder.DeleteEdgeArrays();
  EXPECT_EQ(f.V(0)->GetData(), nullptr);
  EXPECT_EQ(f.V(2)->GetData(), nullptr);
}

TEST(StructureCoder, FindFullVertexSearchesOutwardForwardFirst)
{
  LoopFixture f(4);
  std::vector<const CVertex3d*> tested;
  const auto record = [&](const CVertex3d* v) {
    tested.push_back(v);
    return 0;
  };
  CStructureCoder coder;
  EXPECT_EQ(coder.FindVertexOutward(&f.list, f.PositionOf(0), record), nullptr);
  // Offsets 0, 1 and 2 both ways: 0 0, 1 3, 2 2.
  EXPECT_EQ(tested, (std::vector<const CVertex3d*>{f.V(0), f.V(0), f.V(1), f.V(3), f.V(2),
                                                   f.V(2)}));

  const auto fullOf = [&](int a, int b) {
    return [=, &f](const CVertex3d* v) { return (v == f.V(a) || v == f.V(b)) ? 1 : 0; };
  };
  EXPECT_EQ(coder.FindVertexOutward(&f.list, f.PositionOf(0), fullOf(1, 3)), f.V(1));
  EXPECT_EQ(coder.FindVertexOutward(&f.list, f.PositionOf(0), fullOf(3, 3)), f.V(3));
  coder.SetGhost(f.V(1));
  EXPECT_EQ(coder.FindVertexOutward(&f.list, f.PositionOf(0), fullOf(1, 3)), f.V(3));

  CEdgeList empty;
  EXPECT_EQ(coder.FindVertexOutward(&empty, nullptr, fullOf(0, 0)), nullptr);
}

TEST(StructureCoder, FindFullVertexUsesTheFreeEdges)
{
  StructureFixture f;
  f.AddEdge(0, 1, 0);
  f.AddEdge(2, 3, 1);
  CEdgeList list;
  for (int i = 0; i < 4; i++)
    list.AddTail(f.V(i));
  // 0 and 1 have a free edge, 2 and 3 do not; from 1 the backward 0 is not full, 2 is next.
  EXPECT_EQ(f.coder.FindFullVertex(&list, list.Find(f.V(1))), f.V(2));
}

TEST(StructureCoder, LoopsOfNeighboursAndTheGhost)
{
  StructureFixture f;
  CStructureCoder& coder = f.coder;
  CEdgeList rim;
  for (int i : {1, 2, 4})
    rim.AddTail(f.V(i));
  EXPECT_EQ(coder.IsValidEdgeList(&rim), 0); // 2 and 4 are not neighbours
  CEdgeList closing;
  for (int i : {0, 1, 2, 3})
    closing.AddTail(f.V(i));
  EXPECT_EQ(coder.IsValidEdgeList(&closing), 1); // 3 back to the hub closes it

  CVertex3d ghost;
  coder.SetGhost(&ghost);
  CEdgeList withGhosts;
  for (CVertex3d* v : {f.V(0), f.V(2), &ghost, &ghost})
    withGhosts.AddTail(v);
  EXPECT_EQ(coder.IsValidEdgeList(&withGhosts), 0); // 2 does not know the ghost yet
  f.V(2)->AddVertexNeighbor(&ghost);
  ghost.AddVertexNeighbor(f.V(0));
  EXPECT_EQ(coder.IsValidEdgeList(&withGhosts), 1); // the ghost pair itself is excepted
  f.V(2)->RemoveVertexNeighbor(&ghost);
}

TEST(StructureCoder, InsertBeforePivotOnlyNextToANeighbour)
{
  StructureFixture f;
  CEdgeList list;
  for (int i : {1, 3})
    list.AddTail(f.V(i));
  EXPECT_EQ(CStructureCoder::InsertVertexBeforePivot(&list, f.V(2)), nullptr); // no pivot
  list.SetPivot(list.Find(f.V(3)));
  EXPECT_EQ(CStructureCoder::InsertVertexBeforePivot(&list, f.V(4)), nullptr); // 1, 4 apart
  const POSITION pos = CStructureCoder::InsertVertexBeforePivot(&list, f.V(2));
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(Items(list), (std::vector<CVertex3d*>{f.V(1), f.V(2), f.V(3)}));
  EXPECT_EQ(list.GetPivotVertex(), f.V(3));

  CStructureCoder::ShowEdgeList(&list);
  EXPECT_EQ(f.V(1)->GetColor()->g(), 255);
  EXPECT_EQ(f.V(3)->GetColor()->r(), 255);
  EXPECT_EQ(f.V(3)->GetColor()->g(), 0);
}

TEST(StructureCoder, CodeArrayCounts)
{
  EXPECT_EQ(CStructureCoder::GetMax({}), 0u);
  EXPECT_EQ(CStructureCoder::GetMax({3, 9, 2}), 9u);
  EXPECT_EQ(CStructureCoder::CountValue({2, 1, 2}, 2), 2);
  EXPECT_EQ(CStructureCoder::Contains({2, 1, 2}, 1), 1);
  EXPECT_EQ(CStructureCoder::Contains({}, 0), 0);
}

} // namespace
