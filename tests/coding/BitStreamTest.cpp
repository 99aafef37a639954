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
