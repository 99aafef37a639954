#include "MeshFixtures.h"
#include "app/objects/Camera3d.h"
#include "app/objects/VectorSet3d.h"
#include "mesh/ColorRamp.h"
#include "scene/SceneGraph3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {
std::array<int, 3> Rgb(const CColor* c) { return {c->r(), c->g(), c->b()}; }

// A copy of the mesh whose vertex i lies at distance d[i] along z from the original's.
std::unique_ptr<CMesh3d> Displaced(const CMesh3d& mesh, const std::vector<float>& d)
{
  auto other = std::make_unique<CMesh3d>();
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    other->AddVertex(new CVertex3d(v->x(), v->y(), v->z() + d[i]));
  }
  return other;
}

// The chart's boxes go to a scene graph, which owns them.
struct SScene
{
  CSceneGraph3d graph;
  CMesh3d::ObjectSink Sink()
  {
    return [this](CObject3d* p) { graph.Add(p); };
  }
  int Size() const { return graph.NbObject(); }
  const CMesh3d* Box(int i) const { return static_cast<const CMesh3d*>(graph.GetAt(i)); }
};

float Extent(const CMesh3d* mesh, int axis, float* pMin)
{
  float max = 0.0f;
  mesh->GetRange(axis, pMin, &max);
  return max - *pMin;
}
} // namespace

// --- vertex colours --------------------------------------------------------------------------

TEST(Mesh3dColouring, VertexTakesTheMeanOfItsFaces)
{
  auto mesh = fixtures::Strip(1);
  mesh->AddVertex(new CVertex3d(5, 5, 5));  // no faces
  mesh->GetVertex(4)->SetColor(1, 2, 3);
  mesh->SetColorFacesRGB(255, 0, 0);
  mesh->SetModified(0);
  mesh->ColorVerticesFromFaces();
  EXPECT_EQ(mesh->GetModified(), 1);
  // Vertex 1 and 2 lie on both faces, both red.
  EXPECT_EQ(Rgb(mesh->GetVertex(1)->GetColor()), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(mesh->GetVertex(1)->GetColor()->a(), 255);

  mesh->GetFace(1)->SetColor(0, 10, 255);
  mesh->ColorVerticesFromFaces();
  EXPECT_EQ(Rgb(mesh->GetVertex(2)->GetColor()), (std::array<int, 3>{127, 5, 127}));
  EXPECT_EQ(Rgb(mesh->GetVertex(3)->GetColor()), (std::array<int, 3>{0, 10, 255}));
  EXPECT_EQ(Rgb(mesh->GetVertex(4)->GetColor()), (std::array<int, 3>{1, 2, 3}));
}

TEST(Mesh3dColouring, DistanceBinsRunFromZeroToTheFarthest)
{
  auto mesh = fixtures::Strip(2);  // six vertices
  auto other = Displaced(*mesh, {0.0f, 2.0f, 1.0f, 0.5f, 2.0f, 1.99f});
  CColorRamp ramp;
  ramp.BuildRainbow();
  mesh->SetModified(0);
  ASSERT_EQ(mesh->ColorVerticesFromDistance(&ramp, other.get(), 0, nullptr), 1);
  EXPECT_EQ(mesh->GetModified(), 1);
  const int expected[] = {0, 255, 127, 63, 255, 253};
  for (int i = 0; i < 6; i++) {
    const int bin = expected[i];
    EXPECT_EQ(Rgb(mesh->GetVertex(i)->GetColor()),
              (std::array<int, 3>{ramp.Red(bin), ramp.Green(bin), ramp.Blue(bin)}))
      << "vertex " << i;
  }
}

TEST(Mesh3dColouring, EqualDistancesAllTakeTheFirstBin)
{
  auto mesh = fixtures::Tetrahedron();
  auto same = Displaced(*mesh, {0, 0, 0, 0});
  CColorRamp ramp;
  ramp.BuildRainbow();
  SScene scene;
  ASSERT_EQ(mesh->ColorVerticesFromDistance(&ramp, same.get(), 1, scene.Sink()), 1);
  for (int i = 0; i < mesh->NbVertex(); i++)
    EXPECT_EQ(Rgb(mesh->GetVertex(i)->GetColor()),
              (std::array<int, 3>{ramp.Red(0), ramp.Green(0), ramp.Blue(0)}));
  ASSERT_EQ(scene.Size(), 256);
  float min = 0.0f;
  EXPECT_FLOAT_EQ(Extent(scene.Box(0), 0, &min), 1.0f / 3.0f) << "all counts in bin 0";
  EXPECT_FLOAT_EQ(Extent(scene.Box(1), 0, &min), 0.0f);
}

TEST(Mesh3dColouring, ChartStandsBesideTheMeshWithOneBoxPerBin)
{
  auto mesh = fixtures::Strip(3);  // x in [0, 3], y in [0, 1], z 0
  mesh->GetVertex(7)->SetZ(2.0f);
  mesh->GetTransform()->SetTranslation(CVector3d(1, 2, 3));
  std::vector<float> d(8, 0.0f);
  d[1] = 4.0f;
  auto other = Displaced(*mesh, d);
  CColorRamp ramp;
  ramp.BuildRainbow();
  SScene scene;
  ASSERT_EQ(mesh->ColorVerticesFromDistance(&ramp, other.get(), 1, scene.Sink()), 1);
  ASSERT_EQ(scene.Size(), 256);

  // Seven vertices in bin 0, one in bin 255: w = 3 / 3, bin 0 is the longest box.
  const CMesh3d* top = scene.Box(0);
  EXPECT_EQ(top->GetType(), TYPE_MESH3D);
  EXPECT_EQ(top->NbVertex(), 8);
  float xmin = 0.0f;
  EXPECT_FLOAT_EQ(Extent(top, 0, &xmin), 1.0f);
  EXPECT_FLOAT_EQ(xmin, 3.0f + 1.0f / 3.0f);
  float ymin = 0.0f;
  EXPECT_FLOAT_EQ(Extent(top, 1, &ymin), 1.0f / 256.0f);
  EXPECT_FLOAT_EQ(ymin + 0.5f / 256.0f, 1.0f) << "bin 0 at the top";
  float zmin = 0.0f;
  Extent(top, 2, &zmin);
  EXPECT_FLOAT_EQ(zmin + 0.5f / 256.0f, 1.0f) << "centred on the z range";
  EXPECT_NEAR(Extent(scene.Box(255), 0, &xmin), 1.0f / 7.0f, 1e-6);
  EXPECT_FLOAT_EQ(Extent(scene.Box(128), 0, &xmin), 0.0f);
  EXPECT_FLOAT_EQ(scene.Box(255)->GetTransform()->GetTranslation()->y(), 2.0f);
  EXPECT_EQ(Rgb(scene.Box(200)->GetVertex(3)->GetColor()),
            (std::array<int, 3>{ramp.Red(200), ramp.Green(200), ramp.Blue(200)}));
}

TEST(Mesh3dColouring, DistanceColouringRefusesWhatItCannotPair)
{
  auto mesh = fixtures::Octahedron();
  auto fewer = fixtures::Tetrahedron();
  CColorRamp ramp;
  const CColor grey(9, 9, 9);
  mesh->SetColorVertices(&grey);
  SScene scene;
  EXPECT_EQ(mesh->ColorVerticesFromDistance(&ramp, fewer.get(), 1, scene.Sink()), 0);
  EXPECT_EQ(mesh->ColorVerticesFromDistance(nullptr, mesh.get(), 1, scene.Sink()), 0);
  EXPECT_EQ(mesh->ColorVerticesFromDistance(&ramp, nullptr, 1, scene.Sink()), 0);
  CMesh3d empty;
  EXPECT_EQ(empty.ColorVerticesFromDistance(&ramp, mesh.get(), 1, scene.Sink()), 0);
  EXPECT_EQ(scene.Size(), 0);
  EXPECT_EQ(Rgb(mesh->GetVertex(0)->GetColor()), (std::array<int, 3>{9, 9, 9}));
  // Without a sink the chart is skipped, not the colours.
  EXPECT_EQ(mesh->ColorVerticesFromDistance(&ramp, mesh.get(), 1, nullptr), 1);
}

// --- vector sets -----------------------------------------------------------------------------

TEST(Mesh3dColouring, VectorsToTheOtherMeshPairVerticesByIndex)
{
  auto mesh = fixtures::Tetrahedron();
  auto other = fixtures::Octahedron();
  other->GetTransform()->SetTranslation(CVector3d(0, 5, 0));
  const std::unique_ptr<CVectorSet3d> set(mesh->GetVectorSetToMesh(other.get()));
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->NbVector(), 4);
  EXPECT_EQ(set->GetPoint(6)->z(), 1.0f);
  EXPECT_EQ(set->GetPoint(7)->y(), -1.0f);
  EXPECT_NE(set->GetPoint(6), mesh->GetVertex(3)) << "copies, owned by the set";
  EXPECT_EQ(set->GetTransform()->GetTranslation()->y(), 5.0f);
  EXPECT_EQ(other->GetVectorSetToMesh(mesh.get()), nullptr);
}

TEST(Mesh3dColouring, DualEdgesJoinEveryPairOfNeighbourFacesOnce)
{
  auto mesh = fixtures::Octahedron();
  mesh->SetFacesFlag(5);
  mesh->GetTransform()->SetTranslation(CVector3d(4, 0, 0));
  const std::unique_ptr<CVectorSet3d> set(mesh->GetVectorSetDualEdges());
  ASSERT_EQ(set->NbVector(), 12);
  EXPECT_EQ(set->GetTransform()->GetTranslation()->x(), 4.0f);
  // The first vector leaves face 0's centroid towards its neighbour across edge 0.
  const std::unique_ptr<CVertex3d> c0(mesh->GetFace(0)->NewCentroidVertex());
  const std::unique_ptr<CVertex3d> c1(mesh->GetFace(0)->f(0)->NewCentroidVertex());
  EXPECT_TRUE(set->GetPoint(0)->IsSamePosition(c0.get()));
  EXPECT_TRUE(set->GetPoint(1)->IsSamePosition(c1.get()));

  auto strip = fixtures::Strip(3);
  const std::unique_ptr<CVectorSet3d> path(strip->GetVectorSetDualEdges());
  EXPECT_EQ(path->NbVector(), 5);
}

// --- face flags ------------------------------------------------------------------------------

TEST(Mesh3dFaceFlags, NearVertexFlagsTheFacesWithinTheRatio)
{
  auto mesh = fixtures::Strip(4);  // x in [0, 4]
  mesh->SetFacesFlag(9);
  ASSERT_EQ(mesh->FlagFacesNearVertex(0, 3, 0.5f), 1);
  // Farthest first corner (3, 1): the threshold, half of it, keeps the first three faces.
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), i < 3 ? 3 : 0) << "face " << i;
  ASSERT_EQ(mesh->FlagFacesNearVertex(0, 3, 0.0f), 1);
  EXPECT_EQ(mesh->CountFacesWithFlag(0), mesh->NbFace());
}

TEST(Mesh3dFaceFlags, NearVertexRefusesAnIndexOutsideTheMesh)
{
  auto mesh = fixtures::Strip(2);
  mesh->SetFacesFlag(9);
  EXPECT_EQ(mesh->FlagFacesNearVertex(-1, 3, 0.5f), 0);
  EXPECT_EQ(mesh->FlagFacesNearVertex(mesh->NbVertex(), 3, 0.5f), 0);
  EXPECT_EQ(mesh->CountFacesWithFlag(9), mesh->NbFace());
}

TEST(Mesh3dFaceFlags, CameraSplitsAClosedMeshIntoFrontAndBack)
{
  auto mesh = fixtures::Octahedron();  // the default camera looks down z from (0, 0, 2)
  CCamera3d camera;
  mesh->SetFacesFlag(0);
  mesh->FlagFacesInFrontOfCamera(&camera, 1);
  mesh->FlagFacesBackfacing(&camera, 2);
  EXPECT_EQ(mesh->CountFacesWithFlag(1), 4);
  EXPECT_EQ(mesh->CountFacesWithFlag(2), 4);
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_EQ(mesh->GetFace(i)->GetFlag(), mesh->GetFace(i)->GetNormal()->z() > 0 ? 1 : 2);

  mesh->SetFacesFlag(0);
  mesh->FlagFacesFromCamera(&camera, 4);
  EXPECT_EQ(mesh->CountFacesWithFlag(4), 4);
  EXPECT_EQ(mesh->CountFacesWithFlag(0), 4) << "the others keep their flags";

  // Seen from above every face meets the silhouette around the equator.
  mesh->SetFacesFlag(0);
  mesh->FlagSilhouette(&camera, 6, 7);
  EXPECT_EQ(mesh->CountFacesWithFlag(6), 4);
  EXPECT_EQ(mesh->CountFacesWithFlag(7), 4);
}

TEST(Mesh3dFaceFlags, DistanceToCameraRunsFrom255Down)
{
  auto mesh = fixtures::Strip(3);
  CCamera3d camera;
  const CVertex3d eye(-1.0f, 0.5f, 0.0f);
  camera.SetEye(&eye);
  mesh->FlagFacesByDistanceToCamera(&camera);
  EXPECT_EQ(mesh->GetFace(0)->GetFlag(), 255);
  EXPECT_EQ(mesh->GetFace(5)->GetFlag(), 0);
  for (int i = 1; i < mesh->NbFace(); i++)
    EXPECT_LT(mesh->GetFace(i)->GetFlag(), mesh->GetFace(i - 1)->GetFlag());

  // One face: every distance is the smallest.
  auto single = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  single->FlagFacesByDistanceToCamera(&camera);
  EXPECT_EQ(single->GetFace(0)->GetFlag(), 255);
}

TEST(Mesh3dFaceFlags, AreaDispersionFlagsFacesLargerThanTheirSmallestNeighbour)
{
  // A row of four triangles of areas 0.5, 1.5, 1 and 3.5: the local minima stay.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 2, 0}, {4, 4, 0}, {5, 3, 0}},
                              {{0, 1, 2}, {1, 3, 2}, {1, 4, 3}, {1, 5, 4}});
  mesh->SetFacesFlag(-1);
  EXPECT_EQ(mesh->FlagFacesFromAreaDispersion(1.0, 8), 2);
  EXPECT_EQ(mesh->GetFace(0)->GetFlag(), -1) << "the smallest face";
  EXPECT_EQ(mesh->GetFace(1)->GetFlag(), 8);
  EXPECT_EQ(mesh->GetFace(2)->GetFlag(), -1) << "smaller than both neighbours";
  EXPECT_EQ(mesh->GetFace(3)->GetFlag(), 8);
  EXPECT_EQ(mesh->FlagFacesFromAreaDispersion(100.0, 8), 0);
}
