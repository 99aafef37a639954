// The bit-file decoders: the stack-run decoder and the range decoder of order 0 to 2 over an
// alphabet taken from the first byte.
#include "coding/IBitFile.h"
#include "coding/RangeDecoder.h"
#include "coding/StackRun.h"
#include "fuzz/FuzzInput.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size < 2)
    return 0;
  const int kind = data[0] % 4;
  const std::uint32_t nbSymbol = data[1] + 1u;
  const CFuzzInput input(data + 2, size - 2, ".bin");
  if (kind == 3) {
    std::vector<int> values;
    CStackRun().DecodeFromFile(values, input.Name());
    return 0;
  }
  CIBitFile file(input.Name());
  if (!file.IsValid())
    return 0;
  CRangeDecoder decoder(nbSymbol);
  if (!decoder.StartOrderK(&file, static_cast<std::uint32_t>(kind)))
    return 0;
  std::uint32_t symbol = 0;
  while (decoder.DecodeOrderK(&symbol, &file)) {
  }
  decoder.DoneOrderK(&file);
  return 0;
}
