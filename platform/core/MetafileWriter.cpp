#include "platform/core/MetafileWriter.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace platform {

namespace {

constexpr std::uint32_t kHeaderSize = 108;
constexpr int kStockWhiteBrush = int(ENHMETA_STOCK_OBJECT | 0u);
constexpr int kStockNullPen = int(ENHMETA_STOCK_OBJECT | 8u);
constexpr int kStockBlackPen = int(ENHMETA_STOCK_OBJECT | 7u);

bool IsStock(int handle) { return (std::uint32_t(handle) & ENHMETA_STOCK_OBJECT) != 0; }

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::vector<std::uint16_t> ToUtf16(const std::string& text)
{
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    std::uint32_t code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    bool valid = extra >= 0 && i + std::size_t(extra) < text.size();
    for (int k = 1; valid && k <= extra; k++) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      units.push_back(0xFFFD);
      i++;
      continue;
    }
    i += std::size_t(extra) + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      units.push_back(std::uint16_t(0xD800 | (code >> 10)));
      units.push_back(std::uint16_t(0xDC00 | (code & 0x3FF)));
    } else
      units.push_back(std::uint16_t(code));
  }
  return units;
}

} // namespace

CMetafileWriter::CMetafileWriter(int devicePixelsX, int devicePixelsY, int deviceMmX,
                                 int deviceMmY)
  : m_SelectedPen(kStockBlackPen), m_SelectedBrush(kStockWhiteBrush),
    m_DevicePixelsX(std::max(1, devicePixelsX)), m_DevicePixelsY(std::max(1, devicePixelsY)),
    m_DeviceMmX(std::max(1, deviceMmX)), m_DeviceMmY(std::max(1, deviceMmY))
{
  m_Bytes.assign(kHeaderSize, 0);  // filled in by Close
  m_NbRecords = 1;
}

void CMetafileWriter::Put32(std::uint32_t value)
{
  for (int i = 0; i < 4; i++)
    m_Bytes.push_back(std::uint8_t(value >> (8 * i)));
}

void CMetafileWriter::Put16(std::uint16_t value)
{
  m_Bytes.push_back(std::uint8_t(value));
  m_Bytes.push_back(std::uint8_t(value >> 8));
}

void CMetafileWriter::PutAt(std::size_t offset, std::uint32_t value)
{
  for (int i = 0; i < 4; i++)
    m_Bytes[offset + i] = std::uint8_t(value >> (8 * i));
}

std::size_t CMetafileWriter::BeginRecord(std::uint32_t type)
{
  const std::size_t start = m_Bytes.size();
  Put32(type);
  Put32(0);
  return start;
}

void CMetafileWriter::EndRecord(std::size_t start)
{
  while (m_Bytes.size() % 4 != 0)
    m_Bytes.push_back(0);
  PutAt(start + 4, std::uint32_t(m_Bytes.size() - start));
  m_NbRecords++;
}

void CMetafileWriter::SimpleRecord(std::uint32_t type, std::uint32_t value)
{
  if (m_Closed)
    return;
  const std::size_t start = BeginRecord(type);
  Put32(value);
  EndRecord(start);
}

void CMetafileWriter::Include(int x, int y)
{
  if (!m_HasBounds) {
    m_Bounds = {x, y, x, y};
    m_HasBounds = true;
    return;
  }
  m_Bounds.left = std::min(m_Bounds.left, x);
  m_Bounds.top = std::min(m_Bounds.top, y);
  m_Bounds.right = std::max(m_Bounds.right, x);
  m_Bounds.bottom = std::max(m_Bounds.bottom, y);
}

void CMetafileWriter::SetMapMode(int mode) { SimpleRecord(EMR_SETMAPMODE, std::uint32_t(mode)); }

void CMetafileWriter::SetBkModeTransparent() { SimpleRecord(EMR_SETBKMODE, 1); }

int CMetafileWriter::SetStretchBltMode(int mode)
{
  if (mode < BLACKONWHITE || mode > HALFTONE)
    return 0;
  const int previous = m_StretchMode;
  m_StretchMode = mode;
  SimpleRecord(EMR_SETSTRETCHBLTMODE, std::uint32_t(mode));
  return previous;
}

int CMetafileWriter::SetDIBitsToDevice(int, int, int, int, int, int, int, int,
                                       const std::uint8_t*, const BitmapInfoHeader&,
                                       const std::uint8_t*, int)
{
  return 0;
}

int CMetafileWriter::StretchDIBits(int, int, int, int, int, int, int, int, const std::uint8_t*,
                                   const BitmapInfoHeader&, const std::uint8_t*, int,
                                   std::uint32_t)
{
  return 0;
}

const Palette* CMetafileWriter::SelectPalette(const Palette* palette, bool)
{
  const Palette* previous = m_pPalette;
  m_pPalette = palette;
  return previous;
}

int CMetafileWriter::NewObject(ObjectKind kind)
{
  auto free = std::find(m_Objects.begin(), m_Objects.end(), ObjectKind::None);
  if (free == m_Objects.end())
    free = m_Objects.insert(m_Objects.end(), kind);
  *free = kind;
  return int(free - m_Objects.begin()) + 1;
}

CMetafileWriter::ObjectKind CMetafileWriter::KindOf(int handle) const
{
  if (handle == kStockNullPen || handle == kStockBlackPen)
    return ObjectKind::Pen;
  if (handle == kStockWhiteBrush)
    return ObjectKind::Brush;
  if (handle < 1 || handle > int(m_Objects.size()))
    return ObjectKind::None;
  return m_Objects[std::size_t(handle) - 1];
}

int CMetafileWriter::CreatePen(int width, ColorRef color)
{
  if (m_Closed)
    return 0;
  const int handle = NewObject(ObjectKind::Pen);
  const std::size_t start = BeginRecord(EMR_CREATEPEN);
  Put32(std::uint32_t(handle));
  Put32(0);  // PS_SOLID
  Put32(std::uint32_t(std::max(0, width)));
  Put32(0);
  Put32(color & 0x00FFFFFF);
  EndRecord(start);
  return handle;
}

int CMetafileWriter::CreateSolidBrush(ColorRef color)
{
  if (m_Closed)
    return 0;
  const int handle = NewObject(ObjectKind::Brush);
  const std::size_t start = BeginRecord(EMR_CREATEBRUSHINDIRECT);
  Put32(std::uint32_t(handle));
  Put32(0);  // BS_SOLID
  Put32(color & 0x00FFFFFF);
  Put32(0);
  EndRecord(start);
  return handle;
}

int CMetafileWriter::SelectObject(int handle)
{
  const ObjectKind kind = KindOf(handle);
  if (m_Closed || kind == ObjectKind::None)
    return 0;
  int& selected = kind == ObjectKind::Pen ? m_SelectedPen : m_SelectedBrush;
  const int previous = selected;
  selected = handle;
  SimpleRecord(EMR_SELECTOBJECT, std::uint32_t(handle));
  return previous;
}

bool CMetafileWriter::DeleteObject(int handle)
{
  if (m_Closed || IsStock(handle) || KindOf(handle) == ObjectKind::None)
    return false;
  // A selected object stays in use until something else is selected: fall back to stock.
  if (handle == m_SelectedPen)
    SelectObject(kStockBlackPen);
  if (handle == m_SelectedBrush)
    SelectObject(kStockWhiteBrush);
  m_Objects[std::size_t(handle) - 1] = ObjectKind::None;
  SimpleRecord(EMR_DELETEOBJECT, std::uint32_t(handle));
  return true;
}

void CMetafileWriter::MoveTo(int x, int y)
{
  if (m_Closed)
    return;
  const std::size_t start = BeginRecord(EMR_MOVETOEX);
  Put32(std::uint32_t(x));
  Put32(std::uint32_t(y));
  EndRecord(start);
  m_CurrentX = x;
  m_CurrentY = y;
}

void CMetafileWriter::LineTo(int x, int y)
{
  if (m_Closed)
    return;
  const std::size_t start = BeginRecord(EMR_LINETO);
  Put32(std::uint32_t(x));
  Put32(std::uint32_t(y));
  EndRecord(start);
  Include(m_CurrentX, m_CurrentY);
  Include(x, y);
  m_CurrentX = x;
  m_CurrentY = y;
}

void CMetafileWriter::PointsRecord(std::uint32_t type, const CPoint* points, int count)
{
  if (m_Closed || points == nullptr || count < 2)
    return;
  CRect box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (int i = 1; i < count; i++) {
    box.left = std::min(box.left, points[i].x);
    box.top = std::min(box.top, points[i].y);
    box.right = std::max(box.right, points[i].x);
    box.bottom = std::max(box.bottom, points[i].y);
  }
  const std::size_t start = BeginRecord(type);
  Put32(std::uint32_t(box.left));
  Put32(std::uint32_t(box.top));
  Put32(std::uint32_t(box.right));
  Put32(std::uint32_t(box.bottom));
  Put32(std::uint32_t(count));
  for (int i = 0; i < count; i++) {
    Put32(std::uint32_t(points[i].x));
    Put32(std::uint32_t(points[i].y));
  }
  EndRecord(start);
  Include(box.left, box.top);
  Include(box.right, box.bottom);
}

void CMetafileWriter::Polygon(const CPoint* points, int count)
{
  PointsRecord(EMR_POLYGON, points, count);
}

void CMetafileWriter::Polyline(const CPoint* points, int count)
{
  PointsRecord(EMR_POLYLINE, points, count);
}

void CMetafileWriter::FillRect(const CRect& rect, ColorRef color)
{
  if (m_Closed || rect.Width() <= 0 || rect.Height() <= 0)
    return;
  // A rectangle drawn without a pen covers [left, right - 1) x [top, bottom - 1).
  const int brush = CreateSolidBrush(color);
  const int oldPen = SelectObject(kStockNullPen);
  const int oldBrush = SelectObject(brush);
  const std::size_t start = BeginRecord(EMR_RECTANGLE);
  Put32(std::uint32_t(rect.left));
  Put32(std::uint32_t(rect.top));
  Put32(std::uint32_t(rect.right + 1));
  Put32(std::uint32_t(rect.bottom + 1));
  EndRecord(start);
  Include(rect.left, rect.top);
  Include(rect.right - 1, rect.bottom - 1);
  SelectObject(oldBrush);
  SelectObject(oldPen);
  DeleteObject(brush);
}

void CMetafileWriter::TextOut(int x, int y, const std::string& text)
{
  const std::vector<std::uint16_t> units = ToUtf16(text);
  if (m_Closed || units.empty())
    return;
  constexpr std::uint32_t kFixedSize = 76;
  const std::uint32_t stringBytes = std::uint32_t((units.size() * 2 + 3) / 4 * 4);
  const std::size_t start = BeginRecord(EMR_EXTTEXTOUTW);
  // Bounds unknown without font metrics: the empty rectangle tells readers to ignore them.
  Put32(0);
  Put32(0);
  Put32(std::uint32_t(-1));
  Put32(std::uint32_t(-1));
  Put32(1);  // GM_COMPATIBLE
  Put32(0);  // exScale, eyScale: unused in that mode
  Put32(0);
  Put32(std::uint32_t(x));
  Put32(std::uint32_t(y));
  Put32(std::uint32_t(units.size()));
  Put32(kFixedSize);
  Put32(0);  // options
  for (int i = 0; i < 4; i++)
    Put32(0);  // clipping rectangle, unused
  Put32(kFixedSize + stringBytes);
  for (const std::uint16_t unit : units)
    Put16(unit);
  while ((m_Bytes.size() - start) % 4 != 0)
    m_Bytes.push_back(0);
  for (std::size_t i = 0; i < units.size(); i++)
    Put32(0);  // no explicit advances: the font's own
  EndRecord(start);
  Include(x, y);
}

void CMetafileWriter::WriteHeader()
{
  const CRect bounds = m_HasBounds ? m_Bounds : CRect{0, 0, -1, -1};
  // Frame in hundredths of a millimetre, around the pixels the bounds cover.
  auto frameX = [this](int x) { return int(double(x) * m_DeviceMmX * 100.0 / m_DevicePixelsX); };
  auto frameY = [this](int y) { return int(double(y) * m_DeviceMmY * 100.0 / m_DevicePixelsY); };
  const std::uint32_t fields[] = {EMR_HEADER,
                                  kHeaderSize,
                                  std::uint32_t(bounds.left),
                                  std::uint32_t(bounds.top),
                                  std::uint32_t(bounds.right),
                                  std::uint32_t(bounds.bottom),
                                  std::uint32_t(frameX(bounds.left)),
                                  std::uint32_t(frameY(bounds.top)),
                                  std::uint32_t(frameX(bounds.right + 1)),
                                  std::uint32_t(frameY(bounds.bottom + 1)),
                                  ENHMETA_SIGNATURE,
                                  0x10000,
                                  std::uint32_t(m_Bytes.size()),
                                  std::uint32_t(m_NbRecords),
                                  std::uint32_t(m_Objects.size() + 1),  // nHandles, sReserved 0
                                  0,  // no description
                                  0,
                                  0,  // no palette
                                  std::uint32_t(m_DevicePixelsX),
                                  std::uint32_t(m_DevicePixelsY),
                                  std::uint32_t(m_DeviceMmX),
                                  std::uint32_t(m_DeviceMmY),
                                  0,  // no pixel format
                                  0,
                                  0,  // not OpenGL
                                  std::uint32_t(m_DeviceMmX * 1000),
                                  std::uint32_t(m_DeviceMmY * 1000)};
  static_assert(sizeof(fields) == kHeaderSize);
  for (std::size_t i = 0; i < std::size(fields); i++)
    PutAt(4 * i, fields[i]);
}

const std::vector<std::uint8_t>& CMetafileWriter::Close()
{
  if (m_Closed)
    return m_Bytes;
  const std::size_t start = BeginRecord(EMR_EOF);
  Put32(0);   // no palette entries
  Put32(16);  // offset of the (empty) palette
  Put32(20);  // this record's size, repeated last
  EndRecord(start);
  m_Closed = true;
  WriteHeader();
  return m_Bytes;
}

bool CMetafileWriter::Save(const std::string& fileName)
{
  Close();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "wb"),
                                                       &std::fclose);
  if (!file)
    return false;
  if (std::fwrite(m_Bytes.data(), 1, m_Bytes.size(), file.get()) != m_Bytes.size())
    return false;
  return std::fclose(file.release()) == 0;
}

} // namespace platform
