// DecodeSymbols against Decode called once per symbol: the same symbols, the same state after
// (bytes taken, symbols counted, what Done says, where the next field starts), on sound
// sections and on damaged ones.
#include "SymbolSequences.h"
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;
using symbol_sequences::Runs;
using symbol_sequences::Symbols;
using symbol_sequences::Uniform;

// A section of n symbols at order 0, then a 13-bit field that must be read intact after it.
Bytes Encode(std::uint32_t n, const Symbols& symbols)
{
  COBitStream stream;
  CRangeEncoder encoder(n);
  EXPECT_EQ(encoder.Start(), 1);
  for (const std::uint32_t s : symbols)
    EXPECT_EQ(encoder.Encode(s, &stream), 1);
  EXPECT_EQ(encoder.Done(&stream), 1);
  stream.WriteBits(0x1ABC, 13);
  stream.Flush(0);
  return stream.GetBytes();
}

// Everything a caller can observe of one decoding.
struct SOutcome
{
  Symbols symbols;
  int done = 0;
  std::uint32_t nbCoded = 0;
  std::uint32_t nbByteRead = 0;
  std::uint32_t field = 0;
  bool pastEnd = false;

  bool operator==(const SOutcome&) const = default;
};

SOutcome Finish(CRangeDecoder& decoder, CIBitStream& stream, SOutcome outcome)
{
  outcome.nbCoded = decoder.GetNbCoded();
  outcome.done = decoder.Done(&stream);
  outcome.nbByteRead = decoder.GetNbByteRead();
  outcome.field = stream.BReadBits(13);
  outcome.pastEnd = stream.IsPastEnd();
  return outcome;
}

SOutcome DecodeOneByOne(std::uint32_t n, const Bytes& bytes)
{
  CIBitStream stream(bytes);
  CRangeDecoder decoder(n);
  SOutcome outcome;
  if (!decoder.Start(&stream))
    return outcome;
  std::uint32_t s = 0;
  while (decoder.Decode(&s, &stream))
    outcome.symbols.push_back(s);
  return Finish(decoder, stream, outcome);
}

// In slices of `slice` symbols until a slice comes back short.
SOutcome DecodeInSlices(std::uint32_t n, const Bytes& bytes, std::size_t slice)
{
  CIBitStream stream(bytes);
  CRangeDecoder decoder(n);
  SOutcome outcome;
  if (!decoder.Start(&stream))
    return outcome;
  for (;;) {
    Symbols part(slice, 0xDEAD);
    const std::size_t got = decoder.DecodeSymbols(part.data(), slice, CRangeDecoder::NoStop, &stream);
    EXPECT_LE(got, slice);
    // Nothing is written beyond what is counted.
    EXPECT_TRUE(std::all_of(part.begin() + static_cast<std::ptrdiff_t>(got), part.end(),
                            [](std::uint32_t x) { return x == 0xDEAD; }));
    outcome.symbols.insert(outcome.symbols.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < slice)
      break;
  }
  return Finish(decoder, stream, outcome);
}

} // namespace

// Small alphabets are searched by counting, large ones through slices of the total: both,
// with runs (the last symbol's interval hits) and without (it misses), in slices of every
// size, down to one symbol per call.
TEST(RangeDecoderRun, SlicesGiveWhatOneByOneGives)
{
  std::mt19937 random(5);
  for (const std::uint32_t n : {1u, 2u, 7u, 17u, 300u, 4095u}) {
    for (const bool runs : {true, false}) {
      const Symbols symbols = runs ? Runs(random, n, 20000) : Uniform(random, n, 3000);
      const Bytes bytes = Encode(n, symbols);
      const SOutcome expected = DecodeOneByOne(n, bytes);
      ASSERT_EQ(expected.symbols, symbols) << "n " << n;
      ASSERT_EQ(expected.done, 1);
      ASSERT_EQ(expected.field, 0x1ABCu);
      for (const std::size_t slice : {std::size_t(1), std::size_t(3), std::size_t(4096), symbols.size(),
                                      symbols.size() + 1}) {
        EXPECT_EQ(DecodeInSlices(n, bytes, slice), expected) << "n " << n << " slice " << slice;
      }
    }
  }
}

// A stop ends the call just after it, and the next call goes on from there; single Decode
// calls between the runs read on in step.
TEST(RangeDecoderRun, StopsAfterTheStopSymbolAndGoesOn)
{
  std::mt19937 random(17);
  const std::uint32_t n = 7;
  Symbols symbols = Runs(random, n, 5000);
  // Some long runs of 2 broken by a 0, as a layer ends.
  for (std::size_t i = 0; i < symbols.size(); i++)
    symbols[i] = i % 701 == 700 ? 0 : (symbols[i] == 0 ? 2 : symbols[i]);
  const Bytes bytes = Encode(n, symbols);
  CIBitStream stream(bytes);
  CRangeDecoder decoder(n);
  ASSERT_EQ(decoder.Start(&stream), 1);
  Symbols decoded;
  std::uint32_t s = 0;
  for (;;) {
    Symbols part(1000);
    const std::size_t got = decoder.DecodeSymbols(part.data(), part.size(), 0, &stream);
    part.resize(got);
    // Only the last can be the stop.
    EXPECT_EQ(std::count(part.begin(), part.end(), 0u), got > 0 && part.back() == 0 ? 1 : 0);
    decoded.insert(decoded.end(), part.begin(), part.end());
    if (got == 0 || (got < 1000 && part.back() != 0))
      break;
    if (decoder.Decode(&s, &stream) == 0)
      break;
    decoded.push_back(s);
  }
  EXPECT_EQ(decoded, symbols);
  EXPECT_EQ(decoder.Done(&stream), 1);
  EXPECT_EQ(stream.BReadBits(13), 0x1ABCu);
}

// Cut or damaged sections: the same symbols before the failure, and the same failure.
TEST(RangeDecoderRun, DamagedSectionsFailAsOneByOne)
{
  std::mt19937 random(23);
  for (const std::uint32_t n : {7u, 300u}) {
    const Symbols symbols = Runs(random, n, 4000);
    const Bytes bytes = Encode(n, symbols);
    for (int trial = 0; trial < 40; trial++) {
      Bytes damaged = bytes;
      if (trial % 2 == 0) {
        damaged.resize(random() % bytes.size());
      } else {
        const std::size_t at = 1 + random() % (bytes.size() - 1);
        damaged[at] = static_cast<std::uint8_t>(damaged[at] ^ (1u + random() % 255));
      }
      const SOutcome expected = DecodeOneByOne(n, damaged);
      EXPECT_EQ(DecodeInSlices(n, damaged, 4096), expected) << "n " << n << " trial " << trial;
      EXPECT_EQ(DecodeInSlices(n, damaged, 5), expected) << "n " << n << " trial " << trial;
    }
  }
}

// Contexts of order 1 go through Decode one symbol at a time: still the same symbols.
TEST(RangeDecoderRun, HigherOrdersDecodeTheSame)
{
  std::mt19937 random(31);
  const std::uint32_t n = 5;
  const Symbols symbols = Runs(random, n, 3000);
  COBitStream out;
  CRangeEncoder encoder(n);
  ASSERT_EQ(encoder.StartOrderK(2), 1);
  for (const std::uint32_t s : symbols)
    ASSERT_EQ(encoder.EncodeOrderK(s, &out), 1);
  ASSERT_EQ(encoder.DoneOrderK(&out), 1);
  out.Flush(0);
  CIBitStream stream(out.GetBytes());
  CRangeDecoder decoder(n);
  ASSERT_EQ(decoder.StartOrderK(&stream, 2), 1);
  Symbols decoded(symbols.size() + 1);
  decoded.resize(decoder.DecodeSymbols(decoded.data(), decoded.size(), CRangeDecoder::NoStop, &stream));
  EXPECT_EQ(decoded, symbols);
  EXPECT_EQ(decoder.DoneOrderK(&stream), 1);
}

// With no data symbol, symbol 0 is the end: a section of it alone gives nothing.
TEST(RangeDecoderRun, AnAlphabetOfTheEndAloneGivesNothing)
{
  const Bytes bytes = Encode(0, {});
  const SOutcome expected = DecodeOneByOne(0, bytes);
  EXPECT_TRUE(expected.symbols.empty());
  EXPECT_EQ(expected.done, 1);
  EXPECT_EQ(DecodeInSlices(0, bytes, 10), expected);
}

// A layer's codes: one symbol nearly everywhere, so that runs outlast rescales (every update
// counts down to one) and span many bytes. Slices ending anywhere in a run, and one symbol
// per call, give the symbols and the state that one call per symbol gives.
TEST(RangeDecoderRun, RunsLongerThanRescalesAndBytesCutAnywhere)
{
  std::mt19937 random(41);
  const std::uint32_t n = 7;
  Symbols symbols(60000, 2);
  for (std::uint32_t& s : symbols)
    if (random() % 150 == 0)
      s = 3 + static_cast<std::uint32_t>(random() % 4);
  const Bytes bytes = Encode(n, symbols);
  const SOutcome expected = DecodeOneByOne(n, bytes);
  ASSERT_EQ(expected.symbols, symbols);
  ASSERT_EQ(expected.done, 1);
  ASSERT_EQ(expected.field, 0x1ABCu);
  for (const std::size_t slice : {std::size_t(1), std::size_t(2), std::size_t(97), std::size_t(4096),
                                  symbols.size() - 1, symbols.size()})
    EXPECT_EQ(DecodeInSlices(n, bytes, slice), expected) << "slice " << slice;
}

// Runs of a symbol at every share of the total, from half to nearly all of it: its runs go
// four steps at a time only while the range is far enough above the byte boundary, which
// depends on the width of its interval. Slices give what one call per symbol gives.
TEST(RangeDecoderRun, RunsOfSymbolsOfEveryWidth)
{
  std::mt19937 random(43);
  const std::uint32_t n = 3;
  for (const std::uint32_t rarity : {2u, 3u, 5u, 16u, 40u, 300u, 3000u}) {
    Symbols symbols(30000, 1);
    for (std::uint32_t& s : symbols)
      if (random() % rarity == 0)
        s = (random() % 2) * 2;
    const Bytes bytes = Encode(n, symbols);
    const SOutcome expected = DecodeOneByOne(n, bytes);
    ASSERT_EQ(expected.symbols, symbols) << "rarity " << rarity;
    ASSERT_EQ(expected.done, 1);
    for (const std::size_t slice : {std::size_t(5), std::size_t(4096), symbols.size() + 1})
      EXPECT_EQ(DecodeInSlices(n, bytes, slice), expected) << "rarity " << rarity << " slice " << slice;
  }
}

// A run of the stop symbol: each call gives one of it and returns, and the calls together give
// the sequence.
TEST(RangeDecoderRun, ARunOfTheStopSymbolComesOneCallEach)
{
  const std::uint32_t n = 7;
  Symbols symbols(300, 2);
  std::fill(symbols.begin() + 100, symbols.begin() + 160, 0u);
  const Bytes bytes = Encode(n, symbols);
  CIBitStream stream(bytes);
  CRangeDecoder decoder(n);
  ASSERT_EQ(decoder.Start(&stream), 1);
  Symbols decoded;
  int calls = 0;
  for (;;) {
    Symbols part(500);
    const std::size_t got = decoder.DecodeSymbols(part.data(), part.size(), 0, &stream);
    calls++;
    decoded.insert(decoded.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(got));
    if (got == 0 || part[got - 1] != 0)
      break;
  }
  EXPECT_EQ(decoded, symbols);
  // 100 twos and the first 0, 59 zeros alone, then the last 140 twos up to the end symbol.
  EXPECT_EQ(calls, 61);
  EXPECT_EQ(decoder.Done(&stream), 1);
  EXPECT_EQ(stream.BReadBits(13), 0x1ABCu);
}
