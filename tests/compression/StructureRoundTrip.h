#pragma once

// Encodes a mesh with the structure coder, decodes the stream into a new mesh and compares.
#include "GateTestUtil.h"
#include "TopologyGenerators.h"
#include "compression/StructureCoder.h"
#include "compression/VertexTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace structuretest {

struct SRoundTrip
{
  int m_Encoded = 0;
  int m_Decoded = 0;
  std::vector<int> m_Run;
  std::vector<unsigned int> m_Codes;
  std::vector<unsigned int> m_Offsets;
  std::vector<unsigned int> m_Signs;
  unsigned int m_GhostDegree = 0;
  CStructureCoder::SResult m_Result;
  std::string m_Refusal;
  std::vector<std::uint8_t> m_Bytes;
  std::unique_ptr<CMesh3d> m_pDecoded;
};

// Encodes, and with `decode` reads the stream back into a new mesh.
inline SRoundTrip RoundTrip(CMesh3d* pMesh, int seed, const CStructureCoder::SOptions& options = {},
                            bool decode = true)
{
  gatetest::CCurrentTempFolder folder;
  SRoundTrip out;
  CStructureCoder coder;
  CVertexTree tree;
  out.m_Encoded = coder.Encode(pMesh, "topology.bin", &tree, seed, options, &out.m_Result);
  out.m_Codes = coder.GetCodes();
  out.m_Offsets = coder.GetOffsets();
  out.m_Signs = coder.GetSigns();
  out.m_GhostDegree = coder.GetGhostDegree();
  out.m_Refusal = coder.GetRefusal();
  if (tree.NbRun() == 1)
    for (int i = 0; i < tree.GetRun(0)->NbVertex(); i++)
      out.m_Run.push_back(pMesh->GetArrayVertex()->IndexFrom(tree.GetRun(0)->GetVertex(i)));
  if (!out.m_Encoded)
    return out;
  out.m_Bytes = ReadBytes(folder.File("topology.bin"));
  if (!decode)
    return out;
  out.m_pDecoded = std::make_unique<CMesh3d>();
  CStructureCoder decoder;
  out.m_Decoded = decoder.Decode(out.m_pDecoded.get(), "topology.bin", options);
  return out;
}

// The faces of the mesh with its vertices renumbered in the order of the run.
inline gatetest::FaceSet FacesInRunOrder(const CMesh3d& mesh, const std::vector<int>& run)
{
  gatetest::Rank rank;
  for (std::size_t i = 0; i < run.size(); i++)
    rank.emplace(mesh.GetVertex(run[i]), static_cast<int>(i));
  return gatetest::Faces(mesh.NbFace(), [&](int i) { return gatetest::Corners(mesh, i); }, rank);
}

// The decoded mesh is the original with its vertices in conquest order: same faces, same
// counts, Euler characteristic and boundary loops.
inline void ExpectRoundTrip(CMesh3d* pMesh, int seed, const CStructureCoder::SOptions& options = {})
{
  SCOPED_TRACE(seed);
  const topology::STopology before = topology::Measure(*pMesh);
  const SRoundTrip r = RoundTrip(pMesh, seed, options);
  ASSERT_EQ(r.m_Encoded, 1);
  ASSERT_EQ(r.m_Decoded, 1);
  const CMesh3d& decoded = *r.m_pDecoded;
  ASSERT_EQ(decoded.NbVertex(), pMesh->NbVertex());
  EXPECT_EQ(topology::Measure(decoded), before);
  const gatetest::Rank rank = gatetest::RankOf(*decoded.GetArrayVertex(), decoded.NbVertex());
  EXPECT_EQ(gatetest::Faces(decoded.NbFace(), [&](int i) { return gatetest::Corners(decoded, i); },
                            rank),
            FacesInRunOrder(*pMesh, r.m_Run));
}

} // namespace structuretest
