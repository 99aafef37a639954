#include "processing/ProcessingFixtures.h"
#include "AllocatedBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(CMesh3d&)>;

// Positions, then each face's corners as vertex indices.
std::vector<float> Snapshot(const CMesh3d& mesh)
{
  std::vector<float> values;
  for (int i = 0; i < mesh.NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++)
      values.push_back(mesh.GetVertex(i)->Get(axis));
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++)
      values.push_back(static_cast<float>(mesh.IndexFrom(mesh.GetFace(i)->v(k))));
  return values;
}

// Every element (and undo record) of the mesh goes to a new mesh, and the old one is destroyed.
std::unique_ptr<CMesh3d> MoveElements(std::unique_ptr<CMesh3d> pSource)
{
  auto pTarget = std::make_unique<CMesh3d>();
  for (int i = 0; i < pSource->NbVertex(); i++)
    pTarget->AddVertex(pSource->GetVertex(i));
  for (int i = 0; i < pSource->NbFace(); i++)
    pTarget->AddFace(pSource->GetFace(i));
  pSource->GetArrayVertex()->SetSize(0);
  pSource->GetArrayFace()->SetSize(0);
  pSource.reset();
  return pTarget;
}

const std::vector<std::pair<const char*, Step>>& Steps()
{
  static const std::vector<std::pair<const char*, Step>> steps = {
    {"loop", [](CMesh3d& m) { m.SubdivisionLoop(); }},
    {"one to four", [](CMesh3d& m) { m.Subdivision(); }},
    {"fractal", [](CMesh3d& m) { m.SubdivisionFractal(); }},
    {"sqrt3", [](CMesh3d& m) { m.SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f); }},
  };
  return steps;
}

TEST(SubdivisionStorage, RefinedElementsOutliveTheMeshThatMadeThem)
{
  for (const auto& [name, step] : Steps()) {
    SCOPED_TRACE(name);
    auto reference = fixtures::Icosphere(1);
    step(*reference);
    auto pMesh = fixtures::Icosphere(1);
    step(*pMesh);
    auto pMoved = MoveElements(std::move(pMesh));
    ASSERT_EQ(pMoved->NbFace(), reference->NbFace());
    EXPECT_EQ(Snapshot(*pMoved), Snapshot(*reference));
    pMoved->BuildAdjacency();
    reference->BuildAdjacency();
    EXPECT_TRUE(fixtures::IsClosed(*pMoved));
    // A second step in the new mesh mixes its own elements with the moved ones.
    step(*pMoved);
    step(*reference);
    EXPECT_EQ(Snapshot(*pMoved), Snapshot(*reference));
  }
}

// The 1->4 and Loop steps make their elements in the mesh's blocks, in index order, and all
// of them go with the mesh.
TEST(SubdivisionStorage, StepElementsLieInIndexOrderAndGoWithTheMesh)
{
  for (const auto& [name, step] : Steps()) {
    if (std::string(name) != "loop" && std::string(name) != "one to four")
      continue;
    SCOPED_TRACE(name);
    const size_t before = AllocatedBytes();
    {
      auto pMesh = fixtures::Torus(24);
      const auto breaks = [](int first, int last, auto at) {
        int n = 0;
        for (int i = first + 1; i < last; i++)
          n += at(i) != at(i - 1) + 1;
        return n;
      };
      // The first step starts with blocks that the mesh's build filled; the second with its own.
      for (int run = 0; run < 2; run++) {
        const int nbFace = pMesh->NbFace();
        const int nbVertex = pMesh->NbVertex();
        step(*pMesh);
        ASSERT_EQ(pMesh->NbFace(), 4 * nbFace);
        const int faceBreaks =
          breaks(nbFace, pMesh->NbFace(), [&](int i) { return pMesh->GetFace(i); });
        const int vertexBreaks =
          breaks(nbVertex, pMesh->NbVertex(), [&](int i) { return pMesh->GetVertex(i); });
        // One break per block at most.
        const size_t faceBytes = 3 * static_cast<size_t>(nbFace) * sizeof(CFace3d);
        const size_t vertexBytes =
          static_cast<size_t>(pMesh->NbVertex() - nbVertex) * sizeof(CVertex3d);
        EXPECT_LE(static_cast<size_t>(faceBreaks),
                  faceBytes / (CElementPool<CFace3d>::kMaxBlockBytes - sizeof(CFace3d)) + 1);
        EXPECT_LE(static_cast<size_t>(vertexBreaks),
                  vertexBytes / (CElementPool<CVertex3d>::kMaxBlockBytes - sizeof(CVertex3d)) + 1);
      }
      EXPECT_TRUE(fixtures::IsClosed(*pMesh));
    }
    EXPECT_EQ(AllocatedBytes(), before);
  }
}

TEST(SubdivisionStorage, UndoRecordsOfAStepOutliveTheMeshThatMadeThem)
{
  auto reference = fixtures::Icosphere(1);
  const std::vector<float> original = Snapshot(*reference);
  auto pMesh = fixtures::Icosphere(1);
  pMesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  auto pMoved = MoveElements(std::move(pMesh));
  // The records came from the destroyed mesh's blocks; undo frees them one by one.
  int undone = 0;
  while (pMoved->Undo() > 0)
    undone++;
  EXPECT_GT(undone, 0);
  pMoved->DeleteFacesWithNullVertex();
  EXPECT_EQ(pMoved->NbFace(), reference->NbFace());
  for (int i = 0; i < reference->NbVertex(); i++)
    for (int axis = 0; axis < 3; axis++)
      EXPECT_EQ(pMoved->GetVertex(i)->Get(axis), reference->GetVertex(i)->Get(axis));
}

} // namespace
