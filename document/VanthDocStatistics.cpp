#include "document/VanthDoc.h"

#include "app/dialogs/DlgEmbeddedCoding.h"
#include "app/dialogs/DlgQuantization.h"
#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "app/resources/Resource.h"
#include "compression/Quantizer.h"
#include "compression/VertexTree.h"
#include "mesh/ColorRamp.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "platform/ui/WaitCursor.h"

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

std::optional<int> AskBits()
{
  CDlgQuantization dialog;
  if (dialog.DoModal() != platform::IDOK)
    return std::nullopt;
  return dialog.m_Bits;
}

int Levels(int bits)
{
  return static_cast<int>(std::pow(2.0, bits));
}

// A copy of the mesh with its adjacency, for the multi-mesh commands.
std::unique_ptr<CMesh3d> CopyWithAdjacency(const CMesh3d* pSource)
{
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(pSource);
  pCopy->BuildAdjacency();
  return pCopy;
}

} // namespace

void CVanthDoc::RegisterStatisticsCommands()
{
  const std::pair<unsigned, void (CVanthDoc::*)()> onMesh[] = {
    {ID_STATISTICS_DEGREE_HISTOGRAM, &CVanthDoc::OnStatisticsDegreeHistogram},
    {ID_STATISTICS_EXCURSION, &CVanthDoc::OnStatisticsExcursion},
    {ID_STATISTICS_EXCURSION_DELTA, &CVanthDoc::OnStatisticsExcursionDelta},
    {ID_HIGHLIGHT_ORDER_EDGES, &CVanthDoc::OnHighlightOrderEdges},
    {ID_HIGHLIGHT_ORDER_RAMP, &CVanthDoc::OnHighlightOrderRamp},
    {ID_SPANNING_EDGE_LENGTH, &CVanthDoc::OnSpanningEdgeLength},
    {ID_SPANNING_ROOT_DISTANCE, &CVanthDoc::OnSpanningRootDistance},
    {ID_RINGS_PASTELS, &CVanthDoc::OnRingsPastels},
    {ID_RINGS_GREY, &CVanthDoc::OnRingsGrey},
    {ID_SPANNING_FAST_CONNECT, &CVanthDoc::OnSpanningFastConnect},
    {ID_GAP_RINGS, &CVanthDoc::OnGapRings},
    {ID_GAP_RINGS_MULTI_MESH, &CVanthDoc::OnGapRingsMultiMesh},
    {ID_GAP_RINGS_NO_GAP, &CVanthDoc::OnGapRingsNoGap},
    {ID_QUANTIZE_LINEAR, &CVanthDoc::OnQuantizeLinear},
    {ID_QUANTIZE_LINEAR_MULTI, &CVanthDoc::OnQuantizeLinearMulti},
    {ID_QUANTIZE_DELTA_TREE, &CVanthDoc::OnQuantizeDeltaTree},
    {ID_QUANTIZE_DELTA_TREE_MULTI, &CVanthDoc::OnQuantizeDeltaTreeMulti},
    {ID_TREE_PULL_PUSH_ROOT, &CVanthDoc::OnTreePullPushRoot},
    {ID_TREE_PULL_PUSH_NO_REORDER, &CVanthDoc::OnTreePullPushNoReorder},
    {ID_TREE_PULL_PUSH_DELTA, &CVanthDoc::OnTreePullPushDelta},
    {ID_TREE_PULL_PUSH_QUANTIZATION, &CVanthDoc::OnTreePullPushQuantization},
    {ID_TREE_PULL_PUSH_DELTA_QUANTIZATION, &CVanthDoc::OnTreePullPushDeltaQuantization},
    {ID_TREE_EXCURSION, &CVanthDoc::OnTreeExcursion},
    {ID_TREE_EXCURSION_DELTA, &CVanthDoc::OnTreeExcursionDelta},
    {ID_TREE_SHOW_DELTA, &CVanthDoc::OnTreeShowDelta},
  };
  for (const auto& [id, handler] : onMesh)
    OnCommand(id, handler, TYPE_MESH3D);
  OnCommand(ID_QUANTIZER_TRACE_RANDOM, &CVanthDoc::OnQuantizerTraceRandom, kAlways);
  OnCommand(ID_QUANTIZER_EMBEDDED_CODING, &CVanthDoc::OnQuantizerEmbeddedCoding, kAlways);
}

// The dialog's own buttons do the work.
void CVanthDoc::OnQuantizerEmbeddedCoding()
{
  CDlgEmbeddedCoding dialog;
  dialog.DoModal();
}

int CVanthDoc::SeedVertex(const CMesh3d* pMesh)
{
  if (m_HighlightVertexIndex < 0 || m_HighlightVertexIndex >= pMesh->NbVertex())
    m_HighlightVertexIndex = 0;
  return m_HighlightVertexIndex;
}

void CVanthDoc::OnStatisticsDegreeHistogram()
{
  if (CMesh3d* pMesh = GetFirstMesh())
    pMesh->ValenceDistribution();
}

void CVanthDoc::ExcursionInMeshOrder(const char* fileName, int delta)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  pMesh->BuildVertexRun(&tree);
  tree.Dump();
  tree.BuildExcursion(fileName, delta);
}

void CVanthDoc::OnStatisticsExcursion()
{
  ExcursionInMeshOrder("original_order_absolute.dat", 0);
}

void CVanthDoc::OnStatisticsExcursionDelta()
{
  ExcursionInMeshOrder("original_order_delta.dat", 1);
}

void CVanthDoc::OnHighlightOrderEdges()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || pMesh->NbVertex() == 0)
    return;
  platform::CWaitCursor wait;
  CVectorSet3d* pSet = pMesh->GetVectorSetVertexOrder();
  if (!pSet)
    return;
  pSet->SetLengthRatio(1.0f);
  pSet->SetColor(CColor(255, 255, 255));
  pSet->SetName("StringBetweenVertices");
  pSet->SetTransform(*pMesh->GetTransform());
  m_SceneGraph.Add(pSet);
  InvalidateViews();
}

void CVanthDoc::OnHighlightOrderRamp()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  auto pSet = std::make_unique<CVertexSet3d>();
  pSet->SetMesh(pMesh);
  CColorRamp ramp;
  ramp.BuildRainbow();
  const int n = pMesh->NbVertex();
  for (int i = 0; i < n; i++) {
    // A lone vertex takes the first entry.
    const int k = n > 1 ? static_cast<int>(static_cast<double>(i) / (n - 1) * 255.0) % 256 : 0;
    const CVertex3d* v = pMesh->GetVertex(i);
    auto* pCopy = new CVertex3d(v->x(), v->y(), v->z());
    pCopy->SetColor(ramp.Red(k), ramp.Green(k), ramp.Blue(k));
    pSet->AddVertex(pCopy, static_cast<float>(0.2 * v->GetMeanLengthEdgeAround()));
  }
  m_SceneGraph.Add(pSet.release());
  InvalidateViews();
}

void CVanthDoc::SpanningTreeExcursions(int criterion, const char* deltaFile,
                                        const char* absoluteFile)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  CVertexSet3d* pDisplay = pMesh->BuildSpanningTree(&tree, criterion, SeedVertex(pMesh), 1);
  tree.Dump();
  tree.BuildExcursion(deltaFile, 1);
  tree.BuildExcursion(absoluteFile, 0);
  if (pDisplay)
    m_SceneGraph.Add(pDisplay);
  InvalidateViews();
}

void CVanthDoc::OnSpanningEdgeLength()
{
  SpanningTreeExcursions(0, "edge_length_delta.dat", "edge_length_absolute.dat");
}

void CVanthDoc::OnSpanningRootDistance()
{
  SpanningTreeExcursions(1, "root_distance_delta.dat", "root_distance_absolute.dat");
}

CMesh3d* CVanthDoc::RingsInPastels()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return nullptr;
  pMesh->ConcentricRings(SeedVertex(pMesh));
  pMesh->ColorFacesByFlagPalette();
  return pMesh;
}

void CVanthDoc::OnRingsPastels()
{
  platform::CWaitCursor wait;
  if (RingsInPastels())
    InvalidateViews();
}

void CVanthDoc::OnRingsGrey()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  pMesh->ConcentricRings(SeedVertex(pMesh));
  pMesh->ColorFacesByFlagRamp();
  InvalidateViews();
}

void CVanthDoc::OnSpanningFastConnect()
{
  platform::CWaitCursor wait;
  CMesh3d* pMesh = RingsInPastels();
  if (!pMesh)
    return;
  if (CVertexSet3d* pPaths = pMesh->GetSpanningFromConcentricRingsStraight(1, 3))
    m_SceneGraph.Add(pPaths);
  InvalidateViews();
}

void CVanthDoc::AddGaps(const std::vector<float>& ratios)
{
  platform::CWaitCursor wait;
  CMesh3d* pMesh = RingsInPastels();
  if (!pMesh)
    return;
  for (float ratio : ratios)
    if (CMesh3d* pCut = pMesh->IntroduceGap(ratio))
      m_SceneGraph.Add(pCut);
  InvalidateViews();
}

void CVanthDoc::OnGapRings()
{
  AddGaps({0.1f});
}

void CVanthDoc::OnGapRingsMultiMesh()
{
  std::vector<float> ratios;
  for (int k = 0; k <= 9; k++)
    ratios.push_back(static_cast<float>(k / 9.0 * 0.25));
  AddGaps(ratios);
}

void CVanthDoc::OnGapRingsNoGap()
{
  AddGaps({0.0f});
}

void CVanthDoc::OnQuantizeLinear()
{
  const std::optional<int> bits = AskBits();
  CMesh3d* pMesh = GetFirstMesh();
  if (!bits || !pMesh)
    return;
  platform::CWaitCursor wait;
  pMesh->QuantizeCoordinates(Levels(*bits));
  pMesh->BuildAdjacency();
  pMesh->ComputeFaceNormals();
  pMesh->ComputeVertexNormals();
  InvalidateViews();
}

void CVanthDoc::OnQuantizeLinearMulti()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  for (int bits = 2; bits <= 16; bits++) {
    std::unique_ptr<CMesh3d> pCopy = CopyWithAdjacency(pMesh);
    pCopy->QuantizeCoordinates(Levels(bits));
    pCopy->ComputeFaceNormals();
    pCopy->ComputeVertexNormals();
    pCopy->SetName(platform::Format("%d bits", bits));
    m_SceneGraph.Add(pCopy.release());
  }
  InvalidateViews();
}

void CVanthDoc::OnQuantizeDeltaTree()
{
  const std::optional<int> bits = AskBits();
  CMesh3d* pMesh = GetFirstMesh();
  if (!bits || !pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  pMesh->BuildSpanningTree(&tree, 1, SeedVertex(pMesh), 0);
  tree.Dump();
  tree.QuantizeDelta(*bits);
  pMesh->PushVertexTree(&tree, 1);
  InvalidateViews();
}

void CVanthDoc::OnQuantizeDeltaTreeMulti()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  const int seed = SeedVertex(pMesh);
  for (int bits = 2; bits <= 16; bits++) {
    std::unique_ptr<CMesh3d> pCopy = CopyWithAdjacency(pMesh);
    CVertexTree tree;
    pCopy->BuildSpanningTree(&tree, 1, seed, 0);
    tree.Dump();
    tree.QuantizeDelta(bits);
    pCopy->PushVertexTree(&tree, 1);
    pCopy->ComputeFaceNormals();
    pCopy->ComputeVertexNormals();
    pCopy->SetName(platform::Format("%d bits", bits));
    m_SceneGraph.Add(pCopy.release());
  }
}

void CVanthDoc::OnQuantizerTraceRandom()
{
  constexpr int kCount = 100;
  std::vector<std::vector<float>> arrays(17, std::vector<float>(kCount));
  for (float& value : arrays[0])
    value = static_cast<float>(platform::Rand()) / 32767.0f;
  for (int b = 1; b <= 16; b++) {
    arrays[b] = arrays[0];
    CQuantizer::Quantize(b, arrays[b].data(), kCount);
  }
}

// The pull-and-push commands: a tree of the mesh's own vertices, transformed, then pushed back
// in the tree's order.
void CVanthDoc::PullAndPush(int reorder, const std::function<void(CVertexTree&)>& transform)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  if (reorder)
    pMesh->BuildSpanningTree(&tree, 1, SeedVertex(pMesh), 0);
  else
    pMesh->BuildVertexRun(&tree);
  tree.Dump();
  if (transform)
    transform(tree);
  pMesh->PushVertexTree(&tree, 1);
  InvalidateViews();
}

void CVanthDoc::OnTreePullPushRoot()
{
  PullAndPush(1, {});
}

void CVanthDoc::OnTreePullPushNoReorder()
{
  PullAndPush(0, {});
}

void CVanthDoc::OnTreePullPushDelta()
{
  PullAndPush(1, [](CVertexTree& tree) {
    tree.MakeDelta(0);
    tree.MakeDelta(1);
  });
}

void CVanthDoc::OnTreePullPushQuantization()
{
  if (const std::optional<int> bits = AskBits())
    PullAndPush(1, [&](CVertexTree& tree) { tree.Quantize(*bits, 1); });
}

void CVanthDoc::OnTreePullPushDeltaQuantization()
{
  if (const std::optional<int> bits = AskBits())
    PullAndPush(1, [&](CVertexTree& tree) {
      tree.MakeDelta(0);
      tree.Quantize(*bits, 0);
      tree.MakeDelta(1);
    });
}

void CVanthDoc::TreeExcursion(int delta)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  pMesh->BuildSpanningTree(&tree, 1, SeedVertex(pMesh), 0);
  tree.Dump();
  // The delta command writes the absolute excursion too, before its own.
  tree.BuildExcursion("vertex_root_absolute.dat", 0);
  if (delta) {
    tree.MakeDelta(0);
    tree.BuildExcursion("vertex_root_delta.dat", 1);
    tree.MakeDelta(1);
  }
  InvalidateViews();
}

void CVanthDoc::OnTreeExcursion()
{
  TreeExcursion(0);
}

void CVanthDoc::OnTreeExcursionDelta()
{
  TreeExcursion(1);
}

void CVanthDoc::OnTreeShowDelta()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  CVertexTree tree;
  pMesh->BuildSpanningTree(&tree, 1, SeedVertex(pMesh), 0);
  tree.Dump();
  tree.MakeDelta(0);
  if (CVectorSet3d* pSet = tree.ShowDelta(1))
    m_SceneGraph.Add(pSet);
  tree.MakeDelta(1);
  InvalidateViews();
}
