#include "MeshFixtures.h"
#include "mesh/PointerSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

// Elements side by side, as a pool lays them out: addresses a fixed stride apart.
struct SElement
{
  double payload[5];
};

} // namespace

// Against std::set as the oracle: inserts and lookups in random order, with repeats, across
// several growths of the table.
TEST(PointerSet, AgreesWithAnOrderedSetThroughGrowth)
{
  std::vector<SElement> elements(5000);
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> pick(0, elements.size() - 1);
  CPointerSet<SElement> set;
  std::set<const SElement*> oracle;
  for (int step = 0; step < 6000; step++) {
    const SElement* p = &elements[pick(random)];
    const bool added = oracle.insert(p).second;
    ASSERT_EQ(set.Insert(p), added ? 1 : 0) << step;
    ASSERT_EQ(set.Size(), oracle.size());
  }
  // Well past the first table, so several growths moved the entries.
  ASSERT_GT(oracle.size(), 2000u);
  for (const SElement& e : elements)
    EXPECT_EQ(set.Contains(&e), oracle.count(&e) ? 1 : 0);
}

TEST(PointerSet, NullIsNeverAMemberAndClearEmpties)
{
  std::vector<SElement> elements(300);
  CPointerSet<SElement> set;
  EXPECT_EQ(set.Contains(nullptr), 0);
  EXPECT_EQ(set.Contains(&elements[0]), 0);
  EXPECT_EQ(set.Insert(nullptr), 0);
  EXPECT_EQ(set.Size(), 0u);
  EXPECT_EQ(set.IsEmpty(), 1);
  for (SElement& e : elements)
    EXPECT_EQ(set.Insert(&e), 1);
  EXPECT_EQ(set.Contains(nullptr), 0);
  EXPECT_EQ(set.Size(), elements.size());
  set.Clear();
  EXPECT_EQ(set.IsEmpty(), 1);
  for (const SElement& e : elements)
    EXPECT_EQ(set.Contains(&e), 0);
  // Usable again after emptying.
  EXPECT_EQ(set.Insert(&elements[7]), 1);
  EXPECT_EQ(set.Insert(&elements[7]), 0);
  EXPECT_EQ(set.Contains(&elements[7]), 1);
  EXPECT_EQ(set.Size(), 1u);
}

// Many deferred deletions, in scattered order with repeats and nulls, end as the same deletions
// made one by one: the same survivors in the same order, and counts that take each element once.
TEST(Mesh3dDeferredDeletion, ManyScatteredDeletionsMatchImmediateDeletion)
{
  auto deferred = fixtures::Icosphere(3);
  auto immediate = fixtures::Icosphere(3);
  const int nbFace = deferred->NbFace();
  const int nbVertex = deferred->NbVertex();
  std::vector<int> faces;
  std::vector<int> vertices;
  for (int i = 0; i < nbFace; i += 3)
    faces.push_back(i);
  for (int i = 1; i < nbVertex; i += 4)
    vertices.push_back(i);
  std::mt19937 random(11);
  std::shuffle(faces.begin(), faces.end(), random);
  std::shuffle(vertices.begin(), vertices.end(), random);
  const int distinctFaces = static_cast<int>(faces.size());
  const int distinctVertices = static_cast<int>(vertices.size());
  faces.insert(faces.end(), faces.begin(), faces.begin() + 20);
  vertices.insert(vertices.end(), vertices.begin(), vertices.begin() + 20);

  deferred->BeginDeferredDeletion();
  std::vector<CFace3d*> f;
  std::vector<CVertex3d*> v;
  for (int i : faces)
    f.push_back(deferred->GetFace(i));
  for (int i : vertices)
    v.push_back(deferred->GetVertex(i));
  int done = 0;
  for (CFace3d* p : f)
    done += deferred->DeleteFace(p);
  for (CVertex3d* p : v)
    done += deferred->DeleteVertex(p);
  EXPECT_EQ(deferred->DeleteFace(nullptr), 0);
  EXPECT_EQ(deferred->DeleteVertex(nullptr), 0);
  EXPECT_EQ(done, distinctFaces + distinctVertices);
  EXPECT_EQ(deferred->NbLiveFace(), nbFace - distinctFaces);
  EXPECT_EQ(deferred->NbLiveVertex(), nbVertex - distinctVertices);
  deferred->EndDeferredDeletion();

  // The same deletions one at a time, each element once, found by its index at the time.
  std::vector<CFace3d*> fi;
  std::vector<CVertex3d*> vi;
  for (int i : faces)
    fi.push_back(immediate->GetFace(i));
  for (int i : vertices)
    vi.push_back(immediate->GetVertex(i));
  std::set<const void*> gone;
  for (CFace3d* p : fi)
    if (gone.insert(p).second) {
      EXPECT_EQ(immediate->DeleteFace(p), 1);
    }
  for (CVertex3d* p : vi)
    if (gone.insert(p).second) {
      EXPECT_EQ(immediate->DeleteVertex(p), 1);
    }

  ASSERT_EQ(deferred->NbFace(), nbFace - distinctFaces);
  ASSERT_EQ(deferred->NbVertex(), nbVertex - distinctVertices);
  ASSERT_EQ(deferred->NbFace(), immediate->NbFace());
  ASSERT_EQ(deferred->NbVertex(), immediate->NbVertex());
  for (int i = 0; i < deferred->NbVertex(); i++) {
    EXPECT_EQ(deferred->GetVertex(i)->x(), immediate->GetVertex(i)->x()) << i;
    EXPECT_EQ(deferred->GetVertex(i)->y(), immediate->GetVertex(i)->y()) << i;
  }
  // Some corners were deleted with their vertex: faces are compared by corner index only.
  for (int i = 0; i < deferred->NbFace(); i++)
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(deferred->IndexFrom(deferred->GetFace(i)->v(k)),
                immediate->IndexFrom(immediate->GetFace(i)->v(k)));
}
