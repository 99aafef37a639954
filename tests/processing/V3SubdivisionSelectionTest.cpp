#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

namespace {

// True when two faces stand on the same three corners (folded back to back).
bool HasFoldedPair(const CMesh3d& mesh)
{
  std::set<std::array<const CVertex3d*, 3>> corners;
  for (int i = 0; i < mesh.NbFace(); i++) {
    std::array<const CVertex3d*, 3> key = {mesh.GetFace(i)->v(0), mesh.GetFace(i)->v(1),
                                           mesh.GetFace(i)->v(2)};
    std::sort(key.begin(), key.end());
    if (!corners.insert(key).second)
      return true;
  }
  return false;
}

} // namespace

// Selected and unselected faces side by side, over several runs: every flip into an unsplit
// face keeps the mesh manifold and its adjacency consistent.
TEST(V3SubdivisionSelection, FlipsBesideUnsplitFacesNeverFold)
{
  for (int pattern = 2; pattern <= 4; pattern++) {
    CMesh3d mesh;
    mesh.GenerateMap(6, 6, -4.0f, 4.0f);
    mesh.Rebuild();
    for (int run = 0; run < 3; run++) {
      mesh.SetFacesFlag(0);
      for (int i = 0; i < mesh.NbFace(); i++)
        if ((i * 7 + run) % 5 < pattern)
          mesh.GetFace(i)->SetFlag(1);
      const int faces = mesh.NbFace();
      mesh.SubdivisionV3(1, 1, 1, nullptr, 0, 0.0f);
      EXPECT_GT(mesh.NbFace(), faces);
      EXPECT_TRUE(mesh.IsValid()) << "pattern " << pattern << ", run " << run;
      EXPECT_FALSE(HasFoldedPair(mesh)) << "pattern " << pattern << ", run " << run;
    }
  }
}
