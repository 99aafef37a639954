#include "mesh/QuadVertex3d.h"

#include "mesh/Quad3d.h"

int CQuadVertex3d::NbQuadNeighborWithFlag(int flag) const
{
  int count = 0;
  for (int i = 0; i < NbQuadNeighbor(); i++)
    if (GetQuadNeighbor(i)->GetFlag() == flag)
      count++;
  return count;
}
