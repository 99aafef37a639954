// Layer decoding of the progressive coder: the conquest replayed on the coarser mesh with a
// layer's codes, re-inserting the removed vertices; and its simulation in the encoder.
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Redraw.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

// True when some face of a other than those flagged 2 (about to go) holds the edge b -> a.
int HasLiveEdge(const CVertex3d* a, const CVertex3d* b)
{
  for (int i = 0; i < a->NbFaceNeighbor(); i++) {
    const CFace3d* f = a->GetFaceNeighbor(i);
    if (f->GetFlag() != 2 && CProgressiveGate::FaceHasEdge(f, b, a))
      return 1;
  }
  return 0;
}

} // namespace

// A face of the re-insertion: its vertices learn of it only at the end of the layer, as they
// would from a rebuilt adjacency, so that the conquest of this layer never sees it.
void CProgressiveCoder::AddLayerFace(CVertex3d* a, CVertex3d* b, CVertex3d* c)
{
  auto* pNew = new CFace3d(a, b, c, 3);
  m_pMesh->AddFace(pNew);
  // Replaying a whole stream, the conquest asks no vertex for its neighbours (the seed edge
  // is in the base mesh) and the adjacency is rebuilt at the end.
  if (!m_DeferVertexNeighbors)
    pNew->AddVertexNeighbors();
  m_LayerNewFaces.push_back(pNew);
}

void CProgressiveCoder::ReplaceLayerFace(CFace3d* pFace)
{
  pFace->SetFlag(2);
  m_LayerOldFaces.push_back(pFace);
}

// The vertices' face lists after a layer: the replaced faces leave them, the new faces join.
// The conquest needs nothing else of the adjacency (vertex neighbours only gain edges); the
// whole of it is rebuilt once the mesh is complete.
void CProgressiveCoder::EndLayerFaces()
{
  m_CornersValid = 0;
  for (CFace3d* f : m_LayerOldFaces)
    for (int k = 0; k < 3; k++)
      f->v(k)->RemoveFaceNeighbor(f);
  for (CFace3d* f : m_LayerNewFaces)
    if (f->GetFlag() != 2)
      for (int k = 0; k < 3; k++)
        f->v(k)->AddFaceNeighbor(f);
  m_pMesh->RemoveFacesWithFlag(2);
  m_LayerOldFaces.clear();
  m_LayerNewFaces.clear();
  m_pMesh->SetModified();
}

int CProgressiveCoder::DecodeLayers(CMesh3d* pMesh)
{
  m_pMesh = pMesh;
  m_GeometryAvailable = 1;
  m_DeferVertexNeighbors = 1;
  int ok = 1;
  for (int layer = NbLayer() - 1; layer >= 0 && ok; layer--)
    ok = ReinsertLayer(layer);
  m_DeferVertexNeighbors = 0;
  pMesh->Rebuild();
  return ok;
}

void CProgressiveCoder::InitDecodingGates()
{
  ClearGates();
  m_LayerOldFaces.clear();
  m_LayerNewFaces.clear();
  m_CodeCursor = 0;
  m_GeometryCursor = 0;
  m_DecodeError = 0;
  m_GateType = m_pCurrentCodes->GetGateType();
  ListCorners();
  m_pMesh->SetFacesFlag(0);
  m_pMesh->SetVerticesFlag(0);
  m_pMesh->SetVerticesMark(0);
  if (m_pMesh->NbVertex() >= 2 && m_pMesh->GetVertex(0)->IsNeighbor(m_pMesh->GetVertex(1)))
    SeedGates();
}

// Replays one layer; 1 when every code and every geometry record was used, nothing else.
int CProgressiveCoder::ReinsertLayer(int layer)
{
  m_pCurrentCodes = m_LayerCodes[layer].get();
  m_pCurrentGeometry = layer < static_cast<int>(m_LayerGeometry.size())
                           ? m_LayerGeometry[layer].get()
                           : nullptr;
  InitDecodingGates();
  while (DecodeStep(0)) {
  }
  EndLayerFaces();
  if (m_DecodeError || m_CodeCursor != m_pCurrentCodes->NbCode())
    return 0;
  return !m_GeometryAvailable || (m_pCurrentGeometry &&
                                  m_GeometryCursor == m_pCurrentGeometry->NbRecord());
}

int CProgressiveCoder::DecodeStep(int simulation)
{
  if (m_GateHead == m_Gates.size() || m_DecodeError)
    return 0;
  // A copy: the gates pushed while it is decoded may move the queue.
  CProgressiveGate gate = m_Gates[m_GateHead++];
  return DecodeGate(&gate, simulation);
}

int CProgressiveCoder::DecodeGate(CProgressiveGate* pGate, int simulation)
{
  m_GateBorder.RemoveAll();
  CFace3d* pFace = FrontFace(pGate->GetFirst(), pGate->GetSecond());
  if (!pFace || pFace->GetFlag() != 0 || m_CodeCursor >= m_pCurrentCodes->NbCode())
    return 1;
  CVertex3d* w = pFace->GetVertexOther(pGate->GetFirst(), pGate->GetSecond());
  if (!w)
    return 1;
  const unsigned int code = m_pCurrentCodes->GetCode(m_CodeCursor);
  if (code == 2) {
    if (simulation)
      MarkRemovable(pGate);
    NullPatch(pGate, pFace, w, 3);
    m_CodeCursor++;
    return 1;
  }
  if (code == 1)
    return DecodeBoundaryStep(pGate, pFace);
  if (code < 3 || code > 6) {
    m_DecodeError = 1;
    return 0;
  }
  // Where the pattern is missing the code waits for the next gate: an implied null patch.
  std::vector<CVertex3d*>& border = m_PatternBorder;
  std::vector<CFace3d*>& faces = m_PatternFaces;
  if (!FindPattern(pGate, static_cast<int>(code), &border, &faces)) {
    NullPatch(pGate, pFace, w, 3);
    return 1;
  }
  InsertVertex(pGate, border, faces);
  m_CodeCursor++;
  m_InsertedCount++;
  FineGrainRedraw();
  return 1;
}

// Simulation: a null code is removable when the valence coded next could not be re-inserted
// at this gate anyway.
void CProgressiveCoder::MarkRemovable(CProgressiveGate* pGate)
{
  for (int k = m_CodeCursor + 1; k < m_pCurrentCodes->NbCode(); k++) {
    const unsigned int next = m_pCurrentCodes->GetCode(k);
    if (next <= 2)
      continue;
    if (!FindPattern(pGate, static_cast<int>(next), &m_PatternBorder, &m_PatternFaces))
      m_Removable[m_CodeCursor] = 1;
    return;
  }
}

// Codes 1 then 5 or 6: a boundary vertex of valence 3 comes back on the border edge beside
// the front face, which that edge must still be.
int CProgressiveCoder::DecodeBoundaryStep(CProgressiveGate* pGate, CFace3d* pFace)
{
  const int cursor = m_CodeCursor + 1;
  const unsigned int side = cursor < m_pCurrentCodes->NbCode() ? m_pCurrentCodes->GetCode(cursor) : 0;
  CVertex3d* first = pGate->GetFirst();
  CVertex3d* second = pGate->GetSecond();
  const CFace3d* pFront = FrontFace(first, second);
  CVertex3d* w = pFront ? pFront->GetVertexOther(first, second) : nullptr;
  const int onFirstSide = side == 5;
  if ((side != 5 && side != 6) ||
      (onFirstSide ? HasLiveEdge(w, second) : HasLiveEdge(first, w))) {
    m_DecodeError = 1;
    return 0;
  }
  auto* v = new CVertex3d(0, 0, 0);
  std::vector<CVertex3d*> border{first, w, second};
  if (m_GeometryAvailable) {
    PlaceVertex(v, border, {{0, 1, 2}});
  } else {
    const CVertex3d* other = onFirstSide ? second : first;
    v->Set((w->x() + other->x()) / 2, (w->y() + other->y()) / 2, (w->z() + other->z()) / 2);
  }
  v->SetFlag(2);
  m_pMesh->AddVertex(v);
  AddLayerFace(first, v, second);
  if (onFirstSide) {
    AddLayerFace(v, first, w);
    PushGate(first, w);
  } else {
    AddLayerFace(v, w, second);
    PushGate(w, second);
  }
  ReplaceLayerFace(pFace);
  w->SetFlag(1);
  if (w->GetMark() == 0)
    w->SetMark(2);
  m_CodeCursor += 2;
  m_InsertedCount++;
  FineGrainRedraw();
  return 1;
}

// Finds the border and the faces of the retriangulation pattern of this valence in front of the
// gate; every face must be free and all of them and the border vertices distinct.
int CProgressiveCoder::FindPattern(CProgressiveGate* pGate, int valence,
                                   std::vector<CVertex3d*>* pBorder,
                                   std::vector<CFace3d*>* pFaces) const
{
  const CProgressivePattern& pattern = CProgressivePattern::Get(valence, pGate->GetTagPair());
  const auto& triangles = pattern.GetFaces();
  std::vector<CVertex3d*>& b = *pBorder;
  b.assign(valence, nullptr);
  b[0] = pGate->GetFirst();
  b[valence - 1] = pGate->GetSecond();
  pFaces->assign(triangles.size(), nullptr);
  for (size_t round = 0; round < triangles.size(); round++)
    for (size_t k = 0; k < triangles.size(); k++) {
      if ((*pFaces)[k])
        continue;
      const auto& t = triangles[k];
      for (int e = 0; e < 3 && !(*pFaces)[k]; e++) {
        CVertex3d* a = b[t[e]];
        CVertex3d* c = b[t[(e + 1) % 3]];
        if (!a || !c)
          continue;
        CFace3d* pFound = FrontFace(c, a);
        if (!pFound || pFound->GetFlag() != 0 ||
            std::find(pFaces->begin(), pFaces->end(), pFound) != pFaces->end())
          return 0;
        CVertex3d* pThird = pFound->GetVertexOther(a, c);
        CVertex3d*& slot = b[t[(e + 2) % 3]];
        if (slot && slot != pThird)
          return 0;
        if (!slot && std::find(b.begin(), b.end(), pThird) != b.end())
          return 0;
        slot = pThird;
        (*pFaces)[k] = pFound;
      }
    }
  for (const CFace3d* f : *pFaces)
    if (!f)
      return 0;
  return 1;
}

void CProgressiveCoder::InsertVertex(CProgressiveGate* pGate, const std::vector<CVertex3d*>& border,
                                     const std::vector<CFace3d*>& faces)
{
  const int n = static_cast<int>(border.size());
  const CProgressivePattern& pattern = CProgressivePattern::Get(n, pGate->GetTagPair());
  for (size_t k = 0; k < pattern.GetMarks().size(); k++)
    if (border[k + 1]->GetMark() == 0)
      border[k + 1]->SetMark(pattern.GetMarks()[k]);
  for (CVertex3d* w : border) {
    w->SetFlag(1);
    m_GateBorder.Add(w);
  }
  for (CFace3d* f : faces)
    ReplaceLayerFace(f);
  auto* v = new CVertex3d(0, 0, 0);
  if (m_GeometryAvailable) {
    PlaceVertex(v, border, pattern.GetFaces());
  } else {
    // Without geometry the vertex goes to the mean of its border.
    double sum[3] = {0, 0, 0};
    for (const CVertex3d* w : border)
      for (int k = 0; k < 3; k++)
        sum[k] += w->Get(k);
    v->Set(static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n),
           static_cast<float>(sum[2] / n));
  }
  v->SetFlag(2);
  m_pMesh->AddVertex(v);
  for (int i = 0; i < n; i++)
    AddLayerFace(v, border[(i + n - 1) % n], border[i]);
  PushGatesAfterRemoval();
}

// A re-inserted vertex from the stream: its quantized position from the next record, rebuilt in
// the frame of its border when the layer is predicted.
void CProgressiveCoder::PlaceVertex(CVertex3d* v, const std::vector<CVertex3d*>& border,
                                    const std::vector<std::array<int, 3>>& faces)
{
  if (!m_pCurrentGeometry || m_GeometryCursor >= m_pCurrentGeometry->NbRecord()) {
    m_DecodeError = 1;
    return;
  }
  CProgressiveVertexRecord& record = m_pCurrentGeometry->GetRecord(m_GeometryCursor++);
  // The encoder's own record still knows the removed vertex: it comes back where it was.
  if (const CVertex3d* pRemoved = record.GetVertex()) {
    v->Set(pRemoved->x(), pRemoved->y(), pRemoved->z());
    v->Set2(pRemoved->x2(), pRemoved->y2(), pRemoved->z2());
    return;
  }
  std::array<CProgressiveVertexRecord::Point, CProgressiveVertexRecord::kMaxBorder> points{};
  const size_t n = std::min(border.size(), points.size());
  for (size_t i = 0; i < n; i++)
    points[i] = {border[i]->x2(), border[i]->y2(), border[i]->z2()};
  record.SetFrame(std::span<const CProgressiveVertexRecord::Point>(points.data(), n), faces);
  const std::array<int, 3> p =
      m_pCurrentGeometry->IsPredicted() ? record.Reconstruct() : record.GetCoordinates();
  v->Set2(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
  v->Set(static_cast<float>(p[0]) * m_Scale[0] + m_Shift[0],
         static_cast<float>(p[1]) * m_Scale[1] + m_Shift[1],
         static_cast<float>(p[2]) * m_Scale[2] + m_Shift[2]);
}

void CProgressiveCoder::FineGrainRedraw()
{
  if (!m_pView || !m_FineGrain || m_FineGrainPeriod < 1 || m_InsertedCount % m_FineGrainPeriod)
    return;
  // The vertices must let go of the deleted faces before the conquest looks at them again;
  // adjacency touches no flag or mark, so the layer goes on as it was.
  m_pMesh->RemoveFacesWithFlag(2);
  m_pMesh->Rebuild();
  ListCorners();
  m_LayerOldFaces.clear();
  m_LayerNewFaces.clear();
  m_pMesh->SetModified();
  platform::RedrawView(m_pView);
}

// Replays every layer without geometry, finest last, to find the null codes the decoder can
// do without; the mesh is refined again on the way.
void CProgressiveCoder::SimulateDecoding()
{
  m_pView = nullptr;
  m_ColourPatches = 0;
  m_ColourCause = 0;
  m_FineGrain = 0;
  m_GeometryAvailable = 0;
  m_DeferVertexNeighbors = 1;
  DiscardEmptyLayers();
  for (int layer = NbLayer() - 1; layer >= 0; layer--) {
    m_pCurrentCodes = m_LayerCodes[layer].get();
    m_Removable.assign(m_pCurrentCodes->NbCode(), 0);
    InitDecodingGates();
    while (DecodeStep(1)) {
    }
    EndLayerFaces();
    RemoveUnusefulCodes(m_pCurrentCodes);
  }
  m_DeferVertexNeighbors = 0;
}

// Deletes each removable null code that directly precedes a removal once the deletions after
// it are made: scanned from the end, the code that follows is already final.
void CProgressiveCoder::RemoveUnusefulCodes(CProgressiveCodeList* pCodes)
{
  std::vector<unsigned int> kept;
  unsigned int next = 0;
  for (int i = pCodes->NbCode() - 1; i >= 0; i--) {
    const unsigned int code = pCodes->GetCode(i);
    if (code == 2 && next >= 3 && m_Removable[i])
      continue;
    kept.push_back(code);
    next = code;
  }
  std::reverse(kept.begin(), kept.end());
  // Only null codes go: the removals stay as they were.
  pCodes->SetCodes(std::move(kept), pCodes->NbRemoval());
}
