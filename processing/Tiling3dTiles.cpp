#include "processing/Tile.h"
#include "processing/Tiling3d.h"
#include "processing/TilingNode.h"

#include "mesh/Face3d.h"

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace {

// Tiles kept so far, bucketed by a hash of their node set (independent of the node order), so
// that the search for an equal tile stays short on large meshes.
class CTileIndex
{
public:
  // Takes the tile when no equal one is there yet; otherwise deletes it. 1 when taken.
  int Add(std::unique_ptr<CTile> pTile, CArray3d<CTile>* pArray)
  {
    const std::size_t key = Key(pTile.get());
    const auto range = m_Buckets.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
      if (it->second->IsEqual(pTile.get()))
        return 0;
    m_Buckets.emplace(key, pTile.get());
    pArray->Add(pTile.release());
    return 1;
  }

private:
  static std::size_t Key(const CTile* pTile)
  {
    std::size_t key = 0;
    for (int i = 0; i < pTile->NbNode(); i++) {
      std::uint64_t h = std::hash<const void*>{}(pTile->GetNode(i));
      h ^= h >> 33;
      h *= 0xff51afd7ed558ccdULL;
      h ^= h >> 33;
      key += static_cast<std::size_t>(h);
    }
    return key;
  }

  std::unordered_multimap<std::size_t, CTile*> m_Buckets;
};

} // namespace

std::unique_ptr<CTile> CTiling3d::WalkTile(CTilingNode* n, CFace3d* f, CFace3d* g,
                                           const CVertex3d* b)
{
  CTilingNode* m = g ? NodeOf(g) : nullptr;
  if (!m || m == n)
    return nullptr;
  auto pTile = std::make_unique<CTile>();
  pTile->AddNode(n);
  pTile->AddNode(m);
  CArray3d<CFace3d> visited;
  visited.Add(f);
  visited.Add(g);
  for (const CFace3d* pCurrent = g;;) {
    CFace3d* pNext = pCurrent->GetFaceSharingNotIn(b, &visited);
    if (!pNext)
      return nullptr;  // a boundary
    visited.Add(pNext);
    CTilingNode* k = NodeOf(pNext);
    if (!k)
      return pTile;
    if (!pTile->HasNode(k))
      pTile->AddNode(k);
    if (k != m && n->IsNeighbor(k))
      return pTile;
    pCurrent = pNext;
  }
}

void CTiling3d::BuildTiles()
{
  m_ArrayTile.DeleteAll();
  CTileIndex index;
  // Face nodes first, around the corners of their face.
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    if (!n->IsFaceBased())
      continue;
    CFace3d* f = n->GetFace();
    for (int c = 0; c < 3; c++) {
      auto pTile = WalkTile(n, f, f->f(c + 1), f->v((c + 2) % 3));
      if (!pTile)
        continue;
      pTile->SetMarker(1);
      index.Add(std::move(pTile), &m_ArrayTile);
    }
  }
  // Then vertex nodes, around the far corners of the faces of their star.
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    if (n->IsFaceBased())
      continue;
    const CVertex3d* v = n->GetVertex();
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      CFace3d* f = v->GetFaceNeighbor(j);
      const int corner = f->IndexFrom(v);
      if (corner < 0)
        continue;
      if (auto pTile = WalkTile(n, f, f->GetFaceNotSharing(v), f->v((corner + 2) % 3)))
        index.Add(std::move(pTile), &m_ArrayTile);
    }
  }
}

namespace {

// The fan of the polygon (start s: triangles s, s+1+j, s+2+j) whose triangles have the largest
// sum of compacities; the first on ties.
int BestFanStart(const CTile* pTile)
{
  const int n = pTile->NbNode();
  int best = 0;
  double bestSum = -1.0;
  for (int s = 0; s < n; s++) {
    double sum = 0.0;
    for (int j = 0; j + 3 <= n; j++)
      sum += pTile->Compacity(s, (s + 1 + j) % n, (s + 2 + j) % n);
    if (sum > bestSum) {
      bestSum = sum;
      best = s;
    }
  }
  return best;
}

} // namespace

void CTiling3d::SplitTiles()
{
  // Triangles stay where they are; the pieces of the other tiles follow them, in order.
  std::vector<std::unique_ptr<CTile>> pieces;
  for (int i = 0; i < NbTile(); i++) {
    std::unique_ptr<CTile> pTile(GetTile(i));
    const int n = pTile->NbNode();
    if (n == 3) {
      pTile.release();
      continue;
    }
    m_ArrayTile.SetAt(i, nullptr);
    const int s = n >= 3 ? BestFanStart(pTile.get()) : 0;
    for (int j = 0; j + 3 <= n; j++) {
      CTilingNode* p[3] = {pTile->GetNode(s), pTile->GetNode((s + 1 + j) % n),
                           pTile->GetNode((s + 2 + j) % n)};
      auto pTriangle = std::make_unique<CTile>();
      for (int k = 0; k < 3; k++) {
        pTriangle->AddNode(p[k]);
        CTilingNode::Link(p[k], p[(k + 1) % 3]);
      }
      pieces.push_back(std::move(pTriangle));
    }
  }
  int kept = 0;
  for (int i = 0; i < NbTile(); i++)
    if (CTile* pTile = GetTile(i))
      m_ArrayTile.SetAt(kept++, pTile);
  m_ArrayTile.SetSize(kept);
  for (auto& pTile : pieces)
    m_ArrayTile.Add(pTile.release());
}
