// Smoothing and the two subdivision schemes of the quad mesh.
#include "mesh/QuadMesh3d.h"
#include "mesh/QuadSplitLinker.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Weighted sum of points, accumulated in double.
struct SPointSum
{
  double x = 0.0, y = 0.0, z = 0.0;

  void Add(const CQuadVertex3d* p, double weight = 1.0)
  {
    x += weight * p->x();
    y += weight * p->y();
    z += weight * p->z();
  }
  // A position the step holds, three floats.
  void Add(const float* p, double weight = 1.0)
  {
    x += weight * p[0];
    y += weight * p[1];
    z += weight * p[2];
  }
  CVector3d Get(double scale = 1.0) const
  {
    return CVector3d(static_cast<float>(x * scale), static_cast<float>(y * scale),
                     static_cast<float>(z * scale));
  }
};

CVector3d MeanOfCorners(const CQuad3d* quad)
{
  SPointSum sum;
  for (int k = 0; k < 4; k++)
    sum.Add(quad->v(k));
  return sum.Get(0.25);
}

CVector3d Midpoint(const CQuad3d* quad, int edge)
{
  SPointSum sum;
  sum.Add(quad->v(edge));
  sum.Add(quad->v(edge + 1));
  return sum.Get(0.5);
}

// The points around a quad that the four-point rule reads: for each corner i+1, the
// three far corners of the quad diagonal to the quad at that corner, in order. Point 1 is
// the diagonal point; point 0 of triple i-1 and point 2 of triple i continue edge i
// beyond its ends.
struct SKobbeltRing
{
  const CQuadVertex3d* triple[4][3];  // filled by GetKobbeltRing
};

// Fills the ring; false when a neighbour or a diagonal quad is missing.
bool GetKobbeltRing(const CQuad3d* quad, SKobbeltRing& ring)
{
  for (int i = 0; i < 4; i++) {
    const CQuad3d* neighbor = quad->f(i);
    if (!neighbor)
      return false;
    const int j = neighbor->IndexFrom(quad->v(i));
    if (j < 0)
      return false;
    const CQuad3d* diagonal = neighbor->f(j + 2);
    if (!diagonal)
      return false;
    const int d = diagonal->IndexFrom(quad->v(i + 1));
    if (d < 0)
      return false;
    for (int t = 0; t < 3; t++)
      ring.triple[i][t] = diagonal->v(d + 1 + t);
  }
  return true;
}

// Four-point weights with tension w = 1: a = -w/16, b = (8 + w)/16.
constexpr double KobbeltA = -1.0 / 16.0;
constexpr double KobbeltB = 9.0 / 16.0;

CVector3d KobbeltFacePoint(const CQuad3d* quad, const SKobbeltRing& ring)
{
  SPointSum sum;
  for (int i = 0; i < 4; i++) {
    sum.Add(quad->v(i), KobbeltB * KobbeltB);
    sum.Add(ring.triple[i][0], KobbeltA * KobbeltB);
    sum.Add(ring.triple[i][2], KobbeltA * KobbeltB);
    sum.Add(ring.triple[i][1], KobbeltA * KobbeltA);
  }
  return sum.Get();
}

CVector3d KobbeltEdgePoint(const CQuad3d* quad, const SKobbeltRing& ring, int edge)
{
  SPointSum sum;
  sum.Add(quad->v(edge), KobbeltB);
  sum.Add(quad->v(edge + 1), KobbeltB);
  sum.Add(ring.triple[(edge + 3) % 4][0], KobbeltA);
  sum.Add(ring.triple[edge][2], KobbeltA);
  return sum.Get();
}

} // namespace

void CQuadMesh3d::Smooth()
{
  std::vector<CVector3d> positions(static_cast<size_t>(NbVertex()));
  for (int i = 0; i < NbVertex(); i++) {
    const CQuadVertex3d* vertex = GetVertex(i);
    SPointSum sum;
    sum.Add(vertex);
    for (int k = 0; k < vertex->NbVertexNeighbor(); k++)
      sum.Add(vertex->GetVertexNeighbor(k));
    positions[i] = sum.Get(1.0 / (vertex->NbVertexNeighbor() + 1));
  }
  for (int i = 0; i < NbVertex(); i++)
    GetVertex(i)->Set(positions[i]);
  BuildAdjacencyAndNormals();
}

// Room for `count` new points, made when the step links them. The block is sized exactly: the
// heap serves a small one from pages it already holds.
CQuadMeshBlock<CQuadVertex3d>* CQuadMesh3d::NewVertexBlock(int count)
{
  m_VertexBlocks.push_back(std::make_unique<CQuadMeshBlock<CQuadVertex3d>>(count));
  return m_VertexBlocks.back().get();
}

// The split records the old corners as vertex indices; an old corner that is not a vertex
// the mesh lists, or a corner twice in a quad, makes it unlinkable. The face point is only a
// position and a room in the face block yet: the quad points at the room, which tells its
// index.
void CQuadMesh3d::AddFacePoint(SSplit& split, int i, const CVector3d& point)
{
  CQuad3d* quad = GetQuad(i);
  const CQuadVertex3d* c[4] = {quad->v(0), quad->v(1), quad->v(2), quad->v(3)};
  bool linkable = split.linkable && c[0] != c[1] && c[0] != c[2] && c[0] != c[3] &&
                  c[1] != c[2] && c[1] != c[3] && c[2] != c[3];
  int* corners = &split.corners[4 * static_cast<size_t>(i)];
  for (int k = 0; k < 4; k++) {
    const int index = c[k]->GetAdjacencyIndex();
    linkable = linkable && index >= 0 && index < split.nbOldVertex && GetVertex(index) == c[k];
    corners[k] = index;
  }
  split.linkable = linkable;
  SetPosition(split, split.nbOldVertex + i, point);
  quad->SetNewVertex(4, split.facePoints->Slot(i));
}

void CQuadMesh3d::SetPosition(SSplit& split, int index, const CVector3d& point)
{
  float* p = &split.positions[3 * static_cast<size_t>(index)];
  p[0] = point.x();
  p[1] = point.y();
  p[2] = point.z();
}

// The quad's index, told by the room of the face point this step gave it; -1 when the quad
// points at no face point of this step, or is not the quad at that index.
int CQuadMesh3d::FacePointQuad(const SSplit& split, const CQuad3d* quad) const
{
  const int index = split.facePoints->IndexOf(quad->GetNewVertex(4));
  return index >= 0 && GetQuad(index) == quad ? index : -1;
}

// Makes new point `index` in the next room of its block, at the position the split holds.
CQuadVertex3d* CQuadMesh3d::MakePoint(const SSplit& split, CQuadMeshBlock<CQuadVertex3d>& block,
                                      int index)
{
  const float* p = &split.positions[3 * static_cast<size_t>(index)];
  CQuadVertex3d* vertex = block.Emplace(p[0], p[1], p[2]);
  vertex->SetAdjacencyIndex(index);
  m_ArrayVertex.SetAt(index, vertex);
  return vertex;
}

// Old vertices that the step does not move.
void CQuadMesh3d::CopyOldPositions(SSplit& split) const
{
  for (int i = 0; i < split.nbOldVertex; i++) {
    const CQuadVertex3d* vertex = GetVertex(i);
    if (!vertex)
      continue;  // the split is unlinkable then, and its normals read the vertices
    float* p = &split.positions[3 * static_cast<size_t>(i)];
    p[0] = vertex->x();
    p[1] = vertex->y();
    p[2] = vertex->z();
  }
}

CQuad3d* CQuadMesh3d::NewQuad(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2,
                              CQuadVertex3d* v3)
{
  return m_QuadBlocks.back()->Emplace(v0, v1, v2, v3);
}

// Every vertex learns its slot before a step; a vertex listed twice keeps its last one, as
// the adjacency build does. False when a slot is empty or not its vertex's own.
bool CQuadMesh3d::IndexVertices()
{
  for (int i = 0; i < NbVertex(); i++)
    if (CQuadVertex3d* vertex = GetVertex(i))
      vertex->SetAdjacencyIndex(i);
  for (int i = 0; i < NbVertex(); i++)
    if (!GetVertex(i) || GetVertex(i)->GetAdjacencyIndex() != i)
      return false;
  return true;
}

CQuadMesh3d::SSplit CQuadMesh3d::BeginStep()
{
  SSplit split;
  split.nbOldVertex = NbVertex();
  split.nbOldQuad = NbQuad();
  split.linkable = IndexVertices() && NbQuad() > 0;
  const size_t slots = 4 * static_cast<size_t>(NbQuad());
  split.corners = std::make_unique_for_overwrite<int[]>(slots);
  split.edges = std::make_unique_for_overwrite<int[]>(slots);
  split.across = std::make_unique_for_overwrite<int[]>(slots);
  // Old vertices, face points, and at most four edge points a quad.
  split.positions = std::make_unique_for_overwrite<float[]>(
    3 * (static_cast<size_t>(split.nbOldVertex) + 5 * static_cast<size_t>(NbQuad())));
  split.facePoints = NewVertexBlock(NbQuad());
  return split;
}

// Gives every edge one new point, its position made with edgePoint(quad index, edge): the
// first quad in array order that reaches an edge creates its point, the quad across shares
// it, and the split records its index as edge slot 4 i + k. The points follow the face
// points, in the order of the slots that create them. The face points tell the index of the
// quad across. Once every slot is known, the split learns whether it can link itself.
template <class EdgePoint>
void CQuadMesh3d::AddEdgePoints(SSplit& split, EdgePoint edgePoint)
{
  const int first = split.nbOldVertex + split.nbOldQuad;
  int next = first;
  int* edges = split.edges.get();
  for (int i = 0; i < NbQuad(); i++) {
    const CQuad3d* quad = GetQuad(i);
    if (FacePointQuad(split, quad) != i)
      split.linkable = false;
    for (int k = 0; k < 4; k++) {
      const int slot = 4 * i + k;
      // Looked up by the edge's ends, so that a neighbour of either orientation shares.
      const CQuad3d* across = quad->f(k);
      const int edge = across ? across->IndexEdge(quad->v(k), quad->v(k + 1)) : -1;
      const int r = edge >= 0 ? FacePointQuad(split, across) : -1;
      split.across[slot] = r >= 0 && r != i ? 4 * r + edge : -1;
      if (across && split.across[slot] < 0)
        split.linkable = false;
      if (r >= 0 && (r < i || (r == i && edge < k))) {
        edges[slot] = edges[4 * r + edge];
        continue;
      }
      SetPosition(split, next, edgePoint(i, k));
      edges[slot] = next++;
    }
  }
  split.edgePoints = NewVertexBlock(next - first);
  m_ArrayVertex.SetSize(next);
  const CQuadSplitLinker::SRecord record{split.nbOldVertex, split.nbOldQuad, split.corners.get(),
                                         split.edges.get(), split.across.get()};
  split.linkable = split.linkable && CQuadSplitLinker::Pairs(record);
}

// The face point of the quad, three floats in the split; null for a quad of no face point of
// this step.
const float* CQuadMesh3d::FacePointOf(const SSplit& split, const CQuad3d* quad) const
{
  const int index = split.facePoints->IndexOf(quad->GetNewVertex(4));
  return index < 0 ? nullptr
                   : &split.positions[3 * (static_cast<size_t>(split.nbOldVertex) + index)];
}

// Every quad (c0, c1, c2, c3) with edge points e0..e3 and face point F becomes
// (c0, e0, F, e3) in place; its three other children go to n + i, 2n + i and 3n + i. The
// positions are final: the four children get their normals while their corners are at hand,
// from the split's table when the split's indices are sound, and their links then too. The
// new points are made afterwards, each where its lists are written.
void CQuadMesh3d::SplitQuads(SSplit& split)
{
  const int n = NbQuad();
  const CQuadSplitLinker::SRecord record{split.nbOldVertex, n, split.corners.get(),
                                         split.edges.get(), split.across.get()};
  if (!split.linkable)
    MakeAllPoints(split);
  m_ArrayQuad.SetSize(4 * n);
  m_QuadBlocks.push_back(std::make_unique<CQuadMeshBlock<CQuad3d>>(3 * n));
  CQuadSplitLinker linker(this, record, split.facePoints->Slot(0), split.edgePoints->Slot(0),
                          m_QuadBlocks.back()->Slot(0));
  const float* positions = split.positions.get();
  auto at = [positions](int index) { return positions + 3 * static_cast<size_t>(index); };
  // The normals of the children of two quads go in one batch, of eight lanes where there are.
  CQuad3d* batch[8];
  const float* lanes[8][4];
  const float* const* batchCorners[8] = {lanes[0], lanes[1], lanes[2], lanes[3],
                                         lanes[4], lanes[5], lanes[6], lanes[7]};
  int batched = 0;
  for (int i = 0; i < n; i++) {
    CQuad3d* quad = GetQuad(i);
    CQuadVertex3d* c[4] = {quad->v(0), quad->v(1), quad->v(2), quad->v(3)};
    const int* edges = &split.edges[4 * static_cast<size_t>(i)];
    CQuadVertex3d* e[4] = {linker.Vertex(edges[0]), linker.Vertex(edges[1]),
                           linker.Vertex(edges[2]), linker.Vertex(edges[3])};
    CQuadVertex3d* face = linker.Vertex(split.nbOldVertex + i);
    CQuad3d* children[4] = {quad, NewQuad(e[0], c[1], e[1], face), NewQuad(face, e[1], c[2], e[2]),
                            NewQuad(e[3], face, e[2], c[3])};
    m_ArrayQuad.SetAt(n + i, children[1]);
    m_ArrayQuad.SetAt(2 * n + i, children[2]);
    m_ArrayQuad.SetAt(3 * n + i, children[3]);
    quad->Set(c[0], e[0], face, e[3]);
    if (!split.linkable) {
      CQuad3d::CalculateNormals(children[0], children[1]);
      CQuad3d::CalculateNormals(children[2], children[3]);
      continue;
    }
    const int* corners = &split.corners[4 * static_cast<size_t>(i)];
    const float* pc[4] = {at(corners[0]), at(corners[1]), at(corners[2]), at(corners[3])};
    const float* pe[4] = {at(edges[0]), at(edges[1]), at(edges[2]), at(edges[3])};
    const float* pf = at(split.nbOldVertex + i);
    const float* childCorners[4][4] = {{pc[0], pe[0], pf, pe[3]},
                                       {pe[0], pc[1], pe[1], pf},
                                       {pf, pe[1], pc[2], pe[2]},
                                       {pe[3], pf, pe[2], pc[3]}};
    for (int p = 0; p < 4; p++) {
      batch[batched + p] = children[p];
      std::copy_n(childCorners[p], 4, lanes[batched + p]);
    }
    batched += 4;
    if (batched == 8 || i == n - 1) {
      CQuad3d::CalculateNormals(batch, batchCorners, batched);
      batched = 0;
    }
    linker.LinkChildren(i);
  }
  if (split.linkable)
    MakeAndListPoints(split, linker);
}

// The new points in index order, each listed as it is made; then the old vertices' lists, and
// their final positions.
void CQuadMesh3d::MakeAndListPoints(const SSplit& split, CQuadSplitLinker& linker)
{
  const int first = split.nbOldVertex;
  for (int i = 0; i < split.nbOldQuad; i++)
    linker.ListFacePoint(MakePoint(split, *split.facePoints, first + i), i);
  int next = first + split.nbOldQuad;
  const int slots = 4 * split.nbOldQuad;
  for (int s = 0; s < slots; s++)
    if (split.edges[s] == next)
      linker.ListEdgePoint(MakePoint(split, *split.edgePoints, next++), s);
  linker.ListOldVertices(split.movesOld ? split.positions.get() : nullptr);
}

// Every new point at once, in index order, for a split that the adjacency build finishes.
void CQuadMesh3d::MakeAllPoints(const SSplit& split)
{
  const int first = split.nbOldVertex;
  const int end = NbVertex();
  for (int index = first; index < end; index++)
    MakePoint(split, index < first + split.nbOldQuad ? *split.facePoints : *split.edgePoints, index);
}

// What BuildAdjacencyAndNormals does after the split, when the split did not link.
void CQuadMesh3d::FinishStep(const SSplit& split)
{
  if (!split.linkable)
    BuildAdjacency();
  m_Modified = 1;
}

// Interior vertices of valence k move to ((k - 2) V + (mean of neighbours) + (mean of face
// points)) / k; boundary vertices, and vertices without neighbours, stay.
void CQuadMesh3d::MoveOldVerticesCatmullClark(SSplit& split)
{
  // Three floats a vertex: the moves read the old positions of the neighbours.
  const int nbOldVertex = split.nbOldVertex;
  float* positions = split.positions.get();
  for (int i = 0; i < nbOldVertex; i++) {
    const CQuadVertex3d* vertex = GetVertex(i);
    float* p = &positions[3 * static_cast<size_t>(i)];
    const int k = vertex->NbVertexNeighbor();
    if (k == 0 || vertex->NbQuadNeighbor() != k) {
      p[0] = vertex->x();
      p[1] = vertex->y();
      p[2] = vertex->z();
      continue;
    }
    const double kk = static_cast<double>(k) * k;
    SPointSum sum;
    sum.Add(vertex, (k - 2.0) / k);
    for (int j = 0; j < k; j++) {
      sum.Add(vertex->GetVertexNeighbor(j), 1.0 / kk);
      const CQuad3d* quad = vertex->GetQuadNeighbor(j);
      if (const float* face = FacePointOf(split, quad))
        sum.Add(face, 1.0 / kk);
      else
        sum.Add(quad->GetNewVertex(4), 1.0 / kk);
    }
    const CVector3d moved = sum.Get();
    p[0] = moved.x();
    p[1] = moved.y();
    p[2] = moved.z();
  }
  // A split that links itself moves them as it lists them.
  split.movesOld = split.linkable;
  if (split.movesOld)
    return;
  for (int i = 0; i < nbOldVertex; i++) {
    const float* p = &positions[3 * static_cast<size_t>(i)];
    GetVertex(i)->Set(p[0], p[1], p[2]);
  }
}

void CQuadMesh3d::SubdivisionCatmullClark()
{
  SSplit split = BeginStep();
  for (int i = 0; i < NbQuad(); i++)
    AddFacePoint(split, i, MeanOfCorners(GetQuad(i)));

  AddEdgePoints(split, [this, &split](int index, int edge) {
    const CQuad3d* quad = GetQuad(index);
    const CQuad3d* across = quad->f(edge);
    if (!across)
      return Midpoint(quad, edge);
    SPointSum sum;
    sum.Add(quad->v(edge));
    sum.Add(quad->v(edge + 1));
    sum.Add(&split.positions[3 * (static_cast<size_t>(split.nbOldVertex) + index)]);
    if (const float* far = FacePointOf(split, across))
      sum.Add(far);
    else
      sum.Add(across->GetNewVertex(4));
    return sum.Get(0.25);
  });

  MoveOldVerticesCatmullClark(split);
  SplitQuads(split);
  FinishStep(split);
}

void CQuadMesh3d::SubdivisionKobbelt()
{
  // The rings are kept from the face points for the edge points: finding them again costs
  // more than keeping them.
  const size_t n = static_cast<size_t>(NbQuad());
  auto rings = std::make_unique_for_overwrite<SKobbeltRing[]>(n);
  auto regular = std::make_unique_for_overwrite<bool[]>(n);
  SSplit split = BeginStep();
  for (int i = 0; i < NbQuad(); i++) {
    const CQuad3d* quad = GetQuad(i);
    regular[i] = GetKobbeltRing(quad, rings[i]);
    AddFacePoint(split, i, regular[i] ? KobbeltFacePoint(quad, rings[i]) : MeanOfCorners(quad));
  }

  AddEdgePoints(split, [&](int index, int edge) {
    const CQuad3d* quad = GetQuad(index);
    return regular[index] ? KobbeltEdgePoint(quad, rings[index], edge) : Midpoint(quad, edge);
  });

  CopyOldPositions(split);
  SplitQuads(split);
  FinishStep(split);
}
