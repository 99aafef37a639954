// Meshes with an edge held by three faces, two of them turning the same way: the encoder either
// writes a stream that both decoders bring back to the very same faces, or refuses the mesh.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <utility>
#include <unordered_map>
#include <vector>

namespace {

using Position = std::array<float, 3>;
using Triple = std::array<int, 3>;

Position At(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }

// A torus with a fin: one more face on the first edge of face `face`, turning as that face does.
std::unique_ptr<CMesh3d> TorusWithFin(int face)
{
  auto mesh = progressive::Torus(20, 12);
  CFace3d* f = mesh->GetFace(face);
  auto* fin = new CVertex3d(f->v(0)->x() + 0.1f, f->v(0)->y() + 0.2f, f->v(0)->z() + 0.3f);
  mesh->AddVertex(fin);
  mesh->AddFace(new CFace3d(f->v(0), f->v(1), fin));
  mesh->Rebuild();
  return mesh;
}

// A torus with face `face` turned over: each of its edges is held twice the same way.
std::unique_ptr<CMesh3d> TorusWithFlip(int face)
{
  progressive::Points points;
  progressive::Triangles triangles;
  progressive::AppendTorus(&points, &triangles, 20, 12, 0);
  std::swap(triangles[static_cast<size_t>(face)][1], triangles[static_cast<size_t>(face)][2]);
  return fixtures::Build(points, triangles);
}

// Many tangles at once: fins turning with their face and against it, faces turned over, and
// two fins on one edge (four faces).
std::unique_ptr<CMesh3d> TangledTorus()
{
  progressive::Points points;
  progressive::Triangles triangles;
  progressive::AppendTorus(&points, &triangles, 24, 16, 0);
  const size_t count = triangles.size();
  const size_t first = points.size();
  auto fin = [&](int a, int b) {
    // Apart from every other fin on the same vertex: the vertices are told by position.
    const auto p = points[static_cast<size_t>(a)];
    const float lift = 0.3f + 0.01f * static_cast<float>(points.size() - first);
    points.push_back({p[0] + 0.1f, p[1] + 0.2f, p[2] + lift});
    triangles.push_back({a, b, static_cast<int>(points.size()) - 1});
  };
  for (size_t i = 10; i < count; i++) {
    const auto t = triangles[i];
    if (i % 23 == 0)
      fin(t[0], t[1]);
    if (i % 37 == 0)
      fin(t[1], t[0]);
    if (i % 101 == 0) {
      fin(t[1], t[2]);
      fin(t[2], t[1]);
    }
    if (i % 31 == 0)
      std::swap(triangles[i][1], triangles[i][2]);
  }
  return fixtures::Build(points, triangles);
}

// Each face as the indices of its corners in `order`, turned to start at the smallest, sorted:
// the same list for two meshes with the same faces and orientations, whatever their orders.
std::vector<Triple> Faces(const CMesh3d& mesh, const std::vector<int>& order)
{
  std::unordered_map<const CVertex3d*, int> index;
  for (int i = 0; i < mesh.NbVertex(); i++)
    index[mesh.GetVertex(i)] = order[static_cast<size_t>(i)];
  std::vector<Triple> faces;
  for (int i = 0; i < mesh.NbFace(); i++) {
    Triple t{};
    for (int k = 0; k < 3; k++)
      t[static_cast<size_t>(k)] = index.at(mesh.GetFace(i)->v(k));
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    faces.push_back(t);
  }
  std::sort(faces.begin(), faces.end());
  return faces;
}

std::vector<int> Identity(int n)
{
  std::vector<int> order(static_cast<size_t>(n));
  for (int i = 0; i < n; i++)
    order[static_cast<size_t>(i)] = i;
  return order;
}

struct SOriginal
{
  std::map<Position, int> index;
  std::vector<Triple> faces;
};

SOriginal Remember(const CMesh3d& mesh)
{
  SOriginal o;
  for (int i = 0; i < mesh.NbVertex(); i++)
    o.index[At(mesh.GetVertex(i))] = i;
  EXPECT_EQ(static_cast<size_t>(mesh.NbVertex()), o.index.size());
  o.faces = Faces(mesh, Identity(mesh.NbVertex()));
  return o;
}

// Decodes the stream (on index arrays, or on mesh objects when colour is set) and checks that
// it brings back the original faces: each decoded vertex is named by the original position the
// encoder gives for it, and sits at the encoder's quantized position.
void ExpectOriginal(const SOriginal& original, const CProgressiveCoder& encoder, int colour)
{
  SCOPED_TRACE(colour);
  CMesh3d decoded;
  CProgressiveCoder decoder;
  ASSERT_EQ(1, decoder.Decode(&decoded, "fin.vpm", nullptr, nullptr, 0, colour, 0, 0, 1));
  const auto& positions = encoder.GetOriginalPositions();
  const auto& reconstruction = encoder.GetReconstruction();
  ASSERT_EQ(original.index.size(), positions.size());
  ASSERT_EQ(positions.size(), static_cast<size_t>(decoded.NbVertex()));
  std::vector<int> order;
  for (size_t i = 0; i < positions.size(); i++) {
    const auto found = original.index.find(positions[i]);
    ASSERT_NE(original.index.end(), found) << i;
    order.push_back(found->second);
    EXPECT_EQ(reconstruction[i], progressive::Quantized(decoded.GetVertex(static_cast<int>(i)))) << i;
  }
  EXPECT_EQ(original.faces, Faces(decoded, order));
}

// Every fifth face of the torus takes the fin in turn.
TEST(ProgressiveTangledEdge, EveryFinPositionDecodesToTheSameFacesOrIsRefused)
{
  conquest::CScratchFolder folder;
  int encoded = 0;
  for (int face = 0; face < 480; face += 5)
    for (const int simulate : {0, 1}) {
      SCOPED_TRACE(face * 10 + simulate);
      auto mesh = TorusWithFin(face);
      const SOriginal original = Remember(*mesh);
      ASSERT_EQ(481u, original.faces.size());
      CProgressiveCoder encoder;
      if (!progressive::Encode(&encoder, mesh.get(), 20, 10, "fin.vpm", nullptr, simulate))
        continue;
      encoded++;
      EXPECT_GT(encoder.NbLayer(), 2);
      ExpectOriginal(original, encoder, 0);
      ExpectOriginal(original, encoder, 1);
    }
  // Refusing is for what cannot be replayed, not for every tangled mesh.
  EXPECT_EQ(192, encoded);
}

// The seed edge joins vertices 0 and 1, on faces 0 and 1: a flip there would stop the
// conquest before it starts.
TEST(ProgressiveTangledEdge, EveryFlipPositionDecodesToTheSameFacesOrIsRefused)
{
  conquest::CScratchFolder folder;
  int encoded = 0;
  for (int face = 10; face < 480; face += 5) {
    SCOPED_TRACE(face);
    auto mesh = TorusWithFlip(face);
    const SOriginal original = Remember(*mesh);
    CProgressiveCoder encoder;
    if (!progressive::Encode(&encoder, mesh.get(), 20, 10, "fin.vpm"))
      continue;
    encoded++;
    ExpectOriginal(original, encoder, 0);
    ExpectOriginal(original, encoder, 1);
  }
  EXPECT_EQ(94, encoded);
}

TEST(ProgressiveTangledEdge, ManyTanglesAtOnceDecodeToTheSameFaces)
{
  conquest::CScratchFolder folder;
  for (const int simulate : {0, 1}) {
    SCOPED_TRACE(simulate);
    auto mesh = TangledTorus();
    const SOriginal original = Remember(*mesh);
    const int before = mesh->NbVertex();
    CProgressiveCoder encoder;
    ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 40, 12, "fin.vpm", nullptr, simulate));
    EXPECT_GT(encoder.NbLayer(), 2);
    // The tangles hold back only the vertices of their own faces (and the fins, of valence
    // two, never go): a good share of the rest still goes.
    int removed = 0;
    for (int i = 0; i < encoder.NbLayer(); i++)
      removed += encoder.GetLayerCodes(i)->NbRemoval();
    EXPECT_GT(4 * removed, before);
    ExpectOriginal(original, encoder, 0);
    ExpectOriginal(original, encoder, 1);
  }
}

// A face given twice: each of its edges is held twice the same way, and every one of its
// vertices lists it twice. Away from the seed faces, whichever face doubles, the mesh is
// encoded and the stream decodes to the same faces.
TEST(ProgressiveTangledEdge, EveryDoubledFaceDecodesToTheSameFaces)
{
  conquest::CScratchFolder folder;
  int tried = 0;
  int encoded = 0;
  for (int face = 7; face < 480; face += 41) {
    tried++;
    SCOPED_TRACE(face);
    progressive::Points points;
    progressive::Triangles triangles;
    progressive::AppendTorus(&points, &triangles, 20, 12, 0);
    triangles.push_back(triangles[static_cast<size_t>(face)]);
    auto mesh = fixtures::Build(points, triangles);
    const SOriginal original = Remember(*mesh);
    ASSERT_EQ(481u, original.faces.size());
    CProgressiveCoder encoder;
    if (!progressive::Encode(&encoder, mesh.get(), 20, 10, "fin.vpm"))
      continue;
    encoded++;
    // The doubled face is never replaced: its three vertices stay to the base mesh.
    int kept = 0;
    for (int i = 0; i < mesh->NbVertex(); i++)
      for (const int corner : triangles.back())
        kept += At(mesh->GetVertex(i)) == points[static_cast<size_t>(corner)] ? 1 : 0;
    EXPECT_EQ(3, kept);
    ExpectOriginal(original, encoder, 0);
    ExpectOriginal(original, encoder, 1);
  }
  EXPECT_EQ(tried, encoded);
}

// On a scanned mesh, fins on every 97th face, alternately turning with their face and against.
TEST(ProgressiveTangledEdge, FinsOnAScannedMeshDecodeToTheSameFaces)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::ReadObj("bunny3674.obj");
  ASSERT_NE(nullptr, mesh);
  const int nbFace = mesh->NbFace();
  for (int i = 50, n = 0; i < nbFace; i += 97, n++) {
    CFace3d* f = mesh->GetFace(i);
    CVertex3d* a = f->v(n % 2);
    CVertex3d* b = f->v(1 - n % 2);
    // Apart from any other fin on the same vertex: the vertices are told by position.
    const float lift = 0.003f + 0.0001f * static_cast<float>(n);
    auto* fin = new CVertex3d(a->x() + 0.001f, a->y() + 0.002f, a->z() + lift);
    mesh->AddVertex(fin);
    mesh->AddFace(new CFace3d(a, b, fin));
  }
  mesh->Rebuild();
  const SOriginal original = Remember(*mesh);
  CProgressiveCoder encoder;
  ASSERT_EQ(1, progressive::Encode(&encoder, mesh.get(), 40, 12, "fin.vpm"));
  EXPECT_GT(encoder.NbLayer(), 4);
  ExpectOriginal(original, encoder, 0);
  ExpectOriginal(original, encoder, 1);
}

} // namespace
