// The encoders' input check against a direct reading of its rule: for every face and every
// edge a -> b of it, a walk around a finds that face alone holding a -> b, and the face's
// neighbour across the edge is the first face there holding b -> a.
#include "GateTestUtil.h"
#include "ObjSoup.h"
#include "TopologyGenerators.h"

#include "compression/GateTopology.h"
#include "compression/TriangleGateCoder.h"
#include "mesh/Mesh3d.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

int ReferenceCodable(const CArray3d<CFace3d>& faces)
{
  for (int f = 0; f < faces.GetSize(); f++) {
    const CFace3d* face = faces[f];
    if (!face || !face->v(0) || !face->v(1) || !face->v(2) || face->v(0) == face->v(1) ||
        face->v(1) == face->v(2) || face->v(0) == face->v(2))
      return 0;
    for (int i = 0; i < 3; i++) {
      const CVertex3d* a = face->v(i);
      const CVertex3d* b = face->v((i + 1) % 3);
      int holders = 0;
      const CFace3d* reverse = nullptr;
      for (int k = 0; k < a->NbFaceNeighbor(); k++) {
        const CFace3d* g = a->GetFaceNeighbor(k);
        const int j = g->IndexFrom(a);
        if (j < 0)
          continue;
        if (g->v((j + 1) % 3) == b) {
          if (g != face)
            return 0;
          holders++;
        }
        if (!reverse && g->v((j + 2) % 3) == b)
          reverse = g;
      }
      if (holders != 1 || face->f(i) != reverse)
        return 0;
    }
  }
  return 1;
}

// The flags of every vertex, so that a check can be seen to leave them as they were.
std::vector<int> VertexFlags(const CMesh3d& mesh)
{
  std::vector<int> flags;
  for (int i = 0; i < mesh.NbVertex(); i++)
    flags.push_back(mesh.GetVertex(i)->GetFlag());
  return flags;
}

std::vector<int> FaceFlags(const CMesh3d& mesh)
{
  std::vector<int> flags;
  for (int i = 0; i < mesh.NbFace(); i++)
    flags.push_back(mesh.GetFace(i)->GetFlag());
  return flags;
}

// The check alone and the triangle encoder both judge as the rule does; a refusal leaves the
// flags as they were.
void ExpectAgrees(CMesh3d* mesh, int expected, const std::string& what)
{
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetFlag(i % 3 == 0 ? 7 : -i);
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(i % 2 == 0 ? 2 : i);
  const std::vector<int> before = VertexFlags(*mesh);
  const std::vector<int> faceBefore = FaceFlags(*mesh);
  const int got = gate::IsCodable(*mesh->GetArrayFace());
  EXPECT_EQ(got, ReferenceCodable(*mesh->GetArrayFace())) << what;
  EXPECT_EQ(got, expected) << what;
  EXPECT_EQ(VertexFlags(*mesh), before) << what;
  gatetest::CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  const int coded = coder.Encode(mesh, "mesh.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0);
  EXPECT_EQ(coded, expected) << what;
  if (!coded) {
    EXPECT_EQ(VertexFlags(*mesh), before) << what;
    EXPECT_EQ(FaceFlags(*mesh), faceBefore) << what;
  }
}

// Draws from the system's generator so that a failing case replays.
struct CDraw
{
  unsigned int State;
  int Below(int n)
  {
    State = State * 214013u + 2531011u;
    return static_cast<int>((State >> 16) & 0x7fff) % n;
  }
};

using Damage = std::function<int(CMesh3d*, CDraw*)>; // returns the expected verdict

std::vector<std::pair<std::string, Damage>> Damages()
{
  return {
    {"neighbour cleared", [](CMesh3d* m, CDraw* d) {
       CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       const int i = d->Below(3);
       const int expected = f->f(i) ? 0 : 1;
       f->SetF(i, nullptr);
       return expected;
     }},
    {"neighbour pointing elsewhere", [](CMesh3d* m, CDraw* d) {
       CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       CFace3d* g = m->GetFace(d->Below(m->NbFace()));
       const int i = d->Below(3);
       const int expected = f->f(i) == g ? 1 : 0;
       f->SetF(i, g);
       return expected;
     }},
    {"face flipped", [](CMesh3d* m, CDraw*) {
       CFace3d* f = m->GetFace(0);
       f->SetVertices(f->v(0), f->v(2), f->v(1));
       return 0;
     }},
    {"face dropped from a corner's list", [](CMesh3d* m, CDraw* d) {
       CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       f->v(d->Below(3))->RemoveFaceNeighbor(f);
       return 0;
     }},
    {"face listed twice at a corner", [](CMesh3d* m, CDraw* d) {
       CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       f->v(d->Below(3))->GetArrayFaceNeighbor()->Add(f);
       return 0;
     }},
    {"repeated corner", [](CMesh3d* m, CDraw* d) {
       CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       f->SetVertex(1, f->v(0));
       return 0;
     }},
    {"directed edge held twice", [](CMesh3d* m, CDraw* d) {
       const CFace3d* f = m->GetFace(d->Below(m->NbFace()));
       auto* twin = new CFace3d(f->v(0), f->v(1), f->v(2));
       m->AddFace(twin);
       for (int c = 0; c < 3; c++)
         twin->v(c)->AddFaceNeighbor(twin);
       return 0;
     }},
    {"list order of a corner reversed", [](CMesh3d* m, CDraw* d) {
       // Harmless on a manifold: the holders of each edge stay unique.
       CVertex3d* v = m->GetVertex(d->Below(m->NbVertex()));
       auto* list = v->GetArrayFaceNeighbor();
       for (int i = 0, j = list->GetSize() - 1; i < j; i++, j--) {
         CFace3d* t = (*list)[i];
         list->SetAt(i, (*list)[j]);
         list->SetAt(j, t);
       }
       return 1;
     }},
  };
}

std::vector<std::pair<std::string, std::function<std::unique_ptr<CMesh3d>()>>> Meshes()
{
  return {
    {"icosphere", [] { return fixtures::Icosphere(2); }},
    {"torus", [] { return topology::Build(topology::TorusGrid(7, 5)); }},
    {"holes", [] { return topology::Build(topology::GridWithHoles(3)); }},
    {"fan", [] { return fixtures::Fan(6); }},
    {"bunny", [] { return objsoup::ReadData("bunny3674.obj"); }},
  };
}

} // namespace

TEST(GateCodable, WholeMeshesPass)
{
  for (const auto& [name, make] : Meshes()) {
    auto mesh = make();
    ExpectAgrees(mesh.get(), 1, name);
  }
  CMesh3d empty;
  EXPECT_EQ(gate::IsCodable(*empty.GetArrayFace()), 1);
}

TEST(GateCodable, EveryDamageIsJudgedAsTheRuleSays)
{
  for (const auto& [meshName, make] : Meshes())
    for (const auto& [damageName, damage] : Damages())
      for (unsigned int seed = 1; seed <= 6; seed++) {
        auto mesh = make();
        CDraw draw{seed};
        const int expected = damage(mesh.get(), &draw);
        ExpectAgrees(mesh.get(), expected, meshName + ", " + damageName + ", seed " + std::to_string(seed));
      }
}

TEST(GateCodable, NonManifoldEdgeIsRefused)
{
  auto mesh = fixtures::NonManifoldEdge();
  ExpectAgrees(mesh.get(), 0, "three faces on an edge");
}

TEST(GateCodable, EncoderRefusesAnyStrayFaceInAList)
{
  // A face that a corner lists but the mesh does not hold, consistent with its fan: the
  // check alone lets it pass, the encoder, which may only walk the mesh's own faces, does not.
  auto mesh = fixtures::Strip(3);
  CVertex3d* a = mesh->GetVertex(0);
  CVertex3d far(5.0f, 5.0f, 5.0f);
  CVertex3d other(6.0f, 5.0f, 5.0f);
  CFace3d stray(a, &far, &other);
  a->AddFaceNeighbor(&stray);
  EXPECT_EQ(gate::IsCodable(*mesh->GetArrayFace()), 1);
  gatetest::CCurrentTempFolder folder;
  CTriangleGateCoder coder;
  EXPECT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0), 0);
  a->RemoveFaceNeighbor(&stray);
  EXPECT_EQ(coder.Encode(mesh.get(), "mesh.bin", 0, 0, 1, 0, nullptr, 1, 0, 0, 0), 1);
}

TEST(GateCodable, StrayFaceInAListIsRefusedWhenItsNeighbourIsWrong)
{
  // A face that a corner still lists but that the mesh no longer holds: the mesh's own faces
  // are consistent, but the conquest could walk into the stray face, so it is refused.
  auto mesh = fixtures::Icosphere(1);
  const CFace3d* f = mesh->GetFace(0);
  CFace3d stray(f->v(0), f->v(2), mesh->GetFace(5)->v(0));
  f->v(0)->AddFaceNeighbor(&stray);
  EXPECT_EQ(gate::IsCodable(*mesh->GetArrayFace()), 0);
  f->v(0)->RemoveFaceNeighbor(&stray);
  EXPECT_EQ(gate::IsCodable(*mesh->GetArrayFace()), 1);
}
