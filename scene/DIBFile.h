#pragma once

#include "platform/core/DeviceContext.h"

#include <cstdint>
#include <cstdio>
#include <memory>

// Byte layout of BMP/DIB files, shared by the texture and bitmap classes: every field is
// little-endian whatever the machine.

// Largest pixel buffer a reader allocates for a file: sizes read from files are checked
// against it (computed in 64 bits) before anything is allocated.
constexpr std::uint64_t MaxImageBytes = std::uint64_t(1) << 28;

constexpr std::uint16_t BitmapFileType = 0x4D42;  // "BM"
constexpr unsigned BitmapFileHeaderSize = 14;
constexpr unsigned BitmapInfoHeaderSize = 40;
constexpr unsigned BitmapCoreHeaderSize = 12;

struct BitmapFileHeader
{
  std::uint16_t bfType = BitmapFileType;
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;
};

std::uint16_t LoadLE16(const std::uint8_t* p);
std::uint32_t LoadLE32(const std::uint8_t* p);
void StoreLE16(std::uint8_t* p, std::uint16_t value);
void StoreLE32(std::uint8_t* p, std::uint32_t value);

BitmapFileHeader ReadBitmapFileHeader(const std::uint8_t* p);
void WriteBitmapFileHeader(const BitmapFileHeader& header, std::uint8_t* p);
platform::BitmapInfoHeader ReadBitmapInfoHeader(const std::uint8_t* p);
void WriteBitmapInfoHeader(const platform::BitmapInfoHeader& header, std::uint8_t* p);

// Bytes from the file's position to its end (the position is kept); 0 when it cannot be told.
// Readers compare what a header announces with it before allocating.
std::uint64_t RemainingBytes(std::FILE* file);

// An open stdio file of the image classes, closed when it goes out of scope.
struct ImageFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using ImageFilePtr = std::unique_ptr<std::FILE, ImageFileCloser>;
