#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// RIFF files: chunks of a four-character id, a 32-bit little-endian size and data padded
// to an even length; "RIFF" chunks start with a form type and hold sub-chunks.
namespace platform {

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d)
{
  return std::uint32_t(std::uint8_t(a)) | (std::uint32_t(std::uint8_t(b)) << 8) |
         (std::uint32_t(std::uint8_t(c)) << 16) | (std::uint32_t(std::uint8_t(d)) << 24);
}

constexpr std::uint32_t FOURCC_RIFF = MakeFourCC('R', 'I', 'F', 'F');

struct RiffChunk
{
  std::uint32_t ckid = 0;
  std::uint32_t cksize = 0;   // bytes of data, form type included
  std::uint32_t fccType = 0;  // form type of "RIFF" chunks
  long dataOffset = 0;        // file offset of the data (of the form type for "RIFF")
};

// Reads and writes chunks of a binary stdio file (not owned). Sizes read are checked
// against the file and the enclosing chunk, so a hostile file only makes a search fail.
class CRiff
{
public:
  explicit CRiff(std::FILE* file) : m_pFile(file) {}

  // Finds the "RIFF" chunk of the form type, starting at the current position.
  bool FindRiff(std::uint32_t formType, RiffChunk& chunk);
  // Finds the chunk of the id among the sub-chunks of `parent`.
  bool FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk);
  // Reads the whole data of a chunk of at most maxSize bytes.
  bool ReadData(const RiffChunk& chunk, std::vector<std::uint8_t>& data, std::uint32_t maxSize);

  // Starts a chunk at the current position; a "RIFF" chunk also writes its form type.
  bool CreateChunk(RiffChunk& chunk);
  bool Write(const void* data, std::size_t size);
  // Ends a chunk created here: writes its size and pads its data to an even length.
  bool Ascend(RiffChunk& chunk);

private:
  bool ReadHeader(long offset, long end, RiffChunk& chunk);
  long FileSize();

  std::FILE* m_pFile;
};

} // namespace platform
