// The progressive encoder's layer table against the mesh objects it mirrors: as built, as
// carried through the layers of an encoding, and the conquest on it against the conquest on
// the objects.
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressiveGate.h"
#include "compression/ProgressiveLayerTable.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/compression/ProgressiveMeshes.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::unique_ptr<CMesh3d>> Meshes()
{
  std::vector<std::unique_ptr<CMesh3d>> meshes;
  meshes.push_back(progressive::PlateWithHoles(30, 24, 6));
  meshes.push_back(progressive::Torus(24, 16));
  meshes.push_back(progressive::TorusAndPlate(12, 8, 16, 12));
  meshes.push_back(progressive::ReadObj("bunny3674.obj"));
  return meshes;
}

int FaceIndex(const CMesh3d& mesh, const CFace3d* f)
{
  for (int j = 0; f && j < mesh.NbFace(); j++)
    if (mesh.GetFace(j) == f)
      return j;
  return -1;
}

TEST(ProgressiveLayerTable, BuildMirrorsTheMeshLists)
{
  for (const auto& pMesh : Meshes()) {
    ASSERT_NE(nullptr, pMesh);
    CMesh3d& mesh = *pMesh;
    mesh.SetFacesFlag(5);
    CProgressiveLayerTable table;
    ASSERT_TRUE(table.Build(&mesh));
    ASSERT_EQ(mesh.NbVertex(), table.NbVertex());
    for (int i = 0; i < mesh.NbVertex(); i++) {
      const CVertex3d* v = mesh.GetVertex(i);
      ASSERT_EQ(v, table.Vertex(i));
      EXPECT_EQ(i, table.IndexOf(v));
      EXPECT_EQ(v->NbVertexNeighbor(), table.Valence(i)) << i;
      EXPECT_EQ(v->IsOnBoundary() != 0, table.IsOnBoundary(i)) << i;
      EXPECT_EQ(0, table.Flag(i));
      EXPECT_EQ(0, table.Mark(i));
    }
    int boundaryEdges = 0;
    for (int j = 0; j < mesh.NbFace(); j++) {
      const CFace3d* f = mesh.GetFace(j);
      ASSERT_EQ(f, table.Face(j));
      // The faces' flags held their indices while building, and are cleared after.
      EXPECT_EQ(0, f->GetFlag());
      for (int k = 0; k < 3; k++) {
        EXPECT_EQ(table.IndexOf(f->v(k)), table.Corner(j, k));
        EXPECT_EQ(k, table.IndexFrom(j, table.Corner(j, k)));
        EXPECT_EQ(FaceIndex(mesh, f->f(k)), table.Across(j, k));
        boundaryEdges += table.Across(j, k) < 0;
        // The front face of every gate along the face's edges, as the objects find it.
        CVertex3d* first = f->v(k);
        CVertex3d* second = f->v((k + 2) % 3);
        const auto* pCorner = table.FrontCorner(table.Corner(j, k), table.Corner(j, (k + 2) % 3));
        ASSERT_NE(nullptr, pCorner);
        EXPECT_EQ(CProgressiveGate(first, second).GetFrontFace(), table.Face(pCorner->face));
        EXPECT_EQ(CProgressiveGate(first, second).GetFrontVertex(), table.Vertex(pCorner->next));
      }
      EXPECT_EQ(table.Corner(j, 2), table.VertexOther(j, table.Corner(j, 0), table.Corner(j, 1)));
      EXPECT_EQ(table.Corner(j, 1), table.VertexOther(j, table.Corner(j, 2), table.Corner(j, 0)));
    }
    EXPECT_EQ(progressive::CountBoundaryEdges(mesh), boundaryEdges);
  }
}

TEST(ProgressiveLayerTable, BoundaryEdgesHaveNoFrontCorner)
{
  auto pMesh = progressive::PlateWithHoles(12, 10, 4);
  CProgressiveLayerTable table;
  ASSERT_TRUE(table.Build(pMesh.get()));
  int open = 0;
  for (int j = 0; j < pMesh->NbFace(); j++)
    for (int k = 0; k < 3; k++) {
      if (table.Across(j, k) >= 0)
        continue;
      // Across edge (k, k + 1) there is no face: the gate leaving the face there finds
      // nothing in front of it.
      EXPECT_EQ(nullptr, table.FrontCorner(table.Corner(j, k), table.Corner(j, (k + 1) % 3)));
      open++;
    }
  EXPECT_GT(open, 0);
}

TEST(ProgressiveLayerTable, RefusesAMeshItsIndicesDoNotName)
{
  auto pMesh = progressive::Torus(10, 8);
  pMesh->GetVertex(3)->SetAdjacencyIndex(4);
  pMesh->SetFacesFlag(1);
  CProgressiveLayerTable table;
  EXPECT_FALSE(table.Build(pMesh.get()));
  EXPECT_FALSE(table.IsValid());
  pMesh->BuildAdjacency();
  EXPECT_TRUE(table.Build(pMesh.get()));
  EXPECT_TRUE(table.IsValid());
}

// Between the layer pairs of an encoding, the table the encoder carried is the one a build
// from the updated mesh gives.
const CProgressiveCoder* s_pCoder = nullptr;
CMesh3d* s_pMesh = nullptr;
int s_Compared = 0;
int s_Differing = 0;

int CompareCarriedTable(int)
{
  const CProgressiveLayerTable& carried = s_pCoder->GetLayerTable();
  if (!carried.IsValid())
    return 0;
  CProgressiveLayerTable fresh;
  if (!fresh.Build(s_pMesh) || !(fresh == carried))
    s_Differing++;
  s_Compared++;
  return 0;
}

TEST(ProgressiveLayerTable, CarriedTableEqualsAFreshBuild)
{
  conquest::CScratchFolder folder;
  for (const auto& pMesh : Meshes()) {
    ASSERT_NE(nullptr, pMesh);
    CProgressiveCoder coder;
    s_pCoder = &coder;
    s_pMesh = pMesh.get();
    s_Compared = 0;
    s_Differing = 0;
    ASSERT_EQ(1, progressive::Encode(&coder, pMesh.get(), pMesh->NbVertex() / 50, 10, "t.vpm",
                                     CompareCarriedTable));
    EXPECT_GT(s_Compared, 0);
    EXPECT_EQ(0, s_Differing);
  }
  s_pCoder = nullptr;
  s_pMesh = nullptr;
}

// With adjacency indices that name no vertex the table cannot be built and the layer runs on
// the mesh objects: the codes and the mesh left must be the same.
struct SLayerCase
{
  int gateType;
  int maxValence;
  int pureValence;
  int applyRemoval;
  int colourCause;
};

TEST(ProgressiveLayerTable, ConquestOnTheTableMatchesTheObjects)
{
  conquest::CScratchFolder folder;
  int removingCases = 0;
  const SLayerCase cases[] = {{0, 6, 0, 1, 0}, {1, 3, 0, 1, 0}, {0, 6, 1, 1, 0}, {0, 5, 0, 0, 1}, {0, 6, 0, 1, 1}};
  for (const SLayerCase& c : cases) {
    for (const auto& build : {+[] { return progressive::PlateWithHoles(30, 24, 6); },
                              +[] { return progressive::ReadObj("bunny3674.obj"); }}) {
      SCOPED_TRACE(c.gateType * 100 + c.maxValence * 10 + c.pureValence);
      auto onTable = build();
      auto onObjects = build();
      for (int i = 0; i < onObjects->NbVertex(); i++)
        onObjects->GetVertex(i)->SetAdjacencyIndex(-1);
      CProgressiveCoder tableCoder;
      CProgressiveCoder objectCoder;
      ASSERT_EQ(1, tableCoder.EncodeOneLayer(onTable.get(), "table.bin", c.gateType, c.maxValence,
                                             c.pureValence, 1, 1, 0, 0, 0.0, c.applyRemoval,
                                             nullptr, 1, 0, c.colourCause, 0));
      ASSERT_EQ(1, objectCoder.EncodeOneLayer(onObjects.get(), "objects.bin", c.gateType,
                                              c.maxValence, c.pureValence, 1, 1, 0, 0, 0.0,
                                              c.applyRemoval, nullptr, 1, 0, c.colourCause, 0));
      EXPECT_FALSE(objectCoder.GetLayerTable().IsValid());
      const auto bytes = ReadBytes(folder.File("table.bin"));
      EXPECT_GT(bytes.size(), 8u);
      EXPECT_EQ(bytes, ReadBytes(folder.File("objects.bin")));
      EXPECT_EQ(onTable->NbVertex(), onObjects->NbVertex());
      removingCases += c.applyRemoval && onTable->NbVertex() < build()->NbVertex();
      EXPECT_EQ(progressive::Adjacency(*onTable), progressive::Adjacency(*onObjects));
      // Faces refused for a cause are coloured after it, on either.
      int differing = 0;
      int coloured = 0;
      for (int j = 0; j < onTable->NbFace() && j < onObjects->NbFace(); j++) {
        differing += !(*onTable->GetFace(j)->GetColor() == *onObjects->GetFace(j)->GetColor());
        coloured += !(*onTable->GetFace(j)->GetColor() == CColor());
      }
      EXPECT_EQ(0, differing);
      if (c.colourCause) {
        EXPECT_GT(coloured, 0);
      }
    }
  }
  EXPECT_GE(removingCases, 5);
}

// A whole encoding whose first layer runs on the objects writes the stream of one that runs
// on the table throughout.
TEST(ProgressiveLayerTable, EncodingFromStaleIndicesWritesTheSameStream)
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
  EXPECT_EQ(ReadBytes(folder.File("a.vpm")), ReadBytes(folder.File("b.vpm")));
}

} // namespace
