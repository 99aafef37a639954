#pragma once

#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "processing/ArrayOperationEdge.h"

#include <memory>

// The decimation loop of the global optimisation, reduced to its order: shortest edge first
// (or, as the command combines them by default, the shortest under a curveness threshold that
// rises from 0.1 by 0.1), collapse at the midpoint, the survivor's operations renewed.
inline void EdgeOperations(CMesh3d& mesh, int wanted, bool underCurveness = false)
{
  CArrayOperationEdge operations;
  operations.Fill(&mesh);
  operations.UpdateAll();
  mesh.BeginDeferredDeletion();
  while (mesh.NbLiveVertex() > wanted) {
    const std::unique_ptr<COperationEdge> o(underCurveness
                                              ? operations.ExtractShortestUnderCurveness(0.1, 0.1)
                                              : operations.ExtractMin());
    if (!o)
      break;
    CVertex3d* p = o->GetFirst();
    CVertex3d* q = o->GetSecond();
    const CVertex3d middle((p->x() + q->x()) / 2, (p->y() + q->y()) / 2, (p->z() + q->z()) / 2);
    operations.Collapse(&mesh, p, q, &middle);
  }
  mesh.EndDeferredDeletion();
}
