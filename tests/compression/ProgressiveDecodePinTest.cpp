// The meshes the progressive decoders rebuild, pinned: vertex order, positions and face order
// are what a user of the decoded mesh sees, and the round-trip tests check positions against
// the encoder only, not the order of the faces. The flags, marks, normals and adjacency orders
// are pinned beside them: a faster decoder must leave every one as it was.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <map>
#include <memory>

namespace {

// FNV-1a, 64 bits, over 32-bit words.
class CHash
{
public:
  void Add(std::uint32_t word)
  {
    for (int i = 0; i < 4; i++) {
      m_Hash ^= (word >> (8 * i)) & 0xffu;
      m_Hash *= 1099511628211ull;
    }
  }
  std::uint64_t Get() const { return m_Hash; }

private:
  std::uint64_t m_Hash = 14695981039346656037ull;
};

// Positions and face flags in array order, faces as vertex indices: the whole decoded mesh.
std::uint64_t HashMesh(const CMesh3d& mesh)
{
  CHash h;
  std::map<const CVertex3d*, int> index;
  h.Add(static_cast<std::uint32_t>(mesh.NbVertex()));
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    index[v] = i;
    for (int k = 0; k < 3; k++)
      h.Add(std::bit_cast<std::uint32_t>(v->Get(k)));
  }
  h.Add(static_cast<std::uint32_t>(mesh.NbFace()));
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    for (int k = 0; k < 3; k++) {
      const auto found = index.find(f->v(k));
      h.Add(found == index.end() ? 0xffffffffu : static_cast<std::uint32_t>(found->second));
    }
    h.Add(static_cast<std::uint32_t>(f->GetFlag()));
  }
  return h.Get();
}

// What the decoder leaves beside the geometry: quantized positions, vertex flags and marks, face
// and vertex normals, and the adjacency in its orders.
std::uint64_t HashAttributes(const CMesh3d& mesh)
{
  CHash h;
  auto addVector = [&h](const CVector3d& n) {
    for (const float x : {n.x(), n.y(), n.z()})
      h.Add(std::bit_cast<std::uint32_t>(x));
  };
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    for (int k = 0; k < 3; k++)
      h.Add(std::bit_cast<std::uint32_t>(v->Get2(k)));
    h.Add(static_cast<std::uint32_t>(v->GetFlag()));
    h.Add(static_cast<std::uint32_t>(v->GetMark()));
    addVector(*v->GetNormal());
  }
  for (int i = 0; i < mesh.NbFace(); i++)
    addVector(*mesh.GetFace(i)->GetNormal());
  for (int x : progressive::Adjacency(mesh))
    h.Add(static_cast<std::uint32_t>(x));
  return h.Get();
}

struct SDecodePin
{
  const char* name;
  std::unique_ptr<CMesh3d> (*build)();
  int targetDivisor;
  int q;
  int simulate;
  std::uint64_t hash;
  std::uint64_t attributes;
};

std::unique_ptr<CMesh3d> Obj(const char* name)
{
  auto mesh = progressive::ReadObj(name);
  EXPECT_NE(nullptr, mesh) << name;
  return mesh ? std::move(mesh) : std::make_unique<CMesh3d>();
}

const SDecodePin kDecodes[] = {
    {"torus", [] { return progressive::Torus(40, 30); }, 20, 12, 0, 9478954034726370733ull, 9010561665772903281ull},
    {"plate packed", [] { return progressive::PlateWithHoles(40, 30, 9); }, 10, 10, 1, 11558653001963545900ull, 13172305931581308948ull},
    {"slab", [] { return progressive::PiercedSlab(20, 12, 3, 2); }, 10, 12, 0, 16621685939025414138ull, 13345917636811229173ull},
    {"elephant patch", [] { return Obj("conquest_elephant_patch337.obj"); }, 10, 12, 1, 11798110087465759821ull, 10236938608939602158ull},
    {"bunny", [] { return Obj("bunny3674.obj"); }, 20, 11, 0, 7325714391891828375ull, 1019953183468984847ull},
    {"cheese", [] { return Obj("cheese.obj"); }, 20, 12, 0, 5853262524626386311ull, 16138077131398274414ull},
    {"camel", [] { return Obj("camel.obj"); }, 100, 11, 0, 12772126825228941938ull, 13433030635846248143ull},
    {"torus and plate", [] { return progressive::TorusAndPlate(20, 12, 30, 24); }, 10, 11, 0, 10403209683063980547ull, 10760351672684362920ull},
};

TEST(ProgressiveDecodePins, DecodedMeshesStayTheSame)
{
  conquest::CScratchFolder folder;
  for (const SDecodePin& pin : kDecodes) {
    SCOPED_TRACE(pin.name);
    auto mesh = pin.build();
    ASSERT_GT(mesh->NbVertex(), 100);
    CProgressiveCoder encoder;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), mesh->NbVertex() / pin.targetDivisor,
                                     pin.q, "pin.vpm", nullptr, pin.simulate));
    CMesh3d decoded;
    CProgressiveCoder decoder;
    ASSERT_EQ(1, progressive::Decode(&decoder, &decoded, "pin.vpm"));
    EXPECT_EQ(pin.hash, HashMesh(decoded));
    EXPECT_EQ(pin.attributes, HashAttributes(decoded));
  }
}

// One layer of each gate type re-inserted at the mean of its borders, with and without the
// refresh that drops the replaced faces.
TEST(ProgressiveDecodePins, SingleLayerDecodesStayTheSame)
{
  conquest::CScratchFolder folder;
  const std::uint64_t kHashes[2][2] = {{3649996995854362837ull, 10276057864078934240ull},
                                            {16675737695746619264ull, 11642473293346306157ull}};
  for (int gateType : {0, 1})
    for (int refresh : {0, 1}) {
      SCOPED_TRACE(gateType * 10 + refresh);
      auto mesh = Obj("bunny3674.obj");
      CProgressiveCoder encoder;
      ASSERT_EQ(1, encoder.EncodeOneLayer(mesh.get(), "refine.bin", gateType, gateType ? 3 : 6, 0,
                                          0, 1, 0, 0, 0.0, 1, nullptr, 1, 0, 0, 0));
      CProgressiveCoder decoder;
      const int decoded = decoder.DecodeLayer(mesh.get(), "refine.bin", refresh, nullptr, 0, 0);
      EXPECT_EQ(1, decoded);
      EXPECT_EQ(kHashes[gateType][refresh], HashMesh(*mesh));
    }
}

} // namespace
