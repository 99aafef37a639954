#include "compression/GateStreamBits.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace {

// Writes prefix bits (alternating, so a wrong mask shows), then the words, then a tail bit,
// and returns the flushed bytes; word == true uses the word writer, else WriteBits.
template <class Stream>
std::vector<std::uint8_t> Write(Stream& stream, int prefix, const std::vector<std::uint32_t>& words,
                                bool word)
{
  for (int i = 0; i < prefix; i++)
    stream.PutBit(static_cast<unsigned int>((i * 7 + 1) % 3 == 0 ? 1 : 0));
  for (const std::uint32_t w : words) {
    if constexpr (requires { stream.WriteWord(w); }) {
      if (word) {
        stream.WriteWord(w);
        continue;
      }
    }
    stream.WriteBits(w, 32);
  }
  stream.PutBit(1);
  stream.Flush(0);
  return stream.GetBytes();
}

} // namespace

TEST(GateStreamBits, WordsMatchBitByBitWritingAtEveryOffset)
{
  const std::vector<std::uint32_t> words = {0u, 0xffffffffu, 0xa5c30f81u, 0x80000001u,
                                            std::bit_cast<std::uint32_t>(-1.5f),
                                            std::bit_cast<std::uint32_t>(3.14159f)};
  for (int prefix = 0; prefix < 17; prefix++) {
    COBitStream plain;
    CGateStreamBits fast;
    const auto expected = Write(plain, prefix, words, false);
    const auto actual = Write(fast, prefix, words, true);
    EXPECT_EQ(actual, expected) << "prefix " << prefix;
    EXPECT_EQ(fast.GetTotalBits(), plain.GetTotalBits()) << "prefix " << prefix;
    // prefix + 6 words + tail bit, then at least one pad bit up to the byte boundary.
    EXPECT_EQ(expected.size(), static_cast<std::size_t>((prefix + 6 * 32 + 1) / 8 + 1));
  }
}

TEST(GateStreamBits, FloatIsItsBitPatternLowBitFirst)
{
  CGateStreamBits stream;
  stream.WriteWordFloat(1.0f); // 0x3f800000
  const auto& bytes = stream.GetBytes();
  ASSERT_EQ(bytes.size(), 4u);
  // Low bit first into each byte from its high bit: 0x00 0x00 0x01 0xfc.
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x01);
  EXPECT_EQ(bytes[3], 0xfc);
  EXPECT_EQ(stream.GetTotalBits(), 32u);
}
