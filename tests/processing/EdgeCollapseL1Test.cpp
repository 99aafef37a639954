#include "mesh/Face3d.h"
#include "mesh/HashTable.h"
#include "mesh/Mesh3d.h"
#include "processing/ArrayEdgeCollapse.h"
#include "processing/EdgeCollapse.h"
#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace fixtures;

namespace {

// A bumpy sphere, a copy of it as the reference and the reference's hash table.
struct SFittedScene
{
  explicit SFittedScene(int levels = 2)
    : model(Icosphere(levels)), reference(std::make_unique<CMesh3d>()), hash(10)
  {
    Perturb(*model, 0.02f);
    model->Rebuild();
    reference->Copy(model.get());
    reference->Rebuild();
    hash.Fill(reference.get(), nullptr);
  }
  CEdgeCollapse::SOptimisationL1 Optimisation()
  {
    // Steps of a tenth of the edge down to a hundredth, enough samples to move every time.
    return {reference.get(), &hash, 0, 1e-5f, 25, 40, 0.1f, 0.9f, 0.01f};
  }
  int Eager(CEdgeCollapse& c)
  {
    const auto o = Optimisation();
    return c.CalculateCostL1(o.pReference, o.pHash, o.useHash, o.epsilon, o.maxIterations,
                             o.samplesPerFace, o.initialStep, o.decreaseFactor, o.minStep, 0.5f,
                             10);
  }

  std::unique_ptr<CMesh3d> model;
  std::unique_ptr<CMesh3d> reference;
  CHashTable hash;
};

void ExpectSameBits(const CVertex3d* a, const CVertex3d* b)
{
  EXPECT_EQ(a->x(), b->x());
  EXPECT_EQ(a->y(), b->y());
  EXPECT_EQ(a->z(), b->z());
}

} // namespace

// The deferred optimisation runs on the one-ring as it stood when the cost was computed: moving
// the ring meanwhile changes nothing, and the copies name the live vertices again afterwards.
TEST(EdgeCollapseL1, ASettledOptimisationEndsWhereTheImmediateOneDoes)
{
  SFittedScene scene;
  CFace3d* f = scene.model->GetFace(17);
  CEdgeCollapse eager(f, f->f(0));
  CEdgeCollapse deferred(f, f->f(0));
  ASSERT_EQ(1, eager.IsValid());
  const int iterations = scene.Eager(eager);
  ASSERT_GT(iterations, 1);

  ASSERT_EQ(1, deferred.PrepareCostL1(0.5f));
  EXPECT_EQ(1, deferred.IsPendingL1());
  EXPECT_EQ(1, deferred.GetMark());
  EXPECT_EQ(eager.GetCost(), deferred.GetCost());
  // Not moved yet: still at the midpoint of its two interior ends.
  const CVertex3d* a = deferred.GetVertex1();
  const CVertex3d* b = deferred.GetVertex2();
  EXPECT_EQ(static_cast<float>((static_cast<double>(a->x()) + b->x()) / 2.0),
            deferred.GetOptimalVertex()->x());
  EXPECT_NE(eager.GetOptimalVertex()->x(), deferred.GetOptimalVertex()->x());

  // Every vertex of the ring moves before the optimisation runs.
  CVertex3d* v1 = deferred.GetVertex1();
  CVertex3d* v2 = deferred.GetVertex2();
  std::vector<CVertex3d*> ring;
  for (CVertex3d* end : {v1, v2})
    for (int i = 0; i < end->NbVertexNeighbor(); i++)
      ring.push_back(end->GetVertexNeighbor(i));
  for (CVertex3d* v : ring)
    v->Move(0.05f, -0.03f, 0.02f);

  EXPECT_EQ(iterations, deferred.SettleL1(scene.Optimisation()));
  ExpectSameBits(eager.GetOptimalVertex(), deferred.GetOptimalVertex());
  EXPECT_EQ(0, deferred.IsPendingL1());
  EXPECT_EQ(0, deferred.SettleL1(scene.Optimisation()));

  // The copies name the mesh's vertices again, and those stay where the test put them.
  const CVertex3d* o = deferred.GetOptimalVertex();
  for (int i = 0; i < o->NbFaceNeighbor(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* corner = o->GetFaceNeighbor(i)->v(k);
      EXPECT_TRUE(corner == o || corner == v1 || corner == v2 ||
                  std::find(ring.begin(), ring.end(), corner) != ring.end());
    }
}

// With deferral on, the array computes costs and marks as before and leaves every optimal
// vertex at its start until it is settled. Without a reference it computes nothing, and every
// candidate is still computed by the next call that has one.
TEST(EdgeCollapseL1, TheArrayDefersOnlyWhenAsked)
{
  SFittedScene scene(1);
  CArrayEdgeCollapse now;
  CArrayEdgeCollapse later;
  later.SetDeferL1(1);
  ASSERT_GT(now.FillAllPairs(scene.model.get()), 0);
  ASSERT_EQ(now.GetSize(), later.FillAllPairs(scene.model.get()));

  for (CArrayEdgeCollapse* array : {&now, &later}) {
    array->CalculateEnergyL1(scene.model.get(), nullptr, &scene.hash, 0, 1e-5f, 25, 40, 0.1f,
                             0.9f, 0.01f, 0.5f, 10);
    array->CalculateEnergyL1(scene.model.get(), scene.reference.get(), nullptr, 1, 1e-5f, 25, 40,
                             0.1f, 0.9f, 0.01f, 0.5f, 10);
    for (int i = 0; i < array->GetSize(); i++) {
      EXPECT_EQ(0, array->GetAt(i)->GetMark());
      EXPECT_EQ(0, array->GetAt(i)->IsPendingL1());
    }
  }

  const auto o = scene.Optimisation();
  for (CArrayEdgeCollapse* array : {&now, &later})
    array->CalculateEnergyL1(scene.model.get(), o.pReference, o.pHash, o.useHash, o.epsilon,
                             o.maxIterations, o.samplesPerFace, o.initialStep, o.decreaseFactor,
                             o.minStep, 0.5f, 10);
  for (int i = 0; i < now.GetSize(); i += 5) {
    CEdgeCollapse* a = now.GetAt(i);
    CEdgeCollapse* b = later.GetAt(i);
    EXPECT_EQ(0, a->IsPendingL1());
    ASSERT_EQ(1, b->IsPendingL1());
    EXPECT_EQ(a->GetCost(), b->GetCost());
    EXPECT_EQ(a->GetMark(), b->GetMark());
    EXPECT_GT(later.SettleL1(b), 0);
    ExpectSameBits(a->GetOptimalVertex(), b->GetOptimalVertex());
  }
  // The same candidate comes first in both.
  const auto indexOfMin = [](const CArrayEdgeCollapse& array) {
    for (int i = 0; i < array.GetSize(); i++)
      if (array.GetAt(i) == array.GetMin())
        return i;
    return -1;
  };
  EXPECT_GE(indexOfMin(now), 0);
  EXPECT_EQ(indexOfMin(now), indexOfMin(later));
}
