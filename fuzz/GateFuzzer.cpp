// The gate decoders: the first byte picks the triangle decoder (plain or packed stream), the
// quad or the polygon decoder.
#include "compression/PolygonGateDecoder.h"
#include "compression/QuadGateDecoder.h"
#include "compression/TriangleGateDecoder.h"
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const int kind = data[0] % 4;
  const CFuzzInput input(data + 1, size - 1, ".bin");
  if (kind < 2) {
    CMesh3d mesh;
    CTriangleGateDecoder().Decode(&mesh, input.Name(), 0, nullptr, 0, 0, 0, kind);
  } else if (kind == 2) {
    CQuadMesh3d mesh;
    CQuadGateDecoder().Decode(&mesh, input.Name(), 0, nullptr, 0, 0);
  } else {
    CPolygonMesh3d mesh;
    CPolygonGateDecoder().Decode(&mesh, input.Name(), 0, nullptr, 0, 0);
  }
  return 0;
}
