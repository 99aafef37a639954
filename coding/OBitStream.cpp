#include "coding/OBitStream.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <system_error>

std::uint16_t COBitStream::ClassId() const
{
  return 0x5006;
}

bool COBitStream::IsA(unsigned int id) const
{
  // Every class that derives from the memory stream is one too.
  return CBitBuffer::IsA(id) || (id & 0xFFFF) == 0x5006 || (id & 0xFFFF) == CBitBuffer::ClassId();
}

std::unique_ptr<CBitBuffer> COBitStream::Clone() const
{
  return nullptr;
}

void COBitStream::WriteFloat(float value)
{
  WriteBits(std::bit_cast<std::uint32_t>(value), 32);
}

void COBitStream::Flush(unsigned int padBit)
{
  do
    SetBit(padBit);
  while (!Advance());
  WriteByte();
  ClearBuffer();
}

int COBitStream::WriteFile(const char* fileName) const
{
  // An existing file is written over in place and then cut to length, not emptied first:
  // some volumes flush a file that was emptied when it is closed, at the cost of a sync.
  FilePtr file(std::fopen(fileName, "r+b"));
  if (!file)
    file.reset(std::fopen(fileName, "wb"));
  if (!file)
    return 0;
  if (!m_Bytes.empty() && std::fwrite(m_Bytes.data(), 1, m_Bytes.size(), file.get()) != m_Bytes.size())
    return 0;
  if (std::fflush(file.get()) != 0)
    return 0;
  // Only a longer old file needs the cut: the same file written again (the usual case) is
  // left alone.
  if (std::fseek(file.get(), 0, SEEK_END) == 0 && std::ftell(file.get()) == static_cast<long>(m_Bytes.size()))
    return std::fclose(file.release()) == 0 ? 1 : 0;
  std::error_code error;
  if (std::filesystem::is_regular_file(fileName, error)) {
    std::filesystem::resize_file(fileName, m_Bytes.size(), error);
    if (error)
      return 0;
  }
  return std::fclose(file.release()) == 0 ? 1 : 0;
}
