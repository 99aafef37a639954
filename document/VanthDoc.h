#pragma once

#include "platform/ui/Document.h"
#include "scene/SceneGraph3d.h"

#include <string>
#include <vector>

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
    FILE_PROGRESSIVE, // ".vpm", recognised once the progressive decoder is there
    FILE_RAW          // ".raw", written only
  };

  CVanthDoc() = default;
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

  // A render view adds itself when built and removes itself when destroyed.
  void AddRenderView(CRenderView* pView);
  void RemoveRenderView(CRenderView* pView);

  // The scene every command works on; object 0 is the one most commands act on.
  CSceneGraph3d m_SceneGraph;

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

  std::string m_FileRoot;
  std::vector<CRenderView*> m_RenderViews;
};
