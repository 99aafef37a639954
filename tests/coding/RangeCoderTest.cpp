#include "CodingTestUtil.h"
#include "RangeReference.h"

#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "platform/core/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Symbols = std::vector<std::uint32_t>;

int StartEncoder(CRangeEncoder& encoder, std::uint32_t order)
{
  return order == 1 ? encoder.StartOrder1() : encoder.StartOrderK(order);
}

// One section of the given order into a fresh file; returns the file's bytes.
Bytes EncodeSection(const std::string& name, std::uint32_t n, std::uint32_t order,
                    const Symbols& symbols)
{
  std::uint32_t totalBits = 0;
  {
    COBitFile file(name.c_str());
    CRangeEncoder encoder(n);
    EXPECT_EQ(StartEncoder(encoder, order), 1);
    for (std::uint32_t s : symbols)
      EXPECT_EQ(encoder.EncodeOrderK(s, &file), 1);
    EXPECT_EQ(encoder.DoneOrderK(&file), 1);
    EXPECT_EQ(encoder.GetNbCoded(), symbols.size() + 1);
    totalBits = file.GetTotalBits();
  }
  Bytes bytes = ReadBytes(name);
  EXPECT_EQ(totalBits, 8 * bytes.size());
  return bytes;
}

// Decodes one section; 1 when it ended well.
int DecodeSection(CIBitFile& file, std::uint32_t n, std::uint32_t order, Symbols& symbols,
                  std::size_t limit = 1u << 24)
{
  CRangeDecoder decoder(n);
  if (!decoder.StartOrderK(&file, order))
    return 0;
  std::uint32_t s = 0;
  while (symbols.size() < limit && decoder.DecodeOrderK(&s, &file))
    symbols.push_back(s);
  return decoder.DoneOrderK(&file);
}

Symbols RandomSymbols(std::mt19937& random, std::uint32_t n, std::size_t count, double skew)
{
  // skew 0: uniform; above: geometric-like, most symbols near 0.
  Symbols symbols(count);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (auto& s : symbols) {
    const double u = unit(random);
    const double x = skew > 0 ? -std::log(1.0 - u) / skew : u * n;
    s = std::min<std::uint32_t>(static_cast<std::uint32_t>(x), n - 1);
  }
  return symbols;
}

} // namespace

TEST(RangeCoder, EmptySectionIsFiveBytes)
{
  CTempFolder folder;
  const std::string name = folder.File("empty.bin");
  // End symbol 1 of two, each 2048: range 2^31 - 2^30 = 2^30 and low 2^30, no shift;
  // count 0 + 5; low has no bits below 23 so v = 2^30 >> 23 = 0x80.
  EXPECT_EQ(EncodeSection(name, 1, 0, {}), Bytes({0x00, 0x80, 0x00, 0x00, 0x05}));

  CIBitFile file(name.c_str());
  CRangeDecoder decoder(1);
  ASSERT_EQ(decoder.Start(&file), 1);
  std::uint32_t s = 7;
  EXPECT_EQ(decoder.Decode(&s, &file), 0);
  EXPECT_EQ(s, 7u);
  EXPECT_EQ(decoder.Done(&file), 1);
  EXPECT_EQ(decoder.GetNbByteRead(), 5u);
  EXPECT_EQ(file.GetTotalBits(), 40u);
  EXPECT_TRUE(file.IsValid());
}

TEST(RangeCoder, OneSymbolSectionByHand)
{
  CTempFolder folder;
  const std::string name = folder.File("one.bin");
  // Symbol 0 of [0, 2048): range 2^19 * 2048 = 2^30, low 0. The intervals stay until the
  // next rescale, so the end symbol [2048, 4096) gives range 2^30 - 2^29, low 2^29:
  // v = 2^29 >> 23 = 0x40.
  EXPECT_EQ(EncodeSection(name, 1, 0, {0}), Bytes({0x00, 0x40, 0x00, 0x00, 0x05}));
}

// Golden sections, derived once with the reference coder of RangeReference.h and kept.
TEST(RangeCoder, GoldenSections)
{
  CTempFolder folder;
  const std::string name = folder.File("golden.bin");
  struct CGolden
  {
    std::uint32_t N;
    std::uint32_t Order;
    Symbols Input;
    Bytes Output;
  };
  Symbols skewed;
  platform::Srand(1);
  for (int i = 0; i < 300; i++) {
    const int r = platform::Rand();
    skewed.push_back(r % 16 < 11 ? 0 : r % 5);
  }
  const CGolden goldens[] = {
      {3, 0, {0, 1, 2, 2, 2, 1, 0, 0, 2, 1}, {0x00, 0x1A, 0x90, 0xAD, 0x00, 0x00, 0x07}},
      {2, 2, {0, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 1, 1, 0, 0, 0, 1},
       {0x00, 0x27, 0x6B, 0x9F, 0xB0, 0x00, 0x00, 0x08}},
      {4, 1, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
              3, 3, 3, 3, 3, 3, 3, 0, 1, 2},
       {0x00, 0xC0, 0x04, 0xF4, 0xAA, 0x3F, 0x00, 0x00, 0x09}},
      {5, 0, skewed,
       {0x00, 0x04, 0xC5, 0xD2, 0x71, 0x75, 0x97, 0x68, 0x9A, 0x33, 0x97, 0x78, 0xBC, 0xCC, 0xEF,
        0x70, 0xA0, 0x0D, 0x25, 0xA2, 0x49, 0xD1, 0x51, 0x38, 0xC6, 0xFC, 0xB4, 0x38, 0x64, 0x9B,
        0xD5, 0x2B, 0x63, 0x32, 0x28, 0x92, 0xA3, 0xCB, 0x14, 0xA2, 0x8D, 0x84, 0xC4, 0xA0, 0xA9,
        0x81, 0xFE, 0x84, 0x07, 0xA4, 0xA2, 0xDD, 0x95, 0x07, 0x4A, 0x41, 0x7E, 0x00, 0x00, 0x3C}},
  };
  for (const CGolden& golden : goldens) {
    EXPECT_EQ(EncodeSection(name, golden.N, golden.Order, golden.Input), golden.Output)
        << "n " << golden.N << " order " << golden.Order;
  }
}

TEST(RangeCoder, BytesFollowTheReferenceAndDecodeForEveryOrder)
{
  CTempFolder folder;
  const std::string name = folder.File("round.bin");
  std::mt19937 random(5);
  const std::uint32_t alphabets[] = {1, 2, 3, 4, 7, 13, 16, 100, 255, 256, 777, 4095};
  for (std::uint32_t n : alphabets) {
    for (std::uint32_t order = 0; order <= (n <= 16 ? 3u : n <= 256 ? 2u : 1u); order++) {
      for (double skew : {0.0, 0.05, 1.0, 8.0}) {
        const Symbols symbols = RandomSymbols(random, n, random() % 12000, skew);
        const Bytes bytes = EncodeSection(name, n, order, symbols);
        CReferenceEncoder reference(static_cast<int>(n), static_cast<int>(order));
        for (std::uint32_t s : symbols)
          reference.Encode(static_cast<int>(s));
        ASSERT_EQ(bytes, reference.Done()) << "n " << n << " order " << order << " skew " << skew;
        EXPECT_EQ(bytes.front(), 0x00);
        const std::uint32_t length = bytes[bytes.size() - 3] << 16 |
                                     bytes[bytes.size() - 2] << 8 | bytes.back();
        EXPECT_EQ(length, bytes.size());

        CIBitFile file(name.c_str());
        Symbols decoded;
        ASSERT_EQ(DecodeSection(file, n, order, decoded), 1) << n << " " << order;
        ASSERT_EQ(decoded, symbols) << n << " " << order;
        EXPECT_EQ(file.GetTotalBits(), 8 * bytes.size());
      }
    }
  }
}

TEST(RangeCoder, SectionsFollowRawBitsAndEachOther)
{
  CTempFolder folder;
  const std::string name = folder.File("mixed.bin");
  std::mt19937 random(3);
  const Symbols first = RandomSymbols(random, 7, 5000, 0.5);
  const Symbols second = RandomSymbols(random, 300, 4000, 0.0);
  {
    COBitFile file(name.c_str());
    file.WriteBits(5, 3);
    CRangeEncoder a(7);
    ASSERT_EQ(a.StartOrderK(2), 1);
    for (std::uint32_t s : first)
      a.EncodeOrderK(s, &file);
    ASSERT_EQ(a.DoneOrderK(&file), 1);
    CRangeEncoder b(300);
    ASSERT_EQ(b.Start(), 1);
    for (std::uint32_t s : second)
      b.Encode(s, &file);
    ASSERT_EQ(b.Done(&file), 1);
    file.WriteBits(0x2A, 6);
    file.Flush(0);
  }
  const Bytes bytes = ReadBytes(name);
  EXPECT_EQ(bytes[0], 0xA0); // the 3 bits padded; the section starts on the next byte
  EXPECT_EQ(bytes[1], 0x00);

  CIBitFile file(name.c_str());
  EXPECT_EQ(file.BReadBits(3), 5u);
  Symbols decoded;
  ASSERT_EQ(DecodeSection(file, 7, 2, decoded), 1);
  EXPECT_EQ(decoded, first);
  decoded.clear();
  ASSERT_EQ(DecodeSection(file, 300, 0, decoded), 1);
  EXPECT_EQ(decoded, second);
  EXPECT_EQ(file.BReadBits(6), 0x2Au);
  EXPECT_TRUE(file.IsValid());
}

TEST(RangeCoder, OrderKContextsNumberTheHistory)
{
  CRangeEncoder encoder(4);
  ASSERT_EQ(encoder.StartOrderK(2), 1);
  EXPECT_EQ(encoder.GetNbModel(), 16u);
  CTempFolder folder;
  const std::string name = folder.File("context.bin");
  COBitFile file(name.c_str());
  encoder.EncodeOrderK(1, &file);
  EXPECT_EQ(encoder.GetContext(), 1u);
  encoder.EncodeOrderK(3, &file);
  EXPECT_EQ(encoder.GetContext(), 3u + 1u * 4u);
  encoder.EncodeOrderK(2, &file);
  EXPECT_EQ(encoder.GetContext(), 2u + 3u * 4u);
  EXPECT_EQ(CRangeCoderBase::IntPower(7, 4), 2401u);
  EXPECT_EQ(CRangeCoderBase::IntPower(9, 0), 1u);

  CRangeEncoder order1(5);
  ASSERT_EQ(order1.StartOrder1(), 1);
  EXPECT_EQ(order1.GetNbModel(), 5u);
  order1.EncodeOrder1(4, &file);
  EXPECT_EQ(order1.GetContext(), 4u);
  EXPECT_EQ(order1.DoneOrder1(&file), 1);
  EXPECT_EQ(encoder.DoneOrderK(&file), 1);
}

TEST(RangeCoder, ARunOfOneSymbolTakesAlmostAllTheFrequency)
{
  CTempFolder folder;
  const std::string name = folder.File("run.bin");
  COBitFile file(name.c_str());
  CRangeEncoder encoder(9);
  ASSERT_EQ(encoder.Start(), 1);
  for (int i = 0; i < 20000; i++)
    encoder.Encode(4, &file);
  const CFrequencyModel& model = encoder.GetModel(0);
  EXPECT_GT(model.GetFrequency(4), 4096u - 9u * 2u);
  for (int s = 0; s <= 9; s++) {
    if (s == 4)
      continue;
    EXPECT_GE(model.GetFrequency(s), 1u) << s;
  }
  EXPECT_EQ(encoder.Done(&file), 1);
  file.FlushStream();
  EXPECT_LT(ReadBytes(name).size(), 40u); // about 0.01 bit per symbol
}

TEST(RangeCoder, PresetTables)
{
  CRangeEncoder half(256);
  ASSERT_EQ(half.StartHalf(), 1);
  const CFrequencyModel& model = half.GetModel(0);
  EXPECT_EQ(model.GetFrequency(0), 4096u - 127u * 31u - 1u);
  EXPECT_EQ(model.GetFrequency(1), 31u);
  EXPECT_EQ(model.GetFrequency(127), 31u);
  EXPECT_EQ(model.GetFrequency(128), 0u);
  EXPECT_EQ(model.GetFrequency(255), 0u);
  EXPECT_EQ(model.GetFrequency(256), 1u);

  CRangeEncoder preset(7);
  ASSERT_EQ(preset.StartPreset(), 1);
  const unsigned int expected[] = {1, 1, 818, 818, 818, 818, 821, 1};
  for (int s = 0; s < 8; s++)
    EXPECT_EQ(preset.GetModel(0).GetFrequency(s), expected[s]);
  CRangeEncoder wrongPreset(8);
  EXPECT_EQ(wrongPreset.StartPreset(), 0);

  CRangeEncoder gaussian(12);
  ASSERT_EQ(gaussian.StartGaussian(4.0), 1);
  const CFrequencyModel& g = gaussian.GetModel(0);
  EXPECT_EQ(g.GetFrequency(0), 1u);
  EXPECT_EQ(g.GetFrequency(2), 1u);
  EXPECT_EQ(g.GetFrequency(12), 1u);
  // Symmetric around 6, floors of exp(-(j-6)^2/s) shares, the rest added to 6.
  double sum = 0;
  for (int j = 3; j <= 11; j++)
    sum += std::exp(-(j - 6.0) * (j - 6.0) / 4.0);
  EXPECT_EQ(g.GetFrequency(5), static_cast<unsigned int>(std::floor(std::exp(-0.25) / sum * 4096)));
  EXPECT_EQ(g.GetFrequency(5), g.GetFrequency(7));
  EXPECT_GT(g.GetFrequency(6), g.GetFrequency(5));
  EXPECT_EQ(gaussian.StartGaussian(0.0), 0);
  CRangeEncoder smallGaussian(6);
  EXPECT_EQ(smallGaussian.StartGaussian(4.0), 0);
}

TEST(RangeCoder, PresetSectionsFollowTheReference)
{
  CTempFolder folder;
  const std::string name = folder.File("preset.bin");
  std::mt19937 random(17);
  const Symbols sevens = RandomSymbols(random, 7, 3000, 0.0);
  Symbols halves = RandomSymbols(random, 128, 3000, 0.0); // StartHalf codes the lower half
  const auto encode = [&](CRangeEncoder& encoder, const Symbols& symbols) {
    {
      COBitFile file(name.c_str());
      for (std::uint32_t s : symbols)
        EXPECT_EQ(encoder.Encode(s, &file), 1);
      EXPECT_EQ(encoder.Done(&file), 1);
    }
    return ReadBytes(name);
  };
  const auto reference = [](int n, const std::vector<int>& table, const Symbols& symbols) {
    CReferenceEncoder coder(n, 0, table);
    for (std::uint32_t s : symbols)
      coder.Encode(static_cast<int>(s));
    return coder.Done();
  };

  CRangeEncoder preset(7);
  preset.StartPreset();
  EXPECT_EQ(encode(preset, sevens), reference(7, {1, 1, 818, 818, 818, 818, 821, 1}, sevens));

  CRangeEncoder half(256);
  half.StartHalf();
  std::vector<int> table(257, 0);
  for (int i = 0; i < 128; i++)
    table[i] = 4096 / 129;
  table[256] = 1;
  table[0] = 4096 - 127 * (4096 / 129) - 1;
  EXPECT_EQ(encode(half, halves), reference(256, table, halves));
}

TEST(RangeCoder, ShiftAndFrequencyInterface)
{
  CTempFolder folder;
  const std::string name = folder.File("interface.bin");
  std::mt19937 random(23);
  std::vector<std::uint32_t> bytes(500), shorts(500), thousands(500);
  for (std::size_t i = 0; i < bytes.size(); i++) {
    bytes[i] = random() & 0xFF;
    shorts[i] = random() & 0xFFFF;
    thousands[i] = random() % 1000;
  }
  {
    COBitFile file(name.c_str());
    CRangeEncoder encoder(0);
    encoder.StartEncoding();
    for (std::size_t i = 0; i < bytes.size(); i++) {
      ASSERT_EQ(encoder.EncodeShift(1, bytes[i], 8, &file), 1);
      ASSERT_EQ(encoder.EncodeShift(1, shorts[i], 16, &file), 1);
      ASSERT_EQ(encoder.EncodeFreq(1, thousands[i], 1000, &file), 1);
    }
    encoder.DoneEncoding(&file);
    // Empty or outside intervals are refused instead of emptying the range.
    EXPECT_EQ(encoder.EncodeShift(0, 3, 8, &file), 0);
    EXPECT_EQ(encoder.EncodeShift(2, 255, 8, &file), 0);
    EXPECT_EQ(encoder.EncodeFreq(1, 0, 0, &file), 0);
    EXPECT_EQ(encoder.EncodeShift(1, 0, 17, &file), 0);
  }
  CIBitFile file(name.c_str());
  CRangeDecoder decoder(0);
  EXPECT_EQ(decoder.StartDecoding(&file), 0);
  for (std::size_t i = 0; i < bytes.size(); i++) {
    ASSERT_EQ(decoder.DecodeByte(&file), bytes[i]) << i;
    ASSERT_EQ(decoder.DecodeShort(&file), shorts[i]) << i;
    const std::uint32_t t = decoder.DecodeCulFreq(1000, &file);
    ASSERT_EQ(t, thousands[i]) << i;
    decoder.DecodeUpdate(1, t, 1000);
  }
  decoder.DoneDecoding(&file);
  EXPECT_TRUE(decoder.IsValid());
  EXPECT_EQ(8 * decoder.GetNbByteRead(), file.GetTotalBits());
  EXPECT_EQ(decoder.GetNbByteRead(), ReadBytes(name).size());
}
