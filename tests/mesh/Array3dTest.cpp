#include "mesh/Array3d.h"
#include "mesh/Vector3d.h"

#include <gtest/gtest.h>

namespace {

struct CCounted
{
  static int s_Alive;
  CCounted() { s_Alive++; }
  ~CCounted() { s_Alive--; }
};
int CCounted::s_Alive = 0;

// Distinct addresses to store; the array never dereferences them.
int g_Items[8];
int* A = &g_Items[0];
int* B = &g_Items[1];
int* C = &g_Items[2];
int* D = &g_Items[3];
int* P = &g_Items[4];

void Fill(CArray3d<int>& array, std::initializer_list<int*> items)
{
  for (int* p : items)
    array.Add(p);
}

} // namespace

TEST(Array3d, NewArrayIsEmptyWithoutStorage)
{
  CArray3d<int> array;
  EXPECT_EQ(array.GetSize(), 0);
  EXPECT_EQ(array.GetMaxSize(), 0);
  EXPECT_EQ(array.GetData(), nullptr);
  EXPECT_EQ(array.IndexFrom(A), -1);
  EXPECT_EQ(array.Contains(A), 0);
}

TEST(Array3d, AutomaticGrowthFollowsTheStepRule)
{
  CArray3d<int> array;
  EXPECT_EQ(array.Add(A), 0);
  EXPECT_EQ(array.GetMaxSize(), 1);
  EXPECT_EQ(array.Add(B), 1);
  EXPECT_EQ(array.GetMaxSize(), 5);

  // Replay the rule independently: step = size/8 clamped to [4, 1024].
  int expectedMax = 5;
  for (int size = 2; size < 20000; size++) {
    if (size == expectedMax) {
      int step = size / 8;
      step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
      expectedMax += step;
    }
    array.Add(A);
    ASSERT_EQ(array.GetMaxSize(), expectedMax) << "at size " << size + 1;
  }
  EXPECT_EQ(array.GetSize(), 20000);
}

// Appending many at once ends as SetSize and SetAt would: same entries, same capacity.
TEST(Array3d, AppendGrowsAsSetSizeAndKeepsTheEntries)
{
  int* const items[] = {A, B, C, D, P};
  const auto at = [&items](int i) { return items[i % 5]; };
  for (const int before : {0, 1, 3, 40, 3000}) {
    for (const int n : {0, 1, 4, 9, 2000}) {
      CArray3d<int> appended;
      CArray3d<int> set;
      for (int i = 0; i < before; i++) {
        appended.Add(at(i));
        set.Add(at(i));
      }
      appended.Append(n, [&at, before](int i) { return at(before + i); });
      set.SetSize(before + n);
      for (int i = 0; i < n; i++)
        set.SetAt(before + i, at(before + i));
      ASSERT_EQ(appended.GetSize(), before + n);
      EXPECT_EQ(appended.GetMaxSize(), set.GetMaxSize()) << before << " + " << n;
      for (int i = 0; i < before + n; i++)
        ASSERT_EQ(appended[i], at(i)) << i;
    }
  }
}

TEST(Array3d, SetSizeZeroesNewSlotsAndShrinksInPlace)
{
  CArray3d<int> array;
  array.SetSize(20);
  array.SetSize(3);
  for (int i = 0; i < 3; i++)
    array.SetAt(i, A);
  int** storage = array.GetData();
  array.SetAt(0, B);
  array.SetSize(10);
  EXPECT_EQ(array.GetData(), storage);
  EXPECT_EQ(array.GetMaxSize(), 20);
  for (int i = 3; i < 10; i++)
    EXPECT_EQ(array.GetAt(i), nullptr);
  array.SetSize(2);
  EXPECT_EQ(array.GetMaxSize(), 20);
  EXPECT_EQ(array.GetAt(0), B);

  array.SetSize(0);
  EXPECT_EQ(array.GetData(), nullptr);
  EXPECT_EQ(array.GetMaxSize(), 0);
  array.Add(C);
  EXPECT_EQ(array.GetMaxSize(), 1);
}

TEST(Array3d, FixedGrowByAndBackToAutomatic)
{
  CArray3d<int> array;
  array.SetSize(1, 16);
  array.Add(A);
  EXPECT_EQ(array.GetMaxSize(), 17);
  array.SetSize(40);  // larger than max + step: jumps to n
  EXPECT_EQ(array.GetMaxSize(), 40);
  array.SetSize(40, 0);
  array.Add(A);
  EXPECT_EQ(array.GetMaxSize(), 45);  // step = 40/8 = 5
}

TEST(Array3d, InsertInsideAndPastTheEnd)
{
  CArray3d<int> array;
  Fill(array, {A, B, C, D});
  array.InsertAt(2, P, 3);
  ASSERT_EQ(array.GetSize(), 7);
  int* expected[] = {A, B, P, P, P, C, D};
  for (int i = 0; i < 7; i++)
    EXPECT_EQ(array.GetAt(i), expected[i]);

  CArray3d<int> tail;
  Fill(tail, {A, B, C, D});
  tail.InsertAt(6, P);
  ASSERT_EQ(tail.GetSize(), 7);
  EXPECT_EQ(tail.GetAt(4), nullptr);
  EXPECT_EQ(tail.GetAt(5), nullptr);
  EXPECT_EQ(tail.GetAt(6), P);
}

TEST(Array3d, RemoveSwapCopyAndSearch)
{
  CArray3d<int> array;
  Fill(array, {A, B, C, D});
  const int maxSize = array.GetMaxSize();
  array.RemoveAt(1, 2);
  ASSERT_EQ(array.GetSize(), 2);
  EXPECT_EQ(array.GetAt(0), A);
  EXPECT_EQ(array.GetAt(1), D);
  EXPECT_EQ(array.GetMaxSize(), maxSize);

  array.Swap(0, 0);
  EXPECT_EQ(array.GetAt(0), A);
  array.Swap(0, 1);
  EXPECT_EQ(array.GetAt(0), D);

  EXPECT_EQ(array.AddUnique(D), 1);
  EXPECT_EQ(array.GetSize(), 2);
  EXPECT_EQ(array.AddUnique(B), 2);
  EXPECT_EQ(array.IndexFrom(B), 2);

  CArray3d<int> copy;
  copy.Add(P);
  copy.Copy(array);
  ASSERT_EQ(copy.GetSize(), 3);
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(copy.GetAt(i), array.GetAt(i));
}

TEST(Array3d, DeleteAllSkipsNullsAndDeletesEachOnce)
{
  {
    CArray3d<CCounted> array;
    array.Add(new CCounted);
    array.Add(nullptr);
    array.Add(new CCounted);
    EXPECT_EQ(CCounted::s_Alive, 2);
    array.DeleteAll();
    EXPECT_EQ(CCounted::s_Alive, 0);
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.GetData(), nullptr);
  }
  // Scene objects are deleted through their virtual destructor.
  CArray3d<CObject3d> objects;
  objects.Add(new CVector3d(1, 2, 3));
  objects.Add(new CObject3d);
  EXPECT_EQ(objects.GetAt(0)->GetType(), TYPE_VECTOR3D);
  EXPECT_EQ(objects.GetAt(1)->GetType(), TYPE_OBJECT3D);
  objects.DeleteAll();
  EXPECT_EQ(objects.GetSize(), 0);
}

TEST(Array3d, ArrayOfArraysOwnsItsRows)
{
  CArray3d<CArray3d<int>> rows;
  for (int i = 0; i < 3; i++) {
    auto* row = new CArray3d<int>;
    row->Add(A);
    rows.Add(row);
  }
  rows.DeleteAll();  // the sanitizer's leak check verifies the rows' storage is freed
  EXPECT_EQ(rows.GetSize(), 0);
}

TEST(Array3d, RoomHoldsShortListsAndSpillsBeyondIt)
{
  int* room[3] = {nullptr, nullptr, nullptr};
  CArray3d<int> array(room, 3);
  EXPECT_EQ(array.GetRoom(), 3);
  EXPECT_EQ(array.GetMaxSize(), 3);
  Fill(array, {A, B, C});
  EXPECT_EQ(array.GetData(), room);
  EXPECT_EQ(room[2], C);
  // The fourth entry moves the list to the heap by the step rule, in order.
  array.Add(D);
  EXPECT_NE(array.GetData(), room);
  EXPECT_EQ(array.GetMaxSize(), 3 + 4);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(array[i], g_Items + i);
  array.RemoveAt(0, 2);
  EXPECT_EQ(array.GetSize(), 2);
  EXPECT_EQ(array[0], C);
  // Emptied, it is back in the room, which is reused.
  array.RemoveAll();
  EXPECT_EQ(array.GetData(), room);
  EXPECT_EQ(array.GetMaxSize(), 3);
  array.InsertAt(0, P, 2);
  EXPECT_EQ(array.GetData(), room);
  EXPECT_EQ(room[0], P);
  EXPECT_EQ(room[1], P);
  // Growing inside the room clears the new entries.
  array.SetSize(3);
  EXPECT_EQ(array[2], nullptr);
}

TEST(Array3d, RoomListFreesOnlyWhatItAllocated)
{
  int* room[2] = {nullptr, nullptr};
  int* otherRoom[2] = {nullptr, nullptr};
  {
    CArray3d<int> spilled(room, 2);
    Fill(spilled, {A, B, C, D, P});
    EXPECT_EQ(spilled.GetSize(), 5);
    CArray3d<int> copy(otherRoom, 2);
    copy.Copy(spilled);
    EXPECT_EQ(copy[4], P);
  }  // both freed without touching the room: the sanitizers would report it
  CArray3d<CCounted> owned(nullptr, 0);
  owned.Add(new CCounted);
  owned.Add(new CCounted);
  EXPECT_EQ(CCounted::s_Alive, 2);
  owned.DeleteAll();
  EXPECT_EQ(CCounted::s_Alive, 0);
  EXPECT_EQ(owned.GetMaxSize(), 0);
}
