#pragma once

// A reader of enhanced metafiles for the tests, independent of the writer: it walks the
// records by their sizes and checks the header's own counts against what it finds.
#include <cstdint>
#include <vector>

struct SEmfRecord
{
  std::uint32_t Type;
  std::size_t Offset;
  std::uint32_t Size;
};

class CEmfReader
{
public:
  enum : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_LINETO = 54
  };

  explicit CEmfReader(std::vector<std::uint8_t> bytes) : m_Bytes(std::move(bytes))
  {
    for (std::size_t at = 0; at + 8 <= m_Bytes.size();) {
      const std::uint32_t size = Le32(at + 4);
      if (size < 8 || size % 4 != 0 || at + size > m_Bytes.size())
        return;
      m_Records.push_back({Le32(at), at, size});
      at += size;
    }
    m_Valid = !m_Records.empty() && m_Records.front().Type == EMR_HEADER &&
              m_Records.back().Type == EMR_EOF && Le32(40) == 0x464D4520 &&
              Le32(48) == m_Bytes.size() && Le32(52) == m_Records.size();
  }

  // Header first, end record last, signature, total size and record count all agree.
  bool IsValid() const { return m_Valid; }
  const std::vector<SEmfRecord>& Records() const { return m_Records; }

  int Count(std::uint32_t type) const
  {
    int n = 0;
    for (const SEmfRecord& record : m_Records)
      n += record.Type == type ? 1 : 0;
    return n;
  }
  // The mode of the first mapping-mode record, or 0.
  std::uint32_t MapMode() const
  {
    for (const SEmfRecord& record : m_Records)
      if (record.Type == EMR_SETMAPMODE)
        return Le32(record.Offset + 8);
    return 0;
  }
  // Colours of the pens (LOGPEN colour) or brushes (LOGBRUSH colour), in order.
  std::vector<std::uint32_t> Colors(std::uint32_t type) const
  {
    const std::size_t at = type == EMR_CREATEPEN ? 24 : 16;
    std::vector<std::uint32_t> colors;
    for (const SEmfRecord& record : m_Records)
      if (record.Type == type)
        colors.push_back(Le32(record.Offset + at));
    return colors;
  }

private:
  std::uint32_t Le32(std::size_t at) const
  {
    if (at + 4 > m_Bytes.size())
      return 0;
    return std::uint32_t(m_Bytes[at]) | (std::uint32_t(m_Bytes[at + 1]) << 8) |
           (std::uint32_t(m_Bytes[at + 2]) << 16) | (std::uint32_t(m_Bytes[at + 3]) << 24);
  }

  std::vector<std::uint8_t> m_Bytes;
  std::vector<SEmfRecord> m_Records;
  bool m_Valid = false;
};
