#include "compression/GateStreamBits.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
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

TEST(GateStreamBits, WordRunsMatchBitByBitWritingAtEveryOffset)
{
  // A run long enough that the accumulator carries bits across many words, then a second run
  // after an odd number of bits.
  std::vector<std::uint32_t> words;
  std::uint32_t state = 12345u;
  for (int i = 0; i < 37; i++) {
    state = state * 214013u + 2531011u;
    words.push_back(state ^ (state << 13));
  }
  for (int prefix = 0; prefix < 17; prefix++) {
    COBitStream plain;
    CGateStreamBits fast;
    Write(plain, prefix, {}, false);
    Write(fast, prefix, {}, false);
    for (const std::uint32_t w : words)
      plain.WriteBits(w, 32);
    fast.WriteWords(words.data(), words.size());
    plain.WriteBits(5, 3);
    fast.WriteBits(5, 3);
    for (const std::uint32_t w : words)
      plain.WriteBits(w, 32);
    fast.WriteWords(words.data(), words.size());
    plain.Flush(1);
    fast.Flush(1);
    EXPECT_EQ(fast.GetBytes(), plain.GetBytes()) << "prefix " << prefix;
    EXPECT_EQ(fast.GetTotalBits(), plain.GetTotalBits()) << "prefix " << prefix;
  }
}

TEST(GateStreamBits, EmptyRunWritesNothing)
{
  CGateStreamBits stream;
  stream.WriteBits(3, 5);
  stream.WriteWords(nullptr, 0);
  EXPECT_EQ(stream.GetTotalBits(), 5u);
  EXPECT_TRUE(stream.GetBytes().empty());
  stream.WriteBits(0, 3);
  ASSERT_EQ(stream.GetBytes().size(), 1u);
  EXPECT_EQ(stream.GetBytes()[0], 0xc0); // 1, 1, 0, 0, 0, then three zeros
}
