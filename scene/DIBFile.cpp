#include "scene/DIBFile.h"

std::uint16_t LoadLE16(const std::uint8_t* p)
{
  return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t LoadLE32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

void StoreLE16(std::uint8_t* p, std::uint16_t value)
{
  p[0] = std::uint8_t(value);
  p[1] = std::uint8_t(value >> 8);
}

void StoreLE32(std::uint8_t* p, std::uint32_t value)
{
  StoreLE16(p, std::uint16_t(value));
  StoreLE16(p + 2, std::uint16_t(value >> 16));
}

BitmapFileHeader ReadBitmapFileHeader(const std::uint8_t* p)
{
  BitmapFileHeader header;
  header.bfType = LoadLE16(p);
  header.bfSize = LoadLE32(p + 2);
  header.bfReserved1 = LoadLE16(p + 6);
  header.bfReserved2 = LoadLE16(p + 8);
  header.bfOffBits = LoadLE32(p + 10);
  return header;
}

void WriteBitmapFileHeader(const BitmapFileHeader& header, std::uint8_t* p)
{
  StoreLE16(p, header.bfType);
  StoreLE32(p + 2, header.bfSize);
  StoreLE16(p + 6, header.bfReserved1);
  StoreLE16(p + 8, header.bfReserved2);
  StoreLE32(p + 10, header.bfOffBits);
}

platform::BitmapInfoHeader ReadBitmapInfoHeader(const std::uint8_t* p)
{
  platform::BitmapInfoHeader header;
  header.biSize = LoadLE32(p);
  header.biWidth = std::int32_t(LoadLE32(p + 4));
  header.biHeight = std::int32_t(LoadLE32(p + 8));
  header.biPlanes = LoadLE16(p + 12);
  header.biBitCount = LoadLE16(p + 14);
  header.biCompression = LoadLE32(p + 16);
  header.biSizeImage = LoadLE32(p + 20);
  header.biXPelsPerMeter = std::int32_t(LoadLE32(p + 24));
  header.biYPelsPerMeter = std::int32_t(LoadLE32(p + 28));
  header.biClrUsed = LoadLE32(p + 32);
  header.biClrImportant = LoadLE32(p + 36);
  return header;
}

void WriteBitmapInfoHeader(const platform::BitmapInfoHeader& header, std::uint8_t* p)
{
  StoreLE32(p, header.biSize);
  StoreLE32(p + 4, std::uint32_t(header.biWidth));
  StoreLE32(p + 8, std::uint32_t(header.biHeight));
  StoreLE16(p + 12, header.biPlanes);
  StoreLE16(p + 14, header.biBitCount);
  StoreLE32(p + 16, header.biCompression);
  StoreLE32(p + 20, header.biSizeImage);
  StoreLE32(p + 24, std::uint32_t(header.biXPelsPerMeter));
  StoreLE32(p + 28, std::uint32_t(header.biYPelsPerMeter));
  StoreLE32(p + 32, header.biClrUsed);
  StoreLE32(p + 36, header.biClrImportant);
}

std::uint64_t RemainingBytes(std::FILE* file)
{
  const long position = std::ftell(file);
  if (position < 0 || std::fseek(file, 0, SEEK_END) != 0)
    return 0;
  const long end = std::ftell(file);
  std::fseek(file, position, SEEK_SET);
  return end > position ? std::uint64_t(end - position) : 0;
}
