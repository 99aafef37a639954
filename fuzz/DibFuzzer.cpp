// The DIB reader from a file and from memory, and the RIFF palette reader; the first byte
// picks one.
#include "fuzz/FuzzInput.h"
#include "scene/DIB.h"
#include "scene/DIBPalette.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const int kind = data[0] % 3;
  data++;
  size--;
  if (kind == 2) {
    CDIB dib;
    dib.Load(std::span<const std::uint8_t>(data, size));
    return 0;
  }
  const CFuzzInput input(data, size, kind == 0 ? ".dib" : ".pal");
  if (kind == 0) {
    CDIB dib;
    dib.Load(std::string(input.Name()));
  } else {
    CDIBPalette palette;
    palette.Load(std::string(input.Name()));
  }
  return 0;
}
