#pragma once

#include "platform/ui/Dialog.h"

class CSceneGraph3d;

// Decimation of a model mesh towards a reference under a volume-based metric.
class CDlgApproxVolumic : public platform::CDialog
{
public:
  explicit CDlgApproxVolumic(const CSceneGraph3d* pSceneGraph);

  int m_Initial;
  int m_Final;
  int m_MaxIter;
  float m_Epsilon;
  int m_UpdateIterations;
  float m_DecreaseFactor;
  int m_SamplesPerFace;
  float m_InitialEdge;
  float m_MinEdge;
  float m_SharpEdge;
  int m_HashTable;
  int m_NbFaceSearch;
  int m_UseHashTable;
  int m_SaveIntermediate;
  int m_Method;
  int m_Potential;
  int m_Smooth;
  int m_SmoothIteration;
  int m_MoveBoundaries;
  int m_DecreaseAfter;
  int m_Reference;
  int m_Model;
  int m_DecimationEach;
  int m_OptimizationEach;
  int m_CollapseBoundaries;
  int m_InitHausdorff;

protected:
  bool OnOK() override;
  void OnInitDialog() override;

private:
  int NbVertexOf(int index) const;
  void OnChangeModel();

  const CSceneGraph3d* m_pSceneGraph;
};
