// EncodeSymbols against Encode called once per symbol: the same bytes, the same count of coded
// symbols, the same answers of Done, on sound input and on refused input; and the bytes of the
// independent reference coder.
#include "RangeReference.h"
#include "SymbolSequences.h"
#include "coding/OBitStream.h"
#include "coding/RangeEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;
using symbol_sequences::Runs;
using symbol_sequences::Symbols;
using symbol_sequences::Uniform;

enum class EStart { Uniform, Half, Preset, Gaussian, Order2, Refused };

int StartEncoder(CRangeEncoder& encoder, EStart start)
{
  switch (start) {
  case EStart::Uniform: return encoder.Start();
  case EStart::Half: return encoder.StartHalf();
  case EStart::Preset: return encoder.StartPreset();
  case EStart::Gaussian: return encoder.StartGaussian(3.0);
  case EStart::Order2: return encoder.StartOrderK(2);
  case EStart::Refused: return encoder.StartOrderK(40);
  }
  return 0;
}

// Everything a caller can observe of one encoding; a 13-bit field follows the section.
struct SOutcome
{
  Bytes bytes;
  std::vector<int> answers; // per call: Encode or EncodeSymbols
  std::uint32_t nbCoded = 0;
  int done = 0;

  bool operator==(const SOutcome&) const = default;
};

SOutcome Finish(CRangeEncoder& encoder, COBitStream& stream, SOutcome outcome)
{
  outcome.nbCoded = encoder.GetNbCoded();
  outcome.done = encoder.Done(&stream);
  stream.WriteBits(0x1ABC, 13);
  stream.Flush(0);
  outcome.bytes = stream.GetBytes();
  return outcome;
}

SOutcome EncodeOneByOne(std::uint32_t n, EStart start, const Symbols& symbols)
{
  COBitStream stream;
  CRangeEncoder encoder(n);
  StartEncoder(encoder, start);
  SOutcome outcome;
  for (const std::uint32_t s : symbols)
    outcome.answers.push_back(encoder.Encode(s, &stream));
  return Finish(encoder, stream, outcome);
}

// In slices of `slice` symbols, each answer standing for the slice's symbols; `single` puts one
// Encode call between the slices.
SOutcome EncodeInSlices(std::uint32_t n, EStart start, const Symbols& symbols, std::size_t slice,
                        bool single = false)
{
  COBitStream stream;
  CRangeEncoder encoder(n);
  StartEncoder(encoder, start);
  SOutcome outcome;
  bool sliceNext = true;
  for (std::size_t i = 0; i < symbols.size(); sliceNext = !single || !sliceNext) {
    if (!sliceNext) {
      outcome.answers.push_back(encoder.Encode(symbols[i++], &stream));
      continue;
    }
    const std::size_t count = std::min(slice, symbols.size() - i);
    const int answer = encoder.EncodeSymbols(symbols.data() + i, count, &stream);
    outcome.answers.insert(outcome.answers.end(), count, answer);
    i += count;
  }
  return Finish(encoder, stream, outcome);
}

// One-by-one answers as a slice sees them: a slice answers 1 only when all of its symbols were
// coded.
std::vector<int> SliceAnswers(const std::vector<int>& answers, std::size_t slice)
{
  std::vector<int> out;
  for (std::size_t i = 0; i < answers.size(); i += slice) {
    const std::size_t count = std::min(slice, answers.size() - i);
    const bool all = std::all_of(answers.begin() + static_cast<std::ptrdiff_t>(i),
                                 answers.begin() + static_cast<std::ptrdiff_t>(i + count),
                                 [](int a) { return a == 1; });
    out.insert(out.end(), count, all ? 1 : 0);
  }
  return out;
}

void ExpectSlicesMatch(std::uint32_t n, EStart start, const Symbols& symbols)
{
  SOutcome expected = EncodeOneByOne(n, start, symbols);
  const std::vector<int> perSymbol = expected.answers;
  for (const std::size_t slice : {std::size_t(1), std::size_t(3), std::size_t(4096),
                                  std::max<std::size_t>(symbols.size(), 1)}) {
    expected.answers = SliceAnswers(perSymbol, slice);
    EXPECT_EQ(EncodeInSlices(n, start, symbols, slice), expected) << "n " << n << " slice " << slice;
  }
}

} // namespace

// Runs cross many rescales (every 100 updates at most); uniform symbols make the carries and
// pending bytes. The bytes are also those of the reference coder, which counts every symbol
// into its model one at a time.
TEST(RangeEncoderRun, SlicesGiveWhatOneByOneGives)
{
  std::mt19937 random(7);
  for (const std::uint32_t n : {1u, 2u, 7u, 17u, 300u, 4095u}) {
    for (const bool runs : {true, false}) {
      const Symbols symbols = runs ? Runs(random, n, 20000) : Uniform(random, n, 3000);
      ExpectSlicesMatch(n, EStart::Uniform, symbols);
      CReferenceEncoder reference(static_cast<int>(n), 0);
      for (const std::uint32_t s : symbols)
        reference.Encode(static_cast<int>(s));
      const SOutcome outcome = EncodeInSlices(n, EStart::Uniform, symbols, symbols.size());
      EXPECT_EQ(outcome.done, 1);
      EXPECT_EQ(outcome.nbCoded, symbols.size());
      ASSERT_GT(outcome.bytes.size(), 2u);
      // Without the trailing field.
      EXPECT_EQ(Bytes(outcome.bytes.begin(), outcome.bytes.end() - 2), reference.Done()) << "n " << n;
    }
  }
}

// One symbol throughout: a run through every rescale, its frequency growing to almost the
// whole total; and slices with single calls between them.
TEST(RangeEncoderRun, OneLongRunAndSingleCallsBetweenSlices)
{
  const Symbols same(100000, 2);
  ExpectSlicesMatch(7, EStart::Uniform, same);
  std::mt19937 random(11);
  const Symbols symbols = Runs(random, 7, 5000);
  const SOutcome expected = EncodeOneByOne(7, EStart::Uniform, symbols);
  for (const std::size_t slice : {std::size_t(2), std::size_t(250)})
    EXPECT_EQ(EncodeInSlices(7, EStart::Uniform, symbols, slice, true).bytes, expected.bytes);
}

// Initial tables give other intervals and a first rescale of their own; order 2 goes one
// symbol at a time through its contexts.
TEST(RangeEncoderRun, EveryStartGivesTheSameBytes)
{
  std::mt19937 random(13);
  for (const EStart start : {EStart::Half, EStart::Preset, EStart::Gaussian, EStart::Order2}) {
    const Symbols symbols = Runs(random, 7, 6000);
    ExpectSlicesMatch(7, start, symbols);
  }
  // The preset table gives symbols 0 and 1 a frequency of 1: a run of them is still coded.
  ExpectSlicesMatch(7, EStart::Preset, Symbols(500, 1));
}

// The end symbol inside a slice is coded as Encode codes it, narrowing to the range's end: a
// run never continues through it, even where what follows is the end symbol again or a
// symbol that is no symbol.
TEST(RangeEncoderRun, TheEndSymbolInsideASlice)
{
  const std::uint32_t n = 7;
  const std::uint32_t end = n;
  const Symbols cases[] = {
      {2, 2, 2, end, 2, 2, 2},
      {2, end, end, end, 2},
      {end, end},
      {3, 3, end, ~std::uint32_t(0), 3},
      {4, 4, 4, end, n + 1},
  };
  for (const Symbols& symbols : cases)
    ExpectSlicesMatch(n, EStart::Uniform, symbols);
  // The end symbol's interval is what the range keeps above the others, not its frequency
  // times the unit: a difference that later symbols carry into the bytes.
  std::mt19937 random(3);
  Symbols ends(40, end);
  const Symbols after = Uniform(random, n, 400);
  ends.insert(ends.end(), after.begin(), after.end());
  ExpectSlicesMatch(n, EStart::Uniform, ends);
  // An alphabet of the end symbol alone.
  ExpectSlicesMatch(0, EStart::Uniform, Symbols{0, 0, 0});
}

// A symbol outside 0 .. n is refused: those before it coded, nothing after it, the refusal kept
// to Done; a refused start refuses every slice.
TEST(RangeEncoderRun, RefusalsAsOneByOne)
{
  std::mt19937 random(19);
  const std::uint32_t n = 5;
  for (const std::uint32_t bad : {n + 1, 4095u, ~std::uint32_t(0)}) {
    Symbols symbols = Runs(random, n, 3000);
    // In the middle of a run of one symbol.
    std::fill(symbols.begin() + 1000, symbols.begin() + 1400, 1u);
    symbols[1200] = bad;
    ExpectSlicesMatch(n, EStart::Uniform, symbols);
    const SOutcome outcome = EncodeInSlices(n, EStart::Uniform, symbols, symbols.size());
    EXPECT_EQ(outcome.nbCoded, 1200u);
    EXPECT_EQ(outcome.done, 0);
    EXPECT_EQ(outcome.answers.front(), 0);
  }
  const Symbols symbols = Runs(random, n, 500);
  ExpectSlicesMatch(n, EStart::Refused, symbols);
  const SOutcome refused = EncodeInSlices(n, EStart::Refused, symbols, 100);
  EXPECT_TRUE(std::all_of(refused.answers.begin(), refused.answers.end(), [](int a) { return a == 0; }));
  EXPECT_EQ(refused.done, 0);
  // An alphabet too large for any model.
  ExpectSlicesMatch(CFrequencyModel::MaxSymbols, EStart::Uniform, Symbols{1, 1, 1});
}

// No symbol: nothing changes, and the answer is 1.
TEST(RangeEncoderRun, AnEmptySliceCodesNothing)
{
  COBitStream stream;
  CRangeEncoder encoder(3);
  ASSERT_EQ(encoder.Start(), 1);
  const std::uint32_t none = 0;
  EXPECT_EQ(encoder.EncodeSymbols(&none, 0, &stream), 1);
  EXPECT_EQ(encoder.GetNbCoded(), 0u);
  EXPECT_EQ(stream.GetTotalBits(), 0u);
  const SOutcome expected = EncodeOneByOne(3, EStart::Uniform, {});
  EXPECT_EQ(Finish(encoder, stream, SOutcome{}), expected);
}
