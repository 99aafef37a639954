#include "coding/IBitFile.h"

#include "platform/core/Trace.h"

#include <bit>

CIBitFile::CIBitFile(const char* fileName)
    : m_pStream(std::fopen(fileName, "rb")), m_Owner(1)
{
  ReadByte();
}

std::uint16_t CIBitFile::ClassId() const
{
  return 0x5002;
}

bool CIBitFile::IsA(unsigned int id) const
{
  return CBitBuffer::IsA(id) || (id & 0xFFFF) == CBitBuffer::ClassId();
}

std::unique_ptr<CBitBuffer> CIBitFile::Clone() const
{
  return nullptr;
}

int CIBitFile::IsValid() const
{
  return m_pStream && !m_PastEnd ? 1 : 0;
}

std::ostream& CIBitFile::Dump(std::ostream& out) const
{
  CBitBuffer::Dump(out);
  return DumpStream(out, m_pStream.get(), m_Owner);
}

int CIBitFile::ReadBitsUpTo(std::uint32_t& value, int n)
{
  value = 0;
  if (n > 32)
    n = 32;
  int count = 0;
  while (count < n) {
    std::uint32_t bit = 0;
    const int more = GetBit(bit);
    value |= bit << count;
    count++;
    if (!more)
      break;
  }
  return count;
}

std::uint32_t CIBitFile::BReadBits(int n)
{
  std::uint32_t value = 0;
  const int count = ReadBitsUpTo(value, n);
  if (count != n)
    platform::Trace("BReadBits: Nb bits effectively read: %d\n", count);
  return value;
}

float CIBitFile::ReadFloat()
{
  std::uint32_t pattern = 0;
  ReadBitsUpTo(pattern, 32);
  return std::bit_cast<float>(pattern);
}

double CIBitFile::ReadDouble()
{
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  ReadBitsUpTo(low, 32);
  ReadBitsUpTo(high, 32);
  return std::bit_cast<double>((static_cast<std::uint64_t>(high) << 32) | low);
}

std::int32_t CIBitFile::ReadSignedInt(int n)
{
  const int negative = ReadBit();
  const std::uint32_t magnitude = BReadBits(n);
  // Negated in unsigned arithmetic: a 32-bit magnitude of 2^31 and above wraps as it
  // would on the 32-bit machine, without overflow.
  return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}
