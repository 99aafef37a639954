#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct jpeg_common_struct;

// Moves 8-bit RGB images between memory and JPEG files through libjpeg, plus utilities for
// rows of 24-bit pixels. Buffers are packed (rows of width * 3 bytes, top row first, bytes
// in the order the library uses: red, green, blue) unless a function says otherwise.
class JpegFile
{
public:
  // A new packed RGB buffer, or null after a message box; grey files come back with
  // R = G = B. Files whose colours are neither grey nor RGB (CMYK) are refused.
  static std::unique_ptr<std::uint8_t[]> ReadToRgb(const std::string& fileName, unsigned& width,
                                                   unsigned& height);
  static int ReadDimensions(const std::string& fileName, unsigned& width, unsigned& height);
  // color nonzero writes a 3-component RGB file, zero a 1-component grey one.
  static int WriteFromRgb(const std::string& fileName, const std::uint8_t* rgb, unsigned width,
                          unsigned height, int color, int quality);

  // libjpeg's fatal-error exit: shows the library's text and jumps back to the operation.
  [[noreturn]] static void OnFatalError(jpeg_common_struct* info);

  static void CopyRowRgb(const std::uint8_t* row, int width, std::uint8_t* destination, int rowIndex);
  static void CopyRowGrey(const std::uint8_t* row, int width, std::uint8_t* destination, int rowIndex);

  static std::unique_ptr<std::uint8_t[]> UnpadRows(const std::uint8_t* source, unsigned width,
                                                   unsigned stride, unsigned height);
  // Rows padded to a multiple of 4 bytes; the padding bytes are zero.
  static std::unique_ptr<std::uint8_t[]> PadRowsToDword(const std::uint8_t* source, unsigned width,
                                                        unsigned height, unsigned& stride);
  static int FlipVertical(std::uint8_t* buffer, unsigned rowBytes, unsigned rows);
  static int SwapRedBlue(std::uint8_t* buffer, unsigned width, unsigned height);
  static int ToGreyscale(std::uint8_t* buffer, unsigned width, unsigned height);
  // 0.299 red + 0.587 green + 0.114 blue in double, truncated.
  static std::uint8_t Grey(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
};
