#include "processing/Tile.h"

#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"
#include "processing/TilingNode.h"

int CTile::IsValid() const
{
  const int n = NbNode();
  for (int i = 0; i < n; i++)
    if (!GetNode(i)->IsNeighbor(GetNode((i + 1) % n)))
      return 0;
  return 1;
}

int CTile::IsEqual(const CTile* pTile) const
{
  if (pTile->NbNode() != NbNode())
    return 0;
  for (int i = 0; i < NbNode(); i++)
    if (!pTile->HasNode(GetNode(i)))
      return 0;
  return 1;
}

double CTile::Compacity(int a, int b, int c) const
{
  const int n = NbNode();
  if (a < 0 || b < 0 || c < 0 || a >= n || b >= n || c >= n)
    return 0.0;
  auto at = [this](int i) {
    const CTilingNode* pNode = GetNode(i);
    return CVertex3d(pNode->x(), pNode->y(), pNode->z());
  };
  CVertex3d p = at(a);
  CVertex3d q = at(b);
  CVertex3d r = at(c);
  return CFace3d(&p, &q, &r).Compacity();
}
