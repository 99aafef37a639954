#include "processing/TriangleSplitLinker.h"

#include "mesh/AdjacencyLists.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"

#include <algorithm>
#include <memory>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using SPoint = CTriangleSplitLinker::SPoint;

#if defined(__SSE2__)
// Two vectors in double, one per lane, normalised as CVector3d::Normalize does it (square norm
// in double, square root, each coordinate divided in double and rounded to float, a zero
// vector left as it is): the same correctly rounded operations lane by lane, so the bits agree.
// The square roots and divisions are most of the cost of the step's normals.
inline void NormalizeLanes(__m128d x, __m128d y, __m128d z, SPoint* a, SPoint* b)
{
  const __m128d square =
    _mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z));
  const __m128d norm = _mm_sqrt_pd(square);
  // A zero vector is divided by one: it stays as it is.
  const __m128d zero = _mm_cmpeq_pd(norm, _mm_setzero_pd());
  const __m128d divisor =
    _mm_or_pd(_mm_and_pd(zero, _mm_set1_pd(1.0)), _mm_andnot_pd(zero, norm));
  const __m128 xs = _mm_cvtpd_ps(_mm_div_pd(x, divisor));
  const __m128 ys = _mm_cvtpd_ps(_mm_div_pd(y, divisor));
  const __m128 zs = _mm_cvtpd_ps(_mm_div_pd(z, divisor));
  *a = SPoint{{_mm_cvtss_f32(xs), _mm_cvtss_f32(ys), _mm_cvtss_f32(zs)}};
  *b = SPoint{{_mm_cvtss_f32(_mm_shuffle_ps(xs, xs, 1)), _mm_cvtss_f32(_mm_shuffle_ps(ys, ys, 1)),
               _mm_cvtss_f32(_mm_shuffle_ps(zs, zs, 1))}};
}

// Floats of two vectors, one per lane, in double.
inline __m128d Lanes(float a, float b)
{
  return _mm_cvtps_pd(_mm_setr_ps(a, b, 0.0f, 0.0f));
}

// Rounded to float and back, lane by lane. Through the conversion instructions themselves: the
// optimiser took the plain casts of CVector3d's cross product followed by the widening of its
// norm for no-ops in vectorised code, and optimised builds gave other normals than the tests'.
inline __m128d RoundToFloat(__m128d v)
{
  return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}
#endif

// Normalises two vectors, each as CVector3d::Normalize does.
inline void NormalizePair(SPoint* a, SPoint* b)
{
#if defined(__SSE2__)
  NormalizeLanes(Lanes(a->p[0], b->p[0]), Lanes(a->p[1], b->p[1]), Lanes(a->p[2], b->p[2]), a,
                 b);
#else
  for (SPoint* v : {a, b}) {
    CVector3d normal(v->p[0], v->p[1], v->p[2]);
    normal.Normalize();
    *v = SPoint{{normal.x(), normal.y(), normal.z()}};
  }
#endif
}

// The normals of two faces given by their corners, each what CFace3d::CalculateNormal gives:
// the cross product of b - a and c - a (float differences, products in double, rounded to
// float), normalised.
inline void FaceNormalPair(const SPoint* p, const int* f, const int* g, SPoint* nf, SPoint* ng)
{
#if defined(__SSE2__)
  const SPoint& a = p[f[0]];
  const SPoint& b = p[f[1]];
  const SPoint& c = p[f[2]];
  const SPoint& d = p[g[0]];
  const SPoint& e = p[g[1]];
  const SPoint& h = p[g[2]];
  __m128d u[3];
  __m128d w[3];
  for (int axis = 0; axis < 3; axis++) {
    u[axis] = Lanes(b.p[axis] - a.p[axis], e.p[axis] - d.p[axis]);
    w[axis] = Lanes(c.p[axis] - a.p[axis], h.p[axis] - d.p[axis]);
  }
  const auto cross = [&u, &w](int i, int j) {
    return RoundToFloat(_mm_sub_pd(_mm_mul_pd(u[i], w[j]), _mm_mul_pd(u[j], w[i])));
  };
  NormalizeLanes(cross(1, 2), cross(2, 0), cross(0, 1), nf, ng);
#else
  for (const auto& [corners, normal] : {std::pair{f, nf}, std::pair{g, ng}}) {
    CVector3d cross(CVector3d(&p[corners[0]], &p[corners[1]]) ^
                    CVector3d(&p[corners[0]], &p[corners[2]]));
    cross.Normalize();
    *normal = SPoint{{cross.x(), cross.y(), cross.z()}};
  }
#endif
}

} // namespace

CTriangleSplitLinker::CTriangleSplitLinker(CMesh3d* pMesh, int nbOldVertex, int nbOldFace,
                                           const std::vector<int>& slots,
                                           const std::vector<SPoint>& points)
  : m_pMesh(pMesh), m_NbOldVertex(nbOldVertex), m_NbOldFace(nbOldFace), m_Slots(slots),
    m_Points(points)
{
  for (int k = 0; k < 3; k++)
    for (int j = 0; j < 4; j++)
      for (int same = 0; same < 2; same++)
        m_EdgeOrders[k][j][same] = EdgeOrder(k, j, same != 0);
}

// The faces of the vertex on edge k of a face g, and of the face across (which holds it on its
// edge j; j = 3 on a boundary): the kept children first, then the appended ones of g, then those
// of the face across, as ListEdgeVertices lists them. The neighbours follow from the children's
// corners as Store gathers them, found here once per arrangement on stand-ins: the record of g
// and that of the face across, all vertices distinct but those the two faces share (IsClean
// holds to that).
CTriangleSplitLinker::SEdgeOrder CTriangleSplitLinker::EdgeOrder(int k, int j, bool same)
{
  static constexpr int kHolders[3][3] = {{0, 1, 2}, {1, 2, 3}, {0, 2, 3}};
  SEdgeOrder order;
  const int nbSide = j < 3 ? 2 : 1;
  const int edges[2] = {k, j};
  for (int side = 0; side < nbSide; side++)
    if (kHolders[edges[side]][0] == 0)
      order.faces[order.nbFace++] = 4 * side;
  for (int side = 0; side < nbSide; side++)
    for (const int child : kHolders[edges[side]])
      if (child > 0)
        order.faces[order.nbFace++] = 4 * side + child;
  int record[12];
  for (int i = 0; i < 12; i++)
    record[i] = i;
  if (j < 3) {
    record[6 + 3 + j] = 3 + k;
    record[6 + j] = same ? k : (k + 1) % 3;
    record[6 + (j + 1) % 3] = same ? (k + 1) % 3 : k;
  }
  int values[6];
  for (int f = 0; f < order.nbFace; f++) {
    const int side = order.faces[f] / 4;
    for (const int corner : kChildCorners[order.faces[f] % 4]) {
      const int from = 6 * side + corner;
      const int value = record[from];
      if (value == 3 + k || std::find(values, values + order.nbNeighbor, value) !=
                              values + order.nbNeighbor)
        continue;
      values[order.nbNeighbor] = value;
      order.neighbors[order.nbNeighbor++] = from;
    }
  }
  return order;
}

// The faces first, in memory order, each cut, linked and given its normal while it is at hand;
// then the vertices, in memory order, each given its lists and its normal from the faces'.
bool CTriangleSplitLinker::Split()
{
  if (!IsClean())
    return false;
  PlaceNewElements();
  try {
    SplitFaces();
    ListOldVertices();
    ListEdgeVertices();
  } catch (...) {
    MakeTheRest();
    throw;
  }
  return true;
}

// After a failure (memory) every element the arrays hold must exist: the faces not made yet
// become faces without corners, which take part in nothing, the vertices stand at their points.
void CTriangleSplitLinker::MakeTheRest()
{
  for (auto i = static_cast<std::uint32_t>(m_NbFacesMade); i < m_NewFaces.GetSize(); i++)
    m_NewFaces.Construct(i);
  const auto nbNewVertex = static_cast<std::uint32_t>(m_Points.size()) - m_NbOldVertex;
  for (auto i = static_cast<std::uint32_t>(m_NbVerticesMade); i < nbNewVertex; i++) {
    const SPoint& point = m_Points[m_NbOldVertex + i];
    m_NewVertices.Construct(i, point.p[0], point.p[1], point.p[2]);
  }
}

// Every face cut in four with distinct corners, each edge vertex on one or two faces with the
// same ends, no two faces sharing two edge vertices (their centre pieces would share an edge
// with more than two faces). A pair is checked as its second slot is met, while the first is
// at hand; two faces that share two edge vertices are both met first from the lower one, so
// the higher one finds it twice across.
bool CTriangleSplitLinker::IsClean()
{
  const int nbVertex = static_cast<int>(m_Points.size());
  if (m_NbOldFace <= 0 || m_pMesh->NbFace() != m_NbOldFace ||
      m_Slots.size() != 6 * static_cast<size_t>(m_NbOldFace) ||
      m_pMesh->NbVertex() != m_NbOldVertex || m_NbOldVertex > nbVertex)
    return false;
  m_Owner.assign(2 * static_cast<size_t>(nbVertex - m_NbOldVertex), -1);
  // Every entry is written as its slot is paired.
  m_AcrossChildren = std::make_unique_for_overwrite<int[]>(6 * static_cast<size_t>(m_NbOldFace));
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
    int across[3];
    for (int k = 0; k < 3; k++)
      if (!PairEdgeVertex(g, k, &across[k]))
        return false;
    if (across[0] == across[1] || across[1] == across[2] || across[0] == across[2])
      return false;
  }
  // Every vertex made by the step lies on some edge.
  for (size_t e = 0; e < m_Owner.size(); e += 2)
    if (m_Owner[e] < 0)
      return false;
  return true;
}

// Notes slot 3 g + k (edge k of face g) as a holder of its edge vertex, in slot order. The
// second holder must be another face with the same ends, named in *pAcross; a first holder
// gets -1 - edge, unlike any face. An edge vertex on more than two faces stands on a
// non-manifold edge.
bool CTriangleSplitLinker::PairEdgeVertex(int g, int k, int* pAcross)
{
  static constexpr int kNext[3] = {1, 2, 0};
  const int s = 3 * g + k;
  int* owner = &m_Owner[2 * static_cast<size_t>(EdgeVertex(g, k) - m_NbOldVertex)];
  int* across = &m_AcrossChildren[6 * static_cast<size_t>(g) + 2 * static_cast<size_t>(k)];
  if (owner[0] < 0) {
    owner[0] = s;
    *pAcross = -1 - k;
    across[0] = -1;
    across[1] = -1;
    return true;
  }
  if (owner[1] >= 0)
    return false;
  owner[1] = s;
  const int h = owner[0] / 3;
  const int j = owner[0] - 3 * h;
  *pAcross = h;
  if (h == g)
    return false;
  const int a = Corner(g, k);
  const int b = Corner(g, kNext[k]);
  const int c = Corner(h, j);
  const int d = Corner(h, kNext[j]);
  const bool same = a == c && b == d;
  if (!same && !(a == d && b == c))
    return false;
  // Each face's child at either end of the edge faces the other's child at the same end.
  int* back = &m_AcrossChildren[6 * static_cast<size_t>(h) + 2 * static_cast<size_t>(j)];
  across[0] = ChildAtCorner(h, same ? j : kNext[j]);
  across[1] = ChildAtCorner(h, same ? kNext[j] : j);
  back[0] = ChildAtCorner(g, same ? k : kNext[k]);
  back[1] = ChildAtCorner(g, same ? kNext[k] : k);
  return true;
}

// The neighbours of an old vertex are the other corners of its faces, in order, each once: a
// short list is searched, a long one marks each neighbour met with the vertex whose list it
// joins.
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
    int corners[2];
    OtherCorners(faces[p], corners);
    for (const int b : corners) {
      if (nb <= kSearchedFaces) {
        if (std::find(neighbors, neighbors + nbNeighbor, b) != neighbors + nbNeighbor)
          continue;
      } else {
        if (m_Stamp.empty())
          m_Stamp.assign(static_cast<size_t>(m_pMesh->NbVertex()), -1);
        if (m_Stamp[static_cast<size_t>(b)] == vertex)
          continue;
        m_Stamp[static_cast<size_t>(b)] = vertex;
      }
      neighbors[nbNeighbor++] = b;
    }
  }
  StoreLists(vertex, faces, nb, neighbors, nbNeighbor);
}

void CTriangleSplitLinker::StoreLists(int vertex, const int* faces, int nb, const int* neighbors,
                                      int nbNeighbor)
{
  SetAdjacencyLists(m_pMesh, vertex, faces, nb, neighbors, nbNeighbor);
  SetVertexNormal(vertex, nb);
}

// The sum of the normals of the vertex's faces in list order, normalised (NormalizeSums):
// what CMesh3d::ComputeVertexNormals gives. A vertex without faces keeps its normal.
void CTriangleSplitLinker::SetVertexNormal(int vertex, int nb)
{
  if (nb == 0)
    return;
  const float* normal = m_Sums[static_cast<size_t>(vertex)].p;
  m_pMesh->GetVertex(vertex)->GetNormal()->Set(normal[0], normal[1], normal[2]);
}

void CTriangleSplitLinker::NormalizeSums()
{
  const size_t n = m_Sums.size();
  for (size_t i = 0; i + 1 < n; i += 2)
    NormalizePair(&m_Sums[i], &m_Sums[i + 1]);
  if (n % 2 != 0) {
    SPoint spare = m_Sums[n - 1];
    NormalizePair(&m_Sums[n - 1], &spare);
  }
}

// An old vertex is corner 0 of the child kept in place (indices below n) or corner 1 or 2 of
// an appended one: its faces in index order are those where it was corner 0, then the others,
// each group in old face order.
void CTriangleSplitLinker::ListOldVertices()
{
  const size_t nbVertex = static_cast<size_t>(m_NbOldVertex);
  std::vector<int> start(nbVertex + 1, 0);
  for (int g = 0; g < m_NbOldFace; g++)
    for (int k = 0; k < 3; k++)
      start[Corner(g, k) + 1]++;
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
// with the kept children (below n) first, then the appended ones of each face in turn; their
// order and that of the neighbours depend only on the edges the vertex lies on (EdgeOrder).
void CTriangleSplitLinker::ListEdgeVertices()
{
  for (int e = m_NbOldVertex; e < m_pMesh->NbVertex(); e++) {
    const SPoint& point = m_Points[static_cast<size_t>(e)];
    CVertex3d* v = m_NewVertices.Construct(static_cast<std::uint32_t>(e - m_NbOldVertex),
                                           point.p[0], point.p[1], point.p[2]);
    m_NbVerticesMade++;
    v->SetAdjacencyIndex(e);
    const int* owner = &m_Owner[2 * static_cast<size_t>(e - m_NbOldVertex)];
    const int g[2] = {owner[0] / 3, owner[1] / 3};
    const int* records[2] = {&m_Slots[6 * static_cast<size_t>(g[0])], nullptr};
    const int k = owner[0] % 3;
    int j = 3;
    bool same = false;
    if (owner[1] >= 0) {
      j = owner[1] % 3;
      records[1] = &m_Slots[6 * static_cast<size_t>(g[1])];
      same = records[1][j] == records[0][k];
    }
    const SEdgeOrder& order = m_EdgeOrders[k][j][same ? 1 : 0];
    // The children of both faces and both records side by side, which the order indexes.
    const int n0 = m_NbOldFace + 3 * g[0];
    const int n1 = m_NbOldFace + 3 * g[1];
    const int children[8] = {g[0], n0, n0 + 1, n0 + 2, g[1], n1, n1 + 1, n1 + 2};
    int record[12];
    std::copy_n(records[0], 6, record);
    std::copy_n(records[1] ? records[1] : records[0], 6, record + 6);
    // All six entries, used or not: a loop of fixed length, unrolled.
    int faces[6];
    for (int f = 0; f < 6; f++)
      faces[f] = children[order.faces[f]];
    int neighbors[6];
    for (int i = 0; i < 6; i++)
      neighbors[i] = record[order.neighbors[i]];
    StoreLists(e, faces, order.nbFace, neighbors, order.nbNeighbor);
  }
}

// The room is claimed, then the arrays grow by the new elements' places; a failure on the way
// leaves the mesh as it was.
void CTriangleSplitLinker::PlaceNewElements()
{
  const int nbNewVertex = static_cast<int>(m_Points.size()) - m_NbOldVertex;
  CArray3d<CVertex3d>* pVertices = m_pMesh->GetArrayVertex();
  CArray3d<CFace3d>* pFaces = m_pMesh->GetArrayFace();
  m_NewFaces = m_pMesh->ClaimFaces(3 * m_NbOldFace);
  try {
    m_NewVertices = m_pMesh->ClaimVertices(nbNewVertex);
    pVertices->Append(nbNewVertex,
                      [this](int i) { return m_NewVertices.At(static_cast<std::uint32_t>(i)); });
    pFaces->Append(3 * m_NbOldFace,
                   [this](int i) { return m_NewFaces.At(static_cast<std::uint32_t>(i)); });
  } catch (...) {
    pVertices->SetSize(m_NbOldVertex);
    // Room claimed goes back to the pools the way elements do.
    for (std::uint32_t i = 0; i < m_NewFaces.GetSize(); i++)
      delete m_NewFaces.Construct(i);
    for (std::uint32_t i = 0; i < m_NewVertices.GetSize(); i++)
      delete m_NewVertices.Construct(i);
    throw;
  }
}

// Each child's inner edges face its centre sibling; its outer halves face the child of the
// face across that holds the same old corner, across the same old edge (edge k of the old face
// is edge k of both children along it). Every vertex lists its faces in face order, so the
// normals of the kept children (below n) are summed first, in a pass of their own, then those
// of the appended ones as they are made; a kept child's normal is computed again when it is
// cut, which costs less than keeping the normals in between.
void CTriangleSplitLinker::SplitFaces()
{
  m_Sums.assign(m_Points.size(), SPoint{{0.0f, 0.0f, 0.0f}});
  for (int g = 0; g < m_NbOldFace; g += 2) {
    const int* s = &m_Slots[6 * static_cast<size_t>(g)];
    const int* t = g + 1 < m_NbOldFace ? s + 6 : s;
    const int corners[2][3] = {{s[0], s[3], s[5]}, {t[0], t[3], t[5]}};
    SPoint normals[2];
    FaceNormalPair(m_Points.data(), corners[0], corners[1], &normals[0], &normals[1]);
    AddToSums(normals[0], s[0], s[3], s[5]);
    if (t != s)
      AddToSums(normals[1], t[0], t[3], t[5]);
  }
  for (int g = 0; g < m_NbOldFace; g++) {
    const int* s = &m_Slots[6 * static_cast<size_t>(g)];
    CVertex3d* v[6];
    for (int k = 0; k < 6; k++)
      v[k] = m_pMesh->GetVertex(s[k]);
    const auto first = static_cast<std::uint32_t>(3 * g);
    CFace3d* kept = m_pMesh->GetFace(g);
    // The three appended children lie side by side but where a block of the pool ends.
    const auto run = m_NewFaces.RunAt(first, 3);
    CFace3d* children[4] = {kept, run ? run.At(0) : m_NewFaces.At(first),
                            run ? run.At(1) : m_NewFaces.At(first + 1),
                            run ? run.At(2) : m_NewFaces.At(first + 2)};
    CFace3d* neighbors[4][3] = {{nullptr, children[2], nullptr},
                                {nullptr, nullptr, children[2]},
                                {children[1], children[3], children[0]},
                                {children[2], nullptr, nullptr}};
    FindAcross(g, neighbors);
    kept->SetFlag(0);
    kept->Set(v[0], v[3], v[5], neighbors[0][0], neighbors[0][1], neighbors[0][2]);
    for (int k = 3; k < 6; k++)
      kept->SetVertex(k, nullptr);
    int corners[4][3];
    for (int c = 0; c < 4; c++)
      for (int k = 0; k < 3; k++)
        corners[c][k] = s[kChildCorners[c][k]];
    SPoint normals[4];
    FaceNormalPair(m_Points.data(), corners[0], corners[1], &normals[0], &normals[1]);
    FaceNormalPair(m_Points.data(), corners[2], corners[3], &normals[2], &normals[3]);
    kept->GetNormal()->Set(normals[0].p[0], normals[0].p[1], normals[0].p[2]);
    for (int c = 1; c < 4; c++) {
      const int* k = kChildCorners[c];
      CFace3d* const* n = neighbors[c];
      const auto i = static_cast<std::uint32_t>(c - 1);
      CFace3d* f = run ? run.Construct(i, v[k[0]], v[k[1]], v[k[2]], n[0], n[1], n[2])
                       : m_NewFaces.Construct(first + i, v[k[0]], v[k[1]], v[k[2]], n[0], n[1],
                                              n[2]);
      m_NbFacesMade++;
      f->GetNormal()->Set(normals[c].p[0], normals[c].p[1], normals[c].p[2]);
      AddToSums(normals[c], s[k[0]], s[k[1]], s[k[2]]);
    }
  }
  NormalizeSums();
}

void CTriangleSplitLinker::FindAcross(int g, CFace3d* neighbors[4][3]) const
{
  static constexpr int kNext[3] = {1, 2, 0};
  const int* across = &m_AcrossChildren[6 * static_cast<size_t>(g)];
  for (int k = 0; k < 3; k++) {
    if (across[2 * k] < 0)
      continue;
    neighbors[ChildOfCorner(k)][k] = m_pMesh->GetFace(across[2 * k]);
    neighbors[ChildOfCorner(kNext[k])][k] = m_pMesh->GetFace(across[2 * k + 1]);
  }
}

void CTriangleSplitLinker::AddToSums(const SPoint& normal, int a, int b, int c)
{
  for (const int v : {a, b, c}) {
    float* sum = m_Sums[static_cast<size_t>(v)].p;
    sum[0] += normal.p[0];
    sum[1] += normal.p[1];
    sum[2] += normal.p[2];
  }
}
