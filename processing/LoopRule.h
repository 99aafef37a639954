#pragma once

#include "mesh/Mesh3d.h"

#include <vector>

// The vertex mask of Loop's scheme, shared by the subdivision and the smoothing:
// (alpha p + sum of the n neighbours) / (n + alpha), alpha = CMesh3d::LoopAlpha(n), read from
// the positions as they stand. An isolated vertex keeps its position.
inline void LoopVertexRule(const CVertex3d* p, float* pOut)
{
  pOut[0] = p->x();
  pOut[1] = p->y();
  pOut[2] = p->z();
  const int n = p->NbVertexNeighbor();
  if (n == 0)
    return;
  const float alpha = static_cast<float>(CMesh3d::LoopAlpha(n));
  float sum[3] = {0.0f, 0.0f, 0.0f};
  for (int j = 0; j < n; j++) {
    const CVertex3d* q = p->GetVertexNeighbor(j);
    sum[0] += q->x();
    sum[1] += q->y();
    sum[2] += q->z();
  }
  const float total = static_cast<float>(n) + alpha;
  for (int axis = 0; axis < 3; axis++)
    pOut[axis] = (alpha * pOut[axis] + sum[axis]) / total;
}

// Moves the first vertices of the mesh to the xyz triples, one triple per vertex.
inline void SetPositions(CMesh3d* pMesh, const std::vector<float>& positions)
{
  const int n = static_cast<int>(positions.size() / 3);
  for (int i = 0; i < n; i++) {
    const float* p = &positions[3 * static_cast<size_t>(i)];
    pMesh->GetVertex(i)->Set(p[0], p[1], p[2]);
  }
}
