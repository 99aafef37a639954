#pragma once

#include "mesh/Mesh3d.h"

#include <vector>

// The vertex mask of Loop's scheme, shared by the subdivision and the smoothing:
// (alpha p + sum of the n neighbours) / (n + alpha), alpha = CMesh3d::LoopAlpha(n), read from
// the positions as they stand. An isolated vertex keeps its position. alphaOf(n) gives alpha
// as a float, so that a caller over many vertices can keep the few values it needs.
template <class AlphaOf>
void LoopVertexRule(const CVertex3d* p, float* pOut, AlphaOf alphaOf)
{
  pOut[0] = p->x();
  pOut[1] = p->y();
  pOut[2] = p->z();
  const int n = p->NbVertexNeighbor();
  if (n == 0)
    return;
  const float alpha = alphaOf(n);
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

inline void LoopVertexRule(const CVertex3d* p, float* pOut)
{
  LoopVertexRule(p, pOut, [](int n) { return static_cast<float>(CMesh3d::LoopAlpha(n)); });
}

// CMesh3d::LoopAlpha(n) as a float, computed once per valence met.
class CLoopAlphas
{
public:
  float operator()(int n)
  {
    if (n >= static_cast<int>(m_Alphas.size()))
      m_Alphas.resize(static_cast<size_t>(n) + 1, -1.0f);
    float& alpha = m_Alphas[static_cast<size_t>(n)];
    if (alpha < 0.0f)
      alpha = static_cast<float>(CMesh3d::LoopAlpha(n));
    return alpha;
  }

private:
  std::vector<float> m_Alphas;
};

// Moves the first vertices of the mesh to the xyz triples, one triple per vertex.
inline void SetPositions(CMesh3d* pMesh, const std::vector<float>& positions)
{
  const int n = static_cast<int>(positions.size() / 3);
  for (int i = 0; i < n; i++) {
    const float* p = &positions[3 * static_cast<size_t>(i)];
    pMesh->GetVertex(i)->Set(p[0], p[1], p[2]);
  }
}
