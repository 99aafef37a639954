#include "GateTestUtil.h"

#include "compression/PolygonGateCoder.h"
#include "compression/PolygonGateDecoder.h"
#include "compression/PolygonGateJoin.h"
#include "mesh/MeshFixtures.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

using gatetest::CCurrentTempFolder;

namespace {

using Symbols = std::vector<unsigned int>;

int Encode(CPolygonMesh3d* mesh, CPolygonGateCoder* coder, int seed = 0, int adaptive = 1,
           int order = 0, std::string* text = nullptr)
{
  return coder->Encode(mesh, "mesh.bin", seed, order, adaptive, 0, nullptr, 1, 0, 0, 0,
                       text ? 1 : 0, text);
}

int Decode(CPolygonMesh3d* mesh, const char* fileName = "mesh.bin")
{
  CPolygonGateDecoder decoder;
  return decoder.Decode(mesh, fileName, 0, nullptr, 1, 0);
}

void ExpectSameMesh(const CPolygonMesh3d& original, const CPolygonGateCoder& coder,
                    CPolygonMesh3d& decoded)
{
  const auto& order = coder.GetVertexOrder();
  ASSERT_TRUE(gatetest::SamePositions(order, decoded));
  const auto expected = gatetest::Faces(
    original.NbPolygon(), [&](int i) { return gatetest::Corners(original, i); },
    gatetest::RankOf(order, order.GetSize()));
  const auto actual = gatetest::Faces(
    decoded.NbPolygon(), [&](int i) { return gatetest::Corners(decoded, i); },
    gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
  EXPECT_EQ(decoded.NbPolygon(), original.NbPolygon());
  EXPECT_EQ(actual, expected);
}

// Returns the encoder's symbols.
Symbols ExpectRoundTrip(CPolygonMesh3d* mesh, int seed = 0, int adaptive = 1, int order = 0)
{
  CCurrentTempFolder folder;
  CPolygonGateCoder coder;
  EXPECT_EQ(Encode(mesh, &coder, seed, adaptive, order), 1);
  CPolygonMesh3d decoded;
  EXPECT_EQ(Decode(&decoded), 1);
  ExpectSameMesh(*mesh, coder, decoded);
  return coder.GetCodes();
}

std::unique_ptr<CPolygonMesh3d> FromTriangles(const CMesh3d& triangles)
{
  auto mesh = std::make_unique<CPolygonMesh3d>();
  mesh->FromTriangleMesh(const_cast<CMesh3d*>(&triangles));
  return mesh;
}

std::unique_ptr<CPolygonMesh3d> FromQuads(CQuadMesh3d* quads)
{
  auto mesh = std::make_unique<CPolygonMesh3d>();
  mesh->FromQuadMesh(quads);
  return mesh;
}

// A box whose top is a pyramid of four triangles and whose front is cut into two triangles.
std::unique_ptr<CPolygonMesh3d> House()
{
  return gatetest::BuildPolygons(
    {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
     {0.5f, 0.5f, 1.5f}},
    {{0, 3, 2, 1}, {0, 1, 5}, {0, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7},
     {4, 5, 8}, {5, 6, 8}, {6, 7, 8}, {7, 4, 8}});
}

// A quad torus whose every third quad is cut into two triangles.
std::unique_ptr<CPolygonMesh3d> MixedTorus(int n, int m)
{
  auto quads = gatetest::QuadTorus(n, m);
  fixtures::Points points;
  std::vector<std::vector<int>> polygons;
  for (int i = 0; i < quads->NbVertex(); i++) {
    const CQuadVertex3d* v = quads->GetVertex(i);
    points.push_back({v->x(), v->y(), v->z()});
  }
  const auto rank = gatetest::RankOf(*quads->GetArrayVertex(), quads->NbVertex());
  for (int i = 0; i < quads->NbQuad(); i++) {
    const CQuad3d* q = quads->GetQuad(i);
    const int c[4] = {rank.at(q->v(0)), rank.at(q->v(1)), rank.at(q->v(2)), rank.at(q->v(3))};
    if (i % 3 == 0) {
      polygons.push_back({c[0], c[1], c[2]});
      polygons.push_back({c[0], c[2], c[3]});
    } else {
      polygons.push_back({c[0], c[1], c[2], c[3]});
    }
  }
  return gatetest::BuildPolygons(points, polygons);
}

std::unique_ptr<CPolygonMesh3d> Join(const CPolygonMesh3d& a, const CPolygonMesh3d& b)
{
  fixtures::Points points;
  std::vector<std::vector<int>> polygons;
  const CPolygonMesh3d* parts[2] = {&a, &b};
  for (int p = 0; p < 2; p++) {
    const int base = static_cast<int>(points.size());
    auto& part = const_cast<CPolygonMesh3d&>(*parts[p]);
    const auto rank = gatetest::RankOf(*part.GetArrayVertex(), part.NbVertex());
    for (int i = 0; i < part.NbVertex(); i++)
      points.push_back({part.GetVertex(i)->x() + 10.0f * p, part.GetVertex(i)->y(),
                        part.GetVertex(i)->z()});
    for (int i = 0; i < part.NbPolygon(); i++) {
      std::vector<int> corners;
      for (const void* v : gatetest::Corners(part, i))
        corners.push_back(base + rank.at(v));
      polygons.push_back(corners);
    }
  }
  return gatetest::BuildPolygons(points, polygons);
}

bool HasJoin(const Symbols& codes)
{
  return std::find(codes.begin(), codes.end(), 6u) != codes.end() ||
         std::find(codes.begin(), codes.end(), 7u) != codes.end();
}

} // namespace

TEST(PolygonGateCoder, OneTriangleOneQuadTwoTriangles)
{
  auto triangle = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  EXPECT_EQ(ExpectRoundTrip(triangle.get()), (Symbols{3, 8, 8, 8}));
  auto quad = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
  EXPECT_EQ(ExpectRoundTrip(quad.get()), (Symbols{4, 8, 8, 8, 8}));
  auto two = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                                     {{0, 1, 2}, {3, 4, 5}});
  EXPECT_EQ(ExpectRoundTrip(two.get()), (Symbols{3, 8, 8, 8, 3, 8, 8, 8}));
}

TEST(PolygonGateCoder, JoinIndexSymbols)
{
  Symbols symbols;
  polygonjoin::AppendIndex(25, false, &symbols);
  EXPECT_EQ(symbols, (Symbols{12, 12, 1}));
  symbols.clear();
  polygonjoin::AppendIndex(25, true, &symbols);
  EXPECT_EQ(symbols, (Symbols{12, 12, 3}));
  symbols.clear();
  polygonjoin::AppendIndex(-1, true, &symbols);
  EXPECT_EQ(symbols, (Symbols{11}));
  symbols.clear();
  polygonjoin::AppendIndex(11, false, &symbols);
  polygonjoin::AppendPlace(145, &symbols);
  EXPECT_EQ(symbols, (Symbols{11, 1, 0, 1, 12}));
  int cursor = 0;
  int index = 0;
  int place = 0;
  ASSERT_EQ(polygonjoin::ReadIndex(symbols, &cursor, false, &index), 1);
  EXPECT_EQ(index, 11);
  ASSERT_EQ(polygonjoin::ReadPlace(symbols, &cursor, &place), 1);
  EXPECT_EQ(place, 145);
  EXPECT_EQ(cursor, 5);
  const Symbols unended{12, 12};
  cursor = 0;
  EXPECT_EQ(polygonjoin::ReadIndex(unended, &cursor, true, &index), 0);
}

TEST(PolygonGateCoder, TriangleAndQuadMeshesRoundTrip)
{
  ExpectRoundTrip(FromTriangles(*fixtures::Icosphere(2)).get(), 11);
  ExpectRoundTrip(FromTriangles(*fixtures::Strip(6)).get());
  CQuadMesh3d box;
  box.GenerateBox();
  box.SubdivisionCatmullClark();
  ExpectRoundTrip(FromQuads(&box).get(), 3);
  ExpectRoundTrip(FromQuads(gatetest::QuadGrid(3).get()).get());
}

TEST(PolygonGateCoder, MixedMeshesRoundTrip)
{
  ExpectRoundTrip(House().get());
  ExpectRoundTrip(House().get(), 6, 0, 2);
  // A hexagon and a pentagon cut into quads and triangles.
  auto cut = gatetest::BuildPolygons(
    {{0, 0, 0}, {1, 0, 0}, {2, 0.5f, 0}, {2, 1.5f, 0}, {1, 2, 0}, {0, 1.5f, 0}, {-1, 1, 0}},
    {{0, 1, 2, 3, 4, 5}, {0, 5, 6}});
  cut->SplitIntoQuadsAndTriangles(0);
  cut->Rebuild();
  ExpectRoundTrip(cut.get());
}

TEST(PolygonGateCoder, HandlesNeedJoins)
{
  const Symbols quads = ExpectRoundTrip(FromQuads(gatetest::QuadTorus(10, 7).get()).get());
  EXPECT_TRUE(HasJoin(quads));
  const Symbols mixed = ExpectRoundTrip(MixedTorus(9, 8).get(), 5);
  EXPECT_TRUE(HasJoin(mixed));
  ExpectRoundTrip(MixedTorus(9, 8).get(), 5, 0, 3);
  const Symbols triangles = ExpectRoundTrip(FromTriangles(*gatetest::TriangleTorus(12, 9)).get());
  EXPECT_TRUE(HasJoin(triangles));
  ExpectRoundTrip(FromTriangles(*gatetest::TriangleTorus(12, 9)).get(), 0, 0);
}

TEST(PolygonGateCoder, SeveralComponentsRoundTrip)
{
  auto two = Join(*House(), *MixedTorus(6, 5));
  auto three = Join(*two, *FromTriangles(*fixtures::Octahedron()));
  ExpectRoundTrip(three.get(), 20);
}

TEST(PolygonGateCoder, CodeDistribution)
{
  CCurrentTempFolder folder;
  auto mesh = House();
  CPolygonGateCoder coder;
  std::string text = "before\r\n";
  ASSERT_EQ(Encode(mesh.get(), &coder, 0, 1, 0, &text), 1);
  EXPECT_EQ(text.rfind("before\r\nCode distribution\r\nQ create right\t", 0), 0u);
  int total = 0;
  for (const char* name : {"Q create 2\t", "T mesh CW\t", "T create\t", "Q mesh both\t",
                           "Q mesh cw\t", "Q join\t", "T join\t", "skip\t", "T mesh CCW\t",
                           "Q create left\t", "Q mesh ccw\t", "ghost\t"}) {
    const auto at = text.find(std::string("\r\n") + name);
    ASSERT_NE(at, std::string::npos) << name;
    total += std::stoi(text.substr(at + 2 + std::string(name).size()));
  }
  total += std::stoi(text.substr(text.find("Q create right\t") + 15));
  EXPECT_EQ(total, static_cast<int>(coder.GetCodes().size()));
}

TEST(PolygonGateCoder, RefusesWhatItCannotCode)
{
  CCurrentTempFolder folder;
  CPolygonGateCoder coder;
  auto house = House();
  EXPECT_EQ(Encode(house.get(), &coder, 10), 0);
  EXPECT_EQ(Encode(house.get(), &coder, 0, 1, 4), 0);
  auto pentagon = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}},
                                          {{0, 1, 2, 3, 4}});
  EXPECT_EQ(Encode(pentagon.get(), &coder), 0);
  // Two triangles touching at one vertex: the second has no free seed.
  auto bowtie = gatetest::BuildPolygons({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}},
                                        {{0, 1, 2}, {0, 3, 4}});
  EXPECT_EQ(Encode(bowtie.get(), &coder), 0);
  EXPECT_FALSE(std::filesystem::exists("mesh.bin"));
}

TEST(PolygonGateCoder, StreamsAreIdenticalBetweenRuns)
{
  CCurrentTempFolder folder;
  auto mesh = MixedTorus(8, 6);
  CPolygonGateCoder first;
  ASSERT_EQ(first.Encode(mesh.get(), "one.bin", 2, 2, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr), 1);
  CPolygonGateCoder second;
  ASSERT_EQ(second.Encode(mesh.get(), "two.bin", 2, 2, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr), 1);
  EXPECT_EQ(ReadBytes("one.bin"), ReadBytes("two.bin"));
  EXPECT_GT(first.GetBitsPerVertex(), 0.0f);
}

TEST(PolygonGateCoder, HostileStreamsFail)
{
  CCurrentTempFolder folder;
  auto mesh = Join(*House(), *MixedTorus(5, 4));
  CPolygonGateCoder coder;
  ASSERT_EQ(Encode(mesh.get(), &coder), 1);
  const auto bytes = ReadBytes("mesh.bin");
  for (std::size_t n = 0; n < bytes.size(); n++) {
    WriteBytes("cut.bin", {bytes.begin(), bytes.begin() + static_cast<long>(n)});
    CPolygonMesh3d decoded;
    ASSERT_EQ(Decode(&decoded, "cut.bin"), 0) << n << " bytes";
    EXPECT_EQ(decoded.NbVertex() + decoded.NbPolygon(), 0);
  }
  int failures = 0;
  for (std::size_t bit = 0; bit < bytes.size() * 8; bit++) {
    WriteBytes("flip.bin", gatetest::Flipped(bytes, bit));
    CPolygonMesh3d decoded;
    if (!Decode(&decoded, "flip.bin")) {
      failures++;
      EXPECT_EQ(decoded.NbVertex() + decoded.NbPolygon(), 0);
    }
  }
  EXPECT_GT(failures, 0);
}

TEST(PolygonGateCoder, VisualDebuggingRedraws)
{
  CCurrentTempFolder folder;
  int redraws = 0;
  auto previous = platform::SetRedrawHook([&redraws](CRenderView*) { redraws++; });
  int viewStandIn = 0;
  auto* view = reinterpret_cast<CRenderView*>(&viewStandIn);
  auto mesh = House();
  CPolygonGateCoder coder;
  ASSERT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 1, view, 0, 0, 0, 0, 0, nullptr), 1);
  EXPECT_EQ(redraws, 2);
  CPolygonGateDecoder decoder;
  CPolygonMesh3d decoded;
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 1, view, 1, 0), 1);
  EXPECT_GT(redraws, 2 + decoded.NbPolygon());
  platform::SetRedrawHook(previous);
}

// Two discs of four quads around one shared centre, joined by a bridge quad far from it:
// the centre is closed on one side before the conquest reaches the other disc, so no gate
// holds it there and the join names it by its place in the order.
TEST(PolygonGateCoder, PinchedSurfaceNamesAVertexByItsPlace)
{
  fixtures::Points points{{1, 1, 0}};
  std::vector<std::vector<int>> polygons;
  for (int disc = 0; disc < 2; disc++) {
    const int base = static_cast<int>(points.size());
    const float z = disc ? 1.0f : 0.0f;
    // Ring of eight vertices around the centre, counter-clockwise.
    const float ring[8][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
    for (const auto& p : ring)
      points.push_back({p[0], p[1], z});
    for (int k = 0; k < 4; k++) {
      const int a = base + 2 * k;
      polygons.push_back({a, base + (2 * k + 1) % 8, 0, base + (2 * k + 7) % 8});
    }
  }
  // Disc 0 holds 1 -> 2 (edge of its first quad), disc 1 holds 9 -> 10: the bridge runs
  // back along both.
  polygons.push_back({2, 1, 10, 9});
  auto mesh = gatetest::BuildPolygons(points, polygons);
  const Symbols codes = ExpectRoundTrip(mesh.get());
  EXPECT_TRUE(HasJoin(codes));
  ExpectRoundTrip(mesh.get(), 5, 0);
}
