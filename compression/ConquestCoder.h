#pragma once

#include "compression/ActiveList.h"
#include "compression/ActiveListIndex.h"
#include "compression/ActiveListStack.h"
#include "compression/ConquestMesh.h"
#include "compression/ConquestPatch3d.h"
#include "mesh/Array3d.h"
#include "mesh/Object3d.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

class COBitStream;
class CFace3d;
class GLUquadric;
class CMesh3d;
class CRenderView;
class CVertex3d;

// Valence-driven connectivity coder of triangle meshes. From a seed face it grows a
// conquered region; its border is held as cyclic active lists, each with a gate. Every step
// conquers the free face beyond the gate edge and emits one code for its third vertex:
//   valence (>= 3) a free vertex,  0 the ghost vertex that closes every boundary,
//   1 a vertex further on the current list (a split; the next code is its offset + 6),
//   2 a vertex on another list (a merge).
// The code sequence is entropy coded into the caller's file and dumped as "codes.txt" and
// "codes.bin"; the positions of the free vertices may be coded in local frames ("pos.bin").
// All of it goes to the current folder. Element flags are scratch: vertex 0 free,
// 1 conquered, 2 ghost; face 0 free, 1 conquered. The edges and their flags live in the
// coder's own table (the vertex marks number the vertices for it); the mesh's edges are left
// as they were.
class CConquestCoder : public CObject3d
{
public:
  CConquestCoder();
  ~CConquestCoder() override;

  CConquestCoder(const CConquestCoder&) = delete;
  CConquestCoder& operator=(const CConquestCoder&) = delete;

  // 1 when the conquest covered what it could reach and every file was written; 0 when the
  // input is refused (no mesh, seed face or bit counts out of range, a vertex whose faces form
  // several fans, with a message), when the conquest
  // cannot go on (no free face beyond a gate, a split vertex not found, a failed merge) or
  // when a value does not fit its field. A conquest that fails writes no file. The limit on
  // steps is no failure: it skips the entropy stage.
  int Encode(CMesh3d* pMesh, const char* fileName, CRenderView* pView, int debug,
             int drawLists, int delayMs, int updateEach, int seedFace, int removeGhost,
             int deterministic, int stackRun, int limitOn, int limitSteps,
             float* pConnectivityRate, float* pGeometryRate, int geometryOn, int normalBits,
             int parameterBits, int normalization);
  int Init(CMesh3d* pMesh, CRenderView* pView, int debug);

  // Visual debugging: spheres on the current list, tubes along every list.
  int Draw() override;

  const std::vector<unsigned int>& GetCodes() const { return m_Codes; }
  int GetCompletedCount() const { return m_CompletedCount; }
  int GetSplitCount() const { return m_SplitCount; }
  int GetCodedVertexCount() const { return m_CodedVertexCount; }
  int GetStepCount() const { return m_StepCount; }
  const std::vector<std::unique_ptr<CConquestPatch3d>>& GetPatches() const { return m_Patches; }
  const std::vector<unsigned int>& GetNormalCodes() const { return m_NormalCodes; }
  const std::vector<unsigned int>& GetParameterCodes() const { return m_ParameterCodes; }
  // Alpha min, alpha max, beta min, beta max, n min, n max.
  const double* GetRanges() const { return m_Range; }
  const CActiveListStack* GetStack() const { return &m_Stack; }
  CVertex3d* GetGhostVertex() const { return m_pGhostVertex; }
  // The mesh as the conquest reads it: which edges and faces are conquered, and how many
  // edges each vertex has left.
  const CConquestMesh& GetConquestMesh() const { return m_Mesh; }

  // --- the conquest (compression/ConquestCoder.cpp) -----------------------------------------
  // The whole conquest of the mesh given to Init, from the seed face: the ghost vertex is added
  // where the mesh has a border, and stays (RemoveGhostVertex takes it away), the codes are
  // left in the coder. 0, with the ghost taken away again and nothing conquered, when a
  // vertex's faces form several fans (CanCloseBoundaries).
  int Conquer(int seedFace);
  // Builds the table, unless tableBuilt (Conquer built it); 0, with the mesh's positions as
  // they were, when a vertex's faces form several fans.
  int InitItems(int tableBuilt = 0);
  int InitCoder(int seedFace);
  // 1 to go on, 0 when the conquest is over (or failed: see IsFailed).
  int ConquestStep();
  int ProcessGate();
  int IsFillGate(CActiveList::Position pos);
  void ChooseGate();
  // Smallest remaining degree on the current list, its first position and how many share it;
  // a fill gate answers at once with one tie.
  int GetMinRemainingDegree(CActiveList::Position* pPos, int* pTies);
  // Splits at the given node of v, or at v's first node from the gate for the null position.
  int Split(CVertex3d* v, CActiveList::Position node = CActiveList::GetNull());
  int SplitOffset(CVertex3d* v);
  // v's first index in a once it is sorted by distance with the exchange sort that the
  // offsets are defined by (ties keep the order that sort leaves them in); -1 when absent.
  static int SortedIndexOf(const std::vector<CVertex3d*>& a, const std::vector<double>& distance,
                           const CVertex3d* v);
  // The sort itself, quadratic: the reference SortedIndexOf answers for.
  static int ExchangeSortedIndexOf(std::vector<CVertex3d*> a, std::vector<double> distance,
                                   const CVertex3d* v);
  // Merges the list holding v's node, or the first other list holding v for none.
  int Merge(CVertex3d* v, CActiveList* pOwner = nullptr,
            CActiveList::Position node = CActiveList::GetNull());
  CActiveList* FindListForMerge(CVertex3d* v, CActiveList::Position* pPos);
  int IsFailed() const { return m_Failed; }

  // --- ghost vertex (compression/ConquestCoderGhost.cpp) -----------------------------------
  // 1 when every vertex's faces form one fan, so that the ghost leaves a manifold: a vertex
  // where the boundary pinches (two fans) would give the ghost edge four faces. The faces of
  // pGhost, when given, are left out, and pGhost itself: the mesh is read as it was before
  // that ghost came.
  static int CanCloseBoundaries(const CMesh3d* pMesh, const CVertex3d* pGhost = nullptr);
  // CanCloseBoundaries of the mesh without its ghost, read off the table where the table can
  // tell: filed from the sides, every vertex but the ghost closes its faces in one fan.
  int HasOneFanEach() const;
  // Every vertex's flag cleared, then the ghost added when the mesh has a border; 0 for none.
  int AddGhostVertex();
  // AddGhostVertex for the table numbered (CConquestMesh::Number) and not filed yet, from the
  // border sides its pass over the faces found: the ghost is taken into the table.
  int AddGhostToTable();
  // Forgets the ghost of an earlier conquest (it stays in the mesh): a conquest starts
  // without one.
  void ForgetGhostVertex();
  int RemoveGhostVertex();
  // The ghost, its faces on the sides given and their links; the boundary vertices, each
  // once, in the order of the vertex array. 0, with no ghost, when there is none.
  int CloseBorders(const std::vector<std::pair<CFace3d*, int>>& borderSides,
                   const std::vector<CVertex3d*>& boundary);

  // --- geometry (compression/ConquestCoderGeometry.cpp) ------------------------------------
  int ProcessRange();
  int QuantizeParameters(int normalization);
  int EncodeGeometry();

  // --- entropy coding and dumps of a code sequence (compression/ConquestCoderCodes.cpp) ----
  int EncodeArithmetic(const char* fileName);
  int EncodeStackRun(const char* fileName);
  // Refused (0, no file) when a code is above 255.
  static int WriteCodesBinary(const std::vector<unsigned int>& codes, const char* name);
  static int WriteCodesText(const std::vector<unsigned int>& codes, const char* name);
  static int EncodeHuffman(const std::vector<unsigned int>& symbols,
                           std::vector<unsigned int>& bits, int writeText, const char* name);
  static void EncodeRleBinary(const std::vector<unsigned int>& bits, std::vector<unsigned int>& runs,
                              int maxRun);
  static int RunLength(const std::vector<unsigned int>& codes, int start, unsigned int value);
  static void EncodeRle(const std::vector<unsigned int>& codes, std::vector<unsigned int>& out,
                        int minRun);
  static void BuildHistogram(const std::vector<unsigned int>& codes,
                             std::vector<unsigned int>& histogram);
  static unsigned int GetMaxValue(const std::vector<unsigned int>& values);
  // One order-0 range-coded section over the codes' own alphabet (their maximum + 1).
  static int EncodeRange(const std::vector<unsigned int>& codes, COBitStream* pFile);
  double FitValenceDistribution() const;
  int LabelVertices();

  // Largest bit count of the geometry codes.
  static constexpr int MaxBits = 30;
  // Largest code that codes.bin and the 8-bit maximum of the connectivity file hold.
  static constexpr unsigned int MaxByteCode = 255;

protected:
  static int FitsRangeCoder(unsigned int maxCode);
  void Redraw(int force);
  void Fail() { m_Failed = 1; }
  // The valence of v, whose number is given (-1 when the table does not hold it).
  void EmitValence(const CVertex3d* v, int number);
  // The number of the vertex at the position, from its node when it carries one.
  int NumberAt(CActiveList::Position pos) const;
  // Tells the index that the remaining degrees of a, b and c (numbers) may have changed.
  void RecountDegrees(int a, int b, int c);
  // Marks the edge (a, b) conquered; the remaining degrees of both ends drop with it.
  void ConquerEdge(int a, int b) { m_Mesh.Conquer(a, b); }
  // The conquered face before the gate edge (p, g) and the free face beyond it; 0 when either
  // is missing. Vertices and faces here go by their numbers in the conquest's mesh. With
  // pOtherFree the whole of g's fan is read, to tell whether another free face holds g and p.
  // pApex, when given, receives the free face's corner across g - p (-1 without a free face).
  int FindGateFaces(int g, int p, int* pConquered, int* pFree, int* pOtherFree = nullptr,
                    int* pApex = nullptr) const;
  // otherFree: another free face than ff holds g and p (FindGateFaces).
  void ConquerFreeVertex(int g, int p, int v, int cf, int ff, int otherFree = 1);
  int ConquerListVertex(int g, int p, int v, int ff);
  void ConquerGhost(int g, int p, int v, int ff);
  void ConquerFace(int g, int p, int v, int ff);
  // 1 when the free wedge of the list node holds the face that enters it from p.
  int IsInFreeWedge(const CActiveList& list, CActiveList::Position pos, const CVertex3d* p) const;
  // The node of v, on any list, whose free wedge holds the face entering it from p; the null
  // position (and no owner) when there is none.
  CActiveList::Position FindWedgeNode(const CVertex3d* v, const CVertex3d* p,
                                      CActiveList** ppOwner) const;
  int PopList();
  // A new list on the seed face's corners, their valences emitted.
  void StartSeed(CFace3d* pSeed);
  // Seeds the next component that the conquest has not reached; 0 when none is left.
  int SeedNextComponent();
  // Points the index at the current list (nowhere in the deterministic conquest).
  void FollowCurrent();
  // The gate ChooseGate takes on a list of two or more vertices, from the index.
  CActiveList::Position ChooseIndexedGate();
  // Moves the gate to the first list vertex without free edges; 0 when there is none.
  int SetGateOnClosedVertex();
  // Moves the gate to the first list edge with a free face beyond it; 0 when there is none.
  int SetGateOnOpenEdge();
  void DrawLists(GLUquadric* pQuadric) const;
  void PurgeGhostFromLists();

  int m_CompletedCount = 0;
  CMesh3d* m_pMesh = nullptr;
  CActiveListStack m_Stack;
  CActiveList* m_pCurrent = nullptr;
  CConquestMesh m_Mesh;
  // Follows the current list; declared after the stack so that it goes first.
  CActiveListIndex m_Index;
  int m_RemoveGhost = 0;
  int m_CodedVertexCount = 0;
  CVertex3d* m_pGhostVertex = nullptr;
  CArray3d<CFace3d> m_ArrayGhostFace;
  CArray3d<CFace3d> m_ArrayBoundaryFace;
  CArray3d<CVertex3d> m_ArrayBoundaryVertex;
  std::vector<unsigned int> m_BoundaryEdgeIndex;
  int m_Deterministic = 0;
  std::vector<std::unique_ptr<CConquestPatch3d>> m_Patches;
  std::vector<unsigned int> m_NormalCodes;
  std::vector<unsigned int> m_ParameterCodes;
  double m_Range[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  int m_NormalBits = 8;
  int m_ParameterBits = 8;
  int m_Normalization = CConquestPatch3d::NormPerimeter;
  CRenderView* m_pView = nullptr;
  int m_Debug = 0;
  int m_DrawLists = 0;
  int m_Delay = 0;
  int m_UpdateEach = 1;
  int m_LimitOn = 0;
  int m_LimitSteps = 0;
  int m_StepCount = 0;
  std::vector<unsigned int> m_Codes;
  float* m_pGeometryRate = nullptr;
  float* m_pConnectivityRate = nullptr;
  int m_GeometryOn = 0;
  int m_SplitCount = 0;
  int m_Failed = 0;
  // Faces before it are conquered or touch a conquered vertex.
  int m_NextSeedScan = 0;

  // Visual-debugging requests of every conquest coder of the process.
  static inline int s_RedrawCount = 0;
};
