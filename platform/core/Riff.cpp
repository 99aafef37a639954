#include "platform/core/Riff.h"

namespace platform {

namespace {

std::uint32_t Load32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

void Store32(std::uint8_t* p, std::uint32_t value)
{
  for (int i = 0; i < 4; i++)
    p[i] = std::uint8_t(value >> (8 * i));
}

// Data of odd length is followed by one pad byte.
long Padded(std::uint32_t size)
{
  return long(size) + long(size & 1);
}

} // namespace

long CRiff::FileSize()
{
  const long position = std::ftell(m_pFile);
  if (position < 0 || std::fseek(m_pFile, 0, SEEK_END) != 0)
    return -1;
  const long size = std::ftell(m_pFile);
  std::fseek(m_pFile, position, SEEK_SET);
  return size;
}

// Reads the chunk header at `offset`; the chunk must end by `end`.
bool CRiff::ReadHeader(long offset, long end, RiffChunk& chunk)
{
  std::uint8_t header[12];
  if (end - offset < 8 || std::fseek(m_pFile, offset, SEEK_SET) != 0 ||
      std::fread(header, 1, 8, m_pFile) != 8)
    return false;
  chunk.ckid = Load32(header);
  chunk.cksize = Load32(header + 4);
  chunk.dataOffset = offset + 8;
  chunk.fccType = 0;
  if (long(chunk.cksize) > end - chunk.dataOffset)
    return false;
  if (chunk.ckid != FOURCC_RIFF)
    return true;
  if (chunk.cksize < 4 || std::fread(header + 8, 1, 4, m_pFile) != 4)
    return false;
  chunk.fccType = Load32(header + 8);
  return true;
}

bool CRiff::FindRiff(std::uint32_t formType, RiffChunk& chunk)
{
  const long end = FileSize();
  long offset = std::ftell(m_pFile);
  if (end < 0 || offset < 0)
    return false;
  while (ReadHeader(offset, end, chunk)) {
    if (chunk.ckid == FOURCC_RIFF && chunk.fccType == formType)
      return true;
    offset = chunk.dataOffset + Padded(chunk.cksize);
  }
  return false;
}

bool CRiff::FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk)
{
  const long end = parent.dataOffset + long(parent.cksize);
  long offset = parent.dataOffset + (parent.ckid == FOURCC_RIFF ? 4 : 0);
  while (ReadHeader(offset, end, chunk)) {
    if (chunk.ckid == id)
      return true;
    offset = chunk.dataOffset + Padded(chunk.cksize);
  }
  return false;
}

bool CRiff::ReadData(const RiffChunk& chunk, std::vector<std::uint8_t>& data,
                     std::uint32_t maxSize)
{
  if (chunk.cksize > maxSize || std::fseek(m_pFile, chunk.dataOffset, SEEK_SET) != 0)
    return false;
  data.resize(chunk.cksize);
  return std::fread(data.data(), 1, data.size(), m_pFile) == data.size();
}

bool CRiff::CreateChunk(RiffChunk& chunk)
{
  chunk.dataOffset = std::ftell(m_pFile) + 8;
  chunk.cksize = 0;
  std::uint8_t header[12];
  Store32(header, chunk.ckid);
  Store32(header + 4, 0);
  Store32(header + 8, chunk.fccType);
  const std::size_t size = chunk.ckid == FOURCC_RIFF ? 12 : 8;
  return chunk.dataOffset >= 8 && std::fwrite(header, 1, size, m_pFile) == size;
}

bool CRiff::Write(const void* data, std::size_t size)
{
  return std::fwrite(data, 1, size, m_pFile) == size;
}

bool CRiff::Ascend(RiffChunk& chunk)
{
  const long end = std::ftell(m_pFile);
  if (end < chunk.dataOffset)
    return false;
  chunk.cksize = std::uint32_t(end - chunk.dataOffset);
  std::uint8_t size[4];
  Store32(size, chunk.cksize);
  if (std::fseek(m_pFile, chunk.dataOffset - 4, SEEK_SET) != 0 ||
      std::fwrite(size, 1, 4, m_pFile) != 4 || std::fseek(m_pFile, end, SEEK_SET) != 0)
    return false;
  const std::uint8_t pad = 0;
  return (chunk.cksize & 1) == 0 || std::fwrite(&pad, 1, 1, m_pFile) == 1;
}

} // namespace platform
