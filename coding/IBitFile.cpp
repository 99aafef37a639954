#include "coding/IBitFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The file's bytes to its end, read straight into the vector: sized from the file's length,
// with room for the read that finds the end (a file that is not regular, or grows, is read
// on).
std::vector<std::uint8_t> ReadWholeFile(int fd)
{
  struct stat status {};
  const bool sized = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
  std::vector<std::uint8_t> bytes(sized ? static_cast<std::size_t>(status.st_size) + 1 : 65536);
  std::size_t size = 0;
  for (;;) {
    if (size == bytes.size())
      bytes.resize(2 * bytes.size());
    const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    size += static_cast<std::size_t>(n);
  }
  bytes.resize(size);
  return bytes;
}
} // namespace

CIBitFile::CIBitFile(const char* fileName) : m_Owner(1)
{
  const int fd = fileName ? ::open(fileName, O_RDONLY | O_CLOEXEC) : -1;
  m_Opened = fd >= 0;
  m_pStream = m_Opened ? this : nullptr;
  Begin(m_Opened ? ReadWholeFile(fd) : std::vector<std::uint8_t>{});
  if (m_Opened)
    ::close(fd);
}

std::uint16_t CIBitFile::ClassId() const
{
  return 0x5002;
}

bool CIBitFile::IsA(unsigned int id) const
{
  return CIBitStream::IsA(id);
}

int CIBitFile::IsValid() const
{
  return m_Opened && CIBitStream::IsValid() ? 1 : 0;
}

std::ostream& CIBitFile::Dump(std::ostream& out) const
{
  CBitBuffer::Dump(out);
  return DumpStream(out, m_pStream, m_Owner);
}
