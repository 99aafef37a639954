#include "coding/BitBuffer.h"

CBitBuffer::CBitBuffer()
{
  ResetMask();
  ClearBuffer();
  ClearTotal();
}

std::uint16_t CBitBuffer::ClassId() const
{
  return 0x5000;
}

bool CBitBuffer::IsA(unsigned int id) const
{
  return (id & 0xFFFF) == ClassId();
}

std::unique_ptr<CBitBuffer> CBitBuffer::Clone() const
{
  return std::unique_ptr<CBitBuffer>(new CBitBuffer(*this));
}

int CBitBuffer::IsValid() const
{
  return 1;
}

std::ostream& CBitBuffer::Dump(std::ostream& out) const
{
  out << "Buffer storing bit : ";
  for (int bit = 7; bit >= 0; bit--)
    out << ((m_Buffer >> bit) & 1 ? " 1" : " 0");
  out << '\n' << std::flush;
  out << "Current bit position : " << m_BitIndex << '\n' << std::flush;
  out << "Mask on the current bit : " << m_Mask << '\n' << std::flush;
  out << "Total number of bits read or write : " << m_TotalBits << '\n' << std::flush;
  return out;
}

std::ostream& CBitBuffer::DumpStream(std::ostream& out, const void* stream, int owner)
{
  out << "Pointer of the stream : " << stream << '\n';
  out << (owner ? "Owner:True\n " : "Owner:False\n ") << owner;
  return out;
}
