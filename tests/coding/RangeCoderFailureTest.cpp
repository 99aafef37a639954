#include "CodingTestUtil.h"

#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A long section of 7 symbols plus its end, at order 1.
Bytes WriteSection(const std::string& name, std::vector<std::uint32_t>& symbols)
{
  std::mt19937 random(99);
  symbols.resize(6000);
  for (auto& s : symbols)
    s = random() % 3 ? random() % 3 : random() % 7;
  {
    COBitFile file(name.c_str());
    CRangeEncoder encoder(7);
    encoder.StartOrderK(1);
    for (std::uint32_t s : symbols)
      encoder.EncodeOrderK(s, &file);
    encoder.DoneOrderK(&file);
  }
  return ReadBytes(name);
}

// Decodes until Decode answers 0, as callers do, with no limit of their own.
int DecodeAll(const std::string& name, std::vector<std::uint32_t>& decoded)
{
  decoded.clear();
  CIBitFile file(name.c_str());
  CRangeDecoder decoder(7);
  if (!decoder.StartOrderK(&file, 1))
    return 0;
  std::uint32_t s = 0;
  while (decoder.DecodeOrderK(&s, &file))
    decoded.push_back(s);
  return decoder.DoneOrderK(&file);
}

} // namespace

TEST(RangeCoderFailure, ModelsThatCannotBeBuiltAreRefusedAtTheStart)
{
  CTempFolder folder;
  const std::string name = folder.File("refused.bin");
  {
    COBitFile file(name.c_str());
    CRangeEncoder wide(4096); // 4097 symbols cannot all have a frequency out of 4096
    EXPECT_EQ(wide.Start(), 0);
    EXPECT_EQ(wide.StartHalf(), 0);
    EXPECT_EQ(wide.IsValid(), 0);
    EXPECT_EQ(wide.Encode(1, &file), 0);
    EXPECT_EQ(wide.Done(&file), 0);

    CRangeEncoder widest(4095);
    EXPECT_EQ(widest.Start(), 1);
    EXPECT_EQ(widest.Done(&file), 1);

    CRangeEncoder contexts(4095); // 4095^3 contexts overflow 32 bits
    EXPECT_EQ(contexts.StartOrderK(3), 0);
    CRangeEncoder memory(256); // 256^3 models would need gigabytes
    EXPECT_EQ(memory.StartOrderK(3), 0);
    CRangeEncoder none(0);
    EXPECT_EQ(none.StartOrder1(), 0);
  }
  const Bytes bytes = ReadBytes(name); // only the one sound section was written
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(bytes.front(), 0x00);
  EXPECT_EQ(bytes.back(), bytes.size());

  CIBitFile file(name.c_str());
  CRangeDecoder decoder(5000);
  EXPECT_EQ(decoder.Start(&file), 0);
  std::uint32_t s = 0;
  EXPECT_EQ(decoder.Decode(&s, &file), 0);
  EXPECT_EQ(decoder.Done(&file), 0);
}

TEST(RangeCoderFailure, SymbolsWithoutFrequencyAreRefusedNotHung)
{
  CTempFolder folder;
  const std::string name = folder.File("zero.bin");
  {
    COBitFile file(name.c_str());
    CRangeEncoder encoder(9);
    ASSERT_EQ(encoder.StartHalf(), 1); // symbols 5 to 8 start with an empty interval
    EXPECT_EQ(encoder.Encode(1, &file), 1);
    EXPECT_EQ(encoder.Encode(7, &file), 0);
    EXPECT_EQ(encoder.IsValid(), 0);
    EXPECT_EQ(encoder.Done(&file), 0); // the section is closed, the loss reported

    CRangeEncoder outside(3);
    ASSERT_EQ(outside.Start(), 1);
    EXPECT_EQ(outside.Encode(4, &file), 0);
    EXPECT_EQ(outside.Done(&file), 0);
  }
  // Both sections are still well formed: each ends with its own length.
  const Bytes bytes = ReadBytes(name);
  ASSERT_GE(bytes.size(), 10u);
  const std::size_t second = bytes.size() - 5;
  EXPECT_EQ(bytes[second - 1], second);
  EXPECT_EQ(bytes.back(), 5);
}

// A sound section to damage.
class RangeCoderDamage : public testing::Test
{
protected:
  void SetUp() override
  {
    bytes = WriteSection(name, symbols);
    ASSERT_EQ(DecodeAll(name, decoded), 1);
    ASSERT_EQ(decoded, symbols);
  }

  CTempFolder folder;
  const std::string name = folder.File("damaged.bin");
  std::vector<std::uint32_t> symbols;
  std::vector<std::uint32_t> decoded;
  Bytes bytes;
};

TEST_F(RangeCoderDamage, TruncatedSectionsEndInFailure)
{
  for (std::size_t keep : {std::size_t(0), std::size_t(1), std::size_t(2), std::size_t(5),
                           bytes.size() / 2, bytes.size() - 4, bytes.size() - 1}) {
    WriteBytes(name, Bytes(bytes.begin(), bytes.begin() + keep));
    EXPECT_EQ(DecodeAll(name, decoded), 0) << "kept " << keep;
    EXPECT_LT(decoded.size(), symbols.size() + 10);
  }
}

TEST_F(RangeCoderDamage, CorruptedSectionsEndInFailure)
{  const std::size_t positions[] = {0, 1, 3, 10, bytes.size() / 3, bytes.size() / 2,
                                   bytes.size() - 3, bytes.size() - 2, bytes.size() - 1};
  for (std::size_t at : positions) {
    for (std::uint8_t flip : {0x01, 0x40, 0xFF}) {
      Bytes corrupt = bytes;
      corrupt[at] ^= flip;
      WriteBytes(name, corrupt);
      EXPECT_EQ(DecodeAll(name, decoded), 0) << "byte " << at << " flip " << int(flip);
    }
  }
  // A section read to its end symbol early, before its bytes are used up, fails too.
  Bytes longer = bytes;
  longer.insert(longer.end() - 4, 0x55);
  WriteBytes(name, longer);
  EXPECT_EQ(DecodeAll(name, decoded), 0);
}

TEST(RangeCoderFailure, NoiseNeverHangsTheDecoder)
{
  CTempFolder folder;
  const std::string name = folder.File("noise.bin");
  std::mt19937 random(41);
  for (int trial = 0; trial < 50; trial++) {
    Bytes noise(1 + random() % 400);
    for (auto& b : noise)
      b = static_cast<std::uint8_t>(random());
    noise[0] = 0;
    WriteBytes(name, noise);
    std::vector<std::uint32_t> decoded;
    EXPECT_EQ(DecodeAll(name, decoded), 0) << trial;
  }
}

TEST_F(RangeCoderDamage, DoneWithoutTheEndSymbolIsAFailure)
{
  CIBitFile file(name.c_str());
  CRangeDecoder decoder(7);
  ASSERT_EQ(decoder.StartOrderK(&file, 1), 1);
  std::uint32_t s = 0;
  for (int i = 0; i < 10; i++) {
    ASSERT_EQ(decoder.DecodeOrderK(&s, &file), 1);
    EXPECT_EQ(s, symbols[i]);
  }
  EXPECT_EQ(decoder.DoneOrderK(&file), 0);
}
