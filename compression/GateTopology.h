#pragma once

#include "compression/GateFaceTraits.h"
#include "compression/GateFlagCheck.h"
#include "mesh/Array3d.h"

#include <utility>
#include <vector>

// The topology that the gate coders share. A fan is walked around a pivot vertex from the
// face on the conquered side of a gate: direction 0 crosses the edge leaving the pivot (the
// pivot is the gate's vertex 2), direction 1 the edge entering it (the pivot is vertex 1).
// Every walk is bounded by the pivot's number of faces, so a corrupted decoding cannot spin.
namespace gate {

template <class Face>
using VertexOf = typename CGateFaceTraits<Face>::Vertex;

// 1 when some corner i is a and corner i+1 is b.
template <class Face>
int HoldsEdge(const Face* f, const VertexOf<Face>* a, const VertexOf<Face>* b)
{
  using T = CGateFaceTraits<Face>;
  const int i = T::IndexOf(f, a);
  return (i >= 0 && T::Corner(f, (i + 1) % T::Degree(f)) == b) ? 1 : 0;
}

// The first face around the vertex holding a -> b, null when none does.
template <class Face>
Face* FindFaceWithEdge(const VertexOf<Face>* around, const VertexOf<Face>* a,
                       const VertexOf<Face>* b)
{
  using T = CGateFaceTraits<Face>;
  for (int i = 0; i < T::NbIncident(around); i++) {
    Face* f = T::Incident(around, i);
    if (HoldsEdge(f, a, b))
      return f;
  }
  return nullptr;
}

template <class Face>
int FanEdge(const Face* f, int j, int direction)
{
  const int n = CGateFaceTraits<Face>::Degree(f);
  return direction == 0 ? j : (j + n - 1) % n;
}

// Encoder: 1 when the conquered faces around the pivot lead from inner to outer.
template <class Face>
int FanCloses(const Face* inner, const Face* outer, const VertexOf<Face>* pivot, int direction)
{
  using T = CGateFaceTraits<Face>;
  const Face* f = inner;
  for (int step = 0; f && step <= T::NbIncident(pivot); step++) {
    const int j = T::IndexOf(f, pivot);
    if (j < 0)
      return 0;
    const Face* n = T::Neighbor(f, FanEdge(f, j, direction));
    if (!n)
      return 0;
    if (n == outer)
      return 1;
    if (n->GetFlag() != 1)
      return 0;
    f = n;
  }
  return 0;
}

// Decoder: the last linked face around the pivot and its corner beyond the open edge; 0 when
// the walk does not end (a corrupted stream).
template <class Face>
int FanEnd(Face* inner, const VertexOf<Face>* pivot, int direction, Face** ppFace,
           VertexOf<Face>** ppCorner)
{
  using T = CGateFaceTraits<Face>;
  Face* f = inner;
  for (int step = 0; f && step <= T::NbIncident(pivot); step++) {
    const int j = T::IndexOf(f, pivot);
    if (j < 0)
      return 0;
    Face* n = T::Neighbor(f, FanEdge(f, j, direction));
    if (!n) {
      const int n = T::Degree(f);
      *ppFace = f;
      *ppCorner = T::Corner(f, direction == 0 ? (j + 1) % n : (j + n - 1) % n);
      return 1;
    }
    f = n;
  }
  return 0;
}

// 1 when the corners are pairwise distinct and non-null.
template <class Face>
int HasDistinctCorners(const Face* f)
{
  using T = CGateFaceTraits<Face>;
  const int n = T::Degree(f);
  for (int i = 0; i < n; i++) {
    if (!T::Corner(f, i))
      return 0;
    for (int j = i + 1; j < n; j++)
      if (T::Corner(f, i) == T::Corner(f, j))
        return 0;
  }
  return 1;
}

// Decoder: links a new face, already in its corners' face lists, with the faces holding the
// reverse of its edges. 0 when the face is degenerate, one of its directed edges is held by
// another face, or the face across is already linked there: a stream that makes such a face
// is corrupted.
template <class Face>
int LinkFace(Face* f)
{
  using T = CGateFaceTraits<Face>;
  if (!HasDistinctCorners(f))
    return 0;
  const int n = T::Degree(f);
  for (int i = 0; i < n; i++) {
    const VertexOf<Face>* a = T::Corner(f, i);
    const VertexOf<Face>* b = T::Corner(f, (i + 1) % n);
    for (int k = 0; k < T::NbIncident(a); k++) {
      const Face* g = T::Incident(a, k);
      if (g != f && HoldsEdge(g, a, b))
        return 0;
    }
    Face* g = FindFaceWithEdge<Face>(a, b, a);
    if (!g)
      continue;
    const int k = T::IndexOf(g, b);
    if (T::Neighbor(g, k) || T::Neighbor(f, i))
      return 0;
    T::SetNeighbor(g, k, f);
    T::SetNeighbor(f, i, g);
  }
  return 1;
}

// What a vertex's face list says of one face holding the vertex at corner j: the corners
// after and before it, and the neighbour across the edge leaving it.
template <class Face>
struct SFanEntry
{
  const Face* Holder = nullptr;
  const VertexOf<Face>* Out = nullptr;
  const VertexOf<Face>* In = nullptr;
  const Face* Across = nullptr;
};

// 1 when every face listed around v that holds v holds its edge leaving v alone among them,
// has as neighbour across it the first of them that holds the reverse edge (null when none
// does), and is accepted by check.Entry. pEntries is scratch.
template <class Face, class Check>
int IsFanConsistent(const VertexOf<Face>* v, Check& check, std::vector<SFanEntry<Face>>* pEntries)
{
  using T = CGateFaceTraits<Face>;
  std::vector<SFanEntry<Face>>& entries = *pEntries;
  entries.clear();
  for (int k = 0; k < T::NbIncident(v); k++) {
    const Face* g = T::Incident(v, k);
    const int j = T::IndexOf(g, v);
    if (j < 0)
      continue;
    if (!check.Entry(g))
      return 0;
    const int m = T::Degree(g);
    entries.push_back({g, T::Corner(g, (j + 1) % m), T::Corner(g, (j + m - 1) % m), T::Neighbor(g, j)});
  }
  for (const SFanEntry<Face>& e : entries) {
    int holders = 0;
    const Face* reverse = nullptr;
    for (const SFanEntry<Face>& other : entries) {
      holders += other.Out == e.Out ? 1 : 0;
      if (!reverse && other.In == e.Out)
        reverse = other.Holder;
    }
    if (holders != 1 || e.Across != reverse)
      return 0;
  }
  return 1;
}

// Encoder: 1 when the faces form an oriented edge-manifold surface whose adjacency is
// current: distinct corners that list the face, every directed edge held once, and every
// neighbour the face holding the reverse edge (null when none does). The conquest and the
// decoder's linking agree on such meshes only. Each corner's face list is read in full once,
// the first time check.FirstVisit(corner) says it is met (1; 0 when met before, -1 to refuse
// the corner); the faces listed there must all be consistent. check also says whether a
// corner lists the face (Listed) and sees each face listed around a corner (Entry), which it
// may refuse.
template <class Face, class Check>
int IsCodableWith(const CArray3d<Face>& faces, Check& check)
{
  using T = CGateFaceTraits<Face>;
  std::vector<SFanEntry<Face>> entries;
  for (int f = 0; f < faces.GetSize(); f++) {
    const Face* face = faces[f];
    if (!face || !HasDistinctCorners(face))
      return 0;
    for (int i = 0; i < T::Degree(face); i++) {
      VertexOf<Face>* corner = T::Corner(face, i);
      if (!check.Listed(corner, face))
        return 0;
      const int first = check.FirstVisit(corner);
      if (first < 0 || (first > 0 && !IsFanConsistent<Face>(corner, check, &entries)))
        return 0;
    }
  }
  return 1;
}

// The check alone, with vertex flags marking the corners met (restored afterwards).
template <class Face>
int IsCodable(const CArray3d<Face>& faces)
{
  CGateFlagCheck<Face> check(faces);
  return IsCodableWith(faces, check);
}

// Index of the gate to process: the oldest one, or (adaptive) the first whose vertex 2
// scores highest.
template <class Gate, class Score>
int ChooseGate(const CArray3d<Gate>& gates, int adaptive, Score score)
{
  if (!adaptive)
    return 0;
  int best = 0;
  int bestScore = -1;
  for (int i = 0; i < gates.GetSize(); i++) {
    const int s = score(gates[i]);
    if (s > bestScore) {
      best = i;
      bestScore = s;
    }
  }
  return best;
}

// Encoder, after a conquest: the first face (in mesh order) of each region of faces still
// unconquered (flag 0), appended to the seeds; false when every face was conquered. The
// regions are walked with flag 2, so the next attempt starts from fresh flags.
template <class Face>
bool FindLeftoverSeeds(const CArray3d<Face>& faces, std::vector<Face*>* pSeeds)
{
  using T = CGateFaceTraits<Face>;
  bool found = false;
  std::vector<Face*> stack;
  for (int i = 0; i < faces.GetSize(); i++) {
    if (faces[i]->GetFlag() != 0)
      continue;
    pSeeds->push_back(faces[i]);
    found = true;
    faces[i]->SetFlag(2);
    stack.push_back(faces[i]);
    while (!stack.empty()) {
      const Face* f = stack.back();
      stack.pop_back();
      for (int k = 0; k < T::Degree(f); k++) {
        Face* n = T::Neighbor(f, k);
        if (n && n->GetFlag() == 0) {
          n->SetFlag(2);
          stack.push_back(n);
        }
      }
    }
  }
  return found;
}

// Encoder: a face joins the seeds once, flagged at once so that the search no longer counts
// it as free.
template <class Face>
void AddSeed(CArray3d<Face>* pSeeds, Face* face)
{
  if (pSeeds->Contains(face))
    return;
  pSeeds->Add(face);
  face->SetFlag(1);
}

// Encoder, after the zip: the corners of seed faces that no gate entered (flag 0) join the
// vertex order, after the vertices of the conquest.
template <class Face>
void AppendUnenteredCorners(const CArray3d<Face>& seeds, CArray3d<VertexOf<Face>>* pOrder)
{
  using T = CGateFaceTraits<Face>;
  for (int i = 0; i < seeds.GetSize(); i++)
    for (int c = 0; c < T::Degree(seeds[i]); c++) {
      VertexOf<Face>* corner = T::Corner(seeds[i], c);
      if (corner->GetFlag() == 0) {
        corner->SetFlag(1);
        pOrder->Add(corner);
      }
    }
}

// Encoder: conquer(extraSeeds) runs a whole conquest and zip, with the faces that earlier
// attempts left behind as further seeds, until every face is coded; then the seed corners
// that no gate entered join the order. The number of vertices that the conquest entered, or
// -1 when the seeds or those vertices overflow their fields.
template <class Face, class Conquer>
int ConquerAll(const CArray3d<Face>& faces, const CArray3d<Face>& seeds,
               CArray3d<VertexOf<Face>>* pOrder, Conquer conquer)
{
  std::vector<Face*> extraSeeds;
  for (;;) {
    conquer(extraSeeds);
    if (seeds.GetSize() > 255)
      return -1;
    if (!FindLeftoverSeeds(faces, &extraSeeds))
      break;
  }
  const int nbMain = pOrder->GetSize();
  AppendUnenteredCorners(seeds, pOrder);
  return pOrder->GetSize() - nbMain > (1 << 24) - 1 ? -1 : nbMain;
}

} // namespace gate
