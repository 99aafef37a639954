// The position decoder. It moves the vertices of a mesh whose vertex count its header names:
// the harness makes that mesh (up to a bound) so that the decoder goes past its header. The
// first byte gives the refinement level.
#include "coding/IBitFile.h"
#include "compression/PositionDecoder.h"
#include "fuzz/FuzzInput.h"
#include "mesh/Mesh3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const int level = data[0] % 4;
  const CFuzzInput input(data + 1, size - 1, ".bin");
  std::uint32_t nbVertex = 0;
  {
    CIBitFile header(input.Name());
    nbVertex = header.IsValid() ? header.BReadBits(32) : 0;
  }
  CMesh3d mesh;
  if (nbVertex <= 8 * size && nbVertex <= 65536)
    for (std::uint32_t i = 0; i < nbVertex; i++)
      mesh.AddVertex(new CVertex3d(0.0f, 0.0f, 0.0f));
  CPositionDecoder decoder;
  decoder.Decode(input.Name(), nullptr, &mesh, level);
  return 0;
}
