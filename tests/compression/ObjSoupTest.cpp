// The soup reader takes the indices of a face from the file: one naming a vertex it has not
// read (zero, negative, past the end, or not a number) must drop the face, not reach a mesh.
#include "ObjSoup.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

TEST(ObjSoup, FacesNamingUnreadVerticesAreDropped)
{
  CTempFolder folder;
  const std::string path = folder.File("soup.obj");
  {
    std::ofstream out(path);
    out << "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        << "f 0 1 2\nf 1 2 4\nf -1 2 3\nf 1 x 3\nf 1 2 99999999999\n"
        << "f 1/1/1 2/2/2 3/3/3\n"
        << "v 1 1 0\nf 2 4 3\n";
  }
  fixtures::Points points;
  fixtures::Triangles triangles;
  objsoup::ReadLists(path, points, triangles);
  ASSERT_EQ(points.size(), 4u);
  ASSERT_EQ(triangles.size(), 2u);
  EXPECT_EQ(triangles[0], (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(triangles[1], (std::array<int, 3>{1, 3, 2}));
  const auto mesh = objsoup::ReadObj(path);
  EXPECT_EQ(mesh->NbFace(), 2);
}
