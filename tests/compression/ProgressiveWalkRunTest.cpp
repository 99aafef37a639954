// The encoder's walk takes its commonest gates (front face taken, front vertex on the front, a
// free vertex refused by its boundary status, its valence or a remembered refusal) in a run of
// their own wherever no view or colour shows each gate. Colouring every refused patch by its
// cause sends each gate through the general path instead: both must decide alike.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadAll(const std::string& name)
{
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<CMesh3d> Obj(const char* name)
{
  auto mesh = progressive::ReadObj(name);
  EXPECT_NE(nullptr, mesh) << name;
  return mesh ? std::move(mesh) : std::make_unique<CMesh3d>();
}

struct SMeshCase
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
};

struct SLayer
{
  int gateType;
  int maxValence;
  int pureValence;
  int applyRemoval;
};

// Successive single layers of each kind on two copies of a mesh, the second coloured by cause:
// the codes written and the meshes left are the same, layer after layer. Open and closed
// meshes, with and without a boundary, valences refused by the bound and by purity, and a
// layer that removes nothing it judges.
TEST(ProgressiveWalkRun, LayersCodeAsTheGeneralPath)
{
  conquest::CScratchFolder folder;
  const SMeshCase meshes[] = {
      {"plate with holes", [] { return progressive::PlateWithHoles(40, 40, 8); }},
      {"pierced slab", [] { return progressive::PiercedSlab(12, 10, 4, 2); }},
      {"torus and plate", [] { return progressive::TorusAndPlate(24, 12, 20, 20); }},
      {"cheese", [] { return Obj("cheese.obj"); }},
  };
  const SLayer layers[] = {{0, 6, 0, 1}, {1, 3, 0, 1}, {0, 4, 1, 1},
                           {0, 5, 0, 0}, {1, 3, 0, 1}, {0, 6, 0, 1}};
  for (const SMeshCase& m : meshes) {
    SCOPED_TRACE(m.name);
    auto plain = m.build();
    auto coloured = m.build();
    const int initial = plain->NbVertex();
    ASSERT_GT(initial, 100);
    CProgressiveCoder a;
    CProgressiveCoder b;
    int index = 0;
    for (const SLayer& l : layers) {
      SCOPED_TRACE(index++);
      ASSERT_EQ(1, a.EncodeOneLayer(plain.get(), "plain.bin", l.gateType, l.maxValence,
                                    l.pureValence, 0, 1, 0, 0, 0.0, l.applyRemoval, nullptr, 1,
                                    0, 0, 0));
      ASSERT_EQ(1, b.EncodeOneLayer(coloured.get(), "coloured.bin", l.gateType, l.maxValence,
                                    l.pureValence, 0, 1, 0, 0, 0.0, l.applyRemoval, nullptr, 1,
                                    0, 1, 0));
      const std::vector<char> bytes = ReadAll("plain.bin");
      EXPECT_FALSE(bytes.empty());
      EXPECT_TRUE(bytes == ReadAll("coloured.bin"));
      EXPECT_EQ(plain->NbVertex(), coloured->NbVertex());
      EXPECT_EQ(plain->NbFace(), coloured->NbFace());
    }
    // The layers removed vertices: gates were judged, not only passed over.
    EXPECT_LT(plain->NbVertex(), initial);
  }
}

struct SRun
{
  std::vector<char> bytes;
  int hits = 0;
  int mismatches = 0;
};

struct SMemoryCase
{
  const char* name;
  int useMetric;
  int metricKind;
  double threshold;
};

SRun EncodeWithMemory(const SMemoryCase& c, int mode)
{
  auto mesh = Obj(c.name);
  CProgressiveCoder coder;
  coder.SetRefusalMemory(mode);
  SRun run;
  EXPECT_EQ(1, coder.Encode(mesh.get(), mesh->NbVertex() / 100, 11, "memory.vpm", 0, 0, 1,
                            c.useMetric, c.metricKind, c.threshold, 0, 0, nullptr, 1, 0, 0,
                            nullptr, 0, nullptr, 0));
  run.bytes = ReadAll("memory.vpm");
  run.hits = coder.GetRefusalHits();
  run.mismatches = coder.GetRefusalMismatches();
  return run;
}

// The run answers remembered refusals itself (mode 0); judging every gate in full and counting
// the answers memory could have given (mode 2) goes through the general path. Both count the
// same refusals and write the same stream.
TEST(ProgressiveWalkRun, RememberedRefusalsCountAsInFullJudgement)
{
  conquest::CScratchFolder folder;
  // Normal flipping alone on the cheese; the volume metric on the camel, which otherwise
  // refuses too little to come back to.
  const SMemoryCase cases[] = {{"cheese.obj", 0, 0, 0.0}, {"camel.obj", 1, 1, 0.25}};
  for (const SMemoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SRun remembered = EncodeWithMemory(c, 0);
    const SRun checked = EncodeWithMemory(c, 2);
    ASSERT_FALSE(remembered.bytes.empty());
    EXPECT_GT(remembered.hits, 1000);
    EXPECT_EQ(checked.hits, remembered.hits);
    EXPECT_EQ(0, checked.mismatches);
    EXPECT_TRUE(remembered.bytes == checked.bytes);
  }
}

// A free vertex the run cannot answer from memory is judged in full within the run (mode 0);
// with memory off (mode 1) every such gate goes through the general path. Layer by layer, on
// a closed torus whose layers remove most of what they judge, on the cheese, which refuses
// most, and on an open plate: the same codes, the same vertices left, the same causes.
TEST(ProgressiveWalkRun, FullJudgementsInTheRunDecideAsTheGeneralPath)
{
  conquest::CScratchFolder folder;
  const SMeshCase meshes[] = {
      {"torus", [] { return progressive::Torus(30, 20); }},
      {"cheese", [] { return Obj("cheese.obj"); }},
      {"plate with holes", [] { return progressive::PlateWithHoles(30, 30, 6); }},
  };
  const SLayer layers[] = {{0, 6, 0, 1}, {1, 3, 0, 1}, {0, 6, 0, 1}, {1, 3, 0, 1}, {0, 5, 0, 1}};
  for (const SMeshCase& m : meshes) {
    SCOPED_TRACE(m.name);
    std::unique_ptr<CMesh3d> mesh[2] = {m.build(), m.build()};
    const int initial = mesh[0]->NbVertex();
    CProgressiveCoder coder[2];
    for (int mode = 0; mode < 2; mode++)
      coder[mode].SetRefusalMemory(mode);
    int index = 0;
    for (const SLayer& l : layers) {
      SCOPED_TRACE(index++);
      std::vector<char> bytes[2];
      for (int mode = 0; mode < 2; mode++) {
        ASSERT_EQ(1, coder[mode].EncodeOneLayer(mesh[mode].get(), "layer.bin", l.gateType,
                                                l.maxValence, l.pureValence, 0, 1, 0, 0, 0.0,
                                                l.applyRemoval, nullptr, 1, 0, 0, 0));
        bytes[mode] = ReadAll("layer.bin");
      }
      EXPECT_FALSE(bytes[0].empty());
      EXPECT_TRUE(bytes[0] == bytes[1]);
      EXPECT_EQ(mesh[0]->NbVertex(), mesh[1]->NbVertex());
      EXPECT_EQ(mesh[0]->NbFace(), mesh[1]->NbFace());
    }
    // Vertices went: the run judged and removed, not only passed gates over.
    EXPECT_LT(mesh[0]->NbVertex(), initial);
  }
}

// A torus with a fin on one of its edges: the fin's face and a torus face hold that edge the
// same way round, and the fin opens a boundary.
std::unique_ptr<CMesh3d> FinnedTorus()
{
  auto mesh = progressive::Torus(20, 12);
  CFace3d* f = mesh->GetFace(195);
  auto* fin = new CVertex3d(f->v(0)->x() + 0.1f, f->v(0)->y() + 0.2f, f->v(0)->z() + 0.3f);
  mesh->AddVertex(fin);
  mesh->AddFace(new CFace3d(f->v(0), f->v(1), fin));
  mesh->Rebuild();
  return mesh;
}

// The boundary status of each free vertex read on its corners (remembered in mode 0, checked
// against its faces in mode 2) on open meshes, one with an edge held twice the same way: no
// answer differs from the faces', and both modes write the same stream.
TEST(ProgressiveWalkRun, BoundaryStatusOnCornersAgreesWithTheFaces)
{
  conquest::CScratchFolder folder;
  const SMeshCase meshes[] = {
      {"finned torus", FinnedTorus},
      {"plate with holes", [] { return progressive::PlateWithHoles(40, 40, 8); }},
      {"torus and plate", [] { return progressive::TorusAndPlate(24, 12, 20, 20); }},
  };
  for (const SMeshCase& m : meshes) {
    SCOPED_TRACE(m.name);
    std::vector<char> bytes[2];
    for (int mode : {0, 2}) {
      auto mesh = m.build();
      ASSERT_TRUE(mesh->HasBoundary());
      CProgressiveCoder coder;
      coder.SetRefusalMemory(mode);
      ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), mesh->NbVertex() / 20, 10, "b.vpm"));
      EXPECT_GT(coder.NbLayer(), 2);
      EXPECT_EQ(0, coder.GetBoundaryMismatches());
      bytes[mode / 2] = ReadAll("b.vpm");
    }
    EXPECT_FALSE(bytes[0].empty());
    EXPECT_TRUE(bytes[0] == bytes[1]);
  }
}

} // namespace
