#include "mesh/DataOrBlock.h"
#include "mesh/HistoryAction.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct SSide
{
  alignas(8) int value = 0;
};

struct SBlock
{
  int value = 0;
  SSide* side = nullptr;
  void* data = nullptr;
};

using CWord = CDataOrBlock<SBlock, SSide>;

void* Bits(std::uintptr_t n) { return reinterpret_cast<void*>(n); }

} // namespace

TEST(DataOrBlockSide, TheSidePointerAloneMakesNoBlock)
{
  CWord word;
  SSide s;
  SSide t;
  EXPECT_EQ(word.GetSide(), nullptr);
  word.SetSide(&s);
  EXPECT_EQ(word.GetSide(), &s);
  EXPECT_EQ(word.Find(), nullptr);
  EXPECT_EQ(word.GetData(), nullptr);  // the side pointer is not data
  word.SetData(nullptr);               // no data to keep: still no block
  EXPECT_EQ(word.Find(), nullptr);
  word.SetSide(&t);
  EXPECT_EQ(word.GetSide(), &t);
  word.SetSide(nullptr);
  EXPECT_EQ(word.GetSide(), nullptr);
  EXPECT_EQ(word.Find(), nullptr);
  // Empty again: data takes the word by itself.
  int a = 0;
  word.SetData(&a);
  EXPECT_EQ(word.GetData(), &a);
  EXPECT_EQ(word.GetSide(), nullptr);
  EXPECT_EQ(word.Find(), nullptr);
}

TEST(DataOrBlockSide, DataAndTheSidePointerTogetherLiveInTheBlock)
{
  SSide s;
  int a = 0;
  // Side first, then data.
  CWord first;
  first.SetSide(&s);
  first.SetData(&a);
  ASSERT_NE(first.Find(), nullptr);
  EXPECT_EQ(first.GetSide(), &s);
  EXPECT_EQ(first.GetData(), &a);
  EXPECT_EQ(first.Find()->side, &s);
  // Data first, then side.
  CWord second;
  second.SetData(&a);
  second.SetSide(&s);
  ASSERT_NE(second.Find(), nullptr);
  EXPECT_EQ(second.GetSide(), &s);
  EXPECT_EQ(second.GetData(), &a);
  // Clearing the side pointer while data is held needs no block.
  CWord third;
  third.SetData(&a);
  third.SetSide(nullptr);
  EXPECT_EQ(third.Find(), nullptr);
  EXPECT_EQ(third.GetData(), &a);
  // A block made for other state carries the side pointer over.
  CWord fourth;
  fourth.SetSide(&s);
  fourth.Get().value = 5;
  EXPECT_EQ(fourth.GetSide(), &s);
  EXPECT_EQ(fourth.GetData(), nullptr);
  fourth.SetSide(nullptr);
  EXPECT_EQ(fourth.GetSide(), nullptr);
  EXPECT_EQ(fourth.Get().value, 5);
}

TEST(DataOrBlockSide, DataThatLooksLikeATaggedWordGoesIntoABlock)
{
  for (const std::uintptr_t n : {1u, 2u, 3u, 6u, 0x1002u}) {
    CWord word;
    word.SetData(Bits(n));
    EXPECT_NE(word.Find(), nullptr) << n;
    EXPECT_EQ(word.GetData(), Bits(n)) << n;
    EXPECT_EQ(word.GetSide(), nullptr) << n;
  }
  CWord plain;
  plain.SetData(Bits(0x1000));
  EXPECT_EQ(plain.Find(), nullptr);
  EXPECT_EQ(plain.GetData(), Bits(0x1000));
}

TEST(HistoryAction, ARecordHoldsAPositionOrAVertex)
{
  CVertex3d v(1, 2, 3);
  const CHistoryAction slot(CHistoryAction::TYPE_VERTEX_SLOT, 2, &v);
  EXPECT_EQ(slot.GetVertex(), &v);
  EXPECT_EQ(slot.GetSlot(), 2);
  EXPECT_EQ(slot.GetX(), 0.0f);
  EXPECT_EQ(slot.GetZ(), 0.0f);
  const CHistoryAction moved(CHistoryAction::TYPE_VERTEX_MOVED, 4.0f, -5.0f, 6.5f);
  EXPECT_EQ(moved.GetVertex(), nullptr);
  EXPECT_EQ(moved.GetX(), 4.0f);
  EXPECT_EQ(moved.GetY(), -5.0f);
  EXPECT_EQ(moved.GetPosition()[2], 6.5f);
  const CHistoryAction created(CHistoryAction::TYPE_FACE_CREATED);
  EXPECT_EQ(created.GetVertex(), nullptr);
  EXPECT_EQ(created.GetY(), 0.0f);
  EXPECT_EQ(created.GetType(), CHistoryAction::TYPE_FACE_CREATED);
}

// A vertex keeps its undo history in its data word: records from its mesh's pool, data set and
// cleared on the way, and the history popped back in order.
TEST(VertexHistory, RecordsAndDataShareTheWordWithoutMixing)
{
  CMesh3d mesh;
  CVertex3d* v = mesh.NewVertex(1.0f, 2.0f, 3.0f);
  mesh.AddVertex(v);
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f));
  v->Set(7.0f, 8.0f, 9.0f);
  EXPECT_EQ(v->NbHistory(), 2);
  EXPECT_EQ(v->GetData(), nullptr);
  float previous[3] = {};
  v->GetPreviousPosition(previous);
  EXPECT_EQ(previous[1], 2.0f);

  int scratch = 0;
  v->SetData(&scratch);
  EXPECT_EQ(v->GetData(), &scratch);
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 7.0f, 8.0f, 9.0f));
  v->Set(0.0f, 0.0f, 0.0f);
  EXPECT_EQ(v->NbHistory(), 3);
  v->SetData(nullptr);
  EXPECT_EQ(v->GetData(), nullptr);
  EXPECT_EQ(v->GetOrder(), 0);

  EXPECT_EQ(v->PopHistory(), 1);
  EXPECT_EQ(v->x(), 7.0f);
  EXPECT_EQ(v->PopHistory(), 1);
  EXPECT_EQ(v->z(), 3.0f);
  EXPECT_EQ(v->PopHistory(), 1);  // the creation: nothing moves
  EXPECT_EQ(v->y(), 2.0f);
  EXPECT_EQ(v->PopHistory(), 0);
  EXPECT_EQ(v->NbHistory(), 0);
  v->GetPreviousPosition(previous);
  EXPECT_EQ(previous[0], 1.0f);
}

// Records still held by vertices are freed with them (the leak check sees the rest), whether
// the word holds the chain by itself or a block holds it beside other state.
TEST(VertexHistory, AVertexFreesTheRecordsItHolds)
{
  auto* bare = new CVertex3d(0, 0, 0);
  bare->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  bare->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 1.0f, 1.0f));
  delete bare;
  auto* withBlock = new CVertex3d(0, 0, 0);
  withBlock->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  withBlock->SetOrder(4);
  withBlock->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 2.0f, 2.0f, 2.0f));
  EXPECT_EQ(withBlock->NbHistory(), 2);
  EXPECT_EQ(withBlock->GetOrder(), 4);
  delete withBlock;
}

// One shared creation record stands at the bottom of many histories: each element counts it,
// undoes it and drops it on its own, and none of them changes or frees it (ASan sees a free
// of the static record, the leak check a copy never freed).
TEST(SharedCreation, EveryHistoryHoldingItUndoesItOnItsOwn)
{
  CHistoryAction* created = CHistoryAction::Created(CHistoryAction::TYPE_FACE_CREATED);
  ASSERT_TRUE(created->IsShared());
  EXPECT_EQ(created->GetType(), CHistoryAction::TYPE_FACE_CREATED);
  EXPECT_EQ(CHistoryAction::Created(CHistoryAction::TYPE_VERTEX_CREATED)->GetType(),
            CHistoryAction::TYPE_VERTEX_CREATED);

  CVertex3d a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(1, 1, 0);
  CFace3d first(&a, &b, &c);
  CFace3d second(&a, &b, &c);
  first.PushHistory(created);
  second.PushHistory(created);
  first.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, 2, &c));
  first.SetVertex(2, &d);
  EXPECT_EQ(first.NbHistory(), 2);
  EXPECT_EQ(second.NbHistory(), 1);

  EXPECT_EQ(first.PopHistory(), 1);  // the slot: c comes back
  EXPECT_EQ(first.v(2), &c);
  EXPECT_EQ(first.PopHistory(), 1);  // the creation: corners emptied
  EXPECT_EQ(first.v(0), nullptr);
  EXPECT_EQ(first.NbHistory(), 0);
  EXPECT_EQ(first.PopHistory(), 0);
  // The other face still holds the record, untouched.
  EXPECT_EQ(second.NbHistory(), 1);
  EXPECT_EQ(second.v(0), &a);
  EXPECT_EQ(second.PopHistory(), 1);
  EXPECT_EQ(second.v(1), nullptr);
  EXPECT_TRUE(created->IsShared());
  EXPECT_EQ(created->GetType(), CHistoryAction::TYPE_FACE_CREATED);
}

// Above other records a creation is pushed as a record of its own, so the depths below stay
// right; vertices and faces freed with a shared record at the bottom leave it in place.
TEST(SharedCreation, AboveOtherRecordsItIsPushedAsARecordOfItsOwn)
{
  CHistoryAction* created = CHistoryAction::Created(CHistoryAction::TYPE_VERTEX_CREATED);
  CHistory history;
  history.Push(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f));
  history.Push(created);
  ASSERT_NE(history.GetLast(), created);
  EXPECT_FALSE(history.GetLast()->IsShared());
  EXPECT_EQ(history.GetLast()->GetType(), CHistoryAction::TYPE_VERTEX_CREATED);
  EXPECT_EQ(history.GetSize(), 2);
  EXPECT_EQ(history.Pop()->GetType(), CHistoryAction::TYPE_VERTEX_CREATED);
  EXPECT_EQ(history.Pop()->GetX(), 1.0f);
  EXPECT_TRUE(history.IsEmpty());

  CMesh3d mesh;
  CVertex3d* v = mesh.NewVertex(1.0f, 2.0f, 3.0f);
  v->PushHistory(created);
  v->PushHistory(mesh.NewHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f));
  v->Set(5.0f, 5.0f, 5.0f);
  EXPECT_EQ(v->NbHistory(), 2);
  EXPECT_EQ(v->PopHistory(), 1);
  EXPECT_EQ(v->x(), 1.0f);
  EXPECT_EQ(v->NbHistory(), 1);
  delete v;
  auto* w = new CVertex3d(0, 0, 0);
  w->SetOrder(3);  // the history's top in a block beside other state
  w->PushHistory(created);
  EXPECT_EQ(w->NbHistory(), 1);
  delete w;
  EXPECT_TRUE(created->IsShared());
  EXPECT_EQ(created->GetType(), CHistoryAction::TYPE_VERTEX_CREATED);
}
