#include "scene/DIB.h"

#include "platform/core/MessageBox.h"
#include "scene/DIBFile.h"
#include "scene/DIBPalette.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {

constexpr unsigned ColorTableSize = 1024;
constexpr unsigned DibFileOffset = BitmapFileHeaderSize + BitmapInfoHeaderSize + ColorTableSize;


std::uint64_t StorageBytes(const platform::BitmapInfoHeader& header)
{
  return std::uint64_t((std::int64_t(header.biWidth) + 3) & ~std::int64_t(3)) *
         std::uint64_t(header.biHeight);
}

// A presentation-manager core header (12 bytes, 16-bit sizes) as a Windows one.
platform::BitmapInfoHeader FromCoreHeader(const std::uint8_t* p)
{
  platform::BitmapInfoHeader header;
  header.biWidth = LoadLE16(p + 4);
  header.biHeight = LoadLE16(p + 6);
  header.biPlanes = LoadLE16(p + 8);
  header.biBitCount = LoadLE16(p + 10);
  return header;
}

struct LoadedDib
{
  platform::BitmapInfoHeader header;
  std::array<std::uint8_t, ColorTableSize> colors{};
  std::vector<std::uint8_t> bits;
};

// Reads a BMP/DIB file; only uncompressed bottom-up 8-bit bitmaps, the layout every
// method of the class assumes, are taken.
bool ReadDib(const CDIB::ReadAt& read, LoadedDib& dib)
{
  std::uint8_t bytes[BitmapFileHeaderSize + BitmapInfoHeaderSize];
  if (!read(0, bytes, sizeof bytes))
    return false;
  const BitmapFileHeader file = ReadBitmapFileHeader(bytes);
  if (file.bfType != BitmapFileType)
    return false;
  const std::uint8_t* info = bytes + BitmapFileHeaderSize;
  const std::uint32_t headerSize = LoadLE32(info);
  if (headerSize != BitmapInfoHeaderSize && headerSize != BitmapCoreHeaderSize)
    return false;
  const bool core = headerSize == BitmapCoreHeaderSize;
  dib.header = core ? FromCoreHeader(info) : ReadBitmapInfoHeader(info);
  const platform::BitmapInfoHeader& header = dib.header;
  if (header.biBitCount != 8 || header.biCompression != 0 || header.biWidth <= 0 ||
      header.biHeight <= 0 || StorageBytes(header) > MaxImageBytes)
    return false;
  const unsigned entries = unsigned(CDIB::ColorEntries(header));
  const unsigned entrySize = core ? 3 : 4;
  std::array<std::uint8_t, ColorTableSize> table{};
  if (!read(BitmapFileHeaderSize + headerSize, table.data(), std::size_t(entries) * entrySize))
    return false;
  for (unsigned i = 0; i < entries; i++)
    std::memcpy(dib.colors.data() + 4 * i, table.data() + entrySize * i, entrySize);
  // The last byte of the bits must be in the file before their memory is taken: a header
  // alone must not cost the bitmap it announces.
  const std::uint64_t size = StorageBytes(header);
  std::uint8_t last = 0;
  if (!read(file.bfOffBits + size - 1, &last, 1))
    return false;
  dib.bits.assign(size, 0);
  return read(file.bfOffBits, dib.bits.data(), dib.bits.size());
}

} // namespace

CDIB::CDIB()
{
  Create(16, 16);
}

int CDIB::Create(int width, int height)
{
  platform::BitmapInfoHeader header;
  header.biWidth = width;
  header.biHeight = height;
  header.biBitCount = 8;
  if (width < 0 || height < 0 || StorageBytes(header) > MaxImageBytes)
    return 0;
  m_Header = header;
  for (unsigned i = 0; i < 256; i++) {
    std::uint8_t* entry = m_Colors.data() + 4 * i;
    entry[0] = entry[1] = entry[2] = std::uint8_t(i);
    entry[3] = 0;
  }
  m_OwnedBits.assign(StorageBytes(header), 0);
  m_pBits = m_OwnedBits.data();
  m_OwnsBits = true;
  return 1;
}

int CDIB::Create(const platform::BitmapInfoHeader& header, const std::uint8_t* colors,
                 std::uint8_t* bits)
{
  m_Header = header;
  m_Colors.fill(0);
  const int entries = std::min(ColorEntries(header), 256);
  if (colors)
    std::memcpy(m_Colors.data(), colors, std::size_t(entries) * 4);
  m_OwnedBits.clear();
  m_OwnedBits.shrink_to_fit();
  m_pBits = bits;
  m_OwnsBits = false;
  return 1;
}

int CDIB::ColorEntries(const platform::BitmapInfoHeader& header)
{
  int tableSize = 0;
  switch (header.biBitCount) {
  case 1: tableSize = 2; break;
  case 4: tableSize = 16; break;
  case 8: tableSize = 256; break;
  default: break;
  }
  if (IsWinDIB(header) && header.biClrUsed != 0)
    return tableSize ? int(std::min<std::uint32_t>(header.biClrUsed, tableSize))
                     : int(std::min<std::uint32_t>(header.biClrUsed, 256));
  return tableSize;
}

std::uint8_t* CDIB::GetPixelAddress(int x, int y)
{
  return const_cast<std::uint8_t*>(std::as_const(*this).GetPixelAddress(x, y));
}

const std::uint8_t* CDIB::GetPixelAddress(int x, int y) const
{
  if (!m_pBits || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
    return nullptr;
  return m_pBits + std::size_t(GetHeight() - y - 1) * GetStorageWidth() + x;
}

int CDIB::Draw(platform::CDeviceContext& dc, int x, int y) const
{
  return dc.StretchDIBits(x, y, GetWidth(), GetHeight(), 0, 0, GetWidth(), GetHeight(), m_pBits,
                          m_Header, m_Colors.data(), platform::DIB_RGB_COLORS, platform::SRCCOPY);
}

void CDIB::CopyBits(CDIB& destination, int dx, int dy, int w, int h, int sx, int sy,
                    int transparent) const
{
  // Clip the block to both bitmaps.
  const int i0 = std::max({0, -sx, -dx});
  const int i1 = std::min({w, GetWidth() - sx, destination.GetWidth() - dx});
  const int j0 = std::max({0, -sy, -dy});
  const int j1 = std::min({h, GetHeight() - sy, destination.GetHeight() - dy});
  if (i0 >= i1 || j0 >= j1)
    return;
  const std::size_t n = std::size_t(i1 - i0);
  for (int j = j1 - 1; j >= j0; j--) {
    const std::uint8_t* source = GetPixelAddress(sx + i0, sy + j);
    std::uint8_t* target = destination.GetPixelAddress(dx + i0, dy + j);
    if (transparent == -1) {
      std::memmove(target, source, n);
      continue;
    }
    const std::uint8_t skip = std::uint8_t(transparent);
    for (std::size_t i = 0; i < n; i++)
      if (source[i] != skip)
        target[i] = source[i];
  }
}

int CDIB::MapColorsToPalette(const CDIBPalette* palette)
{
  if (!palette || palette->GetNumColors() == 0)
    return 0;
  std::array<std::uint8_t, 256> map;
  for (unsigned i = 0; i < 256; i++) {
    const std::uint8_t* entry = m_Colors.data() + 4 * i;
    map[i] = std::uint8_t(palette->GetNearestPaletteIndex(entry[2], entry[1], entry[0]));
  }
  const std::size_t bytes = std::size_t(GetStorageWidth()) * GetHeight();
  for (std::size_t k = 0; m_pBits && k < bytes; k++)
    m_pBits[k] = map[m_pBits[k]];
  const platform::Palette& entries = palette->GetEntries();
  for (std::size_t i = 0; i < std::min<std::size_t>(entries.size(), 256); i++) {
    std::uint8_t* entry = m_Colors.data() + 4 * i;
    entry[0] = entries[i].peBlue;
    entry[1] = entries[i].peGreen;
    entry[2] = entries[i].peRed;
  }
  m_Header.biClrUsed = 256;
  return 1;
}

int CDIB::Load(std::FILE* file)
{
  const long start = std::ftell(file);
  return start >= 0 && LoadFrom([&](std::uint64_t offset, void* data, std::size_t n) {
           return std::fseek(file, long(start + offset), SEEK_SET) == 0 &&
                  std::fread(data, 1, n, file) == n;
         });
}

int CDIB::Load(std::span<const std::uint8_t> resource)
{
  return LoadFrom([&](std::uint64_t offset, void* data, std::size_t n) {
    if (offset > resource.size() || n > resource.size() - offset)
      return false;
    std::memcpy(data, resource.data() + offset, n);
    return true;
  });
}

int CDIB::LoadFrom(const ReadAt& read)
{
  LoadedDib dib;
  if (!ReadDib(read, dib))
    return 0;
  m_Header = dib.header;
  m_Colors = dib.colors;
  m_OwnedBits = std::move(dib.bits);
  m_pBits = m_OwnedBits.data();
  m_OwnsBits = true;
  return 1;
}

int CDIB::Load(const std::string& fileName)
{
  if (fileName.empty())
    return 0;
  const ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  return file ? Load(file.get()) : 0;
}

int CDIB::Save(std::FILE* file) const
{
  const std::uint64_t bytes = std::uint64_t(GetStorageWidth()) * GetHeight();
  std::uint8_t headers[DibFileOffset];
  BitmapFileHeader fileHeader;
  fileHeader.bfSize = std::uint32_t(bytes + DibFileOffset);
  fileHeader.bfOffBits = DibFileOffset;
  WriteBitmapFileHeader(fileHeader, headers);
  WriteBitmapInfoHeader(m_Header, headers + BitmapFileHeaderSize);
  std::memcpy(headers + BitmapFileHeaderSize + BitmapInfoHeaderSize, m_Colors.data(), ColorTableSize);
  if (std::fwrite(headers, 1, sizeof headers, file) != sizeof headers)
    return 0;
  if (bytes && (!m_pBits || std::fwrite(m_pBits, 1, bytes, file) != bytes))
    return 0;
  return std::fflush(file) == 0 ? 1 : 0;
}

int CDIB::Save(const std::string& fileName) const
{
  if (fileName.empty())
    return 0;
  ImageFilePtr file(std::fopen(fileName.c_str(), "wb"));
  if (!file) {
    platform::MessageBox("Failed to open file");
    return 0;
  }
  int result = Save(file.get());
  if (std::fclose(file.release()) != 0)
    result = 0;
  if (!result)
    platform::MessageBox("Failed to save file");
  return result;
}
