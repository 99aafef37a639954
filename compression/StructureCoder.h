#pragma once

#include "compression/EdgeList.h"
#include "compression/EdgeListStack.h"
#include "compression/StructureLoops.h"
#include "mesh/Array3d.h"
#include "mesh/Vertex3d.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CEdge3d;
class CIBitStream;
class CMesh3d;
class COBitStream;
class CRenderView;
class CSceneGraph3d;
class CVectorSet3d;
class CVertexSet3d;
class CVertex3d;
class CVertexRun;
class CVertexTree;

// The structure (edge-list) coder. Its conquest runs on tables of its own, over the vertices'
// indices: the faces' corners, each vertex's neighbours in rotation order with the edges
// towards them, free-edge counts; the mesh's adjacency is neither read nor rebuilt. The
// public border-loop queries below work on edges kept, in rotation order, in a
// CArray3d<CEdge3d> reached through a vertex's data pointer (NewEdgeArray); the coder owns
// those arrays and frees them with DeleteEdgeArrays.
// Handles and holes make the conquest meet a vertex of another list: that list joins the
// active one (a merge, see MergeEdgeList). A mesh of several parts codes them one after the
// other, each from its first face, the seed corners' valences opening each.
class CStructureCoder
{
public:
  CStructureCoder() = default;
  ~CStructureCoder();

  CStructureCoder(const CStructureCoder&) = delete;
  CStructureCoder& operator=(const CStructureCoder&) = delete;

  // The vertex that closes open borders; it may stand more than once in a loop.
  void SetGhost(CVertex3d* pGhost) { m_pGhost = pGhost; }
  CVertex3d* GetGhost() const { return m_pGhost; }

  // --- per-vertex edge arrays ---------------------------------------------------------------
  // A new empty array in the vertex's data pointer, owned by the coder.
  CArray3d<CEdge3d>* NewEdgeArray(CVertex3d* v);
  // Deletes every array, nulls the data pointers that held them, and forgets them.
  void DeleteEdgeArrays();
  static CEdge3d* GetEdge(const CVertex3d* a, const CVertex3d* b);
  static int CountEdgesWithFlag(const CVertex3d* v, std::uint8_t flag);
  // 1 when no edge of v is free (flag 0).
  static int IsFull(const CVertex3d* v) { return CountEdgesWithFlag(v, 0) == 0 ? 1 : 0; }

  // --- border loops -------------------------------------------------------------------------
  // When v neighbours the item before the pivot, inserts v just before the pivot and returns
  // its position; else null (also without a pivot).
  static CLoopList::POSITION InsertVertexBeforePivot(CEdgeList* pList, CVertex3d* v);
  // The nearest item around pos, forward first at equal distance, that is full and not the
  // ghost; null when none is.
  CVertex3d* FindFullVertex(const CEdgeList* pList, CLoopList::POSITION pos) const;
  // The same search with the caller's test of full (the decoder's differs).
  CVertex3d* FindVertexOutward(const CEdgeList* pList, CLoopList::POSITION pos,
                               const std::function<int(const CVertex3d*)>& isFull) const;
  // 1 when every item and the one after it are neighbours, two ghosts in a row excepted.
  int IsValidEdgeList(const CEdgeList* pList) const;
  // Items green, the pivot red.
  static void ShowEdgeList(const CEdgeList* pList);

  // --- code arrays --------------------------------------------------------------------------
  static unsigned int GetMax(const std::vector<unsigned int>& values);
  static int CountValue(const std::vector<unsigned int>& values, unsigned int value);
  static int Contains(const std::vector<unsigned int>& values, unsigned int value)
  {
    return CountValue(values, value) > 0 ? 1 : 0;
  }

  // --- encoding ---------------------------------------------------------------------------
  struct SOptions
  {
    int m_EncourageFull = 0;
    CRenderView* m_pView = nullptr;
    int m_VisualDebug = 0;
    int m_VisualDelay = 0;
    // Redraw every this many conquest steps (taken as 1 when below).
    int m_UpdateClient = 1;
    // Held during the preparation and each conquest step when not null.
    std::mutex* m_pMutex = nullptr;
    // Visual debugging adds its marker and segment sets here (the scene owns them); without
    // a scene only the vertices' colours show the conquest.
    CSceneGraph3d* m_pSceneGraph = nullptr;
  };
  struct SResult
  {
    float m_BitsPerFace = 0.0f;
    int m_NbOffset = 0;
    int m_NbGhost = 0;
    double m_Duration = 0.0;
    // The report lines; shown in a message box by Encode when not asked for.
    std::string m_Report;
  };
  // Conquers the mesh from the seed face, writes the stream and adds the conquest order of
  // the vertices to the tree as a new run. 0 (nothing written) when the mesh or the seed
  // cannot be coded: empty mesh, seed out of range, valence or count beyond the fields, a
  // vertex in no face, a mesh the conquest cannot walk (GetRefusal says which).
  int Encode(CMesh3d* pMesh, const char* fileName, CVertexTree* pTree, int seedFace,
             const SOptions& options, SResult* pResult = nullptr);
  // The same into a stream in memory, appended to what it holds.
  int Encode(CMesh3d* pMesh, COBitStream* pStream, CVertexTree* pTree, int seedFace,
             const SOptions& options, SResult* pResult = nullptr);
  // Why the last Encode answered 0, for the caller to show; empty after a success.
  const std::string& GetRefusal() const { return m_Refusal; }
  // Writes the codes; 0 when the file cannot be written or the codes exceed the fields.
  int ArithmeticCoding(const char* fileName, int nbVertex, int nbFace, double duration,
                       SResult* pResult) const;
  // The stream of the codes into memory, padded to a byte; 0 when they exceed the fields.
  int WriteStream(COBitStream* pStream, int nbVertex) const;
  // WriteStream with the figures of the result.
  int CodeStream(COBitStream* pStream, int nbVertex, int nbFace, double duration,
                 SResult* pResult) const;
  // Sets the refusal of a stream that cannot be coded or written; 0.
  int RefuseStream();
  // Hands the result to the caller, or shows its report; 1.
  static int HandOver(const SResult& result, SResult* pResult);
  // Reads the codes back; 0 on a stream that is cut, malformed or out of its fields' range.
  int DecodeBitstream(const char* fileName);
  // The same from a stream in memory (null: nothing to read).
  int ReadStream(CIBitStream* pStream);

  // --- decoding ---------------------------------------------------------------------------
  // Rebuilds into the empty mesh the faces of the stream, its vertices numbered in conquest
  // order at the origin; their adjacency is the caller's to build (CMesh3d::Rebuild). 0 when
  // the mesh is not empty or the stream cannot be read or does not describe a conquest (the
  // mesh then holds what was rebuilt so far).
  int Decode(CMesh3d* pMesh, const char* fileName, const SOptions& options,
             double* pDuration = nullptr);
  // The same from a stream in memory (null: nothing to decode).
  int Decode(CMesh3d* pMesh, CIBitStream* pStream, const SOptions& options,
             double* pDuration = nullptr);

  const std::vector<unsigned int>& GetCodes() const { return m_Codes; }
  const std::vector<unsigned int>& GetOffsets() const { return m_Offsets; }
  const std::vector<unsigned int>& GetSigns() const { return m_Signs; }
  unsigned int GetGhostDegree() const { return m_GhostDegree; }
  int GetNbVertexRead() const { return m_NbVertexRead; }

private:
  int ReadBitstream(CIBitStream& file);
  // --- the conquest's own adjacency, over the vertices' indices (see IndexVertices) ------
  int IndexVertices();
  void ListFaces(int nbVertex);
  void MeasureFans();
  CVertex3d* SearchGhostVertex();
  void GenerateEdgeArray();
  void PrepareMarks(int nbVertex);
  const std::vector<int>& RotationOf(int i);
  int FanStart(int i, int stamp, int c) const;
  int IsOneFan(int i, std::size_t nbPlaced, bool besideGhost) const;
  static int IndexOf(const CVertex3d* v) { return v->GetAdjacencyIndex(); }
  int NbAround(int i) const
  {
    return m_AroundStart[static_cast<std::size_t>(i) + 1] - m_AroundStart[static_cast<std::size_t>(i)];
  }
  // The place of b in a's rotation, -1 when absent. Rotations are short: the whole one is
  // read, without a branch that the place would decide.
  int Slot(int a, int b) const
  {
    if (a == b)
      return -1;
    const SAround* around = m_Around.data();
    int found = -1;
    for (int p = m_AroundStart[static_cast<std::size_t>(a) + 1] - 1; p >= m_AroundStart[static_cast<std::size_t>(a)]; p--)
      found = around[p].m_Vertex == b ? p : found;
    return found;
  }
  // The edge between two vertices, -1 when none. Both ends hold it: the shorter rotation is
  // searched (the ghost's holds every border).
  int EdgeBetween(int a, int b) const
  {
    if (NbAround(b) < NbAround(a))
      std::swap(a, b);
    const int p = Slot(a, b);
    return p < 0 ? -1 : m_Around[static_cast<std::size_t>(p)].m_Edge;
  }
  int EdgeBetween(const CVertex3d* a, const CVertex3d* b) const;
  int HasNoFreeEdge(const CVertex3d* v) const;
  // FindVertexOutward without a call through std::function per item.
  template <class IsFull>
  CVertex3d* FindOutward(const CEdgeList* pList, CLoopList::POSITION pos, IsFull isFull) const
  {
    const int n = pList->GetCount();
    if (n == 0 || !pos)
      return nullptr;
    CLoopList::POSITION forward = pos;
    CLoopList::POSITION backward = pos;
    for (int i = 0; i < n / 2 + 1; i++) {
      CVertex3d* f = CLoopList::GetAt(forward);
      if (f != m_pGhost && isFull(f))
        return f;
      CVertex3d* b = CLoopList::GetAt(backward);
      if (b != m_pGhost && isFull(b))
        return b;
      forward = pList->GetNextPos(forward);
      backward = pList->GetPrevPos(backward);
    }
    return nullptr;
  }
  void InitEdgeList(int seedFace, CVertexRun* pRun);
  int Conquer(CVertexRun* pRun, long long maxStep);
  int NextSeedFace(int* pCursor) const;
  int CodeNextEdge(CLoopList::POSITION pivot);
  void SetEdgeConquered(int e);
  int IsConquered(const CVertex3d* v) const;
  void ConquerEdge(int e, CVertexRun* pRun);
  // Where a conquered vertex stands for the edge towards the pivot: the list's place in the
  // stack (0 the active list, -1 nowhere) and the item whose free edges hold that edge.
  struct SPlace
  {
    int m_List = -1;
    CLoopList::POSITION m_Pos = nullptr;
  };
  SPlace FindConquered(const CVertex3d* v, int e) const;
  int HoldsEdge(const CEdgeList* pList, CLoopList::POSITION pos, int e) const;
  void SplitEdgeList(CLoopList::POSITION target);
  void MergeEdgeList(int index, CLoopList::POSITION pos);
  void JoinEdgeList(int index, CLoopList::POSITION pos);
  CLoopList::POSITION PivotNear(CEdgeList* pList, CLoopList::POSITION pos) const;
  // Takes the pivot off the active list when no free edge is left round it; 0 otherwise,
  // with the pivot's next edge in pNextEdge when it has one (-1 when not).
  int RemoveFullVertex(int* pNextEdge);
  void Redraw(int step) const;
  // Visual debugging (compression/StructureCoder.cpp): the sets, a marker on a vertex and a
  // segment along an edge; each does nothing without its set.
  void AddDebugSets();
  void Mark(CVertex3d* v, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void AddSegment(const CVertex3d* a, const CVertex3d* b);
  // The valence of the vertex of that index, as its code.
  void AppendValence(int i);
  void EndEncoding();
  // The decoder works on vertex indices; the ghost is Ghost.
  static constexpr int Ghost = -1;
  int DecodeCodes();
  int DecodeInitEdgeList(std::size_t code);
  // The index of a new vertex, -1 when the stream's count is reached.
  int NewVertex();
  void SetSlots(int v, int nbSlot);
  int FillSlot(int v, int u);
  int IsFilled(int v) const;
  void Join(int a, int b);
  void JoinNew(int v, int u);
  int HasEmptySlot(int v) const;
  void DecodeGhostFace();
  int DecodeSplit(std::size_t* pOffset);
  int DecodeMerge(unsigned int listCode, unsigned int offset, unsigned int sign);
  void DecodeFace(int v, unsigned int valence);
  int DecodeEmptyList(int forced);
  void DecodeDropEmptyLists();
  // The pivot near pos on a decoded loop: the first place of the nearest filled vertex when
  // full vertices are encouraged.
  int DecodePivotNear(const CStructureLoops::SLoop& loop, int pos) const;
  void CutArrays();
  // Redraw with the mesh's arrays cut to what was made.
  void DecodeRedraw(int step);
  void AddFace(int a, int b, int c);

  CVertex3d* m_pGhost = nullptr;
  // The arrays live in chunks, not one allocation each.
  std::deque<CArray3d<CEdge3d>> m_EdgeArrays;
  std::vector<CVertex3d*> m_EdgeArrayOwners;

  std::vector<unsigned int> m_Codes;
  std::vector<unsigned int> m_Offsets;
  std::vector<unsigned int> m_Signs;
  unsigned int m_GhostDegree = 0;
  int m_NbVertexRead = 0;
  CMesh3d* m_pMesh = nullptr;
  CEdgeList* m_pActiveList = nullptr;
  std::unique_ptr<CEdgeListStack> m_pStack;
  int m_NbEdge = 0;
  // The vertices by index, the ghost last; the faces' corners (-1 for a face with an empty
  // corner) and the turns of each vertex's faces, from m_FaceStart[i] to m_FaceStart[i + 1];
  // its valence and whether it is on a border.
  std::vector<CVertex3d*> m_Vertex;
  std::vector<int> m_Corner;
  std::vector<int> m_FaceStart;
  std::vector<std::pair<int, int>> m_Turn;
  std::vector<int> m_Valence;
  std::vector<char> m_Border;
  // Vertex i's neighbours in rotation order and the edges towards them, from m_AroundStart[i]
  // to m_AroundStart[i + 1]; its count of free edges. Edge e joins m_EdgeEnd[2e] and
  // m_EdgeEnd[2e + 1], free or conquered by m_EdgeFlag[e].
  std::vector<int> m_AroundStart;
  // A neighbour in a rotation and the edge towards it, side by side: the edge is read where
  // the search of the rotation found the neighbour.
  struct SAround
  {
    int m_Vertex;
    int m_Edge;
  };
  std::vector<SAround> m_Around;
  std::vector<int> m_NbFree;
  // 1 once the vertex stands on an edge list (its flag says the same, in the vertex).
  std::vector<char> m_OnList;
  std::vector<int> m_EdgeEnd;
  std::vector<std::uint8_t> m_EdgeFlag;
  // The rotation being built: per vertex index, the stamp of the vertex it was last marked
  // for (turned from, turned to, placed) and the corner its turn goes to.
  std::vector<int> m_Rotation;
  int m_Stamp = 0;
  struct SMark
  {
    int m_Turn = -1;
    int m_To = -1;
    int m_Placed = -1;
    int m_After = -1;
  };
  std::vector<SMark> m_Mark;
  int m_NbTurn = 0;
  int m_TurnsRepeat = 0;
  int m_NbGhostFree = 0;
  int m_NbBorder = 0;
  // Decoding: per vertex its slots' place in m_Slots, their number and how many are filled.
  struct SSlots
  {
    int m_Start = 0;
    int m_Count = 0;
    int m_Filled = 0;
  };
  std::vector<SSlots> m_SlotsOf;
  std::vector<int> m_Slots;
  CStructureLoops m_Loops;
  int m_NbVertexMade = 0;
  int m_NbFaceMade = 0;
  // Set when the codes made a face on a repeated vertex: the decoding fails.
  int m_BadFace = 0;
  long long m_NbGhostJoined = 0;
  SOptions m_Options;
  // Owned by the scene graph they were added to.
  CVertexSet3d* m_pVertexSet = nullptr;
  CVectorSet3d* m_pVectorSet = nullptr;
  float m_MaxMarker = 0.0f;
  // Set when the conquest meets a vertex on no list: the mesh is not one it can walk.
  int m_Lost = 0;
  std::string m_Refusal;
  // The pivot already coded as closed, so that the removal test that follows codes it once.
  CLoopList::POSITION m_ClosedPivot = nullptr;
};
