#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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
