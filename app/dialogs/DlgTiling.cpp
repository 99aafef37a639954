#include "app/dialogs/DlgTiling.h"

CDlgTiling::CDlgTiling()
  : CDialog(173, "Tiling")
{
  m_Fields.Unsigned(1078, "Vertex seed", m_VertexSeed, 0)
    .Check(1103, "Multi-mesh", m_MultiMesh, 0)
    .Unsigned(1079, "", m_SeedFrom, 0)
    .Unsigned(1080, "", m_SeedTo, 20)
    .Check(1104, "Retain min # tiles", m_RetainMinNbTile, 0)
    .Check(1105, "Split polygons", m_SplitPolygons, 0)
    .Check(1106, "Generate mesh", m_GenerateMesh, 0)
    .Check(1107, "Recursive mesh", m_RecursiveMesh, 0)
    .Int(1081, "", m_RecursionDepth, 3);
}
