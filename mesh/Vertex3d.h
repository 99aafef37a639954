#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/DataOrBlock.h"
#include "mesh/ElementPool.h"
#include "mesh/History.h"
#include "mesh/NeighborList.h"
#include "mesh/Object3d.h"
#include "mesh/Vector3d.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <new>

class CEdge3d;
class CFace3d;
class CHashTable;
class CMesh3d;
class CRenderView;

// Vertex of a triangle mesh: position, a second (quantised) position, normal, colour, a flag
// word that algorithms use as scratch, an undo history, and the adjacency lists that
// CMesh3d::BuildAdjacency fills (32-bit references, mesh/NeighborList.h). The undo history is
// kept apart from the data pointer that other algorithms borrow for a run. State that only a
// few algorithms use (the undo history, the second position, edges, order, valence, merge
// target, byte flag) lives in a block that the first write of a value other than its default
// creates: most vertices never carry it. The block and the data pointer share one word, which
// also holds the top of the undo history by itself while there is neither data nor a block, so
// that a step recording every vertex's move makes no block.
class CVertex3d : public CObject3d
{
public:
  CVertex3d() = default;
  CVertex3d(float x, float y, float z) : m_x(x), m_y(y), m_z(z) {}
  CVertex3d(float x, float y, float z, const CVector3d* pNormal)
    : m_x(x), m_y(y), m_z(z), m_Normal(*pNormal)
  {
  }
  // Takes the position only.
  explicit CVertex3d(const CVertex3d* p) : m_x(p->x()), m_y(p->y()), m_z(p->z()) {}
  explicit CVertex3d(const CVector3d* p) : m_x(p->x()), m_y(p->y()), m_z(p->z()) {}
  ~CVertex3d() override;
  // Destroys the vertex and frees its memory to the heap or to its mesh's pool
  // (mesh/ElementPool.h), whichever it came from.
  void operator delete(CVertex3d* p, std::destroying_delete_t);

  CVertex3d(const CVertex3d&) = delete;
  CVertex3d& operator=(const CVertex3d&) = delete;

  int GetType() const override { return TYPE_VERTEX3D; }
  int Draw() override;

  // --- position -------------------------------------------------------------------------
  float x() const { return m_x; }
  float y() const { return m_y; }
  float z() const { return m_z; }
  float Get(int axis) const { return axis == 0 ? m_x : (axis == 1 ? m_y : m_z); }
  void SetX(float x) { m_x = x; }
  void SetY(float y) { m_y = y; }
  void SetZ(float z) { m_z = z; }
  void Set(float x, float y, float z)
  {
    m_x = x;
    m_y = y;
    m_z = z;
  }
  void Set(int axis, float value);
  template <class P>
  void Set(const P* p) { Set(p->x(), p->y(), p->z()); }
  void Move(float dx, float dy, float dz)
  {
    m_x += dx;
    m_y += dy;
    m_z += dz;
  }
  template <class P>
  static CVertex3d MakeVertex(const P* p) { return CVertex3d(p->x(), p->y(), p->z()); }
  int IsSamePosition(const CVertex3d* v) const
  {
    return (m_x == v->m_x && m_y == v->m_y && m_z == v->m_z) ? 1 : 0;
  }
  int IsDifferentPosition(const CVertex3d* v) const { return 1 - IsSamePosition(v); }
  void ZeroBelow(float threshold);

  // Second position: the quantised copy.
  float Get2(int axis) const { return FindScratch() ? FindScratch()->second[axis] : 0.0f; }
  // Starts loading the second position, which lies apart from the vertex.
  void PrefetchSecond() const
  {
    if (const SScratch* pScratch = FindScratch())
      __builtin_prefetch(pScratch->second);
  }
  void Set2(int axis, float value)
  {
    if (value != 0.0f || FindScratch())
      Scratch().second[axis] = value;
  }
  void Set2(float x, float y, float z)
  {
    if (x == 0.0f && y == 0.0f && z == 0.0f && !FindScratch())
      return;
    float* second = Scratch().second;
    second[0] = x;
    second[1] = y;
    second[2] = z;
  }
  float x2() const { return Get2(0); }
  float y2() const { return Get2(1); }
  float z2() const { return Get2(2); }
  void CopyToSecondSet() { Set2(m_x, m_y, m_z); }
  // Sets the second position of each of the n vertices at pVertices to position(*v), three
  // floats, in one pass, as Set2 does: the vertices without a block that need one get it,
  // made side by side with the others' rather than one heap allocation each. Null entries are
  // passed over.
  template <class Position>
  static void SetSecondPositions(CVertex3d* const* pVertices, size_t n, Position position);
  void SwapPositions();

  // --- attributes -----------------------------------------------------------------------
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }
  void IncrementFlag() { m_Flag++; }
  CColor* GetColor() { return &m_Color; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  void SetColor(const CColor* pColor) { m_Color = *pColor; }
  CVector3d* GetNormal() { return &m_Normal; }
  const CVector3d* GetNormal() const { return &m_Normal; }
  // Scratch pointer that one algorithm borrows for a run; the owner of what it points to
  // clears it. The undo history does not live here.
  void* GetData() const { return m_DataOrScratch.GetData(); }
  void SetData(void* pData) { m_DataOrScratch.SetData(pData); }
  int GetRibbon() const { return m_Ribbon; }
  void SetRibbon(int ribbon) { m_Ribbon = ribbon; }
  int GetMark() const { return m_Mark; }
  void SetMark(int mark) { m_Mark = mark; }
  int GetOrder() const { return FindScratch() ? FindScratch()->order : 0; }
  void SetOrder(int order)
  {
    if (order != 0 || FindScratch())
      Scratch().order = order;
  }
  std::uint8_t GetByteFlag() const { return FindScratch() ? FindScratch()->byteFlag : 0; }
  void SetByteFlag(std::uint8_t flag)
  {
    if (flag != 0 || FindScratch())
      Scratch().byteFlag = flag;
  }
  CVertex3d* GetMergedInto() const { return FindScratch() ? FindScratch()->pMergedInto : nullptr; }
  void SetMergedInto(CVertex3d* v)
  {
    if (v || FindScratch())
      Scratch().pMergedInto = v;
  }
  // Valence stored by CMesh3d::StoreValences; NbVertexNeighbor is the live one.
  int GetValence() const { return FindScratch() ? FindScratch()->valence : 0; }
  void SetValence(int valence)
  {
    if (valence != 0 || FindScratch())
      Scratch().valence = valence;
  }
  int GetEdgeFlagCount() const { return FindScratch() ? FindScratch()->edgeFlagCount : 0; }
  int DecrementEdgeFlagCount(int n);
  // The vertex's index in its mesh, kept by CMesh3d::BuildAdjacency for the run only.
  int GetAdjacencyIndex() const { return m_AdjacencyIndex; }
  void SetAdjacencyIndex(int i) { m_AdjacencyIndex = i; }
  void PrefetchAdjacencyIndex() const { __builtin_prefetch(&m_AdjacencyIndex); }

  // --- adjacency lists ------------------------------------------------------------------
  int NbVertexNeighbor() const { return m_ArrayVertexNeighbor.GetSize(); }
  int NbFaceNeighbor() const { return m_ArrayFaceNeighbor.GetSize(); }
  CVertex3d* GetVertexNeighbor(int i) const { return m_ArrayVertexNeighbor[i]; }
  CFace3d* GetFaceNeighbor(int i) const { return m_ArrayFaceNeighbor[i]; }
  CNeighborList<CVertex3d>* GetArrayVertexNeighbor() { return &m_ArrayVertexNeighbor; }
  CNeighborList<CFace3d>* GetArrayFaceNeighbor() { return &m_ArrayFaceNeighbor; }
  const CNeighborList<CVertex3d>* GetArrayVertexNeighbor() const { return &m_ArrayVertexNeighbor; }
  const CNeighborList<CFace3d>* GetArrayFaceNeighbor() const { return &m_ArrayFaceNeighbor; }
  CArray3d<CEdge3d>* GetArrayEdge() { return &Scratch().edges; }
  int NbEdge() const { return FindScratch() ? FindScratch()->edges.GetSize() : 0; }
  CEdge3d* GetEdge(int i) const { return FindScratch()->edges[i]; }

  int AddNeighbor(CVertex3d* v);
  int AddVertexNeighbor(CVertex3d* v) { return m_ArrayVertexNeighbor.Add(v); }
  int IsNeighbor(const CVertex3d* v) const { return m_ArrayVertexNeighbor.Contains(v); }
  int RemoveVertexNeighbor(const CVertex3d* v);
  void RemoveAllVertexNeighbor() { m_ArrayVertexNeighbor.RemoveAll(); }
  int ReplaceVertexNeighbor(CVertex3d* pOld, CVertex3d* pNew);
  void ReplaceVertexNeighborAround(CVertex3d* pOld, CVertex3d* pNew);
  void SetNbVertexNeighbor(int n) { m_ArrayVertexNeighbor.SetSize(n); }
  int FillVertexNeighbor(CVertex3d* v);
  int CountVertexNeighbor(const CVertex3d* v) const;
  int AddFaceNeighbor(CFace3d* f);
  int RemoveFaceNeighbor(const CFace3d* f);
  void RemoveAllFaceNeighbor() { m_ArrayFaceNeighbor.RemoveAll(); }
  void ReplaceVertexInFaces(CVertex3d* pOld, CVertex3d* pNew);
  void SetFlagFaceNeighbors(int flag);
  void SetRibbonFaceNeighbors(int ribbon);

  // --- queries over the incident faces ---------------------------------------------------
  int FindFacesWithVertex(const CVertex3d* v, CArray3d<CFace3d>* pArray) const;
  int FindFacesWithVertices(const CVertex3d* a, const CVertex3d* b,
                            CArray3d<CFace3d>* pArray) const;
  int FindSharedFaces(const CVertex3d* pOther, CArray3d<CFace3d>* pArray) const;
  int IsEdgeBetweenFlaggedFaces(const CVertex3d* pOther, int flag) const;
  CFace3d* FindFace(const CVertex3d* a, const CVertex3d* b) const;
  CFace3d* FindFaceWithOrientedEdge(const CVertex3d* a, const CVertex3d* b) const;
  int HasFace(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c) const;
  int FindEdgeFacesWithFlags(const CVertex3d* v, int flagA, CFace3d** ppFaceA, int flagB,
                             CFace3d** ppFaceB) const;
  int HasFaceNeighborWithFlag(int flag) const { return GetFaceNeighborWithFlag(flag) ? 1 : 0; }
  CFace3d* GetFaceNeighborWithFlag(int flag) const;
  int NbFaceNeighborWithFlag(int flag) const;
  int HasMixedFaceFlags() const;
  int AllFaceFlagsAtLeast(int flag) const;
  void ColorFacesWithVertex(const CVertex3d* v, int flag);

  // --- queries over the neighbour vertices -----------------------------------------------
  int HasVertexNeighborWithFlag(int flag) const
  {
    return GetVertexNeighborWithFlag(flag) ? 1 : 0;
  }
  CVertex3d* GetVertexNeighborWithFlag(int flag) const;
  int HasVertexNeighborWithFlagExcept(int flag, const CVertex3d* pExcept) const
  {
    return GetVertexNeighborWithFlagExcept(flag, pExcept) ? 1 : 0;
  }
  CVertex3d* GetVertexNeighborWithFlagExcept(int flag, const CVertex3d* pExcept) const;
  int NbVertexNeighborWithFlag(int flag) const;
  int GetVertexNeighborsFlagAbove(int flag, CArray3d<CVertex3d>* pArray) const;
  int GetVertexNeighborsFlagBelow(int flag, CArray3d<CVertex3d>* pArray) const;
  CVertex3d* GetVertexNeighborMaxFlag() const;
  CVertex3d* GetVertexNeighborMinFlagAbove(int flag) const;
  CVertex3d* GetVertexNeighborMaxValence() const;
  CVertex3d* GetNearestVertexNeighborWithFlag(int flag) const;
  CVertex3d* GetVertexNeighborInDirection(const CVector3d* pDirection) const;
  CVertex3d* FindVertexNeighborByFlags(int vertexFlag, int faceFlag) const;
  int SumNeighborValence() const;
  int HasVertexNeighborOnBoundary() const;
  int AllVertexNeighborsAtSamePosition() const;
  CVertex3d* GetVertexNeighborInRibbon(int ribbon) const;
  CVertex3d* GetVertexNeighborInRibbonExcept(int ribbon, const CVertex3d* pExcept) const;
  CVertex3d* GetVertexNeighborInRibbonWithFlag(int ribbon, int flag) const;
  CVertex3d* GetBoundaryVertexNeighborInRibbon(int ribbon) const;
  int GetVertexNeighborsInRibbon(CArray3d<CVertex3d>* pArray, int ribbon) const;
  int NbBoundaryVertexNeighborInRibbon(int ribbon) const;
  CVertex3d* GetNextInRibbon(int ribbon, int ribbonAlt, int faceFlag) const;
  CVertex3d* GetStraightestInRibbon(int ribbon, const CVertex3d* pPrevious) const;

  // --- geometry around the vertex --------------------------------------------------------
  int IsOnBoundary() const;
  int Classify(double threshold) const;
  int GetSharpEdgeVertices(CArray3d<CVertex3d>* pArray, double threshold) const;
  double GetSumCurveAround() const;
  double GetMeanCurveAround() const;
  double GetMaxCurveAround() const;
  int GetMaxCurveAround(double* pMax) const;
  double GetMaxCurveNeighborhood() const;
  double GetMaxAngleAround() const;
  double GetMeanLengthEdgeAround() const;
  double GetSumLengthEdgeAround() const;
  double GetMinLengthEdgeAround() const;
  double GetMaxLengthEdgeAround() const;
  double GetEdgeLengthRatio() const;
  double GetMeanAreaAround() const;
  double GetMinAreaAround() const;
  double GetMeanCompacityAround() const;
  double GetMinCompacityAround() const;
  double GetCompacityIfMerged(CVertex3d* v) const;
  int GetValenceTarget() const;

  // --- edges ------------------------------------------------------------------------------
  CEdge3d* FindEdge(const CVertex3d* v) const;
  int SetEdgeFlag(const CVertex3d* v, std::uint8_t flag);
  int CountEdgesWithFlag(std::uint8_t flag);
  // Searches the edge array that the structure coder keeps in the data pointer.
  CEdge3d* FindEdgeInData(const CVertex3d* v) const;

  // --- collapse ---------------------------------------------------------------------------
  int Collapse(CVertex3d* v, int faceFlag, int vertexFlag);
  void MarkCollapse(CVertex3d* v, int faceFlag, int vertexFlag);

  // --- history ----------------------------------------------------------------------------
  void PushHistory(CHistoryAction* pAction)
  {
    CHistoryAction* pTop = m_DataOrScratch.GetSide();
    CHistory::PushOnto(pTop, pAction);
    m_DataOrScratch.SetSide(pTop);
  }
  int PopHistory();
  int NbHistory() const { return CHistory::SizeOf(m_DataOrScratch.GetSide()); }
  void GetPreviousPosition(float* pPosition) const;

  // --- drawing ----------------------------------------------------------------------------
  void glDraw(float radius, const CColor* pColor, const CMesh3d* pMesh) const;
  void DrawNeighborhood(float radius, float neighborRadius, const CColor* pColor,
                        const CMesh3d* pMesh, const CColor* pNeighborColor) const;

  // --- geometry (mesh/GeometryUtil.cpp) ---------------------------------------------------
  void MoveAlong(const CVector3d* pVector, float s)
  {
    Move(pVector->x() * s, pVector->y() * s, pVector->z() * s);
  }

  // --- L1 optimisation against a reference surface (mesh/Vertex3dL1.cpp) ------------------
  // Unit direction that lowers the L1 error of the incident faces; 0 when there is no area to
  // sample. pMaxError receives the largest sample distance around the vertex.
  int GetL1MoveDirection(CVector3d* pDirection, CMesh3d* pReference, CHashTable* pHash,
                         int useHash, int n, double* pMaxError, int weightByError);
  // Descent along that direction; returns the number of steps taken. afterStep, when given,
  // is called after every step with whether a repaint is due, in place of the repaint itself
  // (a worker thread posts it and lets others at the mesh between two steps).
  int OptimizeL1(CMesh3d* pReference, CHashTable* pHash, int useHash, float epsilon,
                 int maxIterations, int n, float step, float minStep, float shrink,
                 CRenderView* pWindow, int visual, CMesh3d* pMesh,
                 const std::function<void(bool repaint)>& afterStep = {});

private:
  template <class Pred>
  CVertex3d* FirstNeighbor(Pred pred) const;
  template <class Pred>
  CFace3d* FirstFace(Pred pred) const;
  template <class Fn>
  void ForEachAdjacentFacePair(Fn fn) const;
  void DrawSphere(float radius) const;

  struct SScratch
  {
    SScratch() = default;
    SScratch(const SScratch&) = delete;
    SScratch& operator=(const SScratch&) = delete;
    // A block comes from the heap or from a pool's run of them (SetSecondPositions).
    void operator delete(SScratch* p, std::destroying_delete_t);

    float second[3] = {0.0f, 0.0f, 0.0f};
    std::uint32_t m_PoolSlot = 0;  // in the pool's run; 0 for a block made with new
    CArray3d<CEdge3d> edges;
    CVertex3d* pMergedInto = nullptr;
    int edgeFlagCount = 0;
    int order = 0;
    int valence = 0;
    std::uint8_t byteFlag = 0;
    CHistoryAction* side = nullptr;  // the undo history's top, once the block exists
    void* data = nullptr;            // GetData's, once the block exists
  };
  SScratch* FindScratch() const { return m_DataOrScratch.Find(); }
  SScratch& Scratch() { return m_DataOrScratch.Get(); }

  friend class CElementPool<CVertex3d>;

  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_z = 0.0f;
  int m_AdjacencyIndex = -1;
  // The colour and the pool slot fill the normal's tail padding (it has a vtable pointer).
  [[no_unique_address]] CVector3d m_Normal;
  CColor m_Color;
  std::uint32_t m_PoolSlot = 0;  // in its mesh's pool; 0 for a vertex made with new
  int m_Flag = 0;
  // The data pointer, or the block of rarely used state that holds it, or the undo history's
  // top (mesh/DataOrBlock.h). The history is owned: the destructor clears it.
  CDataOrBlock<SScratch, CHistoryAction> m_DataOrScratch;
  CNeighborList<CVertex3d> m_ArrayVertexNeighbor;
  CNeighborList<CFace3d> m_ArrayFaceNeighbor;
  int m_Ribbon = 0;
  int m_Mark = 0;
};

template <class Position>
void CVertex3d::SetSecondPositions(CVertex3d* const* pVertices, size_t n, Position position)
{
  // The pool lets go of its runs when it goes: each run is freed with its last block. The
  // vertices are fetched some ahead: the pass waits on little else.
  constexpr size_t kAhead = 8;
  CElementPool<SScratch> pool;
  for (size_t i = 0; i < n; i++) {
    if (i + kAhead < n)
      __builtin_prefetch(pVertices[i + kAhead]);
    CVertex3d* v = pVertices[i];
    if (!v)
      continue;
    const auto p = position(*static_cast<const CVertex3d*>(v));
    SScratch* pScratch = v->FindScratch();
    if (!pScratch) {
      // As Set2: a zero position reads the same without a block.
      if (p[0] == 0.0f && p[1] == 0.0f && p[2] == 0.0f)
        continue;
      pScratch = pool.New();
      v->m_DataOrScratch.Adopt(pScratch);
    }
    pScratch->second[0] = p[0];
    pScratch->second[1] = p[1];
    pScratch->second[2] = p[2];
  }
}
