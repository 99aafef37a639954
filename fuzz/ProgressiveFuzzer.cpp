// The progressive (".vpm") decoder.
#include "compression/ProgressiveCoder.h"
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"

namespace {
int Ignore(int)
{
  return 1;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const CFuzzInput input(data, size, ".vpm");
  CMesh3d mesh;
  CProgressiveCoder decoder;
  decoder.Decode(&mesh, input.Name(), Ignore, nullptr, 0, 0, 0, 0, 1);
  return 0;
}
