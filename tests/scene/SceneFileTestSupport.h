#pragma once

// Helpers of the scene-file tests: meshes built in code, text files written as given, and the
// comparison of a mesh read back with the one written.
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"
#include "support/TempFolder.h"
#include "tests/mesh/QueryFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace scene_test {

inline void WriteText(const std::string& path, const std::string& text)
{
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline std::string ReadText(const std::string& path)
{
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The tests' n x n grid over squares of side 0.5, in the plane z = height: coordinates that "%g"
// prints exactly.
inline std::unique_ptr<CMesh3d> Grid(int n, float height = 0.25f)
{
  auto mesh = queries::Grid(n, 0.5f * static_cast<float>(n));
  mesh->TranslateVertices(0.0f, 0.0f, height);
  return mesh;
}

// One triangle whose coordinates "%g" prints in its several forms (zero, fixed, exponent).
inline std::unique_ptr<CMesh3d> Triangle()
{
  auto mesh = std::make_unique<CMesh3d>();
  mesh->AddVertex(new CVertex3d(0, 0, 0));
  mesh->AddVertex(new CVertex3d(1.5f, 0, -2));
  mesh->AddVertex(new CVertex3d(0, 1e-7f, 123456789.0f));
  mesh->AddFace(new CFace3d(mesh->GetVertex(0), mesh->GetVertex(1), mesh->GetVertex(2)));
  return mesh;
}

inline std::array<int, 3> Corners(const CMesh3d& mesh, int face)
{
  const CFace3d* f = mesh.GetFace(face);
  return {mesh.IndexFrom(f->v(0)), mesh.IndexFrom(f->v(1)), mesh.IndexFrom(f->v(2))};
}

// Same vertices (to the relative precision of six significant digits) and same faces.
inline void ExpectSameGeometry(const CMesh3d& read, const CMesh3d& written)
{
  ASSERT_EQ(read.NbVertex(), written.NbVertex());
  ASSERT_EQ(read.NbFace(), written.NbFace());
  for (int i = 0; i < read.NbVertex(); i++) {
    for (int axis = 0; axis < 3; axis++) {
      const float expected = written.GetVertex(i)->Get(axis);
      EXPECT_NEAR(read.GetVertex(i)->Get(axis), expected, 1e-5 * std::max(1.0f, std::fabs(expected)))
          << "vertex " << i << " axis " << axis;
    }
  }
  for (int i = 0; i < read.NbFace(); i++)
    EXPECT_EQ(Corners(read, i), Corners(written, i)) << "face " << i;
}

inline CMesh3d* MeshAt(const CSceneGraph3d& scene, int i)
{
  return scene.GetAt(i)->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(scene.GetAt(i)) : nullptr;
}

} // namespace scene_test
