#pragma once

#include "coding/IBitFile.h"
#include "coding/RangeCoderBase.h"

#include <cstddef>

// Decoder of the sections that CRangeEncoder writes. It takes exactly the bytes of its
// section, so raw bit fields or another section can be read after Done.
//
// Decode answers 0 at the end symbol, and also when the input is bad (the section runs
// past the end of the file), so that a loop until 0 always ends; Done then tells the two
// apart: 1 only when the section was read to its end symbol and its trailing length
// matches the bytes taken.
class CRangeDecoder : public CRangeCoderBase
{
public:
  explicit CRangeDecoder(std::uint32_t nbSymbol) : CRangeCoderBase(nbSymbol) {}
  virtual ~CRangeDecoder() = default;

  int Start(CIBitStream* file) { return StartOrderK(file, 0); }
  int StartOrderK(CIBitStream* file, std::uint32_t order);

  int Decode(std::uint32_t* symbol, CIBitStream* file) { return DecodeSymbol(symbol, file); }
  // Up to `count` symbols into `out`, the very symbols as many calls to Decode give, stopping
  // after the symbol `stop`; how many were written. When fewer and the last is not `stop`,
  // Decode answered 0, and Done tells an end from bad input. The loop keeps the coder's state
  // in registers and first tries the last symbol's interval: long runs of one symbol are the
  // common case of the codes.
  std::size_t DecodeSymbols(std::uint32_t* out, std::size_t count, std::uint32_t stop,
                            CIBitStream* file);
  // A `stop` that no symbol is.
  static constexpr std::uint32_t NoStop = ~std::uint32_t(0);
  int DecodeOrderK(std::uint32_t* symbol, CIBitStream* file) { return DecodeSymbol(symbol, file); }

  int Done(CIBitStream* file) { return Finish(file); }
  int DoneOrderK(CIBitStream* file) { return Finish(file); }

  // The decoding interface under the models, mirror of the encoder's.
  std::uint8_t StartDecoding(CIBitStream* file);
  std::uint32_t DecodeCulShift(int shift, CIBitStream* file);
  std::uint32_t DecodeCulFreq(std::uint32_t total, CIBitStream* file);
  void DecodeUpdate(std::uint32_t symf, std::uint32_t cumf, std::uint32_t total);
  std::uint32_t DecodeByte(CIBitStream* file);
  std::uint32_t DecodeShort(CIBitStream* file);
  void DoneDecoding(CIBitStream* file) { Normalize(file); }

  // Bytes taken from the file since StartDecoding.
  std::uint32_t GetNbByteRead() const { return m_NbByteRead; }

private:
  static constexpr std::uint32_t Bottom = std::uint32_t(1) << 23;
  static constexpr int ExtraBits = 7;

  int DecodeSymbol(std::uint32_t* symbol, CIBitStream* file);
  int Finish(CIBitStream* file);

  void Narrow(std::uint32_t symf, std::uint32_t cumf, bool last)
  {
    const std::uint32_t t = m_Help * cumf;
    m_Low -= t;
    m_Range = last ? m_Range - t : m_Help * symf;
  }

  std::uint8_t NextByte(CIBitStream* file)
  {
    const std::uint8_t byte = file->GetAlignedByte();
    m_NbByteRead++;
    m_Tail = (m_Tail << 8) | byte;
    return byte;
  }

  void Normalize(CIBitStream* file)
  {
    while (m_Range <= Bottom) {
      m_Low = (m_Low << 8) | ((static_cast<std::uint32_t>(m_Buffer) << ExtraBits) & 0xFF);
      m_Buffer = NextByte(file);
      m_Low |= m_Buffer >> 1;
      m_Range <<= 8;
    }
  }

  std::uint32_t m_Low = 0;
  std::uint32_t m_Range = 0;
  std::uint32_t m_Help = 0;
  std::uint8_t m_Buffer = 0;
  std::uint32_t m_NbByteRead = 0;
  std::uint32_t m_Tail = 0; // the last bytes taken: the section's length at its end
  bool m_SawEnd = false;
};
