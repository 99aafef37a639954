#include "platform/core/MetafileWriter.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using platform::CMetafileWriter;
using platform::CPoint;
using platform::Rgb;

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
  return std::uint32_t(bytes[at]) | (std::uint32_t(bytes[at + 1]) << 8) |
         (std::uint32_t(bytes[at + 2]) << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}

struct Record
{
  std::uint32_t type = 0;
  std::size_t offset = 0;
  std::uint32_t size = 0;
  std::int32_t Field(const std::vector<std::uint8_t>& bytes, int i) const
  {
    return std::int32_t(Le32(bytes, offset + 8 + 4 * std::size_t(i)));
  }
};

// Splits a metafile into records, failing the test on any size that does not tile the file.
std::vector<Record> ParseRecords(const std::vector<std::uint8_t>& bytes)
{
  std::vector<Record> records;
  std::size_t at = 0;
  while (at + 8 <= bytes.size()) {
    Record record{Le32(bytes, at), at, Le32(bytes, at + 4)};
    EXPECT_GE(record.size, 8u);
    EXPECT_EQ(record.size % 4, 0u);
    if (record.size < 8 || at + record.size > bytes.size())
      break;
    records.push_back(record);
    at += record.size;
  }
  EXPECT_EQ(at, bytes.size());
  return records;
}

std::vector<std::uint32_t> Types(const std::vector<Record>& records)
{
  std::vector<std::uint32_t> types;
  for (const Record& record : records)
    types.push_back(record.type);
  return types;
}

} // namespace

TEST(MetafileWriter, EmptyMetafileHasHeaderAndEnd)
{
  CMetafileWriter writer;
  const std::vector<std::uint8_t>& bytes = writer.Close();
  const std::vector<Record> records = ParseRecords(bytes);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].type, platform::EMR_HEADER);
  EXPECT_EQ(records[0].size, 108u);
  EXPECT_EQ(Le32(bytes, 40), 0x464D4520u);  // " EMF"
  EXPECT_EQ(Le32(bytes, 48), bytes.size());
  EXPECT_EQ(Le32(bytes, 52), 2u);
  EXPECT_EQ(records[1].type, platform::EMR_EOF);
  EXPECT_EQ(records[1].size, 20u);
  EXPECT_EQ(Le32(bytes, bytes.size() - 4), 20u);
  // Nothing drawn: empty bounds.
  EXPECT_GT(records[0].Field(bytes, 0), records[0].Field(bytes, 2));
}

TEST(MetafileWriter, RecordsTileTheFileAndHeaderCountsThem)
{
  CMetafileWriter writer(1000, 500, 250, 125);
  writer.SetMapMode(platform::MM_TEXT);
  const int pen = writer.CreatePen(1, Rgb(1, 2, 3));
  const int brush = writer.CreateSolidBrush(Rgb(200, 100, 50));
  EXPECT_NE(pen, brush);
  const int oldPen = writer.SelectObject(pen);
  const int oldBrush = writer.SelectObject(brush);
  EXPECT_NE(oldPen, 0);
  EXPECT_NE(oldBrush, 0);
  const CPoint triangle[3] = {{10, -20}, {30, -5}, {15, 40}};
  writer.Polygon(triangle, 3);
  writer.MoveTo(-7, 3);
  writer.LineTo(100, 9);
  writer.TextOut(50, 60, "Hé");
  EXPECT_EQ(writer.SelectObject(oldPen), pen);
  EXPECT_EQ(writer.SelectObject(oldBrush), brush);
  EXPECT_TRUE(writer.DeleteObject(pen));
  EXPECT_TRUE(writer.DeleteObject(brush));
  EXPECT_FALSE(writer.DeleteObject(brush));
  const std::vector<std::uint8_t> bytes = writer.Close();

  const std::vector<Record> records = ParseRecords(bytes);
  using namespace platform;
  const std::vector<std::uint32_t> expected = {
    EMR_HEADER,       EMR_SETMAPMODE,   EMR_CREATEPEN,     EMR_CREATEBRUSHINDIRECT,
    EMR_SELECTOBJECT, EMR_SELECTOBJECT, EMR_POLYGON,       EMR_MOVETOEX,
    EMR_LINETO,       EMR_EXTTEXTOUTW,  EMR_SELECTOBJECT,  EMR_SELECTOBJECT,
    EMR_DELETEOBJECT, EMR_DELETEOBJECT, EMR_EOF};
  ASSERT_EQ(Types(records), expected);
  EXPECT_EQ(Le32(bytes, 48), bytes.size());
  EXPECT_EQ(Le32(bytes, 52), records.size());
  EXPECT_EQ(Le32(bytes, 56) & 0xFFFF, 3u);  // two objects + the reserved slot 0

  // Bounds: inclusive union of the triangle, the line and the text reference point.
  EXPECT_EQ(records[0].Field(bytes, 0), -7);
  EXPECT_EQ(records[0].Field(bytes, 1), -20);
  EXPECT_EQ(records[0].Field(bytes, 2), 100);
  EXPECT_EQ(records[0].Field(bytes, 3), 60);
  // Frame in 0.01 mm: 4 pixels per millimetre.
  EXPECT_EQ(records[0].Field(bytes, 6), 101 * 25);

  const Record& createPen = records[2];
  EXPECT_EQ(createPen.size, 28u);
  EXPECT_EQ(createPen.Field(bytes, 0), pen);
  EXPECT_EQ(createPen.Field(bytes, 2), 1);
  EXPECT_EQ(std::uint32_t(createPen.Field(bytes, 4)), Rgb(1, 2, 3));
  EXPECT_EQ(records[3].size, 24u);
  EXPECT_EQ(std::uint32_t(records[3].Field(bytes, 2)), Rgb(200, 100, 50));

  const Record& polygon = records[6];
  EXPECT_EQ(polygon.size, 8u + 16u + 4u + 3u * 8u);
  EXPECT_EQ(polygon.Field(bytes, 0), 10);
  EXPECT_EQ(polygon.Field(bytes, 1), -20);
  EXPECT_EQ(polygon.Field(bytes, 2), 30);
  EXPECT_EQ(polygon.Field(bytes, 3), 40);
  EXPECT_EQ(polygon.Field(bytes, 4), 3);
  EXPECT_EQ(polygon.Field(bytes, 9), 15);
  EXPECT_EQ(polygon.Field(bytes, 10), 40);

  const Record& text = records[9];
  EXPECT_EQ(text.Field(bytes, 7), 50);
  EXPECT_EQ(text.Field(bytes, 8), 60);
  EXPECT_EQ(text.Field(bytes, 9), 2);  // two UTF-16 units
  const std::uint32_t offString = std::uint32_t(text.Field(bytes, 10));
  EXPECT_EQ(bytes[text.offset + offString], 'H');
  EXPECT_EQ(bytes[text.offset + offString + 2], 0xE9);
  EXPECT_LE(std::uint32_t(text.Field(bytes, 16)) + 8u, text.size);  // advances inside
}

TEST(MetafileWriter, FillRectCoversHalfOpenRectangleAndRestoresSelection)
{
  CMetafileWriter writer;
  writer.FillRect({5, 6, 9, 10}, Rgb(0, 0, 255));
  writer.FillRect({5, 6, 5, 10}, Rgb(0, 0, 255));  // empty: nothing
  const std::vector<std::uint8_t> bytes = writer.Close();
  const std::vector<Record> records = ParseRecords(bytes);
  using namespace platform;
  const std::vector<std::uint32_t> expected = {
    EMR_HEADER,       EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT, EMR_SELECTOBJECT,
    EMR_RECTANGLE,    EMR_SELECTOBJECT,        EMR_SELECTOBJECT, EMR_DELETEOBJECT,
    EMR_EOF};
  ASSERT_EQ(Types(records), expected);
  EXPECT_EQ(records[4].Field(bytes, 2), 10);  // right + 1 under the null pen
  EXPECT_EQ(records[0].Field(bytes, 2), 8);   // bounds are inclusive
  EXPECT_EQ(records[0].Field(bytes, 3), 9);
}

TEST(MetafileWriter, HandlesAreReusedAndBadOnesRefused)
{
  CMetafileWriter writer;
  const int first = writer.CreatePen(0, 0);
  EXPECT_TRUE(writer.DeleteObject(first));
  EXPECT_EQ(writer.CreateSolidBrush(0), first);
  EXPECT_EQ(writer.SelectObject(999), 0);
  EXPECT_FALSE(writer.DeleteObject(-5));
  const CPoint one[1] = {{1, 1}};
  writer.Polygon(one, 1);  // too few points: no record
  const std::vector<std::uint8_t> bytes = writer.Close();
  EXPECT_EQ(ParseRecords(bytes).size(), 5u);
  // Closed: further drawing is ignored.
  writer.LineTo(4, 4);
  EXPECT_EQ(writer.Close().size(), bytes.size());
}

TEST(MetafileWriter, SaveWritesTheClosedBytes)
{
  CTempFolder folder;
  CMetafileWriter writer;
  writer.MoveTo(0, 0);
  writer.LineTo(3, 4);
  ASSERT_TRUE(writer.Save(folder.File("out.emf")));
  EXPECT_EQ(ReadBytes(folder.File("out.emf")), writer.Close());
  EXPECT_FALSE(writer.Save(folder.File("missing/out.emf")));
}
