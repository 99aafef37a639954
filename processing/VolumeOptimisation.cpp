// Moves all interior vertices at once along the directions that lower the volume (L1)
// distance to a reference mesh, each with its own step that shrinks when it turns back.
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"
#include "platform/core/Trace.h"
#include "scene/StreamFile.h"

#include <algorithm>
#include <vector>

int CMesh3d::OptimizeVolumeMetric(CMesh3d* pReference, CHashTable* pHashTable, int useHashTable,
                                  float /*epsilon*/, int maxIter, int samplesPerFace,
                                  int initHausdorff, float stepInitial, float stepMin,
                                  float decreaseFactor, CRenderView* pWindow,
                                  int updateIterations, CStreamFile* pFile,
                                  int saveIntermediate, int savePeriod,
                                  const std::function<void(bool repaint)>& afterIteration)
{
  platform::Trace("Optimization : volume-based metric\n");
  const int n = NbVertex();
  std::vector<CVector3d> direction(static_cast<size_t>(n));
  std::vector<CVector3d> previous(static_cast<size_t>(n));
  std::vector<double> step(static_cast<size_t>(n));
  std::vector<double> minStep(static_cast<size_t>(n));
  std::vector<char> fixed(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) {
    const double mean = GetVertex(i)->GetMeanLengthEdgeAround();
    step[static_cast<size_t>(i)] = stepInitial * mean;
    minStep[static_cast<size_t>(i)] = stepMin * mean;
    // The topology does not change: the boundary is found once.
    fixed[static_cast<size_t>(i)] = GetVertex(i)->IsOnBoundary() ? 1 : 0;
  }

  int iteration = 0;
  for (;; iteration++) {
    platform::Trace("Iteration %d of %d...", iteration + 1, maxIter);
    // A period of 0 means no snapshots rather than a division by zero.
    if (saveIntermediate && pFile && savePeriod > 0 && iteration % savePeriod == 0 &&
        iteration <= 100)
      WriteVrml(*pFile);
    for (int i = 0; i < n; i++) {
      const auto k = static_cast<size_t>(i);
      double largestError = 0.0;
      direction[k].Set(0.0f, 0.0f, 0.0f);
      GetVertex(i)->GetL1MoveDirection(&direction[k], pReference, pHashTable, useHashTable,
                                       samplesPerFace, &largestError, 0);
      const double length = direction[k].GetNorm();
      if (iteration == 0 && initHausdorff && length != 0.0)
        step[k] = largestError / length;
    }
    for (int i = 0; i < n; i++) {
      const auto k = static_cast<size_t>(i);
      if (!fixed[k])
        GetVertex(i)->MoveAlong(&direction[k], static_cast<float>(step[k]));
    }
    platform::Trace("weight...");
    if (iteration >= 1) {
      for (size_t k = 0; k < step.size(); k++) {
        if (InnerProduct(direction[k], previous[k]) < 0.0)
          step[k] *= decreaseFactor;
        step[k] = std::max(step[k], minStep[k]);
      }
    }
    previous = direction;
    const bool repaint = updateIterations && pWindow;
    if (repaint)
      SetModified(1);
    if (afterIteration)
      afterIteration(repaint);
    else if (repaint)
      platform::RedrawView(pWindow);
    if (iteration >= maxIter - 1)
      break;
  }
  SetModified(1);
  platform::Trace("%d iteration(s)\n", iteration + 1);
  return iteration + 1;
}
