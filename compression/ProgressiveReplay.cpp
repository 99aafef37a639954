#include "compression/ProgressiveReplay.h"

#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveGate.h"
#include "compression/ProgressiveGeometryLayer.h"
#include "compression/ProgressivePattern.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <span>
#include <unordered_map>

namespace {

// The slot of each base vertex: the adjacency index when it names the vertex's own slot.
std::vector<int> FaceCorners(const CMesh3d& mesh)
{
  const int nv = mesh.NbVertex();
  bool indexed = true;
  for (int i = 0; i < nv && indexed; i++)
    indexed = mesh.GetVertex(i)->GetAdjacencyIndex() == i;
  std::unordered_map<const CVertex3d*, int> slot;
  if (!indexed)
    for (int i = 0; i < nv; i++)
      slot.emplace(mesh.GetVertex(i), i);
  std::vector<int> corners;
  corners.reserve(3 * static_cast<size_t>(mesh.NbFace()));
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = mesh.GetFace(i)->v(k);
      corners.push_back(indexed ? v->GetAdjacencyIndex() : slot.at(v));
    }
  return corners;
}

// Vertices 0 and 1 are neighbours when a face holds both.
bool HoldsSeedEdge(const std::vector<int>& corners)
{
  for (size_t i = 0; i + 2 < corners.size(); i += 3) {
    const int* c = &corners[i];
    const bool zero = c[0] == 0 || c[1] == 0 || c[2] == 0;
    const bool one = c[0] == 1 || c[1] == 1 || c[2] == 1;
    if (zero && one)
      return true;
  }
  return false;
}

} // namespace

CProgressiveReplay::CProgressiveReplay(const CMesh3d& base, const float scale[3],
                                       const float shift[3], int nbAddedVertex)
  : CProgressiveReplay(base, FaceCorners(base), scale, shift, nbAddedVertex)
{
}

CProgressiveReplay::CProgressiveReplay(const CMesh3d& base, const std::vector<int>& corners,
                                       const float scale[3], const float shift[3],
                                       int nbAddedVertex)
{
  std::copy_n(scale, 3, m_Scale);
  std::copy_n(shift, 3, m_Shift);
  m_NbBaseVertex = base.NbVertex();
  // Each re-inserted vertex adds two faces.
  const size_t nv = static_cast<size_t>(base.NbVertex()) + static_cast<size_t>(std::max(0, nbAddedVertex));
  const size_t nf = static_cast<size_t>(base.NbFace()) + 2 * (nv - static_cast<size_t>(base.NbVertex()));
  m_Position.reserve(nv);
  m_Quantized.reserve(nv);
  m_VertexFlag.reserve(nv);
  m_Mark.reserve(nv);
  m_Faces.reserve(nf);
  m_FaceFlag.reserve(nf);
  m_BaseFace.reserve(nf);
  for (int i = 0; i < base.NbVertex(); i++) {
    const CVertex3d* v = base.GetVertex(i);
    m_Position.push_back({v->x(), v->y(), v->z()});
    m_Quantized.push_back({v->x2(), v->y2(), v->z2()});
  }
  m_VertexFlag.assign(m_Position.size(), 0);
  m_Mark.assign(m_Position.size(), 0);
  const int nbFace = std::min(base.NbFace(), static_cast<int>(corners.size() / 3));
  for (int i = 0; i < nbFace; i++) {
    const int* c = &corners[3 * static_cast<size_t>(i)];
    m_Faces.push_back({c[0], c[1], c[2]});
    m_FaceFlag.push_back(base.GetFace(i)->GetFlag());
    m_BaseFace.push_back(i);
  }
  // The vertices' neighbours are those of the base mesh until the end: layers only add edges.
  m_Seeded = base.NbVertex() >= 2 && HoldsSeedEdge(corners);
}

int CProgressiveReplay::ReplayLayer(const CProgressiveCodeList& codes,
                                    CProgressiveGeometryLayer* pGeometry)
{
  m_pCodes = &codes;
  m_pGeometry = pGeometry;
  m_GateType = codes.GetGateType();
  StartLayer();
  while (m_GateHead < m_Gates.size() && !m_Error)
    if (!DecodeGate(m_Gates[m_GateHead++]))
      break;
  EndLayer();
  if (m_Error || m_CodeCursor != codes.NbCode())
    return 0;
  return pGeometry && m_GeometryCursor == pGeometry->NbRecord();
}

void CProgressiveReplay::StartLayer()
{
  m_CodeCursor = 0;
  m_GeometryCursor = 0;
  m_Error = 0;
  ListFaces();
  std::fill(m_FaceFlag.begin(), m_FaceFlag.end(), 0);
  std::fill(m_VertexFlag.begin(), m_VertexFlag.end(), 0);
  std::fill(m_Mark.begin(), m_Mark.end(), 0);
  m_Gates.clear();
  m_GateHead = 0;
  if (NbVertex() < 2 || !m_Seeded)
    return;
  PushGate(0, 1, -1);
  PushGate(1, 0, -1);
  m_Mark[0] = 2;
  m_Mark[1] = 1;
  m_VertexFlag[0] = 1;
  m_VertexFlag[1] = 1;
}

// Counting sort of the corners by vertex: each vertex's faces in face order. The stream's
// faces have three distinct corners, and so have those the layers add.
void CProgressiveReplay::ListFaces()
{
  const size_t nv = m_Position.size();
  m_FaceStart.assign(nv + 2, 0);
  for (const auto& f : m_Faces)
    for (int x : f)
      m_FaceStart[static_cast<size_t>(x) + 2]++;
  for (size_t i = 2; i < nv + 2; i++)
    m_FaceStart[i] += m_FaceStart[i - 1];
  m_FaceList.resize(3 * m_Faces.size());
  // m_FaceStart[v + 1] runs from the start of v's faces to their end.
  for (size_t i = 0; i < m_Faces.size(); i++) {
    const auto& f = m_Faces[i];
    for (size_t k = 0; k < 3; k++)
      m_FaceList[static_cast<size_t>(m_FaceStart[static_cast<size_t>(f[k]) + 1]++)] = {
          f[(k + 2) % 3], f[(k + 1) % 3], static_cast<int>(i), static_cast<int>(k)};
  }
  ListAcross();
}

// For each vertex a, the first of its faces holding x -> a for every x; then each edge a -> x
// of its faces gets that face: what FrontFace(a, x) finds walking a's faces.
void CProgressiveReplay::ListAcross()
{
  const size_t nv = m_Position.size();
  m_NbLayerFace = static_cast<int>(m_Faces.size());
  m_Across.assign(3 * m_Faces.size(), -1);
  m_Stamp.assign(nv, -1);
  m_FirstFace.resize(nv);
  for (size_t a = 0; a < nv; a++) {
    const SCorner* begin = m_FaceList.data() + m_FaceStart[a];
    const SCorner* end = m_FaceList.data() + m_FaceStart[a + 1];
    for (const SCorner* c = begin; c != end; c++) {
      const size_t x = static_cast<size_t>(c->previous);
      if (m_Stamp[x] == static_cast<int>(a))
        continue;
      m_Stamp[x] = static_cast<int>(a);
      m_FirstFace[x] = c->face;
    }
    for (const SCorner* c = begin; c != end; c++) {
      const size_t x = static_cast<size_t>(c->next);
      if (m_Stamp[x] == static_cast<int>(a))
        m_Across[3 * static_cast<size_t>(c->face) + static_cast<size_t>(c->corner)] = m_FirstFace[x];
    }
  }
}

// The replaced faces leave, the others keeping their order; the added faces are already last.
void CProgressiveReplay::EndLayer()
{
  size_t kept = 0;
  for (size_t i = 0; i < m_Faces.size(); i++) {
    if (m_FaceFlag[i] == 2)
      continue;
    m_Faces[kept] = m_Faces[i];
    m_FaceFlag[kept] = m_FaceFlag[i];
    m_BaseFace[kept] = m_BaseFace[i];
    kept++;
  }
  m_Faces.resize(kept);
  m_FaceFlag.resize(kept);
  m_BaseFace.resize(kept);
}

int CProgressiveReplay::TagPair(int first, int second) const
{
  return CProgressiveGate::TagPair(m_Mark[static_cast<size_t>(first)], m_Mark[static_cast<size_t>(second)]);
}

// The first face of the first vertex holding the edge second -> first; -1 when none.
int CProgressiveReplay::FrontFace(int first, int second) const
{
  const int end = m_FaceStart[static_cast<size_t>(first) + 1];
  for (int i = m_FaceStart[static_cast<size_t>(first)]; i < end; i++)
    if (m_FaceList[static_cast<size_t>(i)].previous == second)
      return m_FaceList[static_cast<size_t>(i)].face;
  return -1;
}

int CProgressiveReplay::FrontFace(int first, int second, int back) const
{
  if (back >= 0 && back < 3 * m_NbLayerFace)
    return m_Across[static_cast<size_t>(back)];
  return FrontFace(first, second);
}

void CProgressiveReplay::PushGate(int a, int b, int back)
{
  const int face = FrontFace(a, b, back);
  if (face >= 0 && m_FaceFlag[static_cast<size_t>(face)] == 0)
    m_Gates.push_back({a, b, face});
}

int CProgressiveReplay::FrontFaceAcross(int first, int second, const int* faces, int nbFace) const
{
  for (int i = 0; i < nbFace; i++) {
    const int edge = faces[i] >= 0 && faces[i] < m_NbLayerFace ? EdgeOf(faces[i], first, second) : -1;
    if (edge >= 0)
      return m_Across[static_cast<size_t>(edge)];
  }
  return FrontFace(first, second);
}

int CProgressiveReplay::EdgeOf(int face, int from, int to) const
{
  const auto& f = m_Faces[static_cast<size_t>(face)];
  for (int k = 0; k < 3; k++)
    if (f[static_cast<size_t>(k)] == from && f[static_cast<size_t>((k + 1) % 3)] == to)
      return 3 * face + k;
  return -1;
}

int CProgressiveReplay::Other(int face, int a, int b) const
{
  for (int x : m_Faces[static_cast<size_t>(face)])
    if (x != a && x != b)
      return x;
  return -1;
}

// True when some face of a not about to go holds the edge b -> a.
int CProgressiveReplay::HasLiveEdge(int a, int b) const
{
  const int end = m_FaceStart[static_cast<size_t>(a) + 1];
  for (int i = m_FaceStart[static_cast<size_t>(a)]; i < end; i++) {
    const SCorner& c = m_FaceList[static_cast<size_t>(i)];
    if (c.previous == b && m_FaceFlag[static_cast<size_t>(c.face)] != 2)
      return 1;
  }
  return 0;
}

int CProgressiveReplay::DecodeGate(Gate gate)
{
  const int face = gate.face;
  if (m_FaceFlag[static_cast<size_t>(face)] != 0 || m_CodeCursor >= m_pCodes->NbCode())
    return 1;
  const int w = Other(face, gate.first, gate.second);
  if (w < 0)
    return 1;
  const unsigned int code = m_pCodes->GetCode(m_CodeCursor);
  if (code == 2) {
    NullPatch(gate, face, w);
    m_CodeCursor++;
    return 1;
  }
  if (code == 1)
    return DecodeBoundaryStep(gate, face);
  if (code < 3 || code > 6) {
    m_Error = 1;
    return 0;
  }
  // Where the pattern is missing the code waits for the next gate: an implied null patch.
  if (!FindPattern(gate, face, static_cast<int>(code))) {
    NullPatch(gate, face, w);
    return 1;
  }
  InsertVertex(gate);
  m_CodeCursor++;
  return 1;
}

int CProgressiveReplay::NullPatch(Gate gate, int face, int v)
{
  m_VertexFlag[static_cast<size_t>(v)] = 1;
  m_FaceFlag[static_cast<size_t>(face)] = 1;
  if (m_Mark[static_cast<size_t>(v)] == 0)
    m_Mark[static_cast<size_t>(v)] = TagPair(gate.first, gate.second) == 2 ? 1 : 2;
  PushGate(gate.first, v, EdgeOf(face, gate.first, v));
  PushGate(v, gate.second, EdgeOf(face, v, gate.second));
  return 2;
}

// Codes 1 then 5 or 6: a boundary vertex of valence 3 comes back on the border edge beside
// the front face, which that edge must still be.
int CProgressiveReplay::DecodeBoundaryStep(Gate gate, int face)
{
  const int cursor = m_CodeCursor + 1;
  const unsigned int side = cursor < m_pCodes->NbCode() ? m_pCodes->GetCode(cursor) : 0;
  const int first = gate.first;
  const int second = gate.second;
  const int w = Other(face, first, second);
  const int onFirstSide = side == 5;
  if ((side != 5 && side != 6) ||
      (onFirstSide ? HasLiveEdge(w, second) : HasLiveEdge(first, w))) {
    m_Error = 1;
    return 0;
  }
  const int border[3] = {first, w, second};
  static const std::vector<std::array<int, 3>> kTriangle{{0, 1, 2}};
  const int v = AddVertex(border, 3, kTriangle);
  AddLayerFace(first, v, second);
  if (onFirstSide) {
    AddLayerFace(v, first, w);
    PushGate(first, w, EdgeOf(face, first, w));
  } else {
    AddLayerFace(v, w, second);
    PushGate(w, second, EdgeOf(face, w, second));
  }
  ReplaceLayerFace(face);
  m_VertexFlag[static_cast<size_t>(w)] = 1;
  if (m_Mark[static_cast<size_t>(w)] == 0)
    m_Mark[static_cast<size_t>(w)] = 2;
  m_CodeCursor += 2;
  return 1;
}

// Finds the border and the faces of the retriangulation pattern of this valence in front of the
// gate; every face must be free and all of them and the border vertices distinct.
int CProgressiveReplay::FindPattern(Gate gate, int face, int valence)
{
  const auto& triangles =
      CProgressivePattern::Get(valence, TagPair(gate.first, gate.second)).GetFaces();
  const size_t nbTriangle = triangles.size();
  int* b = m_Border.data();
  m_NbBorder = valence;
  std::fill_n(b, valence, -1);
  b[0] = gate.first;
  b[valence - 1] = gate.second;
  int* faces = m_PatternFaces.data();
  std::fill_n(faces, nbTriangle, -1);
  m_NbPatternFace = static_cast<int>(nbTriangle);
  for (size_t round = 0; round < nbTriangle; round++)
    for (size_t k = 0; k < nbTriangle; k++) {
      if (faces[k] >= 0)
        continue;
      const auto& t = triangles[k];
      for (int e = 0; e < 3 && faces[k] < 0; e++) {
        const int a = b[t[static_cast<size_t>(e)]];
        const int c = b[t[static_cast<size_t>((e + 1) % 3)]];
        if (a < 0 || c < 0)
          continue;
        // Across the front face or a face found already, when one holds the edge.
        const int found = EdgeOf(face, c, a) >= 0
                              ? FrontFaceAcross(c, a, &face, 1)
                              : FrontFaceAcross(c, a, faces, static_cast<int>(nbTriangle));
        if (found < 0 || m_FaceFlag[static_cast<size_t>(found)] != 0 ||
            std::find(faces, faces + nbTriangle, found) != faces + nbTriangle)
          return 0;
        const int third = Other(found, a, c);
        int& slot = b[t[static_cast<size_t>((e + 2) % 3)]];
        if (slot >= 0 && slot != third)
          return 0;
        if (slot < 0 && std::find(b, b + valence, third) != b + valence)
          return 0;
        slot = third;
        faces[k] = found;
      }
    }
  return std::find(faces, faces + nbTriangle, -1) == faces + nbTriangle ? 1 : 0;
}

void CProgressiveReplay::InsertVertex(Gate gate)
{
  const int n = m_NbBorder;
  const int* border = m_Border.data();
  const CProgressivePattern& pattern = CProgressivePattern::Get(n, TagPair(gate.first, gate.second));
  for (size_t k = 0; k < pattern.GetMarks().size(); k++)
    if (m_Mark[static_cast<size_t>(border[k + 1])] == 0)
      m_Mark[static_cast<size_t>(border[k + 1])] = pattern.GetMarks()[k];
  for (int i = 0; i < n; i++)
    m_VertexFlag[static_cast<size_t>(border[i])] = 1;
  for (size_t k = 0; k < pattern.GetFaces().size(); k++)
    ReplaceLayerFace(m_PatternFaces[k]);
  const int v = AddVertex(border, n, pattern.GetFaces());
  for (int i = 0; i < n; i++)
    AddLayerFace(v, border[(i + n - 1) % n], border[i]);
  PushGatesAfterRemoval(border, n);
}

void CProgressiveReplay::PushGatesAfterRemoval(const int* border, int n)
{
  for (int i = 0; i + 1 < n; i++) {
    const int b0 = border[i];
    const int b1 = border[i + 1];
    const int* pattern = m_PatternFaces.data();
    int back = -1;
    for (int k = 0; k < m_NbPatternFace && back < 0; k++)
      back = EdgeOf(pattern[k], b0, b1);
    if (m_GateType == 0) {
      PushGate(b0, b1, back);
      continue;
    }
    const int front = FrontFace(b0, b1, back);
    if (front < 0 || m_FaceFlag[static_cast<size_t>(front)] != 0)
      continue;
    const int w = Other(front, b0, b1);
    PushGate(b0, w, EdgeOf(front, b0, w));
    PushGate(w, b1, EdgeOf(front, w, b1));
    m_FaceFlag[static_cast<size_t>(front)] = 1;
    m_VertexFlag[static_cast<size_t>(w)] = 1;
    if (m_Mark[static_cast<size_t>(w)] == 0)
      m_Mark[static_cast<size_t>(w)] = TagPair(b0, b1) == 2 ? 1 : 2;
  }
}

// A re-inserted vertex, flagged 2, its quantized position from the next record, rebuilt in
// the frame of its border when the layer is predicted.
int CProgressiveReplay::AddVertex(const int* border, int n,
                                  const std::vector<std::array<int, 3>>& faces)
{
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> quantized{0, 0, 0};
  if (!m_pGeometry || m_GeometryCursor >= m_pGeometry->NbRecord()) {
    m_Error = 1;
  } else if (CProgressiveVertexRecord& record = m_pGeometry->GetRecord(m_GeometryCursor++);
             const CVertex3d* pRemoved = record.GetVertex()) {
    // The encoder's own record still knows the removed vertex: it comes back where it was.
    position = {pRemoved->x(), pRemoved->y(), pRemoved->z()};
    quantized = {pRemoved->x2(), pRemoved->y2(), pRemoved->z2()};
  } else {
    std::array<CProgressiveVertexRecord::Point, CProgressiveVertexRecord::kMaxBorder> points{};
    const size_t count = std::min(static_cast<size_t>(n), points.size());
    for (size_t i = 0; i < count; i++) {
      const auto& q = m_Quantized[static_cast<size_t>(border[i])];
      points[i] = {q[0], q[1], q[2]};
    }
    record.SetFrame(std::span<const CProgressiveVertexRecord::Point>(points.data(), count), faces);
    const std::array<int, 3> p =
        m_pGeometry->IsPredicted() ? record.Reconstruct() : record.GetCoordinates();
    for (size_t k = 0; k < 3; k++) {
      quantized[k] = static_cast<float>(p[k]);
      position[k] = static_cast<float>(p[k]) * m_Scale[k] + m_Shift[k];
    }
  }
  m_Position.push_back(position);
  m_Quantized.push_back(quantized);
  m_VertexFlag.push_back(2);
  m_Mark.push_back(0);
  return NbVertex() - 1;
}

// Faces added by a layer are out of the conquest's sight until the next layer.
void CProgressiveReplay::AddLayerFace(int a, int b, int c)
{
  m_Faces.push_back({a, b, c});
  m_FaceFlag.push_back(3);
  m_BaseFace.push_back(-1);
}

void CProgressiveReplay::ReplaceLayerFace(int face)
{
  m_FaceFlag[static_cast<size_t>(face)] = 2;
}

void CProgressiveReplay::Store(CMesh3d* pMesh) const
{
  // The base faces that went: flagged, then deleted; the survivors come first, in order.
  std::vector<char> kept(static_cast<size_t>(pMesh->NbFace()), 0);
  for (int base : m_BaseFace)
    if (base >= 0)
      kept[static_cast<size_t>(base)] = 1;
  for (int i = 0; i < pMesh->NbFace(); i++)
    pMesh->GetFace(i)->SetFlag(kept[static_cast<size_t>(i)] ? 0 : 2);
  pMesh->RemoveFacesWithFlag(2);
  for (size_t i = static_cast<size_t>(m_NbBaseVertex); i < m_Position.size(); i++) {
    auto* v = new CVertex3d(0, 0, 0);
    v->Set2(m_Quantized[i][0], m_Quantized[i][1], m_Quantized[i][2]);
    v->Set(m_Position[i][0], m_Position[i][1], m_Position[i][2]);
    pMesh->AddVertex(v);
  }
  for (int i = 0; i < NbVertex(); i++) {
    pMesh->GetVertex(i)->SetFlag(m_VertexFlag[static_cast<size_t>(i)]);
    pMesh->GetVertex(i)->SetMark(m_Mark[static_cast<size_t>(i)]);
  }
  for (size_t i = 0; i < m_Faces.size(); i++) {
    if (m_BaseFace[i] >= 0)
      continue;
    const auto& f = m_Faces[i];
    pMesh->AddFace(new CFace3d(pMesh->GetVertex(f[0]), pMesh->GetVertex(f[1]),
                               pMesh->GetVertex(f[2]), 3));
  }
  for (int i = 0; i < NbFace() && i < pMesh->NbFace(); i++)
    pMesh->GetFace(i)->SetFlag(m_FaceFlag[static_cast<size_t>(i)]);
  // The corners are known: the adjacency need not read them back from the faces.
  for (int i = 0; i < pMesh->NbVertex(); i++)
    pMesh->GetVertex(i)->SetAdjacencyIndex(i);
  std::vector<int> corners;
  corners.reserve(3 * m_Faces.size());
  for (const auto& f : m_Faces)
    corners.insert(corners.end(), f.begin(), f.end());
  pMesh->BuildAdjacencyFromCorners(corners);
  pMesh->ComputeFaceNormals();
  pMesh->ComputeVertexNormals();
  pMesh->SetModified();
}
