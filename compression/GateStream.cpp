#include "compression/GateStream.h"

#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"

#include <filesystem>


namespace gate {

int IndexBits(int n)
{
  int bits = 0;
  while (bits < 31 && (1 << bits) < n)
    bits++;
  return bits;
}

long long FileSize(const char* fileName)
{
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  return error ? 0 : static_cast<long long>(size);
}

std::size_t MaxCodes(const CIBitStream& file)
{
  return static_cast<std::size_t>(CodesPerVertex * (MaxVertices(file) + 4));
}

int WriteCodes(COBitStream& file, const std::vector<unsigned int>& codes, int nbSymbol, int order)
{
  CRangeEncoder encoder(static_cast<std::uint32_t>(nbSymbol));
  if (!encoder.StartOrderK(static_cast<std::uint32_t>(order)))
    return 0;
  int ok = 1;
  for (const unsigned int code : codes)
    ok &= encoder.EncodeOrderK(code, &file);
  ok &= encoder.DoneOrderK(&file);
  return ok;
}

int ReadCodes(CIBitStream& file, int nbSymbol, int order, std::size_t maxCodes,
              std::vector<unsigned int>* pCodes)
{
  CRangeDecoder decoder(static_cast<std::uint32_t>(nbSymbol));
  if (!decoder.StartOrderK(&file, static_cast<std::uint32_t>(order)))
    return 0;
  std::uint32_t symbol = 0;
  while (decoder.DecodeOrderK(&symbol, &file)) {
    if (pCodes->size() >= maxCodes)
      return 0;
    pCodes->push_back(symbol);
  }
  return decoder.DoneOrderK(&file);
}

int ReadPadding(CIBitStream& file)
{
  file.ReadBit();
  while (file.GetBitIndex() != 7)
    file.ReadBit();
  return file.IsPastEnd() ? 0 : 1;
}

} // namespace gate
