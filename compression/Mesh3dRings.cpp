#include "app/objects/VertexSet3d.h"
#include "mesh/Mesh3d.h"

#include <climits>
#include <memory>
#include <unordered_map>
#include <vector>

int CMesh3d::ConcentricRings(int seed)
{
  SetVerticesFlag(0);
  SetFacesFlag(0);
  if (seed < 0 || seed >= NbVertex())
    return 0;
  // Ring k takes every free face with a corner of flag k, and gives its other corners k + 1:
  // a free face has no corner of an earlier ring, so which of them come first changes nothing.
  // The faces of each vertex are found through the faces' own corners (a vertex's face list
  // may be stale), once, so that a ring costs its own faces rather than a pass over all.
  std::unordered_map<const CVertex3d*, int> number;
  std::vector<int> count;
  for (int i = 0; i < NbFace(); i++)
    for (int c = 0; c < 3; c++)
      if (const CVertex3d* v = GetFace(i)->v(c)) {
        const auto [it, added] = number.emplace(v, static_cast<int>(count.size()));
        if (added)
          count.push_back(0);
        count[static_cast<size_t>(it->second)]++;
      }
  std::vector<int> first(count.size() + 1, 0);
  for (size_t v = 0; v < count.size(); v++)
    first[v + 1] = first[v] + count[v];
  std::vector<int> faces(static_cast<size_t>(first.back()));
  for (int i = 0; i < NbFace(); i++)
    for (int c = 0; c < 3; c++)
      if (const CVertex3d* v = GetFace(i)->v(c)) {
        const size_t n = static_cast<size_t>(number.at(v));
        faces[static_cast<size_t>(first[n + 1] - count[n]--)] = i;
      }
  std::vector<CVertex3d*> ring{GetVertex(seed)};
  GetVertex(seed)->SetFlag(1);
  std::vector<CVertex3d*> next;
  for (int k = 1; !ring.empty(); k++) {
    next.clear();
    for (const CVertex3d* v : ring) {
      const auto it = number.find(v);
      if (it == number.end())
        continue;
      const size_t n = static_cast<size_t>(it->second);
      for (int j = first[n]; j < first[n + 1]; j++) {
        CFace3d* f = GetFace(faces[static_cast<size_t>(j)]);
        if (f->GetFlag() != 0)
          continue;
        f->SetFlag(k);
        for (int c = 0; c < 3; c++) {
          CVertex3d* w = f->v(c);
          if (!w || w->GetFlag() == k || w->GetFlag() == k + 1)
            continue;
          w->SetFlag(k + 1);
          next.push_back(w);
        }
      }
    }
    ring.swap(next);
  }
  return 1;
}

namespace {

const float Palette[7][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 1},
                             {1, 1, 0}, {1, 0, 1}, {1, 1, 1}};

// Visited vertices carry -1; the walk never steps onto one.
constexpr int Visited = -1;

struct CPathWalk
{
  CVertexSet3d* pSet;
  int segmentPoints;
  int n;
  CVertex3d* pCurrent = nullptr;

  void Step(CVertex3d* pNext, double sizeFactor)
  {
    if (segmentPoints && pCurrent)
      CMesh3d::PointsAlongSegment(pSet, pCurrent, pNext, n, 0.05f);
    pSet->AddVertex(new CVertex3d(pNext),
                    static_cast<float>(sizeFactor * pNext->GetMeanLengthEdgeAround()));
    pNext->SetFlag(Visited);
    pCurrent = pNext;
  }
};

void ColorPath(CVertexSet3d* pSet, int from, int index)
{
  const int count = pSet->NbVertex() - from;
  const float* entry = Palette[index % 7];
  for (int i = 0; i < count; i++) {
    const double scale = count > 1 ? 255.0 - 255.0 * i / (count - 1) : 255.0;
    pSet->GetVertex(from + i)->SetColor(static_cast<std::uint8_t>(entry[0] * scale),
                                        static_cast<std::uint8_t>(entry[1] * scale),
                                        static_cast<std::uint8_t>(entry[2] * scale));
  }
}

} // namespace

CVertexSet3d* CMesh3d::GetSpanningFromConcentricRingsStraight(int segmentPoints, int n)
{
  auto pSet = std::make_unique<CVertexSet3d>();
  pSet->SetMesh(this);
  int k = 0;
  for (int path = 0; GetMinVertexFlagOtherThan(Visited, &k); path++) {
    CVertex3d* pStart = GetEndVertexWithFlag(k);
    const int from = pSet->NbVertex();
    CPathWalk walk{pSet.get(), segmentPoints, n};
    walk.Step(pStart, 0.2);
    const bool alongRingOnly = pStart->HasVertexNeighborWithFlag(k);
    if (alongRingOnly)
      k--;
    // k + 1 = -1 would name the visited vertices.
    while (k + 1 != Visited && walk.pCurrent->HasVertexNeighborWithFlag(k + 1)) {
      if (!alongRingOnly)
        walk.Step(walk.pCurrent->GetNearestVertexNeighborWithFlag(k + 1), 0.15);
      const CVertex3d* pEntered = walk.pCurrent;
      for (CVertex3d* pNext = walk.pCurrent->FindVertexNeighborByFlags(k + 1, k);
           pNext && pNext != pEntered; pNext = walk.pCurrent->FindVertexNeighborByFlags(k + 1, k))
        walk.Step(pNext, 0.1);
      k++;
    }
    ColorPath(pSet.get(), from, path);
  }
  return pSet.release();
}

void CMesh3d::PointsAlongSegment(CVertexSet3d* pSet, const CVertex3d* a, const CVertex3d* b,
                                 int n, float factor)
{
  const double size =
    (a->GetMeanLengthEdgeAround() + b->GetMeanLengthEdgeAround()) * factor / 2.0;
  for (int i = 1; i <= n; i++) {
    const double t = static_cast<double>(i) / (n + 1);
    pSet->AddVertex(new CVertex3d(static_cast<float>(a->x() + (b->x() - a->x()) * t),
                                  static_cast<float>(a->y() + (b->y() - a->y()) * t),
                                  static_cast<float>(a->z() + (b->z() - a->z()) * t)),
                    static_cast<float>(size));
  }
}

namespace {

// Moves the copy away from the mean of the neighbours it collected.
void MoveApart(CVertex3d* pCopy, const CArray3d<CVertex3d>& neighbors, float ratio)
{
  const int n = neighbors.GetSize();
  if (!pCopy || n == 0)
    return;
  double d[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < n; i++)
    for (int axis = 0; axis < 3; axis++)
      d[axis] += static_cast<double>(neighbors[i]->Get(axis)) - pCopy->Get(axis);
  for (int axis = 0; axis < 3; axis++)
    pCopy->Set(axis, static_cast<float>(pCopy->Get(axis) - ratio * d[axis] / n));
}

} // namespace

CMesh3d* CMesh3d::IntroduceGap(float ratio) const
{
  const int n = NbVertex();
  auto pMesh = std::make_unique<CMesh3d>();
  std::vector<CVertex3d*> first(static_cast<size_t>(n));
  std::vector<CVertex3d*> second(static_cast<size_t>(n), nullptr);
  std::vector<CArray3d<CVertex3d>> above(static_cast<size_t>(n));
  std::vector<CArray3d<CVertex3d>> below(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) {
    const CVertex3d* v = GetVertex(i);
    first[i] = new CVertex3d(v);
    pMesh->AddVertex(first[i]);
    if (!v->HasMixedFaceFlags())
      continue;
    second[i] = new CVertex3d(v);
    v->GetVertexNeighborsFlagAbove(v->GetFlag(), &above[i]);
    v->GetVertexNeighborsFlagBelow(v->GetFlag(), &below[i]);
  }
  for (int i = 0; i < n; i++)
    if (second[i])
      pMesh->AddVertex(second[i]);
  std::unordered_map<const CVertex3d*, int> rank;
  for (int i = 0; i < n; i++)
    rank.emplace(GetVertex(i), i);
  for (int f = 0; f < NbFace(); f++) {
    const CFace3d* pFace = GetFace(f);
    CVertex3d* corners[3] = {nullptr, nullptr, nullptr};
    for (int c = 0; c < 3; c++) {
      const CVertex3d* u = pFace->v(c);
      const auto it = rank.find(u);
      if (it == rank.end())
        break; // a corner outside the mesh: the face is left out
      const int j = it->second;
      const bool cut = second[j] && !u->AllFaceFlagsAtLeast(pFace->GetFlag());
      corners[c] = cut ? second[j] : first[j];
    }
    if (!corners[2])
      continue;
    auto* pNew = new CFace3d(corners[0], corners[1], corners[2]);
    pNew->SetColor(pFace->GetColor());
    pMesh->AddFace(pNew);
  }
  for (int i = 0; i < n; i++) {
    MoveApart(first[i], above[i], ratio);
    MoveApart(second[i], below[i], ratio);
  }
  pMesh->SetTransform(GetTransform());
  pMesh->Rebuild();
  return pMesh.release();
}
