#pragma once

#include "app/objects/Camera3d.h"
#include "mesh/Mesh3d.h"
#include "platform/ui/Document.h"
#include "processing/ThreadMeshApproxVolumic.h"
#include "scene/SceneGraph3d.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CColorRamp;
class CDlgApproxVolumic;
class CDlgValenceEncoding;
class CVertexTree;
class CMesh3d;
class CRenderView;
class QWidget;

// The document of one open window: the options of the highlight and wireframe overlays, the
// root of the last opened file, and opening and saving by the file's extension.
class CVanthDoc : public platform::CDocument
{
public:
  // What a path opens as, by its lower-cased last four characters.
  enum EFileKind {
    FILE_UNKNOWN,
    FILE_VRML,      // ".wrl"
    FILE_IMAGE,     // ".jpg", ".bmp", ".dib"
    FILE_QUAD_MESH, // a name ending in "quad"
    FILE_BIN,
    FILE_SMF,
    FILE_SMM,
    FILE_PPD,
    FILE_DEM,
    FILE_MHP,
    FILE_OBJ,
    FILE_PROGRESSIVE, // ".vpm"
    FILE_RAW          // ".raw", written only
  };

  // Registers every command group's handlers (document/VanthDocCommands.cpp).
  CVanthDoc();
  // The scene's OpenGL objects go with a view's context current (document/VanthDocRender.cpp).
  ~CVanthDoc() override { ReleaseScene(); }

  static EFileKind FileKindOf(const std::string& path);
  static bool IsOpenable(EFileKind kind);

  bool OnNewDocument() override { return true; }
  bool OnOpenDocument(const std::string& path) override;
  bool OnSaveDocument(const std::string& path) override;

  // The views of the main window's active child frame: the render view (pane 0, 1) and the
  // command form (pane 0, 0). Null when no child frame is open.
  static QWidget* GetRenderView();
  static QWidget* GetCommandView();

  const std::string& GetFileRoot() const { return m_FileRoot; }

  // Draws the scene and its highlight and wireframe overlays into the current OpenGL
  // context, under the view transform the render view has applied (document/VanthDocRender.cpp).
  void RenderScene();
  // 1 when the scene holds an object and object 0 has this type.
  int IsFirstObjectOfType(int type) const;
  // Deletes every object and texture of the scene with a render view's OpenGL context
  // current, since their display lists and textures live in the views' shared group. With no
  // view context, no context is left current, so that nothing of another group is deleted.
  // Every command that empties the scene goes through here.
  void EmptyScene();
  // Deletes one scene object (and its display list, with a view context current).
  void DeleteObject(int index);

  // A render view adds itself when built and removes itself when destroyed.
  void AddRenderView(CRenderView* pView);
  void RemoveRenderView(CRenderView* pView);

  // Scene and view members that several command groups share.
  void KeepFirstObjectOnly();     // scene commands (document/VanthDocScene.cpp)
  void ProcessCamera();           // scene commands
  void ColorSilhouette(int invalidate); // scene commands
  void AdaptiveRefinementStep();  // subdivision commands (document/VanthDocSubdivision.cpp)

  // Object 0 when it is a triangle mesh, else null.
  CMesh3d* GetFirstMesh() const;
  // The render view of this document's own window (the first one built), else null.
  CRenderView* GetOwnRenderView() const;
  // Repaints every view of this document later, or at once (visual debugging, long commands).
  void InvalidateViews();
  void RedrawViewsNow();
  // Decoders replace the whole scene, but only once they succeed: the new object is shown
  // alone while decode runs (visual debugging draws it), then either the old objects and
  // textures go, or the new object goes and the old scene comes back. Answers decode's result.
  int ReplaceSceneByDecoding(CObject3d* pObject, const std::function<int()>& decode);

  // The scene every command works on; object 0 is the one most commands act on.
  CSceneGraph3d m_SceneGraph;
  // Camera of the silhouette and visibility commands; not part of the scene.
  CCamera3d m_Camera;

  int m_SingleColorWireframe = 0;
  int m_HighlightVertexIndex = 0;
  int m_CollapseVertexIndex = 0;
  int m_HighlightFaceIndex = 0;
  int m_HighlightFace = 0;
  int m_HighlightVertex = 0;
  int m_HighlightCollapse = 0;
  float m_SphereRadius = 0.2f;
  int m_WireframeOverlay = 0;
  float m_WireframeOffset = -1.0f;
  float m_FillOffset = 0.0f;
  int m_Lighting = 1;
  float m_LineWidth = 1.0f;

protected:
  // Registration helpers of the command groups. A command of a type is enabled when object 0
  // has that type (8 triangle mesh, 10 quad mesh, 11 polygon mesh); kAlways enables it always.
  static constexpr int kAlways = -1;
  void OnCommand(unsigned id, void (CVanthDoc::*handler)(), int type);
  void OnCommand(unsigned id, void (CVanthDoc::*handler)(), void (CVanthDoc::*update)(platform::CCmdUI&));

  // One registration function per command group, each in its own source file.
  void RegisterSimplificationCommands();   // VanthDocSimplification.cpp
  void RegisterSubdivisionCommands();      // VanthDocSubdivision.cpp
  void RegisterModificationCommands();     // VanthDocModification.cpp
  void RegisterGeometryCommands();         // VanthDocGeometry.cpp
  void RegisterStatisticsCommands();       // VanthDocStatistics.cpp
  void RegisterGateCodingCommands();       // VanthDocGateCoding.cpp
  void RegisterValenceCodingCommands();    // VanthDocValenceCoding.cpp
  void RegisterPositionCodingCommands();   // VanthDocPositionCoding.cpp
  void RegisterStructureCodingCommands();  // VanthDocStructureCoding.cpp
  void RegisterPackingCommands();          // VanthDocPacking.cpp
  void RegisterSceneCommands();            // VanthDocScene.cpp
  void RegisterRibbonCommands();           // VanthDocRibbon.cpp
  void RegisterErrorMeasureCommands();     // VanthDocErrorMeasure.cpp
  void RegisterConversionCommands();       // VanthDocConversion.cpp
  void RegisterProgressiveCommands();      // VanthDocProgressive.cpp

public:
  // ---- Simplification commands (VanthDocSimplification.cpp)
  void OnSimplificationProgressiveMesh();
  void OnSimplificationVolumic();
  void OnSimplificationEdgeCollapse();
  void OnSimplificationIndependentCollapses();
  void OnSimplificationVertexRemovals();
  void OnSimplificationEdgeBased();
  void OnDebugVolumicMetric();
  // The volume-based decimation works on copies in its own thread; its results come back into
  // the model mesh on the UI thread. While it runs, commands that would change or delete the
  // meshes it took are refused (with a status text): true when this one must be.
  bool IsDecimating() const { return m_pDecimation != nullptr; }
  bool RefuseWhileDecimating(const CObject3d* pObject = nullptr) const;
  // Waits for the decimation and takes its result into the model mesh.
  void JoinDecimation();
  // A scene object is going: the decimation must not write into it any more.
  void ForgetDecimationMesh(const CObject3d* pObject);
  // Starts the decimation worker; tests replace it to make the thread creation fail.
  std::function<int(CThreadMeshApproxVolumic&)> m_StartDecimationWorker =
    [](CThreadMeshApproxVolumic& worker) { return worker.Start(); };

private:
  void TakeDecimationStep();
  void StartDecimation(CMesh3d* pModel, CMesh3d* pReference, const CDlgApproxVolumic& dlg,
                       const std::string& fileName);
  // Declared after the scene: the worker is joined before the scene goes.
  std::unique_ptr<CThreadMeshApproxVolumic> m_pDecimation;
  CMesh3d* m_pDecimationModel = nullptr;
  CMesh3d* m_pDecimationReference = nullptr;
  // Lets queued repaint requests find out whether this document still exists.
  std::shared_ptr<int> m_pAlive = std::make_shared<int>(0);

public:

  // ---- Subdivision and adaptive refinement commands (VanthDocSubdivision.cpp)
  void OnSubdivisionLoop();
  void OnLoopAdaptiveRandom();
  void OnLoopAdaptiveCurvature();
  void OnLoopMultiple();
  void OnSubdivisionSimple();
  void OnV3FlipEdges();
  void OnV3Alone();
  void OnV3Alpha29();
  void OnV3Alpha13();
  void OnV3MaxVertices();
  void OnV3Parameters();
  void OnV3Piecewise();
  void OnV3Silhouette1Iter();
  void OnV3Silhouette4Iters();
  void OnV3Silhouette4ItersNoDebug();
  void OnV3SilhouetteParameters();
  void OnV3Undo();
  void OnV3RecursiveUndo();
  void OnV3Regularize();
  // Every triangle mesh of the scene, in scene order.
  std::vector<CMesh3d*> GetMeshes() const;
  // Edits object 0 when it is a triangle mesh, or every triangle mesh, under the wait cursor,
  // then repaints; nothing (but a status text) while the decimation holds a mesh it would edit.
  void EditFirstMesh(const std::function<void(CMesh3d&)>& edit);
  void EditAllMeshes(const std::function<void(CMesh3d&)>& edit);
  // The dialog of repeated steps on object 0: in place, or on copies of scene object i
  // appended to the scene (only triangle meshes are copied).
  void RepeatOnFirstMesh(const std::function<void(CMesh3d&, int moveBoundaries)>& step);

private:
  void V3OnAllMeshes(int flip, int fixedWeight, float weight, CRenderView* pWindow);
  void FlagFacesOutOfViewport();
  void FrontPass(CMesh3d* pMesh);
  void SilhouettePass(CMesh3d* pMesh);
  void FinalColouring(CMesh3d* pMesh);
  // Undoes every recorded V3 step of the mesh, cutting the faces that lose a corner (and
  // repainting after each step, with a status text when `report`); returns how many steps.
  int UndoHistory(CMesh3d* pMesh, bool report);
  // Every recorded V3 step, then the faces and vertices that are left over; then rebuilt.
  static void UndoAll(CMesh3d& mesh);

public:

  // ---- Surface modification, colouring, generator and hash-table commands (VanthDocModification.cpp)
  void OnModificationSmooth();
  void OnUpdateModificationSmooth(platform::CCmdUI& ui);
  void OnModificationMultipleSmooth();
  void OnRemoveFaces1Neighbor();
  void OnRemoveFaces2Neighbors();
  void OnRemoveFacesNoNeighbor();
  void OnAlgorithmsRebuild();
  void OnAlgorithmsCleanup();
  void OnAlgorithmsCheck();
  void OnColorCurvature();
  void OnColorHeight();
  void OnColorNormalSpace();
  void OnColorCompacity();
  void OnColorVerticesFromFaces();
  void OnHighlightRemovableVertices();
  void OnHighlightVertices();
  void OnAlgorithmsHashTable();
  void OnDebugPseudoHashTable();
  void OnPredefinedMap();
  void OnPredefinedPeaksMap();
  void OnPredefinedBox();
  void OnPredefinedMapFromImage();

private:
  void RemoveFacesWithNeighbors(int n);
  void ColorAllMeshes(void (CMesh3d::*color)(const CColorRamp*));
  // Empties the scene and puts the new mesh, with adjacency and normals, in its place.
  void ReplaceSceneWith(std::unique_ptr<CMesh3d> pMesh);
  void GenerateMapFromDialog(int (CMesh3d::*generate)(int, int, float, float));

public:

  // ---- Geometry, texture, display-mode and debug highlight commands (VanthDocGeometry.cpp)

  void OnGeometryProperties();
  void OnGeometryRange();
  void OnGeometryMeanCompacity();
  void OnTexturesEdit();
  void OnTexturesView();
  void OnModeFlat();
  void OnModeGouraud();
  void OnModeLine();
  void OnUpdateModeLine(platform::CCmdUI& ui);
  void OnModeLight();
  void OnUpdateModeLight(platform::CCmdUI& ui);
  void OnHighlightFace();
  void OnUpdateHighlightFace(platform::CCmdUI& ui);
  void OnHighlightVertex();
  void OnUpdateHighlightVertex(platform::CCmdUI& ui);
  void OnDebugHighlightCollapse();
  void OnDebugNextCollapse();
  void OnDebugNextVertex();
  void OnDebugNextFace();
  void OnAdvancedTestModelVertex();
  void OnHelpDebug();

  // ---- Compression statistics, quantization and vertex-tree commands (VanthDocStatistics.cpp)
  void OnStatisticsDegreeHistogram();
  void OnStatisticsExcursion();
  void OnStatisticsExcursionDelta();
  void OnHighlightOrderEdges();
  void OnHighlightOrderRamp();
  void OnSpanningEdgeLength();
  void OnSpanningRootDistance();
  void OnRingsPastels();
  void OnRingsGrey();
  void OnSpanningFastConnect();
  void OnGapRings();
  void OnGapRingsMultiMesh();
  void OnGapRingsNoGap();
  void OnQuantizeLinear();
  void OnQuantizeLinearMulti();
  void OnQuantizeDeltaTree();
  void OnQuantizeDeltaTreeMulti();
  void OnQuantizerTraceRandom();
  void OnQuantizerEmbeddedCoding();
  void OnTreePullPushRoot();
  void OnTreePullPushNoReorder();
  void OnTreePullPushDelta();
  void OnTreePullPushQuantization();
  void OnTreePullPushDeltaQuantization();
  void OnTreeExcursion();
  void OnTreeExcursionDelta();
  void OnTreeShowDelta();
  // The highlighted vertex of the mesh as a seed, back to 0 when it lies outside.
  int SeedVertex(const CMesh3d* pMesh);
  void ExcursionInMeshOrder(const char* fileName, int delta);
  void SpanningTreeExcursions(int criterion, const char* deltaFile, const char* absoluteFile);
  CMesh3d* RingsInPastels();
  void AddGaps(const std::vector<float>& ratios);
  void PullAndPush(int reorder, const std::function<void(CVertexTree&)>& transform);
  void TreeExcursion(int delta);

  // ---- Gate-approach coding commands (VanthDocGateCoding.cpp)
  void OnGateTriangleEncode();
  void OnGateTriangleDecode();
  void OnGateQuadEncode();
  void OnGateQuadDecode();
  void OnGateQuadMultiEncoding();
  void OnGatePolygonEncode();
  void OnGatePolygonDecode();
  void OnGatePolygonMultiSeed();
  void OnGatePolygonLabelCoding();
  template <typename TMesh, typename TDecode>
  void GateDecode(const char* what, bool askLevels, TDecode decode);

  // ---- Valence-centred coding commands (VanthDocValenceCoding.cpp)
  void OnValenceParameters();
  void OnValenceBenchsPsnr();
  void OnDebugUnquantize();
  void ValenceEncodeOnce(const CDlgValenceEncoding& dialog);
  void ValenceMultiSeed(const CDlgValenceEncoding& dialog);

  // ---- Position coding commands (VanthDocPositionCoding.cpp)
  void OnAttributesPositions();
  void OnAttributesPositionsSpheres();
  void OnDecodeFirstApproximation();
  void OnDecodeFirstApproximationR0();
  void OnDecodeBitplane();
  void OnDecodeMultiMesh();
  void OnAttributesMultiCoding();
  void OnAttributesMultiCodingInterpolating();
  void OnAttributesColorError();
  void OnAttributesErrorVectors();
  void OnAttributesToggleQuantized();
  void EncodePositionsCommand(int errorSpheres);
  void DecodeLevelIntoCopy(int level);
  std::unique_ptr<CMesh3d> CodedCopyOfFirstMesh();

  // ---- Structure coding commands (VanthDocStructureCoding.cpp)
  void OnStructureEncode();
  void OnStructureDecode();

  // ---- Simplification, packing and tiling commands (VanthDocPacking.cpp)
  void OnPackSetFrequency();
  void OnPackMultiple();
  void OnErrorAccumulation();
  void OnFaceBasedSimplification();
  void OnFastFaceCollapses();
  void OnKeepFaces();
  void OnCoarseProgressiveMesh();
  void OnTilingBuild();
  void OnUpdateTilingOptimize(platform::CCmdUI& ui);
  void OnTilingOptimize();
  void OnSpringAdaptative();
  // A tiling per seed vertex of [first, last), or the one of the fewest tiles.
  void BuildTilings(CMesh3d* pMesh, unsigned first, unsigned last, int split, int retainMin);
  // A tiling of the mesh, then `generations` times a mesh of the last tiling and its tiling.
  void BuildTiling(CMesh3d* pMesh, unsigned seed, int split, int generations);

  // ---- Scene, camera, material and window commands (VanthDocScene.cpp)

  void OnSceneKeepFirstObject();
  void OnSceneAddSimplexMesh();
  void OnSceneDuplicateLastMesh();
  void OnSceneProcessCamera();
  void OnColorSilhouetteCamera();
  void OnColorFrontFacesSilhouette();
  void OnMaterialLightBlue();
  void OnMaterialBrass();
  void OnMaterialPewter();
  // Gives every triangle mesh of the scene the named predefined material.
  void SetMaterial(const char* name);
  void OnWindowMultiView();
  void OnWindowSpline();
  void OnTexturesMap();
  void OnDromeAnalysis();

  // ---- Ribbon commands (VanthDocRibbon.cpp)
  void OnRibbonsBuild();
  void OnRibbonsBenchsCompacity();
  void OnRemeshAcross();
  void OnRemeshAcrossTwoEdges();
  void OnRemeshAlong();
  void OnRemeshBoth();
  void OnRemeshSpringFree();
  void OnImproveCompacity();
  void OnMeanCompacity();

  // ---- Error-measure, V3 interpolation and debug commands (VanthDocErrorMeasure.cpp)

  void OnErrorOnFaces();
  void OnErrorMoveMesh();
  void OnErrorAdaptiveSubdivision();
  void OnLoopAdaptiveActiveFace();
  void OnSubdivisionFractal();
  void OnV3SimulateSplit();
  void OnV3SimulateSplitSwap();
  // Appends 20 frames of one V3 step on the last scene object, from the split to the result.
  void SimulateSplit(int swap);
  void OnV3VertexTypes();
  void OnV3MeshControl();
  void OnPredefinedQuadrilateral();
  void OnAdvancedPeaks();
  void OnAdvancedQuadPeaks();
  void OnAdvancedTraceActiveVertex();
  void OnStackRunBinaryExpand();
  void OnArithmeticSparse();
  // Object 1 when objects 0 and 1 are both triangle meshes, else null.
  CMesh3d* GetSecondMesh() const;

  // ---- Mesh conversion, quad-mesh and polygon-mesh commands (VanthDocConversion.cpp)

  void OnConversionTriangleQuad();
  void OnConversionTrianglePolygon();
  void OnConversionQuadPolygon();
  void OnConversionPolygonTriangleStar();
  void OnConversionPolygonTriangleRegular();
  void OnConversionPolygonQuadTriangles();
  void OnStatisticsPolygonDegrees();
  void OnAlgorithmsWeld();
  void OnUpdateAlgorithmsWeld(platform::CCmdUI& ui);
  void OnQuadKobbelt();
  void OnQuadCatmullClark();
  void OnPredefinedQuadBox();
  void OnPredefinedQuadMushroom();
  void OnPredefinedPathologic();
  void OnExportQuadMesh();
  void OnExportCpt();
  void OnRemoveFacesDuplicate();
  void OnModificationRemoveHole();
  // Appends the converted mesh, then deletes object 0: the result ends up last.
  void ReplaceFirstObject(CObject3d* pConverted);

  // ---- Progressive coding commands (VanthDocProgressive.cpp)
  void OnProgressiveEncodeLayer();
  void OnProgressiveDecodeLayer();
  void OnProgressiveEncode();
  void OnProgressiveDecode();
  void OnColorFacesValence();
  void OnExportSceneIv();
  void OnValenceForecast();
  // Decodes a ".vpm" stream into a new mesh that replaces the scene; false, with a message and
  // the scene as it was, when the stream cannot be decoded.
  bool DecodeProgressive(const std::string& path, CRenderView* pView, int redrawAfterLayer,
                         int colour, int delay, int fineGrain, int fineGrainPeriod);
  // The ".vpm" branch of opening.
  bool OpenProgressive(const std::string& path);

private:
  // Folder and root of the path; the folder becomes the current directory.
  void TakePath(const std::string& path);
  // Opens a triangle-mesh file into a new mesh that replaces the scene.
  bool OpenMesh(int (CMesh3d::*read)(const char*), const std::string& path, bool rebuild);
  // Appends the meshes of a VRML file; false, with a message, when it holds none.
  bool OpenVrml(const std::string& path);
  // Tell the user why nothing opens; both answer false.
  static bool NoMeshFound(const std::string& path);
  static bool CannotRead(const std::string& path);
  // Samples an image into a height map after the "Sampling" dialog.
  bool OpenImage(const std::string& path);
  static QWidget* GetActivePane(int column);
  // The vertex, collapse and face highlights over object 0, a triangle mesh.
  void DrawHighlights(const CMesh3d* pMesh);
  void DrawWireframe();
  // Empties the scene and lets go of the views: the child frame deletes the document before
  // its panes, so a view may outlive its document by a moment.
  void ReleaseScene();
  // A view's context current before scene objects go, or none at all.
  void MakeViewContextCurrent();

  std::string m_FileRoot;
  std::vector<CRenderView*> m_RenderViews;
};
