#pragma once

#include "mesh/Array3d.h"
#include "processing/EdgeCollapse.h"

class CFace3d;
class CHashTable;
class CMesh3d;

// The edge-collapse candidates of a mesh and the parameters of their L2 measure. It owns its
// candidates. The minimum search is a linear scan that keeps the first of equal costs.
class CArrayEdgeCollapse
{
public:
  CArrayEdgeCollapse() = default;
  ~CArrayEdgeCollapse() { m_Array.DeleteAll(); }

  CArrayEdgeCollapse(const CArrayEdgeCollapse&) = delete;
  CArrayEdgeCollapse& operator=(const CArrayEdgeCollapse&) = delete;

  int GetSize() const { return m_Array.GetSize(); }
  CEdgeCollapse* GetAt(int i) const { return m_Array[i]; }
  // Takes ownership; returns the index.
  int Add(CEdgeCollapse* pCandidate) { return m_Array.Add(pCandidate); }

  const CEdgeCollapse::SDescent& GetDescent() const { return m_Descent; }
  float GetSharpThreshold() const { return m_SharpThreshold; }

  // Stores the parameters, then one candidate per pair of neighbour faces that both have three
  // neighbours, each pair once. Returns the number of candidates added.
  int Fill(CMesh3d* pMesh, double step, double epsilon, double weight, int maxIterations,
           float factorKept, float factorRaised, float minStep, float maxStep,
           float sharpThreshold);
  // One candidate per face and non-null neighbour: each pair twice, once from each side.
  int FillAllPairs(CMesh3d* pMesh);
  // Candidates with disjoint surroundings: after each, the faces around both its vertices get
  // flag 1 and take part in no later candidate. Face flags are left set.
  int FillIndependant(CMesh3d* pMesh);

  // The L2 measure on every candidate with the stored parameters.
  void CalculateEnergy(CHashTable* pHash);
  // The L1 measure on every valid candidate not yet computed (not marked).
  void CalculateEnergyL1(CMesh3d* pMesh, CMesh3d* pReference, CHashTable* pHash, int useHash,
                         float epsilon, int maxIterations, int samplesPerFace, float initialStep,
                         float decreaseFactor, float minStep, float sharpThreshold,
                         int facesPerSearch);
  // Recomputes the marked candidates (clearing their marks); those whose faces no longer share
  // an edge become invalid. Returns how many were recomputed; *pTotal gets their iterations.
  int Update(CHashTable* pHash, int* pTotal);

  // The valid candidate of smallest cost, left in the array; null when none.
  CEdgeCollapse* GetMin() const;
  // Deletes every candidate on either face; returns the size left.
  int RemoveFaces(const CFace3d* pFace1, const CFace3d* pFace2);
  // Marks every candidate on the face; returns how many.
  int SetComputedOnFace(const CFace3d* pFace, int mark);
  void FreeArrayNeighbor();

private:
  CArray3d<CEdgeCollapse> m_Array;
  CEdgeCollapse::SDescent m_Descent;
  float m_SharpThreshold = 0.6f;
};
