#include "CodingTestUtil.h"

#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <type_traits>

using Bytes = std::vector<std::uint8_t>;

static_assert(!std::is_copy_constructible_v<COBitFile>);
static_assert(!std::is_copy_constructible_v<CIBitFile>);
static_assert(!std::is_copy_assignable_v<COBitFile>);

TEST(OBitFile, BitsFillBytesFromTheTopAndValuesGoLowBitFirst)
{
  CTempFolder folder;
  const std::string name = folder.File("bits.bin");
  {
    COBitFile file(name.c_str());
    ASSERT_TRUE(file.IsValid());
    file.WriteBits(5, 3); // 1, 0, 1 into bits 7, 6, 5
    EXPECT_EQ(file.GetTotalBits(), 3u);
    file.Flush(0);
    EXPECT_EQ(file.GetTotalBits(), 8u);
  }
  EXPECT_EQ(ReadBytes(name), Bytes({0xA0}));
}

TEST(OBitFile, FlushOnABoundaryWritesAWholePadByte)
{
  CTempFolder folder;
  const std::string name = folder.File("pad.bin");
  {
    COBitFile file(name.c_str());
    file.Flush(0);
    EXPECT_EQ(file.GetTotalBits(), 8u);
    file.WriteBits(0xFF, 8);
    file.Flush(0);
    EXPECT_EQ(file.GetTotalBits(), 24u);
    file.PutBit(0);
    file.Flush(1); // pad bits take the given value
  }
  EXPECT_EQ(ReadBytes(name), Bytes({0x00, 0xFF, 0x00, 0x7F}));
}

TEST(OBitFile, AlignedBytesPadAPartialByteButNotABoundary)
{
  CTempFolder folder;
  const std::string name = folder.File("aligned.bin");
  {
    COBitFile file(name.c_str());
    file.WriteBits(7, 3);
    file.PutAlignedByte(0x7F);
    EXPECT_EQ(file.GetTotalBits(), 16u);
    file.PutAlignedByte(0x12); // already on a boundary: no pad byte
    EXPECT_EQ(file.GetTotalBits(), 24u);
    file.PutBit(1);
    file.Flush(0);
  }
  EXPECT_EQ(ReadBytes(name), Bytes({0xE0, 0x7F, 0x12, 0x80}));
}

TEST(OBitFile, FloatGoesAsItsPatternLowestBitFirst)
{
  CTempFolder folder;
  const std::string name = folder.File("float.bin");
  {
    COBitFile file(name.c_str());
    file.WriteFloat(1.0f); // 0x3F800000
  }
  EXPECT_EQ(ReadBytes(name), Bytes({0x00, 0x00, 0x01, 0xFC}));
  CIBitFile in(name.c_str());
  EXPECT_EQ(in.ReadFloat(), 1.0f);
  EXPECT_TRUE(in.IsValid());
}

TEST(BitFiles, MixedFieldsReadBackInOrder)
{
  CTempFolder folder;
  const std::string name = folder.File("mixed.bin");
  std::mt19937 random(7);
  std::vector<std::pair<std::uint32_t, int>> fields;
  for (int i = 0; i < 2000; i++) {
    const int n = static_cast<int>(random() % 33);
    const std::uint32_t value = n == 32 ? random() : random() & ((1u << n) - 1);
    fields.push_back({value, n});
  }
  {
    COBitFile file(name.c_str());
    for (const auto& [value, n] : fields)
      file.WriteBits(value | (n < 32 ? ~0u << n : 0), n); // bits above n are not written
    file.Flush(0);
  }
  CIBitFile in(name.c_str());
  for (const auto& [value, n] : fields)
    ASSERT_EQ(in.BReadBits(n), value) << n;
  EXPECT_TRUE(in.IsValid());
}

TEST(IBitFile, SignedIntsAndDoublesReadBack)
{
  CTempFolder folder;
  const std::string name = folder.File("signed.bin");
  const double pi = 3.14159265358979;
  std::uint64_t pattern = 0;
  std::memcpy(&pattern, &pi, sizeof pattern);
  {
    COBitFile file(name.c_str());
    const std::pair<int, std::uint32_t> ints[] = {
        {1, 5}, {0, 5}, {1, 0}, {1, 0x80000000u}, {0, 0xFFFFFFFFu}, {1, 0xFFFFFFFFu}};
    for (const auto& [sign, magnitude] : ints) {
      file.PutBit(sign);
      file.WriteBits(magnitude, 32);
    }
    file.WriteBits(static_cast<std::uint32_t>(pattern), 32);
    file.WriteBits(static_cast<std::uint32_t>(pattern >> 32), 32);
    file.Flush(0);
  }
  CIBitFile in(name.c_str());
  EXPECT_EQ(in.ReadSignedInt(32), -5);
  EXPECT_EQ(in.ReadSignedInt(32), 5);
  EXPECT_EQ(in.ReadSignedInt(32), 0);
  // The extremes wrap as 32-bit integers do, without overflow.
  EXPECT_EQ(in.ReadSignedInt(32), INT_MIN);
  EXPECT_EQ(in.ReadSignedInt(32), -1);
  EXPECT_EQ(in.ReadSignedInt(32), 1);
  EXPECT_EQ(in.ReadDouble(), pi);
  EXPECT_TRUE(in.IsValid());
}

TEST(IBitFile, ShortReadStopsAtTheEndAndIsTraced)
{
  CTempFolder folder;
  const std::string name = folder.File("short.bin");
  WriteBytes(name, {0xFF, 0x01, 0xC0});
  std::vector<std::string> lines;
  auto previous = platform::SetTraceSink([&](const std::string& line) { lines.push_back(line); });
  CIBitFile in(name.c_str());
  EXPECT_EQ(in.BReadBits(8), 0xFFu);
  EXPECT_TRUE(in.IsValid());
  // Two bytes left, the buffered one included: the last bit of 0x01 is value bit 7, the
  // first two of 0xC0 value bits 8 and 9.
  EXPECT_EQ(in.BReadBits(32), 0x380u);
  platform::SetTraceSink(previous);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "BReadBits: Nb bits effectively read: 16\n");
  // The file ended exactly there: nothing was read past it yet.
  EXPECT_TRUE(in.IsValid());
  EXPECT_EQ(in.ReadBit(), 0);
  EXPECT_TRUE(in.IsPastEnd());
  EXPECT_FALSE(in.IsValid());
}

TEST(IBitFile, AlignedBytesSkipTheRestOfAPartlyReadByte)
{
  CTempFolder folder;
  const std::string name = folder.File("skip.bin");
  WriteBytes(name, {0xA5, 0x3C, 0x99});
  CIBitFile in(name.c_str());
  EXPECT_EQ(in.ReadBit(), 1);
  EXPECT_EQ(in.GetAlignedByte(), 0x3C);
  EXPECT_EQ(in.GetTotalBits(), 16u);
  EXPECT_EQ(in.GetAlignedByte(), 0x99);
  EXPECT_TRUE(in.IsValid());
  EXPECT_EQ(in.GetAlignedByte(), 0); // past the end: zeros, and remembered
  EXPECT_TRUE(in.IsPastEnd());
}

TEST(BitFiles, FilesThatCannotBeOpenedReportFailure)
{
  CTempFolder folder;
  const std::string missing = folder.File("no/such/folder/file.bin");
  COBitFile out(missing.c_str());
  EXPECT_FALSE(out.IsValid());
  out.WriteBits(0xFFFF, 16); // harmless
  out.PutAlignedByte(1);
  out.Flush(0);
  EXPECT_FALSE(out.IsValid());

  CIBitFile in(missing.c_str());
  EXPECT_FALSE(in.IsValid());
  std::uint32_t value = 1;
  EXPECT_EQ(in.ReadBitsUpTo(value, 32), 8); // zeros up to the first byte boundary
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(in.IsPastEnd());
}

TEST(BitFiles, ClassIdsAndCloning)
{
  CTempFolder folder;
  const std::string name = folder.File("id.bin");
  CBitBuffer buffer;
  COBitFile out(name.c_str());
  CIBitFile in(name.c_str());
  EXPECT_EQ(buffer.ClassId(), 0x5000);
  EXPECT_EQ(out.ClassId(), 0x5005);
  EXPECT_EQ(in.ClassId(), 0x5002);
  EXPECT_TRUE(buffer.IsA(0x5000));
  EXPECT_FALSE(buffer.IsA(0x5005));
  EXPECT_TRUE(out.IsA(0x5005));
  EXPECT_TRUE(out.IsA(0x12345000)); // only the low 16 bits count
  EXPECT_FALSE(out.IsA(0x5002));
  EXPECT_TRUE(in.IsA(0x5000));
  EXPECT_TRUE(in.IsA(0x5002));

  out.WriteBits(3, 2);
  EXPECT_EQ(out.Clone(), nullptr); // one owner per stream
  EXPECT_EQ(in.Clone(), nullptr);
  buffer.Advance();
  const auto copy = buffer.Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetTotalBits(), 1u);
  EXPECT_EQ(copy->GetBitIndex(), 6u);
}

TEST(BitFiles, DumpShowsTheBufferState)
{
  CTempFolder folder;
  const std::string name = folder.File("dump.bin");
  COBitFile out(name.c_str());
  out.WriteBits(5, 3);
  std::ostringstream text;
  out.Dump(text);
  const std::string dump = text.str();
  EXPECT_EQ(dump.rfind("Buffer storing bit :  1 0 1 0 0 0 0 0\n"
                       "Current bit position : 4\n"
                       "Mask on the current bit : 16\n"
                       "Total number of bits read or write : 3\n"
                       "Pointer of the stream : ",
                       0),
            0u);
  EXPECT_NE(dump.find("\nOwner:True\n 1"), std::string::npos);
}
