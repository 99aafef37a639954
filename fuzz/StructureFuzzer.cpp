// The structure (edge-list) decoder.
#include "compression/StructureCoder.h"
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const CFuzzInput input(data, size, ".bin");
  CMesh3d mesh;
  CStructureCoder decoder;
  decoder.Decode(&mesh, input.Name(), CStructureCoder::SOptions());
  return 0;
}
