#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CFace3d;
class CMesh3d;
class CProgressiveCodeList;
class CProgressiveGeometryLayer;
class CProgressivePattern;
class CVertex3d;

// The decoder's replay of whole layers on index arrays: the same first-in first-out conquest
// as the coder's on mesh objects, which costs a heap object per element and a pointer walk per
// question. Within a layer the faces it adds stay out of sight of the conquest, and every
// vertex lists its faces in face order (the faces a layer replaces leave, the faces it adds
// come last), so one list of faces per vertex answers every question. Faces keep their index
// until the end, the replaced ones left in place, so that a layer only updates the lists and
// the faces across of the vertices it touched. Where no two faces hold the same edge the same
// way round, the faces across say all the conquest asks, and a layer links its new faces from
// those of the faces they replace, with no list at all until the mesh is stored.
class CProgressiveReplay
{
public:
  // Takes the base mesh: vertices in array order, faces by vertex index, adjacency built.
  // Room is made for the vertices and faces the layers will add.
  CProgressiveReplay(const CMesh3d& base, const float scale[3], const float shift[3],
                     int nbAddedVertex);
  // The same from the base mesh's corners, 3 vertex indices per face, when the caller has
  // them: the base mesh then needs no adjacency.
  CProgressiveReplay(const CMesh3d& base, const std::vector<int>& corners, const float scale[3],
                     const float shift[3], int nbAddedVertex);

  // Re-inserts one layer; 1 when every code and every geometry record was used, 0 otherwise
  // (the arrays then hold a partial layer).
  int ReplayLayer(const CProgressiveCodeList& codes, CProgressiveGeometryLayer* pGeometry);
  int NbVertex() const { return static_cast<int>(m_Position.size()); }
  int NbFace() const { return static_cast<int>(m_Faces.size() - m_NbGone); }
  // Gives the base mesh the replayed vertices and faces, with the flags and marks the last
  // layer left, then its adjacency and normals; the base mesh's surviving vertices and faces
  // keep their objects, and the objects of the base faces that went are made again as added
  // faces, in the plain colour of a new face.
  void Store(CMesh3d* pMesh);

private:
  // A face: corners, and per edge k (corner k -> k + 1) the edge Edge(g, j) of the face g in
  // front of it (g's corner j -> j + 1 runs the other way), -1 when none. Kept together, in one
  // cache line: the conquest reads them at once. Its flag is apart, a byte in m_FaceFlag: the
  // conquest asks many faces whether they are taken before it reads one.
  struct alignas(32) SFace
  {
    std::array<int, 3> v;
    std::array<int, 3> across;
    // Index of the face in the base mesh, -1 for a face a layer added.
    int base;
  };
  // Flag 0 to 2 and mark 0 to 2 in a byte each: the conquest reads the vertices at random,
  // and so they all stay in the first-level cache.
  struct SVertex
  {
    std::int8_t flag;
    std::int8_t mark;
  };
  // A gate: an oriented front edge first -> second, and the edge Edge(g, j) (second -> first)
  // of the face g in front of it, whose corners name the two ends. The queue holds that edge
  // alone. The faces in front are fixed while a layer runs and a face once taken stays taken,
  // so the face is found when the gate is pushed, and a gate whose face is missing, taken
  // already or in front of a gate still queued is never queued: the gate ahead of it takes
  // the face (a null patch, a pattern or a boundary removal holds the gate's own face), or
  // finds no code left, and then neither would it.
  struct SGate
  {
    int first;
    int second;
    int edge;
  };
  // Made from the queued edge, and passed by value.
  using Gate = SGate;
  // Added to the flag of a free face with a gate queued in front of it; the null patches add
  // it to faces not free as well, where it means nothing: a flag is read by its two low bits.
  static constexpr std::int8_t kQueued = 4;
  static constexpr bool IsFree(std::int8_t flag) { return (flag & 3) == 0; }
  static constexpr bool IsGone(std::int8_t flag) { return (flag & 3) == 2; }

  // Edge j of face g is 4 g + j: the conquest splits an edge into face and side with a shift
  // and a mask, where three per face would take a multiplication and a remainder.
  static constexpr int Edge(int face, int j) { return 4 * face + j; }
  static constexpr int FaceOf(int edge) { return edge >> 2; }
  static constexpr int SideOf(int edge) { return edge & 3; }
  static constexpr int kNext[3] = {1, 2, 0};
  static constexpr int kPrevious[3] = {2, 0, 1};
  // The null patches' lookups in one object: one register holds their address, where three
  // were made again in every step. taken: the third corner w of a null patch's face, at
  // 4 m + a for w's mark m and a, the bitwise and of the marks of the gate's ends. w is a corner of
  // a face the layer started with, flag 0 or 1 before and 1 after; it keeps a mark it has,
  // else takes 1 when both ends are marked 2 and 2 otherwise. Marks are 0 to 2, and whether
  // w is marked is no pattern: a select would be made a branch.
  struct SPatchTables
  {
    std::array<int, 4> next;
    std::array<int, 4> previous;
    std::array<SVertex, 16> taken;
  };
  static constexpr SPatchTables kPatch{{1, 2, 0, 0},
                                       {2, 0, 1, 0},
                                       {{{1, 2}, {1, 2}, {1, 1}, {1, 1},
                                         {1, 1}, {1, 1}, {1, 1}, {1, 1},
                                         {1, 2}, {1, 2}, {1, 2}, {1, 2},
                                         {1, 3}, {1, 3}, {1, 3}, {1, 3}}}};

  void StartLayer();
  void ListAll();
  // relink: the faces across are renamed by the faces' new indices (through m_FaceIndex).
  void DropGoneFaces(bool relink = false);
  void ListFaces();
  // The faces across the edges leaving a; `pass` is new to m_Stamp.
  void ListAcross(int a, int pass);
  void RemoveFromList(int v, int face);
  void AppendToList(int v, const int* corners, int face, int k);
  void Touch(int v, int pass);
  // Edge `edge` of a face the layer adds lies across `across`. Where edges are held once, the
  // face across learns it at once: the conquest takes a face the layer added for the replaced
  // one, neither being free. Else the lists set the faces across at the end of the layer.
  void LinkAcross(int edge, int across);
  // The seed edges whose faces the layer replaced move to the faces that hold them now.
  void ForwardSeeds();
  void ComputeNormals();
  // The mesh's adjacency, by the rules of CMesh3d::BuildAdjacency, from the face lists, and
  // the normals; the vertices from nbBaseVertex on and the faces from nbMade on are made in
  // the places the claims (CElementPool::CClaim) hold, the faces from nbKept to nbMade are
  // base faces that went, made again.
  // kLinked: the faces across are those the layers kept, relinked, where IsConnected
  // found every one named back and the layers kept them so: each edge held once each way
  // round, the one other face holding its two ends is the face across. Else from the lists.
  template <bool kLinked, class VertexClaim, class FaceClaim>
  // inReach: every element in reach of every other (ElementsInReach), so that the references
  // are written unchecked.
  void StoreAdjacency(CMesh3d* pMesh, const VertexClaim& vertexClaim, int nbBaseVertex,
                      const FaceClaim& faceClaim, int nbKept, int nbMade, bool inReach);
  bool ElementsInReach() const;
  // pPlaces: the claim's places (CClaimCursor), asked in increasing order.
  template <class VertexPlaces>
  CVertex3d* StoreVertex(VertexPlaces* pPlaces, int nbBaseVertex, size_t a) const;
  void StoreSecondPositions(int nbBaseVertex);
  void EndLayer();
  // Queues the gate a -> b; back is an edge a -> b of a face the layer started with, across
  // which the face in front lies, or -1.
  void PushGate(int a, int b, int back) { QueueGate(FrontEdge(a, b, back)); }
  // Queues the gate whose front face holds `edge`, unless there is none or it is taken or
  // queued already. The face's record is fetched now: it is read when the gate comes out.
  // Written in any case, counted only when queued: whether it is cannot be predicted, and a
  // missed guess costs more than the write. No edge reads the flag of face 0. A face is
  // queued once a layer at most: the queue has room for every face the layer started with.
  void QueueGate(int edge)
  {
    const size_t face = static_cast<size_t>(FaceOf(edge & ~(edge >> 31)));
    __builtin_prefetch(&m_Faces[face]);
    m_Gates[m_GateTail] = edge;
    const int queued = static_cast<int>(edge >= 0) & static_cast<int>(m_FaceFlag[face] == 0);
    m_FaceFlag[face] = static_cast<std::int8_t>(m_FaceFlag[face] | (queued * kQueued));
    m_GateTail += static_cast<size_t>(queued);
  }
  // The gate whose front face holds `edge`.
  Gate GateOf(int edge) const
  {
    const SFace& f = m_Faces[static_cast<size_t>(FaceOf(edge))];
    const int j = SideOf(edge);
    return {f.v[static_cast<size_t>(kNext[j])], f.v[static_cast<size_t>(j)], edge};
  }
  int TagPair(int first, int second) const;
  // The edge second -> first of the first face of `first` that holds it; -1 when none.
  int FrontEdge(int first, int second) const;
  int FrontEdge(int first, int second, int back) const;
  int EdgeOf(int face, int from, int to) const;
  // The corner of the edge's face that is on neither end.
  int Third(int edge) const
  {
    return m_Faces[static_cast<size_t>(FaceOf(edge))].v[static_cast<size_t>(kPrevious[SideOf(edge)])];
  }
  int HasLiveEdge(int a, int b) const;
  // Whether a face that the layer started with and that is not gone holds the edge across
  // edge k of the face, where edges are held once.
  int HasLiveAcross(int face, int k) const;
  int DecodeGate(Gate gate);
  // Decodes the gates from the head of the queue while each is a null patch or passed over;
  // stops at the first gate that is neither, or at the end of the queue.
  void RunNullPatches();
  // The same, for a layer with few removals.
  void RunSparseNullPatches();
  // Takes up to `left` null patches from the head of the queue, passing over taken gates;
  // how many are left when a free face waits or the queue is empty.
  int TakeNullPatches(int left);
  // After the last removal of a layer the null patches change nothing a later layer sees:
  // the flags and marks start again. Every free face of a connected mesh is then in front
  // of a gate queued or reachable from one through free faces, so the `left` codes are all
  // used when as many faces are free. The patches are then held back, for Store alone to
  // take should this layer be the last, and the queue is emptied; false when they must run
  // now. Layers with few removals only: the others' last runs are short.
  bool HoldBackNullPatches(int left);
  // Whether the faces that are not gone are one piece through their faces across, each
  // named back by the face it names; worked out once, kept while the layers keep it.
  bool IsConnected();
  // The first code from `from` on that is not a null patch; nbCode when none is.
  static int EndOfNullRun(const unsigned int* codes, int from, int nbCode);
  void NullPatch(Gate gate);
  int DecodeBoundaryStep(Gate gate);
  int FindPattern(Gate gate, int valence);
  // Re-inserts the vertex of the pattern FindPattern found.
  void InsertVertex();
  // The replaced pattern's edges hand their faces across to the new faces at `first`, fanned
  // around the border, and then lead to them.
  void HandOverPattern(int first);
  // borderTriangles: per border edge, the pattern's triangle holding it (-1 none).
  void PushGatesAfterRemoval(const int* border, int n, const std::vector<int>& borderTriangles);
  // The same for a simple layer: a gate on every border edge.
  void PushBorderGates(const int* border, int n, const std::vector<int>& borderTriangles);
  // border: n vertices, n <= 6, the slots after them unused.
  int AddVertex(const std::array<int, 6>& border, int n, const std::vector<std::array<int, 3>>& faces);
  // The positions of the vertices added since the last call, from their records in turn.
  void PlaceVertices();
  // Faces added by a layer are out of the conquest's sight until the next layer. across: the
  // edges across, as far as they are known.
  void AddLayerFace(int a, int b, int c, const std::array<int, 3>& across)
  {
    m_Faces.push_back({{a, b, c}, across, -1});
    m_FaceFlag.push_back(3);
  }
  // Flag 2 marks a face gone: replaced in this layer, or in an earlier one and then out of
  // every list. Once replaced and its faces across read, the face's slots name the new edges
  // that hold its edges the same way round, -1 for an edge that is gone.
  void ReplaceLayerFace(int face)
  {
    m_FaceFlag[static_cast<size_t>(face)] = 2;
    m_Replaced.push_back(face);
  }
  void Take(int v, std::int8_t mark);

  std::vector<std::array<float, 3>> m_Position;
  std::vector<std::array<float, 3>> m_Quantized;
  std::vector<SVertex> m_Vertices;
  std::vector<SFace> m_Faces;
  // The faces' flags, behind one more for FaceOf(-1), the face across a border edge, which is
  // never free: a null patch asks it with no test for the missing face.
  class CFaceFlags
  {
  public:
    CFaceFlags() : m_Store(1, 1) {}
    std::int8_t& operator[](size_t face) { return m_Store[face + 1]; }
    std::int8_t operator[](size_t face) const { return m_Store[face + 1]; }
    std::int8_t* data() { return m_Store.data() + 1; }
    std::vector<std::int8_t>::iterator begin() { return m_Store.begin() + 1; }
    std::vector<std::int8_t>::iterator end() { return m_Store.end(); }
    void reserve(size_t n) { m_Store.reserve(n + 1); }
    void assign(size_t n, std::int8_t flag)
    {
      m_Store.assign(n + 1, flag);
      m_Store[0] = 1;
    }
    void resize(size_t n) { m_Store.resize(n + 1); }
    void push_back(std::int8_t flag) { m_Store.push_back(flag); }

  private:
    std::vector<std::int8_t> m_Store;
  };
  CFaceFlags m_FaceFlag;
  // Faces gone and still in m_Faces.
  size_t m_NbGone = 0;
  int m_NbBaseVertex = 0;
  // Faces of each vertex, in face order, as the layer found them, each with the corners before
  // and after the vertex: the face holding the edge x -> v is found among v's without reading
  // a face. A vertex's faces start at m_FaceStart, m_FaceCount of them, in room for
  // m_FaceRoom; one that outgrows its room moves to the end of m_FaceList.
  // Made without a value: the lists are sized before each entry is written, and zeroing them
  // first would cost a pass over them.
  struct SCorner
  {
    SCorner() {}
    SCorner(int p, int n, int f, int k) : previous(p), next(n), face(f), corner(k) {}
    int previous;
    int next;
    int face;
    int corner;
  };
  std::vector<int> m_FaceStart;
  std::vector<int> m_FaceCount;
  std::vector<int> m_FaceRoom;
  std::vector<SCorner> m_FaceList;
  // Whether the lists hold the faces as they are; whether a layer was replayed.
  bool m_Listed = false;
  // Whether each edge is held by one face at most each way round, so the faces across are
  // kept by the layers and no list is needed (see LinkAcross); whether the last listing
  // found an edge held twice the same way.
  bool m_UniqueEdges = false;
  bool m_EdgeHeldTwice = false;
  // The edges 1 -> 0 and 0 -> 1 while the lists are not kept: the seed gates' faces.
  std::array<int, 2> m_Seed{-1, -1};
  bool m_Replayed = false;
  int m_NbLayerFace = 0;
  std::vector<int> m_Replaced;
  std::vector<int> m_Touched;
  // Per vertex, the last pass that saw it: a pass takes the next value of m_Pass.
  std::vector<int> m_Stamp;
  int m_Pass = 0;
  std::vector<int> m_FirstEdge;
  // Per neighbour of the vertex whose adjacency is being stored: that vertex, and the first
  // and second of its faces holding the neighbour. Together: they are read at once.
  struct SSeen
  {
    int vertex;
    int first;
    int second;
  };
  std::vector<SSeen> m_Seen;
  // The same when the faces across are known: the vertex alone.
  std::vector<int> m_SeenBy;
  // The stored mesh's faces across, Edge(face, k) for face's edge k.
  std::vector<int> m_StoredAcross;
  std::vector<CVertex3d*> m_Neighbors;
  // The stored mesh's elements by index, the new ones in their claimed places before they
  // are made.
  std::vector<CVertex3d*> m_VertexPointers;
  // m_FacePointers behind a null pointer, for index -1.
  std::vector<CFace3d*> m_FacePointers;
  // Base faces that went, kept to be made again as added faces.
  std::vector<CFace3d*> m_SpareFaces;
  std::vector<std::array<float, 3>> m_FaceNormal;
  // Per vertex, the sum of its faces' normals.
  std::vector<std::array<float, 3>> m_VertexNormal;
  // The queue runs from m_GateHead to m_GateTail: the front faces' edges.
  std::vector<int> m_Gates;
  size_t m_GateHead = 0;
  size_t m_GateTail = 0;
  // Whether the conquest has its seed edge, between vertices 0 and 1 of the base mesh.
  bool m_Seeded = false;
  float m_Scale[3] = {0, 0, 0};
  float m_Shift[3] = {0, 0, 0};
  const CProgressiveCodeList* m_pCodes = nullptr;
  CProgressiveGeometryLayer* m_pGeometry = nullptr;
  int m_GateType = 0;
  int m_CodeCursor = 0;
  int m_GeometryCursor = 0;
  int m_Error = 0;
  // The pattern found in front of the gate being decoded.
  const CProgressivePattern* m_pPattern = nullptr;
  // The shared patterns at 4 (valence - 3) + tag pair: looked up at every removal, where the
  // shared table would be reached through a call and its guard.
  std::array<const CProgressivePattern*, 16> m_Patterns{};
  std::array<int, 6> m_Border{};
  std::array<int, 4> m_PatternFaces{};
  int m_NbBorder = 0;
  int m_NbPatternFace = 0;
  // A vertex whose position waits for PlaceVertices: its frame is a long chain of roots and
  // divisions, and frames worked out one after another overlap where a conquest step between
  // them would wait on each. The faces are the pattern's, which outlive the replay.
  struct SPlacement
  {
    int vertex;
    int record;
    int nbBorder;
    std::array<int, 6> border;
    const std::vector<std::array<int, 3>>* pFaces;
  };
  std::vector<SPlacement> m_Placements;
  // Null patches the last layer held back (HoldBackNullPatches), from the queue's head then.
  int m_HeldNull = 0;
  size_t m_HeldHead = 0;
  // Whether the mesh is connected (IsConnected): not known yet, one piece, or maybe not.
  enum class EConnected : std::int8_t
  {
    Unknown,
    Whole,
    Split
  };
  EConnected m_Connected = EConnected::Unknown;
  std::vector<std::int8_t> m_Reached;
  std::vector<int> m_Pending;
  // Per face before DropGoneFaces, its index after, -1 for a face gone, behind a slot for
  // index -1 (no face).
  std::vector<int> m_FaceIndex;
};
