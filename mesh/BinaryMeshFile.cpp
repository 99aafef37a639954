#include "mesh/BinaryMeshFile.h"

#include "platform/core/Trace.h"

namespace binaryfile {

void PutWord(std::vector<unsigned char>& bytes, std::uint32_t word)
{
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<unsigned char>(word >> shift));
}

int WriteWhole(const char* fileName, const std::vector<unsigned char>& bytes)
{
  FilePtr file(std::fopen(fileName, "wb"));
  if (!file) {
    platform::Trace("** unable to open file %s for writing\n", fileName);
    return 0;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  const bool closed = std::fclose(file.release()) == 0;
  if (written && closed)
    return 1;
  std::remove(fileName);
  return 0;
}

} // namespace binaryfile
