// The codecs with a decoder on meshes read from tests/data (a scanned sphere, cuts of a scanned
// mesh of genus 133, a scanned patch with and without its pinched boundary vertices) and on a
// generated one of every topology class: from three seeds and in both modes, the decoded faces
// are the input's through the coder's vertex order, and the gate coder's positions are the
// input's bit for bit.
#include "ObjSoup.h"
#include "StructureRoundTrip.h"
#include "compression/TriangleGateCoder.h"
#include "compression/TriangleGateDecoder.h"

#include <gtest/gtest.h>

namespace {

using Maker = std::function<std::unique_ptr<CMesh3d>()>;

const std::vector<std::pair<const char*, Maker>>& RealMeshes()
{
  static const std::vector<std::pair<const char*, Maker>> meshes = {
    {"sphere162", [] { return objsoup::ReadData("sphere162.obj"); }},
    {"cheese cut 6", [] { return objsoup::ReadData("conquest_cheese_cut6.obj"); }},
    {"cheese cut 10", [] { return objsoup::ReadData("conquest_cheese_cut10.obj"); }},
    {"elephant unpinched", [] { return objsoup::ReadData("conquest_elephant_unpinched.obj"); }},
  };
  return meshes;
}

const std::vector<std::pair<const char*, Maker>>& GeneratedMeshes()
{
  static const std::vector<std::pair<const char*, Maker>> meshes = {
    {"icosphere", [] { return fixtures::Icosphere(2); }},
    {"torus", [] { return topology::Build(topology::TorusGrid(9, 6)); }},
    {"grid with 40 holes", [] { return topology::Build(topology::GridWithHoles(40)); }},
    {"grid with one hole", [] { return topology::Build(topology::GridWithHoles(1)); }},
  };
  return meshes;
}

std::vector<int> Seeds(const CMesh3d& mesh)
{
  return {0, mesh.NbFace() / 2, mesh.NbFace() - 1};
}

void ExpectGateRoundTrip(CMesh3d* pMesh, int seed, int adaptive)
{
  SCOPED_TRACE(testing::Message() << "seed " << seed << " adaptive " << adaptive);
  gatetest::CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  ASSERT_EQ(coder.Encode(pMesh, "mesh.bin", 0, seed, adaptive, 0, nullptr, 1, 0, 0, 0), 1);
  for (const int packed : {0, 1}) {
    CMesh3d decoded;
    CTriangleGateDecoder decoder;
    ASSERT_EQ(decoder.Decode(&decoded, packed ? "packed.bin" : "mesh.bin", 0, nullptr, 1, 0, 0, packed), 1);
    const auto& order = coder.GetVertexOrder();
    ASSERT_TRUE(gatetest::SamePositions(order, decoded));
    const auto expected = gatetest::Faces(
      pMesh->NbFace(), [&](int i) { return gatetest::Corners(*pMesh, i); },
      gatetest::RankOf(order, order.GetSize()));
    const auto actual = gatetest::Faces(
      decoded.NbFace(), [&](int i) { return gatetest::Corners(decoded, i); },
      gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex()));
    EXPECT_EQ(actual, expected);
  }
}

} // namespace

TEST(RealMeshRoundTrip, TriangleGateCoder)
{
  auto meshes = RealMeshes();
  meshes.insert(meshes.end(), GeneratedMeshes().begin(), GeneratedMeshes().end());
  // The gate coder follows edges only: the pinched patch is in its reach too.
  meshes.emplace_back("elephant", [] { return objsoup::ReadData("conquest_elephant_patch337.obj"); });
  for (const auto& [name, make] : meshes) {
    SCOPED_TRACE(name);
    auto mesh = make();
    for (const int seed : Seeds(*mesh))
      for (const int adaptive : {0, 1})
        ExpectGateRoundTrip(mesh.get(), seed, adaptive);
  }
}

TEST(RealMeshRoundTrip, StructureCoder)
{
  auto meshes = RealMeshes();
  meshes.insert(meshes.end(), GeneratedMeshes().begin(), GeneratedMeshes().end());
  for (const auto& [name, make] : meshes) {
    SCOPED_TRACE(name);
    for (const int encourageFull : {0, 1}) {
      CStructureCoder::SOptions options;
      options.m_EncourageFull = encourageFull;
      auto probe = make();
      for (const int seed : Seeds(*probe)) {
        auto mesh = make();
        structuretest::ExpectRoundTrip(mesh.get(), seed, options);
      }
    }
  }
}

TEST(RealMeshRoundTrip, StructureCoderRefusesThePinchedPatch)
{
  auto mesh = objsoup::ReadData("conquest_elephant_patch337.obj");
  const structuretest::SRoundTrip r = structuretest::RoundTrip(mesh.get(), 0, {}, false);
  EXPECT_EQ(r.m_Encoded, 0);
  EXPECT_FALSE(r.m_Refusal.empty());
  EXPECT_TRUE(r.m_Bytes.empty());
}
