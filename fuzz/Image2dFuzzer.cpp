// The image library's readers (PGM, inrimage, BMP, LGN); the first byte picks one.
#include "fuzz/FuzzInput.h"
#include "scene/Image2d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  static const char* const kSuffixes[] = {".pgm", ".inr", ".bmp", ".lgn"};
  const CFuzzInput input(data + 1, size - 1, kSuffixes[data[0] % 4]);
  CImage2d image;
  image.ReadFile(input.Name());
  return 0;
}
