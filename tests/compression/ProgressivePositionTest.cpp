// Decoded positions against the positions before encoding: whatever the layers and the
// local frames do, each vertex must come back within one grid step of where it was.
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace {

struct SMesh
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
};

void PrintTo(const SMesh& m, std::ostream* os)
{
  *os << m.name;
}

const SMesh kMeshes[] = {
    {"camel", [] { return progressive::ReadObj("camel.obj"); }},
    {"bunny", [] { return progressive::ReadObj("bunny3674.obj"); }},
    {"cheese", [] { return progressive::ReadObj("cheese.obj"); }},
    {"sphere162", [] { return progressive::ReadObj("sphere162.obj"); }},
    {"elephant patch", [] { return progressive::ReadObj("conquest_elephant_patch337.obj"); }},
    {"torus", [] { return progressive::Torus(70, 50); }},
    {"plate with holes", [] { return progressive::PlateWithHoles(70, 60, 9); }},
    {"pierced slab", [] { return progressive::PiercedSlab(30, 16, 3, 3); }},
};

class ProgressivePositions : public ::testing::TestWithParam<SMesh>
{
};

// Largest error over the decoded vertices, per axis in steps of that axis' grid.
double WorstGridError(const CMesh3d& decoded, const CProgressiveCoder& encoder,
                      const std::array<double, 3>& step)
{
  const auto& originals = encoder.GetOriginalPositions();
  double worst = 0;
  for (int i = 0; i < decoded.NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++) {
      if (step[axis] <= 0)
        continue;
      const double error = std::fabs(static_cast<double>(decoded.GetVertex(i)->Get(axis)) -
                                     originals[i][axis]);
      worst = std::max(worst, error / step[axis]);
    }
  return worst;
}

TEST_P(ProgressivePositions, EveryDecodedVertexLiesWithinOneGridStepOfItsOriginal)
{
  conquest::CScratchFolder folder;
  const SMesh& m = GetParam();
  for (int q : {4, 8, 10, 12, 15}) {
    SCOPED_TRACE(std::string(m.name) + " at " + std::to_string(q) + " bits");
    auto mesh = m.build();
    ASSERT_NE(nullptr, mesh);
    const int n0 = mesh->NbVertex();
    std::array<double, 3> step{};
    for (int axis = 0; axis < 3; axis++) {
      float lo = 0, hi = 0;
      mesh->GetRange(axis, &lo, &hi);
      step[axis] = (static_cast<double>(hi) - lo) / ((1 << q) - 1);
    }
    CProgressiveCoder encoder;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), std::max(4, n0 / 30), q, "p.vpm"));
    ASSERT_EQ(static_cast<size_t>(n0), encoder.GetOriginalPositions().size());
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "p.vpm"));
    ASSERT_EQ(n0, decoded.NbVertex());
    // The decoder rebuilds exactly what the encoder predicted, vertex for vertex.
    int mismatches = 0;
    for (int i = 0; i < n0; i++)
      mismatches += progressive::Quantized(decoded.GetVertex(i)) == encoder.GetReconstruction()[i] ? 0 : 1;
    EXPECT_EQ(0, mismatches);
    // A little room for the float arithmetic of i * scale + shift.
    EXPECT_LE(WorstGridError(decoded, encoder, step), 1.0 + 1e-3);
  }
}

INSTANTIATE_TEST_SUITE_P(Meshes, ProgressivePositions, ::testing::ValuesIn(kMeshes),
                         [](const ::testing::TestParamInfo<SMesh>& info) {
                           return std::to_string(info.index);
                         });

// The encoder snaps the positions itself: each vertex of the base mesh it leaves carries the
// second position RangeAndSnap gives the same vertex of an untouched copy, at any depth.
TEST(ProgressiveQuantization, TheBaseMeshKeepsTheSnapOfRangeAndSnap)
{
  conquest::CScratchFolder folder;
  for (const int meshIndex : {5, 6, 2}) {
    for (int q : {4, 9, 11, 15}) {
      const SMesh& m = kMeshes[meshIndex];
      SCOPED_TRACE(std::string(m.name) + " at " + std::to_string(q) + " bits");
      auto mesh = m.build();
      auto reference = m.build();
      ASSERT_TRUE(reference->RangeAndSnap(q));
      std::map<std::array<float, 3>, const CVertex3d*> byPosition;
      for (int i = 0; i < reference->NbVertex(); i++) {
        const CVertex3d* v = reference->GetVertex(i);
        byPosition[{v->x(), v->y(), v->z()}] = v;
      }
      CProgressiveCoder encoder;
      ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), std::max(4, mesh->NbVertex() / 10), q,
                                       "s.vpm"));
      ASSERT_GT(mesh->NbVertex(), 3);
      int unmatched = 0;
      int differing = 0;
      for (int i = 0; i < mesh->NbVertex(); i++) {
        const CVertex3d* v = mesh->GetVertex(i);
        const auto it = byPosition.find({v->x(), v->y(), v->z()});
        if (it == byPosition.end()) {
          unmatched++;
          continue;
        }
        const CVertex3d* w = it->second;
        differing += v->x2() == w->x2() && v->y2() == w->y2() && v->z2() == w->z2() ? 0 : 1;
        // The reconstruction starts with the base mesh as it was snapped.
        differing += encoder.GetReconstruction()[static_cast<size_t>(i)] == progressive::Quantized(w) ? 0 : 1;
      }
      EXPECT_EQ(0, unmatched);
      EXPECT_EQ(0, differing);
    }
  }
}

} // namespace
