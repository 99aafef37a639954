#pragma once

#include "coding/OBitFile.h"
#include "coding/RangeCoderBase.h"

#include <cstddef>

// Adaptive range encoder: 32-bit interval, bytes out one at a time with a pending-byte
// counter for carries. Each section it writes starts on a byte boundary of the bit file
// with the byte 0x00 and ends with its own length in bytes (three bytes, most significant
// first), so raw bit fields or another section may follow.
//
// Operations answer 1, or 0 when refused: a start whose models cannot be built, a symbol
// outside 0 .. n or of zero frequency (it would empty the interval), a call out of order.
// A refusal is kept: Done still closes the section but answers 0.
class CRangeEncoder : public CRangeCoderBase
{
public:
  explicit CRangeEncoder(std::uint32_t nbSymbol) : CRangeCoderBase(nbSymbol) {}
  virtual ~CRangeEncoder() = default;

  int Start();
  int StartOrder1();
  int StartOrderK(std::uint32_t order);
  // Order 0 from an initial table: half the symbols, the preset table of 7 symbols, or a
  // Gaussian around symbol 6 of parameter s (n >= 7).
  int StartHalf();
  int StartPreset();
  int StartGaussian(double s);

  int Encode(std::uint32_t symbol, COBitStream* file) { return EncodeSymbol(symbol, file); }
  int EncodeOrder1(std::uint32_t symbol, COBitStream* file) { return EncodeSymbol(symbol, file); }
  int EncodeOrderK(std::uint32_t symbol, COBitStream* file) { return EncodeSymbol(symbol, file); }
  // The `count` symbols of `symbols`, the very bytes and state as many calls to Encode give; 1
  // when every one was coded, else 0 with those before the refused one coded. The loop keeps
  // the coder's state in registers and reads the intervals from the model's table, which no
  // update changes until one rescales; a run of one symbol reads its interval once and gives
  // its updates at once: long runs of one symbol are the common case of the codes.
  int EncodeSymbols(const std::uint32_t* symbols, std::size_t count, COBitStream* file);

  // Codes the end symbol, writes the last bytes and frees the models.
  int Done(COBitStream* file) { return Finish(file); }
  int DoneOrder1(COBitStream* file) { return Finish(file); }
  int DoneOrderK(COBitStream* file) { return Finish(file); }

  // The coding interface under the models: an interval [cumf, cumf + symf) of a total of
  // 2^shift (shift <= 16) or of total (<= 65536).
  void StartEncoding(std::uint8_t first = 0);
  int EncodeShift(std::uint32_t symf, std::uint32_t cumf, int shift, COBitStream* file);
  int EncodeFreq(std::uint32_t symf, std::uint32_t cumf, std::uint32_t total, COBitStream* file);
  void DoneEncoding(COBitStream* file);

private:
  static constexpr std::uint32_t Top = std::uint32_t(1) << 31;
  static constexpr std::uint32_t Bottom = std::uint32_t(1) << 23;
  static constexpr int ShiftBits = 23;

  int StartTable(const int* table);
  int EncodeSymbol(std::uint32_t symbol, COBitStream* file);
  int Finish(COBitStream* file);

  void Narrow(std::uint32_t r, std::uint32_t symf, std::uint32_t cumf, bool last)
  {
    const std::uint32_t t = r * cumf;
    m_Range = last ? m_Range - t : r * symf;
    m_Low += t;
  }

  void Normalize(COBitStream* file)
  {
    while (m_Range <= Bottom)
      ShiftByte(file);
  }

  void ShiftByte(COBitStream* file);
  void EmitPending(COBitStream* file, std::uint8_t byte, std::uint8_t pending);
  // byte, then `count` times the pending byte.
  static void PutBytes(COBitStream* file, std::uint8_t byte, std::uint32_t count,
                       std::uint8_t pending);

  std::uint32_t m_Low = 0;
  std::uint32_t m_Range = 0;
  std::uint32_t m_Help = 0;
  std::uint8_t m_Buffer = 0;
  std::uint32_t m_ByteCount = 0;
};
