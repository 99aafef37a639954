#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <ostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using Grid = std::set<std::array<int, 3>>;

Grid QuantizedPoints(const CMesh3d& mesh)
{
  Grid grid;
  for (int i = 0; i < mesh.NbVertex(); i++)
    grid.insert(progressive::Quantized(mesh.GetVertex(i)));
  return grid;
}

// True when some point of the grid is within one step of p on every axis.
bool HasNeighbourWithinOneStep(const Grid& grid, const std::array<int, 3>& p)
{
  for (int dx = -1; dx <= 1; dx++)
    for (int dy = -1; dy <= 1; dy++)
      for (int dz = -1; dz <= 1; dz++)
        if (grid.count({p[0] + dx, p[1] + dy, p[2] + dz}))
          return true;
  return false;
}

struct SCase
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
};

// Tens of thousands of vertices: dozens of layers, so that errors would have room to grow.
const SCase kCases[] = {
    {"torus", [] { return progressive::Torus(160, 110); }},
    {"plate with holes", [] { return progressive::PlateWithHoles(150, 130, 10); }},
    {"pierced slab", [] { return progressive::PiercedSlab(80, 50, 3, 3); }},
    {"torus and plate", [] { return progressive::TorusAndPlate(90, 60, 110, 90); }},
};

void PrintTo(const SCase& c, std::ostream* os)
{
  *os << c.name;
}

class ProgressiveExact : public ::testing::TestWithParam<SCase>
{
};

TEST_P(ProgressiveExact, DecoderGivesTheEncodersReconstructionBitForBit)
{
  conquest::CScratchFolder folder;
  const SCase& c = GetParam();
  for (int q : {8, 10, 12}) {
    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(q) + " bits");
    auto mesh = c.build();
    auto reference = c.build();
    ASSERT_TRUE(reference->RangeAndSnap(q));
    ASSERT_GT(mesh->NbVertex(), 8000);
    CMesh3d decoded;
    EXPECT_GT(progressive::ExpectExactRoundTrip(mesh.get(), mesh->NbVertex() / 20, q, "m.vpm",
                                                &decoded),
              4);

    // No drift: the decoded points and the original quantized points are each within one
    // grid step of the other set.
    const Grid original = QuantizedPoints(*reference);
    const Grid decodedPoints = QuantizedPoints(decoded);
    int far = 0;
    for (const auto& p : decodedPoints)
      far += HasNeighbourWithinOneStep(original, p) ? 0 : 1;
    for (const auto& p : original)
      far += HasNeighbourWithinOneStep(decodedPoints, p) ? 0 : 1;
    EXPECT_EQ(0, far);

    }
}

INSTANTIATE_TEST_SUITE_P(Meshes, ProgressiveExact, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SCase>& info) {
                           return std::to_string(info.index);
                         });

// Positions in space follow the quantized ones through the stream's scale and shift.
TEST(ProgressiveGrid, DecodedPositionsLieOnTheQuantizationGrid)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::PlateWithHoles(60, 50, 9);
  float lo[3], hi[3];
  for (int axis = 0; axis < 3; axis++)
    mesh->GetRange(axis, &lo[axis], &hi[axis]);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 100, 10, "p.vpm"));
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "p.vpm"));
  for (int i = 0; i < decoded.NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++) {
      const float step = (hi[axis] - lo[axis]) / 1023;
      const float expected = decoded.GetVertex(i)->Get2(axis) * step + lo[axis];
      EXPECT_NEAR(expected, decoded.GetVertex(i)->Get(axis), 1e-4f * (hi[axis] - lo[axis]));
      // A predicted vertex may land one step off its cell, so one step beyond the range.
      EXPECT_GE(decoded.GetVertex(i)->Get2(axis), -1.0f);
      EXPECT_LE(decoded.GetVertex(i)->Get2(axis), 1024.0f);
    }
}

} // namespace
