#pragma once

#include "mesh/Array3d.h"
#include "mesh/HashCell.h"
#include "mesh/Object3d.h"

#include <memory>

class CFace3d;
class CLineSearchTree;
class CMesh3d;
class CRenderView;
class CVertex3d;

// Uniform grid of n x n x n cells over the bounding box of a triangle mesh. A face is
// registered in the cells of its corners only, and queries visit the cells in shells of
// growing radius around the query point's cell, so they stop at the first shell that holds a
// face: the answer is the nearest face of that shell, not always the nearest of the mesh.
// The table refers to the mesh without owning it; the mesh must outlive it.
class CHashTable : public CObject3d
{
public:
  // Grid coordinates and index of a cell.
  struct SCellRecord
  {
    int index;
    int i;
    int j;
    int k;
  };

  explicit CHashTable(int n);
  ~CHashTable() override;

  CHashTable(const CHashTable&) = delete;
  CHashTable& operator=(const CHashTable&) = delete;

  int Draw() override;

  int GetSize() const { return m_n; }
  CHashCell* GetCell(int index) const { return m_ArrayCell[index]; }
  const CMesh3d* GetBoxMesh() const { return m_pBoxMesh.get(); }
  float GetMin(int axis) const { return m_Min[axis]; }
  float GetMax(int axis) const { return m_Max[axis]; }

  // Registers every face of the mesh; 0 when it has none (the table is unchanged). A second
  // Fill adds to the existing cells.
  int Fill(CMesh3d* pMesh, CRenderView* pWindow);
  // Squared distance to the nearest face of the first shell that holds one; 1.7e308 with the
  // outputs untouched when none lies within n shells.
  double DistanceToNearestFace(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace,
                               int redraw);
  int FindFaceInNearestCell(const CVertex3d* p, CFace3d** ppFace) const;
  // The hit of the line ab nearest to a over every face of the mesh, exactly as
  // CMesh3d::IntersectLineWithFaces gives it, through a search tree built on first use; 1 when
  // a face is hit. The mesh must not change after Fill.
  int IntersectLine(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit, CFace3d** ppFace);
  const CMesh3d* GetMesh() const { return m_pMesh; }
  // Nearest hit to a of the line ab with the faces of the first shell where it hits anything.
  int NearestIntersection(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                          CFace3d** ppFace, int* pCount, int maxRadius) const;

  int CellIndex(const CVertex3d* p, int* pI, int* pJ, int* pK) const;
  int CellIndexOutside(const CVertex3d* p, int* pI, int* pJ, int* pK) const;
  // The distinct cells of the face's corners, in corner order; returns their number.
  int CellsOfFace(const CFace3d* pFace, SCellRecord* pRecords) const;
  int Index(int i, int j, int k) const { return (i * m_n + j) * m_n + k; }
  // Lower bounds included, upper excluded (a flat axis holds its one value).
  int Contains(const CVertex3d* p) const;
  int IsCellEmpty(int i, int j, int k) const { return IsCellEmpty(Index(i, j, k)); }
  int IsCellEmpty(int index) const;

  int CountCells() const;
  void SetCellsFlag(int flag);
  int AllCellsHaveFlag(int flag) const;
  int CountCellsWithFlag(int flag) const;
  double MeanFacesPerCell() const;
  int AllCellsEmpty() const;

private:
  int AxisIndex(int axis, float coordinate) const;
  // The cell of the point, or of its nearest point on the box mesh when it lies outside.
  void StartCell(const CVertex3d* p, int* pI, int* pJ, int* pK) const;
  CHashCell* CreateCell(const SCellRecord& record);
  // Calls fn(cell) for every existing cell at Chebyshev distance r from (ci, cj, ck), in the
  // order of the grid; returns 1 when there was at least one.
  template <class Fn>
  int ForEachCellOnShell(int ci, int cj, int ck, int r, Fn fn) const;
  template <class Fn>
  void ForEachCell(Fn fn) const;

  CArray3d<CHashCell> m_ArrayCell;
  int m_n;
  CMesh3d* m_pMesh = nullptr;
  CRenderView* m_pWindow = nullptr;
  std::unique_ptr<CMesh3d> m_pBoxMesh;
  std::unique_ptr<CLineSearchTree> m_pLineSearch;
  float m_Scale[3] = {0.0f, 0.0f, 0.0f};
  float m_Min[3] = {0.0f, 0.0f, 0.0f};
  float m_Max[3] = {0.0f, 0.0f, 0.0f};
};
