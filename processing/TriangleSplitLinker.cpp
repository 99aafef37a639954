#include "processing/TriangleSplitLinker.h"

#include "mesh/AdjacencyLists.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"

#include <algorithm>

CTriangleSplitLinker::CTriangleSplitLinker(CMesh3d* pMesh, int nbOldVertex, int nbOldFace,
                                           const std::vector<int>& slots,
                                           const std::vector<SPoint>& points)
  : m_pMesh(pMesh), m_NbOldVertex(nbOldVertex), m_NbOldFace(nbOldFace), m_Slots(slots),
    m_Points(points)
{
}

// The faces first, in memory order, each cut, linked and given its normal while it is at hand;
// then the vertices, in memory order, each given its lists and its normal from the faces'.
bool CTriangleSplitLinker::Split()
{
  if (!IsClean())
    return false;
  SplitFaces();
  m_Stamp.assign(static_cast<size_t>(m_pMesh->NbVertex()), -1);
  ListOldVertices();
  ListEdgeVertices();
  return true;
}

// Every face cut in four with distinct corners.
bool CTriangleSplitLinker::IsClean()
{
  const int nbVertex = m_pMesh->NbVertex();
  if (m_NbOldFace <= 0 || m_pMesh->NbFace() != m_NbOldFace ||
      m_Slots.size() != 6 * static_cast<size_t>(m_NbOldFace) || m_NbOldVertex > nbVertex ||
      m_Points.size() != static_cast<size_t>(nbVertex))
    return false;
  for (int g = 0; g < m_NbOldFace; g++) {
    for (int k = 0; k < 3; k++) {
      const int c = Corner(g, k);
      const int e = EdgeVertex(g, k);
      if (c < 0 || c >= m_NbOldVertex || e < m_NbOldVertex || e >= nbVertex)
        return false;
    }
    if (Corner(g, 0) == Corner(g, 1) || Corner(g, 1) == Corner(g, 2) ||
        Corner(g, 0) == Corner(g, 2))
      return false;
  }
  return PairEdgeVertices() && PairsAreConsistent();
}

// An edge vertex on more than two faces stands on a non-manifold edge; one on none was not put
// there by the step.
bool CTriangleSplitLinker::PairEdgeVertices()
{
  m_Owner.assign(2 * static_cast<size_t>(m_pMesh->NbVertex() - m_NbOldVertex), -1);
  for (int s = 0; s < 3 * m_NbOldFace; s++) {
    int* owner = &m_Owner[2 * static_cast<size_t>(EdgeVertex(s / 3, s % 3) - m_NbOldVertex)];
    if (owner[0] < 0)
      owner[0] = s;
    else if (owner[1] < 0)
      owner[1] = s;
    else
      return false;
  }
  // Every vertex made by the step lies on some edge.
  for (size_t e = 0; e < m_Owner.size(); e += 2)
    if (m_Owner[e] < 0)
      return false;
  return true;
}

// The two slots of an edge vertex lie on two faces with the same ends; no two faces share two
// edge vertices (their centre pieces would share an edge with more than two faces).
bool CTriangleSplitLinker::PairsAreConsistent() const
{
  for (int g = 0; g < m_NbOldFace; g++) {
    int across[3];
    for (int k = 0; k < 3; k++) {
      const int t = Across(3 * g + k);
      across[k] = t < 0 ? -1 - k : t / 3;
      if (t < 0)
        continue;
      if (across[k] == g)
        return false;
      const int a = Corner(g, k);
      const int b = Corner(g, (k + 1) % 3);
      const int c = Corner(t / 3, t % 3);
      const int d = Corner(t / 3, (t % 3 + 1) % 3);
      if (!((a == c && b == d) || (a == d && b == c)))
        return false;
    }
    if (across[0] == across[1] || across[1] == across[2] || across[0] == across[2])
      return false;
  }
  return true;
}

int CTriangleSplitLinker::Across(int s) const
{
  const int* owner = &m_Owner[2 * static_cast<size_t>(EdgeVertex(s / 3, s % 3) - m_NbOldVertex)];
  return owner[0] == s ? owner[1] : owner[0];
}

int CTriangleSplitLinker::ChildAt(int g, int c) const
{
  if (Corner(g, 0) == c)
    return g;
  if (Corner(g, 1) == c)
    return m_NbOldFace + 3 * g;
  if (Corner(g, 2) == c)
    return m_NbOldFace + 3 * g + 2;
  return -1;
}

int CTriangleSplitLinker::ChildAcross(int g, int edge, int c) const
{
  const int t = Across(3 * g + edge);
  return t < 0 ? -1 : ChildAt(t / 3, c);
}

// Each neighbour met is stamped with the vertex whose list it joins, so that a list is made
// in one pass over its faces' corners, without a search.
void CTriangleSplitLinker::Store(int vertex, const int* faces, int nb)
{
  if (vertex < m_NbOldVertex) {
    const SPoint& point = m_Points[static_cast<size_t>(vertex)];
    m_pMesh->GetVertex(vertex)->Set(point.p[0], point.p[1], point.p[2]);
  }
  // Each face brings at most two neighbours.
  if (m_Neighbors.size() < 2 * static_cast<size_t>(nb))
    m_Neighbors.resize(2 * static_cast<size_t>(nb));
  int* neighbors = m_Neighbors.data();
  int nbNeighbor = 0;
  for (int p = 0; p < nb; p++) {
    int corners[3];
    NewCorners(faces[p], corners);
    for (const int b : corners) {
      if (b == vertex)
        continue;
      if (nb <= kSearchedFaces) {
        if (std::find(neighbors, neighbors + nbNeighbor, b) != neighbors + nbNeighbor)
          continue;
      } else {
        if (m_Stamp[static_cast<size_t>(b)] == vertex)
          continue;
        m_Stamp[static_cast<size_t>(b)] = vertex;
      }
      neighbors[nbNeighbor++] = b;
    }
  }
  SetAdjacencyLists(m_pMesh, vertex, faces, nb, neighbors, nbNeighbor);
  SetVertexNormal(vertex, nb);
}

// The sum of the normals of the vertex's faces in list order, normalised: what
// CMesh3d::ComputeVertexNormals gives. A vertex without faces keeps its normal.
void CTriangleSplitLinker::SetVertexNormal(int vertex, int nb)
{
  if (nb == 0)
    return;
  const float* sum = m_Sums[static_cast<size_t>(vertex)].p;
  CVector3d normal(sum[0], sum[1], sum[2]);
  normal.Normalize();
  m_pMesh->GetVertex(vertex)->GetNormal()->Set(normal);
}

// An old vertex is corner 0 of the child kept in place (indices below n) or corner 1 or 2 of
// an appended one: its faces in index order are those where it was corner 0, then the others,
// each group in old face order.
void CTriangleSplitLinker::ListOldVertices()
{
  const size_t nbVertex = static_cast<size_t>(m_NbOldVertex);
  std::vector<int> start(nbVertex + 1, 0);
  for (int s = 0; s < 3 * m_NbOldFace; s++)
    start[Corner(s / 3, s % 3) + 1]++;
  for (size_t a = 1; a <= nbVertex; a++)
    start[a] += start[a - 1];
  std::vector<int> faces(static_cast<size_t>(3 * m_NbOldFace));
  {
    std::vector<int> cursor(start.begin(), start.end() - 1);
    for (int g = 0; g < m_NbOldFace; g++)
      faces[cursor[Corner(g, 0)]++] = g;
    for (int g = 0; g < m_NbOldFace; g++) {
      faces[cursor[Corner(g, 1)]++] = m_NbOldFace + 3 * g;
      faces[cursor[Corner(g, 2)]++] = m_NbOldFace + 3 * g + 2;
    }
  }
  for (int a = 0; a < m_NbOldVertex; a++)
    Store(a, &faces[start[a]], start[a + 1] - start[a]);
}

// The vertex on edge k of face g lies in three of its children; with the face across, six.
// The first slot of an edge vertex lies on the lower face, so the faces come in index order
// with the kept children (below n) first, then the appended ones of each face in turn.
void CTriangleSplitLinker::ListEdgeVertices()
{
  static constexpr int kHolders[3][3] = {{-1, 0, 1}, {0, 1, 2}, {-1, 1, 2}};
  auto addKept = [](int s, int* faces, int& nb) {
    if (kHolders[s % 3][0] < 0)
      faces[nb++] = s / 3;
  };
  auto addAppended = [this](int s, int* faces, int& nb) {
    const int first = m_NbOldFace + 3 * (s / 3);
    for (const int piece : kHolders[s % 3])
      if (piece >= 0)
        faces[nb++] = first + piece;
  };
  for (int e = m_NbOldVertex; e < m_pMesh->NbVertex(); e++) {
    const int* owner = &m_Owner[2 * static_cast<size_t>(e - m_NbOldVertex)];
    int faces[6];
    int nb = 0;
    addKept(owner[0], faces, nb);
    if (owner[1] >= 0)
      addKept(owner[1], faces, nb);
    addAppended(owner[0], faces, nb);
    if (owner[1] >= 0)
      addAppended(owner[1], faces, nb);
    Store(e, faces, nb);
  }
}

// Each child's inner edges face its centre sibling, linked as the children are made; its outer
// halves face the child of the face across that holds the same old corner, across the same old
// edge (edge k of the old face is edge k of both children along it), linked in a pass of their
// own. Every vertex lists its faces in face order, so the normals of the kept children (below
// n) are summed first, in a pass of their own, then those of the appended ones as they are
// made; a kept child's normal is computed again when it is cut, which costs less than keeping
// the normals in between.
void CTriangleSplitLinker::SplitFaces()
{
  m_Sums.assign(m_Points.size(), SPoint{{0.0f, 0.0f, 0.0f}});
  for (int g = 0; g < m_NbOldFace; g++) {
    const int* s = &m_Slots[6 * static_cast<size_t>(g)];
    AddNormal(s[0], s[3], s[5]);
  }
  CArray3d<CFace3d>* pFaces = m_pMesh->GetArrayFace();
  const int capacity = 4 * m_NbOldFace;
  if (capacity > pFaces->GetMaxSize()) {
    pFaces->SetSize(capacity);
    pFaces->SetSize(m_NbOldFace);
  }
  for (int g = 0; g < m_NbOldFace; g++) {
    const int* s = &m_Slots[6 * static_cast<size_t>(g)];
    CVertex3d* v[6];
    for (int k = 0; k < 6; k++)
      v[k] = m_pMesh->GetVertex(s[k]);
    CFace3d* first = m_pMesh->NewFace(v[3], v[1], v[4]);
    m_pMesh->AddFace(first);
    CFace3d* centre = m_pMesh->NewFace(v[3], v[4], v[5]);
    m_pMesh->AddFace(centre);
    CFace3d* last = m_pMesh->NewFace(v[5], v[4], v[2]);
    m_pMesh->AddFace(last);
    CFace3d* kept = m_pMesh->GetFace(g);
    kept->SetFlag(0);
    kept->Set(v[0], v[3], v[5], nullptr, centre, nullptr);
    for (int k = 3; k < 6; k++)
      kept->SetVertex(k, nullptr);
    kept->GetNormal()->Set(Normal(s[0], s[3], s[5]));
    first->SetF(2, centre);
    centre->SetNeighbors(first, last, kept);
    last->SetF(0, centre);
    first->GetNormal()->Set(AddNormal(s[3], s[1], s[4]));
    centre->GetNormal()->Set(AddNormal(s[3], s[4], s[5]));
    last->GetNormal()->Set(AddNormal(s[5], s[4], s[2]));
  }
  for (int g = 0; g < m_NbOldFace; g++)
    LinkAcross(g);
}

void CTriangleSplitLinker::LinkAcross(int g)
{
  const int a = m_NbOldFace + 3 * g;
  CFace3d* const children[4] = {m_pMesh->GetFace(g), m_pMesh->GetFace(a), m_pMesh->GetFace(a + 1),
                                m_pMesh->GetFace(a + 2)};
  for (int k = 0; k < 3; k++) {
    const int t = Across(3 * g + k);
    if (t < 0)
      continue;
    for (const int corner : {k, (k + 1) % 3}) {
      CFace3d* other = m_pMesh->GetFace(ChildAt(t / 3, Corner(g, corner)));
      children[ChildOfCorner(corner)]->SetF(k, other);
    }
  }
}

// What CFace3d::CalculateNormal gives, from the compact positions.
CVector3d CTriangleSplitLinker::Normal(int a, int b, int c) const
{
  const SPoint* p = m_Points.data();
  CVector3d normal(CVector3d(&p[a], &p[b]) ^ CVector3d(&p[a], &p[c]));
  normal.Normalize();
  return normal;
}

CVector3d CTriangleSplitLinker::AddNormal(int a, int b, int c)
{
  const CVector3d normal = Normal(a, b, c);
  for (const int v : {a, b, c}) {
    float* sum = m_Sums[static_cast<size_t>(v)].p;
    sum[0] += normal.x();
    sum[1] += normal.y();
    sum[2] += normal.z();
  }
  return normal;
}
