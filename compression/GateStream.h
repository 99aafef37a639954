#pragma once

#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "compression/GateStreamBits.h"
#include "mesh/Array3d.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Stream pieces that the gate coders share: the range-coded code section, raw float
// geometry, padding and the seed section of the triangle and quad coders.
namespace gate {

// ceil(log2(n)); 0 for n <= 1.
int IndexBits(int n);
// Size of the file in bytes, 0 when it cannot be told.
long long FileSize(const char* fileName);
// Bits of geometry per vertex: three 32-bit floats.
constexpr int VertexBits = 96;
// Codes a stream may hold per vertex its geometry can carry: far above what any mesh needs
// (a face or two and a boundary gate per vertex), so that a corrupted section that decodes
// to runs of one code is refused after a small multiple of the input.
constexpr long long CodesPerVertex = 64;
// Vertices whose positions the rest of the stream can still hold.
inline long long MaxVertices(const CIBitStream& file)
{
  return static_cast<long long>(file.GetRemainingBits() / VertexBits);
}
// The codes a section at this point of the stream may decode to.
std::size_t MaxCodes(const CIBitStream& file);
// The codes as one range-coded section of order-k models; 0 when the coder refused them.
int WriteCodes(COBitStream& file, const std::vector<unsigned int>& codes, int nbSymbol, int order);
// A section up to its end symbol; 0 when it is bad, or holds more than maxCodes codes.
int ReadCodes(CIBitStream& file, int nbSymbol, int order, std::size_t maxCodes,
              std::vector<unsigned int>* pCodes);
// The padding that ends every stream: at least one bit, up to the byte boundary. 0 when the
// file ended earlier, so a stream cut at a byte boundary is told from a whole one.
int ReadPadding(CIBitStream& file);

// x, y, z of the vertices [from, to) of the order, as 32-bit floats.
template <class V>
void WriteGeometry(COBitStream& file, const CArray3d<V>& order, int from, int to)
{
  for (int i = from; i < to; i++) {
    file.WriteFloat(order[i]->x());
    file.WriteFloat(order[i]->y());
    file.WriteFloat(order[i]->z());
  }
}

// The bit patterns of x, y, z of the vertices [from, to) of the order.
template <class V>
std::vector<std::uint32_t> GeometryWords(const CArray3d<V>& order, int from, int to)
{
  std::vector<std::uint32_t> words;
  words.reserve(3 * static_cast<std::size_t>(std::max(to - from, 0)));
  for (int i = from; i < to; i++) {
    words.push_back(std::bit_cast<std::uint32_t>(order[i]->x()));
    words.push_back(std::bit_cast<std::uint32_t>(order[i]->y()));
    words.push_back(std::bit_cast<std::uint32_t>(order[i]->z()));
  }
  return words;
}

// The same bits, a word at a time.
template <class V>
void WriteGeometry(CGateStreamBits& file, const CArray3d<V>& order, int from, int to)
{
  const std::vector<std::uint32_t> words = GeometryWords(order, from, to);
  file.WriteWords(words.data(), words.size());
}

// n new vertices handed to add (which takes ownership) and appended to the order; 0 when the
// stream cannot hold them (nothing is made then) or ends first.
template <class V, class Add>
int ReadGeometry(CIBitStream& file, long long n, CArray3d<V>* pOrder, Add add)
{
  if (n < 0 || n > MaxVertices(file))
    return 0;
  for (int i = 0; i < n; i++) {
    const float x = file.ReadFloat();
    const float y = file.ReadFloat();
    const float z = file.ReadFloat();
    auto* v = new V(x, y, z);
    add(v);
    pOrder->Add(v);
  }
  return file.IsPastEnd() ? 0 : 1;
}

// Seed faces as corner indices into the vertex order.
template <int N>
using SeedIndices = std::vector<std::array<int, N>>;

// The corners of each seed face as indices into the vertex order.
// Each corner's first place in the order; std::out_of_range for a corner not in it. Only the
// few corners are filed: one walk of the order looks each vertex up among them.
template <int N, class Face, class V>
SeedIndices<N> SeedRanks(const CArray3d<Face>& seeds, const CArray3d<V>& order)
{
  std::vector<const V*> corners;
  corners.reserve(static_cast<std::size_t>(seeds.GetSize()) * N);
  for (int i = 0; i < seeds.GetSize(); i++)
    for (int c = 0; c < N; c++)
      corners.push_back(seeds[i]->v(c));
  std::sort(corners.begin(), corners.end());
  corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
  const auto find = [&corners](const V* v) {
    const auto it = std::lower_bound(corners.begin(), corners.end(), v);
    return it != corners.end() && *it == v ? static_cast<std::size_t>(it - corners.begin()) : corners.size();
  };
  std::vector<int> rank(corners.size(), -1);
  for (int i = 0; i < order.GetSize() && !corners.empty(); i++) {
    const std::size_t k = find(order[i]);
    if (k < corners.size() && rank[k] < 0)
      rank[k] = i;
  }
  SeedIndices<N> indices;
  indices.reserve(static_cast<std::size_t>(seeds.GetSize()));
  for (int i = 0; i < seeds.GetSize(); i++) {
    std::array<int, N> seed{};
    for (int c = 0; c < N; c++) {
      const int r = rank[find(seeds[i]->v(c))];
      if (r < 0)
        throw std::out_of_range("a seed corner is not in the vertex order");
      seed[c] = r;
    }
    indices.push_back(seed);
  }
  return indices;
}

constexpr int MaxSeeds = 255;
constexpr int MaxCount24 = (1 << 24) - 1;

// The seed section: an 8-bit count and N indices of B = ceil(log2(V)) bits per seed. Seed
// corners that no gate entered are appended to the order after the nbMain vertices of the
// geometry; they are written here, behind a count of 0 (which a plain section never has): a
// 24-bit number of them and their positions, then the real count, with B taken over the
// whole order.
template <int N, class V>
void WriteSeedSection(COBitStream& file, const CArray3d<V>& order, int nbMain,
                      const SeedIndices<N>& seeds)
{
  const int nbExtra = order.GetSize() - nbMain;
  if (nbExtra > 0) {
    file.WriteBits(0, 8);
    file.WriteBits(static_cast<std::uint32_t>(nbExtra), 24);
    WriteGeometry(file, order, nbMain, order.GetSize());
  }
  file.WriteBits(static_cast<std::uint32_t>(seeds.size()), 8);
  const int bits = IndexBits(order.GetSize());
  for (const auto& seed : seeds)
    for (const int index : seed)
      file.WriteBits(static_cast<std::uint32_t>(index), bits);
}

// Mirror of WriteSeedSection. 0 on a count or index the stream cannot mean.
template <int N, class V, class Add>
int ReadSeedSection(CIBitStream& file, CArray3d<V>* pOrder, Add add, SeedIndices<N>* pSeeds)
{
  int count = static_cast<int>(file.BReadBits(8));
  if (count == 0) {
    const int nbExtra = static_cast<int>(file.BReadBits(24));
    if (nbExtra <= 0 || !ReadGeometry(file, nbExtra, pOrder, add))
      return 0;
    count = static_cast<int>(file.BReadBits(8));
    if (count == 0)
      return 0;
  }
  const int nbVertex = pOrder->GetSize();
  const int bits = IndexBits(nbVertex);
  if (static_cast<std::uint64_t>(count) * N * bits > file.GetRemainingBits())
    return 0;
  pSeeds->reserve(static_cast<std::size_t>(count));
  for (int s = 0; s < count; s++) {
    std::array<int, N> seed{};
    for (int& index : seed) {
      index = static_cast<int>(file.BReadBits(bits));
      if (index >= nbVertex)
        return 0;
    }
    pSeeds->push_back(seed);
  }
  return file.IsPastEnd() ? 0 : 1;
}

} // namespace gate
