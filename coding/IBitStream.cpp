#include "coding/IBitStream.h"

#include "platform/core/Trace.h"

#include <bit>

CIBitStream::CIBitStream(std::vector<std::uint8_t> bytes)
{
  Begin(std::move(bytes));
}

CIBitStream::CIBitStream(const std::uint8_t* data, std::size_t size)
{
  Begin(std::vector<std::uint8_t>(data, data + size));
}

void CIBitStream::Begin(std::vector<std::uint8_t> bytes)
{
  m_Bytes = std::move(bytes);
  m_Next = 0;
  ReadByte();
}

std::uint16_t CIBitStream::ClassId() const
{
  return 0x5003;
}

bool CIBitStream::IsA(unsigned int id) const
{
  // Every class that derives from the memory stream is one too.
  return CBitBuffer::IsA(id) || (id & 0xFFFF) == 0x5003 || (id & 0xFFFF) == CBitBuffer::ClassId();
}

std::unique_ptr<CBitBuffer> CIBitStream::Clone() const
{
  return nullptr;
}

int CIBitStream::IsValid() const
{
  return m_PastEnd ? 0 : 1;
}

// Takes as many bits at once as the buffered byte holds; stops, as bit by bit would, after
// the bit that completes a byte when no further byte follows.
int CIBitStream::ReadBitsInGroups(std::uint32_t& value, int n)
{
  value = 0;
  if (n > 32)
    n = 32;
  int count = 0;
  while (count < n) {
    const int room = static_cast<int>(m_BitIndex) + 1;
    const int k = n - count < room ? n - count : room;
    if (m_AtEnd)
      m_PastEnd = true;
    const std::uint32_t field = (m_Buffer >> (room - k)) & ((1u << k) - 1);
    value |= ReverseBits(field, k) << count;
    count += k;
    m_TotalBits += static_cast<std::uint32_t>(k);
    if (k < room) {
      m_BitIndex -= static_cast<std::uint32_t>(k);
      m_Mask >>= k;
      break;
    }
    ResetMask();
    if (!ReadByte())
      break;
  }
  return count;
}

int CIBitStream::ReadLongBitsInFields(std::uint64_t& value, int n)
{
  value = 0;
  n = n < 0 ? 0 : (n > 64 ? 64 : n);
  int count = 0;
  while (count < n) {
    const int k = n - count < 25 ? n - count : 25;
    std::uint32_t field = 0;
    const int got = ReadBitsUpTo(field, k);
    value |= std::uint64_t(field) << count;
    count += got;
    if (got < k)
      break;
  }
  return count;
}

std::uint32_t CIBitStream::BReadBits(int n)
{
  std::uint32_t value = 0;
  const int count = ReadBitsUpTo(value, n);
  if (count != n)
    platform::Trace("BReadBits: Nb bits effectively read: %d\n", count);
  return value;
}

float CIBitStream::ReadFloat()
{
  std::uint32_t pattern = 0;
  ReadBitsUpTo(pattern, 32);
  return std::bit_cast<float>(pattern);
}

double CIBitStream::ReadDouble()
{
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  ReadBitsUpTo(low, 32);
  ReadBitsUpTo(high, 32);
  return std::bit_cast<double>((static_cast<std::uint64_t>(high) << 32) | low);
}

std::int32_t CIBitStream::ReadSignedInt(int n)
{
  const int negative = ReadBit();
  const std::uint32_t magnitude = BReadBits(n);
  // Negated in unsigned arithmetic: a 32-bit magnitude of 2^31 and above wraps as it
  // would on the 32-bit machine, without overflow.
  return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}
