// The ".bin" bit-stream mesh reader.
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const CFuzzInput input(data, size, ".bin");
  CMesh3d mesh;
  mesh.ReadFileBin(input.Name());
  return 0;
}
