#include "mesh/DepthTree.h"
#include "platform/core/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

class DepthTreeTest : public ::testing::Test
{
protected:
  void Build(const std::vector<double>& keys)
  {
    records.assign(keys.size(), CProjectedFace3d());
    tree.Init(&records[0], &records[0].z[3], &records[0].links);
    for (size_t i = 0; i < keys.size(); i++) {
      records[i].z[3] = keys[i];
      tree.Insert(records.data(), static_cast<int>(i));
    }
  }

  std::vector<int> Walk()
  {
    std::vector<int> order;
    for (int i = tree.GetFirst(records.data()); i != -1; i = tree.GetNext(records.data()))
      order.push_back(i);
    return order;
  }

  int Balance(int i) const
  {
    const int nibble = records[i].links.state & 0x0f;
    return nibble >= 8 ? nibble - 16 : nibble;
  }

  // Height of the subtree, checking balances, parent links and the AVL bound on the way.
  int CheckedHeight(int i, int parent)
  {
    if (i == -1)
      return 0;
    EXPECT_EQ(records[i].links.parent, parent);
    const int left = CheckedHeight(records[i].links.left, i);
    const int right = CheckedHeight(records[i].links.right, i);
    EXPECT_EQ(Balance(i), left - right) << "node " << i;
    EXPECT_LE(std::abs(left - right), 1);
    return 1 + std::max(left, right);
  }

  std::vector<CProjectedFace3d> records;
  CDepthTree tree;
};

} // namespace

TEST_F(DepthTreeTest, DescendingKeysRotateOnce)
{
  Build({3, 2, 1});
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(tree.GetRoot(), 1);
  EXPECT_EQ(Balance(1), 0);
  CheckedHeight(tree.GetRoot(), -1);
}

TEST_F(DepthTreeTest, DoubleRotationsKeepOrderAndBalance)
{
  Build({1, 3, 2});  // right-left case
  EXPECT_EQ(Walk(), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(tree.GetRoot(), 2);
  Build({3, 1, 2});  // left-right case
  EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(tree.GetRoot(), 2);
  CheckedHeight(tree.GetRoot(), -1);
}

TEST_F(DepthTreeTest, EmptyTreeAndWalkPastTheEnd)
{
  records.assign(1, CProjectedFace3d());
  tree.Init(&records[0], &records[0].z[3], &records[0].links);
  EXPECT_EQ(tree.GetFirst(records.data()), -1);
  EXPECT_EQ(tree.GetNext(records.data()), -1);

  Build({5});
  EXPECT_EQ(tree.GetFirst(records.data()), 0);
  EXPECT_EQ(tree.GetNext(records.data()), -1);
  EXPECT_EQ(tree.GetNext(records.data()), -1);
}

TEST_F(DepthTreeTest, MatchesStableSortOnRandomKeysWithTies)
{
  platform::Srand(3);
  for (int round = 0; round < 20; round++) {
    const int n = 1 + platform::Rand() % 2000;
    std::vector<double> keys(n);
    for (double& k : keys)
      k = platform::Rand() % 50;  // many ties
    Build(keys);

    std::vector<int> expected(n);
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int a, int b) { return keys[a] < keys[b]; });
    ASSERT_EQ(Walk(), expected) << "round " << round;
    CheckedHeight(tree.GetRoot(), -1);
    // A second walk gives the same order: the walk states reset as it goes.
    ASSERT_EQ(Walk(), expected);
  }
}

TEST_F(DepthTreeTest, StaysLogarithmicOnSortedInput)
{
  std::vector<double> keys(4096);
  std::iota(keys.begin(), keys.end(), 0.0);
  Build(keys);
  EXPECT_LE(CheckedHeight(tree.GetRoot(), -1), 13);  // AVL bound for 4096 nodes
  EXPECT_EQ(Walk().size(), keys.size());
}
