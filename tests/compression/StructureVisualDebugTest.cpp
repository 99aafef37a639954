// The structure coder's visual debugging: its marker and segment sets go into the scene and
// fill while the conquest runs, and the view is asked to repaint at the pace of "Update each",
// so that what a repaint shows is the conquest so far, not only its end.
#include "StructureRoundTrip.h"
#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "platform/core/Redraw.h"
#include "scene/SceneGraph3d.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace {

// What each repaint request would show: the markers and segments drawn so far.
struct SRepaints
{
  std::vector<int> Markers;
  std::vector<int> Segments;
};

class CRunWithView
{
public:
  CRunWithView()
  {
    m_Previous = platform::SetRedrawHook([this](CRenderView* pView) {
      EXPECT_EQ(pView, View());
      FindSets();
      m_Repaints.Markers.push_back(m_pVertices ? m_pVertices->NbVertex() : -1);
      m_Repaints.Segments.push_back(m_pVectors ? m_pVectors->NbVector() : -1);
    });
  }
  ~CRunWithView() { platform::SetRedrawHook(m_Previous); }
  CRunWithView(const CRunWithView&) = delete;
  CRunWithView& operator=(const CRunWithView&) = delete;

  // The render view is opaque to the coder: any address stands for one.
  CRenderView* View() { return reinterpret_cast<CRenderView*>(&m_ViewStandIn); }

  // Encodes the scene's mesh (object 0) from face 0 at the given pace.
  int Encode(CSceneGraph3d* pScene, int updateEach, int visualDebug = 1)
  {
    gatetest::CCurrentTempFolder folder;
    CStructureCoder::SOptions options;
    options.m_VisualDebug = visualDebug;
    options.m_UpdateClient = updateEach;
    options.m_pView = View();
    options.m_pSceneGraph = pScene;
    m_pScene = pScene;
    m_Before = pScene->NbObject();
    CStructureCoder coder;
    CVertexTree tree;
    CStructureCoder::SResult result;
    const int ok = coder.Encode(static_cast<CMesh3d*>(pScene->GetAt(0)), "topology.bin", &tree, 0,
                                options, &result);
    FindSets();
    return ok;
  }

  const SRepaints& Repaints() const { return m_Repaints; }
  CVertexSet3d* Vertices() const { return m_pVertices; }
  CVectorSet3d* Vectors() const { return m_pVectors; }

private:
  // The two objects the run added, markers first.
  void FindSets()
  {
    if (m_pVertices || m_pScene->NbObject() != m_Before + 2)
      return;
    m_pVertices = dynamic_cast<CVertexSet3d*>(m_pScene->GetAt(m_Before));
    m_pVectors = dynamic_cast<CVectorSet3d*>(m_pScene->GetAt(m_Before + 1));
  }

  platform::RedrawHook m_Previous;
  SRepaints m_Repaints;
  CSceneGraph3d* m_pScene = nullptr;
  int m_Before = 0;
  CVertexSet3d* m_pVertices = nullptr;
  CVectorSet3d* m_pVectors = nullptr;
  int m_ViewStandIn = 0;
};

std::unique_ptr<CSceneGraph3d> SceneOf(std::unique_ptr<CMesh3d> pMesh)
{
  auto pScene = std::make_unique<CSceneGraph3d>();
  pScene->Add(pMesh.release());
  return pScene;
}

// Edges as sorted position pairs, so that copies compare with the mesh's own vertices.
using Point = std::array<float, 3>;
std::set<std::pair<Point, Point>> MeshEdges(const CMesh3d& mesh)
{
  std::set<std::pair<Point, Point>> edges;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = mesh.GetFace(i)->v(k);
      const CVertex3d* b = mesh.GetFace(i)->v((k + 1) % 3);
      Point pa{a->x(), a->y(), a->z()};
      Point pb{b->x(), b->y(), b->z()};
      edges.insert(std::minmax(pa, pb));
    }
  return edges;
}

} // namespace

TEST(StructureVisualDebug, SetsGoIntoTheSceneWithAMarkerPerVertexAndASegmentPerEdge)
{
  // A closed sphere and a plate with holes (the ghost is neither marked nor drawn).
  for (auto make : {+[] { return fixtures::Icosphere(2); },
                    +[] { return topology::Build(topology::GridWithHoles(6)); }}) {
    auto pScene = SceneOf(make());
    const CMesh3d& mesh = *static_cast<CMesh3d*>(pScene->GetAt(0));
    CRunWithView run;
    ASSERT_EQ(run.Encode(pScene.get(), 1), 1);
    ASSERT_EQ(pScene->NbObject(), 3);
    ASSERT_NE(run.Vertices(), nullptr);
    ASSERT_NE(run.Vectors(), nullptr);
    std::set<const CVertex3d*> marked;
    for (int i = 0; i < run.Vertices()->NbVertex(); i++)
      marked.insert(run.Vertices()->GetVertex(i));
    EXPECT_EQ(static_cast<int>(marked.size()), mesh.NbVertex());
    EXPECT_EQ(run.Vertices()->NbVertex(), mesh.NbVertex());
    std::set<std::pair<Point, Point>> drawn;
    for (int i = 0; i < run.Vectors()->NbVector(); i++) {
      const CVertex3d* a = run.Vectors()->GetPoint(2 * i);
      const CVertex3d* b = run.Vectors()->GetPoint(2 * i + 1);
      drawn.insert(std::minmax(Point{a->x(), a->y(), a->z()}, Point{b->x(), b->y(), b->z()}));
    }
    EXPECT_EQ(drawn, MeshEdges(mesh));
    EXPECT_EQ(run.Vectors()->NbVector(), static_cast<int>(drawn.size()));
  }
}

TEST(StructureVisualDebug, RepaintsFollowTheConquestAtThePaceOfUpdateEach)
{
  auto pScene = SceneOf(fixtures::Icosphere(3));
  const int nbVertex = static_cast<CMesh3d*>(pScene->GetAt(0))->NbVertex();
  CRunWithView everyStep;
  ASSERT_EQ(everyStep.Encode(pScene.get(), 1), 1);
  const SRepaints& all = everyStep.Repaints();
  // One repaint at least per vertex the conquest reaches, each showing no fewer markers than
  // the one before, the first ones few, the last ones all.
  ASSERT_GE(static_cast<int>(all.Markers.size()), nbVertex);
  for (size_t i = 1; i < all.Markers.size(); i++) {
    EXPECT_LE(all.Markers[i - 1], all.Markers[i]);
    EXPECT_LE(all.Segments[i - 1], all.Segments[i]);
  }
  EXPECT_LE(all.Markers.front(), 3);
  EXPECT_EQ(all.Markers.back(), nbVertex);
  int partial = 0;
  for (const int markers : all.Markers)
    partial += markers > 3 && markers < nbVertex ? 1 : 0;
  EXPECT_GT(partial, nbVertex / 2);

  auto pOther = SceneOf(fixtures::Icosphere(3));
  CRunWithView everySeventh;
  ASSERT_EQ(everySeventh.Encode(pOther.get(), 7), 1);
  const size_t fewer = everySeventh.Repaints().Markers.size();
  EXPECT_GT(fewer, 0u);
  // Steps that conquer an edge repaint on multiples of 7, plus the seed's three and the end.
  EXPECT_LE(fewer, all.Markers.size() / 7 + 8);
}

TEST(StructureVisualDebug, WithoutVisualDebuggingNothingIsAddedNorRepainted)
{
  auto pScene = SceneOf(fixtures::Icosphere(2));
  CRunWithView run;
  ASSERT_EQ(run.Encode(pScene.get(), 1, 0), 1);
  EXPECT_EQ(pScene->NbObject(), 1);
  EXPECT_TRUE(run.Repaints().Markers.empty());
}
