#include "document/VanthDoc.h"

#include "app/dialogs/DlgMeshStructureCoding.h"
#include "app/resources/Resource.h"
#include "compression/StructureCoder.h"
#include "compression/VertexTree.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"

#include <algorithm>
#include <memory>

using platform::StatusMessage;

namespace {

// Above this, the markers (a sphere each) would cost each repaint more than the coding.
constexpr int kMaxVertexForMarkers = 5000;

CStructureCoder::SOptions OptionsOf(const CDlgMeshStructureCoding& dialog, CRenderView* pView)
{
  CStructureCoder::SOptions options;
  options.m_EncourageFull = dialog.m_EncourageFull;
  options.m_pView = pView;
  options.m_VisualDebug = dialog.m_VisualDebugging;
  options.m_VisualDelay = static_cast<int>(dialog.m_VisualDelay);
  options.m_UpdateClient = std::max(static_cast<int>(dialog.m_UpdateEach), 1);
  return options;
}

} // namespace

void CVanthDoc::RegisterStructureCodingCommands()
{
  OnCommand(ID_STRUCTURE_ENCODE, &CVanthDoc::OnStructureEncode, TYPE_MESH3D);
  OnCommand(ID_STRUCTURE_DECODE, &CVanthDoc::OnStructureDecode, kAlways);
}

void CVanthDoc::OnStructureEncode()
{
  CDlgMeshStructureCoding dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  // The coder runs on the user-interface thread only: say so rather than do nothing.
  if (dialog.m_Multithreading) {
    platform::MessageBox("Multithreading is not available: untick it to encode");
    return;
  }
  CStructureCoder::SOptions options = OptionsOf(dialog, GetOwnRenderView());
  CVertexTree tree;
  platform::CWaitCursor wait;
  if (!dialog.m_MultipleSeedFace) {
    const int seed = dialog.m_UseSeedFace ? static_cast<int>(dialog.m_SeedFace) : m_HighlightFaceIndex;
    if (seed < 0 || seed >= pMesh->NbFace()) {
      platform::MessageBox(platform::Format("Invalid seed face %d: the mesh has %d faces", seed,
                                            pMesh->NbFace()));
      return;
    }
    // Visual debugging leaves its markers and segments in the scene. Every repaint draws the
    // whole marker set again, so a large mesh shows its vertices' colours only, or the
    // repaints would take the run over. Without a result to fill, the coder shows its own
    // report.
    if (pMesh->NbVertex() <= kMaxVertexForMarkers)
      options.m_pSceneGraph = &m_SceneGraph;
    CStructureCoder coder;
    if (coder.Encode(pMesh, dialog.m_FileName.c_str(), &tree, seed, options))
      pMesh->PushVertexTree(&tree, 0);
    else
      platform::MessageBox(coder.GetRefusal().empty() ? "This mesh cannot be coded"
                                                      : coder.GetRefusal());
    InvalidateViews();
    return;
  }
  // One set pair per seed face would bury the mesh: the runs over every seed colour the
  // vertices only.
  std::string table = "Seed\tBoundary\tNbVertexNeighbor\tNbOffset\tNbGhost\tCost\r\n";
  for (int i = 0; i < pMesh->NbFace(); i++) {
    CStructureCoder coder;
    CStructureCoder::SResult result;
    coder.Encode(pMesh, dialog.m_FileName.c_str(), &tree, i, options, &result);
    const CFace3d* pFace = pMesh->GetFace(i);
    table += platform::Format("%d\t%d\t%d\t%d\t%d\t%g\r\n", i, pFace->HasBoundaryVertex() ? 1 : 0,
                              pFace->SumValence(), result.m_NbOffset, result.m_NbGhost,
                              result.m_BitsPerFace);
    // An interrupted run leaves its rows on the clipboard.
    CopyTextToClipboard(table);
  }
}

void CVanthDoc::OnStructureDecode()
{
  CDlgMeshStructureCoding dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  auto pMesh = std::make_unique<CMesh3d>();
  if (const CMesh3d* pFirst = GetFirstMesh())
    pMesh->SetTransform(pFirst->GetTransform());
  CMesh3d* pDecoded = pMesh.get();
  const CStructureCoder::SOptions options = OptionsOf(dialog, GetOwnRenderView());
  double seconds = 0.0;
  int decoded = 0;
  {
    platform::CWaitCursor wait;
    decoded = ReplaceSceneByDecoding(pMesh.release(), [&] {
      CStructureCoder coder;
      return coder.Decode(pDecoded, dialog.m_FileName.c_str(), options, &seconds);
    });
  }
  if (!decoded) {
    StatusMessage("End decoding...failed");
    platform::MessageBox(platform::Format("Unable to decode %s", dialog.m_FileName.c_str()));
    InvalidateViews();
    return;
  }
  pDecoded->Rebuild();
  InvalidateViews();
  StatusMessage("End decoding...%g s", seconds);
}
