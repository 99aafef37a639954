// The encoder's corner lists: carried from layer to layer through the adjacency update, they
// must lead the conquest where lists made afresh each layer lead it, and where the vertices'
// own face lists lead it when the lists cannot be made.
#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

namespace {

using Build = std::unique_ptr<CMesh3d> (*)();

std::vector<std::vector<unsigned int>> NonEmptyLayers(const CProgressiveCoder& coder)
{
  std::vector<std::vector<unsigned int>> layers;
  for (int i = 0; i < coder.NbLayer(); i++)
    if (coder.GetLayerCodes(i)->NbRemoval() > 0)
      layers.push_back(coder.GetLayerCodes(i)->GetCodes());
  return layers;
}

// Whole encodings carry the lists; layers asked for one at a time list them again. With every
// veto off and a coarse grid (6 bits: residuals stay far below their bound, which single
// layers do not have), both take the same decisions.
TEST(ProgressiveCornerLists, CarriedListsCodeAsListsMadeEachLayer)
{
  conquest::CScratchFolder folder;
  const Build builds[] = {[] { return progressive::Torus(40, 30); },
                          [] { return progressive::PlateWithHoles(40, 30, 9); },
                          [] { return progressive::PiercedSlab(14, 9, 2, 2); }};
  for (const Build build : builds) {
    auto whole = build();
    auto stepped = build();
    const int target = whole->NbVertex() / 50;
    SCOPED_TRACE(whole->NbVertex());
    CProgressiveCoder encoder;
    ASSERT_EQ(1, encoder.Encode(whole.get(), target, 6, "whole.vpm", 0, 0, 0, 0, 0, 0.0, 0, 0,
                                nullptr, 1, 0, 0, nullptr, 0, nullptr, 0));
    CProgressiveCoder layers;
    int pairs = 0;
    while (stepped->NbVertex() > target) {
      const int r1 = layers.EncodeLayer(stepped.get(), 0, 6);
      const int r2 = layers.EncodeLayer(stepped.get(), 1, 3);
      pairs++;
      if (r1 == 0 && r2 == 0)
        break;
    }
    const auto expected = NonEmptyLayers(layers);
    EXPECT_GT(pairs, 3);
    EXPECT_GT(expected.size(), 6u);
    EXPECT_EQ(expected, NonEmptyLayers(encoder));
  }
}

// Adjacency indices that name no vertex leave the conquest to the vertices' own face lists:
// the codes and the mesh left are those of a layer led by the corner lists.
TEST(ProgressiveCornerLists, StaleIndicesFallBackToTheFaceListsAlike)
{
  conquest::CScratchFolder folder;
  struct SCase
  {
    int gateType;
    int maxValence;
    int pureValence;
    int applyRemoval;
  };
  const SCase cases[] = {{0, 6, 0, 1}, {1, 3, 0, 1}, {0, 6, 1, 1}, {0, 5, 0, 0}};
  const Build builds[] = {[] { return progressive::PlateWithHoles(30, 24, 6); },
                          [] { return progressive::ReadObj("bunny3674.obj"); }};
  int removing = 0;
  for (const SCase& c : cases)
    for (const Build build : builds) {
      SCOPED_TRACE(c.gateType * 100 + c.maxValence * 10 + c.pureValence);
      auto listed = build();
      auto stale = build();
      ASSERT_NE(nullptr, listed);
      const int before = listed->NbVertex();
      for (int i = 0; i < stale->NbVertex(); i++)
        stale->GetVertex(i)->SetAdjacencyIndex(-1);
      CProgressiveCoder a;
      CProgressiveCoder b;
      ASSERT_EQ(1, a.EncodeOneLayer(listed.get(), "listed.bin", c.gateType, c.maxValence,
                                    c.pureValence, 1, 1, 0, 0, 0.0, c.applyRemoval, nullptr, 1, 0,
                                    0, 0));
      ASSERT_EQ(1, b.EncodeOneLayer(stale.get(), "stale.bin", c.gateType, c.maxValence,
                                    c.pureValence, 1, 1, 0, 0, 0.0, c.applyRemoval, nullptr, 1, 0,
                                    0, 0));
      const auto bytes = ReadBytes(folder.File("listed.bin"));
      EXPECT_GT(bytes.size(), 8u);
      EXPECT_EQ(bytes, ReadBytes(folder.File("stale.bin")));
      EXPECT_EQ(progressive::Adjacency(*listed), progressive::Adjacency(*stale));
      removing += listed->NbVertex() < before;
    }
  EXPECT_GE(removing, 5);
}

// Late layers remove a few vertices each: the lists they change are written again in place
// or at the end of the corner array, and the array is compacted once the space left behind
// outgrows the lists in use. Each layer must still code as one whose lists are made afresh
// (vetoes off and a coarse grid, as above), and leave every vertex at its place in the array
// as its adjacency index, as a full build numbers them.
TEST(ProgressiveCornerLists, MovedAndCompactedListsCodeAsListsMadeEachLayer)
{
  conquest::CScratchFolder folder;
  const Build builds[] = {[] { return progressive::ReadObj("cheese.obj"); },
                          [] { return progressive::ReadObj("bunny3674.obj"); }};
  int compactions = 0;
  for (const Build build : builds) {
    auto whole = build();
    auto stepped = build();
    ASSERT_NE(nullptr, whole);
    SCOPED_TRACE(whole->NbVertex());
    const int target = whole->NbVertex() / 50;
    CProgressiveCoder encoder;
    ASSERT_EQ(1, encoder.Encode(whole.get(), target, 6, "whole.vpm", 0, 0, 1, 0, 0, 0.0, 0, 0,
                                nullptr, 1, 0, 0, nullptr, 0, nullptr, 0));
    compactions += encoder.GetCornerCompactions();
    for (int i = 0; i < whole->NbVertex(); i++)
      ASSERT_EQ(i, whole->GetVertex(i)->GetAdjacencyIndex());
    CProgressiveCoder layers;
    layers.SetForbidNormalFlipping(1);
    while (stepped->NbVertex() > target) {
      const int r1 = layers.EncodeLayer(stepped.get(), 0, 6);
      const int r2 = layers.EncodeLayer(stepped.get(), 1, 3);
      for (int i = 0; i < stepped->NbVertex(); i++)
        ASSERT_EQ(i, stepped->GetVertex(i)->GetAdjacencyIndex());
      if (r1 == 0 && r2 == 0)
        break;
    }
    EXPECT_EQ(NonEmptyLayers(layers), NonEmptyLayers(encoder));
    EXPECT_EQ(progressive::Adjacency(*stepped), progressive::Adjacency(*whole));
  }
  EXPECT_GT(compactions, 0);
}

// An encoding whose first layer cannot list the corners writes the stream of one that lists
// and carries them throughout.
TEST(ProgressiveCornerLists, EncodingFromStaleIndicesWritesTheSameStream)
{
  conquest::CScratchFolder folder;
  auto a = progressive::ReadObj("bunny3674.obj");
  auto b = progressive::ReadObj("bunny3674.obj");
  ASSERT_NE(nullptr, a);
  for (int i = 0; i < b->NbVertex(); i++)
    b->GetVertex(i)->SetAdjacencyIndex(-1);
  CProgressiveCoder first;
  CProgressiveCoder second;
  ASSERT_EQ(1, progressive::Encode(&first, a.get(), a->NbVertex() / 20, 10, "a.vpm"));
  ASSERT_EQ(1, progressive::Encode(&second, b.get(), b->NbVertex() / 20, 10, "b.vpm"));
  const auto bytes = ReadBytes(folder.File("a.vpm"));
  EXPECT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes, ReadBytes(folder.File("b.vpm")));
}

// Some vertices stale, the others named by their indices: a layer that removes few vertices
// refuses its update partway through the vertices it would list again, and is rebuilt. The
// layers after it, updated, must give the faces and lists of layers from sound indices.
TEST(ProgressiveCornerLists, PartlyStaleIndicesLeaveLaterUpdatesSound)
{
  for (const int period : {2, 3, 7}) {
    SCOPED_TRACE(period);
    auto sound = progressive::ReadObj("bunny3674.obj");
    auto partly = progressive::ReadObj("bunny3674.obj");
    ASSERT_NE(nullptr, sound);
    for (int i = period - 1; i < partly->NbVertex(); i += period)
      partly->GetVertex(i)->SetAdjacencyIndex(-1);
    CProgressiveCoder a;
    CProgressiveCoder b;
    int removed = 0;
    for (int layer = 0; layer < 5; layer++) {
      SCOPED_TRACE(layer);
      const int gateType = layer % 2 == 0 ? 1 : 0;
      const int maxValence = gateType == 1 ? 3 : 6;
      const int r = a.EncodeLayer(sound.get(), gateType, maxValence);
      EXPECT_EQ(r, b.EncodeLayer(partly.get(), gateType, maxValence));
      removed += r;
      EXPECT_EQ(progressive::Adjacency(*sound), progressive::Adjacency(*partly));
    }
    EXPECT_GT(removed, 0);
  }
}

// A closed spindle: `rings` rings of n vertices, each quad between rings split in two, and an
// apex at each end joined to every vertex of its ring. The apexes come last in the vertex
// array, so their corner lists, n long, end the encoder's corner array.
std::unique_ptr<CMesh3d> Spindle(int n, int rings)
{
  progressive::Points points;
  progressive::Triangles triangles;
  const double pi = std::acos(-1.0);
  for (int r = 0; r < rings; r++)
    for (int i = 0; i < n; i++) {
      const double a = 2 * pi * (i + 0.3 * progressive::Jitter(r, i, 4)) / n;
      const double radius = 1.0 + 0.1 * progressive::Jitter(r, i, 5);
      points.push_back({static_cast<float>(radius * std::cos(a)),
                        static_cast<float>(radius * std::sin(a)), static_cast<float>(r)});
    }
  const int top = static_cast<int>(points.size());
  points.push_back({0, 0, static_cast<float>(rings)});
  points.push_back({0, 0, -1});
  auto at = [n](int r, int i) { return r * n + (i + n) % n; };
  for (int r = 0; r + 1 < rings; r++)
    for (int i = 0; i < n; i++) {
      triangles.push_back({at(r, i), at(r, i + 1), at(r + 1, i + 1)});
      triangles.push_back({at(r, i), at(r + 1, i + 1), at(r + 1, i)});
    }
  for (int i = 0; i < n; i++) {
    triangles.push_back({at(rings - 1, i), at(rings - 1, i + 1), top});
    triangles.push_back({at(0, i + 1), at(0, i), top + 1});
  }
  return fixtures::Build(points, triangles);
}

// The same spindle with no vertex knowing its adjacency index: the encoder lists its corners
// from the faces instead of carrying them.
std::unique_ptr<CMesh3d> UnindexedSpindle(int n, int rings)
{
  auto mesh = Spindle(n, rings);
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetAdjacencyIndex(-1);
  return mesh;
}

// The front corner of a gate is looked for among a list's corners all at once where the list
// is short, one by one where it is long: vertices of valence 7 to 13, whose lists straddle
// that length and end the corner array, lead the conquest as their own face lists do.
TEST(ProgressiveCornerLists, LongAndLastListsLeadAsTheFaceLists)
{
  conquest::CScratchFolder folder;
  for (const int n : {7, 8, 9, 13}) {
    SCOPED_TRACE(n);
    for (const int gateType : {0, 1}) {
      auto listed = Spindle(n, 6);
      auto stale = UnindexedSpindle(n, 6);
      CProgressiveCoder a;
      CProgressiveCoder b;
      ASSERT_EQ(1, a.EncodeOneLayer(listed.get(), "listed.bin", gateType, 6, 0, 0, 0, 0, 0, 0.0,
                                    1, nullptr, 1, 0, 0, 0));
      ASSERT_EQ(1, b.EncodeOneLayer(stale.get(), "stale.bin", gateType, 6, 0, 0, 0, 0, 0, 0.0,
                                    1, nullptr, 1, 0, 0, 0));
      EXPECT_EQ(ReadBytes(folder.File("listed.bin")), ReadBytes(folder.File("stale.bin")));
      EXPECT_EQ(progressive::Adjacency(*listed), progressive::Adjacency(*stale));
      // The first layer removes ring vertices, the apexes' neighbours among them.
      EXPECT_LT(listed->NbVertex(), 6 * n + 2);
    }
    auto whole = Spindle(n, 6);
    auto stale = UnindexedSpindle(n, 6);
    CProgressiveCoder first;
    CProgressiveCoder second;
    ASSERT_EQ(1, progressive::Encode(&first, whole.get(), 8, 10, "a.vpm"));
    ASSERT_EQ(1, progressive::Encode(&second, stale.get(), 8, 10, "b.vpm"));
    EXPECT_GT(first.NbLayer(), 2);
    EXPECT_EQ(ReadBytes(folder.File("a.vpm")), ReadBytes(folder.File("b.vpm")));
  }
}

// Vertices that share an adjacency index own no list: where every other vertex owns its own,
// the conquest reads the shared ones' face lists and the rest's corner lists, and must code
// as where every vertex owns its list. A few pairs share (most lists kept), then every vertex
// shares with its neighbour in the array (none kept).
TEST(ProgressiveCornerLists, SharedIndicesCodeAsOwnedLists)
{
  conquest::CScratchFolder folder;
  const Build builds[] = {[] { return progressive::Torus(30, 24); },
                          [] { return progressive::PlateWithHoles(30, 24, 6); }};
  for (const Build build : builds)
    for (const int spacing : {97, 1}) {
      auto owned = build();
      auto shared = build();
      const int before = owned->NbVertex();
      SCOPED_TRACE(before * 1000 + spacing);
      int sharing = 0;
      for (int i = 0; i + 1 < shared->NbVertex(); i += spacing + 1, sharing++)
        shared->GetVertex(i)->SetAdjacencyIndex(i + 1);
      EXPECT_GT(sharing, spacing == 1 ? before / 3 : 5);
      for (const int gateType : {0, 1}) {
        CProgressiveCoder a;
        CProgressiveCoder b;
        ASSERT_EQ(1, a.EncodeOneLayer(owned.get(), "owned.bin", gateType, gateType ? 3 : 6, 0, 1,
                                      1, 0, 0, 0.0, 1, nullptr, 1, 0, 0, 0));
        ASSERT_EQ(1, b.EncodeOneLayer(shared.get(), "shared.bin", gateType, gateType ? 3 : 6, 0,
                                      1, 1, 0, 0, 0.0, 1, nullptr, 1, 0, 0, 0));
        EXPECT_EQ(ReadBytes(folder.File("owned.bin")), ReadBytes(folder.File("shared.bin")));
        EXPECT_EQ(progressive::Adjacency(*owned), progressive::Adjacency(*shared));
      }
      // Two layers: the first one removes a good share of the vertices.
      EXPECT_LT(owned->NbVertex(), before - before / 8);
    }
}

// The flags and marks a caller leaves on the vertices and faces are the conquest's own state
// once a layer starts: whatever they hold, the stream and the mesh left are those of a clean
// mesh.
TEST(ProgressiveCornerLists, FlagsAndMarksLeftByTheCallerAreIgnored)
{
  conquest::CScratchFolder folder;
  auto clean = progressive::ReadObj("bunny3674.obj");
  auto dirty = progressive::ReadObj("bunny3674.obj");
  ASSERT_NE(nullptr, clean);
  for (int i = 0; i < dirty->NbVertex(); i++) {
    dirty->GetVertex(i)->SetFlag(1 + i % 3);
    dirty->GetVertex(i)->SetMark(1 + (i / 3) % 2);
  }
  for (int i = 0; i < dirty->NbFace(); i++)
    dirty->GetFace(i)->SetFlag(1 + i % 2);
  CProgressiveCoder a;
  CProgressiveCoder b;
  ASSERT_EQ(1, progressive::Encode(&a, clean.get(), clean->NbVertex() / 20, 10, "clean.vpm"));
  ASSERT_EQ(1, progressive::Encode(&b, dirty.get(), dirty->NbVertex() / 20, 10, "dirty.vpm"));
  const auto bytes = ReadBytes(folder.File("clean.vpm"));
  EXPECT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes, ReadBytes(folder.File("dirty.vpm")));
  EXPECT_EQ(progressive::Adjacency(*clean), progressive::Adjacency(*dirty));
}

// A layer removing few vertices (valence 3 alone) takes them and their faces out of the
// arrays by their pointers: what stays keeps its order, the faces made follow, and the
// removed vertices are exactly those of the layer's records.
TEST(ProgressiveCornerLists, FewRemovalsKeepTheOrderOfWhatStays)
{
  conquest::CScratchFolder folder;
  auto mesh = progressive::ReadObj("bunny3674.obj");
  ASSERT_NE(nullptr, mesh);
  std::vector<CVertex3d*> vertices;
  for (int i = 0; i < mesh->NbVertex(); i++)
    vertices.push_back(mesh->GetVertex(i));
  // The faces' corners are read before the layer: the faces that go are deleted.
  std::vector<CFace3d*> faces;
  std::vector<std::array<const CVertex3d*, 3>> corners;
  for (int i = 0; i < mesh->NbFace(); i++) {
    CFace3d* f = mesh->GetFace(i);
    faces.push_back(f);
    corners.push_back({f->v(0), f->v(1), f->v(2)});
  }
  CProgressiveCoder coder;
  ASSERT_EQ(1, coder.EncodeOneLayer(mesh.get(), "few.bin", 0, 3, 1, 0, 0, 0, 0, 0.0, 1, nullptr, 1,
                                    0, 0, 0));
  const CProgressiveGeometryLayer* layer = coder.GetLayerGeometry(0);
  const int removed = layer->NbRecord();
  EXPECT_GT(removed, 2);
  EXPECT_LT(32 * removed, static_cast<int>(vertices.size()));
  std::set<const CVertex3d*> gone;
  for (int i = 0; i < removed; i++)
    gone.insert(layer->GetVertex(i));
  EXPECT_EQ(static_cast<size_t>(removed), gone.size());
  std::vector<CVertex3d*> keptVertices;
  for (CVertex3d* v : vertices)
    if (!gone.count(v))
      keptVertices.push_back(v);
  std::vector<CVertex3d*> leftVertices;
  for (int i = 0; i < mesh->NbVertex(); i++)
    leftVertices.push_back(mesh->GetVertex(i));
  EXPECT_EQ(keptVertices, leftVertices);
  // A vertex of valence 3 leaves with its three faces; one face closes its hole.
  std::vector<CFace3d*> keptFaces;
  for (size_t i = 0; i < faces.size(); i++)
    if (!gone.count(corners[i][0]) && !gone.count(corners[i][1]) && !gone.count(corners[i][2]))
      keptFaces.push_back(faces[i]);
  EXPECT_EQ(faces.size() - 3 * gone.size(), keptFaces.size());
  ASSERT_EQ(keptFaces.size() + gone.size(), static_cast<size_t>(mesh->NbFace()));
  for (size_t i = 0; i < keptFaces.size(); i++)
    EXPECT_EQ(keptFaces[i], mesh->GetFace(static_cast<int>(i))) << i;
  CMesh3d rebuilt;
  rebuilt.Copy(mesh.get());
  rebuilt.Rebuild();
  EXPECT_EQ(progressive::Adjacency(rebuilt), progressive::Adjacency(*mesh));
}

} // namespace
