#include "tests/document/CommandFixture.h"

#include "app/resources/Menus.h"

#include <QAction>

#include <set>

namespace {

using CMenuCoverageTest = CCommandFixture;

// The surface simplification, subdivision and modification menus, their debug entries and
// the predefined shapes: every one of these must have a handler.
const std::set<unsigned> kRequired = {
  ID_SIMPLIFICATION_PROGRESSIVE_MESH, ID_SIMPLIFICATION_VOLUMIC, ID_SIMPLIFICATION_EDGE_COLLAPSE,
  ID_SIMPLIFICATION_INDEPENDENT_COLLAPSES, ID_SIMPLIFICATION_VERTEX_REMOVALS,
  ID_SIMPLIFICATION_EDGE_BASED, ID_DEBUG_VOLUMIC_METRIC,
  ID_SUBDIVISION_LOOP, ID_LOOP_ADAPTIVE_RANDOM, ID_LOOP_ADAPTIVE_CURVATURE, ID_LOOP_MULTIPLE,
  ID_SUBDIVISION_SIMPLE, ID_V3_FLIP_EDGES, ID_V3_ALONE, ID_V3_ALPHA_2_9, ID_V3_ALPHA_1_3,
  ID_V3_MAX_VERTICES, ID_V3_PARAMETERS, ID_V3_PIECEWISE, ID_V3_SILHOUETTE_1_ITER,
  ID_V3_SILHOUETTE_4_ITERS, ID_V3_SILHOUETTE_4_ITERS_NO_DEBUG, ID_V3_SILHOUETTE_PARAMETERS,
  ID_V3_UNDO, ID_V3_RECURSIVE_UNDO, ID_V3_REGULARIZE,
  ID_MODIFICATION_SMOOTH, ID_MODIFICATION_MULTIPLE_SMOOTH, ID_REMOVE_FACES_1_NEIGHBOR,
  ID_REMOVE_FACES_2_NEIGHBORS, ID_REMOVE_FACES_NO_NEIGHBOR, ID_ALGORITHMS_REBUILD,
  ID_ALGORITHMS_CLEANUP, ID_ALGORITHMS_CHECK, ID_COLOR_CURVATURE, ID_COLOR_HEIGHT,
  ID_COLOR_NORMAL_SPACE, ID_COLOR_COMPACITY, ID_COLOR_VERTICES_FROM_FACES,
  ID_ALGORITHMS_HIGHLIGHT_REMOVABLE, ID_ALGORITHMS_HIGHLIGHT_VERTICES, ID_ALGORITHMS_HASH_TABLE,
  ID_DEBUG_PSEUDO_HASH_TABLE, ID_PREDEFINED_MAP, ID_PREDEFINED_PEAKS_MAP, ID_PREDEFINED_BOX,
  ID_PREDEFINED_MAP_FROM_IMAGE};

} // namespace

// Every entry of the document menu is handled by a window, the document or the application;
// an unhandled one would stay greyed.
TEST_F(CMenuCoverageTest, EveryEntryOfTheAlgorithmMenusHasAHandler)
{
  std::set<unsigned> entries;
  for (const platform::SMenuItem& item : GetDocumentMenu())
    if (item.Id != 0)
      entries.insert(item.Id);
  for (unsigned id : kRequired)
    EXPECT_EQ(entries.count(id), 1u) << "command " << id << " is not in the menu";

  int missing = 0;
  for (unsigned id : entries) {
    const bool handled = Frame()->QueryCommand(id).m_Handled;
    missing += !handled;
    EXPECT_TRUE(handled) << "command " << id << " has no handler";
  }
  EXPECT_EQ(missing, 0) << "of " << entries.size() << " menu commands";
}

TEST_F(CMenuCoverageTest, CommandsRunFromTheMenuAndTheirAccelerators)
{
  CMesh3d* pMesh = SetTetrahedron();
  QAction* pAction = Frame()->GetCommandAction(ID_SUBDIVISION_LOOP, "Std");
  ASSERT_NE(pAction, nullptr);
  pAction->trigger();
  EXPECT_EQ(pMesh->NbFace(), 16);

  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_L, Qt::ControlModifier));
  EXPECT_EQ(pMesh->NbFace(), 64);
  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_3, Qt::KeypadModifier));  // V3 alone
  EXPECT_EQ(pMesh->NbFace(), 3 * 64);
  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_W, Qt::ControlModifier));  // smooth
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Greyed commands do not run from their keys.
  m_pDoc->EmptyScene();
  Frame()->TranslateAccelerator(Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(NbObject(), 0);
}
