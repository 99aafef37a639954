#pragma once

#include "processing/CollapseQueue.h"
#include "processing/FaceCollapseRecord.h"
#include "processing/Valence3Sweep.h"

#include <memory>
#include <utility>
#include <vector>

class CFace3d;
class CMesh3d;
class CRenderView;
class CSceneGraph3d;
class CVertex3d;

// Simplification by face collapses: the three corners of a face merge into one of them (the
// one whose choice changes the surface area least), and the face goes with its neighbour
// faces. Simplify collapses the cheapest face again and again; FlagFacesForMultipleCollapse
// collapses a set of independent faces in one coarse step, optionally after appending a
// geomorph: frames in which the merging vertices slide to the surviving corner.
//
// During a run a face's data slot holds its record. Collapses that would break the manifold
// are skipped, so a closed mesh stays closed and every edge keeps two faces.
class CFaceCollapse
{
public:
  CFaceCollapse() = default;
  ~CFaceCollapse() { FreeRecords(); }

  CFaceCollapse(const CFaceCollapse&) = delete;
  CFaceCollapse& operator=(const CFaceCollapse&) = delete;

  // Collapses until the mesh has at most nbFaceWanted faces or no face can go; the view is
  // repainted after every collapse when visual is set. With no more faces than wanted: the
  // message "Invalid geometric complexity wanted" and 0. The period is not read.
  int Simplify(CMesh3d* pMesh, int nbFaceWanted, int visual, int period, CRenderView* pWindow);
  // Flags independent faces (face flag 1, their edge neighbours 2) and collapses them all at
  // once. With geomorph set, a scene graph and nbFrame of 2 or more, first appends nbFrame - 1
  // frames (t = 1 / (nbFrame - 1) up to 1) to the scene; the coarse step then works on the last
  // frame and the mesh stays as it was. The vertices that merge stay in the vertex array,
  // unused, so that vertex i is the same vertex in the mesh, the frames and the result.
  // Returns 1.
  int FlagFacesForMultipleCollapse(CMesh3d* pMesh, int visual, int unused, CRenderView* pWindow,
                                   int geomorph, CSceneGraph3d* pScene, int nbFrame);

  // The face's record: a new one at the index, or with -1 the face's own one recomputed.
  void ComputeCost(CFace3d* pFace, int index);
  static CFaceCollapseRecord* GetRecord(const CFace3d* pFace);
  // 1 when no corner nor neighbour of a corner has valence 3 and the collapse keeps the
  // mesh manifold.
  static int CanCollapse(const CFace3d* pFace);
  // Collapses the face into its record's corner, keeping the adjacency; 0 when it cannot.
  int Collapse(CFace3d* pFace);
  void SetMesh(CMesh3d* pMesh) { m_pMesh = pMesh; }
  // Deletes the records and clears the data slot of every face of the mesh.
  void FreeRecords();

private:
  // The faces of v outside m_Removed, each once, into m_Kept.
  void KeptFaces(const CVertex3d* v);
  // The area m_Around gives the face.
  double AroundArea(const CFace3d* pFace) const;
  CFace3d* FindCheapest();
  void Push(const CFaceCollapseRecord* pRecord);
  // Hands back to the queue the blocked faces around the vertices.
  void UnblockAround(const std::vector<CVertex3d*>& vertices);
  void Redraw();
  // --- multiple collapse (processing/FaceCollapseMultiple.cpp) --------------------------------
  static int CanFlag(const CFace3d* pFace);
  void FlagFace(CFace3d* pFace);
  void FloodFlags();
  // Fixes the survivor of each flagged face, unflagging those that an earlier one touched.
  void ChooseSurvivors();
  void CollapseFlagged(CMesh3d* pMesh);
  // Appends the frames to the scene; returns the last one, or the mesh without frames.
  CMesh3d* BuildGeomorph(CSceneGraph3d* pScene, int nbFrame);

  CMesh3d* m_pMesh = nullptr;
  CRenderView* m_pWindow = nullptr;
  int m_Visual = 0;
  std::vector<std::unique_ptr<CFaceCollapseRecord>> m_ArrayRecord;
  // A run's candidates, cheapest first, and its valence-3 sweeps; deletions are deferred
  // during a run.
  CCollapseQueue<CFaceCollapseRecord, float> m_Queue;
  CValence3Sweep m_Sweep;
  // Scratch of ComputeCost, kept so that a cost allocates nothing: the faces its collapse
  // removes, the faces around its corners with their areas, and one corner's other faces.
  std::vector<const CFace3d*> m_Removed;
  std::vector<std::pair<const CFace3d*, double>> m_Around;
  std::vector<const CFace3d*> m_Kept;
};
