#include "document/VanthDoc.h"

#include "app/RenderView.h"
#include "app/dialogs/DlgIterations.h"
#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "app/resources/Resource.h"
#include "coding/OBitFile.h"
#include "coding/RangeEncoder.h"
#include "coding/StackRun.h"
#include "mesh/ColorRamp.h"
#include "mesh/Mesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "platform/ui/WaitCursor.h"

#include <chrono>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kSplitFrames = 20;

// A vertex's position and normal: one frame of the split.
struct SVertexState
{
  CVector3d Position;
  CVector3d Normal;
};

SVertexState StateOf(const CVertex3d* v)
{
  return {CVector3d(v->x(), v->y(), v->z()), *v->GetNormal()};
}

void SetState(CVertex3d* v, const SVertexState& state)
{
  v->Set(state.Position.x(), state.Position.y(), state.Position.z());
  v->GetNormal()->Set(state.Normal);
}

CVector3d Between(const CVector3d& a, const CVector3d& b, float t)
{
  return CVector3d(a.x() + (b.x() - a.x()) * t, a.y() + (b.y() - a.y()) * t,
                   a.z() + (b.z() - a.z()) * t);
}

void PauseOneMillisecond()
{
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The V3 classes of a vertex: smooth, on a crease, a corner, or on the boundary.
CColor ColorOfClass(int vertexClass)
{
  switch (vertexClass) {
  case 0: return CColor(255, 255, 255);
  case 1: return CColor(0, 255, 0);
  case 2: return CColor(255, 0, 0);
  default: return CColor(0, 0, 0);
  }
}

} // namespace

void CVanthDoc::RegisterErrorMeasureCommands()
{
  OnCommand(ID_ERROR_ON_FACES, &CVanthDoc::OnErrorOnFaces, TYPE_MESH3D);
  OnCommand(ID_ERROR_MOVE_MESH, &CVanthDoc::OnErrorMoveMesh, TYPE_MESH3D);
  OnCommand(ID_ERROR_ADAPTIVE_SUBDIVISION, &CVanthDoc::OnErrorAdaptiveSubdivision, TYPE_MESH3D);
  OnCommand(ID_LOOP_ADAPTIVE_ACTIVE_FACE, &CVanthDoc::OnLoopAdaptiveActiveFace, TYPE_MESH3D);
  OnCommand(ID_SUBDIVISION_FRACTAL, &CVanthDoc::OnSubdivisionFractal, TYPE_MESH3D);
  OnCommand(ID_V3_SIMULATE_SPLIT, &CVanthDoc::OnV3SimulateSplit, TYPE_MESH3D);
  OnCommand(ID_V3_SIMULATE_SPLIT_SWAP, &CVanthDoc::OnV3SimulateSplitSwap, TYPE_MESH3D);
  OnCommand(ID_V3_VERTEX_TYPES, &CVanthDoc::OnV3VertexTypes, TYPE_MESH3D);
  OnCommand(ID_V3_MESH_CONTROL, &CVanthDoc::OnV3MeshControl, TYPE_MESH3D);
  OnCommand(ID_PREDEFINED_QUADRILATERAL, &CVanthDoc::OnPredefinedQuadrilateral, kAlways);
  OnCommand(ID_ADVANCED_PEAKS, &CVanthDoc::OnAdvancedPeaks, kAlways);
  OnCommand(ID_ADVANCED_QUAD_PEAKS, &CVanthDoc::OnAdvancedQuadPeaks, kAlways);
  OnCommand(ID_ADVANCED_TRACE_ACTIVE_VERTEX, &CVanthDoc::OnAdvancedTraceActiveVertex, TYPE_MESH3D);
  OnCommand(ID_STACK_RUN_BINARY_EXPAND, &CVanthDoc::OnStackRunBinaryExpand, kAlways);
  OnCommand(ID_ARITHMETIC_SPARSE, &CVanthDoc::OnArithmeticSparse, kAlways);
}

CMesh3d* CVanthDoc::GetSecondMesh() const
{
  if (!GetFirstMesh() || m_SceneGraph.NbObject() < 2)
    return nullptr;
  CObject3d* pObject = m_SceneGraph.GetAt(1);
  return pObject->GetType() == TYPE_MESH3D ? static_cast<CMesh3d*>(pObject) : nullptr;
}

// The two-mesh measures compare object 0 with object 1; anything but a triangle mesh there
// leaves the scene as it is.
void CVanthDoc::OnErrorOnFaces()
{
  CMesh3d* pOther = GetSecondMesh();
  if (!pOther)
    return;
  platform::CWaitCursor wait;
  CMesh3d* pMesh = GetFirstMesh();
  std::unique_ptr<CVectorSet3d> pPerFace(pMesh->GetVectorSetErrorPerFace(pOther));
  std::unique_ptr<CVectorSet3d> pPerEdge(pMesh->GetVectorSetErrorPerEdge(pOther));
  if (pPerFace)
    m_SceneGraph.Add(pPerFace.release());
  if (pPerEdge)
    m_SceneGraph.Add(pPerEdge.release());
  InvalidateViews();
}

void CVanthDoc::OnErrorMoveMesh()
{
  CMesh3d* pOther = GetSecondMesh();
  if (!pOther)
    return;
  platform::CWaitCursor wait;
  GetFirstMesh()->MoveVerticesOnMesh(pOther);
  GetFirstMesh()->SetModified(1);
  InvalidateViews();
}

// The faces still far from object 1 once object 0 lies on it are those split.
void CVanthDoc::OnErrorAdaptiveSubdivision()
{
  CMesh3d* pOther = GetSecondMesh();
  if (!pOther)
    return;
  platform::CWaitCursor wait;
  CMesh3d* pMesh = GetFirstMesh();
  pMesh->MoveVerticesOnMesh(pOther);
  // Only the face flags of the measure are wanted: they select the faces to split.
  const std::unique_ptr<CVectorSet3d> pErrors(pMesh->GetVectorSetErrorPerFace(pOther));
  pMesh->SubdivisionAdaptive(1);
  pMesh->Rebuild();
  InvalidateViews();
}

// The highlighted face may be left from another mesh: an index outside this one splits
// nothing.
void CVanthDoc::OnLoopAdaptiveActiveFace()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh || m_HighlightFaceIndex < 0 || m_HighlightFaceIndex >= pMesh->NbFace())
    return;
  pMesh->GetFace(m_HighlightFaceIndex)->SetFlag(1);
  platform::CWaitCursor wait;
  pMesh->SubdivisionAdaptive(1);
  pMesh->Rebuild();
  InvalidateViews();
}

void CVanthDoc::OnSubdivisionFractal()
{
  platform::CWaitCursor wait;
  for (int i = 0; i < m_SceneGraph.NbObject(); i++) {
    CObject3d* pObject = m_SceneGraph.GetAt(i);
    if (pObject->GetType() == TYPE_MESH3D)
      static_cast<CMesh3d*>(pObject)->SubdivisionFractal();
  }
  InvalidateViews();
}

void CVanthDoc::OnV3SimulateSplit()
{
  SimulateSplit(0);
}

void CVanthDoc::OnV3SimulateSplitSwap()
{
  SimulateSplit(1);
}

// One V3 step on the last object, shown as a geomorph: each new vertex starts on the old
// neighbour that has given its position to the fewest new vertices so far. The count of new
// vertices is read from the mesh, not assumed.
void CVanthDoc::SimulateSplit(int swap)
{
  const int last = m_SceneGraph.NbObject() - 1;
  if (last < 0 || m_SceneGraph.GetAt(last)->GetType() != TYPE_MESH3D)
    return;
  auto* pMesh = static_cast<CMesh3d*>(m_SceneGraph.GetAt(last));
  const int nbOld = pMesh->NbVertex();
  std::vector<SVertexState> initial;
  for (int i = 0; i < nbOld; i++)
    initial.push_back(StateOf(pMesh->GetVertex(i)));

  pMesh->SubdivisionV3(swap, 1, 0, nullptr, 0, 0.0f);
  pMesh->Rebuild();
  const int n = pMesh->NbVertex();
  if (n < nbOld)
    return;
  std::vector<SVertexState> final;
  for (int i = 0; i < n; i++)
    final.push_back(StateOf(pMesh->GetVertex(i)));

  pMesh->SetVerticesFlag(0);
  // Only the old vertices get a flag above 0: a new vertex starts from one of them, found by
  // its number here rather than by a search of the vertex array for each new vertex.
  std::unordered_map<const CVertex3d*, int> oldIndex;
  oldIndex.reserve(static_cast<size_t>(nbOld));
  for (int i = 0; i < nbOld; i++) {
    SetState(pMesh->GetVertex(i), initial[static_cast<size_t>(i)]);
    pMesh->GetVertex(i)->SetFlag(1);
    oldIndex.emplace(pMesh->GetVertex(i), i);
  }
  for (int i = nbOld; i < n; i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    CVertex3d* w = v->GetVertexNeighborMinFlagAbove(0);
    if (!w) {
      initial.push_back(final[static_cast<size_t>(i)]);
      continue;
    }
    w->SetFlag(w->GetFlag() + 1);
    initial.push_back(initial[static_cast<size_t>(oldIndex.at(w))]);
    SetState(v, initial.back());
  }

  for (int s = 1; s <= kSplitFrames; s++) {
    auto pFrame = std::make_unique<CMesh3d>();
    pFrame->Copy(pMesh);
    pFrame->BuildAdjacency();
    const float t = static_cast<float>(s) / kSplitFrames;
    for (int j = 0; j < n; j++) {
      const SVertexState& from = initial[static_cast<size_t>(j)];
      const SVertexState& to = final[static_cast<size_t>(j)];
      SetState(pFrame->GetVertex(j), {Between(from.Position, to.Position, t),
                                      Between(from.Normal, to.Normal, t)});
    }
    pFrame->SetModified(1);
    m_SceneGraph.Add(pFrame.release());
  }
  pMesh->SetModified(1);
  InvalidateViews();
}

void CVanthDoc::OnV3VertexTypes()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  auto pSet = std::make_unique<CVertexSet3d>();
  pSet->SetMesh(pMesh);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    const CColor color = ColorOfClass(v->Classify(0.5));
    pSet->AddColoredVertex(new CVertex3d(v), &color,
                           static_cast<float>(0.1 * v->GetMeanLengthEdgeAround()));
  }
  m_SceneGraph.Add(pSet.release());
  InvalidateViews();
}

// The control mesh stays on show, as points and edges, over the subdivided surface.
void CVanthDoc::OnV3MeshControl()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  platform::CWaitCursor wait;
  CArray3d<CEdge3d> edges;
  int hasBoundary = 0;
  pMesh->BuildArrayEdges(&edges, 0, 0, &hasBoundary);
  auto pVectors = std::make_unique<CVectorSet3d>();
  pVectors->SetTransform(*pMesh->GetTransform());
  auto pPoints = std::make_unique<CVertexSet3d>();
  pPoints->SetMesh(pMesh);
  const CColor red(255, 0, 0);
  for (int i = 0; i < pMesh->NbVertex(); i++) {
    const CVertex3d* v = pMesh->GetVertex(i);
    pPoints->AddColoredVertex(new CVertex3d(v), &red,
                              static_cast<float>(v->GetMeanLengthEdgeAround() / 30.0));
  }
  for (int i = 0; i < edges.GetSize(); i++)
    pVectors->AddVector(new CVertex3d(edges[i]->v1()), new CVertex3d(edges[i]->v2()));
  edges.DeleteAll();
  for (int i = 0; i < dialog.m_Iterations; i++)
    pMesh->SubdivisionV3(1, 1, 0, nullptr, 0, 0.0f);
  m_SceneGraph.Add(pVectors.release());
  m_SceneGraph.Add(pPoints.release());
  pMesh->SetModified(1);
  InvalidateViews();
}

void CVanthDoc::OnPredefinedQuadrilateral()
{
  auto pMesh = std::make_unique<CMesh3d>();
  pMesh->GenerateQuadrilateral();
  pMesh->Rebuild();
  EmptyScene();
  m_SceneGraph.Add(pMesh.release());
  InvalidateViews();
}

// The peaks surface, coloured by height, seen from a fixed angle.
void CVanthDoc::OnAdvancedPeaks()
{
  auto pMesh = std::make_unique<CMesh3d>();
  pMesh->GeneratePeaks(60, 60, -4.0f, 4.0f);
  pMesh->Range(0, -2.0f, 2.0f);
  pMesh->Range(1, -1.0f, 1.0f);
  pMesh->Range(2, -2.0f, 2.0f);
  EmptyScene();
  CMesh3d* pPeaks = pMesh.get();
  m_SceneGraph.Add(pMesh.release());
  m_HighlightVertexIndex = 0;
  m_HighlightFaceIndex = 0;
  pPeaks->BuildAdjacency();
  pPeaks->ComputeFaceNormals();
  pPeaks->ComputeVertexNormals();
  CColorRamp ramp;
  ramp.BuildRainbow();
  pPeaks->ColorHeight(&ramp);
  if (CRenderView* pView = GetOwnRenderView()) {
    pView->m_xRotation = 31.0f;
    pView->m_yRotation = -44.0f;
    pView->m_zRotation = 0.0f;
    pView->m_xTranslation = 0.02f;
    pView->m_yTranslation = 0.44f;
    pView->m_zTranslation = -6.0f;
    pView->m_xScaling = pView->m_yScaling = pView->m_zScaling = 1.0f;
  }
  InvalidateViews();
}

void CVanthDoc::OnAdvancedQuadPeaks()
{
  m_SceneGraph.Add(new CQuadMesh3d);
}

void CVanthDoc::OnAdvancedTraceActiveVertex()
{
  const CMesh3d* pMesh = GetFirstMesh();
  for (int i = 0; pMesh && i < pMesh->NbVertex(); i++)
    PauseOneMillisecond();
}

void CVanthDoc::OnStackRunBinaryExpand()
{
  CStackRun stackRun;
  stackRun.GenerateSignal(1000);
}

// A stress run of the range coder over a sparse alphabet: 128 of its 256 symbols are used.
// Only "trial.bin" remains.
void CVanthDoc::OnArithmeticSparse()
{
  constexpr int kNbSymbol = 256;
  constexpr int kNbCoded = 10000000;
  COBitFile file("trial.bin");
  CRangeEncoder encoder(kNbSymbol);
  encoder.StartHalf();
  std::vector<int> histogram(kNbSymbol, 0);
  for (int i = 0; i < kNbCoded; i++) {
    const auto symbol = static_cast<std::uint32_t>(platform::Rand() / 32767.0 * 127.0);
    histogram[symbol]++;
    encoder.Encode(symbol, &file);
  }
  encoder.Done(&file);
  file.FlushStream();
  file.Flush(0);
  file.GetTotalBits();
  for (int i = 0; i < kNbSymbol; i++)
    PauseOneMillisecond();
}
