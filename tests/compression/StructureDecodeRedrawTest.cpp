// The decoder fills the mesh's arrays in place: whatever a repaint or the caller sees holds
// only the vertices and faces made so far, never an empty entry, and edge lists emptied by
// the conquest are taken again by later splits without changing the result.
#include "StructureRoundTrip.h"
#include "coding/IBitStream.h"
#include "platform/core/Redraw.h"

#include <gtest/gtest.h>

namespace {

struct SSeen
{
  int m_NbRepaint = 0;
  int m_NbEmpty = 0;
  int m_Shrunk = 0;
  int m_LastVertex = 0;
  int m_LastFace = 0;
};

// Decodes the bytes with a repaint at every step; the hook looks at the mesh as it stands.
SSeen DecodeWatched(const std::vector<std::uint8_t>& bytes, CMesh3d* pDecoded, int* pOk)
{
  SSeen seen;
  int viewStandIn = 0;
  const platform::RedrawHook previous = platform::SetRedrawHook([&](CRenderView*) {
    seen.m_NbRepaint++;
    for (int i = 0; i < pDecoded->NbVertex(); i++)
      seen.m_NbEmpty += pDecoded->GetVertex(i) ? 0 : 1;
    for (int i = 0; i < pDecoded->NbFace(); i++)
      seen.m_NbEmpty += pDecoded->GetFace(i) ? 0 : 1;
    seen.m_Shrunk += pDecoded->NbVertex() < seen.m_LastVertex || pDecoded->NbFace() < seen.m_LastFace;
    seen.m_LastVertex = pDecoded->NbVertex();
    seen.m_LastFace = pDecoded->NbFace();
  });
  CStructureCoder::SOptions options;
  options.m_VisualDebug = 1;
  options.m_UpdateClient = 1;
  options.m_pView = reinterpret_cast<CRenderView*>(&viewStandIn);
  CIBitStream input(bytes.data(), bytes.size());
  CStructureCoder decoder;
  *pOk = decoder.Decode(pDecoded, &input, options);
  platform::SetRedrawHook(previous);
  return seen;
}

} // namespace

TEST(StructureDecodeRedraw, RepaintsSeeOnlyMadeElementsAndTheResultMatchesAPlainDecode)
{
  // Borders, holes and a handle: ghost faces, splits that empty lists, and a merge.
  auto mesh = topology::Build(
    topology::Join(topology::GridWithHoles(5), topology::TorusGrid(6, 4), 30));
  const structuretest::SRoundTrip plain = structuretest::RoundTrip(mesh.get(), 2);
  ASSERT_EQ(plain.m_Encoded, 1);
  ASSERT_EQ(plain.m_Decoded, 1);
  ASSERT_FALSE(plain.m_Offsets.empty());

  CMesh3d watched;
  int ok = 0;
  const SSeen seen = DecodeWatched(plain.m_Bytes, &watched, &ok);
  ASSERT_EQ(ok, 1);
  // A repaint per code at least, each on full arrays that only grow.
  EXPECT_GE(seen.m_NbRepaint, static_cast<int>(plain.m_Codes.size()) - 3);
  EXPECT_EQ(seen.m_NbEmpty, 0);
  EXPECT_EQ(seen.m_Shrunk, 0);
  EXPECT_LE(seen.m_LastVertex, mesh->NbVertex());

  // The same faces, corner for corner, as the decode without repaints.
  const CMesh3d& reference = *plain.m_pDecoded;
  ASSERT_EQ(watched.NbVertex(), reference.NbVertex());
  ASSERT_EQ(watched.NbFace(), reference.NbFace());
  ASSERT_EQ(watched.NbFace(), mesh->NbFace());
  for (int f = 0; f < watched.NbFace(); f++)
    for (int c = 0; c < 3; c++)
      EXPECT_EQ(watched.GetFace(f)->v(c)->GetAdjacencyIndex(),
                reference.GetFace(f)->v(c)->GetAdjacencyIndex())
        << f << " " << c;
}

TEST(StructureDecodeRedraw, ATruncatedStreamLeavesNoEmptyEntryInTheMesh)
{
  auto mesh = topology::Build(topology::GridWithHoles(6));
  const structuretest::SRoundTrip plain = structuretest::RoundTrip(mesh.get(), 0);
  ASSERT_EQ(plain.m_Encoded, 1);
  // A stream whose last codes are lost, and one whose vertex count claims more than it holds.
  std::vector<std::uint8_t> cut(plain.m_Bytes.begin(),
                                plain.m_Bytes.begin() + static_cast<long>(plain.m_Bytes.size() / 2));
  std::vector<std::uint8_t> inflated = plain.m_Bytes;
  inflated[0] = static_cast<std::uint8_t>(inflated[0] + 1);
  for (const std::vector<std::uint8_t>* pBytes : {&cut, &inflated}) {
    CMesh3d decoded;
    CIBitStream input(pBytes->data(), pBytes->size());
    CStructureCoder decoder;
    EXPECT_EQ(decoder.Decode(&decoded, &input, {}), 0);
    EXPECT_LE(decoded.NbVertex(), mesh->NbVertex());
    for (int i = 0; i < decoded.NbVertex(); i++)
      EXPECT_NE(decoded.GetVertex(i), nullptr) << i;
    for (int i = 0; i < decoded.NbFace(); i++)
      EXPECT_NE(decoded.GetFace(i), nullptr) << i;
  }
}
