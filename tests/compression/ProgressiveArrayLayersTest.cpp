// The encoder's layers on index arrays against the same layers on the mesh objects: every
// decision must be the same, so the stream, the coder's counts and the mesh left after the
// encoding (vertex order, faces in order, adjacency, flags and marks) must match byte for byte.
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using progressive::Points;
using progressive::Triangles;

struct SSettings
{
  int targetDivisor = 20;
  int q = 10;
  int forbidConcave = 0;
  int forbidNormalFlipping = 1;
  int useMetric = 0;
  int metricKind = 0;
  double threshold = 0;
  int switchMetricOff = 0;
  int simulate = 0;
};

struct SRun
{
  std::vector<char> bytes;
  std::vector<long long> mesh;
  std::vector<int> adjacency;
  std::vector<int> counts;
  int arrayLayers = 0;
  int ok = 0;
};

std::vector<int> g_Callbacks;
int Record(int n)
{
  g_Callbacks.push_back(n);
  return 1;
}

// The mesh left by the encoding: positions by bits, flags, marks and each face's corners by
// vertex index, in the arrays' orders.
std::vector<long long> Snapshot(const CMesh3d& mesh)
{
  std::unordered_map<const CVertex3d*, int> index;
  std::vector<long long> out;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    index[v] = i;
    for (float x : {v->x(), v->y(), v->z()})
      out.push_back(static_cast<long long>(std::hash<float>{}(x)));
    out.push_back(v->GetFlag());
    out.push_back(v->GetMark());
    out.push_back(v->GetAdjacencyIndex());
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    for (int k = 0; k < 3; k++)
      out.push_back(index.at(f->v(k)));
    out.push_back(f->GetFlag());
  }
  return out;
}

SRun Encode(CMesh3d* mesh, const SSettings& s, bool arrays, int limit = -1)
{
  CProgressiveCoder coder;
  coder.SetArrayLayers(arrays);
  coder.SetArrayLayerLimit(limit);
  g_Callbacks.clear();
  SRun run;
  run.ok = coder.Encode(mesh, mesh->NbVertex() / s.targetDivisor, s.q, "arrays.vpm", s.simulate,
                        s.forbidConcave, s.forbidNormalFlipping, s.useMetric, s.metricKind,
                        s.threshold, s.switchMetricOff, mesh->NbVertex() / 2, nullptr, 1, 0, 0,
                        Record, 0, nullptr, 0);
  std::ifstream in("arrays.vpm", std::ios::binary);
  run.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  run.mesh = Snapshot(*mesh);
  run.adjacency = progressive::Adjacency(*mesh);
  run.counts = g_Callbacks;
  run.counts.push_back(coder.NbLayer());
  run.counts.push_back(coder.GetRefusalHits());
  run.counts.push_back(coder.GetBarrenLayers());
  run.arrayLayers = coder.GetArrayLayers();
  return run;
}

void ExpectSame(const SRun& objects, const SRun& arrays, int ok = 1)
{
  EXPECT_EQ(ok, objects.ok);
  EXPECT_EQ(objects.ok, arrays.ok);
  if (objects.ok) {
    ASSERT_GT(objects.bytes.size(), 16u);
  }
  EXPECT_TRUE(objects.bytes == arrays.bytes);
  EXPECT_EQ(objects.mesh, arrays.mesh);
  EXPECT_EQ(objects.adjacency, arrays.adjacency);
  EXPECT_EQ(objects.counts, arrays.counts);
  EXPECT_EQ(0, objects.arrayLayers);
}

// The vertices in another order: another seed, other faces' corner orders.
std::unique_ptr<CMesh3d> Permuted(const CMesh3d& source, unsigned seed)
{
  std::vector<int> order(static_cast<size_t>(source.NbVertex()));
  for (size_t i = 0; i < order.size(); i++)
    order[i] = static_cast<int>(i);
  if (seed != 0)
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
  std::unordered_map<const CVertex3d*, int> place;
  Points points(order.size());
  for (size_t i = 0; i < order.size(); i++) {
    const CVertex3d* v = source.GetVertex(order[i]);
    place[v] = static_cast<int>(i);
    points[i] = {v->x(), v->y(), v->z()};
  }
  Triangles triangles;
  for (int i = 0; i < source.NbFace(); i++) {
    const CFace3d* f = source.GetFace(i);
    triangles.push_back({place.at(f->v(0)), place.at(f->v(1)), place.at(f->v(2))});
  }
  return fixtures::Build(points, triangles);
}

struct SCase
{
  const char* name;
  std::function<std::unique_ptr<CMesh3d>()> build;
};

const SCase kCases[] = {
    {"torus", [] { return progressive::Torus(30, 20); }},
    {"sphere", [] { return progressive::ReadObj("sphere162.obj"); }},
    {"plate with holes", [] { return progressive::PlateWithHoles(30, 24, 8); }},
    // Open, three cells wide: most vertices lie on the boundary.
    {"strip", [] { return progressive::PlateWithHoles(60, 3, 100); }},
    {"slab", [] { return progressive::PiercedSlab(12, 8, 3, 2); }},
    {"torus and plate", [] { return progressive::TorusAndPlate(16, 10, 16, 12); }},
    // A scanned piece with holes: neighbouring patches in one layer, removals on the boundary.
    {"cheese piece", [] { return progressive::ReadObj("conquest_cheese_cut10.obj"); }},
};

// The source in the seed's vertex order, coded on the objects and on the arrays: the same.
void ExpectOrderCodesAsTheObjects(const CMesh3d& source, unsigned seed, const SSettings& s,
                                  int minArrayLayers)
{
  auto objectMesh = Permuted(source, seed);
  auto arrayMesh = Permuted(source, seed);
  const SRun objects = Encode(objectMesh.get(), s, false);
  const SRun arrays = Encode(arrayMesh.get(), s, true);
  ExpectSame(objects, arrays);
  EXPECT_GE(arrays.arrayLayers, minArrayLayers);
}

TEST(ProgressiveArrayLayers, EveryTopologyAndSeedCodesAsTheObjects)
{
  conquest::CScratchFolder folder;
  for (const SCase& c : kCases) {
    const auto source = c.build();
    ASSERT_NE(nullptr, source);
    for (unsigned seed : {0u, 7u, 1234u}) {
      SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
      SSettings s;
      s.q = seed == 7u ? 8 : 12;
      s.targetDivisor = seed == 1234u ? 3 : 40;
      ExpectOrderCodesAsTheObjects(*source, seed, s, 2);
    }
  }
}

// Scanned pieces in many vertex orders: each order moves the seed and the conquest, so the
// layers meet other runs of neighbouring patches and boundary removals, whose new faces must
// take the right links for the layers after them.
TEST(ProgressiveArrayLayers, ScannedPiecesInManyOrdersCodeAsTheObjects)
{
  conquest::CScratchFolder folder;
  for (const char* name :
       {"conquest_cheese_cut6.obj", "conquest_cheese_cut10.obj", "conquest_elephant_patch337.obj"}) {
    const auto source = progressive::ReadObj(name);
    ASSERT_NE(nullptr, source);
    for (unsigned seed = 1; seed <= 8; seed++) {
      SCOPED_TRACE(std::string(name) + " seed " + std::to_string(seed));
      SSettings s;
      s.q = 8 + static_cast<int>(seed % 5);
      s.targetDivisor = 50;
      ExpectOrderCodesAsTheObjects(*source, seed, s, 4);
    }
  }
}

// The vetoes' settings change what is refused, and the metric's switch changes them halfway;
// the volume metric reads the old patch faces, which the arrays stand in for.
TEST(ProgressiveArrayLayers, VetoSettingsAndSimulationCodeAsTheObjects)
{
  conquest::CScratchFolder folder;
  SSettings settings[4];
  settings[0].forbidNormalFlipping = 0;
  settings[1].forbidConcave = 1;
  settings[1].useMetric = 1;
  settings[1].threshold = 0.25;
  settings[1].switchMetricOff = 1;
  settings[2].useMetric = 1;
  settings[2].metricKind = 1;
  settings[2].threshold = 0.3;
  settings[2].simulate = 1;
  settings[3].targetDivisor = 100;
  settings[3].q = 11;
  for (const SCase& c : {kCases[0], kCases[2], kCases[4]})
    for (int k = 0; k < 4; k++) {
      SCOPED_TRACE(std::string(c.name) + " settings " + std::to_string(k));
      auto objectMesh = c.build();
      auto arrayMesh = c.build();
      const SRun objects = Encode(objectMesh.get(), settings[k], false);
      const SRun arrays = Encode(arrayMesh.get(), settings[k], true);
      ExpectSame(objects, arrays);
      EXPECT_GE(arrays.arrayLayers, 2);
    }
}

// The objects written from the arrays after any layer carry the encoding on as if they had
// been kept all along.
TEST(ProgressiveArrayLayers, ObjectsTakingOverAfterAnyLayerCodeTheSame)
{
  conquest::CScratchFolder folder;
  for (const SCase& c : {kCases[0], kCases[2]}) {
    auto objectMesh = c.build();
    const SSettings s;
    const SRun objects = Encode(objectMesh.get(), s, false);
    for (int limit = 0; limit <= 7; limit++) {
      SCOPED_TRACE(std::string(c.name) + " after " + std::to_string(limit));
      auto mesh = c.build();
      const SRun handed = Encode(mesh.get(), s, true, limit);
      ExpectSame(objects, handed);
      EXPECT_EQ(limit, handed.arrayLayers);
    }
  }
}

// A torus with a fin on one edge (three faces) or a face doubled (its edges held twice each
// way): the arrays do not take the mesh, and the objects code it as ever.
TEST(ProgressiveArrayLayers, TangledMeshesStayOnTheObjects)
{
  conquest::CScratchFolder folder;
  Points points;
  Triangles triangles;
  progressive::AppendTorus(&points, &triangles, 20, 12, 0);
  Triangles fin = triangles;
  points.push_back({points[0][0] + 0.1f, points[0][1] + 0.2f, points[0][2] + 0.3f});
  fin.push_back({triangles[40][0], triangles[40][1], static_cast<int>(points.size()) - 1});
  Triangles doubled = triangles;
  doubled.push_back(triangles[48]);
  for (const Triangles* t : {&fin, &doubled}) {
    SCOPED_TRACE(t == &fin ? "fin" : "doubled");
    auto objectMesh = fixtures::Build(points, *t);
    auto arrayMesh = fixtures::Build(points, *t);
    const SSettings s;
    const SRun objects = Encode(objectMesh.get(), s, false);
    const SRun arrays = Encode(arrayMesh.get(), s, true);
    EXPECT_EQ(0, arrays.arrayLayers);
    // A fin may make the mesh one the encoder refuses: both paths then refuse it.
    ExpectSame(objects, arrays, objects.ok);
  }
  // The same torus untouched is taken.
  auto plain = fixtures::Build(points, triangles);
  EXPECT_GE(Encode(plain.get(), SSettings{}, true).arrayLayers, 2);
}

// Lists the objects hold in another order than a full build gives (a face list or a
// neighbour list turned round or of another length, a face link cleared or wrong): the
// arrays, which list by the build's rules, do not take the mesh, and the objects code it as
// they read it.
TEST(ProgressiveArrayLayers, ListsOtherThanABuildsStayOnTheObjects)
{
  conquest::CScratchFolder folder;
  auto faceOrder = [](CMesh3d* mesh) {
    auto* faces = mesh->GetVertex(17)->GetArrayFaceNeighbor();
    CFace3d* first = faces->GetAt(0);
    faces->SetAt(0, faces->GetAt(faces->GetSize() - 1));
    faces->SetAt(faces->GetSize() - 1, first);
  };
  auto neighbourOrder = [](CMesh3d* mesh) {
    auto* neighbours = mesh->GetVertex(23)->GetArrayVertexNeighbor();
    CVertex3d* first = neighbours->GetAt(0);
    neighbours->SetAt(0, neighbours->GetAt(1));
    neighbours->SetAt(1, first);
  };
  auto link = [](CMesh3d* mesh) { mesh->GetFace(30)->SetF(1, nullptr); };
  // A link to a face that holds the edge's vertices but not the edge.
  auto wrongLink = [](CMesh3d* mesh) {
    CFace3d* face = mesh->GetFace(30);
    face->SetF(0, face->f(1));
  };
  // An open edge given a face across.
  auto openLinked = [](CMesh3d* mesh) {
    for (int i = 0; i < mesh->NbFace(); i++)
      for (int k = 0; k < 3; k++)
        if (!mesh->GetFace(i)->f(k)) {
          mesh->GetFace(i)->SetF(k, mesh->GetFace(i == 0 ? 1 : 0));
          return;
        }
    FAIL() << "the plate has no open edge";
  };
  // A neighbour list one short, or one longer than the faces give.
  auto neighbourLost = [](CMesh3d* mesh) {
    CVertex3d* v = mesh->GetVertex(23);
    v->SetNbVertexNeighbor(v->NbVertexNeighbor() - 1);
  };
  auto neighbourAdded = [](CMesh3d* mesh) {
    mesh->GetVertex(23)->AddVertexNeighbor(mesh->GetVertex(mesh->NbVertex() - 1));
  };
  // A face list one short, one longer, or one face moved from a list to another's end, the
  // lengths summing to the faces' corners as ever.
  auto faceLost = [](CMesh3d* mesh) {
    auto* faces = mesh->GetVertex(17)->GetArrayFaceNeighbor();
    faces->SetSize(faces->GetSize() - 1);
  };
  auto faceAdded = [](CMesh3d* mesh) {
    mesh->GetVertex(17)->GetArrayFaceNeighbor()->Add(mesh->GetFace(mesh->NbFace() - 1));
  };
  auto faceMoved = [](CMesh3d* mesh) {
    auto* from = mesh->GetVertex(17)->GetArrayFaceNeighbor();
    CFace3d* last = from->GetAt(from->GetSize() - 1);
    from->SetSize(from->GetSize() - 1);
    mesh->GetVertex(mesh->NbVertex() - 1)->GetArrayFaceNeighbor()->Add(last);
  };
  const std::function<void(CMesh3d*)> changes[] = {
      faceOrder,     neighbourOrder, link,     wrongLink, openLinked,
      neighbourLost, neighbourAdded, faceLost, faceAdded, faceMoved};
  for (size_t k = 0; k < std::size(changes); k++) {
    SCOPED_TRACE(k);
    auto objectMesh = progressive::PlateWithHoles(20, 16, 7);
    auto arrayMesh = progressive::PlateWithHoles(20, 16, 7);
    changes[k](objectMesh.get());
    changes[k](arrayMesh.get());
    const SRun objects = Encode(objectMesh.get(), SSettings{}, false);
    const SRun arrays = Encode(arrayMesh.get(), SSettings{}, true);
    EXPECT_EQ(0, arrays.arrayLayers);
    ExpectSame(objects, arrays, objects.ok);
  }
}

// A vertex v whose ring b0 .. b5 has an ear over b0 b1 b2 (a raised vertex y on faces b1 b0 y,
// b2 b1 y and b0 b2 y), the edge b0 -> b2 on the boundary, and a strip of faces round the
// other side from b2 to b0. The first gate, b0 -> b5, reaches v with its border from b0: b0
// and b2, apart on it, are neighbours only through the open end of b0's fan (b2 follows b0
// on its corner, never comes before it). The removal must be refused as degenerate, on the
// arrays as on the objects; read on one side only, b0's list would let it through.
TEST(ProgressiveArrayLayers, ApartNeighboursOnAnOpenFanEndAreSeen)
{
  conquest::CScratchFolder folder;
  const double pi = std::acos(-1.0);
  auto at = [pi](double radius, int k, float z) {
    return std::array<float, 3>{static_cast<float>(radius * std::cos(pi * k / 3)),
                                static_cast<float>(radius * std::sin(pi * k / 3)), z};
  };
  // b0 and b5 first: the layer's seed gate is b0 -> b5.
  enum { b0, b5, v, b1, b2, b3, b4, y, o2, o3, o4, o5, o0 };
  Points points(13);
  points[v] = {0, 0, 0};
  const int ring[6] = {b0, b1, b2, b3, b4, b5};
  for (int k = 0; k < 6; k++)
    points[static_cast<size_t>(ring[k])] = at(1.0, k, 0.01f * static_cast<float>(k % 2));
  points[y] = at(0.9, 1, 0.6f);
  const int outer[5] = {o2, o3, o4, o5, o0};
  for (int k = 0; k < 5; k++)
    points[static_cast<size_t>(outer[k])] = at(2.0, k + 2, 0.05f * static_cast<float>(k));
  Triangles triangles;
  for (int k = 0; k < 6; k++)
    triangles.push_back({v, ring[k], ring[(k + 1) % 6]});
  triangles.push_back({b1, b0, y});
  triangles.push_back({b2, b1, y});
  triangles.push_back({b0, b2, y});
  for (int k = 2; k < 6; k++) {
    const int next = ring[(k + 1) % 6];
    triangles.push_back({next, ring[k], outer[k - 2]});
    triangles.push_back({next, outer[k - 2], outer[k - 1]});
  }
  auto objectMesh = fixtures::Build(points, triangles);
  auto arrayMesh = fixtures::Build(points, triangles);
  ASSERT_NE(nullptr, objectMesh);
  // b0's fan is open: more neighbours than faces.
  const CVertex3d* first = objectMesh->GetVertex(b0);
  ASSERT_GT(first->NbVertexNeighbor(), first->NbFaceNeighbor());
  SSettings s;
  s.targetDivisor = 13;
  const SRun objects = Encode(objectMesh.get(), s, false);
  const SRun arrays = Encode(arrayMesh.get(), s, true);
  ExpectSame(objects, arrays);
  EXPECT_GE(arrays.arrayLayers, 1);
}

// Two closed cones meeting at their apex v, three faces each: v has six neighbours and six
// corners, none on the boundary, yet its corners make two fans. The first gate, a2 -> a1,
// reaches v; walked round from there its ring comes back to the gate's face after two
// steps, which is no patch of v, on the arrays as on the objects.
TEST(ProgressiveArrayLayers, AVertexOfTwoClosedFansIsNoPatch)
{
  conquest::CScratchFolder folder;
  enum { a2, a1, v, a0, b0, b1, b2 };
  Points points(7);
  points[v] = {0, 0, 0};
  for (int k = 0; k < 3; k++) {
    const float c = std::cos(2.1f * static_cast<float>(k));
    const float d = std::sin(2.1f * static_cast<float>(k));
    points[static_cast<size_t>(k == 0 ? a0 : k == 1 ? a1 : a2)] = {c, d, 1.0f + 0.1f * c};
    points[static_cast<size_t>(k == 0 ? b0 : k == 1 ? b1 : b2)] = {d, c, -1.0f - 0.1f * d};
  }
  const Triangles triangles = {{v, a0, a1}, {v, a1, a2}, {v, a2, a0}, {a0, a2, a1},
                               {v, b0, b1}, {v, b1, b2}, {v, b2, b0}, {b0, b2, b1}};
  auto objectMesh = fixtures::Build(points, triangles);
  auto arrayMesh = fixtures::Build(points, triangles);
  ASSERT_NE(nullptr, objectMesh);
  const CVertex3d* apex = objectMesh->GetVertex(v);
  ASSERT_EQ(6, apex->NbVertexNeighbor());
  ASSERT_EQ(6, apex->NbFaceNeighbor());
  SSettings s;
  s.targetDivisor = 7;
  const SRun objects = Encode(objectMesh.get(), s, false);
  const SRun arrays = Encode(arrayMesh.get(), s, true);
  ExpectSame(objects, arrays, objects.ok);
  EXPECT_GE(arrays.arrayLayers, 1);
}

} // namespace
