// One Loop step and one sqrt(3) step against OpenMesh's uniform subdividers on the same closed
// mesh: same counts, same valences, same positions where the weights are the classic ones.
#include "processing/ProcessingFixtures.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/Sqrt3T.hh>

#include <gtest/gtest.h>

namespace {

using PeerMesh = OpenMesh::TriMesh_ArrayKernelT<>;

PeerMesh ToPeer(const CMesh3d& mesh)
{
  PeerMesh peer;
  std::vector<PeerMesh::VertexHandle> handles;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    handles.push_back(peer.add_vertex(PeerMesh::Point(v->x(), v->y(), v->z())));
  }
  for (const auto& c : fixtures::Corners(mesh))
    peer.add_face(handles[c[0]], handles[c[1]], handles[c[2]]);
  return peer;
}

// Our vertex i is matched with the peer's nearest vertex; the match must be one to one,
// within tol, and of the same valence.
void ExpectSameMesh(const CMesh3d& mesh, const PeerMesh& peer, float tol)
{
  ASSERT_EQ(mesh.NbVertex(), static_cast<int>(peer.n_vertices()));
  ASSERT_EQ(mesh.NbFace(), static_cast<int>(peer.n_faces()));
  std::vector<int> used(peer.n_vertices(), 0);
  float worst = 0;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const fixtures::Position p = fixtures::PositionOf(mesh.GetVertex(i));
    float best = 1e30f;
    PeerMesh::VertexHandle nearest;
    for (const auto vh : peer.vertices()) {
      const auto& q = peer.point(vh);
      const float d = fixtures::Distance(p, {q[0], q[1], q[2]});
      if (d < best) {
        best = d;
        nearest = vh;
      }
    }
    worst = std::max(worst, best);
    used[static_cast<size_t>(nearest.idx())]++;
    EXPECT_EQ(mesh.GetVertex(i)->NbVertexNeighbor(), static_cast<int>(peer.valence(nearest)));
  }
  EXPECT_LE(worst, tol);
  EXPECT_EQ(std::count(used.begin(), used.end(), 1), static_cast<long>(used.size()));
}

// A closed mesh with vertices of valence 3 to 6, moved off its symmetries.
std::unique_ptr<CMesh3d> LoopInput()
{
  auto mesh = std::make_unique<CMesh3d>();
  mesh->GenerateBox(2, 1.5f, 1);
  mesh->Rebuild();
  mesh->Subdivision();
  fixtures::Perturb(*mesh, 0.05f);
  return mesh;
}

TEST(PeerSubdivision, OneLoopStepMatchesOpenMesh)
{
  auto mesh = LoopInput();
  PeerMesh peer = ToPeer(*mesh);
  mesh->SubdivisionLoop();
  OpenMesh::Subdivider::Uniform::LoopT<PeerMesh> loop;
  loop.attach(peer);
  loop(1);
  loop.detach();
  ExpectSameMesh(*mesh, peer, 2e-6f);
}

TEST(PeerSubdivision, OneSqrt3StepMatchesOpenMesh)
{
  // Valences 5 and 6 only: the filter's table is the classic formula there.
  auto mesh = fixtures::Icosphere(2);
  fixtures::Perturb(*mesh, 0.03f);
  PeerMesh peer = ToPeer(*mesh);
  mesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  OpenMesh::Subdivider::Uniform::Sqrt3T<PeerMesh> sqrt3;
  sqrt3.attach(peer);
  sqrt3(1);
  sqrt3.detach();
  ExpectSameMesh(*mesh, peer, 2e-6f);
}

} // namespace
