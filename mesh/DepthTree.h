#pragma once

#include "mesh/ProjectedFace3d.h"

#include <cstddef>

// Orders projected faces by depth: an AVL tree whose nodes are the records themselves,
// linked by array indices, with an in-order walk that needs neither recursion nor a
// stack. Nothing is allocated; equal keys come out in insertion order.
class CDepthTree
{
public:
  CDepthTree() = default;

  // Takes the key and link positions from a sample record; empties the tree.
  void Init(const CProjectedFace3d* sample, const double* key, const CDepthTreeLinks* links);
  // Inserts record i; 1 when the tree grew in height.
  int Insert(CProjectedFace3d* records, int i);
  // Index with the smallest key, or -1 for an empty tree.
  int GetFirst(CProjectedFace3d* records);
  // Next index in ascending key order, or -1 at the end.
  int GetNext(CProjectedFace3d* records);

  int GetRoot() const { return m_Root; }

private:
  double Key(const CProjectedFace3d* records, int i) const;
  CDepthTreeLinks& Links(CProjectedFace3d* records, int i) const;
  int Balance(CProjectedFace3d* records, int i) const;
  void SetBalance(CProjectedFace3d* records, int i, int balance) const;
  int WalkState(CProjectedFace3d* records, int i) const;
  void SetWalkState(CProjectedFace3d* records, int i, int state) const;

  int InsertAt(CProjectedFace3d* records, int* slot, int parent, int i);
  void RotateLeft(CProjectedFace3d* records, int* slot);
  void RotateRight(CProjectedFace3d* records, int* slot);
  void FixLeftHeavy(CProjectedFace3d* records, int* slot);
  void FixRightHeavy(CProjectedFace3d* records, int* slot);

  int m_Root = -1;
  int m_Cursor = -1;
  CDepthTreeLinks* m_pCursorLinks = nullptr;
  std::ptrdiff_t m_KeyPosition = 0;
  std::ptrdiff_t m_LinkPosition = 0;
};
