#include "mesh/Mesh3d.h"

int CMesh3d::IsRemovableValence3(const CVertex3d* v)
{
  if (v->NbFaceNeighbor() != 3 || v->NbVertexNeighbor() != 3 || v->IsOnBoundary())
    return 0;
  const CVertex3d* a = v->GetVertexNeighbor(0);
  return a->HasFace(a, v->GetVertexNeighbor(1), v->GetVertexNeighbor(2)) ? 0 : 1;
}

int CMesh3d::RemoveValence3VerticesKeepingManifold()
{
  int removed = 0;
  for (int i = 0; i < NbVertex(); i++)
    while (i < NbVertex() && IsRemovableValence3(GetVertex(i)) &&
           RemoveValence3Vertex(GetVertex(i)))
      removed++;
  return removed;
}
