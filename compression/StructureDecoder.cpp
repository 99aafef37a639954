#include "compression/StructureCoder.h"

#include "coding/IBitFile.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Redraw.h"

#include <algorithm>

void CStructureCoder::Join(CVertex3d* a, CVertex3d* b)
{
  if (b == m_pGhost)
    std::swap(a, b);
  // The ghost's neighbours are only counted: it neighbours every border vertex, and a
  // pair already joined stays as it is.
  if (a == m_pGhost) {
    m_NbGhostJoined += FillSlot(b, a);
    return;
  }
  FillSlot(a, b);
  FillSlot(b, a);
}

// Join for a vertex v just made: another vertex's slots hold v only when its last join was
// with v, so they need no search.
void CStructureCoder::JoinNew(CVertex3d* v, CVertex3d* u)
{
  if (u == m_pGhost) {
    m_NbGhostJoined += FillSlot(v, u);
    return;
  }
  FillSlot(v, u);
  if (u == v)
    return;
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(IndexOf(u))];
  CVertex3d** slots = m_Slots.data() + of.m_Start;
  if (of.m_Filled < of.m_Count && (of.m_Filled == 0 || slots[of.m_Filled - 1] != v))
    slots[of.m_Filled++] = v;
}

// The decoded vertices' neighbour slots, one per coded valence, filled as the faces come:
// working state of the decoder only, kept side by side in a table of its own.
void CStructureCoder::SetSlots(const CVertex3d* v, int nbSlot)
{
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(IndexOf(v))];
  of.m_Start = static_cast<int>(m_Slots.size());
  of.m_Count = nbSlot;
  m_Slots.resize(m_Slots.size() + static_cast<std::size_t>(nbSlot), nullptr);
}

// Fills v's first empty slot with u unless u has one already; 1 when filled. The ghost
// itself has no slots.
int CStructureCoder::FillSlot(const CVertex3d* v, CVertex3d* u)
{
  if (v == m_pGhost)
    return 0;
  SSlots& of = m_SlotsOf[static_cast<std::size_t>(IndexOf(v))];
  CVertex3d** slots = m_Slots.data() + of.m_Start;
  const int nbFilled = of.m_Filled;
  // A full vertex takes no one: no search.
  if (nbFilled == of.m_Count || std::find(slots, slots + nbFilled, u) != slots + nbFilled)
    return 0;
  slots[nbFilled] = u;
  of.m_Filled = nbFilled + 1;
  return 1;
}

int CStructureCoder::IsFilled(const CVertex3d* v) const
{
  const SSlots& of = m_SlotsOf[static_cast<std::size_t>(IndexOf(v))];
  return of.m_Filled == of.m_Count ? 1 : 0;
}

int CStructureCoder::HasEmptySlot(const CVertex3d* v) const
{
  if (v == m_pGhost)
    return m_NbGhostJoined < static_cast<long long>(m_GhostDegree) ? 1 : 0;
  return IsFilled(v) ? 0 : 1;
}

CVertex3d* CStructureCoder::NewVertex()
{
  const int n = m_NbVertexMade;
  CArray3d<CVertex3d>& vertices = *m_pMesh->GetArrayVertex();
  if (n >= m_NbVertexRead || n >= vertices.GetSize())
    return nullptr;
  auto* v = m_pMesh->NewVertex(0.0f, 0.0f, 0.0f);
  v->SetAdjacencyIndex(n);
  vertices.SetAt(n, v);
  m_NbVertexMade = n + 1;
  m_SlotsOf.emplace_back();
  return v;
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
  CVertex3d ghost(0.0f, 0.0f, 0.0f);
  ghost.SetFlag(2);
  m_NbGhostJoined = 0;
  SetGhost(m_GhostDegree > 0 ? &ghost : nullptr);
  m_pStack = std::make_unique<CEdgeListStack>();
  m_pActiveList = nullptr;
  m_Decoding = 1;
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
  m_Decoding = 0;
  m_pStack.reset();
  m_SpareLists.clear();
  m_pActiveList = nullptr;
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
    if (m_pStack->GetCount() == 0) {
      if (i + 3 > m_Codes.size() || !DecodeInitEdgeList(i))
        return 0;
      i += 2;
      continue;
    }
    const unsigned int code = m_Codes[i];
    if (code == 0) {
      if (!m_pGhost)
        return 0;
      DecodeGhostFace();
    } else if (code == 1) {
      if (!DecodeSplit(&k))
        return 0;
    } else if (code == 2) {
      DecodeEmptyList(1);
    } else {
      CVertex3d* v = NewVertex();
      if (!v)
        return 0;
      DecodeFace(v, code);
    }
    DecodeDropEmptyLists();
    DecodeRedraw(static_cast<int>(i));
  }
  // Every vertex and offset used, and the conquest closed.
  return m_NbVertexMade == m_NbVertexRead && k == m_Offsets.size() &&
         m_pStack->GetCount() == 0;
}

std::unique_ptr<CEdgeList> CStructureCoder::NewEdgeList()
{
  if (m_SpareLists.empty())
    return std::make_unique<CEdgeList>();
  std::unique_ptr<CEdgeList> pList = std::move(m_SpareLists.back());
  m_SpareLists.pop_back();
  return pList;
}

void CStructureCoder::DecodeDropEmptyLists()
{
  while (DecodeEmptyList(0)) {
  }
  while (m_pActiveList && m_pActiveList->IsEmpty()) {
    // A few kept for the next splits, so that a list and its node pool are made once.
    std::unique_ptr<CEdgeList> pEmpty = m_pStack->RemoveHead();
    if (m_SpareLists.size() < 4) {
      pEmpty->SetPivot(nullptr);
      m_SpareLists.push_back(std::move(pEmpty));
    }
    m_pActiveList = m_pStack->GetHead();
    while (m_pActiveList && DecodeEmptyList(0)) {
    }
  }
}

void CStructureCoder::AddFace(CVertex3d* a, CVertex3d* b, CVertex3d* c)
{
  if (a == m_pGhost || b == m_pGhost || c == m_pGhost)
    return;
  CArray3d<CFace3d>& faces = *m_pMesh->GetArrayFace();
  const int n = m_NbFaceMade;
  if (n == faces.GetSize())
    faces.SetSize(n < faces.GetMaxSize() ? faces.GetMaxSize() : n + 1);
  faces.SetAt(n, m_pMesh->NewFace(a, b, c));
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
  CVertex3d* corners[3] = {NewVertex(), NewVertex(), NewVertex()};
  if (!corners[2])
    return 0;
  m_pStack->AddHead(NewEdgeList());
  m_pActiveList = m_pStack->GetHead();
  AddFace(corners[0], corners[1], corners[2]);
  for (int i = 0; i < 3; i++) {
    SetSlots(corners[i], static_cast<int>(m_Codes[code + i]));
    FillSlot(corners[i], corners[(i + 1) % 3]);
    FillSlot(corners[i], corners[(i + 2) % 3]);
    corners[i]->SetFlag(1);
    m_pActiveList->AddTail(corners[i]);
  }
  m_pActiveList->SetPivot(m_pActiveList->GetHeadPosition());
  DecodeRedraw(0);
  return 1;
}

void CStructureCoder::DecodeGhostFace()
{
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  Join(CLoopList::GetAt(pivot), m_pGhost);
  Join(pBefore, m_pGhost);
  m_pActiveList->InsertBefore(pivot, m_pGhost);
}

void CStructureCoder::DecodeFace(CVertex3d* v, unsigned int valence)
{
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pivot);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  SetSlots(v, static_cast<int>(valence));
  AddFace(pBefore, v, p);
  m_pActiveList->InsertBefore(pivot, v);
  JoinNew(v, pBefore);
  JoinNew(v, p);
  v->SetFlag(1);
}

int CStructureCoder::DecodeSplit(std::size_t* pOffset)
{
  const std::size_t k = *pOffset;
  if (k >= m_Offsets.size())
    return 0;
  const unsigned int offset = m_Offsets[k];
  const unsigned int sign = m_Signs[k];
  const int n = m_pActiveList->GetCount();
  // A negative offset of half the list or more is no split but a merge (see MergeEdgeList).
  if (sign && offset >= static_cast<unsigned int>((n + 1) / 2)) {
    *pOffset = k + 2;
    return k + 1 < m_Offsets.size() && DecodeMerge(offset, m_Offsets[k + 1], m_Signs[k + 1]);
  }
  *pOffset = k + 1;
  const long long steps = sign ? static_cast<long long>(n) - offset : offset;
  if (steps <= 0 || steps >= n)
    return 0;
  CLoopList::POSITION pos = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pos);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pos);
  std::unique_ptr<CEdgeList> pNew = NewEdgeList();
  for (long long i = 0; i < steps; i++) {
    const CLoopList::POSITION next = m_pActiveList->GetNextPos(pos);
    pNew->AddTail(CLoopList::GetAt(pos));
    m_pActiveList->RemoveAt(pos);
    pos = next;
  }
  CVertex3d* v = CLoopList::GetAt(pos);
  AddFace(pBefore, v, p);
  pNew->AddTail(v);
  // In step with the coder, which has conquered the edge (v p), not yet (v pBefore), when
  // it looks for full pivots.
  Join(v, p);
  pNew->SetPivot(PivotNear(pNew.get(), pNew->GetHeadPosition()));
  m_pActiveList->SetPivot(PivotNear(m_pActiveList, pos));
  Join(v, pBefore);
  m_pStack->AddTail(std::move(pNew));
  return 1;
}

int CStructureCoder::DecodeMerge(unsigned int listCode, unsigned int offset, unsigned int sign)
{
  const long long index =
    static_cast<long long>(listCode) - (m_pActiveList->GetCount() + 1) / 2 + 1;
  if (index < 1 || index >= m_pStack->GetCount())
    return 0;
  const CEdgeList* pOther = m_pStack->GetAt(static_cast<int>(index));
  const long long m = pOther->GetCount();
  const long long count = sign ? m - (static_cast<long long>(offset) - 1) : offset - 1LL;
  if (count < 0 || count >= m || !pOther->GetPivot())
    return 0;
  CLoopList::POSITION pos = pOther->GetPivot();
  for (long long i = 0; i < count; i++)
    pos = pOther->GetNextPos(pos);
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pivot);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  CVertex3d* v = CLoopList::GetAt(pos);
  AddFace(pBefore, v, p);
  JoinEdgeList(static_cast<int>(index), pos);
  Join(v, p);
  Join(v, pBefore);
  return 1;
}

int CStructureCoder::DecodeEmptyList(int forced)
{
  if (!m_pActiveList || m_pActiveList->IsEmpty())
    return 0;
  const CLoopList::POSITION pivot = m_pActiveList->GetPivot();
  CVertex3d* p = CLoopList::GetAt(pivot);
  const CLoopList::POSITION next = m_pActiveList->GetNextPos(pivot);
  CVertex3d* pBefore = m_pActiveList->GetPrevItem(pivot);
  CVertex3d* pAfter = CLoopList::GetAt(next);
  if (p == m_pGhost && HasEmptySlot(p)) {
    if (pAfter == m_pGhost)
      m_pActiveList->RemoveAt(pivot);
    m_pActiveList->SetPivot(m_pActiveList->IsEmpty() ? nullptr : next);
    return 1;
  }
  // The coder drops the pivot of a list of two, or of one whose neighbours on the list are the
  // same vertex, without a code.
  if (m_pActiveList->GetCount() <= 2 || pBefore == pAfter)
    forced = 1;
  if (HasEmptySlot(p) && !forced)
    return 0;
  m_pActiveList->RemoveAt(pivot);
  if (pBefore != pAfter && m_pActiveList->GetCount() > 1) {
    AddFace(pBefore, pAfter, p);
    if (m_pActiveList->GetCount() > 2)
      Join(pBefore, pAfter);
  }
  m_pActiveList->SetPivot(m_pActiveList->IsEmpty() ? nullptr : PivotNear(m_pActiveList, next));
  return 1;
}
