#include "mesh/Mesh3d.h"
#include "platform/core/Clock.h"
#include "platform/core/Trace.h"

#include <vector>

int CMesh3d::ValenceDistribution()
{
  if (NbVertex() == 0)
    return 0;
  int maxValence = 0;
  for (int i = 0; i < NbVertex(); i++)
    maxValence = std::max(maxValence, GetVertex(i)->NbVertexNeighbor());
  std::vector<int> histogram(static_cast<size_t>(maxValence) + 1, 0);
  for (int i = 0; i < NbVertex(); i++)
    histogram[static_cast<size_t>(GetVertex(i)->NbVertexNeighbor())]++;
  platform::Trace("  valence distribution: ");
  for (const int count : histogram) {
    platform::Trace("%d\t", count);
    platform::Sleep(1);
  }
  platform::Trace("\n");
  return 1;
}
