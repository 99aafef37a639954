// Welding of equal vertices and removal of the vertices that no polygon uses.
#include "mesh/PolygonMesh3d.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace {

// Exact position as a key: equal floats give equal keys (the two zeros included).
struct SPositionKey
{
  std::array<std::uint32_t, 3> bits;

  static std::uint32_t Bits(float value)
  {
    if (value == 0.0f)
      value = 0.0f;
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
  }
  explicit SPositionKey(const CPolygonVertex3d* v) : bits{Bits(v->x()), Bits(v->y()), Bits(v->z())}
  {
  }
  bool operator==(const SPositionKey&) const = default;
};

struct SPositionHash
{
  size_t operator()(const SPositionKey& key) const
  {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint32_t word : key.bits)
      h = (h ^ word) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

} // namespace

int CPolygonMesh3d::RemoveIsolatedVertices()
{
  SetVerticesFlag(0);
  for (int i = 0; i < NbPolygon(); i++)
    GetPolygon(i)->SetVerticesFlag(1);
  // Compacted in one pass: removing one at a time would cost a move of the array each.
  int kept = 0;
  for (int i = 0; i < NbVertex(); i++) {
    CPolygonVertex3d* vertex = GetVertex(i);
    if (vertex->GetFlag() == 0)
      delete vertex;
    else
      m_ArrayVertex.SetAt(kept++, vertex);
  }
  const int removed = NbVertex() - kept;
  m_ArrayVertex.SetSize(kept);
  if (removed > 0)
    m_Modified = 1;
  return removed;
}

void CPolygonMesh3d::Weld()
{
  RemoveIsolatedVertices();
  SetVerticesFlag(0);
  // Every vertex goes to the last vertex of its position, as a pairwise scan would send it,
  // in one pass over a hash of the positions instead of over all pairs.
  std::unordered_map<SPositionKey, CPolygonVertex3d*, SPositionHash> last;
  last.reserve(static_cast<size_t>(NbVertex()));
  for (int i = 0; i < NbVertex(); i++)
    last[SPositionKey(GetVertex(i))] = GetVertex(i);
  for (int i = 0; i < NbVertex(); i++) {
    CPolygonVertex3d* vertex = GetVertex(i);
    CPolygonVertex3d* target = last[SPositionKey(vertex)];
    if (target != vertex) {
      vertex->SetFlag(1);
      vertex->SetWeldTarget(target);
    }
  }
  for (int i = 0; i < NbPolygon(); i++) {
    CPolygon3d* polygon = GetPolygon(i);
    for (int k = 0; k < polygon->NbVertex(); k++)
      if (polygon->GetVertex(k)->GetFlag() == 1)
        polygon->SetVertex(k, polygon->GetVertex(k)->GetWeldTarget());
  }
  RemoveIsolatedVertices();
  Rebuild();
}
