#include "compression/ProgressiveCoder.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Retriangulation of a hole: new marks of B1..Bn-2 and new faces as border indices.
struct SPattern
{
  std::vector<int> marks;
  std::vector<std::array<int, 3>> faces;
};

SPattern GetPattern(int valence, int tagPair)
{
  const bool oneOrTwo = tagPair == 1 || tagPair == 2;
  switch (valence) {
  case 3:
    return {{tagPair == 2 ? 1 : 2}, {{0, 1, 2}}};
  case 4:
    if (oneOrTwo)
      return {{1, 2}, {{{0, 2, 3}}, {{0, 1, 2}}}};
    return {{2, 1}, {{{0, 1, 3}}, {{1, 2, 3}}}};
  case 5:
    if (tagPair == 1)
      return {{2, 1, 2}, {{{0, 3, 4}}, {{0, 1, 3}}, {{1, 2, 3}}}};
    if (tagPair == 2)
      return {{1, 2, 1}, {{{0, 1, 2}}, {{0, 2, 4}}, {{2, 3, 4}}}};
    return {{2, 1, 2}, {{{0, 1, 4}}, {{1, 3, 4}}, {{1, 2, 3}}}};
  default:
    if (oneOrTwo)
      return {{1, 2, 1, 2}, {{{0, 4, 5}}, {{0, 2, 4}}, {{0, 1, 2}}, {{2, 3, 4}}}};
    return {{2, 1, 2, 1}, {{{0, 1, 5}}, {{1, 3, 5}}, {{1, 2, 3}}, {{3, 4, 5}}}};
  }
}

using Point = std::array<double, 3>;

Point P(const CVertex3d* v) { return {v->x(), v->y(), v->z()}; }
Point Sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point Cross(const Point& a, const Point& b)
{
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Point UnitNormal(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c)
{
  Point n = Cross(Sub(P(b), P(a)), Sub(P(c), P(a)));
  const double len = std::sqrt(Dot(n, n));
  if (len > 0)
    n = {n[0] / len, n[1] / len, n[2] / len};
  return n;
}

} // namespace

void CProgressiveCoder::PushGate(CVertex3d* a, CVertex3d* b)
{
  m_Gates.push_back(std::make_unique<CProgressiveGate>(a, b));
}

int CProgressiveCoder::EncodeLayer(CMesh3d* pMesh, int gateType, int maxValence)
{
  m_pMesh = pMesh;
  m_GateType = gateType;
  m_MaxValence = maxValence;
  m_HasBoundary = pMesh->HasBoundary();
  InitLayer();
  while (EncodeStep()) {
  }
  ComputeLayerGeometry(15);
  const int removed = m_pMesh->CountVerticesWithFlag(2);
  m_pMesh->RemoveFacesWithFlag(2);
  m_pMesh->RemoveVerticesWithFlag(2);
  m_pMesh->Rebuild();
  return removed;
}

void CProgressiveCoder::InitLayer()
{
  m_Gates.clear();
  m_LayerCodes.push_back(std::make_unique<CProgressiveCodeList>(m_GateType));
  m_pCurrentCodes = m_LayerCodes.back().get();
  m_LayerPositions.emplace_back();
  m_LayerRecords.emplace_back();
  m_LayerPredicted.push_back(0);
  m_pMesh->SetFacesFlag(0);
  m_pMesh->SetVerticesFlag(0);
  m_pMesh->SetVerticesMark(0);
  if (m_pMesh->NbVertex() < 2)
    return;
  CVertex3d* s0 = m_pMesh->GetVertex(0);
  CVertex3d* s1 = m_pMesh->GetVertex(1);
  if (!s0->IsNeighbor(s1)) {
    // A seed without neighbours has nothing to conquer.
    if (s0->NbVertexNeighbor() == 0)
      return;
    s1 = s0->GetVertexNeighbor(0);
    m_pMesh->SwapVertexToIndex(s1, 1);
  }
  SeedGates();
}

// The conquest starts from the edge joining vertices 0 and 1, in both directions.
void CProgressiveCoder::SeedGates()
{
  CVertex3d* s0 = m_pMesh->GetVertex(0);
  CVertex3d* s1 = m_pMesh->GetVertex(1);
  PushGate(s0, s1);
  PushGate(s1, s0);
  s0->SetMark(2);
  s1->SetMark(1);
  s0->SetFlag(1);
  s1->SetFlag(1);
}

int CProgressiveCoder::EncodeStep()
{
  if (m_Gates.empty())
    return 0;
  const std::unique_ptr<CProgressiveGate> pGate = std::move(m_Gates.front());
  m_Gates.pop_front();
  const int r = ProcessGate(pGate.get());
  if (r != kNone && r != 1)
    m_pCurrentCodes->Add(static_cast<unsigned int>(r));
  return 1;
}

int CProgressiveCoder::NullPatch(const CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v)
{
  v->SetFlag(1);
  pFace->SetFlag(1);
  if (v->GetMark() == 0)
    v->SetMark(pGate->GetTagPair() == 2 ? 1 : 2);
  PushGate(pGate->GetFirst(), v);
  PushGate(v, pGate->GetSecond());
  return 2;
}

int CProgressiveCoder::ProcessGate(CProgressiveGate* pGate)
{
  CFace3d* pFace = pGate->GetFrontFace();
  if (!pFace || pFace->GetFlag() != 0)
    return kNone;
  CVertex3d* v = pGate->GetFrontVertex();
  if (!v)
    return kNone;
  if (v->GetFlag() != 0)
    return NullPatch(pGate, pFace, v);
  const int valence = v->NbVertexNeighbor();
  // Boundary vertices are kept: their removal needs a pattern of its own.
  if (m_HasBoundary && v->IsOnBoundary())
    return NullPatch(pGate, pFace, v);
  if (valence < 3 || valence > m_MaxValence || (m_PureValence && valence != m_MaxValence))
    return NullPatch(pGate, pFace, v);
  if (!BuildPatch(pGate, pFace, v, valence))
    return NullPatch(pGate, pFace, v);
  if ((m_ForbidConcave && IsBorderConcave(pGate)) || IsBorderDegenerate(pGate))
    return NullPatch(pGate, pFace, v);
  const SPattern pattern = GetPattern(valence, pGate->GetTagPair());
  if (m_ApplyRemoval && !Retriangulate(pGate))
    return NullPatch(pGate, pFace, v);
  PushGatesAfterRemoval(pGate);
  m_LayerPositions.back().push_back({v->x(), v->y(), v->z()});
  std::vector<CProgressiveVertexRecord::Point> border;
  for (int i = 0; i < pGate->GetBorder()->GetSize(); i++) {
    const CVertex3d* w = pGate->GetBorder()->GetAt(i);
    border.push_back({w->x2(), w->y2(), w->z2()});
  }
  m_LayerRecords.back().emplace_back(std::move(border), pattern.faces);
  m_LayerRecords.back().back().SetTarget(
      {static_cast<int>(v->x2()), static_cast<int>(v->y2()), static_cast<int>(v->z2())});
  v->SetFlag(2);
  CArray3d<CVertex3d>* pBorder = pGate->GetBorder();
  for (int i = 1; i + 1 < pBorder->GetSize(); i++)
    pBorder->GetAt(i)->SetFlag(1);
  for (int i = 0; i < pGate->GetPatchFaces()->GetSize(); i++)
    pGate->GetPatchFaces()->GetAt(i)->SetFlag(2);
  return valence;
}

// Walks the faces around v from the front face; the border ends at the gate's second vertex
// on a manifold ring (0 when the ring does not close that way).
int CProgressiveCoder::BuildPatch(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v,
                                  int valence) const
{
  CArray3d<CVertex3d>* pBorder = pGate->GetBorder();
  CArray3d<CFace3d>* pFaces = pGate->GetPatchFaces();
  pBorder->Add(pGate->GetFirst());
  pFaces->Add(pFace);
  CFace3d* pCurrent = pFace;
  CVertex3d* pPrevious = pGate->GetFirst();
  for (int k = 0; k < valence - 1; k++) {
    const int corner = pCurrent->IndexFrom(pPrevious);
    if (corner < 0)
      return 0;
    CFace3d* pNext = pCurrent->f(corner);
    if (!pNext || !pNext->HasVertex(v) || pFaces->Contains(pNext))
      return 0;
    CVertex3d* pNextVertex = pNext->GetVertexOther(v, pPrevious);
    if (!pNextVertex)
      return 0;
    pFaces->Add(pNext);
    pBorder->Add(pNextVertex);
    pCurrent = pNext;
    pPrevious = pNextVertex;
  }
  return pPrevious == pGate->GetSecond() ? 1 : 0;
}

int CProgressiveCoder::IsBorderConcave(CProgressiveGate* pGate) const
{
  CArray3d<CVertex3d>* b = pGate->GetBorder();
  const int n = b->GetSize();
  for (int i = 0; i < n; i++) {
    const Point e1 = Sub(P(b->GetAt((i + 1) % n)), P(b->GetAt(i)));
    const Point e2 = Sub(P(b->GetAt((i + 2) % n)), P(b->GetAt((i + 1) % n)));
    const Point e3 = Sub(P(b->GetAt((i + 3) % n)), P(b->GetAt((i + 2) % n)));
    if (Dot(Cross(e1, e2), Cross(e2, e3)) < 0)
      return 1;
  }
  return 0;
}

int CProgressiveCoder::IsBorderDegenerate(CProgressiveGate* pGate) const
{
  CArray3d<CVertex3d>* b = pGate->GetBorder();
  const int n = b->GetSize();
  for (int i = 0; i < n; i++) {
    CVertex3d* b0 = b->GetAt(i);
    CVertex3d* b1 = b->GetAt((i + 1) % n);
    CVertex3d* b2 = b->GetAt((i + 2) % n);
    if (b0->NbVertexNeighbor() == 3)
      return 1;
    if (b0 == b1 || b1 == b2 || b0 == b2)
      return 1;
    const CVertex3d* f1 = CProgressiveGate(b0, b1).GetFrontVertex();
    const CVertex3d* f2 = CProgressiveGate(b1, b2).GetFrontVertex();
    if (f1 && f2 && f1 == f2 && f1->GetFlag() == 2)
      return 1;
  }
  if (n < 4)
    return 0;
  for (int i = 0; i < n; i++)
    for (int j = i + 2; j < n; j++) {
      if (i == 0 && j == n - 1)
        continue;
      if (b->GetAt(i)->IsNeighbor(b->GetAt(j)))
        return 1;
    }
  return 0;
}

int CProgressiveCoder::Retriangulate(CProgressiveGate* pGate)
{
  CArray3d<CVertex3d>* b = pGate->GetBorder();
  const SPattern pattern = GetPattern(b->GetSize(), pGate->GetTagPair());
  if (m_ForbidNormalFlipping) {
    std::vector<Point> normals;
    for (const auto& t : pattern.faces)
      normals.push_back(UnitNormal(b->GetAt(t[0]), b->GetAt(t[1]), b->GetAt(t[2])));
    for (size_t i = 0; i < normals.size(); i++)
      for (size_t j = i + 1; j < normals.size(); j++)
        if (Dot(normals[i], normals[j]) < static_cast<double>(-0.1f))
          return 0;
  }
  for (size_t k = 0; k < pattern.marks.size(); k++) {
    CVertex3d* w = b->GetAt(static_cast<int>(k) + 1);
    if (w->GetMark() == 0)
      w->SetMark(pattern.marks[k]);
  }
  for (const auto& t : pattern.faces) {
    auto* pNew = new CFace3d(b->GetAt(t[0]), b->GetAt(t[1]), b->GetAt(t[2]), 0);
    m_pMesh->AddFace(pNew);
    pNew->AddVertexNeighbors();
    pGate->GetNewFaces()->Add(pNew);
  }
  return 1;
}

void CProgressiveCoder::PushGatesAfterRemoval(CProgressiveGate* pGate)
{
  CArray3d<CVertex3d>* b = pGate->GetBorder();
  const int n = b->GetSize();
  for (int i = 0; i + 1 < n; i++) {
    CVertex3d* b0 = b->GetAt(i);
    CVertex3d* b1 = b->GetAt(i + 1);
    if (m_GateType == 0) {
      PushGate(b0, b1);
      continue;
    }
    const CProgressiveGate edge(b0, b1);
    CFace3d* pFront = edge.GetFrontFace();
    if (!pFront || pFront->GetFlag() != 0)
      continue;
    CVertex3d* w = edge.GetFrontVertex();
    PushGate(b0, w);
    PushGate(w, b1);
    pFront->SetFlag(1);
    w->SetFlag(1);
    if (w->GetMark() == 0)
      w->SetMark(edge.GetTagPair() == 2 ? 1 : 2);
  }
}

int CProgressiveCoder::DecodeLayers(CMesh3d* pMesh)
{
  m_pMesh = pMesh;
  for (int layer = NbLayer() - 1; layer >= 0; layer--)
    if (!DecodeLayer(layer))
      return 0;
  return 1;
}

int CProgressiveCoder::DecodeLayer(int layer)
{
  m_Gates.clear();
  m_DecodeLayer = layer;
  m_pCurrentCodes = m_LayerCodes[layer].get();
  m_GateType = m_pCurrentCodes->GetGateType();
  m_CodeCursor = 0;
  m_PositionCursor = 0;
  m_pMesh->SetFacesFlag(0);
  m_pMesh->SetVerticesFlag(0);
  m_pMesh->SetVerticesMark(0);
  const int hasSeed = m_pMesh->NbVertex() >= 2 && m_pMesh->GetVertex(0)->IsNeighbor(m_pMesh->GetVertex(1));
  if (hasSeed)
    SeedGates();
  while (DecodeStep()) {
  }
  m_pMesh->RemoveFacesWithFlag(2);
  m_pMesh->Rebuild();
  // Codes left over mean the stream does not belong to this mesh.
  if (m_DecodeError)
    return 0;
  return (m_CodeCursor == m_pCurrentCodes->NbCode() || (!hasSeed && m_pCurrentCodes->NbCode() == 0)) ? 1 : 0;
}

int CProgressiveCoder::DecodeStep()
{
  if (m_Gates.empty())
    return 0;
  const std::unique_ptr<CProgressiveGate> pGate = std::move(m_Gates.front());
  m_Gates.pop_front();
  CFace3d* pFace = pGate->GetFrontFace();
  if (!pFace || pFace->GetFlag() != 0 || !pGate->GetFrontVertex() ||
      m_CodeCursor >= m_pCurrentCodes->NbCode())
    return 1;
  const unsigned int code = m_pCurrentCodes->GetCode(m_CodeCursor);
  if (code < 3 || code > 6) {
    NullPatch(pGate.get(), pFace, pGate->GetFrontVertex());
    m_CodeCursor += code == 2 ? 1 : 0;
    // Any other code cannot be replayed: leave it unconsumed so the layer reports the misfit.
    return code == 2 ? 1 : 0;
  }
  std::vector<CVertex3d*> border;
  std::vector<CFace3d*> faces;
  if (!FindPattern(pGate.get(), static_cast<int>(code), &border, &faces)) {
    NullPatch(pGate.get(), pFace, pGate->GetFrontVertex());
    return 1;
  }
  InsertVertex(pGate.get(), border, faces);
  m_CodeCursor++;
  return 1;
}

// Finds the border and the faces of the retriangulation pattern of this valence in front of the
// gate; every face must be free and all of them and the border vertices distinct.
int CProgressiveCoder::FindPattern(CProgressiveGate* pGate, int valence,
                                   std::vector<CVertex3d*>* pBorder,
                                   std::vector<CFace3d*>* pFaces) const
{
  const SPattern pattern = GetPattern(valence, pGate->GetTagPair());
  std::vector<CVertex3d*>& b = *pBorder;
  b.assign(valence, nullptr);
  b[0] = pGate->GetFirst();
  b[valence - 1] = pGate->GetSecond();
  pFaces->assign(pattern.faces.size(), nullptr);
  for (size_t round = 0; round < pattern.faces.size(); round++)
    for (size_t k = 0; k < pattern.faces.size(); k++) {
      if ((*pFaces)[k])
        continue;
      const auto& t = pattern.faces[k];
      for (int e = 0; e < 3 && !(*pFaces)[k]; e++) {
        CVertex3d* a = b[t[e]];
        CVertex3d* c = b[t[(e + 1) % 3]];
        if (!a || !c)
          continue;
        CFace3d* pFound = CProgressiveGate(c, a).GetFrontFace();
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
  const SPattern pattern = GetPattern(n, pGate->GetTagPair());
  // Placed before the marks change: the frame needs nothing of them, the pattern does.
  for (size_t k = 0; k < pattern.marks.size(); k++)
    if (border[k + 1]->GetMark() == 0)
      border[k + 1]->SetMark(pattern.marks[k]);
  for (CVertex3d* w : border) {
    w->SetFlag(1);
    pGate->GetBorder()->Add(w);
  }
  for (CFace3d* f : faces)
    f->SetFlag(2);
  auto* v = new CVertex3d(0, 0, 0);
  const std::vector<std::array<float, 3>> none;
  const auto& positions =
      m_DecodeLayer < static_cast<int>(m_LayerPositions.size()) ? m_LayerPositions[m_DecodeLayer] : none;
  if (m_FromStream) {
    PlaceVertex(v, border, pattern.faces);
  } else if (m_PositionCursor < static_cast<int>(positions.size())) {
    const auto& p = positions[m_PositionCursor++];
    v->Set(p[0], p[1], p[2]);
  } else {
    // Without geometry the vertex goes to the mean of its border.
    double sum[3] = {0, 0, 0};
    for (const CVertex3d* w : border) {
      sum[0] += w->x();
      sum[1] += w->y();
      sum[2] += w->z();
    }
    v->Set(static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n),
           static_cast<float>(sum[2] / n));
  }
  v->SetFlag(2);
  m_pMesh->AddVertex(v);
  for (int i = 0; i < n; i++) {
    auto* pNew = new CFace3d(v, border[(i + n - 1) % n], border[i], 3);
    m_pMesh->AddFace(pNew);
    pNew->AddVertexNeighbors();
  }
  PushGatesAfterRemoval(pGate);
}
