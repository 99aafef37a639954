#pragma once

#include "mesh/Array3d.h"
#include "mesh/Color.h"
#include "mesh/ElementPool.h"
#include "mesh/Edge3d.h"
#include "mesh/Face3d.h"
#include "mesh/Material.h"
#include "mesh/Object3d.h"
#include "mesh/PointerFilter.h"
#include "mesh/PointerSet.h"
#include "mesh/Transform.h"
#include "mesh/Vertex3d.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class CCamera3d;
class CColorRamp;
class CQuadMesh3d;
class CEdgeCollapse;
class CRenderView;
class CVectorSet3d;
class CVertexRun;
class CVertexSet3d;
class CVertexTree;
class CHashTable;
class CTexture;
class CStreamFile;
namespace platform {
class CDeviceContext;
struct CRect;
}

// The triangle mesh. It owns its vertices, faces and edges. Methods are grouped by topic;
// each topic's definitions live in a source file of their own (named beside each section).
class CMesh3d : public CObject3d
{
public:
  CMesh3d() = default;
  ~CMesh3d() override;

  CMesh3d(const CMesh3d&) = delete;
  CMesh3d& operator=(const CMesh3d&) = delete;

  // --- scene object (mesh/Mesh3dDraw.cpp) ----------------------------------------------------
  int GetType() const override { return TYPE_MESH3D; }
  int BuildList() override;
  int Draw() override;
  void SetModified(int flag = 1) override { m_Modified = flag; }
  void Show(unsigned char flag) override { m_Show = flag; }
  // The OpenGL immediate-mode body of every mesh drawing.
  void DrawImmediate() const;
  // Faces whose three corners all project outside the viewport (x, y, right, top as OpenGL
  // gives them) through the matrices get the flag; the others keep theirs
  // (mesh/Mesh3dViewport.cpp).
  void FlagFacesOutOfViewport(const double* modelview, const double* projection,
                              const int* viewport, int flag);
  // Every edge whose two ends project into the viewport, as a line in window coordinates
  // times 100 (mesh/Mesh3dProjected.cpp).
  void DrawProjectedEdges(platform::CDeviceContext& dc, const double* modelview,
                          const double* projection, const int* viewport, std::uint32_t penColor);
  // The faces whose corners all project into the viewport, as outlined filled triangles from
  // the farthest to the nearest (y negated); faces flagged `hidden` are left out. The fill
  // goes by flag: first special, second special, then the ramp entry 0..255 when `useRamp`,
  // else the face colour (mesh/Mesh3dProjected.cpp).
  void DrawProjected(platform::CDeviceContext& dc, const double* modelview,
                     const double* projection, const int* viewport, std::uint32_t penColor,
                     std::uint32_t faceColor, std::uint32_t hiddenColor, int hidden,
                     std::uint32_t specialColor1, int specialFlag1, std::uint32_t specialColor2,
                     int specialFlag2, const CColorRamp* pRamp, unsigned char useRamp) const;
  // The triangles of the texture coordinates as outlines with the current pen, scaled into
  // the rectangle (v upwards); nothing without coordinates or with an empty texture
  // (scene/Mesh3dTextureCoordinates.cpp).
  void DrawTextureCoordinates(platform::CDeviceContext& dc, const CTexture* pTexture,
                              const platform::CRect& rect) const;
  void DrawCameraRequestMap(platform::CDeviceContext& dc, std::uint32_t penColor, std::uint32_t highlightColor, int highlightFlag, const CColorRamp* pRamp, int width, int height, float scale, int left, int top, int flip, int background) const;

  // --- attributes (mesh/Mesh3d.cpp) ----------------------------------------------------------
  int GetModified() const { return m_Modified; }
  int IsShown() const { return m_Show; }
  const std::string& GetName() const { return m_Name; }
  void SetName(const std::string& name) { m_Name = name; }
  CTransform* GetTransform() { return &m_Transform; }
  const CTransform* GetTransform() const { return &m_Transform; }
  void SetTransform(const CTransform* pTransform) { m_Transform.Copy(pTransform); }
  CMaterial* GetMaterial() { return &m_Material; }
  const CMaterial* GetMaterial() const { return &m_Material; }
  void SetMaterial(const CMaterial* pMaterial) { m_Material.Copy(pMaterial); }
  CColor* GetColor() { return &m_Color; }
  const CColor* GetColor() const { return &m_Color; }
  void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
  {
    m_Color.Set(r, g, b);
    m_Modified = 1;
  }
  int GetNormalBinding() const { return m_NormalBinding; }
  // A binding changes what the display list holds.
  void SetNormalBinding(int binding)
  {
    m_NormalBinding = binding;
    m_Modified = 1;
  }
  int GetColorBinding() const { return m_ColorBinding; }
  void SetColorBinding(int binding)
  {
    m_ColorBinding = binding;
    m_Modified = 1;
  }
  int GetUseSingleColor() const { return m_UseSingleColor; }
  void SetUseSingleColor(int flag) { m_UseSingleColor = flag; }
  int GetUseDisplayList() const { return m_UseDisplayList; }
  void SetUseDisplayList(int flag) { m_UseDisplayList = flag; }
  int IsQuantized() const { return m_QuantizedShown; }
  void SetQuantized(int flag) { m_QuantizedShown = flag; }
  int GetTextureIndex() const { return m_TextureIndex; }
  void SetTextureIndex(int index) { m_TextureIndex = index; }
  // Texture coordinates as (u, v) pairs and per-corner indices into them (three per face);
  // null when the mesh has none.
  const float* GetTextureCoordinates() const { return Data(m_TextureCoordinates); }
  const int* GetTextureIndices() const { return Data(m_TextureIndices); }
  int NbTextureCoordinate() const { return static_cast<int>(m_TextureCoordinates.size() / 2); }
  int NbTextureIndex() const { return static_cast<int>(m_TextureIndices.size()); }
  // The (u, v) of face f's three corners; false when the face has no indices or one of them
  // (read from a file) falls outside the coordinate table.
  bool GetFaceTextureCorners(int f, double uv[3][2]) const;
  void SetTextureCoordinates(std::vector<float> uv) { m_TextureCoordinates = std::move(uv); }
  void SetTextureIndices(std::vector<int> indices) { m_TextureIndices = std::move(indices); }
  unsigned int GetDisplayList() const { return m_ListDone; }
  int IsListBuilt() const { return m_ListBuilt; }

  // --- elements (mesh/Mesh3d.cpp) ------------------------------------------------------------
  int NbVertex() const { return m_ArrayVertex.GetSize(); }
  int NbFace() const { return m_ArrayFace.GetSize(); }
  int NbEdge() const { return m_ArrayEdge.GetSize(); }
  CVertex3d* GetVertex(int i) const { return m_ArrayVertex[i]; }
  CFace3d* GetFace(int i) const { return m_ArrayFace[i]; }
  CEdge3d* GetEdge(int i) const { return m_ArrayEdge[i]; }
  CArray3d<CVertex3d>* GetArrayVertex() { return &m_ArrayVertex; }
  CArray3d<CFace3d>* GetArrayFace() { return &m_ArrayFace; }
  CArray3d<CEdge3d>* GetArrayEdge() { return &m_ArrayEdge; }
  const CArray3d<CVertex3d>* GetArrayVertex() const { return &m_ArrayVertex; }
  const CArray3d<CFace3d>* GetArrayFace() const { return &m_ArrayFace; }
  // A new vertex or face, constructed in the mesh's own blocks (mesh/ElementPool.h) with the
  // arguments of its constructor. Nothing is added to the arrays: the caller places it, as it
  // would one made with new, and `delete` frees it like one; it stays valid when handed to
  // another mesh or when this mesh goes first.
  template <class... Args>
  CVertex3d* NewVertex(Args&&... args)
  {
    return m_VertexPool.New(std::forward<Args>(args)...);
  }
  template <class... Args>
  CFace3d* NewFace(Args&&... args)
  {
    return m_FacePool.New(std::forward<Args>(args)...);
  }
  // Room for n vertices or faces in the mesh's own blocks, constructed later by the caller
  // (CElementPool::Claim), for a step that links elements before it makes them.
  CElementPool<CVertex3d>::CClaim ClaimVertices(int n)
  {
    return m_VertexPool.Claim(static_cast<std::uint32_t>(n));
  }
  CElementPool<CFace3d>::CClaim ClaimFaces(int n)
  {
    return m_FacePool.Claim(static_cast<std::uint32_t>(n));
  }
  // An undo record in the mesh's own blocks, for the histories of its elements.
  template <class... Args>
  CHistoryAction* NewHistoryAction(Args&&... args)
  {
    return m_HistoryPool.New(std::forward<Args>(args)...);
  }
  int AddVertex(CVertex3d* v) { return m_ArrayVertex.Add(v); }
  int AddFace(CFace3d* f)
  {
    m_Modified = 1;
    return m_ArrayFace.Add(f);
  }
  int IndexFrom(const CVertex3d* v) const { return m_ArrayVertex.IndexFrom(v); }
  int IndexFrom(const CFace3d* f) const { return m_ArrayFace.IndexFrom(f); }
  // Deletes every vertex, face and edge and the texture coordinates.
  void Free();
  // Makes this, empty, mesh a copy of the source: positions, faces by vertex index, transform.
  // The source's vertex marks (scratch) are left holding their indices.
  void Copy(const CMesh3d* pSource);
  int IsValid() const;

  // --- removal and cleanup (mesh/Mesh3d.cpp) -------------------------------------------------
  int DeleteVertex(CVertex3d* v);
  int DeleteVertexAt(int i);
  int DeleteFace(CFace3d* f);
  void SetFaceCount(int n);
  int DeleteFacesWithFlag(int flag);
  int DeleteFacesWithVertex(const CVertex3d* v);
  int DeleteFacesWithNullVertex();
  int DeleteFacesWithNeighborCount(int n);
  int TruncateFacesAtNullVertex();
  int DeleteInvalidFaces();
  int RemoveVerticesWithFlag(int flag);
  int RemoveFacesWithFlag(int flag);
  int RemoveUnusedVertices();
  int RemoveCollapsedFaces();
  int RemoveDuplicatedFaces();
  int RemoveDuplicatedVertices();
  int RemoveIsolatedVertices();
  int Cleanup();
  int Check();
  // Between these two calls DeleteVertex and DeleteFace only mark their element, which stays
  // allocated and in its slot; the end frees the marked elements and closes the gaps in one
  // pass, the others keeping their order. A long run of removals stays linear that way. In
  // between, the arrays still hold the marked elements: count with NbLiveVertex, NbLiveFace.
  void BeginDeferredDeletion();
  void EndDeferredDeletion();
  // Frees the marked elements now and goes on deferring; nothing outside a deferral.
  void FlushDeferredDeletion();
  int NbLiveVertex() const { return NbVertex() - static_cast<int>(m_DeletedVertices.Size()); }
  int NbLiveFace() const { return NbFace() - static_cast<int>(m_DeletedFaces.Size()); }

  // --- adjacency and normals (mesh/Mesh3dAdjacency.cpp) --------------------------------------
  int BuildAdjacency();
  // BuildAdjacency for a caller that holds every face's corner indices (3 per face, -1 for a
  // face with an empty corner) and has set each vertex's adjacency index to its own slot.
  int BuildAdjacencyFromCorners(const std::vector<int>& corners);
  int ClearVertexAdjacency();
  int ComputeFaceNormals();
  int ComputeVertexNormals();
  void Rebuild();
  int FindVertex(const CVertex3d* v) const;
  int FindFace(const CFace3d* f) const;

  // --- topology editing (mesh/Mesh3dTopology.cpp) -------------------------------------------
  int EdgeCollapse(CVertex3d* vs, CVertex3d* vt, const CVertex3d* pPosition,
                   CArray3d<CFace3d>* pFaces, int deleteVt);
  int CollapseEdgeCandidate(CEdgeCollapse* pCandidate, CArray3d<CFace3d>* pFaces,
                            float threshold);
  // Detaches a face that a collapse of edge vs - vt removes: its outer neighbours at vs and at
  // vt become neighbours (appended to pFaces, when given); with oneSided, no face keeps a link
  // to it either.
  static void RelinkAcross(CFace3d* f, const CVertex3d* vs, const CVertex3d* vt,
                           CArray3d<CFace3d>* pFaces, bool oneSided);
  // 1 when a face names a neighbour that does not name it back, as the adjacency links faces
  // with a repeated corner and faces listed twice. Collapses keep links two-sided: a run
  // asks once.
  int HasOneSidedLinks() const;
  // The same for a candidate that EdgeCandidateVeto has just let go, with its crease answer.
  // oneSided: the mesh may hold one-sided links (HasOneSidedLinks), which the removed faces
  // are dropped from.
  int CollapseVettedCandidate(CEdgeCollapse* pCandidate, CArray3d<CFace3d>* pFaces, bool crease,
                              bool oneSided);
  // Why CollapseEdgeCandidate would refuse the candidate now: a CEdgeCollapse::EVeto;
  // *pCrease, when the collapse may go, says whether it merges two crease vertices.
  static int EdgeCandidateVeto(const CEdgeCollapse* pCandidate, float threshold,
                               bool* pCrease = nullptr);
  int RemoveValence3Vertex(CVertex3d* v);
  int RemoveValence3Vertices();
  int RemoveValence3VertexFlag(CVertex3d* v, int faceFlag, int vertexFlag);
  void TranslateVertices(float dx, float dy, float dz);

  // --- generators and statistics (processing/MeshGenerators.cpp, ValenceStatistics.cpp) -----
  int GenerateBox(float sx, float sy, float sz);
  int ValenceDistribution();
  // Replaces the mesh by a tetrahedron.
  int GenerateQuadrilateral();
  // Grids of nx by ny samples (rows of nx) over [lo, hi), into an empty mesh; 0 when nx or ny
  // is not positive.
  int GenerateMap(int nx, int ny, float lo, float hi);
  int GeneratePeaks(int nx, int ny, float lo, float hi);
  // Replaces the mesh by a height map of nx by ny samples of the image's grey levels.
  int GenerateMapFromImage(const CTexture* pImage, int nx, int ny, int withColour);
  // Entropy of the valence histogram, in bits per vertex.
  float ForecastValenceRate();

  // --- intersections (mesh/Mesh3dIntersection.cpp) -------------------------------------------
  // Nearest hit of the line ab with the faces; returns the number of faces hit.
  int IntersectLineWithFaces(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                             CFace3d** ppFace, int* pNbTested) const;

  // --- colours, flags, ribbons and marks (mesh/Mesh3dAttributes.cpp) -----------------------
  void SetColorFaces(const CColor* pColor);
  void SetColorFacesRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetColorVertices(const CColor* pColor);
  void ColorVerticesWithFlag(int flag, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetFacesFlag(int flag);
  void SetVerticesFlag(int flag);
  void SetVerticesFlagByte(std::uint8_t flag);
  void SetVerticesMark(int mark);
  void SetRibbon(int ribbon);
  int StoreValences();
  int GetMaxFaceFlag() const;
  int GetMinFaceValue() const;
  int GetMaxFaceValue() const;
  int GetMinVertexLabel() const;
  int GetMaxVertexLabel() const;
  CVertex3d* GetVertexWithFlag(int flag) const;
  CFace3d* GetFaceWithFlag(int flag) const;
  int CountVerticesWithFlag(int flag) const;
  int CountFacesWithFlag(int flag) const;
  int CountVerticesInRibbon(int ribbon) const;
  int CountVerticesWithValueAndFlag(int ribbon, int flag) const;
  int HasVertexWithFlagOtherThan(int flag) const;
  int GetMinVertexFlagOtherThan(int flag, int* pMin) const;
  CVertex3d* GetEndVertexWithFlag(int flag) const;
  int HasVertexWithValence(int n) const;

  // --- positions, pointers and topology queries (mesh/Mesh3dAttributes.cpp) ----------------
  void ToggleQuantizedPositions();
  void CopyPositionsToSecondSet();
  void ClearDataPointers();
  CVertex3d* GetFirstBoundaryVertex() const;
  int HasBoundary() const;
  double GetMeanLengthEdgeAround() const;
  int IndexOfVertex(const CVertex3d* v) const { return IndexFrom(v); }
  int IndexOfFace(const CFace3d* f) const { return IndexFrom(f); }
  void SwapVertexToIndex(CVertex3d* v, int i);
  // Weight of the Loop subdivision for a vertex of valence n.
  static double LoopAlpha(int n);

  // --- edge arrays (mesh/Mesh3dEdges.cpp) ---------------------------------------------------
  // Rebuilds the mesh's own edges, one per pair of neighbour vertices, with the given flag.
  int AddEdges(std::uint8_t flag);
  // One new edge per pair of neighbour vertices into the caller's array, with its faces; with
  // flagBoundary set, edges between two boundary vertices get the flag and *pHasBoundary 1.
  int BuildArrayEdges(CArray3d<CEdge3d>* pEdges, int flagBoundary, std::uint8_t flag,
                      int* pHasBoundary);
  // Appends one new edge per pair of neighbour vertices that both lie on the boundary.
  int BuildArrayBoundaryEdges(CArray3d<CEdge3d>* pEdges);

  // --- measures and error metrics (mesh/Mesh3dMeasures.cpp) --------------------------------
  // Axis 0, 1, 2 for x, y, z. An empty mesh gives 0 everywhere.
  void GetRange(int axis, float* pMin, float* pMax) const;
  // GetRange of the three axes in one pass over the vertices.
  void GetRanges(float min[3], float max[3]) const;
  void Range2(int axis, float* pMin, float* pMax) const;
  double Peak() const;
  // Between each vertex's position and its second position.
  double L2Error() const;
  double PSNR() const;
  double RelativeL2() const;
  // Maps the coordinate linearly onto [lo, hi]; a flat axis goes to lo.
  void Range(int axis, float lo, float hi);
  void ScaleCoord(int axis, float factor);
  void OffsetCoord(int axis, float offset);
  void RangeSecondSet(int axis, float lo, float hi);
  void ScaleCoord2(int axis, float factor);
  void OffsetCoord2(int axis, float offset);
  // Squared distance to the nearest face; 0 and the out parameters untouched without faces.
  double DistanceToFace(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace) const;
  double NearestVertex(const CVertex3d* p, CVertex3d** ppVertex) const;
  void MoveVerticesOnMesh(CMesh3d* pOther);
  int ColorSharpEdges(float threshold, const CColor* pColor);
  double GetMaxCurveAround() const;

  // --- vector sets of the measures (mesh/Mesh3dVectorSets.cpp) -----------------------------
  // New sets that the caller owns; null where said.
  CVectorSet3d* GetVectorSetFaceNormals() const;
  // Null when no edge is that sharp.
  CVectorSet3d* GetVectorSetSharpEdges(float threshold) const;
  // Null with fewer than two vertices.
  CVectorSet3d* GetVectorSetVertexOrder() const;
  // Four samples per face to their nearest points on the other mesh; faces farther than a
  // twentieth of their mean root edge length turn red with flag 1.
  CVectorSet3d* GetVectorSetErrorPerFace(const CMesh3d* pOther);
  // Edge midpoints to the other mesh, boundary edges to its boundary.
  CVectorSet3d* GetVectorSetErrorPerEdge(CMesh3d* pOther);
  // --- edge subdivision (processing/Subdivision.cpp) ----------------------------------------
  // Each cuts every face by the vertices on its edges (1 to 4 pieces) and rebuilds the mesh;
  // old elements keep their indices. They return 1.
  int SubdivisionLoop();
  int Subdivision();
  // Splits the faces whose flag equals `flag`, and their neighbours along the shared edges.
  int SubdivisionAdaptive(signed char flag);
  // Splits by the vertices already placed in the faces' edge slots.
  int SubdivisionGhostVertices(int optimise);
  int SubdivisionFractal();

  // --- smoothing (processing/Smoothing.cpp) -------------------------------------------------
  int Smooth(int moveBoundary);

  // --- V3 subdivision (processing/V3Subdivision.cpp) ----------------------------------------
  // Keep the adjacency up to date and record undo histories on what they change.
  void SubdivisionV3(int flip, int filter, int selectedOnly, CRenderView* pWindow,
                     int fixedWeight, float weight);
  // Angles in degrees.
  void SubdivisionV3Piecewise(double sharp, double flat, CRenderView* pWindow,
                              int splitSharpEdges);

  // --- colouring (processing/Colouring.cpp) -------------------------------------------------
  void ColorCurvature(const CColorRamp* pRamp);
  void ColorHeight(const CColorRamp* pRamp);
  void ColorNormalSpace(const CColorRamp* pRamp);
  void ColorCompacity(const CColorRamp* pRamp);
  double MeanCompacity() const;
  double MinCompacity() const;
  void ColorFacesByFlagPalette();
  void ColorFacesByFlagRamp();
  void ColorFacesByRibbon(int unused);
  void ColorVerticesByFlagCycled(int unused);
  void ColorFacesByFlagRampB(const CColorRamp* pRamp);
  void ColorFacesWithFlag(int flag, const CColor* pColor);
  void ColorFacesByValence(int n, int valence, std::uint8_t r, std::uint8_t g, std::uint8_t b);

  // --- volume-based optimisation (processing/VolumeOptimisation.cpp) ------------------------
  // Moves the interior vertices towards the reference; returns the iterations done. With
  // saveIntermediate, every savePeriod-th iteration up to 100 appends the mesh to pFile as VRML.
  // afterIteration, when given, is called after every iteration with whether a repaint is due,
  // in place of the repaint itself (a worker thread posts it and lets others at the mesh).
  int OptimizeVolumeMetric(CMesh3d* pReference, CHashTable* pHashTable, int useHashTable,
                           float epsilon, int maxIter, int samplesPerFace, int initHausdorff,
                           float stepInitial, float stepMin, float decreaseFactor,
                           CRenderView* pWindow, int updateIterations, CStreamFile* pFile,
                           int saveIntermediate, int savePeriod,
                           const std::function<void(bool repaint)>& afterIteration = {});

  // --- colouring and face flagging (mesh/Mesh3dColouring.cpp) -------------------------------
  // Takes each new scene object that an operation makes for display, and owns it from then on.
  using ObjectSink = std::function<void(CObject3d*)>;
  // Every vertex takes the mean colour of its faces; a vertex without faces keeps its own.
  void ColorVerticesFromFaces();
  // Colours vertex i by its distance to vertex i of the other mesh, through 256 bins of the
  // ramp (farthest in bin 255; all in bin 0 when every distance is equal). With addChart and a
  // sink, the sink also gets a bar chart of the bins: 256 boxes beside the mesh, bin 0 on top.
  // 0, and nothing changed, without vertices or when the other mesh has fewer.
  int ColorVerticesFromDistance(const CColorRamp* pRamp, const CMesh3d* pOther, int addChart,
                                const ObjectSink& addObject);
  // New set, owned by the caller, from each vertex to the vertex of the same index of the other
  // mesh, with the other's transform; null when the other mesh has fewer vertices.
  CVectorSet3d* GetVectorSetToMesh(const CMesh3d* pOther) const;
  // New set, owned by the caller, joining the centroids of neighbour faces (the dual graph).
  // Face flags are scratch: they end at 1.
  CVectorSet3d* GetVectorSetDualEdges();
  // Faces whose centroid is nearer to vertex i than ratio times the farthest first corner get
  // the flag, the others 0; 0, and nothing flagged, for an index outside the mesh.
  int FlagFacesNearVertex(int i, int flag, float ratio);
  // Faces the camera sees / faces turned towards its eye / the others get the flag; the rest
  // keep theirs.
  void FlagFacesFromCamera(const CCamera3d* pCamera, int flag);
  void FlagFacesInFrontOfCamera(const CCamera3d* pCamera, int flag);
  void FlagFacesBackfacing(const CCamera3d* pCamera, int flag);
  void FlagSilhouette(const CCamera3d* pCamera, int frontFlag, int backFlag);
  // Face flag := 255 for the face nearest to the eye down to 0 for the farthest (255 for all
  // when every face is at one distance).
  void FlagFacesByDistanceToCamera(const CCamera3d* pCamera);
  // Flags the faces larger than ratio times the smallest area among them and their
  // neighbours; returns how many.
  int FlagFacesFromAreaDispersion(double ratio, int flag);

  // --- editing (mesh/Mesh3dEditing.cpp) -----------------------------------------------------
  // Undoes the last history record of every face, then of every vertex; returns the number of
  // face records undone. Faces whose creation was undone keep null corners for the caller to
  // delete (DeleteFacesWithNullVertex).
  int Undo();
  // Spring relaxation of the interior vertices around which no two faces make an angle above
  // the threshold (degrees); the view, when given, is repainted after each iteration.
  void MoveVerticesFromSpring(double angle, int iterations, CRenderView* pWindow);
  // The same for the vertices of the flag; with flagBoundary the boundary vertices first take
  // boundaryFlag.
  void MoveFlaggedVerticesFromSpring(int flag, int flagBoundary, int boundaryFlag, int iterations,
                                     CRenderView* pWindow);
  // Flips, for each face, the first edge whose flip raises the mean compacity of its two faces
  // without folding them; keeps the adjacency, not the normals. Returns the number flipped.
  int SwapEdges();
  // Fills this empty mesh with a cone over a regular 2^n-gon whose base is closed by ever
  // thinner triangles; 0, and nothing done, for a mesh that is not empty or n outside 1..20.
  int GeneratePathologic(int n);
  // Merges each vertex into the first one of exactly the same position and removes the
  // vertices no face uses; returns how many went. The adjacency is rebuilt, not the normals.
  int Weld();
  // Closes every hole with faces towards one new vertex at the mean of all boundary vertices,
  // then rebuilds; a closed mesh is left as it is.
  void RemoveHole();

  // --- scene files and face areas (scene/Mesh3dFile.cpp) -------------------------------------
  // Each writer appends this mesh to a file that the caller opened and closes; 0, with a message
  // box, when writing fails. The VRML writer leaves every vertex's flag holding its index.
  int WriteVrml(CStreamFile& file);
  int WriteInventor(CStreamFile& file) const;
  // The binary record: transform, counts, positions and corner indices, little-endian.
  int WriteBinary(CStreamFile& file) const;
  // The "cpt" text export: bounding box, counts, positions and corner indices; the flags are
  // left holding the vertex indices. 0 when the file cannot be written (no message).
  int WriteFileCpt(const char* fileName);
  // Smallest face area (1.7e308 without faces) and its face, the first of equal ones; the mean
  // face area.
  double GetMinArea(CFace3d** ppFace = nullptr) const;
  double GetMeanArea() const;

  // --- mesh file readers (scene/Mesh3dReaders.cpp) --------------------------------------------
  // Each appends the vertices, faces and the colours its format has (no adjacency, no normals)
  // and answers 1; or answers 0, the mesh unchanged, when the file cannot be opened or is
  // malformed (a count or index that does not fit, a line that does not parse or is longer than
  // 254 characters).
  // The bit-stream mesh (".bin"), then rescaled: x and y onto [-1, 1], z onto [-0.1, 0.1].
  int ReadFileBin(const char* fileName);
  int ReadFileSmf(const char* fileName);
  int ReadFileSmm(const char* fileName);
  int ReadFilePpd(const char* fileName);
  int ReadFileDem(const char* fileName);
  // The file's z axis becomes the mesh's y axis: (x, y, z) is stored as (x, z, -y).
  int ReadFileMhp(const char* fileName);
  // Triangles only; "vn", "vt" and other records are skipped.
  int ReadFileObj(const char* fileName);

  // --- vertex orders, quantization and spanning trees (compression/Mesh3dOrdering.cpp) ------
  // Every vertex in array order as one new run appended to the tree / into the emptied run.
  void BuildVertexRun(CVertexTree* pTree) const;
  void CopyVerticesTo(CVertexRun* pRun) const;
  // Extreme vertices among indices 1 and up (vertex 0 is never a candidate), the first of
  // equal ones; null when none qualifies.
  CVertex3d* GetVertexMaxFaceNeighbor() const;
  CVertex3d* GetVertexMaxFaceNeighborWithFlag(int flag) const;
  CVertex3d* GetVertexMaxValence2() const;
  CVertex3d* GetVertexMinValence() const;
  CVertex3d* GetVertexMinFaceCountWithFlag(int flag) const;
  // The tree's vertices, run after run, become the vertex array; then adjacency and normals.
  // 0, the mesh unchanged, unless the tree holds each vertex of the mesh exactly once.
  int PushVertexTree(const CVertexTree* pTree, int check);
  // Snaps the positions to L levels per axis over their range (L from 2); a flat axis stays.
  int QuantizeCoordinates(int levels);
  // Second positions := the level index 0 .. 2^q - 1 of each coordinate (q from 1 to 30);
  // a flat axis gives 0.
  int RangeAndSnap(int bits);
  // Keeps vertices 0, f, 2f, ... and merges each other one into its nearest kept vertex;
  // then adjacency and normals. 0 for f < 1.
  int PackVertices(int frequency);
  // Greedy runs of nearest free neighbours (mode 0: nearest to the current vertex, 1: to the
  // run's start), the first from the seed, appended to the tree. With display, a new point
  // set (owned by the caller) of coloured copies; else null. Null, nothing done, for a seed
  // outside the mesh.
  CVertexSet3d* BuildSpanningTree(CVertexTree* pTree, int mode, int seed, int display);

  // --- concentric rings (compression/Mesh3dRings.cpp) -----------------------------------------
  // Ring numbers from the seed: face flag k for ring k, vertex flags numbering the rings of
  // vertices (0 where no ring reached). 0, every flag 0, for a seed outside the mesh.
  int ConcentricRings(int seed);
  // Paths along the rings left by ConcentricRings, as a new point set (owned by the caller)
  // of coloured copies; visited vertices end with flag -1.
  CVertexSet3d* GetSpanningFromConcentricRingsStraight(int segmentPoints, int n);
  // n new points evenly between a and b.
  static void PointsAlongSegment(CVertexSet3d* pSet, const CVertex3d* a, const CVertex3d* b,
                                 int n, float factor);
  // A new mesh (owned by the caller) cut open between rings, its cut sides moved apart by
  // ratio; after ConcentricRings.
  CMesh3d* IntroduceGap(float ratio) const;

  // --- quads from triangles (processing/QuadsFromTriangles.cpp) ------------------------------
  // Pairs neighbour triangles greedily, each with its neighbour across its longest free edge,
  // by a depth-first flood from face 0 and then from every face no flood reached. Face flags
  // end at 1 for an unpaired face and at the pair's number (2 and up, counted on over the
  // whole run of the program) for both faces of a pair; pairs turn grey 128, the unpaired
  // grey 200.
  void PairTriangles();
  // One flood from the face; faces already flagged 1 or more are not entered.
  void PairTrianglesRecursive(CFace3d* pFace);
  // A new all-quad mesh of the same surface: each pair becomes four quads around the midpoint
  // of its shared edge, each unpaired face three around its centroid. The edge midpoints and
  // centroids are appended to this mesh's vertices (used by no face), the faces' edge slots
  // keep the midpoints, every vertex flag holds its index (that of its quad vertex) and the
  // data pointers are cleared. The quad mesh has no adjacency or normals yet.
  std::unique_ptr<CQuadMesh3d> GenerateQuadsFromTriangles();

  // --- valence-3 removal for simplification (processing/Valence3Removal.cpp) -----------------
  // An interior vertex of three faces whose ring is not already a face: its removal keeps the
  // mesh manifold (removing a vertex of a tetrahedron would leave two faces back to back).
  static int IsRemovableValence3(const CVertex3d* v);
  // Removes every such vertex, its three faces becoming one; returns how many went.
  int RemoveValence3VerticesKeepingManifold();

  // --- progressive mesh (processing/ProgressiveMesh.cpp) -------------------------------------
  // Best L2 edge collapses against a frozen copy of the starting mesh until finalVertices are
  // left or no valid candidate remains; returns 1. 0, the mesh unchanged, with fewer than 6
  // vertices or 3 faces, or finalVertices not below the vertex count. The view, when given and
  // with update set, is repainted after every period-th successful collapse, the first included
  // (a period below 1 counts as 1). The caller rebuilds adjacency and normals afterwards.
  // *pStopVeto, when the run ends above finalVertices, receives the CEdgeCollapse::EVeto that
  // refuses most of the candidates left (VetoNone when no candidate is left, or on success).
  int ProgressiveMesh(int finalVertices, double step, double epsilon, double weight,
                      int maxIterations, float factorKept, float factorRaised, float minStep,
                      float maxStep, float sharpThreshold, int hashSize, CRenderView* pWindow,
                      int update, int period, int* pStopVeto = nullptr);

private:
  template <class T>
  static const T* Data(const std::vector<T>& v) { return v.empty() ? nullptr : v.data(); }
  template <class Pred>
  int DeleteFacesIf(Pred pred);
  template <class Pred>
  int DeleteVerticesIf(Pred pred);
  // The link condition: the two ends may have in common only the third corners of the faces on
  // their edge; any other common neighbour would pinch the surface when they merge.
  static bool HasOnlyOppositeCommonNeighbors(const CVertex3d* vs, const CVertex3d* vt,
                                             int nbShared);
  // Shared by the two collapses: the merge of vt's neighbour vertices into vs.
  static void MergeVertexNeighbors(CVertex3d* vs, CVertex3d* vt);
  void DeleteList();
  int BuildAdjacencyByRules();

  CElementPool<CVertex3d> m_VertexPool;
  CElementPool<CFace3d> m_FacePool;
  CElementPool<CHistoryAction> m_HistoryPool;
  CArray3d<CVertex3d> m_ArrayVertex;
  CArray3d<CFace3d> m_ArrayFace;
  int m_DeferDeletion = 0;
  CPointerSet<CVertex3d> m_DeletedVertices;
  CPointerSet<CFace3d> m_DeletedFaces;
  CPointerFilter m_DeletedFilter;  // of the two sets above, while they are small
  CArray3d<CEdge3d> m_ArrayEdge;
  CColor m_Color{0, 0, 0, 255};
  CTransform m_Transform;
  std::string m_Name = "Mesh";
  CMaterial m_Material;
  int m_NormalBinding = 1;
  int m_ColorBinding = 1;
  int m_UseSingleColor = 0;
  int m_QuantizedShown = 0;
  int m_UseDisplayList = 0;
  int m_TextureIndex = -1;
  std::vector<float> m_TextureCoordinates;
  std::vector<int> m_TextureIndices;
  unsigned int m_ListDone = 0;
  int m_ListBuilt = 0;
  int m_Modified = 1;
  int m_Show = 1;
};
