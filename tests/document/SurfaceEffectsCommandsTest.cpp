// What the surface commands do to the mesh: colours by a measure through the rainbow ramp,
// vertex colours from face colours, rebuilt adjacency, cleanup, removal of faces by their
// number of neighbours and repeated smoothing in place.
#include "tests/document/CommandFixture.h"

#include "mesh/ColorRamp.h"

#include <array>
#include <cmath>
#include <functional>

namespace {

using Rgb = std::array<int, 3>;

class CSurfaceEffectsCommandsTest : public CCommandFixture
{
protected:
  static Rgb Of(const CColor* pColor) { return {pColor->r(), pColor->g(), pColor->b()}; }
  static Rgb RampAt(int index)
  {
    CColorRamp ramp;
    ramp.BuildRainbow();
    return {ramp.Red(index), ramp.Green(index), ramp.Blue(index)};
  }
  // The ramp index of a value on [min, max]: truncated, and kept inside 0 to 255.
  static int RampIndex(double s, double min, double max)
  {
    const int index = static_cast<int>((s - min) / (max - min) * 255.0);
    return std::clamp(index, 0, 255);
  }

  // A closed box whose first corner is pulled out, so that its vertices differ in curvature.
  CMesh3d* SetPulledBox()
  {
    return SetMesh([](CMesh3d& mesh) {
      mesh.GenerateBox(1.0f, 1.0f, 1.0f);
      CVertex3d* v = mesh.GetVertex(0);
      v->Set(1.8f * v->x(), 1.8f * v->y(), 1.8f * v->z());
    });
  }
  // An open grid of 6 x 6 squares with a bump in the middle.
  CMesh3d* SetBumpyGrid()
  {
    return SetMesh([](CMesh3d& mesh) {
      BuildGrid(mesh, 6, 6, 0, 0.0f);
      mesh.GetVertex(3 * 7 + 3)->Set(3.0f, 1.5f, 3.0f);
      mesh.GetVertex(2 * 7 + 4)->Set(4.0f, 0.5f, 2.0f);
    });
  }
  // Every vertex of the mesh gets the ramp colour of its value over [min, max] of the values of
  // the vertices `inRange` names.
  static void ExpectVertexRamp(const CMesh3d* pMesh, const std::function<double(const CVertex3d*)>& value,
                               const std::function<bool(const CVertex3d*)>& inRange)
  {
    double min = 1.7e308, max = 0.0;
    for (int i = 0; i < pMesh->NbVertex(); i++)
      if (inRange(pMesh->GetVertex(i))) {
        min = std::min(min, value(pMesh->GetVertex(i)));
        max = std::max(max, value(pMesh->GetVertex(i)));
      }
    ASSERT_GT(max, min);
    bool low = false, high = false;
    for (int i = 0; i < pMesh->NbVertex(); i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      if (v->IsOnBoundary())
        continue;
      const int index = RampIndex(value(v), min, max);
      low |= index == 0;
      high |= index == 255;
      EXPECT_EQ(Of(v->GetColor()), RampAt(index)) << "vertex " << i;
    }
    EXPECT_TRUE(low);
    EXPECT_TRUE(high);
  }
};

} // namespace

TEST_F(CSurfaceEffectsCommandsTest, CurvatureColoursTheInteriorOverTheRangeAwayFromTheBoundary)
{
  CMesh3d* pBox = SetPulledBox();
  auto angle = [](const CVertex3d* v) { return v->GetMaxAngleAround(); };
  ASSERT_TRUE(Run(ID_COLOR_CURVATURE));
  // Closed: every vertex takes part and is painted; the extremes get entries 0 and 255.
  ExpectVertexRamp(pBox, angle, [](const CVertex3d*) { return true; });

  // Open: boundary vertices keep their colour; the range comes from the vertices with no
  // neighbour on the boundary, and those next to it are clamped to the ends of the ramp.
  CMesh3d* pGrid = SetBumpyGrid();
  for (int i = 0; i < pGrid->NbVertex(); i++)
    pGrid->GetVertex(i)->SetColor(1, 2, 3);
  ASSERT_TRUE(Run(ID_COLOR_CURVATURE));
  ExpectVertexRamp(pGrid, angle, [](const CVertex3d* v) { return !v->HasVertexNeighborOnBoundary(); });
  for (int i = 0; i < pGrid->NbVertex(); i++)
    if (pGrid->GetVertex(i)->IsOnBoundary()) {
      EXPECT_EQ(Of(pGrid->GetVertex(i)->GetColor()), (Rgb{1, 2, 3})) << i;
    }
}

TEST_F(CSurfaceEffectsCommandsTest, NormalSpaceColoursEveryVertexOfEveryMesh)
{
  CMesh3d* pGrid = SetBumpyGrid();
  auto* pBox = new CMesh3d;
  pBox->GenerateBox(1.0f, 1.0f, 1.0f);
  pBox->GetVertex(0)->Set(2.0f, 2.0f, 2.0f);
  pBox->Rebuild();
  m_pDoc->m_SceneGraph.Add(pBox);
  ASSERT_TRUE(Run(ID_COLOR_NORMAL_SPACE));
  auto sine = [](const CVertex3d* v) { return v->GetMaxCurveAround(); };
  // The grid's flat boundary vertices are painted too: their value is 0, the lowest.
  for (int i = 0; i < pGrid->NbVertex(); i++)
    if (pGrid->GetVertex(i)->GetMaxCurveAround() == 0.0) {
      EXPECT_EQ(Of(pGrid->GetVertex(i)->GetColor()), RampAt(0)) << i;
    }
  ExpectVertexRamp(pGrid, sine, [](const CVertex3d*) { return true; });
  ExpectVertexRamp(pBox, sine, [](const CVertex3d*) { return true; });
}

TEST_F(CSurfaceEffectsCommandsTest, CompacityColoursEachFaceByItsShape)
{
  CMesh3d* pGrid = SetBumpyGrid();
  ASSERT_TRUE(Run(ID_COLOR_COMPACITY));
  double min = 1.7e308, max = 0.0;
  for (int i = 0; i < pGrid->NbFace(); i++) {
    min = std::min(min, pGrid->GetFace(i)->Compacity());
    max = std::max(max, pGrid->GetFace(i)->Compacity());
  }
  ASSERT_GT(max, min);
  for (int i = 0; i < pGrid->NbFace(); i++) {
    const CFace3d* f = pGrid->GetFace(i);
    EXPECT_EQ(Of(f->GetColor()), RampAt(RampIndex(f->Compacity(), min, max))) << "face " << i;
  }
}

TEST_F(CSurfaceEffectsCommandsTest, VertexColoursAreTheIntegerMeanOfTheirFaces)
{
  CMesh3d* pFirst = SetTetrahedron();
  ASSERT_EQ(pFirst->NbFace(), 4);
  const Rgb colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {30, 60, 91}};
  for (int f = 0; f < 4; f++)
    pFirst->GetFace(f)->SetColor(colours[f][0], colours[f][1], colours[f][2]);
  auto* pSecond = new CMesh3d;
  pSecond->Copy(pFirst);
  pSecond->Rebuild();
  for (int f = 0; f < 4; f++)
    pSecond->GetFace(f)->SetColor(200, 100, 50);
  m_pDoc->m_SceneGraph.Add(pSecond);

  ASSERT_TRUE(Run(ID_COLOR_VERTICES_FROM_FACES));
  for (int i = 0; i < 4; i++) {
    const CVertex3d* v = pFirst->GetVertex(i);
    Rgb sum{0, 0, 0};
    int k = 0;
    for (int f = 0; f < 4; f++)
      for (int c = 0; c < 3; c++)
        if (pFirst->GetFace(f)->v(c) == v) {
          for (int j = 0; j < 3; j++)
            sum[j] += colours[f][j];
          k++;
        }
    ASSERT_EQ(k, 3);
    EXPECT_EQ(Of(v->GetColor()), (Rgb{sum[0] / 3, sum[1] / 3, sum[2] / 3})) << i;
    EXPECT_EQ(Of(pSecond->GetVertex(i)->GetColor()), (Rgb{200, 100, 50})) << i;
  }
}

TEST_F(CSurfaceEffectsCommandsTest, RebuildGivesEveryMeshAdjacencyAndFreshNormals)
{
  CMesh3d* pFirst = SetBox();
  // Move a corner: the normals of its faces are stale until the rebuild.
  CVertex3d* pCorner = pFirst->GetVertex(0);
  pCorner->Set(3.0f * pCorner->x(), pCorner->y(), pCorner->z());
  auto* pSecond = new CMesh3d;
  // A tetrahedron made face by face: no adjacency yet.
  const float points[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const auto& p : points)
    pSecond->AddVertex(new CVertex3d(p[0], p[1], p[2]));
  const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  for (const auto& f : faces)
    pSecond->AddFace(new CFace3d(pSecond->GetVertex(f[0]), pSecond->GetVertex(f[1]), pSecond->GetVertex(f[2])));
  m_pDoc->m_SceneGraph.Add(pSecond);
  ASSERT_EQ(pSecond->GetVertex(0)->NbVertexNeighbor(), 0);

  ASSERT_TRUE(Run(ID_ALGORITHMS_REBUILD));
  for (int i = 0; i < pSecond->NbVertex(); i++)
    EXPECT_EQ(pSecond->GetVertex(i)->NbVertexNeighbor(), 3) << i;
  for (int i = 0; i < pFirst->NbFace(); i++) {
    const CFace3d* f = pFirst->GetFace(i);
    const CVector3d u(f->v(0), f->v(1));
    const CVector3d w(f->v(0), f->v(2));
    CVector3d n;
    n.CrossProduct(u, w);
    n.Normalize();
    EXPECT_NEAR(f->GetNormal()->x(), n.x(), 1e-5) << i;
    EXPECT_NEAR(f->GetNormal()->y(), n.y(), 1e-5) << i;
    EXPECT_NEAR(f->GetNormal()->z(), n.z(), 1e-5) << i;
  }
}

TEST_F(CSurfaceEffectsCommandsTest, CleanupRemovesIsolatedVerticesAndDuplicatedFaces)
{
  CMesh3d* pMesh = SetMesh([](CMesh3d& mesh) {
    mesh.GenerateBox(1.0f, 1.0f, 1.0f);
    mesh.AddVertex(new CVertex3d(9.0f, 9.0f, 9.0f));
    const CFace3d* f = mesh.GetFace(0);
    // The first face again, its corners in another order.
    mesh.AddFace(new CFace3d(f->v(1), f->v(2), f->v(0)));
  });
  ASSERT_EQ(pMesh->NbVertex(), 9);
  ASSERT_EQ(pMesh->NbFace(), 13);
  ASSERT_TRUE(Run(ID_ALGORITHMS_CLEANUP));
  EXPECT_EQ(pMesh->NbVertex(), 8);
  ASSERT_EQ(pMesh->NbFace(), 12);
  EXPECT_TRUE(CornersInMesh(pMesh));
  for (int i = 0; i < pMesh->NbFace(); i++)
    EXPECT_EQ(pMesh->GetFace(i)->NbFaceNeighbor(), 3) << i;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    EXPECT_NE(pMesh->GetVertex(i)->x(), 9.0f);
}

TEST_F(CSurfaceEffectsCommandsTest, RemovingFacesByNeighbourCountCountsBeforeAnyRemoval)
{
  // A strip of two squares, four triangles in a row: the ends have one neighbour, the middle
  // two have two.
  auto strip = [this] { return SetGrid(2, 1); };
  auto hasCorners = [](const CFace3d* f, float x0, float x1, float x2) {
    return f->v(0)->x() == x0 && f->v(1)->x() == x1 && f->v(2)->x() == x2;
  };
  CMesh3d* pMesh = strip();
  ASSERT_EQ(pMesh->NbFace(), 4);
  ASSERT_TRUE(Run(ID_REMOVE_FACES_2_NEIGHBORS));
  ASSERT_EQ(pMesh->NbFace(), 2);
  EXPECT_TRUE(hasCorners(pMesh->GetFace(0), 0, 0, 1));
  EXPECT_TRUE(hasCorners(pMesh->GetFace(1), 1, 2, 2));
  // The adjacency is rebuilt: the two ends now stand alone.
  EXPECT_EQ(pMesh->GetFace(0)->NbFaceNeighbor(), 0);
  EXPECT_EQ(pMesh->GetFace(1)->NbFaceNeighbor(), 0);

  pMesh = strip();
  ASSERT_TRUE(Run(ID_REMOVE_FACES_1_NEIGHBOR));
  ASSERT_EQ(pMesh->NbFace(), 2);
  EXPECT_TRUE(hasCorners(pMesh->GetFace(0), 0, 1, 1));
  EXPECT_TRUE(hasCorners(pMesh->GetFace(1), 1, 1, 2));
  EXPECT_EQ(pMesh->GetFace(0)->NbFaceNeighbor(), 1);
  EXPECT_EQ(pMesh->GetFace(1)->NbFaceNeighbor(), 1);
  EXPECT_EQ(pMesh->NbVertex(), 6);
}

TEST_F(CSurfaceEffectsCommandsTest, MultipleSmoothInPlaceRepeatsTheLoopMask)
{
  // A flat 6 x 6 grid with its centre raised to 16: a regular interior vertex moves to 5/8 of
  // itself plus 1/16 of each of its six neighbours.
  auto bump = [this] {
    CMesh3d* pMesh = SetGrid(6, 6);
    pMesh->GetVertex(3 * 7 + 3)->Set(3.0f, 16.0f, 3.0f);
    return pMesh;
  };
  CMesh3d* pMesh = bump();
  AnswerWith({{"Iterations", "2"}, {"Move boundaries", "0"}, {"Duplicate in scene graph", "0"}});
  ASSERT_TRUE(Run(ID_MODIFICATION_MULTIPLE_SMOOTH));
  EXPECT_EQ(m_DialogTemplates.back(), 164);
  ASSERT_EQ(NbObject(), 1);
  // Pass 1: centre 10, each neighbour 1. Pass 2: centre 5/8 x 10 + 6/16.
  EXPECT_NEAR(pMesh->GetVertex(3 * 7 + 3)->y(), 6.625f, 1e-5);
  // Boundary vertices stay where they were.
  EXPECT_EQ(pMesh->GetVertex(0)->x(), 0.0f);
  EXPECT_EQ(pMesh->GetVertex(0)->z(), 0.0f);
  EXPECT_EQ(pMesh->GetVertex(6)->x(), 6.0f);

  pMesh = bump();
  AnswerWith({{"Iterations", "1"}, {"Move boundaries", "1"}, {"Duplicate in scene graph", "0"}});
  ASSERT_TRUE(Run(ID_MODIFICATION_MULTIPLE_SMOOTH));
  EXPECT_NEAR(pMesh->GetVertex(3 * 7 + 3)->y(), 10.0f, 1e-5);
  // The corner moves towards its neighbours, into the grid.
  EXPECT_GT(pMesh->GetVertex(0)->x() + pMesh->GetVertex(0)->z(), 0.0f);
  EXPECT_EQ(NbObject(), 1);

  // Cancelled: nothing moves.
  pMesh = bump();
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_MODIFICATION_MULTIPLE_SMOOTH));
  EXPECT_EQ(pMesh->GetVertex(3 * 7 + 3)->y(), 16.0f);
}
