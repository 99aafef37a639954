#include "CodingTestUtil.h"

#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

// Raw fields, a range-coded section, then more fields and the final pad: the mix every coder
// writes. Works on the memory stream and on the file alike.
void WriteMixed(COBitStream& out)
{
  out.WriteBits(5, 3);
  out.WriteFloat(-2.5f);
  CRangeEncoder encoder(6);
  ASSERT_EQ(encoder.StartOrderK(2), 1);
  for (std::uint32_t s : {0u, 5u, 5u, 1u, 3u, 0u, 0u, 2u})
    encoder.EncodeOrderK(s, &out);
  ASSERT_EQ(encoder.DoneOrderK(&out), 1);
  out.WriteBits(0x1234, 13);
  out.Flush(0);
  out.FlushStream();
}

} // namespace

TEST(BitStream, MemoryGivesTheFileBytesAndWritesThemOut)
{
  CTempFolder folder;
  const std::string fileName = folder.File("file.bin");
  const std::string copyName = folder.File("copy.bin");
  std::uint32_t fileBits = 0;
  {
    COBitFile file(fileName.c_str());
    WriteMixed(file);
    fileBits = file.GetTotalBits();
  }
  COBitStream memory;
  WriteMixed(memory);
  EXPECT_EQ(memory.GetTotalBits(), fileBits);
  EXPECT_EQ(memory.GetBytes(), ReadBytes(fileName));
  EXPECT_EQ(8 * memory.GetBytes().size(), memory.GetTotalBits());
  ASSERT_EQ(memory.WriteFile(copyName.c_str()), 1);
  EXPECT_EQ(ReadBytes(copyName), memory.GetBytes());
  EXPECT_EQ(memory.WriteFile(folder.File("no/such/folder.bin").c_str()), 0);
}

TEST(BitStream, MemoryReadsBackWhatWasWritten)
{
  COBitStream out;
  WriteMixed(out);
  CIBitStream in(out.GetBytes());
  EXPECT_EQ(in.BReadBits(3), 5u);
  EXPECT_EQ(in.ReadFloat(), -2.5f);
  CRangeDecoder decoder(6);
  ASSERT_EQ(decoder.StartOrderK(&in, 2), 1);
  std::vector<std::uint32_t> symbols;
  std::uint32_t s = 0;
  while (decoder.DecodeOrderK(&s, &in))
    symbols.push_back(s);
  EXPECT_EQ(decoder.DoneOrderK(&in), 1);
  EXPECT_EQ(symbols, (std::vector<std::uint32_t>{0, 5, 5, 1, 3, 0, 0, 2}));
  EXPECT_EQ(in.BReadBits(13), 0x1234u);
  EXPECT_TRUE(in.IsValid());
}

TEST(BitStream, RemainingBitsCountDownToZeroAndThePastEndIsRemembered)
{
  const Bytes bytes = {0xF0, 0x0F};
  CIBitStream in(bytes.data(), bytes.size());
  EXPECT_EQ(in.GetRemainingBits(), 16u);
  EXPECT_EQ(in.BReadBits(3), 7u);
  EXPECT_EQ(in.GetRemainingBits(), 13u);
  EXPECT_EQ(in.BReadBits(5), 0x01u); // the rest of 0xF0: 1, 0, 0, 0, 0
  EXPECT_EQ(in.GetRemainingBits(), 8u);
  EXPECT_EQ(in.GetAlignedByte(), 0x0F);
  EXPECT_EQ(in.GetRemainingBits(), 0u);
  EXPECT_TRUE(in.IsValid());
  EXPECT_EQ(in.ReadBit(), 0);
  EXPECT_TRUE(in.IsPastEnd());
  EXPECT_FALSE(in.IsValid());
  EXPECT_EQ(in.GetRemainingBits(), 0u);

  CIBitStream empty(Bytes{});
  EXPECT_EQ(empty.GetRemainingBits(), 0u);
  EXPECT_TRUE(empty.IsValid());
  EXPECT_EQ(empty.GetAlignedByte(), 0);
  EXPECT_FALSE(empty.IsValid());
}

TEST(BitStream, ClassIdsTellMemoryFromFile)
{
  CTempFolder folder;
  const std::string name = folder.File("id.bin");
  COBitStream out;
  CIBitStream in(Bytes{1});
  COBitFile outFile(name.c_str());
  CIBitFile inFile(name.c_str());
  EXPECT_EQ(out.ClassId(), 0x5006);
  EXPECT_EQ(in.ClassId(), 0x5003);
  EXPECT_TRUE(out.IsA(0x5000));
  EXPECT_FALSE(out.IsA(0x5005)); // a memory stream is not a file
  EXPECT_TRUE(outFile.IsA(0x5006)); // a file is a stream
  EXPECT_TRUE(inFile.IsA(0x5003));
  EXPECT_FALSE(in.IsA(0x5002));
  EXPECT_FALSE(in.IsA(0x5006));
  EXPECT_EQ(out.Clone(), nullptr);
  EXPECT_EQ(in.Clone(), nullptr);
}

TEST(BitStream, FileBytesReachTheDiskAtFlushStream)
{
  CTempFolder folder;
  const std::string name = folder.File("flushed.bin");
  COBitFile file(name.c_str());
  file.PutAlignedByte(0xAB);
  file.FlushStream();
  EXPECT_EQ(ReadBytes(name), Bytes({0xAB}));
  EXPECT_TRUE(file.GetBytes().empty()); // written bytes leave memory
  file.PutAlignedByte(0xCD);
  file.FlushStream();
  EXPECT_EQ(ReadBytes(name), Bytes({0xAB, 0xCD}));
}

namespace {

// Fields of random widths (0 to 32 bits), now and then an aligned byte or a pad.
struct CField
{
  std::uint32_t Value;
  int Width;
  int Kind; // 0 field, 1 aligned byte, 2 pad with ones
};

std::vector<CField> RandomFields(std::mt19937& random, int count)
{
  std::vector<CField> fields(count);
  for (CField& field : fields) {
    const std::uint32_t r = random();
    field.Kind = r % 23 == 0 ? 1 : r % 31 == 0 ? 2 : 0;
    field.Width = static_cast<int>(random() % 33);
    field.Value = random();
  }
  return fields;
}

void WriteFields(COBitStream& out, const std::vector<CField>& fields, bool bitwise)
{
  for (const CField& field : fields) {
    if (field.Kind == 1) {
      out.PutAlignedByte(static_cast<std::uint8_t>(field.Value));
    } else if (field.Kind == 2) {
      out.Flush(1);
    } else if (bitwise) {
      for (int i = 0; i < field.Width; i++)
        out.PutBit((field.Value >> i) & 1);
    } else {
      out.WriteBits(field.Value, field.Width);
    }
  }
}

} // namespace

TEST(BitStream, FieldsWrittenAtOnceMatchBitByBit)
{
  std::mt19937 random(3);
  for (int round = 0; round < 20; round++) {
    const std::vector<CField> fields = RandomFields(random, 400);
    COBitStream whole;
    COBitStream bitwise;
    WriteFields(whole, fields, false);
    WriteFields(bitwise, fields, true);
    ASSERT_EQ(whole.GetBytes(), bitwise.GetBytes()) << "round " << round;
    EXPECT_EQ(whole.GetTotalBits(), bitwise.GetTotalBits());
    EXPECT_EQ(whole.GetBitIndex(), bitwise.GetBitIndex());
    whole.Flush(0);
    bitwise.Flush(0);
    EXPECT_EQ(whole.GetBytes(), bitwise.GetBytes()) << "round " << round;
  }
  // Widths beyond 32 write 32 bits; negative widths nothing.
  COBitStream out;
  out.WriteBits(0x80000001u, 40);
  out.WriteBits(0xFFu, -3);
  EXPECT_EQ(out.GetBytes(), Bytes({0x80, 0x00, 0x00, 0x01}));
  EXPECT_EQ(out.GetTotalBits(), 32u);
}

TEST(BitStream, FieldsReadAtOnceMatchBitByBitUpToAndPastTheEnd)
{
  // Streams long enough that most fields are read well before the end, and some up to it.
  std::mt19937 random(4);
  for (int round = 0; round < 60; round++) {
    Bytes bytes(random() % 80);
    for (auto& byte : bytes)
      byte = static_cast<std::uint8_t>(random());
    CIBitStream whole(bytes);
    CIBitStream bitwise(bytes);
    for (int read = 0; read < 40; read++) {
      const int width = static_cast<int>(random() % 36);
      std::uint32_t value = 0;
      const int count = whole.ReadBitsUpTo(value, width);
      std::uint32_t expected = 0;
      int expectedCount = 0;
      while (expectedCount < width && expectedCount < 32) {
        std::uint32_t bit = 0;
        const int more = bitwise.GetBit(bit);
        expected |= bit << expectedCount++;
        if (!more)
          break;
      }
      ASSERT_EQ(count, expectedCount) << "round " << round << " read " << read;
      ASSERT_EQ(value, expected) << "round " << round << " read " << read;
      ASSERT_EQ(whole.GetTotalBits(), bitwise.GetTotalBits());
      ASSERT_EQ(whole.GetRemainingBits(), bitwise.GetRemainingBits());
      ASSERT_EQ(whole.IsPastEnd(), bitwise.IsPastEnd());
      ASSERT_EQ(whole.GetBitIndex(), bitwise.GetBitIndex());
    }
  }
  // A read that reaches the last bit stops there and tells how many bits it got.
  const Bytes one = {0xA5};
  CIBitStream in(one);
  std::uint32_t value = 0;
  EXPECT_EQ(in.ReadBitsUpTo(value, 3), 3);
  EXPECT_EQ(value, 0x5u); // 1, 0, 1 from the top of 0xA5
  EXPECT_EQ(in.ReadBitsUpTo(value, 16), 5);
  EXPECT_EQ(value, 0x14u); // 0, 0, 1, 0, 1, least significant first
  EXPECT_FALSE(in.IsPastEnd());
  EXPECT_EQ(in.ReadBitsUpTo(value, 4), 4);
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(in.IsPastEnd());
}

TEST(BitStream, WriteFileReplacesLongerAndShorterFilesWhole)
{
  CTempFolder folder;
  const std::string name = folder.File("replaced.bin");
  COBitStream longer;
  for (int i = 0; i < 3000; i++)
    longer.PutAlignedByte(static_cast<std::uint8_t>(i * 7));
  ASSERT_EQ(longer.WriteFile(name.c_str()), 1);
  EXPECT_EQ(ReadBytes(name), longer.GetBytes());

  COBitStream shorter;
  shorter.WriteBits(0x3C5A, 16);
  ASSERT_EQ(shorter.WriteFile(name.c_str()), 1);
  EXPECT_EQ(ReadBytes(name), Bytes({0x5A, 0x3C}));

  COBitStream empty;
  ASSERT_EQ(empty.WriteFile(name.c_str()), 1);
  EXPECT_TRUE(ReadBytes(name).empty());
  EXPECT_TRUE(std::filesystem::exists(name));

  ASSERT_EQ(longer.WriteFile(name.c_str()), 1);
  EXPECT_EQ(ReadBytes(name), longer.GetBytes());
  // Other bytes of the same length replace the old ones, none left over.
  COBitStream sameLength;
  for (int i = 0; i < 3000; i++)
    sameLength.PutAlignedByte(static_cast<std::uint8_t>(255 - i * 3));
  ASSERT_EQ(sameLength.WriteFile(name.c_str()), 1);
  EXPECT_EQ(ReadBytes(name), sameLength.GetBytes());
  EXPECT_NE(sameLength.GetBytes(), longer.GetBytes());
  // A folder is not written over.
  EXPECT_EQ(longer.WriteFile(folder.File("").c_str()), 0);
}
