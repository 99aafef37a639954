#include "coding/OBitStream.h"

#include <bit>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  // some volumes flush a file that was emptied when it is closed, at the cost of a sync. The
  // bytes go in one call, without a stream's buffer between.
  const int fd = ::open(fileName, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0)
    return 0;
  const std::uint8_t* bytes = m_Bytes.data();
  std::size_t left = m_Bytes.size();
  bool written = true;
  while (left > 0 && written) {
    const ssize_t n = ::write(fd, bytes, left);
    if (n < 0 && errno == EINTR)
      continue;
    written = n > 0;
    if (written) {
      bytes += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  // Only a longer old file needs the cut: the same file written again (the usual case) is
  // left alone.
  struct stat status {};
  if (written && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size > static_cast<off_t>(m_Bytes.size()))
    written = ::ftruncate(fd, static_cast<off_t>(m_Bytes.size())) == 0;
  const bool closed = ::close(fd) == 0;
  return written && closed ? 1 : 0;
}
