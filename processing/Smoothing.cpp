// One simultaneous pass of Loop's vertex mask over the whole mesh, connectivity unchanged.
#include "mesh/Mesh3d.h"
#include "platform/core/Trace.h"
#include "processing/LoopRule.h"

#include <vector>

int CMesh3d::Smooth(int moveBoundary)
{
  platform::Trace("Start smoothing (%d faces, %d vertices)", NbFace(), NbVertex());
  const int nbVertex = NbVertex();
  std::vector<float> positions(3 * static_cast<size_t>(nbVertex));
  for (int i = 0; i < nbVertex; i++) {
    const CVertex3d* p = GetVertex(i);
    float* out = &positions[3 * static_cast<size_t>(i)];
    if (!moveBoundary && p->IsOnBoundary()) {
      out[0] = p->x();
      out[1] = p->y();
      out[2] = p->z();
      continue;
    }
    LoopVertexRule(p, out);
  }
  SetPositions(this, positions);
  Rebuild();
  return 1;
}
