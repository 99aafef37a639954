#include "MeshFixtures.h"
#include "mesh/PointerFilter.h"
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

// Every address inserted passes; of the others, laid out as a pool lays them, few do: the
// filter turns away most of what its owner would otherwise look up.
TEST(PointerFilter, InsertedAlwaysPassOthersRarely)
{
  std::vector<SElement> elements(20000);
  for (std::size_t members : {std::size_t{1}, std::size_t{40}, std::size_t{600}}) {
    SCOPED_TRACE(members);
    CPointerFilter filter(members);
    for (std::size_t i = 0; i < members; i++)
      filter.Insert(&elements[i * 31]);
    std::size_t passed = 0;
    for (std::size_t i = 0; i < elements.size(); i++) {
      // The view by value answers as the filter does.
      EXPECT_EQ(filter.View().MayContain(&elements[i]), filter.MayContain(&elements[i])) << i;
      if (i % 31 == 0 && i / 31 < members)
        EXPECT_TRUE(filter.MayContain(&elements[i])) << i;
      else
        passed += filter.MayContain(&elements[i]) ? 1 : 0;
    }
    EXPECT_LT(passed, elements.size() / 16);
  }
  EXPECT_TRUE(CPointerFilter().IsEmpty());
  EXPECT_FALSE(CPointerFilter(1).IsEmpty());
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

// A run of deferred deletions too long for the mesh's address filter, then after a flush a short
// one that the filter serves again, and vertices beside faces: each run leaves exactly the
// unmarked elements, in their order.
TEST(Mesh3dDeferredDeletion, LongAndShortRunsAroundAFlushLeaveTheUnmarkedElementsInOrder)
{
  auto mesh = fixtures::Icosphere(5);
  std::vector<CFace3d*> faces;
  for (int i = 0; i < mesh->NbFace(); i++)
    faces.push_back(mesh->GetFace(i));
  std::vector<CVertex3d*> vertices;
  for (int i = 0; i < mesh->NbVertex(); i++)
    vertices.push_back(mesh->GetVertex(i));
  ASSERT_GT(faces.size(), 8000u);
  std::mt19937 random(5);
  std::vector<size_t> order(faces.size());
  for (size_t i = 0; i < order.size(); i++)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  // Far more marks than the filter takes, in scattered order.
  std::set<const void*> marked;
  mesh->BeginDeferredDeletion();
  for (size_t i = 0; i < order.size() / 2; i++) {
    EXPECT_EQ(mesh->DeleteFace(faces[order[i]]), 1);
    marked.insert(faces[order[i]]);
  }
  for (size_t i = 0; i < vertices.size(); i += 3) {
    EXPECT_EQ(mesh->DeleteVertex(vertices[i]), 1);
    marked.insert(vertices[i]);
  }
  mesh->FlushDeferredDeletion();
  auto expectSurvivors = [&](const char* when) {
    std::vector<CFace3d*> keptFaces;
    for (CFace3d* f : faces)
      if (!marked.count(f))
        keptFaces.push_back(f);
    std::vector<CVertex3d*> keptVertices;
    for (CVertex3d* v : vertices)
      if (!marked.count(v))
        keptVertices.push_back(v);
    ASSERT_EQ(mesh->NbFace(), static_cast<int>(keptFaces.size())) << when;
    ASSERT_EQ(mesh->NbVertex(), static_cast<int>(keptVertices.size())) << when;
    for (int i = 0; i < mesh->NbFace(); i++)
      EXPECT_EQ(mesh->GetFace(i), keptFaces[static_cast<size_t>(i)]) << when << " face " << i;
    for (int i = 0; i < mesh->NbVertex(); i++)
      EXPECT_EQ(mesh->GetVertex(i), keptVertices[static_cast<size_t>(i)]) << when << " vertex " << i;
  };
  expectSurvivors("after the long run");
  // A few more, among the survivors, each marked twice: counted once.
  std::vector<CFace3d*> few;
  for (size_t i = order.size() / 2; i < order.size() / 2 + 40; i++)
    few.push_back(faces[order[i]]);
  int done = 0;
  for (CFace3d* f : few)
    done += mesh->DeleteFace(f) + mesh->DeleteFace(f);
  EXPECT_EQ(done, 40);
  EXPECT_EQ(mesh->DeleteVertex(vertices[1]), 1);
  for (CFace3d* f : few)
    marked.insert(f);
  marked.insert(vertices[1]);
  mesh->EndDeferredDeletion();
  expectSurvivors("after the short run");
}
