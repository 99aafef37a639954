#include "MeshFixtures.h"
#include "processing/EdgeCollapse.h"

#include <gtest/gtest.h>

using fixtures::EulerCharacteristic;
using fixtures::ExpectAdjacencyMatchesRebuild;
using fixtures::IsClosed;

TEST(Mesh3dEdgeCollapse, InteriorEdgeOfClosedMesh)
{
  auto mesh = fixtures::Icosphere(1);
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  CVertex3d* vs = mesh->GetVertex(12);  // a vertex of valence 6
  CVertex3d* vt = vs->GetVertexNeighbor(0);
  CVertex3d position(0.1f, 0.2f, 0.3f);
  CArray3d<CFace3d> outer;
  ASSERT_EQ(mesh->EdgeCollapse(vs, vt, &position, &outer, 1), 1);
  EXPECT_EQ(mesh->NbFace(), nbFace - 2);
  EXPECT_EQ(mesh->NbVertex(), nbVertex - 1);
  EXPECT_EQ(outer.GetSize(), 4);
  EXPECT_FLOAT_EQ(vs->x(), 0.1f);
  EXPECT_FLOAT_EQ(vs->z(), 0.3f);
  EXPECT_EQ(mesh->GetModified(), 1);
  EXPECT_TRUE(IsClosed(*mesh));
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  EXPECT_FALSE(vs->IsNeighbor(vt));
  ExpectAdjacencyMatchesRebuild(mesh.get());
}

TEST(Mesh3dEdgeCollapse, KeepsTheRemovedVertexWhenAsked)
{
  auto mesh = fixtures::Icosphere(1);
  CVertex3d* vs = mesh->GetVertex(12);
  CVertex3d* vt = vs->GetVertexNeighbor(1);
  ASSERT_EQ(mesh->EdgeCollapse(vs, vt, vs, nullptr, 0), 1);
  EXPECT_GE(mesh->IndexFrom(vt), 0);
  EXPECT_EQ(vt->NbFaceNeighbor(), 0);
  for (int i = 0; i < mesh->NbFace(); i++)
    EXPECT_FALSE(mesh->GetFace(i)->HasVertex(vt));
  EXPECT_EQ(mesh->DeleteVertex(vt), 1);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
}

TEST(Mesh3dEdgeCollapse, Refusals)
{
  auto mesh = fixtures::Icosphere(1);
  CVertex3d* v = mesh->GetVertex(0);
  CVertex3d* far = nullptr;
  for (int i = 1; i < mesh->NbVertex() && !far; i++)
    if (!v->IsNeighbor(mesh->GetVertex(i)))
      far = mesh->GetVertex(i);
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(mesh->EdgeCollapse(v, far, v, nullptr, 1), 0);

  // Every corner of a tetrahedron has only three faces.
  auto tetra = fixtures::Tetrahedron();
  EXPECT_EQ(tetra->EdgeCollapse(tetra->GetVertex(0), tetra->GetVertex(1), tetra->GetVertex(0),
                                nullptr, 1),
            0);
  EXPECT_EQ(tetra->NbFace(), 4);

  auto nonManifold = fixtures::NonManifoldEdge();
  EXPECT_EQ(nonManifold->EdgeCollapse(nonManifold->GetVertex(0), nonManifold->GetVertex(1),
                                      nonManifold->GetVertex(0), nullptr, 1),
            0);
  EXPECT_EQ(nonManifold->NbFace(), 3);
}

TEST(Mesh3dEdgeCollapse, RepeatedCollapsesKeepTheSphereClosed)
{
  auto mesh = fixtures::Icosphere(2);
  int done = 0;
  for (int i = 0; i < mesh->NbVertex() && done < 40; i++) {
    CVertex3d* vs = mesh->GetVertex(i);
    for (int k = 0; k < vs->NbVertexNeighbor(); k++) {
      if (mesh->EdgeCollapse(vs, vs->GetVertexNeighbor(k), vs, nullptr, 1)) {
        done++;
        break;
      }
    }
  }
  EXPECT_EQ(done, 40);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  EXPECT_EQ(mesh->IsValid(), 1);
  ExpectAdjacencyMatchesRebuild(mesh.get());
  EXPECT_TRUE(IsClosed(*mesh));
}

namespace {
// The candidate of the edge vs-vt with its two faces in vs's order.
void FillCandidate(CEdgeCollapse* c, CVertex3d* vs, CVertex3d* vt)
{
  CArray3d<CFace3d> shared;
  vs->FindFacesWithVertex(vt, &shared);
  ASSERT_EQ(shared.GetSize(), 2);
  c->SetFaces(shared[0], shared[1]);
  c->SetVertices(vs, vt);
}
} // namespace

TEST(Mesh3dCollapseEdgeCandidate, SmoothEdgeMovesToTheOptimalVertex)
{
  auto mesh = fixtures::Icosphere(3);
  const int nbVertex = mesh->NbVertex();
  CVertex3d* vs = mesh->GetVertex(20);
  CVertex3d* vt = vs->GetVertexNeighbor(0);
  CEdgeCollapse candidate;
  FillCandidate(&candidate, vs, vt);
  candidate.GetOptimalVertex()->Set(0.5f, 0.25f, 0.125f);
  CFace3d* fa = candidate.GetFace(0);
  CFace3d* fb = candidate.GetFace(1);
  CArray3d<CFace3d> outer;
  ASSERT_EQ(mesh->CollapseEdgeCandidate(&candidate, &outer, 0.5f), 1);
  EXPECT_EQ(outer.GetSize(), 4);
  EXPECT_EQ(fa->GetFlag(), 1);
  EXPECT_EQ(fb->GetFlag(), 1);
  EXPECT_EQ(mesh->NbVertex(), nbVertex - 1);
  EXPECT_FLOAT_EQ(vs->x(), 0.5f);
  EXPECT_FLOAT_EQ(vs->y(), 0.25f);
  EXPECT_EQ(mesh->RemoveFacesWithFlag(1), 2);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  ExpectAdjacencyMatchesRebuild(mesh.get());
  EXPECT_TRUE(IsClosed(*mesh));
}

TEST(Mesh3dCollapseEdgeCandidate, RefusesBoundaryAndSharpEnds)
{
  auto strip = fixtures::Strip(3);
  CEdgeCollapse boundary;
  FillCandidate(&boundary, strip->GetVertex(2), strip->GetVertex(3));
  EXPECT_EQ(strip->CollapseEdgeCandidate(&boundary, nullptr, 0.5f), 0);

  // On the coarse sphere every dihedral sine exceeds 0.1: every vertex is a sharp corner.
  auto mesh = fixtures::Icosphere(0);
  CEdgeCollapse sharp;
  FillCandidate(&sharp, mesh->GetVertex(0), mesh->GetVertex(0)->GetVertexNeighbor(0));
  CArray3d<CFace3d> outer;
  EXPECT_EQ(mesh->CollapseEdgeCandidate(&sharp, &outer, 0.1f), 0);
  EXPECT_EQ(mesh->NbVertex(), 12);
  EXPECT_EQ(outer.GetSize(), 0);
}

TEST(Mesh3dCollapseEdgeCandidate, CreaseEdgeMovesToTheMidpoint)
{
  // A double pyramid over 12 sides whose faces meet the equator at 45 degrees: the equator is
  // a crease (sine 1), the sides meet at a sine of about 0.36.
  const int n = 12;
  const float h = std::cos(3.14159265f / n);
  fixtures::Points points;
  fixtures::Triangles triangles;
  for (int i = 0; i < n; i++)
    points.push_back({std::cos(2 * 3.14159265f * i / n), std::sin(2 * 3.14159265f * i / n), 0});
  points.push_back({0, 0, h});
  points.push_back({0, 0, -h});
  for (int i = 0; i < n; i++) {
    triangles.push_back({i, (i + 1) % n, n});
    triangles.push_back({(i + 1) % n, i, n + 1});
  }
  auto mesh = fixtures::Build(points, triangles);
  CVertex3d* vs = mesh->GetVertex(0);
  CVertex3d* vt = mesh->GetVertex(1);
  EXPECT_EQ(vs->Classify(0.6), 2);
  const float mx = (vs->x() + vt->x()) / 2;
  const float my = (vs->y() + vt->y()) / 2;
  CEdgeCollapse c;
  FillCandidate(&c, vs, vt);
  c.GetOptimalVertex()->Set(9, 9, 9);
  ASSERT_EQ(mesh->CollapseEdgeCandidate(&c, nullptr, 0.6f), 1);
  EXPECT_FLOAT_EQ(vs->x(), mx);
  EXPECT_FLOAT_EQ(vs->y(), my);
  EXPECT_FLOAT_EQ(vs->z(), 0);
  mesh->RemoveFacesWithFlag(1);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);

  // The same edge against a threshold above 1 is not sharp: both ends then count no sharp
  // edge and the optimal vertex is used.
  auto smooth = fixtures::Build(points, triangles);
  CEdgeCollapse d;
  FillCandidate(&d, smooth->GetVertex(0), smooth->GetVertex(1));
  d.GetOptimalVertex()->Set(0.5f, 0.5f, 0.5f);
  ASSERT_EQ(smooth->CollapseEdgeCandidate(&d, nullptr, 1.5f), 1);
  EXPECT_FLOAT_EQ(smooth->GetVertex(0)->z(), 0.5f);

  // A box corner sees three sharp edges: refused.
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(2, 2, 2);
  box->Rebuild();
  CEdgeCollapse e;
  FillCandidate(&e, box->GetVertex(0), box->GetVertex(0)->GetVertexNeighbor(0));
  EXPECT_EQ(box->CollapseEdgeCandidate(&e, nullptr, 0.5f), 0);
}

TEST(Mesh3dValence3, RemoveApexOfOctahedronCap)
{
  // An octahedron with one face split at its centre: the centre has valence 3.
  auto mesh = fixtures::Octahedron();
  CFace3d* f = mesh->GetFace(0);
  CVertex3d* centre = f->NewCentroidVertex();
  mesh->AddVertex(centre);
  CVertex3d* a = f->v(0);
  CVertex3d* b = f->v(1);
  CVertex3d* c = f->v(2);
  f->SetVertex(2, centre);
  mesh->AddFace(new CFace3d(b, c, centre));
  mesh->AddFace(new CFace3d(c, a, centre));
  mesh->Rebuild();
  ASSERT_EQ(mesh->NbFace(), 10);
  ASSERT_EQ(centre->NbVertexNeighbor(), 3);

  ASSERT_EQ(mesh->RemoveValence3Vertex(centre), 1);
  EXPECT_EQ(mesh->NbFace(), 8);
  EXPECT_EQ(mesh->NbVertex(), 6);
  EXPECT_EQ(f->HasVertices(a, b, c), 1);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  ExpectAdjacencyMatchesRebuild(mesh.get());
  EXPECT_TRUE(IsClosed(*mesh));
}

TEST(Mesh3dValence3, RefusesBoundaryAndOtherValences)
{
  auto fan = fixtures::Fan(3);
  EXPECT_EQ(fan->RemoveValence3Vertex(fan->GetVertex(0)), 0);
  auto sphere = fixtures::Icosphere(1);
  EXPECT_EQ(sphere->RemoveValence3Vertex(sphere->GetVertex(0)), 0);
  EXPECT_EQ(sphere->NbFace(), 80);
}

TEST(Mesh3dValence3, RemoveAllAndFlagVariant)
{
  auto tetra = fixtures::Tetrahedron();
  EXPECT_EQ(tetra->RemoveValence3Vertices(), 1);
  // The first apex goes; the two faces left share all three corners and are not valid.
  EXPECT_EQ(tetra->NbFace(), 2);
  EXPECT_EQ(tetra->NbVertex(), 3);

  auto other = fixtures::Tetrahedron();
  CVertex3d* v = other->GetVertex(3);
  EXPECT_EQ(other->RemoveValence3VertexFlag(v, 7, 9), 1);
  EXPECT_EQ(v->GetFlag(), 9);
  EXPECT_EQ(other->NbFace(), 4);
  int flagged = 0;
  for (int i = 0; i < other->NbFace(); i++)
    flagged += other->GetFace(i)->GetFlag() == 7 ? 1 : 0;
  EXPECT_EQ(flagged, 2);
}

TEST(Mesh3dTopology, TranslateVertices)
{
  auto mesh = fixtures::Tetrahedron();
  mesh->SetModified(0);
  mesh->TranslateVertices(1, 2, 3);
  EXPECT_FLOAT_EQ(mesh->GetVertex(3)->z(), 4);
  EXPECT_FLOAT_EQ(mesh->GetVertex(0)->y(), 2);
  EXPECT_EQ(mesh->GetModified(), 1);
}

TEST(Mesh3dTopology, OneSidedLinksComeFromAFaceWithARepeatedCorner)
{
  auto octahedron = fixtures::Octahedron();
  EXPECT_EQ(octahedron->HasOneSidedLinks(), 0);
  // The adjacency links the repeated corner's face to faces around it that keep their own
  // neighbours: collapses must then drop its links to a face they delete.
  octahedron->AddFace(new CFace3d(octahedron->GetVertex(0), octahedron->GetVertex(0),
                                  octahedron->GetVertex(1)));
  octahedron->Rebuild();
  EXPECT_EQ(octahedron->HasOneSidedLinks(), 1);
}
