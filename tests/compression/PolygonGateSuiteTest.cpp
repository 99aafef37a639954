// The polygon gate coder over the real meshes of tests/data made triangles, quads, and quads and
// triangles by the project's conversions, and over generated meshes of every topology class as
// quads, as quads and triangles mixed and as triangles: from three seed polygons, with and
// without the adaptive choice of gates and in every gate order, the decoded polygons are the
// input's through the coder's vertex order and the positions are the input's bit for bit.
#include "GateSuiteMeshes.h"

#include "compression/PolygonGateCoder.h"
#include "compression/PolygonGateDecoder.h"

#include <gtest/gtest.h>

namespace {

void ExpectRoundTrip(CPolygonMesh3d* pMesh, int seed, int adaptive, int order)
{
  SCOPED_TRACE(testing::Message() << "seed " << seed << " adaptive " << adaptive << " order "
                                  << order);
  gatetest::CCurrentTempFolder folder;
  CPolygonGateCoder coder;
  ASSERT_EQ(coder.Encode(pMesh, "mesh.bin", seed, order, adaptive, 0, nullptr, 1, 0, 0, 0, 0,
                         nullptr),
            1);
  CPolygonGateDecoder decoder;
  CPolygonMesh3d decoded;
  ASSERT_EQ(decoder.Decode(&decoded, "mesh.bin", 0, nullptr, 1, 0), 1);
  EXPECT_EQ(decoder.GetCodes(), coder.GetCodes());
  const auto& vertexOrder = coder.GetVertexOrder();
  ASSERT_TRUE(gatetest::SamePositions(vertexOrder, decoded));
  const auto expected = gatetest::Faces(
    pMesh->NbPolygon(), [&](int i) { return gatetest::Corners(*pMesh, i); },
    gatetest::RankOf(vertexOrder, vertexOrder.GetSize()));
  const auto actual = gatetest::Faces(
    decoded.NbPolygon(), [&](int i) { return gatetest::Corners(decoded, i); },
    gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
  // A vertex of a polygon missing from the order would show as -1 in the expected faces.
  for (const auto& face : expected)
    EXPECT_EQ(std::count(face.begin(), face.end(), -1), 0);
  EXPECT_EQ(actual, expected);
  // The decoded polygons are again a surface the coder takes whole.
  decoded.Rebuild();
  CPolygonGateCoder again;
  ASSERT_EQ(again.Encode(&decoded, "again.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0, 0, nullptr), 1);
}

// Every seed in both modes; the gate order turns with the seed so that all four occur.
void ExpectRoundTrips(CPolygonMesh3d* pMesh)
{
  const auto seeds = gatesuite::Seeds(pMesh->NbPolygon());
  for (std::size_t i = 0; i < seeds.size(); i++)
    for (const int adaptive : {0, 1})
      ExpectRoundTrip(pMesh, seeds[i], adaptive, static_cast<int>(i + 2 * adaptive) % 4);
}

std::vector<int> Degrees(const CPolygonMesh3d& mesh)
{
  std::vector<int> count(5, 0);
  for (int i = 0; i < mesh.NbPolygon(); i++)
    count[std::min(mesh.GetPolygon(i)->NbVertex(), 4)]++;
  return count;
}

// The last is pinched at boundary vertices: the conquest follows edges only, so it is in reach.
const char* const kRealMeshes[] = {"sphere162.obj", "conquest_cheese_cut6.obj",
                                   "conquest_cheese_cut10.obj", "conquest_elephant_unpinched.obj",
                                   "conquest_elephant_patch337.obj"};

} // namespace

TEST(PolygonGateSuite, RealMeshesAsTriangles)
{
  for (const char* file : kRealMeshes) {
    SCOPED_TRACE(file);
    auto triangles = objsoup::ReadData(file);
    CPolygonMesh3d mesh;
    mesh.FromTriangleMesh(triangles.get());
    ASSERT_EQ(mesh.NbPolygon(), triangles->NbFace());
    ExpectRoundTrips(&mesh);
  }
}

TEST(PolygonGateSuite, RealMeshesAsQuads)
{
  for (const char* file : kRealMeshes) {
    SCOPED_TRACE(file);
    auto quads = gatesuite::RealQuads(file);
    CPolygonMesh3d mesh;
    mesh.FromQuadMesh(quads.get());
    ASSERT_EQ(mesh.NbPolygon(), quads->NbQuad());
    ExpectRoundTrips(&mesh);
  }
}

// Vertex rings merged into polygons, then cut into quads and triangles.
TEST(PolygonGateSuite, RealMeshesAsQuadsAndTriangles)
{
  for (const char* file : kRealMeshes) {
    SCOPED_TRACE(file);
    auto triangles = objsoup::ReadData(file);
    auto mesh = gatesuite::MergedRings(gatesuite::SoupOf(*triangles), 3);
    const auto degrees = Degrees(*mesh);
    ASSERT_GT(degrees[4], 20);
    ASSERT_EQ(degrees[0] + degrees[1] + degrees[2], 0);
    ExpectRoundTrips(mesh.get());
  }
}

TEST(PolygonGateSuite, EveryTopologyClassAsQuads)
{
  for (const auto& [name, soup] : gatesuite::QuadClasses()) {
    SCOPED_TRACE(name);
    auto mesh = gatesuite::PolygonMesh(soup);
    ExpectRoundTrips(mesh.get());
  }
}

TEST(PolygonGateSuite, EveryTopologyClassAsQuadsAndTriangles)
{
  for (const auto& [name, soup] : gatesuite::QuadClasses()) {
    SCOPED_TRACE(name);
    auto mesh = gatesuite::PolygonMesh(gatesuite::CutEveryThird(soup));
    const auto degrees = Degrees(*mesh);
    ASSERT_GT(degrees[3], 0);
    ASSERT_GT(degrees[4], 0);
    ExpectRoundTrips(mesh.get());
  }
}

TEST(PolygonGateSuite, EveryTopologyClassAsTriangles)
{
  const std::vector<std::pair<std::string, topology::SSoup>> classes = {
    {"bipyramid", topology::Bipyramid(7)},
    {"torus", topology::TorusGrid(8, 5)},
    {"genus 5", topology::VoxelPlate(5)},
    {"40 holes", topology::GridWithHoles(40)},
    {"annulus", topology::Annulus(9, 2)},
    {"two components", topology::Join(topology::VoxelPlate(2), topology::GridWithHoles(2), 12.0f)},
  };
  for (const auto& [name, soup] : classes) {
    SCOPED_TRACE(name);
    auto mesh = gatesuite::PolygonMesh(gatesuite::TrianglesOf(soup));
    ExpectRoundTrips(mesh.get());
  }
}
