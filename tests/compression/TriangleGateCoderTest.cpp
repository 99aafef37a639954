#include "GateTestUtil.h"
#include "ObjSoup.h"

#include "compression/GateCodes.h"
#include "compression/GateStream.h"
#include "compression/TriangleGateCoder.h"
#include "compression/TriangleGateDecoder.h"
#include "mesh/MeshFixtures.h"
#include "mesh/QueryFixtures.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

using gatetest::CCurrentTempFolder;

namespace {

// Encodes into mesh.bin (and packed.bin) of the current folder.
int Encode(CMesh3d* mesh, CTriangleGateCoder* coder, int adaptive = 1, int seedFace = 0,
           int order = 0)
{
  return coder->Encode(mesh, "mesh.bin", order, seedFace, adaptive, 0, nullptr, 1, 0, 0, 0);
}

int Decode(CMesh3d* mesh, const char* fileName = "mesh.bin", int packed = 0,
           CTriangleGateDecoder* decoder = nullptr)
{
  CTriangleGateDecoder local;
  return (decoder ? decoder : &local)->Decode(mesh, fileName, 0, nullptr, 1, 0, 0, packed);
}

// The decoded mesh holds the same faces through the encoder's vertex order, and the
// positions bit for bit.
void ExpectSameMesh(const CMesh3d& original, const CTriangleGateCoder& coder,
                    const CMesh3d& decoded)
{
  const auto& order = coder.GetVertexOrder();
  ASSERT_TRUE(gatetest::SamePositions(order, decoded));
  const auto expected = gatetest::Faces(
    original.NbFace(), [&](int i) { return gatetest::Corners(original, i); },
    gatetest::RankOf(order, order.GetSize()));
  const auto actual = gatetest::Faces(
    decoded.NbFace(), [&](int i) { return gatetest::Corners(decoded, i); },
    gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
  EXPECT_EQ(decoded.NbFace(), original.NbFace());
  EXPECT_EQ(actual, expected);
}

void ExpectRoundTrip(CMesh3d* mesh, int adaptive = 1, int seedFace = 0, int order = 0)
{
  CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh, &coder, adaptive, seedFace, order), 1);
  CMesh3d decoded;
  ASSERT_EQ(Decode(&decoded), 1);
  ExpectSameMesh(*mesh, coder, decoded);
  CMesh3d unpacked;
  ASSERT_EQ(Decode(&unpacked, "packed.bin", 1), 1);
  ExpectSameMesh(*mesh, coder, unpacked);
}

// Faces (a, b, c), (b, a, d), (c, b, d), (a, c, d).
std::unique_ptr<CMesh3d> WorkedTetrahedron()
{
  return fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3f, 0.3f, 1}},
                         {{0, 1, 2}, {1, 0, 3}, {2, 1, 3}, {0, 2, 3}});
}

// Two meshes in one: the second moved aside.
std::unique_ptr<CMesh3d> TwoComponents(std::unique_ptr<CMesh3d> a, const CMesh3d& b)
{
  const int base = a->NbVertex();
  for (int i = 0; i < b.NbVertex(); i++) {
    const CVertex3d* v = b.GetVertex(i);
    a->AddVertex(new CVertex3d(v->x() + 5.0f, v->y(), v->z()));
  }
  for (int i = 0; i < b.NbFace(); i++) {
    const CFace3d* f = b.GetFace(i);
    a->AddFace(new CFace3d(a->GetVertex(base + b.IndexFrom(f->v(0))),
                           a->GetVertex(base + b.IndexFrom(f->v(1))),
                           a->GetVertex(base + b.IndexFrom(f->v(2)))));
  }
  a->Rebuild();
  return a;
}

} // namespace

TEST(TriangleGateCoder, TetrahedronGivesCreateAndTwoMeshCw)
{
  CCurrentTempFolder folder;
  auto mesh = WorkedTetrahedron();
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{4, 2}));
  EXPECT_EQ(coder.GetGenus(), 0);
  const auto& order = coder.GetVertexOrder();
  ASSERT_EQ(order.GetSize(), 4);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(order[i], mesh->GetVertex(i));

  CTriangleGateDecoder decoder;
  CMesh3d decoded;
  ASSERT_EQ(Decode(&decoded, "mesh.bin", 0, &decoder), 1);
  EXPECT_EQ(decoder.GetCodes(), (std::vector<unsigned int>{0, 2, 2}));
  ExpectSameMesh(*mesh, coder, decoded);
}

TEST(TriangleGateCoder, StreamLayoutOfTheTetrahedron)
{
  CCurrentTempFolder folder;
  auto mesh = WorkedTetrahedron();
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder, 1, 0, 2), 1);
  const auto bytes = ReadBytes("mesh.bin");
  ASSERT_GE(bytes.size(), 1u + 4 * 12);
  // Genus 0, adaptive (second bit 0), order 2 least significant bit first: 00 010.
  EXPECT_EQ(bytes[0] & 0xF8, 0x10);
  // The range-coded section starts on the next byte with 0x00.
  EXPECT_EQ(bytes[1], 0x00);
  // No seed section: geometry and one pad byte end the stream (4 vertices, aligned).
  const std::size_t geometry = bytes.size() - 4 * 12 - 1;
  EXPECT_EQ(bytes.back(), 0x00);
  float x = 0;
  std::uint32_t pattern = 0;
  for (int i = 0; i < 32; i++) {
    const std::size_t bit = geometry * 8 + 3 * 32 * 3 + i; // vertex d, its x
    pattern |= ((bytes[bit / 8] >> (7 - bit % 8)) & 1u) << i;
  }
  x = std::bit_cast<float>(pattern);
  EXPECT_EQ(x, 0.3f);
}

TEST(TriangleGateCoder, OneTriangleGivesThreeSkips)
{
  CCurrentTempFolder folder;
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  EXPECT_EQ(coder.GetCodes(), (std::vector<unsigned int>{3, 3, 3}));
  CMesh3d decoded;
  ASSERT_EQ(Decode(&decoded), 1);
  EXPECT_EQ(decoded.NbVertex(), 3);
  ExpectSameMesh(*mesh, coder, decoded);
}

TEST(TriangleGateCoder, PackingAndRuns)
{
  EXPECT_EQ(gate::PackPairs({0, 2, 0, 2, 2}), (std::vector<unsigned int>{4, 4, 2}));
  std::vector<unsigned int> codes{4, 4, 4, 4, 4, 4, 1, 4, 4, 3};
  gate::ReplacePairRuns(&codes);
  EXPECT_EQ(codes, (std::vector<unsigned int>{6, 1, 4, 4, 3}));
  EXPECT_EQ(gate::CodeHistogram({0, 2, 2, 3}), (std::vector<int>{1, 0, 2, 1}));
}

TEST(TriangleGateCoder, ClosedMeshesRoundTrip)
{
  ExpectRoundTrip(fixtures::Octahedron().get());
  ExpectRoundTrip(fixtures::Icosphere(2).get(), 1, 17, 1);
  ExpectRoundTrip(fixtures::Icosphere(1).get(), 1, 0, 3);
}

TEST(TriangleGateCoder, OpenMeshesRoundTrip)
{
  ExpectRoundTrip(fixtures::Fan(7).get());
  ExpectRoundTrip(fixtures::Strip(9).get());
  ExpectRoundTrip(fixtures::Strip(9).get(), 1, 8);
  ExpectRoundTrip(queries::Grid(6, 1.0f).get(), 1, 30);
}

TEST(TriangleGateCoder, TorusNeedsTheZip)
{
  auto torus = gatetest::TriangleTorus(12, 8);
  ExpectRoundTrip(torus.get());
  CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(torus.get(), &coder), 1);
  EXPECT_EQ(coder.GetGenus(), 1);
}

TEST(TriangleGateCoder, OldestGateFirstRoundTrips)
{
  ExpectRoundTrip(fixtures::Icosphere(2).get(), 0);
  ExpectRoundTrip(gatetest::TriangleTorus(9, 7).get(), 0);
}

TEST(TriangleGateCoder, SeveralComponentsRoundTrip)
{
  auto tetra = fixtures::Tetrahedron();
  ExpectRoundTrip(TwoComponents(fixtures::Icosphere(1), *tetra).get());
  auto strip = fixtures::Strip(4);
  auto mixed = TwoComponents(TwoComponents(gatetest::TriangleTorus(8, 6), *strip), *tetra);
  ExpectRoundTrip(mixed.get());
  ExpectRoundTrip(mixed.get(), 0, 50);
}

TEST(TriangleGateCoder, RefusesWhatItCannotCode)
{
  CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  auto tetra = fixtures::Tetrahedron();
  EXPECT_EQ(Encode(tetra.get(), &coder, 1, 4), 0);
  EXPECT_EQ(Encode(tetra.get(), &coder, 1, -1), 0);
  EXPECT_EQ(Encode(tetra.get(), &coder, 1, 0, 8), 0);
  auto nonManifold = fixtures::NonManifoldEdge();
  EXPECT_EQ(Encode(nonManifold.get(), &coder), 0);
  // Two faces of opposite orientation across an edge.
  auto flipped = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                 {{0, 1, 2}, {1, 2, 3}});
  EXPECT_EQ(Encode(flipped.get(), &coder), 0);
  CMesh3d empty;
  EXPECT_EQ(Encode(&empty, &coder), 0);
  EXPECT_FALSE(std::filesystem::exists("mesh.bin"));
}

TEST(TriangleGateCoder, RefusesACornerTheMeshDoesNotHold)
{
  // The faces and their adjacency are whole, but one corner is missing from the mesh's vertex
  // array: its position could not be told apart from the vertices the mesh holds.
  CCurrentTempFolder folder;
  auto mesh = fixtures::Octahedron();
  std::unique_ptr<CVertex3d> outside(mesh->GetVertex(5));
  mesh->GetArrayVertex()->RemoveAt(5);
  CTriangleGateCoder coder;
  EXPECT_EQ(Encode(mesh.get(), &coder), 0);
  EXPECT_FALSE(std::filesystem::exists("mesh.bin"));
  // The vertices the mesh holds keep flags of 0 or 1, not run-time indices.
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_GE(mesh->GetVertex(i)->GetFlag(), 0) << i;
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_LE(mesh->GetVertex(i)->GetFlag(), 1) << i;
  // Back in the array, the same mesh is coded.
  mesh->AddVertex(outside.release());
  EXPECT_EQ(Encode(mesh.get(), &coder), 1);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(mesh->GetVertex(i)->GetFlag(), 1) << i;
}

TEST(TriangleGateCoder, RefusesAFaceListedTwice)
{
  // Every fan is consistent, but the face's edges would be coded once for two faces.
  CCurrentTempFolder folder;
  auto mesh = fixtures::Octahedron();
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(40 + i);
  mesh->GetArrayFace()->Add(mesh->GetFace(2));
  CTriangleGateCoder coder;
  EXPECT_EQ(Encode(mesh.get(), &coder), 0);
  EXPECT_FALSE(std::filesystem::exists("mesh.bin"));
  mesh->GetArrayFace()->RemoveAt(mesh->NbFace() - 1);
  // The refused run left the flags as they were.
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), 40 + i);
  EXPECT_EQ(Encode(mesh.get(), &coder), 1);
}

TEST(TriangleGateCoder, StreamsAreIdenticalBetweenRuns)
{
  CCurrentTempFolder folder;
  auto mesh = gatetest::TriangleTorus(10, 6);
  CTriangleGateCoder first;
  ASSERT_EQ(first.Encode(mesh.get(), "one.bin", 2, 3, 1, 0, nullptr, 1, 0, 0, 0), 1);
  const auto packed = ReadBytes("packed.bin");
  CTriangleGateCoder second;
  ASSERT_EQ(second.Encode(mesh.get(), "two.bin", 2, 3, 1, 0, nullptr, 1, 0, 0, 0), 1);
  EXPECT_EQ(ReadBytes("one.bin"), ReadBytes("two.bin"));
  EXPECT_EQ(ReadBytes("packed.bin"), packed);
  EXPECT_GT(first.GetBitsPerVertex(), 0.0f);
  EXPECT_LE(first.GetPackedBitsPerVertex(), first.GetBitsPerVertex() + 1.0f);
}

TEST(TriangleGateCoder, TruncatedStreamsFail)
{
  CCurrentTempFolder folder;
  auto mesh = TwoComponents(gatetest::TriangleTorus(6, 5), *fixtures::Tetrahedron());
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  const auto bytes = ReadBytes("mesh.bin");
  for (std::size_t n = 0; n < bytes.size(); n++) {
    WriteBytes("cut.bin", {bytes.begin(), bytes.begin() + static_cast<long>(n)});
    CMesh3d decoded;
    ASSERT_EQ(Decode(&decoded, "cut.bin"), 0) << n << " bytes";
    EXPECT_EQ(decoded.NbVertex(), 0);
    EXPECT_EQ(decoded.NbFace(), 0);
  }
  CMesh3d missing;
  EXPECT_EQ(Decode(&missing, "missing.bin"), 0);
}

TEST(TriangleGateCoder, FlippedBitsNeverCrash)
{
  CCurrentTempFolder folder;
  auto mesh = TwoComponents(fixtures::Icosphere(1), *fixtures::Tetrahedron());
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  const auto bytes = ReadBytes("mesh.bin");
  int failures = 0;
  for (std::size_t bit = 0; bit < bytes.size() * 8; bit++) {
    WriteBytes("flip.bin", gatetest::Flipped(bytes, bit));
    CMesh3d decoded;
    if (!Decode(&decoded, "flip.bin")) {
      failures++;
      EXPECT_EQ(decoded.NbVertex() + decoded.NbFace(), 0);
    }
  }
  // Flips in the header and the code section are caught; flips in the floats are not.
  EXPECT_GT(failures, 0);
}

TEST(TriangleGateCoder, VisualDebuggingRedrawsWithoutAPeriod)
{
  CCurrentTempFolder folder;
  int redraws = 0;
  auto previous = platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  int viewStandIn = 0;
  auto* view = reinterpret_cast<CRenderView*>(&viewStandIn);
  auto mesh = gatetest::TriangleTorus(6, 5);
  CTriangleGateCoder coder;
  // A period of 0 redraws only when forced: at the start of each attempt and at the end.
  ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 1, view, 0, 0, 0, 0), 1);
  EXPECT_GE(redraws, 2);
  const int afterEncode = redraws;
  CTriangleGateDecoder decoder;
  CMesh3d decoded;
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 1, view, 1, 0, 0), 1);
  EXPECT_GT(redraws - afterEncode, decoded.NbFace() / 2);
  platform::SetRedrawHook(previous);
}

TEST(TriangleGateCoder, LevelsFileHoldsTheMeshAtEveryRedraw)
{
  CCurrentTempFolder folder;
  auto mesh = fixtures::Octahedron();
  CTriangleGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  CTriangleGateDecoder decoder;
  CMesh3d decoded;
  // Without a view nothing is drawn, but every refresh still writes the levels.
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 1, nullptr, 4, 0, 1), 1);
  const auto bytes = ReadBytes("levels.wrl");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind("#VRML V2.0 utf8", 0), 0u);
  std::size_t blocks = 0;
  for (std::size_t at = text.find("IndexedFaceSet"); at != std::string::npos;
       at = text.find("IndexedFaceSet", at + 1))
    blocks++;
  EXPECT_GE(blocks, 2u);
}

namespace {

// What one encode leaves: its result, both streams, the flags and the statistics.
struct SEncodeRun
{
  int Ok = 0;
  std::vector<std::uint8_t> Stream;
  std::vector<std::uint8_t> Packed;
  std::vector<int> FaceFlags;
  std::vector<int> VertexFlags;
  int Conquered = 0;
  int Seeds = 0;
  int Genus = 0;

  bool operator==(const SEncodeRun&) const = default;
};

SEncodeRun EncodeRun(CMesh3d* mesh, CTriangleGateCoder* coder, int seed, int adaptive, int debug,
                     CRenderView* view = nullptr)
{
  SEncodeRun run;
  run.Ok = coder->Encode(mesh, "mesh.bin", 1, seed, adaptive, debug, view, 0, 0, 0, 0);
  run.Stream = ReadBytes("mesh.bin");
  run.Packed = ReadBytes("packed.bin");
  for (int i = 0; i < mesh->NbFace(); i++)
    run.FaceFlags.push_back(mesh->GetFace(i)->GetFlag());
  for (int i = 0; i < mesh->NbVertex(); i++)
    run.VertexFlags.push_back(mesh->GetVertex(i)->GetFlag());
  run.Conquered = coder->GetConqueredFaces();
  run.Seeds = coder->NbSeedFace();
  run.Genus = coder->GetGenus();
  return run;
}

} // namespace

TEST(TriangleGateCoder, LaterAttemptsCodeAsAWholeRerunDoes)
{
  // The open patch leaves faces that the first attempts' seeds do not reach, so the encoder
  // starts over with more seeds. Visual debugging still reruns each attempt in full (each
  // starts with a forced redraw); without it the conquest from the seed face is kept from
  // the first attempt. Both must code the same.
  CCurrentTempFolder folder;
  int redraws = 0;
  auto previous = platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  int viewStandIn = 0;
  auto* view = reinterpret_cast<CRenderView*>(&viewStandIn);
  auto mesh = objsoup::ReadData("conquest_elephant_patch337.obj");
  ASSERT_TRUE(mesh);
  for (const int seed : {0, 237, 473})
    for (const int adaptive : {0, 1}) {
      CTriangleGateCoder drawn;
      redraws = 0;
      const SEncodeRun full = EncodeRun(mesh.get(), &drawn, seed, adaptive, 1, view);
      ASSERT_EQ(full.Ok, 1);
      // Two attempts or more: a start each, and the end.
      if (seed == 0) {
        EXPECT_GE(redraws, 3) << "adaptive " << adaptive;
      }
      CTriangleGateCoder quiet;
      const SEncodeRun kept = EncodeRun(mesh.get(), &quiet, seed, adaptive, 0);
      EXPECT_TRUE(kept == full) << "seed " << seed << " adaptive " << adaptive;
      EXPECT_GT(kept.Seeds, 0);
    }
  platform::SetRedrawHook(previous);
}

TEST(TriangleGateCoder, AReusedCoderStartsEachEncodeAfresh)
{
  // The kept conquest belongs to one encode: another mesh, or another seed face, on the same
  // coder codes as a fresh coder does.
  CCurrentTempFolder folder;
  auto patch = objsoup::ReadData("conquest_elephant_patch337.obj");
  auto torus = gatetest::TriangleTorus(8, 5);
  ASSERT_TRUE(patch);
  CTriangleGateCoder reused;
  const SEncodeRun patch0 = EncodeRun(patch.get(), &reused, 0, 1, 0);
  const SEncodeRun torus3 = EncodeRun(torus.get(), &reused, 3, 1, 0);
  const SEncodeRun patch237 = EncodeRun(patch.get(), &reused, 237, 1, 0);
  const SEncodeRun patch0Again = EncodeRun(patch.get(), &reused, 0, 1, 0);
  CTriangleGateCoder fresh[3];
  EXPECT_TRUE(torus3 == EncodeRun(torus.get(), &fresh[0], 3, 1, 0));
  EXPECT_TRUE(patch237 == EncodeRun(patch.get(), &fresh[1], 237, 1, 0));
  EXPECT_TRUE(patch0Again == EncodeRun(patch.get(), &fresh[2], 0, 1, 0));
  EXPECT_TRUE(patch0 == patch0Again);
  EXPECT_NE(patch0.Stream, patch237.Stream);
}

TEST(TriangleGateCoder, SeedRanksAreFirstPlacesInTheOrder)
{
  auto mesh = fixtures::Tetrahedron();
  ASSERT_EQ(mesh->NbVertex(), 4);
  CVertex3d* v[4] = {mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2), mesh->GetVertex(3)};
  // Vertex 2 stands twice in the order: its first place counts.
  CArray3d<CVertex3d> order;
  for (CVertex3d* w : {v[3], v[2], v[0], v[2], v[1]})
    order.Add(w);
  CArray3d<CFace3d> seeds;
  seeds.Add(mesh->GetFace(0));
  seeds.Add(mesh->GetFace(1));
  seeds.Add(mesh->GetFace(0));
  const auto rankOf = [&v](const CVertex3d* w) {
    const int places[4] = {2, 4, 1, 0};
    for (int i = 0; i < 4; i++)
      if (v[i] == w)
        return places[i];
    return -1;
  };
  const gate::SeedIndices<3> ranks = gate::SeedRanks<3>(seeds, order);
  ASSERT_EQ(ranks.size(), 3u);
  for (int i = 0; i < 3; i++)
    for (int c = 0; c < 3; c++)
      EXPECT_EQ(ranks[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)], rankOf(seeds[i]->v(c)));
  EXPECT_TRUE(gate::SeedRanks<3>(CArray3d<CFace3d>(), order).empty());
  // A corner missing from the order is an error, not a rank.
  order.RemoveAll();
  order.Add(v[0]);
  EXPECT_THROW(gate::SeedRanks<3>(seeds, order), std::out_of_range);
}
