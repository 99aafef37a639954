#pragma once

#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveGate.h"
#include "compression/ProgressiveGeometryLayer.h"
#include "mesh/AdjacencyLists.h"
#include "mesh/Array3d.h"
#include "mesh/Object3d.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

class CFace3d;
class CIBitStream;
class CMesh3d;
class COBitStream;
class CProgressivePattern;
class CRenderView;
class CStreamFile;
class CVertex3d;

// Progressive coder: removes vertices in decimation layers by a first-in first-out conquest of
// gates, retriangulating each removed vertex's hole by a fixed pattern, and records each
// decision as a code of the layer. The stream holds the coarse base mesh, the codes and the
// quantized geometry of every removed vertex; decoding re-inserts the layers coarse to fine.
class CProgressiveCoder : public CObject3d
{
public:
  using Callback = int (*)(int);

  CProgressiveCoder() = default;
  ~CProgressiveCoder() override;

  CProgressiveCoder(const CProgressiveCoder&) = delete;
  CProgressiveCoder& operator=(const CProgressiveCoder&) = delete;

  // Vetoes applied to removals in the following layers.
  void SetForbidConcave(int flag) { m_ForbidConcave = flag; }
  void SetForbidNormalFlipping(int flag) { m_ForbidNormalFlipping = flag; }
  void SetPureValence(int flag) { m_PureValence = flag; }
  void SetMetric(int use, int kind, double threshold)
  {
    m_UseMetric = use;
    m_MetricKind = kind;
    m_MetricThreshold = threshold;
  }

  // Decimates the mesh in pairs of layers (simple, then double) until it has at most the target
  // vertex count or nothing more goes, and writes base mesh, codes and geometry with q bits per
  // quantized coordinate. The callback gets the vertex count after each pair. Returns 0 when
  // refused (target not below the vertex count, q outside 1..15, file not written).
  int Encode(CMesh3d* pMesh, int targetVertexCount, int quantizationBits, const char* fileName,
             int simulate, int forbidConcave, int forbidNormalFlipping, int useMetric,
             int metricKind, double metricThreshold, int switchMetricOff,
             int metricOffVertexCount, CRenderView* pView, int redrawPeriod, int colourPatches,
             int colourCause, Callback callback, int writeLevels, const char* levelsFileName,
             int report);
  // One decimation layer of the mesh in place, its codes written to a single-layer file.
  int EncodeOneLayer(CMesh3d* pMesh, const char* fileName, int gateType, int maxValence,
                     int pureValence, int forbidConcave, int forbidNormalFlipping, int useMetric,
                     int metricKind, double metricThreshold, int applyRemoval,
                     CRenderView* pView, int redrawPeriod, int colourPatches, int colourCause,
                     int delay);
  // Reads a stream into an empty mesh, calling back after each re-inserted layer. Returns 0,
  // with the mesh emptied again, on a stream that cannot be read whole or does not fit.
  int Decode(CMesh3d* pMesh, const char* fileName, Callback callback, CRenderView* pView,
             int redrawAfterLayer, int colour, int delay, int fineGrain, int fineGrainPeriod);
  // Re-inserts the layer of a single-layer file into the mesh, new vertices at the mean of
  // their border. With refresh the replaced faces are deleted and the mesh rebuilt. Returns 0
  // when the file cannot be read or its codes do not fit the mesh.
  int DecodeLayer(CMesh3d* pMesh, const char* fileName, int refresh, CRenderView* pView,
                  int colourPatches, int unused);

  // One decimation layer of the mesh in place (gate type 0 simple, 1 double); returns the number
  // of vertices removed. The mesh is rebuilt afterwards.
  int EncodeLayer(CMesh3d* pMesh, int gateType, int maxValence);
  // Re-inserts every layer encoded so far into the decimated mesh, coarsest first, replaying the
  // conquest with the stored codes; removed vertices come back at their positions before removal. Returns 0 when a layer's codes do not
  // fit the mesh (the mesh then stays sound but unrefined).
  int DecodeLayers(CMesh3d* pMesh);

  int NbLayer() const { return static_cast<int>(m_LayerCodes.size()); }
  const CProgressiveCodeList* GetLayerCodes(int i) const { return m_LayerCodes[i].get(); }
  int NbGeometryLayer() const { return static_cast<int>(m_LayerGeometry.size()); }
  const CProgressiveGeometryLayer* GetLayerGeometry(int i) const { return m_LayerGeometry[i].get(); }
  float GetBitsPerRemovedVertex() const { return m_BitsPerRemovedVertex; }
  // Remembered refusals (see SRefusals): 0 answers from them, 1 judges every removal in full,
  // 2 judges in full and counts the remembered answers the full judgement contradicts. Modes 1
  // and 2 also walk the layers found to remove nothing (see GetBarrenLayers).
  void SetRefusalMemory(int mode) { m_RefusalMode = mode; }
  // Gates answered (or, in mode 2, answerable) from a remembered refusal so far.
  int GetRefusalHits() const { return m_RefusalHits; }
  int GetRefusalMismatches() const { return m_RefusalMismatches; }
  // In mode 2, also the free vertices whose boundary status read on the corner lists differed
  // from the one read on their faces.
  int GetBoundaryMismatches() const { return m_BoundaryMismatches; }
  // Times the encoder's corner array was compacted, the space of lists moved or dropped by the
  // layers' updates being reclaimed.
  int GetCornerCompactions() const { return m_CornerCompactions; }
  // Layers of an encoding found before their conquest to remove nothing, and not walked (in
  // mode 0); in mode 2, those of them whose walk removed something all the same.
  int GetBarrenLayers() const { return m_BarrenLayers; }
  int GetBarrenMismatches() const { return m_BarrenMismatches; }
  int GetGeometryBits() const { return m_GeometryBits; }
  // Encode walks its layers on index arrays where nothing watches them and the mesh is plain
  // (true by default); false keeps every layer on the mesh objects.
  void SetArrayLayers(bool on) { m_ArrayLayersAllowed = on; }
  // The objects take over after this many layers on the arrays (negative: never).
  void SetArrayLayerLimit(int layers) { m_ArrayLayerLimit = layers; }
  // Layers of the last Encode walked on the index arrays.
  int GetArrayLayers() const { return m_ArrayLayerCount; }

  // Raw geometry of the layers, outside the stream: layer count (10 bits), then per layer,
  // last first, the record count (32 bits) and each removed vertex's position before removal
  // as three float bit patterns; padded. InputGeometry replaces the layers' geometry with
  // records holding those positions; 0 on a file that cannot hold what it announces.
  int OutputGeometry(COBitStream* pFile) const;
  int InputGeometry(CIBitStream* pFile);

  // Code statistics. The histogram gets binCount bins and the count of each code when every
  // code is below binCount; otherwise a message box says so and 0 comes back.
  static int ProcessDistribution(const CProgressiveCodeList& codes,
                                 std::vector<unsigned int>* pHistogram, int binCount);
  // Largest code of the list, 0 for an empty one.
  static unsigned int MaxCode(const CProgressiveCodeList& codes);
  // "%d codes\n" with the count, then one code a line; 0 when the file cannot be written.
  static int DumpCodes(const CProgressiveCodeList& codes, const char* fileName);
  // The vertex-neighbour entries that a pattern's faces add to the closed border of its hole
  // (consecutive vertices neighbours, others not): the same lists as
  // CFace3d::AddVertexNeighbors on each face in turn, without its searches.
  static void AddDiagonalNeighbors(std::span<CVertex3d* const> border,
                                   const CProgressivePattern& pattern);
  // After Encode: the quantized positions the decoder will give, in the decoder's vertex order
  // (base mesh first, then the re-inserted vertices layer by layer, coarsest first).
  const std::vector<std::array<int, 3>>& GetReconstruction() const { return m_Reconstruction; }
  // After Encode: the positions before quantization, in the same order.
  const std::vector<std::array<float, 3>>& GetOriginalPositions() const { return m_Originals; }

private:
  static constexpr int kNone = -1;
  // Patterns end at valence 6: a patch's border and faces fit here without an allocation.
  static constexpr int kPatchRoom = 8;

  // --- encoding driver and stream (ProgressiveCoder.cpp, ProgressiveCoderStream.cpp) --------
  int Quantize();
  void ComputeLayerGeometry(CProgressiveGeometryLayer* pLayer, int limit);
  void StoreReconstruction(const CVertex3d* v);
  void ComputeGeometry();
  void DiscardEmptyLayers();
  void OutputBaseMesh(COBitStream* pFile);
  int OutputCodes(COBitStream* pFile);
  int WriteGeometry(COBitStream* pFile);
  int WriteLayerGeometry(COBitStream* pFile, CProgressiveGeometryLayer* pLayer) const;
  int InputBaseMesh(CIBitStream* pFile);
  int InputCodes(CIBitStream* pFile);
  int InflateGeometry(CIBitStream* pFile);
  int ReadPredictedLayer(CIBitStream* pFile, int expected, CProgressiveGeometryLayer* pLayer);
  int WriteLayerCodes(const char* fileName, const CProgressiveCodeList* pCodes, int nbRemoved);
  int ReadLayerCodes(const char* fileName);
  void Report(int initialCount, int baseCount, int totalBits) const;
  // Called with each layer's codes and an empty name; a place to hang a dump when debugging.
  void DumpHook(const CProgressiveCodeList* pCodes, const char* fileName) const;
  void SetDebugging(CRenderView* pView, int colourPatches, int colourCause, int delay);
  void DebugStep();

  // --- layer decimation (ProgressiveCoderLayer.cpp) ------------------------------------------
  // One layer of the mesh being encoded; whether it has a boundary is known already (no
  // removal opens or closes one).
  int EncodeLayer(int gateType, int maxValence);
  int RunLayer(bool skipBarren = false);
  bool IsLayerBarren();
  static bool HasDegenerateRing(const CVertex3d* v, int valence);
  void InitLayer();
  void ReserveNewFaces();
  int EncodeStep();
  int ProcessGate(CProgressiveGate* pGate);
  // Whether no pattern takes a free vertex of this valence (they end at valence 6, whatever
  // larger degree is asked for), and whether one on the boundary may go all the same.
  bool IsValenceUnfit(int valence) const
  {
    return valence < 3 || valence > std::min(m_MaxValence, 6) ||
           (m_PureValence && valence != m_MaxValence);
  }
  bool IsBoundaryRemovable(int valence) const { return valence == 3 && 3 < m_MaxValence; }
  int JudgeRemoval(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v, int valence);
  // v's refusals for this kind of layer and v's adjacency index, null when nothing is remembered.
  std::uint32_t* RefusalOf(const CVertex3d* v, int* pId);
  bool IsRefusalRemembered(const CProgressiveGate* pGate, const CFace3d* pFace, int id,
                           std::uint32_t refused) const;
  void RememberRefusal(const CProgressiveGate* pGate, const CFace3d* pFace, CVertex3d* v);
  void ForgetRefusals(size_t count);
  // v->IsOnBoundary(), read on v's corners where they are listed.
  int IsOnBoundary(const CVertex3d* v);
  // The same from v's list (id as CornerListOf gives it); -1 when v's corners are not listed
  // or one of its faces repeats a vertex.
  int IsOnBoundaryByCorners(const CVertex3d* v, int id) const;
  int NullPatch(const CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v, int cause);
  int RemoveBoundaryVertex(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v);
  int IsResidualSendable(const CProgressivePattern& pattern, CVertex3d* v) const;
  int IsResidualSendable(CVertex3d* v, std::span<CVertex3d* const> border,
                         std::span<const std::array<int, 3>> faces) const;
  // The same, given the border's and v's quantized positions (`placed`, `position`).
  int IsResidualSendable(CVertex3d* v, std::span<CVertex3d* const> border,
                         std::span<const std::array<int, 3>> faces,
                         std::span<const std::array<double, 3>> placed,
                         const std::array<float, 3>& position) const;
  int BuildPatch(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v, int valence);
  int BuildPatchFromCorners(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v, int valence);
  void ColourPatch() const;
  int IsBorderConcave() const;
  int IsBorderDegenerate();
  int IsRetriangulationVetoed(const CProgressivePattern& pattern, CVertex3d* v) const;
  // Whether two of the pattern's new faces on the ring's points turn apart (the normal flip).
  static bool IsFlipped(const CProgressivePattern& pattern, const std::array<double, 3>* ring);
  void Retriangulate(const CProgressivePattern& pattern);
  int IsVetoedByMetric(CVertex3d* v, const CProgressivePattern& pattern) const;
  void PushGatesAfterRemoval(bool frontsFound = false);
  void PushGate(CVertex3d* a, CVertex3d* b);
  // The face holding second -> first, as CProgressiveGate::GetFrontFace finds it.
  CFace3d* FrontFace(CVertex3d* first, CVertex3d* second) const;
  // The same, with the face's vertex other than first and second (null when it has none).
  // firstIndex: first's adjacency index if known (checked), else -1.
  CFace3d* FrontFace(CVertex3d* first, CVertex3d* second, CVertex3d** pOther,
                     int firstIndex = -1) const;
  // The same from a front corner as FrontCorner gives it.
  CFace3d* FrontFaceAt(CVertex3d* first, CVertex3d* second, CVertex3d** pOther,
                       int corner) const;
  // first's adjacency index when its corners are listed, else -1. Inline where every vertex
  // owns the list of its index: the walk asks for every gate it pushes.
  int CornerListOf(const CVertex3d* first, int firstIndex) const
  {
    if (!m_CornersValid)
      return -1;
    if (!m_CornersComplete)
      return OwnedCornerListOf(first, firstIndex);
    const int id = firstIndex >= 0 ? firstIndex : first->GetAdjacencyIndex();
    return id >= 0 && id < static_cast<int>(m_CornerOwner.size()) ? id : -1;
  }
  int OwnedCornerListOf(const CVertex3d* first, int firstIndex) const;
  // Position in the corner lists of the front face's corner at first; kNoFront without one,
  // kUnresolved when first's corners are not listed.
  int FrontCorner(const CVertex3d* first, const CVertex3d* second, int firstIndex) const;
  void LookAhead();
  void ListCorners();
  // Ranks the vertices an update lists again when it answers true: UpdateAdjacency then
  // follows at once.
  bool CanUpdateAdjacency();
  void UpdateAdjacency();
  // After a layer that changes many faces: the mesh's adjacency built whole.
  void RebuildAdjacency();
  // The next layer's corner lists from the index arrays of the build (false where they do not
  // name every vertex once: the layer then lists them itself).
  bool CarryCornersFromBuild();
  void ClearGates();
  void SeedGates();
  // Faces on an edge that more than two faces hold, or two the same way: which of them a gate
  // fronts depends on the order of the vertex's faces, which the decoder's coarser mesh does
  // not keep for faces a layer replaces. Such faces are never replaced, so the order stays.
  // Pending until the next layer lists its corners (see InitLayer), which it reads.
  void FindTangledFaces() { m_TanglesPending = 1; }
  void FindTangledFacesNow();
  bool IsTangled(const CFace3d* pFace) const;
  bool IsPatchTangled() const;
  void ReleaseRemovedVertices();
  void RemoveDeadFaces();
  // The codes and records of a new layer, with room for about as many as the last layer of the
  // same kind had.
  void StartLayerLists(int nbVertex);

  // --- layers on index arrays (ProgressiveCoderArrays.cpp) -----------------------------------
  struct SLayerArrays;
  // Takes the mesh onto the arrays when it is plain and its adjacency is that of a full build;
  // false leaves everything on the objects.
  bool StartArrayLayers();
  // One layer of Encode on the arrays, or on the objects once the arrays have been left.
  int EncodeLayerOf(int gateType, int maxValence);
  int ArrayLayer(int gateType, int maxValence);
  // The objects written once from the arrays: vertex order, faces, adjacency, flags and marks.
  void EndArrayLayers();
  int LiveVertexCount() const;
  void ArrayInitLayer();
  bool ArrayLayerBarren();
  void ArrayRun();
  // Null patch of a judged gate (the run takes the others on its own locals).
  inline int ArrayNullPatch(int first, int second, int edge, int v);
  int ArrayJudge(int first, int second, int edge, int v, int valence);
  int ArrayRemoveBoundaryVertex(int first, int second, int edge, int v);
  int ArrayWalkPatch(int first, int second, int face, int v, int valence);
  // The walked patch's ring and faces as objects, for the checks that read them.
  void ArrayPatchObjects();
  int ArrayBorderDegenerate();
  void ArrayRetriangulate(const CProgressivePattern& pattern, int tag);
  void ArrayPushGatesAfterRemoval();
  void ArrayEndLayer();

  // --- layer decoding (ProgressiveCoderDecode.cpp) --------------------------------------------
  int ReplayLayers(CMesh3d* pMesh, Callback callback);
  void InitDecodingGates();
  int ReinsertLayer(int layer);
  int DecodeStep(int simulation);
  int DecodeGate(CProgressiveGate* pGate, int simulation);
  int DecodeBoundaryStep(CProgressiveGate* pGate, CFace3d* pFace);
  void MarkRemovable(CProgressiveGate* pGate);
  int FindPattern(CProgressiveGate* pGate, int valence, std::vector<CVertex3d*>* pBorder,
                  std::vector<CFace3d*>* pFaces) const;
  void InsertVertex(CProgressiveGate* pGate, const std::vector<CVertex3d*>& border,
                    const std::vector<CFace3d*>& faces);
  void PlaceVertex(CVertex3d* v, const std::vector<CVertex3d*>& border,
                   const std::vector<std::array<int, 3>>& faces);
  void AddLayerFace(CVertex3d* a, CVertex3d* b, CVertex3d* c);
  void ReplaceLayerFace(CFace3d* pFace);
  void EndLayerFaces();
  void SimulateDecoding();
  void RemoveUnusefulCodes(CProgressiveCodeList* pCodes);
  void FineGrainRedraw();

  int m_Delay = 0;
  int m_RedrawPeriod = 1;
  // First-in first-out gates of the layer: the front is m_Gates[m_GateHead]. The storage
  // is kept from layer to layer.
  std::vector<CProgressiveGate> m_Gates;
  size_t m_GateHead = 0;
  // The patch in front of the gate being processed.
  CVertex3d* m_BorderRoom[kPatchRoom] = {};
  CFace3d* m_PatchFaceRoom[kPatchRoom] = {};
  CArray3d<CVertex3d> m_GateBorder{m_BorderRoom, kPatchRoom};
  CArray3d<CFace3d> m_GatePatchFaces{m_PatchFaceRoom, kPatchRoom};
  // The face in front of each border edge i -> i + 1 (n - 1 -> 0 last) and its third vertex,
  // as FrontFace gives them, while m_PatchFrontsKnown is set (IsBorderDegenerate finds them).
  CFace3d* m_PatchFront[kPatchRoom] = {};
  CVertex3d* m_PatchFrontOther[kPatchRoom] = {};
  int m_PatchFrontsKnown = 0;
  // And each border vertex's corner list, as CornerListOf gives it.
  int m_PatchIndex[kPatchRoom] = {};
  CRenderView* m_pView = nullptr;
  CMesh3d* m_pMesh = nullptr;
  int m_HasBoundary = 0;
  CProgressiveCodeList* m_pCurrentCodes = nullptr;
  std::string m_InputFileName;
  std::vector<unsigned int> m_Removable;
  float m_BitsPerRemovedVertex = 0;
  int m_CodeBits = 0;
  std::vector<std::unique_ptr<CProgressiveCodeList>> m_LayerCodes;
  int m_InsertedCount = 0;
  std::vector<std::unique_ptr<CProgressiveGeometryLayer>> m_LayerGeometry;
  CProgressiveGeometryLayer* m_pCurrentGeometry = nullptr;
  int m_GeometryBits = 0;
  int m_QuantizationBits = 0;
  int m_GeometryAvailable = 1;
  float m_Scale[3] = {0, 0, 0};
  float m_Shift[3] = {0, 0, 0};
  int m_ApplyRemoval = 1;
  int m_ColourPatches = 0;
  int m_GateType = 0;
  int m_UseMetric = 0;
  int m_MetricKind = 0;
  int m_MaxValence = 6;
  int m_PureValence = 0;
  int m_ColourCause = 0;
  int m_CodeCursor = 0;
  int m_ForbidConcave = 0;
  int m_GeometryCursor = 0;
  double m_MetricThreshold = 0;
  int m_ForbidNormalFlipping = 0;
  int m_FineGrain = 0;
  int m_FineGrainPeriod = 1;
  // Visual-debug steps so far; runs on across layers.
  int m_DebugSteps = 0;
  int m_DecodeError = 0;
  // Largest local-frame residual a removal may need (0: no bound, when nothing is written).
  int m_ResidualLimit = 0;
  // Removed vertices stay alive until the coder goes: the geometry of finer layers is predicted
  // from them once their own positions are known as the decoder will have them.
  std::vector<std::unique_ptr<CVertex3d>> m_RemovedVertices;
  std::vector<std::array<int, 3>> m_Reconstruction;
  std::vector<std::array<float, 3>> m_Originals;
  // Faces replaced and added by the layer being decoded.
  std::vector<CFace3d*> m_LayerOldFaces;
  std::vector<CFace3d*> m_LayerNewFaces;
  // Pattern of the gate being decoded, kept to spare an allocation per gate.
  std::vector<CVertex3d*> m_PatternBorder;
  std::vector<CFace3d*> m_PatternFaces;
  // Set while whole layers are replayed: new faces leave the vertex neighbours alone.
  int m_DeferVertexNeighbors = 0;
  // Set when the layers are replayed on index arrays: the base mesh then needs no adjacency
  // of its own, the replay takes its corners as read.
  int m_ReplayOnArrays = 0;
  std::vector<int> m_BaseCorners;
  // The vertices' face lists as a layer starts, each face with the corner before the vertex,
  // by adjacency index: a layer changes no face list until it ends (new faces only join the
  // vertex neighbours), and a front face is then found without reading the faces in turn.
  // Vertices whose adjacency index does not name them alone are looked up on their own lists.
  struct SCorner
  {
    const CVertex3d* previous;
    CFace3d* face;
    // The corner after the vertex: the face's third vertex, read without the face.
    CVertex3d* next;
  };
  // After an update: the vertices keep their adjacency indices; `fresh` holds the lists of
  // the vertices the layer touched, by their rank, and `ranked` their indices.
  void CarryCorners(const std::vector<size_t>& ranked, const std::vector<SCorner>& fresh,
                    const std::vector<int>& freshStart);
  void CompactCorners();
  // Every vertex's adjacency index set to its place in the array, after layers that carried
  // the lists (m_IndicesCarried).
  void NumberVertices();
  void AddTangledFaces(const CVertex3d* v, const SCorner* begin, const SCorner* end);
  // True when the lists show that no face is tangled, read on half the pairs of corners that
  // AddTangledFaces compares; false also where they cannot show it.
  bool AreCornersPlain() const;
  // The listed corners of adjacency index id.
  const SCorner* CornersBegin(int id) const
  {
    return m_Corners.data() + m_CornerSpan[static_cast<size_t>(id)].begin;
  }
  const SCorner* CornersEnd(int id) const
  {
    return m_Corners.data() + m_CornerSpan[static_cast<size_t>(id)].end;
  }
  // Each listed vertex's corners lie in [begin, end) of m_Corners, by adjacency index. A list
  // that changes is written again in place when it fits, else at the end; the space left
  // behind (m_CornerWaste entries) is reclaimed once it outgrows the lists in use.
  struct SCornerSpan
  {
    int begin = 0;
    int end = 0;
  };
  std::vector<SCorner> m_Corners;
  std::vector<SCornerSpan> m_CornerSpan;
  size_t m_CornerWaste = 0;
  int m_CornerCompactions = 0;
  // A removal refused by the vetoes on the new faces, with the gate it was judged from: those
  // vetoes read only the positions of v's ring, walked from the gate on v's corners, and the
  // pattern of the ring's size and the gate's tag pair. While v's corners stay as listed (a
  // layer's update lists again those of every vertex its faces touch) and the vetoes' settings
  // stay, the same gate gets the same refusal. The gate is named by the position of the front
  // face among v's corners (the corner holds first before v, second after): per kind of layer
  // (simple, double), bit 4 * position + tag pair set for each gate refused. A vertex met from
  // several gates in turn keeps them all.
  struct SRefusals
  {
    std::uint32_t kind[2] = {0, 0};
    // v's boundary status read on the same corners: 0 not yet, 1 inside, 2 on the boundary.
    std::uint8_t boundary = 0;
  };
  static constexpr int kMaxRefusalCorner = 8;
  std::vector<SRefusals> m_Refusals;
  // The veto settings the remembered refusals were judged under.
  std::array<double, 4> m_RefusalSettings{};
  int m_RefusalMode = 0;
  int m_RefusalHits = 0;
  int m_RefusalMismatches = 0;
  int m_BoundaryMismatches = 0;
  int m_BarrenLayers = 0;
  int m_BarrenMismatches = 0;
  // The last gate's null patch cause (kNone when it removed its vertex).
  int m_LastCause = kNone;
  // Set when the last patch was walked on the corner lists.
  int m_PatchFromCorners = 0;
  // Buffers of the update, kept from layer to layer.
  struct SUpdateBuffers
  {
    std::vector<CVertex3d*> vertices;
    std::vector<size_t> ranked;
    std::vector<int> start;
    std::vector<int> cursor;
    std::vector<CFace3d*> added;
    std::vector<CFace3d*> faces;
    std::vector<CVertex3d*> neighbours;
    std::vector<SCorner> fresh;
    std::vector<std::uint8_t> cornerSlots;
    std::vector<int> freshStart;
  };
  void PrefetchUpdate(size_t r) const;
  void ListFresh(CVertex3d* v, int id, CFace3d* const* addedBegin, CFace3d* const* addedEnd);
  SUpdateBuffers m_UpdateBuffers;
  std::vector<SCorner> m_CornerSpare;
  std::vector<int> m_Rank;
  std::vector<const CVertex3d*> m_CornerOwner;
  int m_CornersValid = 0;
  // Every vertex of the mesh owns its adjacency index in the lists above.
  int m_CornersComplete = 0;
  // Set when a layer's update left the lists matching the mesh's new indices: the next layer
  // of the same encoding takes them instead of listing the corners again.
  int m_CornersCarried = 0;
  // Set while vertices keep the indices of an earlier numbering, which the removals left with
  // gaps (and the seed swap out of order).
  int m_IndicesCarried = 0;
  // Sorted; empty on the meshes where every edge has at most one face each way.
  std::vector<const CFace3d*> m_TangledFaces;
  int m_TanglesPending = 0;
  // Faces the encoder's layer removes and makes, in that order.
  std::vector<CFace3d*> m_DeadFaces;
  std::vector<CFace3d*> m_NewFaces;
  // The index arrays of the last whole build, kept from layer to layer.
  SAdjacencyIndex m_BuildIndex;

  // The layers of Encode on index arrays: vertices and faces by index (their place in the
  // mesh's arrays as the layers start), faces made by the layers after the others. The
  // records stay on the vertex objects; the judge reads copies of the positions.
  // A vertex's corner: its face's vertices before and after it, and its edge (4 * face + its
  // slot), the one from the vertex to `next`.
  struct SArrayCorner
  {
    int previous;
    int edge;
    int next;
  };
  // A face's vertices and, for each edge k -> k + 1, the edge across it: 4 * g + j for edge
  // j of the face g holding it the other way, -1 without. The links are those of the lists
  // as the layer started: both change only when it ends.
  struct alignas(32) SArrayFace
  {
    std::array<int, 3> v;
    std::array<int, 3> across;
    // Per corner, the gates refused from this face at the corner's vertex: bit 4 * kind of
    // layer + tag pair, set only where the face is among the vertex's first kMaxRefusalCorner
    // corners (as SRefusals keeps them). A corner belongs to one vertex, whose lists stay as
    // they were while the bits stand: they go before the vertex is listed again.
    std::array<std::uint8_t, 3> refused;
  };
  struct SLayerArrays
  {
    // Storage whose new entries are left unset, for arrays written whole before they are read
    // (the spare window after the last list is cleared where it is made).
    template <class T>
    struct SUnsetAllocator : std::allocator<T>
    {
      using value_type = T;
      SUnsetAllocator() = default;
      template <class U>
      SUnsetAllocator(const SUnsetAllocator<U>&) noexcept
      {
      }
      template <class U>
      struct rebind
      {
        using other = SUnsetAllocator<U>;
      };
      template <class U>
      void construct(U* p) noexcept
      {
        ::new (static_cast<void*>(p)) U;
      }
      template <class U, class... A>
      void construct(U* p, A&&... args)
      {
        ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
      }
    };
    template <class T>
    using UnsetVector = std::vector<T, SUnsetAllocator<T>>;
    std::vector<CVertex3d*> vertex;
    // Their positions and quantized positions, read by the flip veto and the residual's bound:
    // the objects lie far apart, their quantized positions in blocks of their own.
    std::vector<std::array<float, 3>> position;
    std::vector<std::array<float, 3>> quantized;
    // The live vertices in the order of the mesh's array.
    std::vector<int> order;
    std::vector<std::uint8_t> vertexFlag;
    std::vector<std::uint8_t> mark;
    // Neighbours now (NbVertexNeighbor), and those the layer added to the lists it started
    // from.
    std::vector<int> valence;
    std::vector<int> extra;
    // Neighbours the layer's removals took (the removed vertices leave every list they were in).
    std::vector<int> lost;
    // v on the ring of a removal: ranked for the layer's end at its first.
    void Lose(int v)
    {
      if (lost[static_cast<size_t>(v)]++ == 0) {
        rank[static_cast<size_t>(v)] = static_cast<int>(ranked.size());
        ranked.push_back(v);
      }
    }
    // The layer's added neighbours: a list per vertex from `addedHead` through `next`.
    struct SAdded
    {
      int vertex;
      int next;
    };
    std::vector<int> addedHead;
    std::vector<SAdded> added;
    std::vector<int> addedOwners;
    UnsetVector<SArrayFace> face;
    // The mesh's faces, the first ones: the faces made after them have no object.
    std::vector<CFace3d*> faceObject;
    // The faces' flags, and before the first a flag that stays taken: the edge -1 (no face)
    // names it, so that a gate or link without a face reads as taken without a test.
    struct SFaceFlags
    {
      std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(1, 1);
      std::uint8_t& operator[](size_t f) { return bytes[f + 1]; }
      std::uint8_t operator[](size_t f) const { return bytes[f + 1]; }
      std::uint8_t* data() { return bytes.data() + 1; }
      size_t size() const { return bytes.size() - 1; }
      void push_back(std::uint8_t flag) { bytes.push_back(flag); }
      void reserve(size_t n) { bytes.reserve(n + 1); }
      void assign(size_t n, std::uint8_t flag)
      {
        bytes.assign(n + 1, flag);
        bytes[0] = 1;
      }
    };
    SFaceFlags faceFlag;
    std::vector<std::uint8_t> faceDead;
    int nbLiveFace = 0;
    // The first face the layer made.
    int firstMade = 0;
    // Each vertex's corners in the order of its faces, as ListCorners lists them, and
    // kCornerWindow spare entries after the last list: a window of that many read from any
    // list stays inside.
    static constexpr int kCornerWindow = 8;
    UnsetVector<SArrayCorner> corners;
    std::vector<SCornerSpan> span;
    size_t waste = 0;
    // Per vertex, its valence (at most 15) and 16 on the boundary, as the layer started: what
    // its gates do while it is free, which no removal changes (its ring is taken with it).
    std::vector<std::uint8_t> shape;
    std::uint8_t ShapeOf(int v) const;
    // What a free vertex's gate does in this layer, by the vertex's shape: a null patch, a
    // judged removal (unless refused before from that corner and tag), or a boundary removal.
    enum : std::uint8_t { kNull, kJudge, kBoundary };
    std::array<std::uint8_t, 32> fate{};
    // A new face of the layer, unlinked, with its flag.
    SArrayFace& MakeFace(const std::array<int, 3>& vertices, std::uint8_t flag);
    // Per vertex, whether refusals stand at its corners; ForgetRefusals clears them.
    std::vector<std::uint8_t> refusing;
    void ForgetRefusals(int v);
    // Each gate by its front, the edge second -> first of the face in front (-1 without one),
    // queued up to `tail`. A face taken queues two gates at most and a layer takes each of
    // its faces once: the queue is sized for that as the layer starts.
    // The run fetches each gate's face this many gates ahead, reading up to kFar entries past
    // the tail: as many spare entries at the end, and no entry left unset.
    static constexpr size_t kFar = 16;
    std::vector<int> gates;
    size_t tail = 0;
    void Push(int edge)
    {
      assert(tail + kFar < gates.size());
      gates[tail++] = edge;
    }
    size_t head = 0;
    std::vector<int> dead;
    std::vector<int> made;
    std::vector<int> removed;
    // Removed vertices over all layers, in the order the objects would have released them.
    std::vector<int> released;
    // The patch being judged and the fronts of its border edges.
    int border[kPatchRoom] = {};
    int patchFace[kPatchRoom] = {};
    // The edge across border edge i, on its front (-1 without), and the front's third vertex.
    int outside[kPatchRoom] = {};
    int frontOther[kPatchRoom] = {};
    int borderSize = 0;
    // Update buffers, kept from layer to layer.
    std::vector<int> rank;
    std::vector<int> ranked;
    std::vector<int> madeStart;
    UnsetVector<SArrayCorner> madeOf;
    UnsetVector<SArrayCorner> spare;
    // Cleared when a layer makes what the arrays do not handle (an edge held twice the same
    // way, a face repeating a vertex): the objects take over before the next layer.
    bool plain = true;

    // NbVertexNeighbor, IsNeighbor, AddVertexNeighbor and AddNeighbor of the objects.
    int Valence(int v) const { return valence[static_cast<size_t>(v)]; }
    bool IsNeighbor(int a, int b) const;
    inline void AddNeighbor(int a, int b);
    void AddNeighborOnce(int a, int b);
    // Position in `corners` of the first corner of first holding second before it, -1 without.
    inline int FrontCorner(int first, int second) const;
    // The front of gate first -> second: the edge second -> first, -1 without.
    int FrontEdge(int first, int second) const;
    // The links of the faces the layer made, and of the faces across them that stay. A made
    // face's edge held the edge across it as the layer started, or -1, or its link inside the
    // layer's new faces.
    void LinkMadeFaces();
    // v's first neighbour on the lists (GetVertexNeighbor(0)).
    int FirstNeighbor(int v) const;
    // Per vertex: the last count that met it after a corner and before one.
    std::vector<std::uint32_t> metNext;
    std::vector<std::uint32_t> metPrevious;
    std::uint32_t count = 0;
    std::uint32_t NextStamp();
  };
  std::unique_ptr<SLayerArrays> m_pArrays;
  // Stand-ins for the patch's faces, for the volume metric, which reads their corners.
  std::unique_ptr<CFace3d[]> m_ScratchFaces;
  bool m_ArrayLayersAllowed = true;
  bool m_ArraysWanted = false;
  int m_ArrayLayerLimit = -1;
  int m_ArrayLayerCount = 0;
};
