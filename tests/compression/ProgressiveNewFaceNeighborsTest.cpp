#include "compression/ProgressiveCoder.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

namespace {

// A hole's border of n vertices as a removal leaves it: consecutive vertices neighbours (the
// closing pair too), each also with the removed vertex and an outside vertex in its list,
// in an order that differs from vertex to vertex.
struct SBorder
{
  explicit SBorder(int n)
  {
    for (int i = 0; i < n; i++)
      vertices.push_back(std::make_unique<CVertex3d>(static_cast<float>(i), 0.0f, 0.0f));
    for (int i = 0; i < n; i++) {
      CVertex3d* v = vertices[static_cast<size_t>(i)].get();
      CVertex3d* next = vertices[static_cast<size_t>((i + 1) % n)].get();
      CVertex3d* previous = vertices[static_cast<size_t>((i + n - 1) % n)].get();
      if (i % 2 == 0) {
        v->AddNeighbor(&removed);
        v->AddNeighbor(next);
        v->AddNeighbor(&outside);
        v->AddNeighbor(previous);
      } else {
        v->AddNeighbor(previous);
        v->AddNeighbor(&outside);
        v->AddNeighbor(next);
        v->AddNeighbor(&removed);
      }
    }
    for (const auto& v : vertices)
      pointers.push_back(v.get());
  }

  std::vector<CVertex3d*> List(int i) const
  {
    const CVertex3d* v = pointers[static_cast<size_t>(i)];
    std::vector<CVertex3d*> list;
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      list.push_back(v->GetVertexNeighbor(k));
    return list;
  }

  CVertex3d removed;
  CVertex3d outside;
  std::vector<std::unique_ptr<CVertex3d>> vertices;
  std::vector<CVertex3d*> pointers;
};

// Every pattern's diagonals give each border vertex exactly the list that its faces, added one
// after the other with a search before each add, give, order included: the encoder's later
// tests read the lists' sizes and entries, and the stream depends on them.
TEST(ProgressiveNewFaceNeighbors, SameListsAsSearchingEveryEdgeOnEveryPattern)
{
  for (int valence = 3; valence <= 6; valence++)
    for (int tagPair = 0; tagPair < 4; tagPair++) {
      SCOPED_TRACE(testing::Message() << "valence " << valence << " tag pair " << tagPair);
      const CProgressivePattern& pattern = CProgressivePattern::Get(valence, tagPair);
      const auto& faces = pattern.GetFaces();
      ASSERT_EQ(static_cast<size_t>(valence - 2), faces.size());
      SBorder appended(valence);
      SBorder searched(valence);
      std::vector<std::unique_ptr<CFace3d>> made;
      CProgressiveCoder::AddDiagonalNeighbors(appended.pointers, pattern);
      for (size_t f = 0; f < faces.size(); f++) {
        const auto& t = faces[f];
        made.push_back(std::make_unique<CFace3d>(searched.pointers[static_cast<size_t>(t[0])],
                                                 searched.pointers[static_cast<size_t>(t[1])],
                                                 searched.pointers[static_cast<size_t>(t[2])]));
        made.back()->AddVertexNeighbors();
      }
      int added = 0;
      for (int i = 0; i < valence; i++) {
        const std::vector<CVertex3d*> got = appended.List(i);
        const std::vector<CVertex3d*> want = searched.List(i);
        ASSERT_EQ(want.size(), got.size()) << "border vertex " << i;
        for (size_t k = 0; k < got.size(); k++) {
          // The same entry at the same place, read as a border index or an outside vertex.
          const auto index = [](const SBorder& b, const CVertex3d* v) {
            for (size_t j = 0; j < b.pointers.size(); j++)
              if (b.pointers[j] == v)
                return static_cast<int>(j);
            return v == &b.removed ? -1 : v == &b.outside ? -2 : -3;
          };
          EXPECT_EQ(index(searched, want[k]), index(appended, got[k]))
              << "border vertex " << i << " entry " << k;
          EXPECT_NE(-3, index(appended, got[k]));
        }
        added += static_cast<int>(got.size()) - 4;
      }
      // The hole's triangulation has valence - 3 diagonals, each entered at both ends once.
      EXPECT_EQ(2 * (valence - 3), added);
    }
}

// The diagonal that the two faces of a quadrilateral's hole share goes in once, at both ends
// and after the entries there before; border edges never go in.
TEST(ProgressiveNewFaceNeighbors, SharedDiagonalEnteredOnceBorderEdgesNever)
{
  SBorder border(4);
  const CProgressivePattern& pattern = CProgressivePattern::Get(4, 1);
  ASSERT_EQ(2u, pattern.GetFaces().size());
  ASSERT_EQ((std::vector<std::array<int, 2>>{{{0, 2}}}), pattern.GetDiagonals());
  CProgressiveCoder::AddDiagonalNeighbors(border.pointers, pattern);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(i % 2 == 0 ? 5 : 4, border.pointers[static_cast<size_t>(i)]->NbVertexNeighbor())
        << "border vertex " << i;
  EXPECT_EQ(border.pointers[2], border.pointers[0]->GetVertexNeighbor(4));
  EXPECT_EQ(border.pointers[0], border.pointers[2]->GetVertexNeighbor(4));
}

} // namespace
