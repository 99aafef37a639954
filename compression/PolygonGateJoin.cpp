#include "compression/PolygonGateJoin.h"

#include "mesh/Polygon3d.h"
#include "mesh/PolygonGate3d.h"
#include "mesh/PolygonVertex3d.h"

namespace polygonjoin {

namespace {

Point P(const CPolygonVertex3d* v)
{
  return {v->x(), v->y(), v->z()};
}

// a + s (b - c)
Point Along(const Point& a, double s, const Point& b, const Point& c)
{
  return {a[0] + s * (b[0] - c[0]), a[1] + s * (b[1] - c[1]), a[2] + s * (b[2] - c[2])};
}

double SquareDistance(const CPolygonVertex3d* v, const Point& p)
{
  const double dx = v->x() - p[0];
  const double dy = v->y() - p[1];
  const double dz = v->z() - p[2];
  return dx * dx + dy * dy + dz * dz;
}

constexpr int MaxPlaceDigits = 8; // 12^8 is beyond any vertex count of the stream

} // namespace

Point Predict(CPolygonGate3d* gate, int corner)
{
  const CPolygon3d* inner = gate->GetPolygon();
  const Point v1 = P(gate->GetVertex1());
  const Point v2 = P(gate->GetVertex2());
  const int n = inner->NbVertex();
  const int j = inner->IndexFrom(gate->GetVertex2());
  if (n == 3) {
    const Point w = P(inner->GetVertex((j + 1) % 3));
    if (corner < 0)
      return Along(v2, 1.0, v1, w);
    // Half of (v1 - w) + (v2 - w), from the gate vertex next to the far corner.
    const Point& from = corner == 0 ? v1 : v2;
    const Point half = Along(from, 0.5, v1, w);
    return Along(half, 0.5, v2, w);
  }
  const Point u1 = P(inner->GetVertex((j + 1) % n)); // one after vertex 2
  const Point u2 = P(inner->GetVertex((j + 2) % n)); // two after vertex 2
  if (corner < 0) {
    const Point mid{(u1[0] + u2[0]) / 2, (u1[1] + u2[1]) / 2, (u1[2] + u2[2]) / 2};
    return Along(v2, 1.0, v1, mid);
  }
  return corner == 0 ? Along(v1, 1.0, v1, u2) : Along(v2, 1.0, v2, u1);
}

std::vector<CPolygonVertex3d*> Rank(const CArray3d<CPolygonVertex3d>& order, int nbEntered,
                                    const CPolygonGate3d* gate, const Point& prediction)
{
  std::vector<CPolygonVertex3d*> candidates;
  for (int i = 0; i < nbEntered; i++) {
    CPolygonVertex3d* v = order[i];
    if (v->GetUseCount() != 0 && v != gate->GetVertex1() && v != gate->GetVertex2())
      candidates.push_back(v);
  }
  std::vector<double> distance;
  distance.reserve(candidates.size());
  for (const CPolygonVertex3d* v : candidates)
    distance.push_back(SquareDistance(v, prediction));
  // The exchange sort of the format: its order among equal distances is part of the stream.
  for (std::size_t i = 0; i < candidates.size(); i++)
    for (std::size_t j = i + 1; j < candidates.size(); j++)
      if (distance[j] < distance[i]) {
        std::swap(candidates[i], candidates[j]);
        std::swap(distance[i], distance[j]);
      }
  return candidates;
}

void AppendIndex(int index, bool quad, std::vector<unsigned int>* pSymbols)
{
  if (quad && index < 0) {
    pSymbols->push_back(NotRanked);
    return;
  }
  const int base = quad ? 11 : 12;
  for (int i = 0; i < index / base; i++)
    pSymbols->push_back(Escape);
  pSymbols->push_back(static_cast<unsigned int>(index % base));
}

void AppendPlace(int place, std::vector<unsigned int>* pSymbols)
{
  do {
    pSymbols->push_back(static_cast<unsigned int>(place % 12));
    place /= 12;
  } while (place > 0);
  pSymbols->push_back(Escape);
}

int ReadIndex(const std::vector<unsigned int>& symbols, int* pCursor, bool quad, int* pIndex)
{
  const int base = quad ? 11 : 12;
  const int size = static_cast<int>(symbols.size());
  long long index = 0;
  int& cursor = *pCursor;
  while (cursor < size && symbols[static_cast<std::size_t>(cursor)] == Escape) {
    index += base;
    cursor++;
  }
  if (cursor >= size || index > (1 << 24))
    return 0;
  const unsigned int last = symbols[static_cast<std::size_t>(cursor++)];
  if (quad && last == NotRanked) {
    *pIndex = -1;
    return index == 0 ? 1 : 0;
  }
  *pIndex = static_cast<int>(index + last);
  return 1;
}

int ReadPlace(const std::vector<unsigned int>& symbols, int* pCursor, int* pPlace)
{
  const int size = static_cast<int>(symbols.size());
  int& cursor = *pCursor;
  long long place = 0;
  long long weight = 1;
  for (int digit = 0; digit <= MaxPlaceDigits && cursor < size; digit++) {
    const unsigned int symbol = symbols[static_cast<std::size_t>(cursor++)];
    if (symbol == Escape) {
      *pPlace = static_cast<int>(place);
      return digit > 0 ? 1 : 0;
    }
    place += symbol * weight;
    weight *= 12;
  }
  return 0;
}

} // namespace polygonjoin
