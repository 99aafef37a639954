// The base mesh's fields are taken from the file in runs of up to 57 bits: a long read must
// give the bits, the position and the end that as many short reads give.
#include "coding/IBitStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(n);
  for (std::uint8_t& b : bytes)
    b = static_cast<std::uint8_t>(random());
  return bytes;
}

// Up to n bits by reads of one bit at a time: the plainest reading of the stream's order.
std::uint64_t BitByBit(CIBitStream* in, int n, int* pCount)
{
  std::uint64_t value = 0;
  *pCount = 0;
  for (int i = 0; i < n; i++) {
    std::uint32_t bit = 0;
    if (in->ReadBitsUpTo(bit, 1) != 1)
      break;
    value |= std::uint64_t(bit) << i;
    ++*pCount;
  }
  return value;
}

} // namespace

TEST(ProgressiveBitFields, LongReadsGiveTheBitsOfOneBitReads)
{
  // Widths from 1 to 64 at every offset in a byte, to the end of the bytes: the reads near
  // the end go in short fields, and the one that would run past it takes what is left.
  for (unsigned seed : {1u, 2u, 3u}) {
    const std::vector<std::uint8_t> bytes = RandomBytes(64, seed);
    CIBitStream fast(bytes);
    CIBitStream slow(bytes);
    std::mt19937 random(seed * 7);
    for (int step = 0; fast.GetRemainingBits() > 0; step++) {
      SCOPED_TRACE(step);
      const int n = 1 + static_cast<int>(random() % 64);
      const int left = static_cast<int>(fast.GetRemainingBits());
      const int within = n < left ? n : left;
      std::uint64_t value = 0;
      ASSERT_EQ(within, fast.ReadLongBitsUpTo(value, n)) << n;
      int count = 0;
      ASSERT_EQ(BitByBit(&slow, within, &count), value) << n;
      ASSERT_EQ(slow.GetRemainingBits(), fast.GetRemainingBits()) << n;
    }
  }
}

TEST(ProgressiveBitFields, ShortReadsAfterALongReadGoOnWhereItStopped)
{
  const std::vector<std::uint8_t> bytes = RandomBytes(32, 9);
  CIBitStream mixed(bytes);
  CIBitStream plain(bytes);
  for (int n : {3, 57, 11, 40, 25, 1, 56}) {
    std::uint64_t value = 0;
    ASSERT_EQ(n, mixed.ReadLongBitsUpTo(value, n));
    int count = 0;
    EXPECT_EQ(BitByBit(&plain, n, &count), value) << n;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    ASSERT_EQ(5, mixed.ReadBitsUpTo(a, 5));
    ASSERT_EQ(5, plain.ReadBitsUpTo(b, 5));
    EXPECT_EQ(b, a) << n;
  }
  // Out of range: nothing is taken.
  std::uint64_t none = 1;
  const std::uint64_t left = mixed.GetRemainingBits();
  EXPECT_EQ(0, mixed.ReadLongBitsUpTo(none, 0));
  EXPECT_EQ(0u, none);
  EXPECT_EQ(left, mixed.GetRemainingBits());
}
