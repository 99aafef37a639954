#include "mesh/Mesh3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Trace.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Number of vertices of each valence 0 to the largest, traced as it goes; empty for a mesh
// without vertices.
std::vector<int> BuildValenceHistogram(const CMesh3d* pMesh)
{
  if (pMesh->NbVertex() == 0)
    return {};
  int maxValence = 0;
  for (int i = 0; i < pMesh->NbVertex(); i++)
    maxValence = std::max(maxValence, pMesh->GetVertex(i)->NbVertexNeighbor());
  std::vector<int> histogram(static_cast<size_t>(maxValence) + 1, 0);
  for (int i = 0; i < pMesh->NbVertex(); i++)
    histogram[static_cast<size_t>(pMesh->GetVertex(i)->NbVertexNeighbor())]++;
  platform::Trace("  valence distribution: ");
  for (const int count : histogram) {
    platform::Trace("%d\t", count);
    platform::Sleep(1);
  }
  platform::Trace("\n");
  return histogram;
}

} // namespace

int CMesh3d::ValenceDistribution()
{
  return BuildValenceHistogram(this).empty() ? 0 : 1;
}

float CMesh3d::ForecastValenceRate()
{
  const std::vector<int> histogram = BuildValenceHistogram(this);
  if (histogram.empty())
    return 0.0f;
  const float n = static_cast<float>(NbVertex());
  float rate = 0.0f;
  for (const int count : histogram) {
    if (count == 0)
      continue;
    const float p = static_cast<float>(count) / n;
    rate += static_cast<float>(-p * std::log(p) / std::log(2.0));
  }
  platform::Trace("  forecasted rate: %g bit/vertex\n", rate);
  return rate;
}
