// Gate decoders on streams that claim more than they hold: each is refused before anything
// is allocated for the claim, and what a decoder may allocate is bounded by its input.
#include "GateTestUtil.h"

#include "coding/RangeDecoder.h"
#include "compression/GateStream.h"
#include "compression/PolygonGateDecoder.h"
#include "compression/QuadGateDecoder.h"
#include "compression/TriangleGateDecoder.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"

#include <gtest/gtest.h>

namespace {

using Codes = std::vector<unsigned int>;

// A stream of a header, one code section, the given number of vertices and the padding.
// header writes the fields before the codes; middle those between the codes and the geometry.
std::vector<std::uint8_t> Stream(const std::function<void(COBitStream&)>& header, const Codes& codes,
                                 int nbSymbol, int order, int nbVertex,
                                 const std::function<void(COBitStream&)>& middle = {})
{
  COBitStream out;
  header(out);
  EXPECT_EQ(gate::WriteCodes(out, codes, nbSymbol, order), 1);
  if (middle)
    middle(out);
  for (int i = 0; i < 3 * nbVertex; i++)
    out.WriteFloat(static_cast<float>(i));
  out.Flush(0);
  return out.GetBytes();
}

std::string Write(const CTempFolder& folder, const std::vector<std::uint8_t>& bytes)
{
  const std::string name = folder.File("stream.bin");
  COBitStream out;
  for (const std::uint8_t b : bytes)
    out.PutAlignedByte(b);
  EXPECT_EQ(out.WriteFile(name.c_str()), 1);
  return name;
}

int DecodeTriangles(const std::string& name, int packed, CMesh3d* pMesh)
{
  CTriangleGateDecoder decoder;
  return decoder.Decode(pMesh, name.c_str(), 0, nullptr, 1, 0, 0, packed);
}

void TriangleHeader(COBitStream& out, int genus, int order)
{
  out.PutBit(genus);
  out.PutBit(0);
  out.WriteBits(static_cast<std::uint32_t>(order), 3);
}

} // namespace

TEST(GateDecoderBounds, ARunOfOneCodeStopsAtWhatTheGeometryCanCarry)
{
  // Two million skips code into a few kilobytes: far more codes than the stream's size could
  // ever have vertices for.
  const Codes run(2000000, 3);
  const auto bytes = Stream([](COBitStream& out) { TriangleHeader(out, 0, 0); }, run, 4, 0, 3);
  ASSERT_LT(bytes.size(), 8000u);
  CIBitStream in(bytes);
  in.BReadBits(5);
  const std::size_t bound = gate::MaxCodes(in);
  EXPECT_EQ(bound, static_cast<std::size_t>(gate::CodesPerVertex * (8 * bytes.size() / 96 + 4)));
  Codes codes;
  EXPECT_EQ(gate::ReadCodes(in, 4, 0, bound, &codes), 0);
  EXPECT_LE(codes.size(), bound);

  CTempFolder folder;
  CMesh3d mesh;
  EXPECT_EQ(DecodeTriangles(Write(folder, bytes), 0, &mesh), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);
}

TEST(GateDecoderBounds, AHighOrderSectionBuildsOnlyTheModelsItMeets)
{
  // Order 7 over 5 symbols has 78125 contexts; an 8-byte stream meets a handful of them.
  const auto bytes = Stream([](COBitStream& out) { TriangleHeader(out, 0, 7); }, {4, 2}, 5, 7, 0);
  CIBitStream in(bytes);
  in.BReadBits(5);
  CRangeDecoder decoder(5);
  ASSERT_EQ(decoder.StartOrderK(&in, 7), 1);
  EXPECT_EQ(decoder.GetNbModel(), 78125u);
  EXPECT_EQ(decoder.GetNbBuiltModel(), 0u);
  std::uint32_t symbol = 0;
  Codes codes;
  while (decoder.DecodeOrderK(&symbol, &in))
    codes.push_back(symbol);
  EXPECT_EQ(codes, (Codes{4, 2}));
  EXPECT_EQ(decoder.DoneOrderK(&in), 1);

  CRangeDecoder small(5);
  CIBitStream again(bytes);
  again.BReadBits(5);
  ASSERT_EQ(small.StartOrderK(&again, 3), 1);
  EXPECT_EQ(small.GetNbBuiltModel(), 125u); // few contexts: all built at once
}

TEST(GateDecoderBounds, TriangleVertexCountBeyondTheGeometryIsRefused)
{
  CTempFolder folder;
  // Ten creates need 13 vertices; the stream carries 12.
  const Codes creates(10, 0);
  CMesh3d short12;
  EXPECT_EQ(DecodeTriangles(Write(folder, Stream([](COBitStream& out) { TriangleHeader(out, 0, 1); },
                                                 creates, 4, 1, 12)),
                            0, &short12),
            0);
  EXPECT_EQ(short12.NbVertex(), 0);
  // Packed: each 4 stands for a create and a mesh CW.
  CMesh3d packed;
  EXPECT_EQ(DecodeTriangles(Write(folder, Stream([](COBitStream& out) { TriangleHeader(out, 0, 0); },
                                                 Codes(6, 4), 5, 0, 8)),
                            1, &packed),
            0);
  EXPECT_EQ(packed.NbVertex(), 0);
}

TEST(GateDecoderBounds, SeedSectionsBeyondTheStreamAreRefused)
{
  CTempFolder folder;
  // Genus flag set, three skips, the seed triangle's corners, then 255 seed faces announced
  // with no bits for them.
  const auto manySeeds = Stream([](COBitStream& out) { TriangleHeader(out, 1, 0); }, {3, 3, 3}, 4,
                                0, 3);
  auto bytes = manySeeds;
  bytes.pop_back(); // the padding byte
  COBitStream tail;
  for (const std::uint8_t b : bytes)
    tail.PutAlignedByte(b);
  tail.WriteBits(255, 8);
  tail.Flush(0);
  CMesh3d mesh;
  EXPECT_EQ(DecodeTriangles(Write(folder, tail.GetBytes()), 0, &mesh), 0);
  EXPECT_EQ(mesh.NbFace(), 0);

  // A count of 0 announces extra vertices: 2^24 - 1 of them in a stream of a few bytes.
  COBitStream extra;
  for (const std::uint8_t b : bytes)
    extra.PutAlignedByte(b);
  extra.WriteBits(0, 8);
  extra.WriteBits(gate::MaxCount24, 24);
  extra.Flush(0);
  CMesh3d mesh2;
  EXPECT_EQ(DecodeTriangles(Write(folder, extra.GetBytes()), 0, &mesh2), 0);
  EXPECT_EQ(mesh2.NbVertex(), 0);
}

TEST(GateDecoderBounds, QuadCreatesBeyondTheGeometryAreRefused)
{
  CTempFolder folder;
  // Two c2 codes need 4 + 4 vertices; the stream carries 7.
  const auto bytes = Stream([](COBitStream& out) { out.PutBit(0); }, {0, 0, 6, 6}, 7, 0, 7);
  CQuadMesh3d mesh;
  CQuadGateDecoder decoder;
  EXPECT_EQ(decoder.Decode(&mesh, Write(folder, bytes).c_str(), 0, nullptr, 1, 0), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);

  const auto run = Stream([](COBitStream& out) { out.PutBit(0); }, Codes(1000000, 6), 7, 0, 4);
  CQuadGateDecoder runDecoder;
  EXPECT_EQ(runDecoder.Decode(&mesh, Write(folder, run).c_str(), 0, nullptr, 1, 0), 0);
  EXPECT_LE(runDecoder.GetCodes().size(),
            static_cast<std::size_t>(gate::CodesPerVertex * (8 * run.size() / 96 + 4)));
}

TEST(GateDecoderBounds, PolygonVertexCountBeyondTheGeometryIsRefused)
{
  CTempFolder folder;
  const auto header = [](COBitStream& out) {
    out.WriteBits(0, 2);
    out.PutBit(1);
  };
  // The 24-bit count says 2^24 - 1 vertices; four follow.
  const auto bytes = Stream(header, {3, 8, 8, 8}, 13, 0, 4,
                            [](COBitStream& out) { out.WriteBits(gate::MaxCount24, 24); });
  CPolygonMesh3d mesh;
  CPolygonGateDecoder decoder;
  EXPECT_EQ(decoder.Decode(&mesh, Write(folder, bytes).c_str(), 0, nullptr, 1, 0), 0);
  EXPECT_EQ(mesh.NbVertex(), 0);

  // The same stream with its true count decodes: the refusal is the count's.
  const auto good = Stream(header, {3, 8, 8, 8}, 13, 0, 3,
                           [](COBitStream& out) { out.WriteBits(3, 24); });
  CPolygonMesh3d triangle;
  CPolygonGateDecoder goodDecoder;
  EXPECT_EQ(goodDecoder.Decode(&triangle, Write(folder, good).c_str(), 0, nullptr, 1, 0), 1);
  EXPECT_EQ(triangle.NbVertex(), 3);
}

TEST(GateDecoderBounds, GeometryIsCheckedAgainstTheBitsLeftBeforeAnyVertexIsMade)
{
  COBitStream out;
  for (int i = 0; i < 3 * 5; i++)
    out.WriteFloat(1.0f);
  out.Flush(0);
  int made = 0;
  CArray3d<CVertex3d> order;
  const auto add = [&made](CVertex3d* v) {
    made++;
    delete v;
  };
  CIBitStream six(out.GetBytes());
  EXPECT_EQ(gate::MaxVertices(six), 5);
  EXPECT_EQ(gate::ReadGeometry(six, 6, &order, add), 0);
  EXPECT_EQ(made, 0);
  CIBitStream many(out.GetBytes());
  EXPECT_EQ(gate::ReadGeometry(many, gate::MaxCount24, &order, add), 0);
  EXPECT_EQ(made, 0);
  CIBitStream five(out.GetBytes());
  EXPECT_EQ(gate::ReadGeometry(five, 5, &order, add), 1);
  EXPECT_EQ(made, 5);
}
