// The polygon OBJ reader and the binary quad mesh reader; the first byte picks one.
#include "fuzz/FuzzInput.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  if (data[0] % 2 == 0) {
    const CFuzzInput input(data + 1, size - 1, ".obj");
    CPolygonMesh3d mesh;
    mesh.ReadFileOBJ(input.Name());
  } else {
    const CFuzzInput input(data + 1, size - 1, "quad");
    CQuadMesh3d mesh;
    mesh.ReadBinary(input.Name());
  }
  return 0;
}
