#include "tests/document/CommandFixture.h"

#include "app/resources/Menus.h"
#include "mesh/Polygon3d.h"
#include "mesh/PolygonMesh3d.h"
#include "tests/compression/GateTestUtil.h"
#include "tests/support/TempFolder.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

class COddMeshCommandsTest : public CCommandFixture
{
public:
  using CCommandFixture::BuildGrid;
  using CCommandFixture::BuildTorus;

protected:
  // Runs every command the menu enables on the scene that `set` makes afresh for each, with
  // its defaults (dialogs answered OK, file dialogs cancelled): each leaves every mesh's faces
  // on vertices of that mesh, since a face left on a deleted vertex is read after it is freed.
  // Files the commands write go to a scratch folder.
  void RunEveryEnabledCommand(const std::string& name, const std::function<void()>& set, int least)
  {
    const CTempFolder folder;
    const CCurrentFolder current(folder.Path());
    int ran = 0;
    for (const platform::SMenuItem& item : GetDocumentMenu()) {
      if (item.Id == 0)
        continue;
      set();
      if (!IsHandled(item.Id) || !IsEnabled(item.Id))
        continue;
      m_DialogAnswer = platform::IDOK;
      m_EditDialog = {};
      Run(item.Id);
      ran++;
      for (int i = 0; i < NbObject(); i++) {
        if (const CMesh3d* pMesh = Mesh(i)) {
          EXPECT_TRUE(CornersInMesh(pMesh)) << name << ", command " << item.Id << ", object " << i;
        }
      }
    }
    EXPECT_GE(ran, least) << name;
  }
};

using Builder = std::function<void(CMesh3d&)>;

void Fan(CMesh3d& m, int centre, const std::vector<int>& ring, bool closed)
{
  const size_t n = ring.size();
  for (size_t i = 0; i + (closed ? 0 : 1) < n; i++)
    m.AddFace(new CFace3d(m.GetVertex(centre), m.GetVertex(ring[i]), m.GetVertex(ring[(i + 1) % n])));
}

// Small meshes of the kinds real files hold and the algorithms least expect: non-manifold
// vertices and edges, a one-sided strip, degenerate and repeated faces, isolated vertices,
// several components, a face against its neighbours' orientation.
std::vector<std::pair<std::string, Builder>> OddMeshes()
{
  std::vector<std::pair<std::string, Builder>> meshes;
  meshes.push_back({"bowtie", [](CMesh3d& m) {
    // Two closed cones sharing their apex.
    m.AddVertex(new CVertex3d(0, 0, 0));
    std::vector<int> a, b;
    for (int i = 0; i < 8; i++) {
      const float t = static_cast<float>(i) * 0.785f;
      m.AddVertex(new CVertex3d(std::cos(t), std::sin(t), 1.0f));
      a.push_back(m.NbVertex() - 1);
    }
    for (int i = 0; i < 8; i++) {
      const float t = static_cast<float>(i) * 0.785f;
      m.AddVertex(new CVertex3d(std::cos(t), std::sin(t), -1.0f));
      b.push_back(m.NbVertex() - 1);
    }
    Fan(m, 0, a, true);
    std::vector<int> rb(b.rbegin(), b.rend());
    Fan(m, 0, rb, true);
  }});
  meshes.push_back({"mobius", [](CMesh3d& m) {
    const int n = 24;
    for (int i = 0; i < n; i++) {
      const double t = 2 * M_PI * i / n;
      for (int s = -1; s <= 1; s += 2) {
        const double w = 0.3 * s;
        m.AddVertex(new CVertex3d(static_cast<float>((1 + w * std::cos(t / 2)) * std::cos(t)),
                                  static_cast<float>((1 + w * std::cos(t / 2)) * std::sin(t)),
                                  static_cast<float>(w * std::sin(t / 2))));
      }
    }
    for (int i = 0; i < n; i++) {
      const int a0 = 2 * i, a1 = 2 * i + 1;
      int b0 = 2 * ((i + 1) % n), b1 = b0 + 1;
      if (i == n - 1)
        std::swap(b0, b1);
      m.AddFace(new CFace3d(m.GetVertex(a0), m.GetVertex(b0), m.GetVertex(b1)));
      m.AddFace(new CFace3d(m.GetVertex(a0), m.GetVertex(b1), m.GetVertex(a1)));
    }
  }});
  meshes.push_back({"fin", [](CMesh3d& m) {
    // A torus with a third face on one of its edges.
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    m.AddVertex(new CVertex3d(0, 5, 0));
    m.AddFace(new CFace3d(m.GetVertex(0), m.GetVertex(1), m.GetVertex(m.NbVertex() - 1)));
  }});
  meshes.push_back({"degenerate", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildGrid(m, 6, 6, 0, 0.0f);
    m.AddFace(new CFace3d(m.GetVertex(8), m.GetVertex(8), m.GetVertex(9)));
    // Three collinear corners.
    m.AddFace(new CFace3d(m.GetVertex(0), m.GetVertex(1), m.GetVertex(2)));
  }});
  meshes.push_back({"repeated", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildGrid(m, 6, 6, 0, 0.0f);
    m.AddFace(new CFace3d(m.GetVertex(8), m.GetVertex(8), m.GetVertex(9)));
  }});
  meshes.push_back({"collinear", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildGrid(m, 6, 6, 0, 0.0f);
    m.AddFace(new CFace3d(m.GetVertex(0), m.GetVertex(1), m.GetVertex(2)));
  }});
  meshes.push_back({"duplicate", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    m.AddFace(new CFace3d(m.GetVertex(0), m.GetVertex(1), m.GetVertex(7)));
  }});
  meshes.push_back({"isolated", [](CMesh3d& m) {
    m.AddVertex(new CVertex3d(9, 9, 9));
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    m.AddVertex(new CVertex3d(-9, 9, 9));
  }});
  meshes.push_back({"two components", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    COddMeshCommandsTest::BuildTorus(m, 6, 5);
  }});
  meshes.push_back({"flipped", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    CFace3d* f = m.GetFace(5);
    CVertex3d* a = f->v(0);
    CVertex3d* b = f->v(1);
    CVertex3d* c = f->v(2);
    m.DeleteFace(f);
    m.AddFace(new CFace3d(a, c, b));
  }});
  meshes.push_back({"coincident", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildGrid(m, 5, 5, 0, 0.0f);
    m.GetVertex(7)->Set(m.GetVertex(8)->x(), m.GetVertex(8)->y(), m.GetVertex(8)->z());
  }});
  meshes.push_back({"holes at a vertex", [](CMesh3d& m) {
    // Squares left out diagonally: the holes touch at a vertex.
    const int nx = 6;
    for (int j = 0; j <= nx; j++)
      for (int i = 0; i <= nx; i++)
        m.AddVertex(new CVertex3d(static_cast<float>(i), 0.0f, static_cast<float>(j)));
    auto at = [&](int i, int j) { return m.GetVertex(j * (nx + 1) + i); };
    for (int j = 0; j < nx; j++)
      for (int i = 0; i < nx; i++) {
        if ((i == 2 && j == 2) || (i == 3 && j == 3))
          continue;
        m.AddFace(new CFace3d(at(i, j), at(i, j + 1), at(i + 1, j + 1)));
        m.AddFace(new CFace3d(at(i, j), at(i + 1, j + 1), at(i + 1, j)));
      }
  }});
  meshes.push_back({"welded", [](CMesh3d& m) {
    // Two vertices at one place, welded: their faces keep a repeated corner, and the
    // adjacency links them to their neighbours one way only.
    COddMeshCommandsTest::BuildGrid(m, 5, 5, 0, 0.0f);
    m.GetVertex(7)->Set(m.GetVertex(8)->x(), m.GetVertex(8)->y(), m.GetVertex(8)->z());
    m.Rebuild();
    m.Weld();
  }});
  meshes.push_back({"packed", [](CMesh3d& m) {
    COddMeshCommandsTest::BuildTorus(m, 8, 6);
    m.Rebuild();
    m.PackVertices(4);
  }});
  meshes.push_back({"one face", [](CMesh3d& m) {
    m.AddVertex(new CVertex3d(0, 0, 0));
    m.AddVertex(new CVertex3d(1, 0, 0));
    m.AddVertex(new CVertex3d(0, 1, 0));
    m.AddFace(new CFace3d(m.GetVertex(0), m.GetVertex(1), m.GetVertex(2)));
  }});
  meshes.push_back({"one point", [](CMesh3d& m) {
    // Every vertex at the origin: a box of no size, every face of no area.
    COddMeshCommandsTest::BuildTorus(m, 6, 5);
    for (int i = 0; i < m.NbVertex(); i++)
      m.GetVertex(i)->Set(0.0f, 0.0f, 0.0f);
  }});
  meshes.push_back({"torn", [](CMesh3d& m) {
    // Every seventh face of a torus taken away: holes that touch at vertices and along edges.
    COddMeshCommandsTest::BuildTorus(m, 12, 8);
    for (int i = m.NbFace() - 1; i >= 0; i -= 7)
      m.DeleteFace(m.GetFace(i));
  }});
  return meshes;
}

} // namespace

TEST_F(COddMeshCommandsTest, EveryEnabledCommandKeepsTheFacesOnTheirMeshsVertices)
{
  for (const auto& [name, build] : OddMeshes())
    RunEveryEnabledCommand(name, [this, build = build] { SetMesh(build); }, 100);
}

namespace {

// Points of a strip of n squares bent round a circle; twisted, its last square joins its
// first one the other way round (a one-sided strip).
std::vector<std::array<float, 3>> StripPoints(int n)
{
  std::vector<std::array<float, 3>> points;
  for (int i = 0; i < n; i++) {
    const double t = 2 * M_PI * i / n;
    for (int s = -1; s <= 1; s += 2) {
      const double w = 0.3 * s;
      points.push_back({static_cast<float>((1 + w * std::cos(t / 2)) * std::cos(t)),
                        static_cast<float>((1 + w * std::cos(t / 2)) * std::sin(t)),
                        static_cast<float>(w * std::sin(t / 2))});
    }
  }
  return points;
}

// The corners of the strip's squares; `twisted` joins the ends the other way round.
std::vector<std::vector<int>> StripSquares(int n, bool twisted)
{
  std::vector<std::vector<int>> squares;
  for (int i = 0; i < n; i++) {
    int b0 = 2 * ((i + 1) % n);
    int b1 = b0 + 1;
    if (twisted && i == n - 1)
      std::swap(b0, b1);
    squares.push_back({2 * i, b0, b1, 2 * i + 1});
  }
  return squares;
}

// Polygon and quad meshes built from corner lists, with odd faces added.
struct SFaceLists
{
  std::string Name;
  std::vector<std::array<float, 3>> Points;
  std::vector<std::vector<int>> Faces;
};

std::vector<SFaceLists> OddFaceLists()
{
  std::vector<SFaceLists> lists;
  lists.push_back({"one-sided strip", StripPoints(16), StripSquares(16, true)});
  SFaceLists bowtie{"squares at a vertex", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {-1, -1, 0}, {0, -1, 0}}, {}};
  bowtie.Faces = {{0, 1, 2, 3}, {0, 4, 5, 6}};
  lists.push_back(bowtie);
  SFaceLists repeated{"repeated corner", StripPoints(12), StripSquares(12, false)};
  repeated.Faces.push_back({0, 2, 2, 1});
  lists.push_back(repeated);
  SFaceLists twice{"square twice", StripPoints(12), StripSquares(12, false)};
  twice.Faces.push_back(twice.Faces.front());
  lists.push_back(twice);
  return lists;
}

} // namespace

// The same for the quad and polygon meshes' commands, on odd quad and polygon meshes.
TEST_F(COddMeshCommandsTest, EveryEnabledCommandRunsOnOddQuadAndPolygonMeshes)
{
  for (const SFaceLists& lists : OddFaceLists()) {
    RunEveryEnabledCommand(lists.Name + " (quads)", [this, &lists] {
      m_pDoc->EmptyScene();
      gatetest::Quads quads;
      for (const auto& f : lists.Faces)
        quads.push_back({f[0], f[1], f[2], f[3]});
      m_pDoc->m_SceneGraph.Add(gatetest::BuildQuads(lists.Points, quads).release());
    }, 20);
    RunEveryEnabledCommand(lists.Name + " (polygons)", [this, &lists] {
      m_pDoc->EmptyScene();
      auto* pPolygons = new CPolygonMesh3d;
      for (const auto& p : lists.Points)
        pPolygons->AddVertex(new CPolygonVertex3d(p[0], p[1], p[2]));
      for (const auto& f : lists.Faces) {
        auto* pPolygon = new CPolygon3d();
        for (const int k : f)
          pPolygon->AddVertex(pPolygons->GetVertex(k));
        pPolygons->AddPolygon(pPolygon);
      }
      pPolygons->Rebuild();
      m_pDoc->m_SceneGraph.Add(pPolygons);
    }, 20);
  }
}
