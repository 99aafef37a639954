#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/DataOrBlock.h"
#include "mesh/ElementPool.h"
#include "mesh/ElementRef.h"
#include "mesh/History.h"
#include "mesh/Object3d.h"
#include "mesh/Vector3d.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <new>

class CHashTable;
class CMesh3d;
class CVectorSet3d;
class CVertex3d;

// Triangle of a mesh. Vertex slots are read modulo 6: 0..2 are the corners in
// counter-clockwise order, 3..5 the vertices that subdivision puts on edges 0..2. Neighbour i
// (modulo 3) lies across edge i, from corner i to corner (i+1) mod 3, and is null on a
// boundary. The undo history has a member of its own, apart from the scratch data pointer.
// The second normal and the ribbon, which few algorithms use, live in a block that the first
// write of a value other than its default creates; it shares one word with the data pointer.
class CFace3d : public CObject3d
{
public:
  CFace3d() = default;
  CFace3d(CVertex3d* a, CVertex3d* b, CVertex3d* c) { SetVertices(a, b, c); }
  // Corners and neighbours at once, for a step that makes each face whole.
  CFace3d(CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1, CFace3d* f2)
  {
    Set(a, b, c, f0, f1, f2);
  }
  // The same for a caller that knows every element is null or in reach of the face
  // (elementref::EncodeInReach).
  struct SInReach
  {
  };
  CFace3d(SInReach, CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1,
          CFace3d* f2)
  {
    SetInReach(a, b, c, f0, f1, f2);
  }
  CFace3d(CVertex3d* a, CVertex3d* b, CVertex3d* c, int flag) : m_Flag(flag)
  {
    SetVertices(a, b, c);
  }
  CFace3d(CVertex3d* a, CVertex3d* b, CVertex3d* c, std::uint8_t r, std::uint8_t g,
          std::uint8_t bl, int flag, void* pData)
    : m_Color(r, g, bl), m_Flag(flag), m_DataOrScratch(pData)
  {
    SetVertices(a, b, c);
  }
  // Corners and neighbours only.
  explicit CFace3d(const CFace3d* pFace) { CopyFrom(pFace); }
  ~CFace3d() override = default;
  // Destroys the face and frees its memory to the heap or to its mesh's pool
  // (mesh/ElementPool.h), whichever it came from.
  void operator delete(CFace3d* p, std::destroying_delete_t);

  CFace3d(const CFace3d&) = delete;
  CFace3d& operator=(const CFace3d&) = delete;

  int GetType() const override { return TYPE_FACE3D; }
  virtual void glDraw(const CColor* pColor, const CMesh3d* pMesh,
                      const CColor* pNeighborColor) const;

  // --- accessors --------------------------------------------------------------------------
  CVertex3d* v(int i) const { return V(i % 6); }
  void SetVertex(int i, CVertex3d* pVertex) { SetRef(i % 6, pVertex); }
  void SetVertices(CVertex3d* a, CVertex3d* b, CVertex3d* c)
  {
    SetRef(0, a);
    SetRef(1, b);
    SetRef(2, c);
  }
  CFace3d* f(int i) const { return F(i % 3); }
  void SetF(int i, CFace3d* pFace) { SetRef(kFaceRef + i % 3, pFace); }
  void SetNeighbors(CFace3d* f0, CFace3d* f1, CFace3d* f2)
  {
    SetRef(kFaceRef, f0);
    SetRef(kFaceRef + 1, f1);
    SetRef(kFaceRef + 2, f2);
  }
  void Set(CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1, CFace3d* f2)
  {
    SetVertices(a, b, c);
    SetNeighbors(f0, f1, f2);
  }
  // Set and SetNeighbors without a check per reference, to the same storage, for a caller that
  // knows every element is null or in reach of the face (elementref::EncodeInReach).
  void SetInReach(CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1,
                  CFace3d* f2)
  {
    if (m_Wide) [[unlikely]] {
      SetChecked(a, b, c, f0, f1, f2);
      return;
    }
    m_Ref[0] = elementref::EncodeInReach(m_Ref, a);
    m_Ref[1] = elementref::EncodeInReach(m_Ref, b);
    m_Ref[2] = elementref::EncodeInReach(m_Ref, c);
    SetNeighborsInReach(f0, f1, f2);
  }
  void SetNeighborsInReach(CFace3d* f0, CFace3d* f1, CFace3d* f2)
  {
    if (m_Wide) [[unlikely]] {
      SetNeighborsChecked(f0, f1, f2);
      return;
    }
    m_Ref[kFaceRef] = elementref::EncodeInReach(m_Ref, f0);
    m_Ref[kFaceRef + 1] = elementref::EncodeInReach(m_Ref, f1);
    m_Ref[kFaceRef + 2] = elementref::EncodeInReach(m_Ref, f2);
  }
  void CopyFrom(const CFace3d* pFace);
  CFace3d* GetNeighbor0() const { return F(0); }
  CFace3d* GetNeighbor1() const { return F(1); }
  CVector3d* GetNormal() { return &m_Normal; }
  const CVector3d* GetNormal() const { return &m_Normal; }
  void SetNormal(float x, float y, float z) { m_Normal.Set(x, y, z); }
  CVector3d* GetAltNormal() { return &Scratch().altNormal; }
  CColor* GetColor() { return &m_Color; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { m_Color.Set(r, g, b); }
  void SetColor(const CColor* pColor) { m_Color = *pColor; }
  int GetFlag() const { return m_Flag; }
  void SetFlag(int flag) { m_Flag = flag; }
  int GetRibbon() const { return FindScratch() ? FindScratch()->ribbon : 0; }
  void SetRibbon(int ribbon)
  {
    if (ribbon != 0 || FindScratch())
      Scratch().ribbon = ribbon;
  }
  // Scratch pointer that one algorithm borrows for a run; the undo history does not live here.
  void* GetData() const { return m_DataOrScratch.GetData(); }
  void SetData(void* pData) { m_DataOrScratch.SetData(pData); }

  // --- corner queries ---------------------------------------------------------------------
  int HasVertex(const CVertex3d* p) const { return IndexFrom(p) >= 0 ? 1 : 0; }
  int HasVertices(const CVertex3d* a, const CVertex3d* b, const CVertex3d* c) const
  {
    return (HasVertex(a) && HasVertex(b) && HasVertex(c)) ? 1 : 0;
  }
  int IsSameFace(const CFace3d* pFace) const
  {
    return HasVertices(pFace->v(0), pFace->v(1), pFace->v(2));
  }
  int IndexFrom(const CVertex3d* p) const;
  int IndexOfVertex(const CVertex3d* p, int* pIndex) const;
  int NbOccurrence(const CVertex3d* p) const;
  int NbVertex() const;
  CVertex3d* GetVertexOther(const CVertex3d* a, const CVertex3d* b) const;
  CVertex3d* GetSharedVertexOther(const CVertex3d* p, const CFace3d* pFace) const;
  CVertex3d* GetNearestVertex(const CVertex3d* pPoint) const;
  int HasNullVertex() const { return (!V(0) || !V(1) || !V(2)) ? 1 : 0; }
  int IsCollapsed() const;
  int HasBoundaryVertex() const;
  int HasNoValence3Near() const;
  int SumValence() const;
  int HasVertexWithFlag(int flag) const { return GetVertexWithFlag(flag) ? 1 : 0; }
  int NbVertexWithFlag(int flag) const;
  int IndexVertexWithFlag(int flag) const;
  CVertex3d* GetVertexWithFlag(int flag) const;
  void SetFlagOnVertices(int flag);
  void SetFlagOnVerticesExcept(const CVertex3d* p, int flag);
  void SetFlagOnVerticesIfNot(int value, int flag);
  int NbVertexInRibbon(int ribbon) const;
  int HasSameRibbon(int* pRibbon) const;
  int IsRibbonDifferent() const;
  int GetMaxRibbonDifference() const;
  CVertex3d* NewCentroidVertex() const;
  void AddVertexNeighbors();

  // --- neighbour queries ------------------------------------------------------------------
  int HasNeighbor(const CFace3d* pFace) const;
  int HasNeighborIn(const CArray3d<CFace3d>* pArray) const;
  int IndexOfNeighbor(const CFace3d* pFace, int* pIndex) const;
  int IndexOfNeighborWithFlag(int flag, int* pIndex) const;
  int NbFaceNeighbor() const;
  int NbFaceNeighborWithFlag(int flag) const;
  int NbFaceNeighborWithRibbon(int ribbon) const;
  CFace3d* GetNeighborWithRibbon(int ribbon) const;
  CFace3d* GetFaceSharing(const CVertex3d* a, const CVertex3d* b) const;
  CFace3d* GetFaceSharingExcept(const CVertex3d* a, const CFace3d* pExcept) const;
  CFace3d* GetFaceSharingNotIn(const CVertex3d* a, const CArray3d<CFace3d>* pArray) const;
  CFace3d* GetFaceNotSharing(const CVertex3d* p) const;
  CFace3d* GetFaceOther(const CFace3d* g, const CFace3d* h) const;
  CVertex3d* GetOppositeVertex(int i) const;
  int SharesEdge(const CFace3d* pFace) const;
  int SharesOneVertex(const CFace3d* pFace) const;
  int ShareEdge(const CFace3d* pFace, int* pI, int* pJ) const;
  int GetSharedEdge(const CFace3d* pFace, CVertex3d** ppA, CVertex3d** ppB) const;
  int GetFacesAroundCorners(CArray3d<CFace3d>* pArray);
  int IsValid() const;
  int CheckNeighbors() const;

  // --- edits ------------------------------------------------------------------------------
  int UpdateVertex(const CVertex3d* pOld, CVertex3d* pNew);
  void ReplaceVertexRecursive(const CVertex3d* pOld, CVertex3d* pNew);
  int UpdateNeighbor(const CFace3d* pOld, CFace3d* pNew);
  // Every face around this face's corners that names it as a neighbour, though this face does
  // not name it back (a face with a repeated corner can), forgets the link: for a face about
  // to be deleted, whose own neighbours are relinked by the caller.
  void DropOneSidedLinks();
  int UpdateNeighborFromArray(const CArray3d<CFace3d>* pArray, CFace3d* pNew);
  int RepairNeighbor(CFace3d* pNew);
  int UnlinkFromNeighbors(CFace3d** ppG, CFace3d** ppH);
  int SwapEdge(CFace3d* g);
  int SwapEdgeVertices(CFace3d* g);
  void CalculateNormal();
  void CalculateAltNormal();

  // --- measures ---------------------------------------------------------------------------
  double Area() const;
  double Perimeter() const;
  double Compacity() const;
  double MeanCompacity(const CFace3d* pFace) const;
  double CompacityAfterSwap(const CFace3d* pFace) const;
  int IsSwapFolding(CFace3d* pFace);
  double MeanSqrtEdgeLength() const;
  double GetMaxAngleAroundVertices() const;
  double GetMaxVertexCurvature() const;
  int IsSharpEdge(double threshold);
  int GetSharpEdges(double threshold, int* pSharp);
  void ColorSharpEdges(double threshold, const CColor* pColor);
  int IsPointInside(const CVertex3d* pPoint) const;

  // --- history ----------------------------------------------------------------------------
  void PushHistory(CHistoryAction* pAction) { m_History.Push(pAction); }
  int PopHistory();
  int NbHistory() const { return m_History.GetSize(); }

  // --- geometry queries (mesh/GeometryUtil.cpp) ------------------------------------------
  int HasNormal() const { return m_Normal.GetSquareNorm() != 0.0 ? 1 : 0; }

  // --- L1 error against a reference surface (mesh/Face3dL1.cpp) ---------------------------
  // Error of the surface near the corner vertex, sampled on a grid of the given spacing and
  // measured along the face normal to the reference (through its hash when useHash is 1).
  double GetL1Error(const CVertex3d* pVertex, CMesh3d* pReference, CHashTable* pHash, int useHash,
                    float radius, int* pCount, double* pMax);
  // Adds a vector along the normal at every sample of that grid inside the face; the set
  // turns green.
  void ShowL1Samples(CVectorSet3d* pSet, float radius);
  // Calls fn with each sample of the grid that GetL1Error walks at that radius.
  void ForEachL1SamplePoint(float radius, const std::function<void(const CVertex3d*)>& fn) const;

private:
  template <class Pred>
  CFace3d* FirstNeighbor(Pred pred) const;
  // Corners of the two faces an edge flip with pFace would make; 0 without a shared edge.
  int GetSwappedCorners(const CFace3d* pFace, CVertex3d** ppFirst, CVertex3d** ppSecond) const;

  friend class CElementPool<CFace3d>;

  // Slots 0..5 are the vertex slots, 6..8 the neighbours.
  static constexpr int kFaceRef = 6;
  static constexpr int kNbRef = 9;
  CVertex3d* V(int i) const
  {
    return m_Wide ? FindScratch()->wideVertex[i] : elementref::Decode<CVertex3d>(m_Ref, m_Ref[i]);
  }
  CFace3d* F(int i) const
  {
    return m_Wide ? FindScratch()->wideFace[i]
                  : elementref::Decode<CFace3d>(m_Ref, m_Ref[kFaceRef + i]);
  }
  void SetRef(int slot, void* p)
  {
    if (!m_Wide && elementref::Encode(m_Ref, p, &m_Ref[slot]))
      return;
    SetWideRef(slot, p);
  }
  // Moves every reference to full pointers in the scratch block, for good, and sets one.
  void SetWideRef(int slot, void* p);
  // Set and SetNeighbors out of line: the unchecked writes' rare way round, kept small enough
  // to be inlined.
  void SetChecked(CVertex3d* a, CVertex3d* b, CVertex3d* c, CFace3d* f0, CFace3d* f1,
                  CFace3d* f2);
  void SetNeighborsChecked(CFace3d* f0, CFace3d* f1, CFace3d* f2);

  struct SScratch
  {
    // The ribbon fills the normal's tail padding (it has a vtable pointer): 104 bytes in all.
    [[no_unique_address]] CVector3d altNormal;
    int ribbon = 0;
    CVertex3d* wideVertex[6] = {};
    CFace3d* wideFace[3] = {};
    void* data = nullptr;  // GetData's, once the block exists
  };
  static_assert(sizeof(SScratch) <= 104, "the block is meant to fit a 112-byte heap chunk");
  SScratch* FindScratch() const { return m_DataOrScratch.Find(); }
  SScratch& Scratch() { return m_DataOrScratch.Get(); }

  // The vertex slots and the neighbours as references relative to this array
  // (mesh/ElementRef.h), which lies inside the face, so that the face itself is in reach (the
  // adjacency build marks a face with itself); while all are in reach, else as pointers in the
  // scratch block (m_Wide).
  std::int32_t m_Ref[kNbRef] = {};
  CColor m_Color;
  // The flag fills the normal's tail padding (it has a vtable pointer).
  [[no_unique_address]] CVector3d m_Normal;
  int m_Flag = 0;
  std::uint32_t m_PoolSlot = 0;  // in its mesh's pool; 0 for a face made with new
  bool m_Wide = false;
  CHistory m_History;
  // The data pointer, or the block of rarely used state that holds it (mesh/DataOrBlock.h).
  CDataOrBlock<SScratch> m_DataOrScratch;
};

// Measures between two faces (their normals are recomputed first) and between two vectors.
double AbsSinusFaces(CFace3d* f1, CFace3d* f2);
double CosinusFaces(CFace3d* f1, CFace3d* f2);
double AngleFaces(CFace3d* f1, CFace3d* f2);
double AngleVectors(const CVector3d* u, const CVector3d* v);
double TriangleArea(const CVertex3d* p0, const CVertex3d* p1, const CVertex3d* p2);
