#pragma once

#include "mesh/Vertex3d.h"

#include <cstdint>
#include <span>
#include <vector>

class CFace3d;
class CMesh3d;

// A mesh as the conquest reads it, in compact index arrays: the vertices numbered in their
// scratch marks, each face's three corners, each vertex's faces in the order of its face list,
// and its edges as one run of slots (the other end, the faces found either side of the edge,
// a conquered flag at the lower end) with its remaining degree, the count of its edges
// not conquered yet. Built in a few passes, so that a conquest
// allocates nothing per element, walks arrays rather than elements in its hot loops, and
// leaves the mesh's own edges alone. An edge joins a vertex to a later neighbour in the mesh's
// array that it lists, as CMesh3d::AddEdges builds them. Conquered faces are flagged here,
// and on the faces themselves (1) by WriteFlags.
//
// A closed, consistently oriented manifold (what the ghost vertex leaves of most meshes) is
// filed from its face sides alone, each side a -> b as a's slot towards b, in one pass that
// also gives the slot its face and the corner across; the face the other way is then in a's
// own run. Every other mesh is filed from the sides' edges and the neighbour lists, its faces
// found on demand.
class CConquestMesh
{
public:
  // Numbers the vertices (overwriting their marks) and faces, builds the edges, all free,
  // and frees every face in the table. The mesh's own flags are given, while they are read,
  // what a whole conquest leaves them (a vertex of state 0 and every face 1), and mended by
  // WriteFlags where the conquest ended otherwise: a second pass over the mesh would cost
  // more than the conquest's own work.
  void Build(CMesh3d* pMesh);
  // Build in three steps, for a conquest that closes the borders with a ghost vertex: Number
  // numbers the vertices, every one free (its flag as the ghost's search leaves it: cleared),
  // and the faces, and notes the face sides without a neighbour face; AddGhost takes in the
  // ghost that closes them, given to the mesh since; File files the edges and fans.
  void Number(CMesh3d* pMesh);
  // Each side without a neighbour face, as 3 * face + side, in face order.
  const std::vector<int>& GetBorderSides() const { return m_BorderSides; }
  // The ghost, last in the mesh's vertex array, its faces, last in the face array, and the
  // numbers of the vertices it joins, whose marks are their numbers again.
  void AddGhost(CVertex3d* pGhost, std::span<CFace3d* const> faces, const std::vector<int>& boundary);
  void File();

  // --- vertices ---
  int GetNbVertex() const { return static_cast<int>(m_pVertex.size()); }
  // The vertex's number; -1 for a vertex that the table does not hold.
  int IndexOf(const CVertex3d* v) const
  {
    const int i = v ? v->GetMark() : -1;
    return i >= 0 && static_cast<size_t>(i) < m_pVertex.size() && m_pVertex[static_cast<size_t>(i)] == v ? i : -1;
  }
  CVertex3d* GetVertex(int i) const { return i < 0 ? nullptr : m_pVertex[static_cast<size_t>(i)]; }
  // The vertex's flag as the conquest reads it (read from the vertex at Build), kept here so
  // that the conquest's hot loop neither reads nor writes the vertices themselves: WriteFlags
  // gives the vertices their states and the faces their conquered flags once it ends.
  int GetState(int i) const { return m_State[static_cast<size_t>(i)]; }
  void SetState(int i, int state) { m_State[static_cast<size_t>(i)] = state; }
  // The vertex's own flag for a vertex that the table does not hold.
  int GetState(const CVertex3d* v) const
  {
    const int i = IndexOf(v);
    return i < 0 ? v->GetFlag() : GetState(i);
  }
  // The length of the vertex's neighbour list at Build.
  int GetValence(int i) const { return m_Valence[static_cast<size_t>(i)]; }

  // --- edges ---
  int GetRemaining(int i) const { return m_Remaining[static_cast<size_t>(i)]; }
  // 0 for a vertex that the table does not hold.
  int GetRemaining(const CVertex3d* v) const
  {
    const int i = IndexOf(v);
    return i < 0 ? 0 : GetRemaining(i);
  }
  int HasEdge(const CVertex3d* a, const CVertex3d* b) const { return FindSlot(IndexOf(a), IndexOf(b)) >= 0 ? 1 : 0; }
  // 1 when the edge is there and conquered.
  int IsConquered(int a, int b) const
  {
    const int s = FindSlot(a < b ? a : b, a < b ? b : a);
    return s >= 0 && m_Slot[static_cast<size_t>(s)].Conquered ? 1 : 0;
  }
  int IsConquered(const CVertex3d* a, const CVertex3d* b) const { return IsConquered(IndexOf(a), IndexOf(b)); }
  // Marks the edge conquered, one remaining degree less at either end; 0 when there is no
  // such edge or it was conquered already.
  int Conquer(int a, int b);

  // --- faces ---
  int GetNbFace() const { return static_cast<int>(m_pFace.size()); }
  CFace3d* GetFace(int f) const { return f < 0 ? nullptr : m_pFace[static_cast<size_t>(f)]; }
  // The corner's vertex number; -1 for a corner that the table does not hold.
  int GetCorner(int f, int k) const { return m_Corner[3 * static_cast<size_t>(f) + static_cast<size_t>(k)]; }
  int IsFaceConquered(int f) const { return m_FaceConquered[static_cast<size_t>(f)]; }
  void ConquerFace(int f) { m_FaceConquered[static_cast<size_t>(f)] = 1; }
  // Each vertex's flag set to its state, each face's to its conquered flag.
  void WriteFlags();
  // The first corner that is v, -1 when none is (or v is -1).
  int IndexOfCorner(int f, int v) const
  {
    for (int k = 0; v >= 0 && k < 3; k++)
      if (GetCorner(f, k) == v)
        return k;
    return -1;
  }
  // The first corner that is neither a nor b, -1 when there is none.
  int GetCornerOther(int f, int a, int b) const
  {
    for (int k = 0; k < 3; k++)
      if (GetCorner(f, k) != a && GetCorner(f, k) != b)
        return GetCorner(f, k);
    return -1;
  }
  // The face runs a -> b (from a's first corner).
  int HasOrientedEdge(int f, int a, int b) const
  {
    const int k = IndexOfCorner(f, a);
    return k >= 0 && GetCorner(f, (k + 1) % 3) == b ? 1 : 0;
  }
  // 1 when every corner of every face is a vertex of the table.
  int HoldsEveryCorner() const;
  // 1 when every face stands in the fan of each of its corners (the fans came from the
  // corners), so that a walk of one vertex's fan meets every face that holds it.
  int FansHoldEveryCorner() const { return m_FansFromCorners ? 1 : 0; }
  // 1 when the table was filed from the face sides as a closed oriented manifold: each edge
  // then has exactly two faces, one either way, and the faces of each vertex's fan are those
  // of its slots, in the same order.
  int IsFiledFromSides() const { return m_FiledFromSides ? 1 : 0; }
  // On a table filed from the sides, the vertices whose faces close round them in several
  // fans rather than one; empty on any other table.
  const std::vector<int>& GetSplitFans() const { return m_SplitFans; }
  // On a table filed from the sides: the faces that run a -> b and b -> a (-1 for both when
  // there is no edge a - b), and the first one's corner across the edge; 0 on any other table.
  int GetEdgeFaces(int a, int b, int* pForward, int* pBackward, int* pForwardApex = nullptr) const
  {
    if (!m_FiledFromSides)
      return 0;
    // A long run (the ghost's holds every border vertex) is left unread: b's slot towards a
    // holds the same two faces the other way round.
    const bool fromB = GetRunLength(a) > kLongRun && GetRunLength(b) < GetRunLength(a);
    const int s = fromB ? FindSlot(b, a) : FindSlot(a, b);
    const SSlot* pSlot = s < 0 ? nullptr : &m_Slot[static_cast<size_t>(s)];
    *pForward = !pSlot ? -1 : (fromB ? pSlot->Entering : pSlot->Leaving);
    *pBackward = !pSlot ? -1 : (fromB ? pSlot->Leaving : pSlot->Entering);
    if (pForwardApex)
      *pForwardApex = !pSlot || *pForward < 0 ? -1 : (fromB ? GetCornerOther(*pForward, a, b) : pSlot->LeavingApex);
    return 1;
  }
  // v's faces, in the order of its face list.
  // Filed from the sides, the fan is the run's leaving faces, and not kept twice.
  int GetFanSize(int v) const
  {
    const std::vector<int>& first = m_FiledFromSides ? m_First : m_FanFirst;
    return first[static_cast<size_t>(v) + 1] - first[static_cast<size_t>(v)];
  }
  int GetFanFace(int v, int k) const
  {
    return m_FiledFromSides ? m_Slot[static_cast<size_t>(m_First[static_cast<size_t>(v)] + k)].Leaving
                            : m_Fan[static_cast<size_t>(m_FanFirst[static_cast<size_t>(v)] + k)];
  }
  // As CVertex3d::FindFaceWithOrientedEdge and CVertex3d::FindFace of vertex v; -1 for none.
  int FindFaceWithOrientedEdge(int v, int a, int b) const;
  int FindFace(int v, int a, int b) const;
  // FindFaceWithOrientedEdge(v, v, b) and FindFaceWithOrientedEdge(v, a, v), remembered for
  // each edge the first time they are asked: the faces never change during a conquest.
  int FindFaceLeaving(int v, int b) const;
  int FindFaceEntering(int v, int a) const;
  // The face beyond the border edge g->p is free and closes on q, whose edge to g is
  // conquered: conquering it takes no new vertex.
  int IsFillCorner(int g, int p, int q) const;
  // On a table filed from the sides, the corner across g->p of the face beyond it: a fill
  // corner g, p, q needs q to be that corner. -1 when there is no such face (or g or p is -1).
  int GetBeyondApex(int g, int p) const
  {
    int f = -1;
    int back = -1;
    int apex = -1;
    if (g < 0 || p < 0 || !GetEdgeFaces(g, p, &f, &back, &apex))
      return -1;
    return f < 0 ? -1 : apex;
  }

private:
  // One end's view of an edge, in 16 bytes so that a vertex's run spans few cache lines.
  // The faces are filed with the slot from the sides, or else remembered the first time they
  // are asked (-2 until then): the faces never change during a conquest. An edge's conquered
  // flag is the one of its slot at its lower end, kept in the slot's last bit so that the
  // search that finds the slot has brought it in.
  // A new slot is left unwritten: every build files each of its fields, and the faces'
  // build writes them all once rather than after a first pass of defaults.
  struct SSlot
  {
    SSlot() {}
    SSlot(int other, int entering, int leaving, int leavingApex)
      : Other(other), Conquered(0), Entering(entering), Leaving(leaving), LeavingApex(leavingApex)
    {
    }
    // A vertex number: far below 2^30.
    int Other : 31;
    unsigned Conquered : 1;
    // FindFaceWithOrientedEdge(v, Other, v).
    int Entering;
    // FindFaceWithOrientedEdge(v, v, Other) and the corner of that face across the edge.
    int Leaving;
    int LeavingApex;
  };

  // Above it, an edge's faces are read from the other end's run when that one is shorter.
  static constexpr int kLongRun = 32;
  int GetRunLength(int v) const { return m_First[static_cast<size_t>(v) + 1] - m_First[static_cast<size_t>(v)]; }
  // a's first slot that leads to b; -1 when there is none (or either is -1). The whole run
  // is read without a branch on the slots: where the match stands is not to be predicted.
  int FindSlot(int a, int b) const
  {
    if (a < 0 || b < 0)
      return -1;
    int found = -1;
    for (int s = m_First[static_cast<size_t>(a) + 1] - 1; s >= m_First[static_cast<size_t>(a)]; s--)
      found = m_Slot[static_cast<size_t>(s)].Other == b ? s : found;
    return found;
  }
  // a's first slots that lead to b and to c, in one read of a's run; -1 for none.
  void FindSlots(int a, int b, int c, int* pB, int* pC) const
  {
    int foundB = -1;
    int foundC = -1;
    for (int s = m_First[static_cast<size_t>(a) + 1] - 1; s >= m_First[static_cast<size_t>(a)]; s--) {
      const int other = m_Slot[static_cast<size_t>(s)].Other;
      foundB = other == b ? s : foundB;
      foundC = other == c ? s : foundC;
    }
    *pB = foundB;
    *pC = foundC;
  }
  // The slot of v's edge to b with its leaving face remembered; null when there is no edge.
  SSlot* LeavingSlot(int v, int b) const;
  // Every vertex's state 0 when cleared, else its flag.
  void NumberVertices(CMesh3d* pMesh, bool cleared);
  void NumberFaces(CMesh3d* pMesh);
  // Vertex i is v, of the given state, and face i is f, its corners numbered: the entries
  // are there already.
  void TakeVertex(int i, CVertex3d* v, int state);
  void TakeFace(int i, CFace3d* f);
  // Files the slots, fans and degrees from the face sides; false, leaving the other builds to
  // file them, unless the faces make a closed oriented manifold whose neighbour and face
  // lists agree with their sides.
  bool BuildFromSides();
  // Gives each slot of v's run its entering face, from the faces of the run itself; false
  // unless the run leads to each neighbour once and each neighbour leads back once. Notes v
  // in m_SplitFans when its faces close in more than one fan.
  // slotTo, by vertex, holds -1 or slots of the runs before v's.
  bool FileEnteringFaces(int v, std::vector<int>& slotTo);
  // The fans from the corners; false when they differ from the vertices' face lists, which
  // BuildFansFromLists then reads.
  bool BuildFansFromCorners();
  void BuildFansFromLists();
  // The edges from the sides of the faces; false, with nothing filed, when a vertex lists
  // another count of neighbours than its faces show (m_Valence).
  bool BuildEdgesFromCorners();
  void BuildEdgesFromLists();
  // Files the edges that forEachEdge(fn) hands to fn(i, j), i < j, with m_Remaining holding
  // the degrees they give.
  template <class ForEachEdge>
  void FileEdges(ForEachEdge forEachEdge);

  std::vector<CVertex3d*> m_pVertex;
  std::vector<int> m_First;
  // Mutable for the faces the slots remember.
  mutable std::vector<SSlot> m_Slot;
  std::vector<int> m_Remaining;
  std::vector<int> m_State;
  // The flags last given to the vertices and faces: by Build, then by WriteFlags.
  std::vector<int> m_VertexWritten;
  std::vector<std::uint8_t> m_FaceWritten;
  std::vector<int> m_Valence;
  std::vector<CFace3d*> m_pFace;
  std::vector<int> m_Corner;
  std::vector<std::uint8_t> m_FaceConquered;
  std::vector<int> m_FanFirst;
  std::vector<int> m_Fan;
  std::vector<int> m_SplitFans;
  std::vector<int> m_BorderSides;
  bool m_FansFromCorners = false;
  bool m_FiledFromSides = false;
};
