// The bytes of progressive streams, pinned: any change to the conquest, the vetoes, the
// prediction or the writers shows here as a different hash.
#include "compression/ProgressiveCoder.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// FNV-1a, 64 bits, over the whole file (0 when it cannot be read).
std::uint64_t HashFile(const std::string& name)
{
  std::ifstream in(name, std::ios::binary);
  if (!in)
    return 0;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::uint64_t h = 14695981039346656037ull;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

struct SStreamPin
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
  int targetDivisor;
  int q;
  int simulate;
  int forbidConcave;
  int forbidNormalFlipping;
  int useMetric;
  int metricKind;
  double threshold;
  int switchMetricOff;
  std::uint64_t hash;
};

std::unique_ptr<CMesh3d> Obj(const char* name)
{
  auto mesh = progressive::ReadObj(name);
  EXPECT_NE(nullptr, mesh) << name;
  return mesh ? std::move(mesh) : std::make_unique<CMesh3d>();
}

const SStreamPin kStreams[] = {
    {"torus", [] { return progressive::Torus(40, 30); }, 20, 12, 0, 0, 0, 0, 0, 0, 0, 16880160840557927640ull},
    {"torus packed", [] { return progressive::Torus(40, 30); }, 20, 8, 1, 0, 0, 0, 0, 0, 0, 8799661050499512810ull},
    {"plate concave", [] { return progressive::PlateWithHoles(40, 30, 9); }, 10, 10, 0, 1, 0, 0, 0, 0, 0, 9977678534575616282ull},
    {"plate distance", [] { return progressive::PlateWithHoles(40, 30, 9); }, 10, 10, 0, 0, 1, 1, 0, 0.25, 0, 11368476838677957684ull},
    {"slab volume", [] { return progressive::PiercedSlab(20, 12, 3, 2); }, 10, 12, 1, 0, 1, 1, 1, 0.25, 1, 11457609458706323989ull},
    {"sphere162", [] { return Obj("sphere162.obj"); }, 10, 12, 0, 0, 0, 0, 0, 0, 0, 3333494970715164178ull},
    {"sphere162 packed", [] { return Obj("sphere162.obj"); }, 10, 10, 1, 0, 1, 0, 0, 0, 0, 9184772029853358584ull},
    {"elephant patch", [] { return Obj("conquest_elephant_patch337.obj"); }, 10, 12, 0, 0, 0, 0, 0, 0, 0, 17262251233532266731ull},
    {"elephant patch metric", [] { return Obj("conquest_elephant_patch337.obj"); }, 10, 10, 1, 1, 1, 1, 1, 0.3, 0, 2431184090417958226ull},
    {"bunny", [] { return Obj("bunny3674.obj"); }, 20, 12, 0, 0, 0, 0, 0, 0, 0, 17503060557865563398ull},
    {"bunny packed", [] { return Obj("bunny3674.obj"); }, 20, 10, 1, 0, 1, 1, 0, 0.25, 0, 2122060537787953946ull},
    {"camel", [] { return Obj("camel.obj"); }, 20, 10, 0, 0, 0, 0, 0, 0, 0, 18364029683873751373ull},
    {"cheese", [] { return Obj("cheese.obj"); }, 20, 12, 1, 0, 0, 0, 0, 0, 0, 7860132039702721200ull},
    // Down to a hundredth with the normal flipping veto on: many layers that remove little.
    {"cheese flipping", [] { return Obj("cheese.obj"); }, 100, 11, 0, 0, 1, 0, 0, 0, 0, 18431035510922783309ull},
    {"cheese metric", [] { return Obj("cheese.obj"); }, 100, 11, 0, 1, 1, 1, 0, 0.3, 1, 14844418188767847414ull},
    {"camel flipping", [] { return Obj("camel.obj"); }, 100, 11, 0, 0, 1, 0, 0, 0, 0, 16143989298482626968ull},
    {"plate flipping", [] { return progressive::PlateWithHoles(60, 60, 10); }, 100, 11, 0, 0, 1, 0, 0, 0, 0, 5522226871806777399ull},
};

TEST(ProgressivePins, StreamBytesStayTheSame)
{
  conquest::CScratchFolder folder;
  for (const SStreamPin& pin : kStreams) {
    SCOPED_TRACE(pin.name);
    auto mesh = pin.build();
    ASSERT_GT(mesh->NbVertex(), 100);
    CProgressiveCoder coder;
    // The metric goes off below half the vertices when the switch is on.
    ASSERT_EQ(1, coder.Encode(mesh.get(), mesh->NbVertex() / pin.targetDivisor, pin.q, "pin.vpm",
                              pin.simulate, pin.forbidConcave, pin.forbidNormalFlipping,
                              pin.useMetric, pin.metricKind, pin.threshold, pin.switchMetricOff,
                              mesh->NbVertex() / 2, nullptr, 1, 0, 0, nullptr, 0, nullptr, 0));
    EXPECT_EQ(pin.hash, HashFile("pin.vpm"));
  }
}

struct SLayerPin
{
  int gateType;
  int maxValence;
  int pureValence;
  int applyRemoval;
  std::uint64_t hash;
};

const SLayerPin kLayers[] = {
    {0, 6, 0, 1, 6482377764097239991ull},
    {1, 3, 0, 1, 1745791340959187137ull},
    {0, 6, 1, 1, 9824184052463301092ull},
    {0, 5, 0, 0, 14719766330883761484ull},
};

TEST(ProgressivePins, SingleLayerBytesStayTheSame)
{
  conquest::CScratchFolder folder;
  for (const SLayerPin& pin : kLayers) {
    SCOPED_TRACE(pin.gateType * 1000 + pin.maxValence * 100 + pin.pureValence * 10 + pin.applyRemoval);
    auto mesh = progressive::ReadObj("bunny3674.obj");
    ASSERT_NE(nullptr, mesh);
    CProgressiveCoder coder;
    ASSERT_EQ(1, coder.EncodeOneLayer(mesh.get(), "refine.bin", pin.gateType, pin.maxValence,
                                      pin.pureValence, 0, 0, 0, 0, 0.0, pin.applyRemoval, nullptr,
                                      1, 0, 0, 0));
    EXPECT_EQ(pin.hash, HashFile("refine.bin"));
  }
}

} // namespace

namespace {

// Colouring each refused patch by its cause checks the vetoes in another order: the
// decisions, hence the stream, stay the same.
TEST(ProgressivePins, CauseColouringLeavesTheStreamAlone)
{
  conquest::CScratchFolder folder;
  for (const char* name : {"bunny3674.obj", "cheese.obj"}) {
    SCOPED_TRACE(name);
    std::uint64_t hashes[2] = {0, 0};
    for (int colourCause = 0; colourCause < 2; colourCause++) {
      auto mesh = Obj(name);
      ASSERT_GT(mesh->NbVertex(), 100);
      CProgressiveCoder coder;
      ASSERT_EQ(1, coder.Encode(mesh.get(), mesh->NbVertex() / 20, 10, "cause.vpm", 0, 1, 1, 1, 0,
                                0.3, 0, 0, nullptr, 1, 0, colourCause, nullptr, 0, nullptr, 0));
      hashes[colourCause] = HashFile("cause.vpm");
    }
    EXPECT_NE(0u, hashes[0]);
    EXPECT_EQ(hashes[0], hashes[1]);
  }
}

} // namespace
