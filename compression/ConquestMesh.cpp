#include "compression/ConquestMesh.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"

#include <algorithm>

void CConquestMesh::Build(CMesh3d* pMesh)
{
  NumberVertices(pMesh, false);
  NumberFaces(pMesh);
  File();
}

void CConquestMesh::Number(CMesh3d* pMesh)
{
  NumberVertices(pMesh, true);
  NumberFaces(pMesh);
}

void CConquestMesh::NumberVertices(CMesh3d* pMesh, bool cleared)
{
  const int nbVertex = pMesh->NbVertex();
  m_pVertex.resize(static_cast<size_t>(nbVertex));
  m_State.resize(static_cast<size_t>(nbVertex));
  m_VertexWritten.resize(static_cast<size_t>(nbVertex));
  m_Valence.resize(static_cast<size_t>(nbVertex));
  // Backwards, so that a vertex listed twice keeps its first number; its later numbers are
  // never conquered, and their flags (-1) are not written.
  for (int i = nbVertex - 1; i >= 0; i--) {
    CVertex3d* v = pMesh->GetVertex(i);
    const int later = IndexOf(v);
    int state = cleared ? 0 : v->GetFlag();
    if (later > i) {
      state = m_State[static_cast<size_t>(later)];
      m_VertexWritten[static_cast<size_t>(later)] = -1;
    }
    TakeVertex(i, v, state);
  }
}

void CConquestMesh::TakeVertex(int i, CVertex3d* v, int state)
{
  v->SetMark(i);
  m_pVertex[static_cast<size_t>(i)] = v;
  m_State[static_cast<size_t>(i)] = state;
  m_VertexWritten[static_cast<size_t>(i)] = state == 0 ? 1 : state;
  v->SetFlag(m_VertexWritten[static_cast<size_t>(i)]);
  m_Valence[static_cast<size_t>(i)] = v->NbVertexNeighbor();
}

void CConquestMesh::TakeFace(int i, CFace3d* f)
{
  m_pFace[static_cast<size_t>(i)] = f;
  for (int k = 0; k < 3; k++)
    m_Corner[3 * static_cast<size_t>(i) + static_cast<size_t>(k)] = IndexOf(f->v(k));
  f->SetFlag(1);
}

void CConquestMesh::AddGhost(CVertex3d* pGhost, std::span<CFace3d* const> faces, const std::vector<int>& boundary)
{
  const size_t nbVertex = m_pVertex.size() + 1;
  m_pVertex.resize(nbVertex);
  m_State.resize(nbVertex);
  m_VertexWritten.resize(nbVertex);
  m_Valence.resize(nbVertex);
  TakeVertex(static_cast<int>(nbVertex) - 1, pGhost, pGhost->GetFlag());
  for (const int b : boundary)
    m_Valence[static_cast<size_t>(b)] = m_pVertex[static_cast<size_t>(b)]->NbVertexNeighbor();
  const size_t first = m_pFace.size();
  m_pFace.resize(first + faces.size());
  m_Corner.resize(3 * m_pFace.size());
  for (size_t i = 0; i < faces.size(); i++)
    TakeFace(static_cast<int>(first + i), faces[i]);
}

int CConquestMesh::HoldsEveryCorner() const
{
  // Filed from the sides, every corner was found among the vertices.
  if (m_FiledFromSides)
    return 1;
  for (size_t f = 0; f < m_pFace.size(); f++)
    if (m_pFace[f] && (m_Corner[3 * f] < 0 || m_Corner[3 * f + 1] < 0 || m_Corner[3 * f + 2] < 0))
      return 0;
  return 1;
}

void CConquestMesh::File()
{
  m_FiledFromSides = BuildFromSides();
  if (!m_FiledFromSides) {
    m_SplitFans.clear();
    m_FansFromCorners = BuildFansFromCorners();
    if (!m_FansFromCorners)
      BuildFansFromLists();
    if (!BuildEdgesFromCorners())
      BuildEdgesFromLists();
  }
  m_FaceConquered.assign(m_pFace.size(), 0);
  m_FaceWritten.assign(m_pFace.size(), 1);
}

bool CConquestMesh::BuildFromSides()
{
  // A closed oriented manifold has each side a -> b once, and b -> a once: a's slots are its
  // sides' far ends, its fan their faces, found in face order in one counting pass over the
  // corners. A degenerate face, or lists that disagree with the sides, leave it to the
  // other builds.
  const size_t nbVertex = m_pVertex.size();
  const size_t nbFace = m_pFace.size();
  m_SplitFans.clear();
  m_First.assign(nbVertex + 1, 0);
  for (size_t f = 0; f < nbFace; f++) {
    const int* c = &m_Corner[3 * f];
    if (c[0] < 0 || c[1] < 0 || c[2] < 0 || c[0] == c[1] || c[1] == c[2] || c[2] == c[0])
      return false;
    for (int k = 0; k < 3; k++)
      m_First[static_cast<size_t>(c[k]) + 1]++;
  }
  for (size_t v = 0; v < nbVertex; v++) {
    if (m_First[v + 1] != m_Valence[v])
      return false;
    m_First[v + 1] += m_First[v];
  }
  m_Slot.resize(static_cast<size_t>(m_First[nbVertex]));
  m_Remaining.assign(nbVertex, 0);
  for (size_t f = 0; f < nbFace; f++) {
    const int* c = &m_Corner[3 * f];
    for (int k = 0; k < 3; k++) {
      const size_t a = static_cast<size_t>(c[k]);
      // Whole, so that the flag's bit is not merged into a slot never read.
      m_Slot[static_cast<size_t>(m_First[a] + m_Remaining[a]++)] =
          SSlot(c[k == 2 ? 0 : k + 1], -1, static_cast<int>(f), c[k == 0 ? 2 : k - 1]);
    }
  }
  std::vector<int> slotTo(nbVertex, -1);
  for (size_t v = 0; v < nbVertex; v++) {
    const CVertex3d* pVertex = m_pVertex[v];
    const int first = m_First[v];
    if (pVertex->NbFaceNeighbor() != m_Remaining[v])
      return false;
    for (int k = 0; k < m_Remaining[v]; k++)
      if (pVertex->GetFaceNeighbor(k) != m_pFace[static_cast<size_t>(m_Slot[static_cast<size_t>(first + k)].Leaving)])
        return false;
    if (!FileEnteringFaces(static_cast<int>(v), slotTo))
      return false;
  }
  m_Fan.clear();
  m_FanFirst.clear();
  m_FansFromCorners = true;
  return true;
}

bool CConquestMesh::FileEnteringFaces(int v, std::vector<int>& slotTo)
{
  // The face of the side b -> v holds v, so it is in v's run: the face of the slot whose
  // corner across is b. slotTo[b] finds v's slot towards b; an entry below v's run is
  // another vertex's. The run must lead to each b once and be led back from each once.
  const int first = m_First[static_cast<size_t>(v)];
  const int last = m_First[static_cast<size_t>(v) + 1];
  for (int s = first; s < last; s++) {
    int& to = slotTo[static_cast<size_t>(m_Slot[static_cast<size_t>(s)].Other)];
    if (to >= first)
      return false;
    to = s;
  }
  // Each face turns to the one across its edge towards the corner before v, a slot of the run
  // each time and each slot once: the faces close in one fan when a walk from the first
  // meets them all. A short run keeps the turns, so that the walk reads them alone.
  const bool isShort = last - first <= kLongRun;
  int turn[kLongRun];
  for (int t = first; t < last; t++) {
    const int s = slotTo[static_cast<size_t>(m_Slot[static_cast<size_t>(t)].LeavingApex)];
    if (s < first || m_Slot[static_cast<size_t>(s)].Entering >= 0)
      return false;
    m_Slot[static_cast<size_t>(s)].Entering = m_Slot[static_cast<size_t>(t)].Leaving;
    if (isShort)
      turn[t - first] = s - first;
  }
  if (first < last) {
    int steps = 0;
    int t = 0;
    do {
      t = isShort ? turn[t] : slotTo[static_cast<size_t>(m_Slot[static_cast<size_t>(first + t)].LeavingApex)] - first;
      steps++;
    } while (t != 0);
    if (steps != last - first)
      m_SplitFans.push_back(v);
  }
  return true;
}

bool CConquestMesh::BuildEdgesFromCorners()
{
  // The sides of the faces, each as (lo, hi) with lo < hi, sorted by lo in one counting pass;
  // each run of the same lo then keeps each hi once. The neighbour lists are not read (their
  // vertices lie all over memory); a vertex whose sides give another count of neighbours
  // than it lists says that they disagree, and the lists decide then.
  const size_t nbVertex = m_pVertex.size();
  const size_t nbFace = m_pFace.size();
  std::vector<int> start(nbVertex + 1, 0);
  const auto forEachSide = [this, nbFace](auto fn) {
    for (size_t f = 0; f < nbFace; f++) {
      const int* c = &m_Corner[3 * f];
      for (int k = 0; k < 3; k++) {
        const int a = c[k];
        const int b = c[k == 2 ? 0 : k + 1];
        if (a >= 0 && b >= 0 && a != b)
          fn(std::min(a, b), std::max(a, b));
      }
    }
  };
  forEachSide([&start](int lo, int) { start[static_cast<size_t>(lo) + 1]++; });
  for (size_t i = 0; i < nbVertex; i++)
    start[i + 1] += start[i];
  std::vector<int> hi(static_cast<size_t>(start[nbVertex]));
  {
    std::vector<int> next(start.begin(), start.end() - 1);
    forEachSide([&hi, &next](int lo, int h) { hi[static_cast<size_t>(next[static_cast<size_t>(lo)]++)] = h; });
  }
  // Each run keeps its first of each hi, packed at the run's front; end[lo] closes it.
  std::vector<int> seen(nbVertex, -1);
  std::vector<int> end(nbVertex);
  m_Remaining.assign(nbVertex, 0);
  for (size_t lo = 0; lo < nbVertex; lo++) {
    int kept = start[lo];
    for (int k = start[lo]; k < start[lo + 1]; k++) {
      const int h = hi[static_cast<size_t>(k)];
      if (seen[static_cast<size_t>(h)] == static_cast<int>(lo))
        continue;
      seen[static_cast<size_t>(h)] = static_cast<int>(lo);
      hi[static_cast<size_t>(kept++)] = h;
      m_Remaining[static_cast<size_t>(h)]++;
    }
    end[lo] = kept;
    m_Remaining[lo] += kept - start[lo];
  }
  if (m_Remaining != m_Valence)
    return false;
  FileEdges([&start, &end, &hi, nbVertex](auto fn) {
    for (size_t lo = 0; lo < nbVertex; lo++)
      for (int k = start[lo]; k < end[lo]; k++)
        fn(static_cast<int>(lo), hi[static_cast<size_t>(k)]);
  });
  return true;
}

void CConquestMesh::BuildEdgesFromLists()
{
  // The neighbour lists by number, read once from the vertices.
  const int nbVertex = GetNbVertex();
  std::vector<int> first(static_cast<size_t>(nbVertex) + 1, 0);
  std::vector<int> neighbor;
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* v = m_pVertex[static_cast<size_t>(i)];
    for (int k = 0; k < v->NbVertexNeighbor(); k++)
      neighbor.push_back(IndexOf(v->GetVertexNeighbor(k)));
    first[static_cast<size_t>(i) + 1] = static_cast<int>(neighbor.size());
  }
  // An edge (i, j) for every neighbour j > i that i lists.
  const auto forEachEdge = [nbVertex, &first, &neighbor](auto fn) {
    for (int i = 0; i < nbVertex; i++)
      for (int k = first[static_cast<size_t>(i)]; k < first[static_cast<size_t>(i) + 1]; k++)
        if (neighbor[static_cast<size_t>(k)] > i)
          fn(i, neighbor[static_cast<size_t>(k)]);
  };
  m_Remaining.assign(static_cast<size_t>(nbVertex), 0);
  forEachEdge([this](int i, int j) {
    m_Remaining[static_cast<size_t>(i)]++;
    m_Remaining[static_cast<size_t>(j)]++;
  });
  FileEdges(forEachEdge);
}

template <class ForEachEdge>
void CConquestMesh::FileEdges(ForEachEdge forEachEdge)
{
  // m_Remaining holds the degrees; it counts the slots filed so far, and ends as the degrees
  // again.
  const size_t nbVertex = m_Remaining.size();
  m_First.resize(nbVertex + 1);
  m_First[0] = 0;
  for (size_t i = 0; i < nbVertex; i++)
    m_First[i + 1] = m_First[i] + m_Remaining[i];
  m_Slot.assign(static_cast<size_t>(m_First.back()), SSlot(-1, -2, -2, -1));
  std::fill(m_Remaining.begin(), m_Remaining.end(), 0);
  forEachEdge([this](int i, int j) {
    m_Slot[static_cast<size_t>(m_First[static_cast<size_t>(i)] + m_Remaining[static_cast<size_t>(i)]++)].Other = j;
    m_Slot[static_cast<size_t>(m_First[static_cast<size_t>(j)] + m_Remaining[static_cast<size_t>(j)]++)].Other = i;
  });
}

void CConquestMesh::NumberFaces(CMesh3d* pMesh)
{
  const int nbFace = pMesh->NbFace();
  m_pFace.resize(static_cast<size_t>(nbFace));
  m_Corner.assign(3 * static_cast<size_t>(nbFace), -1);
  m_BorderSides.clear();
  // Every face free; its flag, set while its corners are read, what a conquest leaves it.
  for (int i = 0; i < nbFace; i++) {
    CFace3d* f = pMesh->GetFace(i);
    if (!f) {
      m_pFace[static_cast<size_t>(i)] = nullptr;
      continue;
    }
    TakeFace(i, f);
    // Rare: tested once per face, so that the loads of the corners' numbers overlap.
    const int missing = !f->f(0) + !f->f(1) + !f->f(2);
    if (missing != 0) [[unlikely]]
      for (int k = 0; k < 3; k++)
        if (!f->f(k))
          m_BorderSides.push_back(3 * i + k);
  }
}

bool CConquestMesh::BuildFansFromCorners()
{
  // Each vertex's faces in face order, each once, from one counting pass over the corners:
  // what the face lists hold when the mesh built them. They are compared with the lists
  // rather than trusted, the faces themselves left unread (they lie all over memory).
  const size_t nbVertex = m_pVertex.size();
  const size_t nbFace = m_pFace.size();
  const auto forEachCorner = [this, nbFace](auto fn) {
    for (size_t f = 0; f < nbFace; f++) {
      const int* c = &m_Corner[3 * f];
      for (int k = 0; k < 3; k++)
        if (c[k] >= 0 && (k == 0 || c[k] != c[0]) && (k < 2 || c[k] != c[1]))
          fn(static_cast<int>(f), static_cast<size_t>(c[k]));
    }
  };
  m_FanFirst.assign(nbVertex + 1, 0);
  forEachCorner([this](int, size_t v) { m_FanFirst[v + 1]++; });
  for (size_t v = 0; v < nbVertex; v++)
    m_FanFirst[v + 1] += m_FanFirst[v];
  m_Fan.resize(static_cast<size_t>(m_FanFirst[nbVertex]));
  {
    std::vector<int> next(m_FanFirst.begin(), m_FanFirst.end() - 1);
    forEachCorner([this, &next](int f, size_t v) { m_Fan[static_cast<size_t>(next[v]++)] = f; });
  }
  std::vector<int> slotTo(nbVertex, -1);
  for (size_t v = 0; v < nbVertex; v++) {
    const CVertex3d* pVertex = m_pVertex[v];
    const int* pFan = m_Fan.data() + m_FanFirst[v];
    const int n = m_FanFirst[v + 1] - m_FanFirst[v];
    if (pVertex->NbFaceNeighbor() != n)
      return false;
    for (int k = 0; k < n; k++)
      if (pVertex->GetFaceNeighbor(k) != m_pFace[static_cast<size_t>(pFan[k])])
        return false;
  }
  return true;
}

void CConquestMesh::BuildFansFromLists()
{
  // The face flags carry the face numbers while the fans are read from the face lists.
  const int nbFace = GetNbFace();
  for (int i = 0; i < nbFace; i++)
    if (CFace3d* f = m_pFace[static_cast<size_t>(i)])
      f->SetFlag(i);
  const auto indexOf = [this, nbFace](const CFace3d* f) {
    const int i = f ? f->GetFlag() : -1;
    return i >= 0 && i < nbFace && m_pFace[static_cast<size_t>(i)] == f ? i : -1;
  };
  const int nbVertex = GetNbVertex();
  m_FanFirst.resize(static_cast<size_t>(nbVertex) + 1);
  m_FanFirst[0] = 0;
  m_Fan.clear();
  for (int v = 0; v < nbVertex; v++) {
    const CVertex3d* pVertex = m_pVertex[static_cast<size_t>(v)];
    for (int k = 0; k < pVertex->NbFaceNeighbor(); k++) {
      const int f = indexOf(pVertex->GetFaceNeighbor(k));
      if (f >= 0)
        m_Fan.push_back(f);
    }
    m_FanFirst[static_cast<size_t>(v) + 1] = static_cast<int>(m_Fan.size());
  }
  for (CFace3d* f : m_pFace)
    if (f)
      f->SetFlag(1);
}

int CConquestMesh::Conquer(int a, int b)
{
  const int s = FindSlot(a < b ? a : b, a < b ? b : a);
  if (s < 0 || m_Slot[static_cast<size_t>(s)].Conquered)
    return 0;
  m_Slot[static_cast<size_t>(s)].Conquered = 1;
  m_Remaining[static_cast<size_t>(a)]--;
  m_Remaining[static_cast<size_t>(b)]--;
  return 1;
}

void CConquestMesh::WriteFlags()
{
  // Only the elements whose flags Build did not foresee, seldom any: the arrays are read, the
  // mesh is not.
  for (size_t i = 0; i < m_pVertex.size(); i++)
    if (m_VertexWritten[i] >= 0 && m_State[i] != m_VertexWritten[i]) {
      m_pVertex[i]->SetFlag(m_State[i]);
      m_VertexWritten[i] = m_State[i];
    }
  for (size_t f = 0; f < m_pFace.size(); f++)
    if (m_pFace[f] && m_FaceConquered[f] != m_FaceWritten[f]) {
      m_pFace[f]->SetFlag(m_FaceConquered[f]);
      m_FaceWritten[f] = m_FaceConquered[f];
    }
}

int CConquestMesh::FindFaceWithOrientedEdge(int v, int a, int b) const
{
  for (int k = 0; k < GetFanSize(v); k++)
    if (HasOrientedEdge(GetFanFace(v, k), a, b))
      return GetFanFace(v, k);
  return -1;
}

int CConquestMesh::FindFace(int v, int a, int b) const
{
  if (a == b || a == v || b == v)
    return -1;
  if (m_FiledFromSides) {
    // The faces holding v and a are those of the edge v - a; the first in the fan, which
    // runs in face order, of those closing on b. The one entering v from a closes on b when
    // it is the one leaving v for b.
    if (v < 0 || a < 0 || b < 0)
      return -1;
    int s = -1;
    int t = -1;
    FindSlots(v, a, b, &s, &t);
    if (s < 0)
      return -1;
    const SSlot& slot = m_Slot[static_cast<size_t>(s)];
    const int f = slot.LeavingApex == b ? slot.Leaving : -1;
    const int g = t >= 0 && m_Slot[static_cast<size_t>(t)].Leaving == slot.Entering ? slot.Entering : -1;
    return f < 0 ? g : (g < 0 ? f : std::min(f, g));
  }
  for (int k = 0; k < GetFanSize(v); k++)
    if (IndexOfCorner(GetFanFace(v, k), a) >= 0 && IndexOfCorner(GetFanFace(v, k), b) >= 0)
      return GetFanFace(v, k);
  return -1;
}

CConquestMesh::SSlot* CConquestMesh::LeavingSlot(int v, int b) const
{
  const int s = FindSlot(v, b);
  if (s < 0)
    return nullptr;
  SSlot& slot = m_Slot[static_cast<size_t>(s)];
  if (slot.Leaving == -2) {
    slot.Leaving = FindFaceWithOrientedEdge(v, v, b);
    slot.LeavingApex = slot.Leaving < 0 ? -1 : GetCornerOther(slot.Leaving, v, b);
  }
  return &slot;
}

int CConquestMesh::FindFaceLeaving(int v, int b) const
{
  const SSlot* pSlot = LeavingSlot(v, b);
  return pSlot ? pSlot->Leaving : FindFaceWithOrientedEdge(v, v, b);
}

int CConquestMesh::FindFaceEntering(int v, int a) const
{
  const int s = FindSlot(v, a);
  if (s < 0)
    return FindFaceWithOrientedEdge(v, a, v);
  int& f = m_Slot[static_cast<size_t>(s)].Entering;
  if (f == -2)
    f = FindFaceWithOrientedEdge(v, a, v);
  return f;
}

int CConquestMesh::IsFillCorner(int g, int p, int q) const
{
  if (g < 0 || p < 0)
    return 0;
  if (m_FiledFromSides) {
    // The face beyond g -> p and its corner across, which is seldom q: the edge g - q is
    // looked up only then.
    int f = -1;
    int back = -1;
    int apex = -1;
    GetEdgeFaces(g, p, &f, &back, &apex);
    if (f < 0 || apex != q || IsFaceConquered(f))
      return 0;
    return IsConquered(g, q);
  }
  // Most corners are no fill: without the edge p-q there is no face g->p->q, and p's run of
  // slots is cheaper to read than g's faces.
  if (FindSlot(p, q) < 0)
    return 0;
  const SSlot* pSlot = LeavingSlot(g, p);
  const int f = pSlot ? pSlot->Leaving : FindFaceWithOrientedEdge(g, g, p);
  const int apex = pSlot ? pSlot->LeavingApex : (f < 0 ? -1 : GetCornerOther(f, g, p));
  if (f < 0 || apex != q || IsFaceConquered(f))
    return 0;
  return IsConquered(g, q);
}
