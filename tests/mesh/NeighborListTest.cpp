#include "mesh/Array3d.h"
#include "mesh/Face3d.h"
#include "mesh/NeighborList.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Owned vertices that a list may name.
std::vector<std::unique_ptr<CVertex3d>> MakeVertices(int n)
{
  std::vector<std::unique_ptr<CVertex3d>> vertices;
  for (int i = 0; i < n; i++)
    vertices.push_back(std::make_unique<CVertex3d>(static_cast<float>(i), 0.0f, 0.0f));
  return vertices;
}

std::vector<CVertex3d*> Entries(const CNeighborList<CVertex3d>& list)
{
  std::vector<CVertex3d*> entries;
  for (int i = 0; i < list.GetSize(); i++)
    entries.push_back(list[i]);
  return entries;
}

bool FarApart(const void* a, const void* b)
{
  const std::intptr_t d = reinterpret_cast<std::intptr_t>(a) - reinterpret_cast<std::intptr_t>(b);
  const std::intptr_t reach = std::intptr_t{1} << 34;  // 2^31 entries of 8 bytes
  return d >= reach || d <= -reach;
}

} // namespace

TEST(NeighborList, KeepsEntriesInOrderThroughEditsInTheRoom)
{
  auto owned = MakeVertices(5);
  auto list = std::make_unique<CNeighborList<CVertex3d>>();
  EXPECT_EQ(list->GetSize(), 0);
  EXPECT_EQ(list->GetMaxSize(), list->GetRoom());
  for (auto& v : owned)
    list->Add(v.get());
  list->SetAt(2, nullptr);  // a hole that FillVertexNeighbor would fill
  EXPECT_EQ(Entries(*list), (std::vector<CVertex3d*>{owned[0].get(), owned[1].get(), nullptr,
                                                     owned[3].get(), owned[4].get()}));
  EXPECT_EQ(list->IndexFrom(nullptr), 2);
  EXPECT_EQ(list->IndexFrom(owned[4].get()), 4);
  list->RemoveAt(0);
  list->Swap(0, 3);
  EXPECT_EQ(Entries(*list),
            (std::vector<CVertex3d*>{owned[4].get(), nullptr, owned[3].get(), owned[1].get()}));
  EXPECT_EQ(list->Contains(owned[0].get()), 0);
  // The room keeps every entry in reach (the sanitizer's allocator may place the list out of
  // reach of its elements: the entries then stay pointers).
  bool far = false;
  for (auto& v : owned)
    far = far || FarApart(list.get(), v.get());
  EXPECT_EQ(list->IsSpilled(), far ? 1 : 0);

  // Growing within the room shows null entries, whatever was there before.
  list->SetSize(6);
  EXPECT_EQ(list->GetAt(4), nullptr);
  EXPECT_EQ(list->GetAt(5), nullptr);
  EXPECT_EQ(list->AddUnique(owned[3].get()), 1);
  EXPECT_EQ(list->GetSize(), 6);
}

TEST(NeighborList, SpillsBeyondTheRoomAndGrowsAsTheArrayDoes)
{
  auto owned = MakeVertices(40);
  auto list = std::make_unique<CNeighborList<CVertex3d>>();
  CVertex3d* room[CNeighborList<CVertex3d>::kRoom] = {};
  CArray3d<CVertex3d> array(room, CNeighborList<CVertex3d>::kRoom);
  for (auto& v : owned) {
    list->Add(v.get());
    array.Add(v.get());
    ASSERT_EQ(list->GetMaxSize(), array.GetMaxSize()) << "at size " << list->GetSize();
  }
  EXPECT_EQ(list->IsSpilled(), 1);
  for (int i = 0; i < 40; i++)
    EXPECT_EQ(list->GetAt(i), owned[static_cast<size_t>(i)].get());
  EXPECT_EQ(list->IndexFrom(owned[33].get()), 33);

  // Sized at once, a list takes the storage of the list grown one entry at a time.
  auto sized = std::make_unique<CNeighborList<CVertex3d>>();
  sized->SetSize(array.GetMaxSize());
  sized->SetSize(40);
  EXPECT_EQ(sized->GetMaxSize(), list->GetMaxSize());
  EXPECT_EQ(sized->GetAt(39), nullptr);

  // Emptied, it goes back to its room.
  list->RemoveAll();
  EXPECT_EQ(list->IsSpilled(), 0);
  EXPECT_EQ(list->GetMaxSize(), list->GetRoom());
  list->Add(owned[7].get());
  EXPECT_EQ(list->GetAt(0), owned[7].get());
}

TEST(NeighborList, KeepsAnElementOutOfReachExactly)
{
  auto owned = MakeVertices(3);
  auto list = std::make_unique<CNeighborList<CVertex3d>>();
  list->Add(owned[0].get());
  CVertex3d onStack(1.0f, 2.0f, 3.0f);
  list->Add(&onStack);
  list->Add(owned[1].get());
  EXPECT_EQ(Entries(*list),
            (std::vector<CVertex3d*>{owned[0].get(), &onStack, owned[1].get()}));
  EXPECT_EQ(list->IndexFrom(&onStack), 1);
  EXPECT_EQ(list->IndexFrom(owned[2].get()), -1);
  if (FarApart(list.get(), &onStack)) {
    EXPECT_EQ(list->IsSpilled(), 1);
  }
  list->RemoveAt(1);
  EXPECT_EQ(Entries(*list), (std::vector<CVertex3d*>{owned[0].get(), owned[1].get()}));
}

TEST(NeighborList, IteratesAndDeletesWhatItLists)
{
  auto list = std::make_unique<CNeighborList<CFace3d>>();
  std::vector<CFace3d*> made;
  for (int i = 0; i < 9; i++) {
    made.push_back(new CFace3d());
    list->Add(made.back());
  }
  const std::vector<CFace3d*> iterated(list->begin(), list->end());
  EXPECT_EQ(iterated, made);
  CArray3d<CFace3d> copy;
  copy.Copy(*list);
  ASSERT_EQ(copy.GetSize(), 9);
  EXPECT_EQ(copy[8], made[8]);
  list->DeleteAll();  // the sanitizer build reports a leak if any stayed
  EXPECT_EQ(list->GetSize(), 0);
}

TEST(NeighborList, VertexListsBehaveAsBeforeInTheVertex)
{
  auto owned = MakeVertices(12);
  CVertex3d* hub = owned[0].get();
  for (int i = 1; i < 12; i++)
    EXPECT_EQ(hub->AddNeighbor(owned[static_cast<size_t>(i)].get()), 1);
  EXPECT_EQ(hub->AddNeighbor(owned[3].get()), 0);
  EXPECT_EQ(hub->AddNeighbor(hub), 0);
  EXPECT_EQ(hub->NbVertexNeighbor(), 11);
  EXPECT_EQ(hub->RemoveVertexNeighbor(owned[5].get()), 1);
  EXPECT_EQ(hub->NbVertexNeighbor(), 10);
  EXPECT_EQ(hub->GetVertexNeighbor(4), owned[6].get());
  EXPECT_EQ(hub->IsNeighbor(owned[5].get()), 0);
  hub->SetNbVertexNeighbor(12);
  EXPECT_EQ(hub->FillVertexNeighbor(owned[5].get()), 1);
  EXPECT_EQ(hub->GetVertexNeighbor(10), owned[5].get());
  EXPECT_EQ(hub->CountVertexNeighbor(nullptr), 1);
}

TEST(NeighborList, RareVertexStateComesAndGoesWithoutTheLists)
{
  // The undo history lives beside the other rare state, created by the first record.
  auto owned = MakeVertices(9);
  CVertex3d* v = owned[0].get();
  float previous[3] = {};
  EXPECT_EQ(v->NbHistory(), 0);
  EXPECT_EQ(v->PopHistory(), 0);
  v->GetPreviousPosition(previous);
  EXPECT_EQ(previous[0], 0.0f);
  for (int i = 1; i < 9; i++)
    v->AddVertexNeighbor(owned[static_cast<size_t>(i)].get());
  v->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 7.0f, 8.0f, 9.0f));
  v->SetOrder(4);
  v->Set(1.0f, 1.0f, 1.0f);
  EXPECT_EQ(v->NbHistory(), 1);
  v->GetPreviousPosition(previous);
  EXPECT_EQ(previous[2], 9.0f);
  EXPECT_EQ(v->PopHistory(), 1);
  EXPECT_EQ(v->x(), 7.0f);
  EXPECT_EQ(v->z(), 9.0f);
  EXPECT_EQ(v->NbHistory(), 0);
  EXPECT_EQ(v->GetOrder(), 4);
  // A record left in the history goes with the vertex (the sanitizer build checks the leak).
  v->PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  EXPECT_EQ(v->NbHistory(), 1);
  EXPECT_EQ(v->NbVertexNeighbor(), 8);
  EXPECT_EQ(v->GetVertexNeighbor(7), owned[8].get());
}

// Assign leaves what SetSize and one SetAt per entry leave: entries, size, storage and spill,
// from any earlier state, including an element out of reach met halfway through the room.
TEST(NeighborList, AssignsWholeListsAsEntryByEntryWritesDo)
{
  auto owned = MakeVertices(30);
  CVertex3d onStack(1.0f, 2.0f, 3.0f);
  using Entries = std::vector<CVertex3d*>;
  const Entries none;
  const Entries three = {owned[4].get(), nullptr, owned[2].get()};
  const Entries full = {owned[0].get(), owned[1].get(), owned[2].get(),
                        owned[3].get(), owned[4].get(), owned[5].get()};
  const Entries farInRoom = {owned[9].get(), owned[8].get(), &onStack, owned[7].get()};
  Entries many;
  for (int i = 29; i >= 0; i -= 2)
    many.push_back(owned[static_cast<size_t>(i)].get());
  const std::vector<Entries> cases = {none, three, full, farInRoom, many};
  for (const Entries& before : cases) {
    for (const Entries& after : cases) {
      auto assigned = std::make_unique<CNeighborList<CVertex3d>>();
      auto written = std::make_unique<CNeighborList<CVertex3d>>();
      for (CVertex3d* v : before) {
        assigned->Add(v);
        written->Add(v);
      }
      const int n = static_cast<int>(after.size());
      assigned->Assign(n, [&after](int i) { return after[static_cast<size_t>(i)]; });
      written->SetSize(n);
      for (int i = 0; i < n; i++)
        written->SetAt(i, after[static_cast<size_t>(i)]);
      SCOPED_TRACE(testing::Message() << before.size() << " entries, then " << n);
      ASSERT_EQ(assigned->GetSize(), n);
      for (int i = 0; i < n; i++)
        EXPECT_EQ(assigned->GetAt(i), after[static_cast<size_t>(i)]) << "entry " << i;
      EXPECT_EQ(assigned->GetMaxSize(), written->GetMaxSize());
      EXPECT_EQ(assigned->IsSpilled(), written->IsSpilled());
      if (FarApart(assigned.get(), &onStack) && &after == &cases[3]) {
        EXPECT_EQ(assigned->IsSpilled(), 1);
      }
      if (n == 0) {
        EXPECT_EQ(assigned->GetMaxSize(), assigned->GetRoom());
      }
    }
  }
}

TEST(NeighborList, AddsIntoTheStorageItHasWithoutGrowingIt)
{
  auto owned = MakeVertices(12);
  auto list = std::make_unique<CNeighborList<CVertex3d>>();
  for (int i = 0; i < 10; i++)
    list->Add(owned[static_cast<size_t>(i)].get());
  const int capacity = list->GetMaxSize();
  ASSERT_GE(capacity, 10);
  list->RemoveAt(2, 3);
  EXPECT_EQ(list->Add(owned[10].get()), 7);
  EXPECT_EQ(list->Add(nullptr), 8);
  EXPECT_EQ(list->Add(owned[11].get()), 9);
  EXPECT_EQ(list->GetMaxSize(), capacity);
  EXPECT_EQ(Entries(*list),
            (std::vector<CVertex3d*>{owned[0].get(), owned[1].get(), owned[5].get(),
                                     owned[6].get(), owned[7].get(), owned[8].get(),
                                     owned[9].get(), owned[10].get(), nullptr, owned[11].get()}));

  // In the room, a null entry reads back as null between two elements.
  auto room = std::make_unique<CNeighborList<CVertex3d>>();
  room->Add(owned[0].get());
  room->Add(nullptr);
  room->Add(owned[1].get());
  EXPECT_EQ(room->GetMaxSize(), room->GetRoom());
  EXPECT_EQ(Entries(*room), (std::vector<CVertex3d*>{owned[0].get(), nullptr, owned[1].get()}));
}
