#include "compression/StructureCoder.h"

#include "coding/IBitFile.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Redraw.h"

#include <algorithm>

void CStructureCoder::Join(int a, int b)
{
  if (b == Ghost)
    std::swap(a, b);
  // The ghost's neighbours are only counted: it neighbours every border vertex, and a
  // pair already joined stays as it is.
  if (a == Ghost) {
    m_NbGhostJoined += FillSlot(b, a);
    return;
  }
  FillSlot(a, b);
  FillSlot(b, a);
}

// Join for a vertex v just made: another vertex's slots hold v only when its last join was
// with v, so they need no search.
void CStructureCoder::JoinNew(int v, int u)
{
  if (u == Ghost) {
    m_NbGhostJoined += FillSlot(v, u);
    return;
  }
  FillSlot(v, u);
  if (u == v)
    return;
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(u)];
  int* slots = m_Slots.data() + of.m_Start;
  if (of.m_Filled < of.m_Count && (of.m_Filled == 0 || slots[of.m_Filled - 1] != v))
    slots[of.m_Filled++] = v;
}

// The decoded vertices' neighbour slots, one per coded valence, filled as the faces come:
// working state of the decoder only, kept side by side in a table of its own.
void CStructureCoder::SetSlots(int v, int nbSlot)
{
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(v)];
  of.m_Start = static_cast<int>(m_Slots.size());
  of.m_Count = nbSlot;
  m_Slots.resize(m_Slots.size() + static_cast<std::size_t>(nbSlot), Ghost);
}

// Fills v's first empty slot with u unless u has one already; 1 when filled. The ghost
// itself has no slots.
int CStructureCoder::FillSlot(int v, int u)
{
  if (v == Ghost)
    return 0;
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(v)];
  int* slots = m_Slots.data() + of.m_Start;
  const int nbFilled = of.m_Filled;
  // A full vertex takes no one: no search.
  if (nbFilled == of.m_Count || std::find(slots, slots + nbFilled, u) != slots + nbFilled)
    return 0;
  slots[nbFilled] = u;
  of.m_Filled = nbFilled + 1;
  return 1;
}

int CStructureCoder::IsFilled(int v) const
{
  const SSlots& of = m_SlotsOf[static_cast<std::size_t>(v)];
  return of.m_Filled == of.m_Count ? 1 : 0;
}

int CStructureCoder::HasEmptySlot(int v) const
{
  if (v == Ghost)
    return m_NbGhostJoined < static_cast<long long>(m_GhostDegree) ? 1 : 0;
  return IsFilled(v) ? 0 : 1;
}

int CStructureCoder::NewVertex()
{
  const int n = m_NbVertexMade;
  CArray3d<CVertex3d>& vertices = *m_pMesh->GetArrayVertex();
  if (n >= m_NbVertexRead || n >= vertices.GetSize())
    return -1;
  auto* v = m_pMesh->NewVertex(0.0f, 0.0f, 0.0f);
  v->SetAdjacencyIndex(n);
  vertices.SetAt(n, v);
  m_NbVertexMade = n + 1;
  m_SlotsOf.emplace_back();
  return n;
}

int CStructureCoder::Decode(CMesh3d* pMesh, const char* fileName, const SOptions& options,
                            double* pDuration)
{
  if (!pMesh || !fileName || pMesh->NbVertex() > 0 || pMesh->NbFace() > 0)
    return 0;
  // The file is read whole, then decoded from memory.
  CIBitFile file(fileName);
  return Decode(pMesh, file.IsValid() ? &file : nullptr, options, pDuration);
}

int CStructureCoder::Decode(CMesh3d* pMesh, CIBitStream* pStream, const SOptions& options,
                            double* pDuration)
{
  if (!pMesh || pMesh->NbVertex() > 0 || pMesh->NbFace() > 0)
    return 0;
  m_pMesh = pMesh;
  m_Options = options;
  m_Options.m_UpdateClient = std::max(1, options.m_UpdateClient);
  const long long start = platform::GetTickMs();
  if (!ReadStream(pStream))
    return 0;
  // The ghost closes the borders while decoding; it never joins the mesh. Vertices come
  // as the codes meet them, so that a count the stream cannot back allocates nothing.
  m_NbGhostJoined = 0;
  m_BadFace = 0;
  m_Loops.Clear();
  // Room at once for what the codes can make (a vertex per code at most, about two faces per
  // vertex), then the usual growth. The arrays are filled in place and cut to what was made
  // at the end (and before each redraw).
  const long long nbCode = static_cast<long long>(m_Codes.size());
  const long long nbVertex = std::min<long long>(m_NbVertexRead, nbCode);
  m_NbVertexMade = 0;
  m_NbFaceMade = 0;
  pMesh->GetArrayVertex()->SetSize(static_cast<int>(nbVertex), static_cast<int>(nbVertex));
  pMesh->GetArrayFace()->SetSize(0, static_cast<int>(std::min(2 * nbVertex + 16, 2 * nbCode)));
  m_SlotsOf.clear();
  m_Slots.clear();
  m_SlotsOf.reserve(static_cast<std::size_t>(nbVertex));
  m_Slots.reserve(static_cast<std::size_t>(std::min(7 * nbVertex, 256 * nbCode)));
  const int ok = DecodeCodes();
  pMesh->GetArrayVertex()->SetSize(m_NbVertexMade, 0);
  pMesh->GetArrayFace()->SetSize(m_NbFaceMade, 0);
  if (m_NbFaceMade > 0)
    pMesh->SetModified(1);
  m_Loops.Clear();
  SetGhost(nullptr);
  Redraw(0);
  if (pDuration)
    *pDuration = static_cast<double>(platform::GetTickMs() - start) / 1000.0;
  return ok;
}

int CStructureCoder::DecodeCodes()
{
  std::size_t k = 0;
  for (std::size_t i = 0; i < m_Codes.size(); i++) {
    // An empty stack with codes left: the seed corners of the next component.
    if (m_Loops.GetCount() == 0) {
      if (i + 3 > m_Codes.size() || !DecodeInitEdgeList(i))
        return 0;
      i += 2;
      continue;
    }
    const unsigned int code = m_Codes[i];
    if (code == 0) {
      if (m_GhostDegree == 0)
        return 0;
      DecodeGhostFace();
    } else if (code == 1) {
      if (!DecodeSplit(&k))
        return 0;
    } else if (code == 2) {
      DecodeEmptyList(1);
    } else {
      const int v = NewVertex();
      if (v < 0)
        return 0;
      DecodeFace(v, code);
    }
    DecodeDropEmptyLists();
    if (m_BadFace)
      return 0;
    DecodeRedraw(static_cast<int>(i));
  }
  // Every vertex and offset used, and the conquest closed.
  return m_NbVertexMade == m_NbVertexRead && k == m_Offsets.size() && m_Loops.GetCount() == 0;
}

void CStructureCoder::DecodeDropEmptyLists()
{
  while (DecodeEmptyList(0)) {
  }
  while (m_Loops.GetCount() > 0 && m_Loops.Active().m_Count == 0) {
    m_Loops.RemoveAt(0);
    while (m_Loops.GetCount() > 0 && DecodeEmptyList(0)) {
    }
  }
}

void CStructureCoder::AddFace(int a, int b, int c)
{
  if (a == Ghost || b == Ghost || c == Ghost)
    return;
  // Only a stream that does not describe a conquest makes a face on a repeated vertex.
  if (a == b || b == c || a == c) {
    m_BadFace = 1;
    return;
  }
  const CArray3d<CVertex3d>& vertices = *m_pMesh->GetArrayVertex();
  CArray3d<CFace3d>& faces = *m_pMesh->GetArrayFace();
  const int n = m_NbFaceMade;
  if (n == faces.GetSize())
    faces.SetSize(n < faces.GetMaxSize() ? faces.GetMaxSize() : n + 1);
  faces.SetAt(n, m_pMesh->NewFace(vertices.GetAt(a), vertices.GetAt(b), vertices.GetAt(c)));
  m_NbFaceMade = n + 1;
}

// The mesh's arrays cut to the elements made, so that no empty entry shows.
void CStructureCoder::CutArrays()
{
  m_pMesh->GetArrayVertex()->SetSize(m_NbVertexMade);
  m_pMesh->GetArrayFace()->SetSize(m_NbFaceMade);
}

void CStructureCoder::DecodeRedraw(int step)
{
  if (!m_Options.m_VisualDebug)
    return;
  CutArrays();
  Redraw(step);
  // Back to the whole room; the entries past the cut are empty again.
  m_pMesh->GetArrayVertex()->SetSize(m_pMesh->GetArrayVertex()->GetMaxSize());
}

int CStructureCoder::DecodeInitEdgeList(std::size_t code)
{
  const int corners[3] = {NewVertex(), NewVertex(), NewVertex()};
  if (corners[2] < 0)
    return 0;
  m_Loops.AddHead();
  CStructureLoops::SLoop& active = m_Loops.Active();
  AddFace(corners[0], corners[1], corners[2]);
  for (int i = 0; i < 3; i++) {
    SetSlots(corners[i], static_cast<int>(m_Codes[code + static_cast<std::size_t>(i)]));
    FillSlot(corners[i], corners[(i + 1) % 3]);
    FillSlot(corners[i], corners[(i + 2) % 3]);
    m_pMesh->GetVertex(corners[i])->SetFlag(1);
    m_Loops.AddTail(active, corners[i]);
  }
  active.m_Pivot = active.m_Head;
  DecodeRedraw(0);
  return 1;
}

void CStructureCoder::DecodeGhostFace()
{
  CStructureLoops::SLoop& active = m_Loops.Active();
  const int pivot = active.m_Pivot;
  const int before = m_Loops.Item(m_Loops.Prev(pivot));
  Join(m_Loops.Item(pivot), Ghost);
  Join(before, Ghost);
  m_Loops.InsertBefore(active, pivot, Ghost);
}

void CStructureCoder::DecodeFace(int v, unsigned int valence)
{
  CStructureLoops::SLoop& active = m_Loops.Active();
  const int pivot = active.m_Pivot;
  const int p = m_Loops.Item(pivot);
  const int before = m_Loops.Item(m_Loops.Prev(pivot));
  SetSlots(v, static_cast<int>(valence));
  AddFace(before, v, p);
  m_Loops.InsertBefore(active, pivot, v);
  JoinNew(v, before);
  JoinNew(v, p);
  m_pMesh->GetVertex(v)->SetFlag(1);
}

int CStructureCoder::DecodeSplit(std::size_t* pOffset)
{
  const std::size_t k = *pOffset;
  if (k >= m_Offsets.size())
    return 0;
  const unsigned int offset = m_Offsets[k];
  const unsigned int sign = m_Signs[k];
  CStructureLoops::SLoop& active = m_Loops.Active();
  const int n = active.m_Count;
  // A negative offset of half the list or more is no split but a merge (see MergeEdgeList).
  if (sign && offset >= static_cast<unsigned int>((n + 1) / 2)) {
    *pOffset = k + 2;
    return k + 1 < m_Offsets.size() && DecodeMerge(offset, m_Offsets[k + 1], m_Signs[k + 1]);
  }
  *pOffset = k + 1;
  const long long steps = sign ? static_cast<long long>(n) - offset : offset;
  if (steps <= 0 || steps >= n)
    return 0;
  const int pivot = active.m_Pivot;
  const int p = m_Loops.Item(pivot);
  const int before = m_Loops.Item(m_Loops.Prev(pivot));
  // The items from the pivot on go to a new loop; the item after them closes both.
  int pos = CStructureLoops::None;
  CStructureLoops::SLoop cut = m_Loops.Cut(active, pivot, static_cast<int>(steps), &pos);
  const int v = m_Loops.Item(pos);
  AddFace(before, v, p);
  m_Loops.AddTail(cut, v);
  // In step with the coder, which has conquered the edge (v p), not yet (v before), when
  // it looks for full pivots.
  Join(v, p);
  cut.m_Pivot = DecodePivotNear(cut, cut.m_Head);
  active.m_Pivot = DecodePivotNear(active, pos);
  Join(v, before);
  m_Loops.AddTail(cut);
  return 1;
}

int CStructureCoder::DecodeMerge(unsigned int listCode, unsigned int offset, unsigned int sign)
{
  CStructureLoops::SLoop& active = m_Loops.Active();
  const long long index = static_cast<long long>(listCode) - (active.m_Count + 1) / 2 + 1;
  if (index < 1 || index >= m_Loops.GetCount())
    return 0;
  CStructureLoops::SLoop& other = m_Loops.At(static_cast<int>(index));
  const long long m = other.m_Count;
  const long long count = sign ? m - (static_cast<long long>(offset) - 1) : offset - 1LL;
  if (count < 0 || count >= m || other.m_Pivot == CStructureLoops::None)
    return 0;
  // The start of the other loop, reached the shorter way round.
  int pos = other.m_Pivot;
  if (count <= m - count) {
    for (long long i = 0; i < count; i++)
      pos = m_Loops.Next(pos);
  } else {
    for (long long i = count; i < m; i++)
      pos = m_Loops.Prev(pos);
  }
  const int pivot = active.m_Pivot;
  const int p = m_Loops.Item(pivot);
  const int before = m_Loops.Item(m_Loops.Prev(pivot));
  const int v = m_Loops.Item(pos);
  AddFace(before, v, p);
  m_Loops.InsertLoopBefore(active, pivot, other, pos);
  m_Loops.RemoveAt(static_cast<int>(index));
  Join(v, p);
  Join(v, before);
  return 1;
}

int CStructureCoder::DecodeEmptyList(int forced)
{
  if (m_Loops.GetCount() == 0 || m_Loops.Active().m_Count == 0)
    return 0;
  CStructureLoops::SLoop& active = m_Loops.Active();
  const int pivot = active.m_Pivot;
  const int p = m_Loops.Item(pivot);
  const int next = m_Loops.Next(pivot);
  const int before = m_Loops.Item(m_Loops.Prev(pivot));
  const int after = m_Loops.Item(next);
  if (p == Ghost && HasEmptySlot(p)) {
    if (after == Ghost)
      m_Loops.RemoveAt(active, pivot);
    active.m_Pivot = active.m_Count == 0 ? CStructureLoops::None : next;
    return 1;
  }
  // The coder drops the pivot of a list of two, or of one whose neighbours on the list are the
  // same vertex, without a code.
  if (active.m_Count <= 2 || before == after)
    forced = 1;
  if (HasEmptySlot(p) && !forced)
    return 0;
  m_Loops.RemoveAt(active, pivot);
  if (before != after && active.m_Count > 1) {
    AddFace(before, after, p);
    if (active.m_Count > 2)
      Join(before, after);
  }
  active.m_Pivot = active.m_Count == 0 ? CStructureLoops::None : DecodePivotNear(active, next);
  return 1;
}

int CStructureCoder::DecodePivotNear(const CStructureLoops::SLoop& loop, int pos) const
{
  const int n = loop.m_Count;
  if (!m_Options.m_EncourageFull || n == 0 || pos == CStructureLoops::None)
    return pos;
  // The nearest filled item, forward first at equal distance; the ghost is never taken.
  int forward = pos;
  int backward = pos;
  for (int i = 0; i < n / 2 + 1; i++) {
    const int f = m_Loops.Item(forward);
    if (f != Ghost && IsFilled(f))
      return m_Loops.Find(loop, f);
    const int b = m_Loops.Item(backward);
    if (b != Ghost && IsFilled(b))
      return m_Loops.Find(loop, b);
    forward = m_Loops.Next(forward);
    backward = m_Loops.Prev(backward);
  }
  return pos;
}
