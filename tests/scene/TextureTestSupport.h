#pragma once

// Helpers of the texture, bitmap and palette tests: a scratch folder, whole-file reads
// and writes, captured message boxes and hand-made image files.
#include "platform/core/MessageBox.h"
#include "support/MessageCapture.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QImage>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace texture_test {

using ::CTempFolder;
inline std::vector<std::uint8_t> ReadAll(const std::string& path) { return ReadBytes(path); }
inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) { WriteBytes(path, bytes); }
using CMessages = ::CMessageCapture;

inline void PutLE16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value)
{
  bytes[at] = std::uint8_t(value);
  bytes[at + 1] = std::uint8_t(value >> 8);
}

inline void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
  PutLE16(bytes, at, value & 0xffff);
  PutLE16(bytes, at + 2, value >> 16);
}

inline void PutBE16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value)
{
  bytes[at] = std::uint8_t(value >> 8);
  bytes[at + 1] = std::uint8_t(value);
}

// A distinct colour for every pixel, far from its neighbours' so that lossy files still
// tell them apart.
inline QColor PatternColor(int x, int y)
{
  return QColor((x * 67 + y * 13) % 256, (x * 29 + y * 101) % 256, (x * 151 + y * 47) % 256);
}

inline QImage PatternImage(int width, int height)
{
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++)
      image.setPixelColor(x, y, PatternColor(x, y));
  return image;
}

// A small JPEG written by Qt whose frame header (0xFFC0) then claims width x height; empty
// when Qt wrote no such header.
inline std::vector<std::uint8_t> JpegClaiming(unsigned width, unsigned height)
{
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!PatternImage(16, 16).save(&buffer, "JPEG", 90))
    return {};
  std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.end());
  // The height and width follow the segment's length and precision.
  std::size_t at = 2;
  while (at + 9 < bytes.size() && !(bytes[at] == 0xff && bytes[at + 1] == 0xc0))
    at++;
  if (at + 9 >= bytes.size())
    return {};
  PutBE16(bytes, at + 5, height);
  PutBE16(bytes, at + 7, width);
  return bytes;
}

// An SGI file made byte by byte: 512-byte big-endian header, then the red, green and blue
// blocks, each holding rows bottom first. `color(x, yFromBottom)` gives the pixels.
template <class ColorOf>
std::vector<std::uint8_t> SgiFile(unsigned xsize, unsigned ysize, ColorOf color)
{
  std::vector<std::uint8_t> bytes(512 + 3 * std::size_t(xsize) * ysize, 0);
  PutBE16(bytes, 0, 474);
  bytes[2] = 0;  // verbatim
  bytes[3] = 1;  // bytes per channel
  PutBE16(bytes, 4, 3);
  PutBE16(bytes, 6, xsize);
  PutBE16(bytes, 8, ysize);
  PutBE16(bytes, 10, 3);
  bytes[19] = 255;  // maximum pixel value
  std::size_t at = 512;
  for (int channel = 0; channel < 3; channel++)
    for (unsigned y = 0; y < ysize; y++)
      for (unsigned x = 0; x < xsize; x++) {
        const QColor c = color(x, y);
        bytes[at++] = std::uint8_t(channel == 0 ? c.red() : channel == 1 ? c.green() : c.blue());
      }
  return bytes;
}

} // namespace texture_test
