#include "platform/core/DeviceContext.h"

namespace platform {

std::uint32_t DibStride(const BitmapInfoHeader& header)
{
  const std::uint64_t bits = std::uint64_t(header.biWidth < 0 ? 0 : header.biWidth) * header.biBitCount;
  return std::uint32_t(((bits + 31) / 32) * 4);
}

bool IsDrawableDib(const BitmapInfoHeader& header)
{
  const bool knownDepth =
      header.biBitCount == 8 || header.biBitCount == 24 || header.biBitCount == 32;
  return knownDepth && header.biCompression == 0 && header.biWidth > 0 && header.biHeight != 0;
}

ColorRef DibPixel(const std::uint8_t* bits, const BitmapInfoHeader& header,
                  const std::uint8_t* colors, int x, int row)
{
  const std::uint8_t* p = bits + std::size_t(row) * DibStride(header);
  if (header.biBitCount != 8) {
    p += std::size_t(x) * (header.biBitCount / 8);
    return Rgb(p[2], p[1], p[0]);
  }
  const std::uint32_t index = p[x];
  const std::uint32_t count = header.biClrUsed ? header.biClrUsed : 256;
  if (!colors || index >= count)
    return Rgb(0, 0, 0);
  const std::uint8_t* quad = colors + 4 * index;
  return Rgb(quad[2], quad[1], quad[0]);
}

} // namespace platform
