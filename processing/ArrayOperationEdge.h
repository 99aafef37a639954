#pragma once

#include "processing/OperationEdge.h"
#include "processing/PointerStampMap.h"
#include "processing/QuadHeap.h"
#include "processing/SlotEntry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CMesh3d;
class CVertex3d;

// The edge operations of a mesh in insertion order; it owns them. Extraction takes the least
// potential, the first in insertion order among equal ones, so older operations win ties.
//
// The operations sit by value in slots numbered in insertion order; a removal empties its
// slot, and an extraction hands the caller a copy of its own. A pointer from GetAt holds until
// the array next changes. A heap keyed on potential and slot finds the least, and every vertex
// lists the slots of its operations, so that the work around a collapse stays local. The heap
// is lazy: a changed potential is pushed again and the older entry dropped when it comes up.
// Potentials change only through this array (UpdateAll, UpdateAroundVertex, SetPotential).
// Each operation keeps the curveness of its ends and its length from one update to the next:
// whatever moves a vertex or changes the faces around it (a collapse) is followed by
// UpdateAroundVertex of that vertex.
class CArrayOperationEdge
{
public:
  CArrayOperationEdge();
  ~CArrayOperationEdge();

  CArrayOperationEdge(const CArrayOperationEdge&) = delete;
  CArrayOperationEdge& operator=(const CArrayOperationEdge&) = delete;

  int GetSize() const { return m_Live; }
  // The i-th operation in insertion order.
  COperationEdge* GetAt(int i) const;
  // Takes ownership (the operation is copied in and deleted); returns the index.
  int Add(COperationEdge* pOperation);

  // One operation per edge, whose first end comes first in the vertex array; the vertex flags
  // are scratch and end at 1. 0, and nothing added, for a null mesh.
  int Fill(CMesh3d* pMesh);
  // The kind of every operation and of those added later.
  void SetPotential(int kind);
  int GetPotentialKind() const { return m_PotentialKind; }
  static const char* GetPotentialName(int kind);
  void UpdateAll();

  // Each takes the operation out of the array and hands it to the caller; null when none.
  COperationEdge* ExtractMin();
  // The shortest edge whose curveness is at most a threshold that grows from start by step up
  // to 1.0; a step that is not positive gives a single pass at start.
  COperationEdge* ExtractShortestUnderCurveness(double start, double step);

  // Delete the operations with an end at the vertex (or either vertex); return how many.
  int RemoveOperationsOnVertex(const CVertex3d* v);
  int RemoveOperationsOnVertices(const CVertex3d* a, const CVertex3d* b);
  // One new operation (v, neighbour) per neighbour, not yet updated; returns 1.
  int AddVertexEdges(CVertex3d* v);
  // Updates the operations with an end at v or at one of v's neighbours; returns how many.
  int UpdateAroundVertex(const CVertex3d* v);
  // Collapses p-q onto the position, renews the operations around the survivor p and takes q
  // out of the mesh; 0, nothing changed, when the mesh refuses the collapse.
  int Collapse(CMesh3d* pMesh, CVertex3d* p, CVertex3d* q, const CVertex3d* pPosition);

  // Scratch of the curveness measure, reused by every batch of updates.
  struct SCurveScratch;

private:
  // Ranks the operations as the passes of ExtractShortestUnderCurveness meet them.
  struct SPassLength
  {
    int pass;
    double length;
    bool operator==(const SPassLength&) const = default;
    bool operator<(const SPassLength& other) const
    {
      return pass != other.pass ? pass < other.pass : length < other.length;
    }
  };
  // One per operation added since the slots were last closed up, in insertion order: the
  // operation itself and the curveness its ends had at its last update here, in one cache
  // line, in chunks that never move. The state of each slot is a byte of m_Flags.
  struct alignas(64) SSlot
  {
    COperationEdge operation;
    double firstCurve = 0.0;
    double secondCurve = 0.0;
  };
  static_assert(sizeof(SSlot) == 64, "a slot is one cache line");
  // The slot holds an operation; its potential is not in the heap yet (the slot is listed in
  // m_Pending); its ends' curveness was read by an update here.
  static constexpr std::uint8_t kLive = 1;
  static constexpr std::uint8_t kDeferred = 2;
  static constexpr std::uint8_t kEndsKnown = 4;
  static constexpr int kChunkBits = 12;
  static constexpr int kChunkSize = 1 << kChunkBits;
  static constexpr std::size_t kChunkMask = kChunkSize - 1;

  SSlot& At(int slot) const;
  std::uint8_t& Flags(int slot) const;
  bool IsLive(int slot) const;
  template <class Curves>
  void Update(Curves* pCurves, int slot);
  // Copies the operation into a new slot; returns its index.
  int Append(const COperationEdge& operation);
  void Empty(int slot);
  COperationEdge* ExtractSlot(int slot);
  void Push(int slot) const;
  // The curveness thresholds of ExtractShortestUnderCurveness for start and step, and its heap
  // over them, built afresh when they change; false when the thresholds are too many to list,
  // which leaves the search to the scan of every slot.
  bool PrepareShortest(double start, double step);
  // The slot's place in that search: the first threshold its curveness is under, and its
  // length; false when no pass would take it.
  bool ShortestKey(int slot, SPassLength* pKey) const;
  void PushShortest(int slot);
  COperationEdge* ExtractShortestByScan(double start, double step);
  // An added operation's entry waits until a search needs the heap: most are renewed first,
  // and their first entry would only be popped again as stale.
  void Defer(int slot) const;
  void Flush() const;
  void RebuildHeap() const;
  // Closes the empty slots (the slots are renumbered, the order kept).
  void Compact() const;
  // Deletes the operations with an end at v; returns how many.
  int RemoveAt(const CVertex3d* v);
  // The slots listed under a vertex: those of the common valence in place, in one cache line
  // with the count, more in a list of their own (then all of them are there).
  struct alignas(64) SSlotList
  {
    static constexpr int kInPlace = 14;
    int count = 0;
    // Its index in m_Spilled once it outgrew the place; -1 before.
    int spilled = -1;
    int inPlace[kInPlace];
  };
  // The live slots listed under v, the empty ones dropped from the list.
  std::span<int> SlotsOf(const CVertex3d* v);
  // The list of slots of v, made for v when it has none. The address is the key: an
  // operation's end may be deleted before its operations are removed.
  SSlotList& ListOf(const CVertex3d* v) const;
  // The list of slots of v; null when it has none.
  SSlotList* FindList(const CVertex3d* v) const;
  std::span<int> SlotsIn(SSlotList& list) const;
  void PushSlot(SSlotList& list, int slot) const;

  mutable std::vector<std::unique_ptr<SSlot[]>> m_Chunks;
  mutable std::vector<std::uint8_t> m_Flags;
  mutable int m_Size = 0;
  mutable std::vector<int> m_Pending;
  // Per vertex, the index of its list of slots in m_Lists.
  mutable CPointerStampMap<int> m_ListOfVertex;
  mutable std::vector<SSlotList> m_Lists;
  mutable std::vector<std::vector<int>> m_Spilled;
  // Scratch of Compact: the new number of each slot, -1 for an empty one.
  mutable std::vector<int> m_Renumbered;
  mutable CQuadHeap<SSlotEntry<double>> m_Heap;
  // The search by curveness and length, kept while its start and step stay the same; the
  // slots whose curveness or length changed since it last looked, or that were added.
  std::vector<double> m_Thresholds;
  double m_ShortestStart = 0.0;
  double m_ShortestStep = 0.0;
  mutable bool m_ShortestBuilt = false;
  CQuadHeap<SSlotEntry<SPassLength>> m_ShortestHeap;
  // Per slot, the key its current entry carries; kNoPass when it has none.
  static constexpr SPassLength kNoPass{-1, 0.0};
  std::vector<SPassLength> m_ShortestKeys;
  mutable std::vector<int> m_ShortestPending;
  // The slots of one UpdateAroundVertex, kept for the next.
  std::vector<int> m_Batch;
  std::unique_ptr<SCurveScratch> m_pCurveScratch;
  // Every face around an end has had its normal computed since its corners last moved: true
  // from UpdateAll until operations come from elsewhere (Fill, Add).
  bool m_NormalsKnown = false;
  mutable int m_First = 0;
  int m_Live = 0;
  int m_PotentialKind = 0;
};
