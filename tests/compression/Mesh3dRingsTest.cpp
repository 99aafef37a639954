#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "tests/processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// The rings as a pass over every face per ring finds them: a free face with a corner of the
// ring's flag takes it, and its corners not of that flag take the next.
void RingsByPasses(CMesh3d& mesh, int seed)
{
  mesh.SetVerticesFlag(0);
  mesh.SetFacesFlag(0);
  mesh.GetVertex(seed)->SetFlag(1);
  for (int k = 1;; k++) {
    int flagged = 0;
    for (int i = 0; i < mesh.NbFace(); i++) {
      CFace3d* f = mesh.GetFace(i);
      if (f->GetFlag() != 0 || !f->HasVertexWithFlag(k))
        continue;
      f->SetFlag(k);
      for (int c = 0; c < 3; c++)
        if (f->v(c)->GetFlag() != k)
          f->v(c)->SetFlag(k + 1);
      flagged++;
    }
    if (flagged == 0)
      return;
  }
}

void AddTriangle(CMesh3d& mesh, int a, int b, int c)
{
  mesh.AddFace(new CFace3d(mesh.GetVertex(a), mesh.GetVertex(b), mesh.GetVertex(c)));
}

void AddPoints(CMesh3d& mesh, int n)
{
  for (int i = 0; i < n; i++)
    mesh.AddVertex(new CVertex3d(static_cast<float>(i % 7), static_cast<float>(i / 7), 0.0f));
}

using Build = std::function<std::unique_ptr<CMesh3d>()>;

// Meshes whose faces and face lists the rings could misread: two cones on one apex, a third
// face on an edge, a face turned against its neighbours, a face listed twice, a face with a
// repeated corner, two components with isolated vertices, a torus with faces taken out, and
// faces whose corners were never given face lists (no adjacency built).
std::vector<std::pair<std::string, Build>> OddMeshes()
{
  return {
    {"bowtie",
     [] {
       auto m = std::make_unique<CMesh3d>();
       AddPoints(*m, 7);
       for (int k = 0; k < 3; k++) {
         AddTriangle(*m, 0, 1 + k, 1 + (k + 1) % 3);
         AddTriangle(*m, 0, 4 + (k + 1) % 3, 4 + k);
       }
       m->Rebuild();
       return m;
     }},
    {"fin, turned, repeated, twice",
     [] {
       auto m = std::make_unique<CMesh3d>();
       AddPoints(*m, 9);
       AddTriangle(*m, 0, 1, 2);
       AddTriangle(*m, 1, 0, 3);
       AddTriangle(*m, 0, 1, 4);
       AddTriangle(*m, 2, 1, 5);
       AddTriangle(*m, 5, 6, 6);
       AddTriangle(*m, 6, 7, 5);
       AddTriangle(*m, 6, 7, 5);
       m->Rebuild();
       return m;
     }},
    {"two components, isolated vertices",
     [] {
       auto m = fixtures::FlatGrid(4, 3);
       const int first = m->NbVertex();
       AddPoints(*m, 8);
       AddTriangle(*m, first, first + 1, first + 2);
       AddTriangle(*m, first + 2, first + 1, first + 3);
       m->Rebuild();
       return m;
     }},
    {"torn torus",
     [] {
       auto m = fixtures::Torus(10);
       for (int i = m->NbFace() - 1; i >= 0; i -= 5)
         m->DeleteFace(m->GetFace(i));
       m->Rebuild();
       return m;
     }},
    {"no face lists",
     [] {
       auto m = std::make_unique<CMesh3d>();
       AddPoints(*m, 30);
       for (int i = 0; i + 8 < 30; i++)
         AddTriangle(*m, i, i + 1, i + 8);
       return m;
     }},
  };
}

} // namespace

TEST(MeshRings, RingsMatchAPassOverEveryFaceOnOddMeshes)
{
  for (const auto& [name, build] : OddMeshes()) {
    for (int seed : {0, 3, 5}) {
      auto expected = build();
      auto actual = build();
      if (seed >= expected->NbVertex())
        continue;
      RingsByPasses(*expected, seed);
      ASSERT_EQ(actual->ConcentricRings(seed), 1) << name;
      for (int i = 0; i < expected->NbVertex(); i++)
        EXPECT_EQ(actual->GetVertex(i)->GetFlag(), expected->GetVertex(i)->GetFlag())
          << name << ", seed " << seed << ", vertex " << i;
      for (int i = 0; i < expected->NbFace(); i++)
        EXPECT_EQ(actual->GetFace(i)->GetFlag(), expected->GetFace(i)->GetFlag())
          << name << ", seed " << seed << ", face " << i;
    }
  }
}
