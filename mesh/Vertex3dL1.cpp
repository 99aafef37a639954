#include "mesh/Vertex3d.h"

#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"

#include <algorithm>
#include <cmath>

int CVertex3d::GetL1MoveDirection(CVector3d* pDirection, CMesh3d* pReference, CHashTable* pHash,
                                  int useHash, int n, double* pMaxError, int weightByError)
{
  *pMaxError = 0.0;
  const int nf = NbFaceNeighbor();
  if (nf == 0 || n <= 0)
    return 0;
  double smallest = 1.7e308;
  double total = 0.0;
  for (int i = 0; i < nf; i++) {
    const double area = GetFaceNeighbor(i)->Area();
    smallest = std::min(smallest, area);
    total += area;
  }
  // Very small faces would get too fine a grid: below a fifth of the mean, the mean is used.
  const double mean = total / nf;
  const double s = mean / 5.0 <= smallest ? smallest : mean;
  if (!(s > 0.0))
    return 0;
  const float radius = static_cast<float>(std::sqrt(2.0 * s / n));
  const double scale = n / s;

  double sum[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < nf; i++) {
    CFace3d* f = GetFaceNeighbor(i);
    const double weight = f->Area() * scale;
    double e = 0.0;
    int count = 0;
    double max = 0.0;
    if (f->IsValid()) {
      e = f->GetL1Error(this, pReference, pHash, useHash, radius, &count, &max);
      *pMaxError = std::max(*pMaxError, max);
    }
    if (count > 0)
      e = e / count * weight;
    if (weightByError)
      e *= max;
    if (e == 0.0)
      continue;
    const CVector3d* normal = f->GetNormal();
    sum[0] += normal->x() * e;
    sum[1] += normal->y() * e;
    sum[2] += normal->z() * e;
  }
  pDirection->Set(static_cast<float>(sum[0]), static_cast<float>(sum[1]),
                  static_cast<float>(sum[2]));
  pDirection->Normalize();
  return 1;
}

int CVertex3d::OptimizeL1(CMesh3d* pReference, CHashTable* pHash, int useHash, float epsilon,
                          int maxIterations, int n, float step, float minStep, float shrink,
                          CRenderView* pWindow, int visual, CMesh3d* pMesh,
                          const std::function<void(bool repaint)>& afterStep)
{
  // A move is as long as the step, which never falls below the floor: with the floor above
  // epsilon, no move is ever shorter than epsilon, and the vertex would bounce across its
  // minimum until the last iteration. There a reversal at the floor ends the descent instead:
  // the minimum lies within that one shortest step, which is all the floor lets it resolve.
  const bool floorAboveEpsilon = minStep > epsilon;
  CVertex3d previous(this);
  CVector3d previousDirection;
  int steps = 0;
  bool more = true;
  while (more) {
    CVector3d direction;
    double maxError = 0.0;
    GetL1MoveDirection(&direction, pReference, pHash, useHash, n, &maxError, 0);
    MoveAlong(&direction, step);
    // A reversal means the minimum was passed: shorter steps, but not below the floor.
    const bool reversed = !(InnerProduct(direction, previousDirection) >= 0.0);
    const bool bracketed = floorAboveEpsilon && reversed && step <= minStep;
    step = std::max(step * (reversed ? shrink : 1.0f), minStep);
    more = Distance(&previous, this) > epsilon && steps < maxIterations && !bracketed;
    steps++;
    previous.Set(this);
    previousDirection = direction;
    const bool repaint = visual && pWindow;
    if (repaint && pMesh)
      pMesh->SetModified();
    if (afterStep)
      afterStep(repaint);
    else if (repaint)
      platform::RedrawView(pWindow);
  }
  return steps;
}
