#include "tests/document/CommandFixture.h"

#include "app/objects/VectorSet3d.h"

#include <cmath>
#include <filesystem>
#include <string>

namespace {

// Which object 0 enables a command.
enum ERule { ALWAYS, MESH, QUAD, POLYGON, MESH_OR_POLYGON };

struct SEntry
{
  unsigned Id;
  ERule Rule;
};

const SEntry kEntries[] = {
  {ID_GEOMETRY_PROPERTIES, MESH},
  {ID_GEOMETRY_RANGE, MESH},
  {ID_GEOMETRY_MEAN_COMPACITY, MESH},
  {ID_TEXTURES_EDIT, MESH},
  {ID_TEXTURES_VIEW, MESH},
  {ID_MODE_FLAT, ALWAYS},
  {ID_MODE_GOURAUD, ALWAYS},
  {ID_MODE_LINE, ALWAYS},
  {ID_MODE_LIGHT, ALWAYS},
  {ID_HIGHLIGHT_FACE, ALWAYS},
  {ID_HIGHLIGHT_VERTEX, ALWAYS},
  {ID_DEBUG_HIGHLIGHT_COLLAPSE, ALWAYS},
  {ID_DEBUG_NEXT_COLLAPSE, ALWAYS},
  {ID_DEBUG_NEXT_VERTEX, ALWAYS},
  {ID_DEBUG_NEXT_FACE, ALWAYS},
  {ID_ADVANCED_TEST_MODEL_VERTEX, MESH},
  {ID_HELP_DEBUG, ALWAYS},
  {ID_SCENE_KEEP_FIRST_OBJECT, ALWAYS},
  {ID_SCENE_ADD_SIMPLEX_MESH, MESH},
  {ID_SCENE_DUPLICATE_LAST_MESH, MESH},
  {ID_SCENE_PROCESS_CAMERA, ALWAYS},
  {ID_COLOR_SILHOUETTE_CAMERA, MESH},
  {ID_COLOR_FRONT_FACES_SILHOUETTE, MESH},
  {ID_MATERIAL_LIGHT_BLUE, MESH},
  {ID_MATERIAL_BRASS, MESH},
  {ID_MATERIAL_PEWTER, MESH},
  {ID_ERROR_ON_FACES, MESH},
  {ID_ERROR_MOVE_MESH, MESH},
  {ID_ERROR_ADAPTIVE_SUBDIVISION, MESH},
  {ID_LOOP_ADAPTIVE_ACTIVE_FACE, MESH},
  {ID_SUBDIVISION_FRACTAL, MESH},
  {ID_V3_SIMULATE_SPLIT, MESH},
  {ID_V3_SIMULATE_SPLIT_SWAP, MESH},
  {ID_V3_VERTEX_TYPES, MESH},
  {ID_V3_MESH_CONTROL, MESH},
  {ID_PREDEFINED_QUADRILATERAL, ALWAYS},
  {ID_ADVANCED_PEAKS, ALWAYS},
  {ID_ADVANCED_QUAD_PEAKS, ALWAYS},
  {ID_ADVANCED_TRACE_ACTIVE_VERTEX, MESH},
  {ID_STACK_RUN_BINARY_EXPAND, ALWAYS},
  {ID_ARITHMETIC_SPARSE, ALWAYS},
  {ID_CONVERSION_TRIANGLE_QUAD, MESH},
  {ID_CONVERSION_TRIANGLE_POLYGON, MESH},
  {ID_CONVERSION_QUAD_POLYGON, QUAD},
  {ID_CONVERSION_POLYGON_TRIANGLE_STAR, POLYGON},
  {ID_CONVERSION_POLYGON_TRIANGLE_REGULAR, POLYGON},
  {ID_CONVERSION_POLYGON_QUAD_TRIANGLES, POLYGON},
  {ID_STATISTICS_POLYGON_DEGREES, POLYGON},
  {ID_ALGORITHMS_WELD, MESH_OR_POLYGON},
  {ID_QUAD_KOBBELT, QUAD},
  {ID_QUAD_CATMULL_CLARK, QUAD},
  {ID_PREDEFINED_QUAD_BOX, ALWAYS},
  {ID_PREDEFINED_QUAD_MUSHROOM, ALWAYS},
  {ID_PREDEFINED_PATHOLOGIC, ALWAYS},
  {ID_EXPORT_QUAD_MESH, QUAD},
  {ID_EXPORT_CPT, MESH},
  {ID_REMOVE_FACES_DUPLICATE, MESH},
  {ID_MODIFICATION_REMOVE_HOLE, MESH},
  {ID_WINDOW_MULTI_VIEW, ALWAYS},
  {ID_WINDOW_SPLINE, ALWAYS},
  {ID_TEXTURES_MAP, ALWAYS},
  {ID_DROME_ANALYSIS, ALWAYS},
};

bool Expected(ERule rule, int firstType)
{
  switch (rule) {
  case ALWAYS: return true;
  case MESH: return firstType == TYPE_MESH3D;
  case QUAD: return firstType == TYPE_QUADMESH3D;
  case POLYGON: return firstType == TYPE_POLYGONMESH3D;
  case MESH_OR_POLYGON: return firstType == TYPE_MESH3D || firstType == TYPE_POLYGONMESH3D;
  }
  return false;
}

class CGeometryMenuMatrixTest : public CCommandFixture
{
protected:
  // Object 0 of the type (-1: an empty scene), with a triangle mesh behind it.
  void SetFirstObject(int type)
  {
    m_pDoc->EmptyScene();
    switch (type) {
    case TYPE_MESH3D: m_pDoc->m_SceneGraph.Add(new CMesh3d); break;
    case TYPE_QUADMESH3D: m_pDoc->m_SceneGraph.Add(new CQuadMesh3d); break;
    case TYPE_POLYGONMESH3D: m_pDoc->m_SceneGraph.Add(new CPolygonMesh3d); break;
    case TYPE_VECTORSET3D: m_pDoc->m_SceneGraph.Add(new CVectorSet3d); break;
    default: return;
    }
    m_pDoc->m_SceneGraph.Add(new CMesh3d);
  }

  // Every object of the scene still holds together after a command.
  void ExpectSoundScene(unsigned id)
  {
    for (int i = 0; i < NbObject(); i++) {
      CObject3d* pObject = m_pDoc->m_SceneGraph.GetAt(i);
      if (pObject->GetType() == TYPE_MESH3D) {
        EXPECT_EQ(static_cast<CMesh3d*>(pObject)->IsValid(), 1) << "command " << id << ", object " << i;
      }
      if (pObject->GetType() == TYPE_QUADMESH3D) {
        EXPECT_EQ(static_cast<CQuadMesh3d*>(pObject)->IsValid(), 1) << "command " << id << ", object " << i;
      }
    }
  }

  CScopedFolder m_Scope{"orvane_menu_matrix"};
};

} // namespace

TEST_F(CGeometryMenuMatrixTest, EachCommandIsEnabledByItsKindOfFirstObject)
{
  for (int type : {-1, int(TYPE_MESH3D), int(TYPE_QUADMESH3D), int(TYPE_POLYGONMESH3D),
                   int(TYPE_VECTORSET3D)}) {
    SetFirstObject(type);
    for (const SEntry& entry : kEntries) {
      EXPECT_TRUE(IsHandled(entry.Id)) << entry.Id;
      EXPECT_EQ(IsEnabled(entry.Id), Expected(entry.Rule, type))
        << "command " << entry.Id << " with object 0 of type " << type;
    }
  }
}

TEST_F(CGeometryMenuMatrixTest, EveryEnabledCommandRunsOnEachKindOfSurface)
{
  const std::function<void()> scenes[] = {
    [this] { SetTorus(6, 4); },
    [this] { SetGrid(6, 5, 3); },
    [this] { SetTwoComponents(); },
    [this] { SetTetrahedron(); },
    [this] {
      SetTorus(4, 3);
      Run(ID_CONVERSION_TRIANGLE_QUAD);
    },
    [this] {
      SetGrid(3, 3);
      Run(ID_CONVERSION_TRIANGLE_POLYGON);
    },
  };
  // Whatever a command writes goes to the scratch folder.
  std::filesystem::current_path(m_Scope.Path());
  m_FileAnswer = (m_Scope.Path() / "export.out").string();
  m_Answer = platform::IDNO;
  for (const auto& setScene : scenes) {
    for (const SEntry& entry : kEntries) {
      // The range-coder stress run has a test of its own.
      if (entry.Id == ID_ARITHMETIC_SPARSE)
        continue;
      setScene();
      if (!IsEnabled(entry.Id))
        continue;
      EXPECT_TRUE(Run(entry.Id)) << entry.Id;
      ExpectSoundScene(entry.Id);
      // Whatever the command left in the scene draws, as the view's paint does.
      CRenderView* pView = m_pDoc->GetOwnRenderView();
      ASSERT_TRUE(pView && pView->MakeCurrent());
      m_pDoc->RenderScene();
    }
  }
}

TEST_F(CGeometryMenuMatrixTest, TheSparseRunCodesBetweenTheEntropyAndAByteASymbol)
{
  std::filesystem::current_path(m_Scope.Path());
  ASSERT_TRUE(Run(ID_ARITHMETIC_SPARSE));
  const std::filesystem::path trial = m_Scope.Path() / "trial.bin";
  ASSERT_TRUE(std::filesystem::exists(trial));
  // Ten million symbols spread evenly over 127 of the 256 carry log2(127) bits each, which no
  // coder beats; a byte per symbol would mean the coder gained nothing.
  const double bits = 8.0 * static_cast<double>(std::filesystem::file_size(trial));
  EXPECT_GT(bits, std::log2(127.0) * 1e7);
  EXPECT_LT(bits, 8.0 * 1e7);
  EXPECT_EQ(NbObject(), 0);
}

TEST_F(CGeometryMenuMatrixTest, TheWindowEntriesOpenTheirDialogsOnAnyScene)
{
  m_DialogAnswer = platform::IDCANCEL;
  for (unsigned id : {ID_WINDOW_MULTI_VIEW, ID_WINDOW_SPLINE, ID_TEXTURES_MAP, ID_DROME_ANALYSIS})
    EXPECT_TRUE(Run(id)) << id;
  EXPECT_EQ(m_DialogTemplates, (std::vector<int>{170, 182, 175, 178}));
  EXPECT_EQ(NbObject(), 0);
}
