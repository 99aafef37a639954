#include "coding/OBitStream.h"
#include "coding/RangeEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/support/MessageCapture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

using CurrentTempFolder = conquest::CScratchFolder;

int g_Calls = 0;
int CountCalls(int)
{
  return ++g_Calls;
}

// Each decoded vertex matched to the reference vertex nearest in quantized coordinates; the
// local-frame prediction may land one grid unit off per axis.
std::vector<int> MatchVertices(const CMesh3d& decoded, const CMesh3d& reference)
{
  std::vector<int> match;
  for (int i = 0; i < decoded.NbVertex(); i++) {
    const CVertex3d* v = decoded.GetVertex(i);
    int best = -1;
    float bestAxis = 0;
    for (int j = 0; j < reference.NbVertex(); j++) {
      const CVertex3d* w = reference.GetVertex(j);
      const float axis = std::max({std::fabs(v->x2() - w->x2()), std::fabs(v->y2() - w->y2()),
                                   std::fabs(v->z2() - w->z2())});
      if (best < 0 || axis < bestAxis) {
        best = j;
        bestAxis = axis;
      }
    }
    EXPECT_LE(bestAxis, 1.0f) << "vertex " << i;
    match.push_back(best);
  }
  return match;
}

std::vector<std::array<int, 3>> FacesByIndex(const CMesh3d& mesh, const std::vector<int>& map)
{
  std::vector<std::array<int, 3>> faces;
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    std::array<int, 3> t{};
    for (int k = 0; k < 3; k++) {
      const int index = mesh.IndexFrom(f->v(k));
      t[k] = map.empty() ? index : map[index];
    }
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    faces.push_back(t);
  }
  std::sort(faces.begin(), faces.end());
  return faces;
}

TEST(ProgressiveStream, RoundTripRestoresConnectivityAndPositions)
{
  CurrentTempFolder folder;
  for (int q : {8, 12}) {
    auto mesh = fixtures::Icosphere(3);
    const int n0 = mesh->NbVertex();
    auto reference = fixtures::Icosphere(3);
    ASSERT_TRUE(reference->RangeAndSnap(q));
    CProgressiveCoder encoder;
    g_Calls = 0;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 20, q, "sphere.vpm", CountCalls));
    EXPECT_GT(g_Calls, 0);
    EXPECT_LT(mesh->NbVertex(), n0 / 4);

    CMesh3d decoded;
    CProgressiveCoder decoder;
    g_Calls = 0;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "sphere.vpm", CountCalls));
    EXPECT_EQ(decoder.NbLayer(), g_Calls);
    ASSERT_EQ(n0, decoded.NbVertex());
    const std::vector<int> match = MatchVertices(decoded, *reference);
    std::vector<int> sorted = match;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted.end(), std::unique(sorted.begin(), sorted.end())) << "q " << q;
    EXPECT_EQ(FacesByIndex(*reference, {}), FacesByIndex(decoded, match)) << "q " << q;
    EXPECT_EQ(2, fixtures::EulerCharacteristic(decoded));
    EXPECT_TRUE(fixtures::IsClosed(decoded));
    EXPECT_TRUE(fixtures::IsOriented(decoded));
    // Within one and a half grid steps of the original on every axis.
    for (int axis = 0; axis < 3; axis++) {
      float lo = 0, hi = 0;
      reference->GetRange(axis, &lo, &hi);
      const float step = (hi - lo) / static_cast<float>((1 << q) - 1);
      for (int i = 0; i < decoded.NbVertex(); i++)
        EXPECT_NEAR(reference->GetVertex(match[i])->Get(axis), decoded.GetVertex(i)->Get(axis),
                    1.5f * step + 1e-5f);
    }
  }
}

TEST(ProgressiveStream, EncodingIsDeterministic)
{
  CurrentTempFolder folder;
  for (const char* name : {"a.vpm", "b.vpm"}) {
    auto mesh = fixtures::Icosphere(2);
    CProgressiveCoder coder;
    ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), 10, 10, name, CountCalls));
  }
  EXPECT_EQ(ReadBytes("a.vpm"), ReadBytes("b.vpm"));
  EXPECT_FALSE(ReadBytes("a.vpm").empty());
}

TEST(ProgressiveStream, TargetNotBelowVertexCountIsRefused)
{
  CurrentTempFolder folder;
  CMessageCapture messages;
  auto mesh = fixtures::Icosphere(1);
  CProgressiveCoder coder;
  EXPECT_EQ(0, progressive::Encode(&coder, mesh.get(), mesh->NbVertex(), 10, "x.vpm", CountCalls));
  EXPECT_EQ("invalid #vertices", messages.Last());
  EXPECT_FALSE(std::filesystem::exists("x.vpm"));
  EXPECT_EQ(42, mesh->NbVertex());
}

TEST(ProgressiveStream, MeshWithNothingRemovableKeepsOnlyTheBase)
{
  CurrentTempFolder folder;
  auto mesh = fixtures::Tetrahedron();
  CProgressiveCoder coder;
  ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), 2, 6, "t.vpm", CountCalls));
  EXPECT_EQ(0, coder.NbLayer());
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "t.vpm", CountCalls));
  EXPECT_EQ(4, decoded.NbVertex());
  EXPECT_EQ(4, decoded.NbFace());
}

using Triples = std::vector<std::array<unsigned int, 3>>;

// A stream written field by field: a base mesh of the given points on a grid of q bits and
// faces of indexBits-bit indices, one layer of the gate type and codes given, sent as the coder
// sends them (a double layer's valence 3 as 6), and one raw position (3, 3, 3) per removal.
void WriteStream(const char* name, int q, const Triples& points, const Triples& faces,
                 int indexBits, int gateType, const std::vector<unsigned int>& sent, int nbRecord)
{
  COBitStream stream;
  stream.WriteBits(static_cast<unsigned int>(q), 4);
  stream.WriteBits(static_cast<unsigned int>(points.size()), 24);
  stream.WriteBits(static_cast<unsigned int>(faces.size()), 24);
  for (int axis = 0; axis < 3; axis++) {
    stream.WriteFloat(1.0f);
    stream.WriteFloat(0.0f);
  }
  for (const auto& p : points)
    for (const unsigned int x : p)
      stream.WriteBits(x, q);
  for (const auto& f : faces)
    for (const unsigned int x : f)
      stream.WriteBits(x, indexBits);
  stream.WriteBits(1, 10);
  CRangeEncoder codes(7);
  ASSERT_EQ(1, codes.Start());
  ASSERT_EQ(1, codes.Encode(static_cast<unsigned int>(gateType), &stream));
  for (const unsigned int code : sent)
    ASSERT_EQ(1, codes.Encode(code, &stream));
  ASSERT_EQ(1, codes.Encode(0, &stream));
  ASSERT_EQ(1, codes.Done(&stream));
  stream.WriteBits(1, 10);
  stream.PutBit(0);
  stream.WriteBits(static_cast<unsigned int>(nbRecord), 4);
  for (int r = 0; r < nbRecord; r++)
    for (const unsigned int x : {3u, 3u, 3u})
      stream.WriteBits(x, q);
  stream.Flush(0);
  ASSERT_EQ(1, stream.WriteFile(name));
}

// The fixture's tetrahedron on a grid of 4 bits, two bits an index.
const Triples kTetraPoints = {{0, 0, 0}, {8, 0, 0}, {0, 8, 0}, {0, 0, 8}};
const Triples kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

void WriteHandMadeStream(const char* name, int gateType, const std::vector<unsigned int>& sent,
                         int nbRecord)
{
  WriteStream(name, 4, kTetraPoints, kTetraFaces, 2, gateType, sent, nbRecord);
}

// Each layer's codes are checked as read: codes 2 to 6, a 1 only in a simple layer and then
// with its side (5 or 6), and a double layer's removals sent as 6 alone.
TEST(ProgressiveStream, HandMadeLayersAreCheckedCodeByCode)
{
  CurrentTempFolder folder;
  struct SCase
  {
    int gateType;
    std::vector<unsigned int> sent;
    int nbRecord;
    int decoded;
  };
  const SCase cases[] = {
      {0, {3}, 1, 1},    // a simple layer's valence 3 splits the seed's front face
      {1, {6}, 1, 1},    // the same removal in a double layer
      {1, {3}, 1, 0},    // a double layer sends its valence 3 as 6 only
      {1, {2, 5}, 1, 0}, // and holds no other removal
      {1, {1, 5}, 1, 0}, // nor a boundary removal
      {0, {1}, 0, 0},    // a boundary removal without its side
      {0, {1, 4}, 1, 0}, // or with a side other than 5 or 6
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "gate type " << c.gateType << " first code " << c.sent[0]
                                    << " codes " << c.sent.size());
    WriteHandMadeStream("hand.vpm", c.gateType, c.sent, c.nbRecord);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(c.decoded, progressive::Decode(&decoder, &decoded, "hand.vpm"));
    if (!c.decoded)
      continue;
    // The new vertex at (3, 3, 3) inside the face (0, 2, 1), which three faces replace.
    ASSERT_EQ(5, decoded.NbVertex());
    EXPECT_EQ(6, decoded.NbFace());
    EXPECT_EQ(3.0f, decoded.GetVertex(4)->x2());
    EXPECT_EQ(3.0f, decoded.GetVertex(4)->z());
  }
}

// Fields of every width the base mesh may use come back as written, whether a vertex's or a
// face's three fields fit one window of the stream or straddle two or three; the arrays hold
// every element once, in stream order.
TEST(ProgressiveStream, WideBaseMeshFieldsReadBack)
{
  CurrentTempFolder folder;
  // 3 * q bits a vertex: one window (q = 5), a split in the third field (12), in the second
  // (15); 9 and 17 bits an index for 300 and 70000 vertices: 27 and 51 bits a face.
  const struct
  {
    int q;
    int nv;
    int indexBits;
  } cases[] = {{5, 300, 9}, {12, 300, 9}, {15, 300, 9}, {12, 70000, 17}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "q " << c.q << " vertices " << c.nv);
    const unsigned int top = (1u << c.q) - 1;
    // The tetrahedron, then loose vertices; its faces, then loose faces.
    Triples points = kTetraPoints;
    for (int i = 4; i < c.nv; i++) {
      const auto u = static_cast<unsigned int>(i);
      points.push_back({top - u % (top + 1), (u * 37) & top, (u * 11 + 5) & top});
    }
    Triples faces = kTetraFaces;
    // Loose triangles whose corners use the high bits of the index, none sharing an edge.
    const auto last = static_cast<unsigned int>(c.nv - 1);
    for (unsigned int k = 0; k < 30; k++)
      faces.push_back({last - 3 * k, last - 3 * k - 1, last - 3 * k - 2});
    // One simple layer splits the seed's front face as in the hand-made streams.
    WriteStream("wide.vpm", c.q, points, faces, c.indexBits, 0, {3}, 1);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "wide.vpm"));
    ASSERT_EQ(c.nv + 1, decoded.NbVertex());
    for (int i = 0; i < c.nv; i++) {
      const CVertex3d* v = decoded.GetVertex(i);
      const auto& p = points[static_cast<size_t>(i)];
      ASSERT_EQ(static_cast<float>(p[0]), v->x2()) << "vertex " << i;
      ASSERT_EQ(static_cast<float>(p[1]), v->y2()) << "vertex " << i;
      ASSERT_EQ(static_cast<float>(p[2]), v->z2()) << "vertex " << i;
      ASSERT_EQ(static_cast<float>(p[2]), v->z()) << "vertex " << i;
    }
    // The split face gives way to three; the others keep their order.
    ASSERT_EQ(static_cast<int>(faces.size()) + 2, decoded.NbFace());
    for (size_t i = 1; i < faces.size(); i++)
      for (int k = 0; k < 3; k++)
        EXPECT_EQ(static_cast<int>(faces[i][static_cast<size_t>(k)]),
                  decoded.IndexFrom(decoded.GetFace(static_cast<int>(i) - 1)->v(k)))
            << "face " << i;
  }
}

// A base face that names a vertex beyond the count, or one vertex twice, is refused wherever
// it comes, and the decoder leaves the mesh empty; the same faces in order decode.
TEST(ProgressiveStream, BaseFacesWithBadCornersAreRefused)
{
  CurrentTempFolder folder;
  // A fifth, loose vertex: indices take 3 bits, and 5 to 7 name no vertex.
  Triples points = kTetraPoints;
  points.push_back({1, 1, 1});
  // Whether it decoded, and the vertices and faces the mesh holds after.
  const auto decode = [](const char* name) {
    CMesh3d decoded;
    CProgressiveCoder decoder;
    const int ok = progressive::Decode(&decoder, &decoded, name);
    return std::array<int, 3>{ok, decoded.NbVertex(), decoded.NbFace()};
  };
  for (size_t at = 0; at < kTetraFaces.size(); at++) {
    for (const auto& bad : Triples{{0, 6, 1}, {2, 2, 3}}) {
      SCOPED_TRACE(testing::Message() << "face " << at << " (" << bad[0] << ", " << bad[1] << ", "
                                      << bad[2] << ")");
      Triples faces = kTetraFaces;
      faces[at] = bad;
      WriteStream("bad.vpm", 4, points, faces, 3, 0, {3}, 1);
      EXPECT_EQ((std::array<int, 3>{0, 0, 0}), decode("bad.vpm"));
    }
  }
  WriteStream("good.vpm", 4, points, kTetraFaces, 3, 0, {3}, 1);
  EXPECT_EQ((std::array<int, 3>{1, 6, 6}), decode("good.vpm"));
}

TEST(ProgressiveStream, TruncatedAndCorruptedStreamsFailCleanly)
{
  CurrentTempFolder folder;
  auto mesh = fixtures::Icosphere(2);
  CProgressiveCoder coder;
  ASSERT_EQ(1, progressive::Encode(&coder, mesh.get(), 10, 10, "s.vpm", CountCalls));
  const auto bytes = ReadBytes("s.vpm");
  ASSERT_GT(bytes.size(), 40u);
  for (size_t cut = 0; cut < bytes.size(); cut += 3) {
    WriteBytes("cut.vpm", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    CMesh3d decoded;
    CProgressiveCoder decoder;
    EXPECT_EQ(0, progressive::Decode(&decoder, &decoded, "cut.vpm", nullptr)) << "cut at " << cut;
  }
  // Flipped bytes either fail or give a sound mesh; they never crash.
  for (size_t at = 0; at < bytes.size(); at++) {
    auto corrupt = bytes;
    corrupt[at] ^= 0x5a;
    WriteBytes("bad.vpm", corrupt);
    CMesh3d decoded;
    CProgressiveCoder decoder;
    if (progressive::Decode(&decoder, &decoded, "bad.vpm", nullptr)) {
      EXPECT_GT(decoded.NbVertex(), 2);
    }
  }
  CMesh3d missing;
  CProgressiveCoder decoder;
  EXPECT_EQ(0, progressive::Decode(&decoder, &missing, "none.vpm", nullptr));
}

} // namespace
