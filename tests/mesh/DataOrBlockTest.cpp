#include "mesh/DataOrBlock.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct SBlock
{
  int value = 0;
  void* data = nullptr;
};

void* Odd(std::uintptr_t n) { return reinterpret_cast<void*>(n * 2 + 1); }

} // namespace

TEST(DataOrBlock, DataAloneMakesNoBlock)
{
  CDataOrBlock<SBlock> word;
  EXPECT_EQ(word.GetData(), nullptr);
  EXPECT_EQ(word.Find(), nullptr);
  int a = 0;
  double b = 0;
  word.SetData(&a);
  EXPECT_EQ(word.GetData(), &a);
  word.SetData(&b);
  EXPECT_EQ(word.GetData(), &b);
  word.SetData(nullptr);
  EXPECT_EQ(word.GetData(), nullptr);
  EXPECT_EQ(word.Find(), nullptr);
}

TEST(DataOrBlock, TheBlockTakesTheDataOverAndKeepsItsOwnState)
{
  CDataOrBlock<SBlock> word;
  int a = 0;
  int b = 0;
  word.SetData(&a);
  SBlock& block = word.Get();
  EXPECT_EQ(word.Find(), &block);
  EXPECT_EQ(block.data, &a);
  EXPECT_EQ(word.GetData(), &a);
  block.value = 42;
  // Once the block exists, data goes into it and leaves the rest alone, and the block stays.
  word.SetData(&b);
  EXPECT_EQ(word.GetData(), &b);
  EXPECT_EQ(word.Find(), &block);
  EXPECT_EQ(word.Get().value, 42);
  word.SetData(nullptr);
  EXPECT_EQ(word.GetData(), nullptr);
  EXPECT_EQ(word.Find(), &block);
  EXPECT_EQ(&word.Get(), &block);
}

TEST(DataOrBlock, DataThatLooksLikeABlockGoesIntoOne)
{
  CDataOrBlock<SBlock> word;
  word.SetData(Odd(0));  // the smallest such value, 1
  ASSERT_NE(word.Find(), nullptr);
  EXPECT_EQ(word.GetData(), Odd(0));
  EXPECT_EQ(word.Find()->value, 0);
  word.SetData(Odd(12345));
  EXPECT_EQ(word.GetData(), Odd(12345));

  const CDataOrBlock<SBlock> made(Odd(7));
  ASSERT_NE(made.Find(), nullptr);
  EXPECT_EQ(made.GetData(), Odd(7));

  int a = 0;
  const CDataOrBlock<SBlock> plain(&a);
  EXPECT_EQ(plain.Find(), nullptr);
  EXPECT_EQ(plain.GetData(), &a);

  // A block made for other state does not read the address it replaced as data.
  CDataOrBlock<SBlock> fresh;
  fresh.Get().value = 3;
  EXPECT_EQ(fresh.GetData(), nullptr);
}

TEST(Vertex3d, DataAndRarelyUsedStateShareAWordWithoutMixing)
{
  CVertex3d v(1, 2, 3);
  CVertex3d w(4, 5, 6);
  int scratch = 0;
  v.SetData(&scratch);
  v.SetOrder(9);  // makes the block: the data moves with it
  EXPECT_EQ(v.GetData(), &scratch);
  EXPECT_EQ(v.GetOrder(), 9);
  v.SetData(&w);
  v.SetMergedInto(&w);
  v.Set2(7, 8, 9);
  EXPECT_EQ(v.GetData(), &w);
  EXPECT_EQ(v.GetMergedInto(), &w);
  EXPECT_EQ(v.GetOrder(), 9);
  EXPECT_EQ(v.z2(), 9.0f);
  v.SetData(nullptr);
  EXPECT_EQ(v.GetData(), nullptr);
  EXPECT_EQ(v.GetOrder(), 9);
  EXPECT_EQ(v.FindEdgeInData(&w), nullptr);

  // An odd value is data too, and leaves every rarely used value at its default.
  CVertex3d u(0, 0, 0);
  u.SetData(Odd(21));
  EXPECT_EQ(u.GetData(), Odd(21));
  EXPECT_EQ(u.GetOrder(), 0);
  EXPECT_EQ(u.GetValence(), 0);
  EXPECT_EQ(u.GetMergedInto(), nullptr);
  EXPECT_EQ(u.NbEdge(), 0);
  EXPECT_EQ(u.NbHistory(), 0);
  u.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 0.0f, 0.0f, 0.0f));
  EXPECT_EQ(u.GetData(), Odd(21));
  EXPECT_EQ(u.NbHistory(), 1);
}

TEST(Face3d, DataAndRarelyUsedStateShareAWordWithoutMixing)
{
  CVertex3d a(0, 0, 0);
  CVertex3d b(1, 0, 0);
  CVertex3d c(0, 1, 0);
  int scratch = 0;
  CFace3d f(&a, &b, &c, 10, 20, 30, 4, &scratch);
  EXPECT_EQ(f.GetData(), &scratch);
  EXPECT_EQ(f.GetFlag(), 4);
  EXPECT_EQ(f.GetColor()->g(), 20);
  f.SetRibbon(5);
  EXPECT_EQ(f.GetData(), &scratch);
  f.GetAltNormal()->Set(1, 2, 3);
  f.SetData(&a);
  EXPECT_EQ(f.GetRibbon(), 5);
  EXPECT_EQ(f.GetAltNormal()->y(), 2.0f);
  EXPECT_EQ(f.GetData(), &a);
  EXPECT_EQ(f.v(0), &a);
  EXPECT_EQ(f.v(2), &c);

  CFace3d g(&a, &b, &c, 1, 1, 1, 0, Odd(3));
  EXPECT_EQ(g.GetData(), Odd(3));
  EXPECT_EQ(g.GetRibbon(), 0);
  EXPECT_EQ(g.GetAltNormal()->GetSquareNorm(), 0.0);
  g.SetData(nullptr);
  EXPECT_EQ(g.GetData(), nullptr);
  EXPECT_EQ(g.v(1), &b);
}
