#include "coding/Huffman.h"

#include <gtest/gtest.h>

#include <random>

using Bits = std::vector<unsigned int>;

TEST(Huffman, EmptyInputCodesOnlyTheEndSymbol)
{
  CHuffman huffman;
  Bits output;
  EXPECT_EQ(huffman.Encode({}, output), 1);
  // Symbol 0 (counted once) and the end symbol join at the root: 0 -> "0", end -> "1".
  EXPECT_EQ(output, Bits({1}));
  EXPECT_EQ(huffman.GetLength(0), 1u);
  EXPECT_EQ(huffman.GetLength(CHuffman::EndSymbol), 1u);
}

TEST(Huffman, ARepeatedSymbolTakesOneBit)
{
  CHuffman huffman;
  Bits output = {9}; // appended to, not replaced
  EXPECT_EQ(huffman.Encode({7, 7, 7}, output), 1);
  // The end symbol (1) is smaller than 7 (3): child 0 is the end symbol.
  EXPECT_EQ(output, Bits({9, 1, 1, 1, 0}));
}

TEST(Huffman, TiesGoToTheLowerIndexAndCodesLeaveLeafFirst)
{
  CHuffman huffman;
  Bits output;
  ASSERT_EQ(huffman.Encode({0, 1}, output), 1);
  // Counts 1, 1 and end 1: nodes 0 and 1 join first (257), then end and 257 (258).
  // Codes from the root: end "0", 0 "10", 1 "11"; sent leaf branch first.
  EXPECT_EQ(huffman.GetCode(0), 2u);
  EXPECT_EQ(huffman.GetCode(1), 3u);
  EXPECT_EQ(huffman.GetCode(CHuffman::EndSymbol), 0u);
  EXPECT_EQ(output, Bits({0, 1, 1, 1, 0}));
}

TEST(Huffman, LargeCountsAreScaledWithoutLosingRareSymbols)
{
  CHuffman huffman;
  std::vector<unsigned int> input(1000, 0);
  input.push_back(1);
  for (int i = 0; i < 120; i++)
    input.push_back(2);
  Bits output;
  ASSERT_EQ(huffman.Encode(input, output), 1);
  // Ratio 1000 / 255 + 1 = 4: counts 250, 0 raised to 1, 30, end 1. Symbol 1 and the end
  // join (2), then with 2 (32), then with 0 (282).
  EXPECT_EQ(huffman.GetLength(0), 1u);
  EXPECT_EQ(huffman.GetLength(2), 2u);
  EXPECT_EQ(huffman.GetLength(1), 3u);
  EXPECT_EQ(huffman.GetLength(CHuffman::EndSymbol), 3u);
  EXPECT_EQ(huffman.GetCode(0), 1u);
  EXPECT_EQ(huffman.GetCode(2), 1u);
  EXPECT_EQ(huffman.GetCode(1), 0u);
  EXPECT_EQ(output.size(), 1000u * 1 + 3 + 120 * 2 + 3);
}

TEST(Huffman, CodesAreCompleteAndPrefixFree)
{
  std::mt19937 random(4);
  for (int trial = 0; trial < 20; trial++) {
    std::vector<unsigned int> input(random() % 5000);
    for (auto& s : input)
      s = std::min<unsigned int>(static_cast<unsigned int>(std::geometric_distribution<>(0.05)(random)), 255);
    CHuffman huffman;
    Bits output;
    ASSERT_EQ(huffman.Encode(input, output), 1);
    // Kraft sum of every coded symbol is exactly 1, and the output is their lengths.
    std::vector<bool> used(257, false);
    used[0] = input.empty();
    used[CHuffman::EndSymbol] = true;
    std::size_t expected = huffman.GetLength(CHuffman::EndSymbol);
    for (unsigned int s : input) {
      used[s] = true;
      expected += huffman.GetLength(static_cast<int>(s));
    }
    double kraft = 0;
    for (int s = 0; s <= 256; s++) {
      if (!used[s])
        continue;
      ASSERT_GE(huffman.GetLength(s), 1u);
      kraft += std::ldexp(1.0, -static_cast<int>(huffman.GetLength(s)));
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    EXPECT_EQ(output.size(), expected);
    for (unsigned int bit : output)
      ASSERT_LE(bit, 1u);
  }
}

TEST(Huffman, SymbolsAboveAByteAreRefused)
{
  CHuffman huffman;
  Bits output;
  EXPECT_EQ(huffman.Encode({1, 256, 2}, output), 0);
  EXPECT_TRUE(output.empty());
}
