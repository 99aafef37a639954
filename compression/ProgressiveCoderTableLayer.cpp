// The layer conquest of the progressive encoder on the index arrays of its layer table: the
// decisions, their order and the codes are those of ProcessGate and its helpers; only the
// reads and the layer's flags go to the table. Geometry and neighbour tests still read the
// vertices, for the few patches that get that far.
#include "compression/ProgressiveCoder.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <span>

int CProgressiveCoder::TableTagPair(STableGate gate) const
{
  return CProgressiveGate::TagPair(m_Table.Mark(gate.first), m_Table.Mark(gate.second));
}

void CProgressiveCoder::SeedTableGates(const CVertex3d* s0, const CVertex3d* s1)
{
  const int a = m_Table.IndexOf(s0);
  const int b = m_Table.IndexOf(s1);
  if (a < 0 || b < 0)
    return;
  m_Table.PushGate(a, b);
  m_Table.PushGate(b, a);
  m_Table.SetMark(a, 2);
  m_Table.SetMark(b, 1);
  m_Table.SetFlag(a, 1);
  m_Table.SetFlag(b, 1);
}

int CProgressiveCoder::EncodeTableStep()
{
  if (!m_Table.HasGate())
    return 0;
  const int r = ProcessTableGate(m_Table.PopGate());
  if (r != kNone && r != 1)
    m_pCurrentCodes->Add(static_cast<unsigned int>(r));
  return 1;
}

int CProgressiveCoder::TableNullPatch(STableGate gate, int face, int v, int cause)
{
  ColourCause(m_Table.Face(face), cause);
  m_Table.SetFlag(v, 1);
  m_Table.SetFaceFlag(face, 1);
  if (m_Table.Mark(v) == 0)
    m_Table.SetMark(v, TableTagPair(gate) == 2 ? 1 : 2);
  m_Table.PushGate(gate.first, v);
  m_Table.PushGate(v, gate.second);
  return 2;
}

int CProgressiveCoder::ProcessTableGate(STableGate gate)
{
  m_GateBorder.RemoveAll();
  m_GatePatchFaces.RemoveAll();
  const CProgressiveLayerTable::SCorner* pFront = m_Table.FrontCorner(gate.first, gate.second);
  if (!pFront || m_Table.FaceFlag(pFront->face) != 0)
    return kNone;
  const int face = pFront->face;
  // The front face's third corner, unless the face repeats a gate vertex.
  const int v = pFront->next;
  if (v == gate.first || v == gate.second)
    return kNone;
  if (m_Table.Flag(v) != 0)
    return TableNullPatch(gate, face, v, 3);
  const int valence = m_Table.Valence(v);
  if (m_HasBoundary && m_Table.IsOnBoundary(v)) {
    if (valence == 3 && 3 < m_MaxValence)
      return RemoveTableBoundaryVertex(gate, face, v);
    return TableNullPatch(gate, face, v, 1);
  }
  if (valence < 3 || valence > std::min(m_MaxValence, 6) ||
      (m_PureValence && valence != m_MaxValence))
    return TableNullPatch(gate, face, v, 1);
  if (!BuildTablePatch(gate, face, v, valence))
    return TableNullPatch(gate, face, v, 2);
  ColourPatch();
  const int concave = m_ForbidConcave && IsBorderConcave();
  const int degenerate = IsTableBorderDegenerate();
  if (concave || degenerate)
    return TableNullPatch(gate, face, v, degenerate ? 2 : 0);
  CVertex3d* pV = m_Table.Vertex(v);
  const int tag = TableTagPair(gate);
  if (m_ApplyRemoval && IsRetriangulationVetoed(tag, pV))
    return TableNullPatch(gate, face, v, m_ColourCause && !IsResidualSendable(tag, pV, valence) ? 5 : 4);
  if (!IsResidualSendable(tag, pV, valence))
    return TableNullPatch(gate, face, v, 5);
  if (m_ApplyRemoval)
    RetriangulateTable(tag);
  PushTableGatesAfterRemoval();
  const CArray3d<CVertex3d>* pBorder = &m_GateBorder;
  m_pCurrentGeometry->Add(CProgressiveVertexRecord(
      pV, std::span<CVertex3d* const>(pBorder->GetData(), static_cast<size_t>(pBorder->GetSize())),
      CProgressivePattern::Get(valence, TableTagPair(gate)).GetFaces()));
  m_Table.SetFlag(v, 2);
  for (int i = 1; i + 1 < pBorder->GetSize(); i++)
    m_Table.SetFlag(m_BorderId[static_cast<size_t>(i)], 1);
  for (int i = 0; i < m_GatePatchFaces.GetSize(); i++) {
    m_Table.SetFaceFlag(m_PatchFaceId[static_cast<size_t>(i)], 2);
    m_DeadFaces.push_back(m_GatePatchFaces.GetAt(i));
  }
  return valence;
}

// As RemoveBoundaryVertex.
int CProgressiveCoder::RemoveTableBoundaryVertex(STableGate gate, int face, int v)
{
  const int i = m_Table.IndexFrom(face, v);
  const int first = gate.first;
  const int second = gate.second;
  const int onFirstSide = m_Table.Across(face, i) < 0;
  const int g = onFirstSide ? m_Table.Across(face, (i + 2) % 3) : m_Table.Across(face, i);
  const int w = g >= 0 ? m_Table.VertexOther(g, onFirstSide ? first : second, v) : -1;
  if (w < 0 || m_Table.FaceFlag(g) != 0)
    return TableNullPatch(gate, face, v, 2);
  CVertex3d* pFirst = m_Table.Vertex(first);
  CVertex3d* pSecond = m_Table.Vertex(second);
  CVertex3d* pW = m_Table.Vertex(w);
  if (pW->IsNeighbor(onFirstSide ? pSecond : pFirst))
    return TableNullPatch(gate, face, v, 2);
  CVertex3d* const border[3] = {pFirst, pW, pSecond};
  const CProgressiveVertexRecord::Triangle triangle[1] = {{0, 1, 2}};
  CVertex3d* pV = m_Table.Vertex(v);
  if (!IsResidualSendable(pV, border, triangle))
    return TableNullPatch(gate, face, v, 5);
  if (onFirstSide)
    m_Table.PushGate(first, w);
  else
    m_Table.PushGate(w, second);
  m_pCurrentCodes->Add(1);
  m_pCurrentCodes->Add(onFirstSide ? 5 : 6);
  m_Table.SetFlag(v, 2);
  m_Table.SetFlag(w, 1);
  m_Table.SetFaceFlag(face, 2);
  m_Table.SetFaceFlag(g, 2);
  m_DeadFaces.push_back(m_Table.Face(face));
  m_DeadFaces.push_back(m_Table.Face(g));
  auto* pNew = new CFace3d(pFirst, pW, pSecond, 3);
  m_pMesh->AddFace(pNew);
  pNew->AddVertexNeighbors();
  m_NewFaces.push_back(pNew);
  m_Table.AddNewFace(pNew, first, w, second);
  if (m_Table.Mark(w) == 0)
    m_Table.SetMark(w, 2);
  m_pCurrentGeometry->Add(CProgressiveVertexRecord(pV, border, triangle));
  return 1;
}

// As BuildPatch: the border and faces go to m_GateBorder and m_GatePatchFaces, their indices
// beside them.
int CProgressiveCoder::BuildTablePatch(STableGate gate, int face, int v, int valence)
{
  auto add = [this](int vertex, int f) {
    m_BorderId[static_cast<size_t>(m_GateBorder.GetSize())] = vertex;
    m_PatchFaceId[static_cast<size_t>(m_GatePatchFaces.GetSize())] = f;
    m_GateBorder.Add(m_Table.Vertex(vertex));
    m_GatePatchFaces.Add(m_Table.Face(f));
  };
  add(gate.first, face);
  int current = face;
  int previous = gate.first;
  for (int k = 0; k < valence - 1; k++) {
    const int corner = m_Table.IndexFrom(current, previous);
    if (corner < 0)
      return 0;
    const int next = m_Table.Across(current, corner);
    if (next < 0 || !m_Table.HasVertex(next, v))
      return 0;
    for (int i = 0; i < m_GatePatchFaces.GetSize(); i++)
      if (m_PatchFaceId[static_cast<size_t>(i)] == next)
        return 0;
    const int nextVertex = m_Table.VertexOther(next, v, previous);
    if (nextVertex < 0)
      return 0;
    add(nextVertex, next);
    current = next;
    previous = nextVertex;
  }
  return previous == gate.second ? 1 : 0;
}

// As IsBorderDegenerate.
int CProgressiveCoder::IsTableBorderDegenerate() const
{
  const int n = m_GateBorder.GetSize();
  constexpr int kMaxBorder = 6;
  if (n > kMaxBorder)
    return 1;
  auto id = [this, n](int i) { return m_BorderId[static_cast<size_t>(i % n)]; };
  for (int i = 0; i < n; i++) {
    const int b0 = id(i);
    const int b1 = id(i + 1);
    const int b2 = id(i + 2);
    if (m_Table.Valence(b0) == 3 || b0 == b1 || b1 == b2 || b0 == b2)
      return 1;
  }
  std::array<int, kMaxBorder> front{};
  for (int i = 0; i < n; i++) {
    const CProgressiveLayerTable::SCorner* pFront = m_Table.FrontCorner(id(i), id(i + 1));
    front[static_cast<size_t>(i)] = pFront ? m_Table.VertexOther(pFront->face, id(i), id(i + 1)) : -1;
  }
  for (int i = 0; i < n; i++) {
    const int f1 = front[static_cast<size_t>(i)];
    const int f2 = front[static_cast<size_t>((i + 1) % n)];
    if (f1 >= 0 && f1 == f2 && m_Table.Flag(f1) == 2)
      return 1;
  }
  if (n < 4)
    return 0;
  for (int i = 0; i < n; i++)
    for (int j = i + 2; j < n; j++) {
      if (i == 0 && j == n - 1)
        continue;
      if (m_GateBorder.GetAt(i)->IsNeighbor(m_GateBorder.GetAt(j)))
        return 1;
    }
  return 0;
}

// As Retriangulate once the vetoes have passed.
void CProgressiveCoder::RetriangulateTable(int tagPair)
{
  const CArray3d<CVertex3d>* b = &m_GateBorder;
  const CProgressivePattern& pattern = CProgressivePattern::Get(b->GetSize(), tagPair);
  for (size_t k = 0; k < pattern.GetMarks().size(); k++) {
    const int w = m_BorderId[k + 1];
    if (m_Table.Mark(w) == 0)
      m_Table.SetMark(w, pattern.GetMarks()[k]);
  }
  for (const auto& t : pattern.GetFaces()) {
    auto* pNew = new CFace3d(b->GetAt(t[0]), b->GetAt(t[1]), b->GetAt(t[2]), 0);
    m_pMesh->AddFace(pNew);
    pNew->AddVertexNeighbors();
    m_NewFaces.push_back(pNew);
    m_Table.AddNewFace(pNew, m_BorderId[static_cast<size_t>(t[0])],
                       m_BorderId[static_cast<size_t>(t[1])], m_BorderId[static_cast<size_t>(t[2])]);
  }
}

// As PushGatesAfterRemoval.
void CProgressiveCoder::PushTableGatesAfterRemoval()
{
  const int n = m_GateBorder.GetSize();
  for (int i = 0; i + 1 < n; i++) {
    const int b0 = m_BorderId[static_cast<size_t>(i)];
    const int b1 = m_BorderId[static_cast<size_t>(i) + 1];
    if (m_GateType == 0) {
      m_Table.PushGate(b0, b1);
      continue;
    }
    const CProgressiveLayerTable::SCorner* pFront = m_Table.FrontCorner(b0, b1);
    if (!pFront || m_Table.FaceFlag(pFront->face) != 0)
      continue;
    const int w = m_Table.VertexOther(pFront->face, b0, b1);
    if (w < 0)
      continue;
    m_Table.PushGate(b0, w);
    m_Table.PushGate(w, b1);
    m_Table.SetFaceFlag(pFront->face, 1);
    m_Table.SetFlag(w, 1);
    if (m_Table.Mark(w) == 0)
      m_Table.SetMark(w, TableTagPair({b0, b1}) == 2 ? 1 : 2);
  }
}
