#pragma once

// Helpers of the texture, bitmap and palette tests: a scratch folder, whole-file reads
// and writes, captured message boxes and hand-made image files.
#include "platform/core/MessageBox.h"

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

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempFolder
{
public:
  CTempFolder()
  {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_Path = std::filesystem::temp_directory_path() /
             ("orvane_texture_" + std::to_string(::getpid()) + "_" + std::to_string(stamp) + "_" +
              std::to_string(counter++));
    std::filesystem::create_directories(m_Path);
  }
  ~CTempFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  std::string File(const std::string& name) const { return (m_Path / name).string(); }

private:
  std::filesystem::path m_Path;
};

inline std::vector<std::uint8_t> ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Records every message box shown while it lives.
class CMessages
{
public:
  CMessages()
  {
    m_Previous = platform::SetMessageSink([this](const std::string& text, int) {
      m_Texts.push_back(text);
      return platform::IDOK;
    });
  }
  ~CMessages() { platform::SetMessageSink(m_Previous); }
  CMessages(const CMessages&) = delete;
  CMessages& operator=(const CMessages&) = delete;

  const std::vector<std::string>& Texts() const { return m_Texts; }
  std::string Last() const { return m_Texts.empty() ? std::string() : m_Texts.back(); }

private:
  platform::MessageSink m_Previous;
  std::vector<std::string> m_Texts;
};

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
