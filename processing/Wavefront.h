#pragma once

#include <cstdint>

class CFace3d;
class CMesh3d;
class CRenderView;
class CVertex3d;

// Splits a triangle mesh into ribbons: rings of faces grown outwards from a seed face, one ring
// per step, and runs the anisotropic operations on them. Unmeshing removes whole rings
// (across) or part of each ring (along) by vertex collapses; remeshing inserts vertices on the
// edges that cross ribbons or run inside one, then splits the faces.
//
// Every vertex and face gets the index of the ring that first reached it (-1: not reached).
// Vertex and face flags are scratch during each operation. The mesh needs its adjacency; the
// unmeshing and remeshing passes leave it rebuilt. The object owns nothing and lives for one
// command; the ribbon indices stay on the mesh for later remeshing.
class CWavefront
{
public:
  CWavefront() = default;

  // Keeps the mesh and options for the unmeshing passes, then gives every vertex and face its
  // ribbon index, growing from face seedFace. Returns the largest face ribbon index; -1, with
  // nothing changed, for a null mesh or a seed that is not a face of it. Periods below 1 count
  // as 1. With keepRemoved, unmeshing leaves removed vertices and faces in the arrays, flagged 2.
  int BuildRibbons(CMesh3d* pMesh, int seedFace, int debugAlong, int debugAcross, int periodAlong,
                   int periodAcross, int keepRemoved, CRenderView* pView);

  // Removes the vertices of rings first, first + step, ..., each merged into a neighbour of an
  // adjacent ring. Boundary vertices with a boundary neighbour of their ring stay; a vertex that
  // cannot go stays, coloured red. 0, nothing done, before a build or for first < 0 or step < 1.
  int UnmeshAcross(int first, int step);
  // Removes about ratio times its vertex count from each of rings first, first + step, ..., each
  // merged into a neighbour of the same ring; stops at the first ring where that is 0 vertices.
  // 0, nothing done, before a build, for first < 0, step < 1 or a ratio outside [0, 1].
  int UnmeshAlong(int first, int step, float ratio);

  // One vertex at the midpoint of every edge whose ends lie in different ribbons; faces split.
  // 0 for a null mesh.
  int RemeshAcross(CMesh3d* pMesh);
  // One vertex on one ribbon-crossing edge of each pair of faces, placed by the four-point rule;
  // faces split, then, with swap, edges across ribbons opposite a new vertex flipped.
  int RemeshAcrossTwoEdges(CMesh3d* pMesh, int swap, CRenderView* pView);
  // One vertex on every edge whose ends lie in the same ribbon; faces split.
  int RemeshAlong(CMesh3d* pMesh, CRenderView* pView);

  CMesh3d* GetMesh() const { return m_pMesh; }
  CFace3d* GetSeedFace() const { return m_pSeedFace; }
  // Removals by this object.
  int NbRemovedAcross() const { return m_CountAcross; }
  int NbRemovedAlong() const { return m_CountAlong; }
  // Removals by every object since the program started; never reset. They pace the redraws
  // of visual debugging, so that the rhythm of the repaints runs on from one command to the
  // next.
  static std::uint64_t TotalRemovedAcross();
  static std::uint64_t TotalRemovedAlong();

private:
  int RemoveAcross(CVertex3d* v, int ring);
  void RemoveAlong(CVertex3d* v, int ring);
  // Removal of the marked elements (unless kept) and the rebuild that end an unmeshing pass.
  void EndUnmeshing();
  // Counts the removal and repaints the view when debugging is on and the period is reached.
  void PaceAcross();
  void PaceAlong();

  CMesh3d* m_pMesh = nullptr;
  CFace3d* m_pSeedFace = nullptr;
  int m_DebugAlong = 0;
  int m_DebugAcross = 0;
  int m_PeriodAlong = 1;
  int m_PeriodAcross = 1;
  int m_KeepRemoved = 0;
  CRenderView* m_pView = nullptr;
  int m_CountAcross = 0;
  int m_CountAlong = 0;
};
