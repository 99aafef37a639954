#include "processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr int kInserted = 2;  // a face cut by the step that no flip turned
constexpr int kTaken = 3;     // a face a flip turned

// The normal that CFace3d::CalculateNormal gives over copies of the corners placed at the
// positions given (by vertex index; vertices past the list at their current position).
CVector3d NormalAt(const CMesh3d& mesh, const CFace3d* f, const std::vector<fixtures::Position>& at)
{
  std::unique_ptr<CVertex3d> corners[3];
  for (int k = 0; k < 3; k++) {
    const CVertex3d* v = f->v(k);
    const int i = mesh.IndexFrom(v);
    corners[k] = static_cast<size_t>(i) < at.size()
                   ? std::make_unique<CVertex3d>(at[i][0], at[i][1], at[i][2])
                   : std::make_unique<CVertex3d>(v->x(), v->y(), v->z());
  }
  CFace3d copy(corners[0].get(), corners[1].get(), corners[2].get());
  copy.CalculateNormal();
  return *copy.GetNormal();
}

bool SameBits(const CVector3d& a, const CVector3d& b)
{
  return a.x() == b.x() && a.y() == b.y() && a.z() == b.z();
}

} // namespace

// On an open, uneven grid the inserted faces along the border have no partner to flip with:
// they keep the normal they got when cut, over the corners' positions before the filter moved
// them; every turned face has the normal of its final corners.
TEST(V3SubdivisionNormals, UnflippedFacesKeepTheNormalOfTheirCornersBeforeTheFilter)
{
  auto mesh = fixtures::FlatGrid(6, 6);
  fixtures::Perturb(*mesh, 0.2f);
  const auto before = fixtures::Positions(*mesh);
  mesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);

  int unflipped = 0;
  int movedSince = 0;
  int flipped = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    const CVector3d now = NormalAt(*mesh, f, {});
    if (f->GetFlag() == kTaken) {
      flipped++;
      EXPECT_TRUE(SameBits(*f->GetNormal(), now)) << "turned face " << i;
      continue;
    }
    ASSERT_EQ(f->GetFlag(), kInserted) << "face " << i;
    unflipped++;
    EXPECT_TRUE(SameBits(*f->GetNormal(), NormalAt(*mesh, f, before))) << "border face " << i;
    movedSince += SameBits(now, *f->GetNormal()) ? 0 : 1;
  }
  // 5 by 5 cells: 50 faces, 20 border edges, so 20 faces stay; the others all turn.
  EXPECT_EQ(unflipped, 20);
  EXPECT_EQ(flipped, 3 * 50 - 20);
  // The filter moved border corners, so the old positions are what the check above tells apart.
  EXPECT_GT(movedSince, 0);
}

// Without the filter nothing moves between the cut and the flips: an unflipped face has the
// normal of its corners as they stand.
TEST(V3SubdivisionNormals, WithoutTheFilterUnflippedFacesHaveTheNormalOfTheirCorners)
{
  auto mesh = fixtures::FlatGrid(5, 4);
  fixtures::Perturb(*mesh, 0.3f);
  mesh->SubdivisionV3(1, 0, 0, nullptr, 0, 0.0f);
  int unflipped = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    unflipped += f->GetFlag() == kInserted ? 1 : 0;
    EXPECT_TRUE(SameBits(*f->GetNormal(), NormalAt(*mesh, f, {}))) << "face " << i;
  }
  EXPECT_EQ(unflipped, 2 * (4 + 3));
}

// A closed mesh: every face turns, and a second step (whose old faces carry the first step's
// records) still gives each face the normal of its corners.
TEST(V3SubdivisionNormals, TwoStepsOnAClosedMeshLeaveEveryNormalCurrent)
{
  auto mesh = fixtures::Torus(6);
  fixtures::Perturb(*mesh, 0.05f);
  mesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  mesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  ASSERT_EQ(mesh->NbFace(), 2 * 36 * 9);
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    EXPECT_EQ(f->GetFlag(), kTaken) << "face " << i;
    EXPECT_TRUE(SameBits(*f->GetNormal(), NormalAt(*mesh, f, {}))) << "face " << i;
  }
}

// A selection on a closed mesh leaves faces of every kind: selected faces turned, selected
// faces whose partner another flip took first (left cut),
// unselected faces turned as partners, and unselected faces untouched. Each ends with the
// normal of its kind: current corners when turned, corners before the filter when cut only,
// the normal it had when untouched.
TEST(V3SubdivisionNormals, ASelectionGivesEveryKindOfFaceItsNormal)
{
  auto mesh = fixtures::Torus(8);
  fixtures::Perturb(*mesh, 0.05f);
  mesh->ComputeFaceNormals();
  const auto before = fixtures::Positions(*mesh);
  std::vector<CFace3d*> untouched;
  std::vector<CVector3d> normals;
  for (int i = 0; i < mesh->NbFace(); i++) {
    CFace3d* f = mesh->GetFace(i);
    f->SetFlag(i < mesh->NbFace() / 2 && i % 3 != 2 ? 1 : 0);
    untouched.push_back(f);
    normals.push_back(*f->GetNormal());
  }
  mesh->SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);

  int turned = 0;
  int cut = 0;
  int kept = 0;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* f = mesh->GetFace(i);
    if (f->GetFlag() == kTaken) {
      turned++;
      EXPECT_TRUE(SameBits(*f->GetNormal(), NormalAt(*mesh, f, {}))) << "turned face " << i;
    } else if (f->GetFlag() == kInserted) {
      cut++;
      EXPECT_TRUE(SameBits(*f->GetNormal(), NormalAt(*mesh, f, before))) << "cut face " << i;
    } else {
      kept++;
      ASSERT_LT(static_cast<size_t>(i), untouched.size());
      EXPECT_EQ(f, untouched[static_cast<size_t>(i)]);
      EXPECT_TRUE(SameBits(*f->GetNormal(), normals[static_cast<size_t>(i)])) << "face " << i;
    }
  }
  EXPECT_GT(turned, 0);
  EXPECT_GT(cut, 0);
  EXPECT_GT(kept, 0);
}
