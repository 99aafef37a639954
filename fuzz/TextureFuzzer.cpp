// The texture readers (BMP, JPEG, RAW, SGI) and the compiled-in bitmap; the first byte picks
// one, a RAW file takes its width, height and depth from the next two.
#include "fuzz/FuzzInput.h"
#include "scene/Texture.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size < 3)
    return 0;
  const int kind = data[0] % 5;
  const unsigned width = data[1] + 1u;
  const unsigned height = data[2] + 1u;
  const unsigned depth = data[1] % 2 ? 32 : 24;
  data += 3;
  size -= 3;
  CTexture texture;
  if (kind == 4) {
    texture.ReadFileFromResource(std::span<const std::uint8_t>(data, size));
    return 0;
  }
  static const char* const kSuffixes[] = {".bmp", ".jpg", ".raw", ".rgb"};
  const CFuzzInput input(data, size, kSuffixes[kind]);
  texture.ReadFile(input.Name(), width, height, depth);
  return 0;
}
