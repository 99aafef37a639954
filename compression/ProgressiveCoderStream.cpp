// Writing and reading of progressive streams: base mesh, layer codes and layer geometry, and
// the single-layer file. Streams are untrusted: every count is bounded by what the file and
// the mesh decoded so far can use before anything is allocated for it.
#include "coding/FrequencyModel.h"
#include "coding/IBitFile.h"
#include "coding/OBitStream.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kCodeSymbols = 7;

int IndexBits(int nbVertex)
{
  return nbVertex <= 1 ? 0 : static_cast<int>(std::ceil(std::log(nbVertex) / std::log(2.0)));
}

// Every code conquers at least one face of the mesh it is replayed on, a boundary removal
// two codes for one face: a layer holding more codes than this cannot be replayed.
std::int64_t MaxCodes(std::int64_t nbFace)
{
  return 2 * nbFace + 2;
}

// n bits, least significant first; a field cut by the end of the file marks the read short.
std::uint32_t ReadField(CIBitStream* pFile, int n, bool* pShort)
{
  std::uint32_t value = 0;
  if (pFile->ReadBitsUpTo(value, n) != n)
    *pShort = true;
  return value;
}

// A layer's codes, up to the 0 that closes it: false when the section ends first or more than
// `limit` come before it. Decoded a slice at a time into `slice` and appended, so that a layer
// costs the room it takes and no symbol is written twice but the copy out of the slice, which
// stays in the first-level cache; `expected` (the last layer's count, which the file held)
// sizes the list at once. A slice under 4 KB is copied by vector moves; a larger one goes to
// a string move, no faster at this size and a step per byte in instruction counts.
bool ReadLayerSymbols(CRangeDecoder* pDecoder, CIBitStream* pFile, std::int64_t limit,
                      std::size_t expected, std::vector<std::uint32_t>* pSlice,
                      std::vector<unsigned int>* pSymbols)
{
  constexpr std::size_t kSlice = 1000;
  const std::size_t most = static_cast<std::size_t>(limit) + 1;
  std::vector<unsigned int>& symbols = *pSymbols;
  std::vector<std::uint32_t>& slice = *pSlice;
  slice.resize(kSlice);
  symbols.clear();
  symbols.reserve(std::min(expected, most));
  while (symbols.size() < most) {
    const std::size_t count = std::min(kSlice, most - symbols.size());
    const std::size_t got = pDecoder->DecodeSymbols(slice.data(), count, 0, pFile);
    const bool closed = got > 0 && slice[got - 1] == 0;
    symbols.insert(symbols.end(), slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(got - closed));
    if (closed)
      return true;
    if (got < count)
      return false;
  }
  return false;
}

// Up to `most` symbols of a section to its end symbol, each plus `offset`: false when more come
// or the section is bad.
bool ReadSection(CRangeDecoder* pDecoder, CIBitStream* pFile, std::size_t most, int offset,
                 std::vector<int>* pValues)
{
  // Decoded in place, the symbols an unsigned view of the values: no list of their own to
  // clear and copy.
  std::vector<int>& values = *pValues;
  values.resize(most + 1);
  const std::size_t got = pDecoder->DecodeSymbols(reinterpret_cast<std::uint32_t*>(values.data()),
                                                  most + 1, CRangeDecoder::NoStop, pFile);
  if (got > most || !pDecoder->Done(pFile))
    return false;
  values.resize(got);
  for (int& value : values)
    value += offset;
  return true;
}

// Double layers only remove valence 3, sent as 6: the removals, or -1 when another symbol than
// 2 or 6 comes. Mapped and counted without a branch per symbol, the list then holding 2 and 3
// alone, which needs no other test; the list is dropped when one is refused.
std::int64_t MapDoubleLayerSymbols(std::vector<unsigned int>* pSymbols)
{
  unsigned int refused = 0;
  unsigned int removals = 0;
  for (unsigned int& symbol : *pSymbols) {
    refused |= static_cast<unsigned int>(symbol != 2 && symbol != 6);
    removals += static_cast<unsigned int>(symbol == 6);
    symbol = symbol == 6 ? 3 : symbol;
  }
  return refused == 0 ? static_cast<std::int64_t>(removals) : -1;
}

// The removals, codes 3 and more, of a list of codes 2 to 6 alone, which is valid whatever its
// gate type; -1 when another code comes. Most lists are such: one pass, with no branch per
// code, both tests the codes and counts the removals.
std::int64_t PlainRemovals(const std::vector<unsigned int>& codes)
{
  const std::size_t n = codes.size();
  const unsigned int* const p = codes.data();
  std::size_t i = 0;
  unsigned int outside = 0;
  std::int64_t removals = 0;
#if defined(__SSE2__)
  // Sixteen codes to a vector of bytes, packed with signed saturation: a code keeps its value
  // if it is 2 to 6 and packs to another value if not, whatever its 32 bits. Each byte plus
  // 126 (modulo 256) puts 2 to 6 at the five lowest signed values and every other above them:
  // one signed compare finds those outside, one more the removals. A byte lane counts up to
  // 255 before the lanes are summed.
  const auto load = [p](std::size_t k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
  };
  const __m128i shift = _mm_set1_epi8(126);
  const __m128i lowest = _mm_set1_epi8(-128);
  const __m128i last = _mm_set1_epi8(-124);
  __m128i out = _mm_setzero_si128();
  __m128i total = _mm_setzero_si128();
  while (i + 16 <= n) {
    const std::size_t end = i + 16 * std::min<std::size_t>(255, (n - i) / 16);
    __m128i count = _mm_setzero_si128();
    for (; i < end; i += 16) {
      const __m128i x = _mm_packs_epi16(_mm_packs_epi32(load(i), load(i + 4)),
                                        _mm_packs_epi32(load(i + 8), load(i + 12)));
      const __m128i y = _mm_add_epi8(x, shift);
      out = _mm_or_si128(out, _mm_cmpgt_epi8(y, last));
      count = _mm_sub_epi8(count, _mm_cmpgt_epi8(y, lowest));
    }
    total = _mm_add_epi64(total, _mm_sad_epu8(count, _mm_setzero_si128()));
  }
  outside = static_cast<unsigned int>(_mm_movemask_epi8(out));
  alignas(16) std::int64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
  removals = lanes[0] + lanes[1];
#endif
  for (; i < n; i++) {
    outside |= static_cast<unsigned int>(p[i] - 2 > 4);
    removals += p[i] >= 3 ? 1 : 0;
  }
  return outside ? -1 : removals;
}

// Codes 1 to 6 only, every 1 followed by the side of its boundary removal.
int IsValidCodeList(const CProgressiveCodeList& codes)
{
  if (PlainRemovals(codes.GetCodes()) >= 0)
    return 1;
  for (int i = 0; i < codes.NbCode(); i++) {
    const unsigned int code = codes.GetCode(i);
    if (code < 1 || code > 6 || (code == 1 && codes.GetGateType() != 0))
      return 0;
    if (code != 1)
      continue;
    if (i + 1 >= codes.NbCode() || (codes.GetCode(i + 1) != 5 && codes.GetCode(i + 1) != 6))
      return 0;
    i++;
  }
  return 1;
}

} // namespace

int CProgressiveCoder::Quantize()
{
  if (m_QuantizationBits < 1 || m_QuantizationBits > 30)
    return 0;
  float lo[3];
  float hi[3];
  m_pMesh->GetRanges(lo, hi);
  for (int axis = 0; axis < 3; axis++) {
    m_Scale[axis] = (hi[axis] - lo[axis]) / static_cast<float>((1 << m_QuantizationBits) - 1);
    m_Shift[axis] = lo[axis];
  }
  return m_pMesh->RangeAndSnap(m_QuantizationBits);
}

// Layers that removed nothing carry no information for the decoder.
void CProgressiveCoder::DiscardEmptyLayers()
{
  for (int i = NbLayer() - 1; i >= 0; i--) {
    if (m_LayerCodes[i]->NbRemoval() > 0)
      continue;
    m_LayerCodes.erase(m_LayerCodes.begin() + i);
    m_LayerGeometry.erase(m_LayerGeometry.begin() + i);
  }
}

void CProgressiveCoder::OutputBaseMesh(COBitStream* pFile)
{
  const int nv = m_pMesh->NbVertex();
  const int nf = m_pMesh->NbFace();
  const int q = m_QuantizationBits;
  pFile->WriteBits(static_cast<unsigned int>(q), 4);
  pFile->WriteBits(static_cast<unsigned int>(nv), 24);
  pFile->WriteBits(static_cast<unsigned int>(nf), 24);
  for (int axis = 0; axis < 3; axis++) {
    pFile->WriteFloat(m_Scale[axis]);
    pFile->WriteFloat(m_Shift[axis]);
  }
  // Fields go least significant bit first: those in a row are one field of their widths added
  // up. Once the byte the header left open is complete, they leave a whole byte at a time,
  // which costs the stream less than fields that straddle bytes.
  std::uint64_t pending = 0;
  int nbPending = 0;
  int lead = static_cast<int>(pFile->GetBitIndex() + 1) & 7;
  const auto put = [&](std::uint32_t value, int n) {
    pending |= (static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << n) - 1)) << nbPending;
    nbPending += n;
    if (nbPending < 32)
      return;
    if (lead > 0) {
      pFile->WriteBits(static_cast<std::uint32_t>(pending), lead);
      pending >>= lead;
      nbPending -= lead;
      lead = 0;
      if (nbPending < 32)
        return;
    }
    // Four bytes at a time: no field is wider than 32 bits, so fewer than 32 stay.
    for (int k = 0; k < 4; k++, pending >>= 8)
      pFile->PutAlignedByte(bitorder::ReversedBytes[pending & 0xFF]);
    nbPending -= 32;
  };
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    for (int axis = 0; axis < 3; axis++)
      put(static_cast<unsigned int>(static_cast<int>(v->Get2(axis))), q);
    v->SetFlag(i);
  }
  const int b = IndexBits(nv);
  for (int i = 0; i < nf; i++)
    for (int k = 0; k < 3; k++)
      put(static_cast<unsigned int>(m_pMesh->GetFace(i)->v(k)->GetFlag()), b);
  // Fewer than 32 bits wait after each field.
  pFile->WriteBits(static_cast<std::uint32_t>(pending), nbPending);
}

int CProgressiveCoder::OutputCodes(COBitStream* pFile)
{
  const std::uint32_t start = pFile->GetTotalBits();
  pFile->WriteBits(static_cast<unsigned int>(NbLayer()), 10);
  CRangeEncoder encoder(kCodeSymbols);
  int ok = encoder.Start();
  int removals = 0;
  std::vector<std::uint32_t> mapped;
  for (int i = NbLayer() - 1; i >= 0 && ok; i--) {
    const CProgressiveCodeList* codes = m_LayerCodes[i].get();
    const std::vector<unsigned int>& list = codes->GetCodes();
    const std::uint32_t* symbols = list.data();
    // Double layers only remove valence 3: sent as 6.
    if (codes->GetGateType() == 1) {
      mapped.resize(list.size());
      std::transform(list.begin(), list.end(), mapped.begin(),
                     [](unsigned int code) { return code == 3 ? 6u : code; });
      symbols = mapped.data();
    }
    ok = encoder.Encode(static_cast<unsigned int>(codes->GetGateType()), pFile);
    ok = ok && encoder.EncodeSymbols(symbols, list.size(), pFile);
    ok = ok && encoder.Encode(0, pFile);
    removals += codes->NbRemoval();
  }
  ok = encoder.Done(pFile) && ok;
  m_CodeBits = static_cast<int>(pFile->GetTotalBits() - start);
  if (removals > 0)
    m_BitsPerRemovedVertex = static_cast<float>(m_CodeBits) / static_cast<float>(removals);
  return ok;
}

int CProgressiveCoder::WriteGeometry(COBitStream* pFile)
{
  const std::uint32_t start = pFile->GetTotalBits();
  pFile->WriteBits(static_cast<unsigned int>(NbLayer()), 10);
  for (int i = NbLayer() - 1; i >= 0; i--)
    if (!WriteLayerGeometry(pFile, m_LayerGeometry[i].get()))
      return 0;
  m_GeometryBits = static_cast<int>(pFile->GetTotalBits() - start);
  return 1;
}

int CProgressiveCoder::WriteLayerGeometry(COBitStream* pFile, CProgressiveGeometryLayer* pLayer) const
{
  const int q = m_QuantizationBits;
  if (!pLayer->IsPredicted()) {
    pFile->PutBit(0);
    pFile->WriteBits(static_cast<unsigned int>(pLayer->NbRecord()), 4);
    for (int r = 0; r < pLayer->NbRecord(); r++)
      for (int k = 0; k < 3; k++)
        pFile->WriteBits(static_cast<unsigned int>(pLayer->GetRecord(r).GetCoordinates()[k]), q);
    return 1;
  }
  const int minC = pLayer->GetMinNormal();
  const int minT = pLayer->GetMinTangential();
  const int rangeC = pLayer->GetRangeNormal();
  const int rangeT = pLayer->GetRangeTangential();
  // The fields hold q + 1 bits, the range coder fewer symbols than its total frequency.
  const int limit = std::min((1 << (q + 1)) - 1, CFrequencyModel::MaxSymbols - 2);
  const int magnitude = (1 << q) - 1;
  // Residuals that do not fit their fields cannot be sent.
  if (rangeC > limit || rangeT > limit || -minC > magnitude || -minT > magnitude)
    return 0;
  pFile->PutBit(1);
  pFile->WriteBits(static_cast<unsigned int>(rangeC), q + 1);
  pFile->PutBit(minC < 0 ? 0 : 1);
  pFile->WriteBits(static_cast<unsigned int>(std::abs(minC)), q);
  pFile->WriteBits(static_cast<unsigned int>(rangeT), q + 1);
  pFile->PutBit(minT < 0 ? 0 : 1);
  pFile->WriteBits(static_cast<unsigned int>(std::abs(minT)), q);
  const int nbRecord = pLayer->NbRecord();
  // Both sections' symbols in one pass over the records, a few hundred bytes each.
  std::vector<std::uint32_t> normals(static_cast<size_t>(nbRecord));
  std::vector<std::uint32_t> tangents(2 * static_cast<size_t>(nbRecord));
  // The residuals lie a record (a few hundred bytes) apart: loaded some records ahead.
  constexpr int kAhead = 16;
  for (int r = 0; r < nbRecord; r++) {
    if (r + kAhead < nbRecord)
      __builtin_prefetch(&pLayer->GetCoordinates(r + kAhead));
    const std::array<int, 3>& abc = pLayer->GetCoordinates(r);
    const auto at = static_cast<size_t>(r);
    normals[at] = static_cast<std::uint32_t>(abc[2] - minC);
    tangents[2 * at] = static_cast<std::uint32_t>(abc[0] - minT);
    tangents[2 * at + 1] = static_cast<std::uint32_t>(abc[1] - minT);
  }
  CRangeEncoder normal(static_cast<unsigned int>(rangeC + 1));
  int ok = normal.Start();
  ok = ok && normal.EncodeSymbols(normals.data(), normals.size(), pFile);
  if (!normal.Done(pFile) || !ok)
    return 0;
  CRangeEncoder tangent(static_cast<unsigned int>(rangeT + 1));
  ok = tangent.Start();
  ok = ok && tangent.EncodeSymbols(tangents.data(), tangents.size(), pFile);
  return tangent.Done(pFile) && ok;
}

int CProgressiveCoder::InputBaseMesh(CIBitStream* pFile)
{
  const std::uint64_t fileBits = pFile->GetRemainingBits();
  bool cut = false;
  const int q = static_cast<int>(ReadField(pFile, 4, &cut));
  const int nv = static_cast<int>(ReadField(pFile, 24, &cut));
  const int nf = static_cast<int>(ReadField(pFile, 24, &cut));
  m_QuantizationBits = q;
  for (int axis = 0; axis < 3; axis++) {
    m_Scale[axis] = std::bit_cast<float>(ReadField(pFile, 32, &cut));
    m_Shift[axis] = std::bit_cast<float>(ReadField(pFile, 32, &cut));
  }
  const int b = IndexBits(nv);
  // Counts are checked against what the file can hold before anything is allocated.
  const std::uint64_t needed = 4 + 48 + 192 + 3ull * q * nv + 3ull * b * nf;
  // A base mesh of one or two vertices (and no face) is legal: nothing more could go.
  if (cut || pFile->IsPastEnd() || q < 1 || nv < 1 || needed > fileBits)
    return 0;
  for (int axis = 0; axis < 3; axis++)
    if (!std::isfinite(m_Scale[axis]) || !std::isfinite(m_Shift[axis]))
      return 0;
  // The fields are taken from the file in runs of up to 57 bits, the most it gives at once,
  // and handed out one at a time by a shift and a mask, where a field of its own would cost
  // a call to the file. Every field comes after the one before, least significant bit first,
  // so the runs joined are the fields joined; the runs hold the fields' bits and no more, and
  // the next section starts where it would. A field is 24 bits at most: one run tops the
  // window up.
  std::uint64_t window = 0;
  int held = 0;
  std::uint64_t left = needed - (4 + 48 + 192);
  const auto field = [&](int n) {
    if (held < n && left > 0) {
      const int k = static_cast<int>(std::min<std::uint64_t>(std::min(57, 64 - held), left));
      std::uint64_t run = 0;
      if (pFile->ReadLongBitsUpTo(run, k) != k)
        cut = true;
      window |= run << held;
      held += k;
      left -= static_cast<std::uint64_t>(k);
    }
    const auto value = static_cast<int>(window & ((std::uint64_t{1} << n) - 1));
    window >>= n;
    held -= n;
    return value;
  };
  // The arrays are sized once, the counts being known and bounded by the file: grown an
  // element at a time they would be copied again and again.
  CArray3d<CVertex3d>* vertices = m_pMesh->GetArrayVertex();
  vertices->SetSize(nv);
  std::vector<std::array<float, 3>> second(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    int quantized[3];
    for (int& x : quantized)
      x = field(q);
    // In the mesh's own blocks: a large base mesh would cost an allocation per element.
    CVertex3d* v = m_pMesh->NewVertex(static_cast<float>(quantized[0]) * m_Scale[0] + m_Shift[0],
                                      static_cast<float>(quantized[1]) * m_Scale[1] + m_Shift[1],
                                      static_cast<float>(quantized[2]) * m_Scale[2] + m_Shift[2]);
    // The index names the vertex's second position below; the adjacency sets it again.
    v->SetAdjacencyIndex(i);
    second[static_cast<size_t>(i)] = {static_cast<float>(quantized[0]), static_cast<float>(quantized[1]),
                                      static_cast<float>(quantized[2])};
    vertices->SetAt(i, v);
  }
  // The second positions' blocks side by side, where Set2 would allocate one per vertex.
  CVertex3d::SetSecondPositions(vertices->GetData(), static_cast<size_t>(nv),
                                [&second](const CVertex3d& v) -> const std::array<float, 3>& {
                                  return second[static_cast<size_t>(v.GetAdjacencyIndex())];
                                });
  m_BaseCorners.clear();
  m_BaseCorners.reserve(3 * static_cast<size_t>(nf));
  CArray3d<CFace3d>* faces = m_pMesh->GetArrayFace();
  faces->SetSize(nf);
  m_pMesh->SetModified();
  for (int i = 0; i < nf; i++) {
    int index[3];
    bool valid = true;
    for (int& x : index) {
      x = field(b);
      valid = valid && x < nv;
    }
    valid = valid && index[0] != index[1] && index[1] != index[2] && index[0] != index[2];
    if (!valid) {
      // The mesh keeps the faces read so far, as an array of faces and no empty slot.
      faces->SetSize(i);
      return 0;
    }
    faces->SetAt(i, m_pMesh->NewFace(vertices->GetAt(index[0]), vertices->GetAt(index[1]),
                                     vertices->GetAt(index[2])));
    m_BaseCorners.insert(m_BaseCorners.end(), index, index + 3);
  }
  if (cut || pFile->IsPastEnd())
    return 0;
  if (!m_ReplayOnArrays)
    m_pMesh->Rebuild();
  return 1;
}

// The layers come coarsest first; each may hold no more codes than the mesh it is replayed on
// can use, that mesh growing by two faces per removal of the layers before.
int CProgressiveCoder::InputCodes(CIBitStream* pFile)
{
  bool cut = false;
  const int nbLayer = static_cast<int>(ReadField(pFile, 10, &cut));
  if (cut || pFile->IsPastEnd())
    return 0;
  CRangeDecoder decoder(kCodeSymbols);
  if (!decoder.Start(pFile))
    return 0;
  m_LayerCodes.clear();
  std::vector<std::unique_ptr<CProgressiveCodeList>> coarseFirst;
  std::int64_t nbFace = m_pMesh->NbFace();
  std::uint32_t gateType = 0;
  std::vector<std::uint32_t> slice;
  std::size_t expected = 0;
  while (decoder.Decode(&gateType, pFile)) {
    if (gateType > 1 || static_cast<int>(coarseFirst.size()) >= nbLayer)
      return 0;
    std::vector<unsigned int> symbols;
    // A layer holds about as many codes as the one before: the mesh grows little per layer.
    if (!ReadLayerSymbols(&decoder, pFile, MaxCodes(nbFace), expected, &slice, &symbols))
      return 0;
    expected = symbols.size() + symbols.size() / 8;
    auto codes = std::make_unique<CProgressiveCodeList>(static_cast<int>(gateType));
    // Counted as the codes are tested: the list keeps the count, which the geometry's reader
    // and the replay ask for.
    std::int64_t removals = gateType == 1 ? MapDoubleLayerSymbols(&symbols) : PlainRemovals(symbols);
    if (gateType == 1 && removals < 0)
      return 0;
    if (removals >= 0) {
      codes->SetCodes(std::move(symbols), static_cast<int>(removals));
    } else {
      codes->SetCodes(std::move(symbols));
      if (!IsValidCodeList(*codes))
        return 0;
      removals = codes->NbRemoval();
    }
    nbFace += 2 * removals;
    coarseFirst.push_back(std::move(codes));
  }
  if (!decoder.Done(pFile) || cut || pFile->IsPastEnd() ||
      static_cast<int>(coarseFirst.size()) != nbLayer)
    return 0;
  for (int i = nbLayer - 1; i >= 0; i--)
    m_LayerCodes.push_back(std::move(coarseFirst[i]));
  return 1;
}

// One record per removal of the layer's codes, no more: the readers stop there.
int CProgressiveCoder::InflateGeometry(CIBitStream* pFile)
{
  bool cut = false;
  const int q = m_QuantizationBits;
  const int nbLayer = static_cast<int>(ReadField(pFile, 10, &cut));
  if (cut || pFile->IsPastEnd() || nbLayer != NbLayer())
    return 0;
  m_LayerGeometry.clear();
  for (int i = 0; i < nbLayer; i++)
    m_LayerGeometry.push_back(std::make_unique<CProgressiveGeometryLayer>());
  for (int i = nbLayer - 1; i >= 0; i--) {
    CProgressiveGeometryLayer* pLayer = m_LayerGeometry[i].get();
    const int expected = m_LayerCodes[i]->NbRemoval();
    pLayer->SetPredicted(static_cast<int>(ReadField(pFile, 1, &cut)));
    if (pLayer->IsPredicted()) {
      if (!ReadPredictedLayer(pFile, expected, pLayer))
        return 0;
      continue;
    }
    const int count = static_cast<int>(ReadField(pFile, 4, &cut));
    if (count != expected)
      return 0;
    for (int r = 0; r < count; r++) {
      std::array<int, 3> abc{};
      for (int& x : abc)
        x = static_cast<int>(ReadField(pFile, q, &cut));
      pLayer->AddCoordinates(abc);
    }
    if (cut || pFile->IsPastEnd())
      return 0;
  }
  // A range decoder reading beyond the end makes up zeros: the stream was cut.
  return (cut || pFile->IsPastEnd()) ? 0 : 1;
}

int CProgressiveCoder::ReadPredictedLayer(CIBitStream* pFile, int expected,
                                          CProgressiveGeometryLayer* pLayer)
{
  bool cut = false;
  const int q = m_QuantizationBits;
  const int rangeC = static_cast<int>(ReadField(pFile, q + 1, &cut));
  const int signC = static_cast<int>(ReadField(pFile, 1, &cut));
  const int magC = static_cast<int>(ReadField(pFile, q, &cut));
  const int rangeT = static_cast<int>(ReadField(pFile, q + 1, &cut));
  const int signT = static_cast<int>(ReadField(pFile, 1, &cut));
  const int magT = static_cast<int>(ReadField(pFile, q, &cut));
  if (cut || pFile->IsPastEnd())
    return 0;
  const int minC = signC ? magC : -magC;
  const int minT = signT ? magT : -magT;
  // The counts are bounded by the codes already read.
  std::vector<int> c;
  CRangeDecoder normal(static_cast<unsigned int>(rangeC + 1));
  if (!normal.Start(pFile) || !ReadSection(&normal, pFile, static_cast<size_t>(expected), minC, &c) ||
      static_cast<int>(c.size()) != expected)
    return 0;
  std::vector<int> t;
  CRangeDecoder tangent(static_cast<unsigned int>(rangeT + 1));
  if (!tangent.Start(pFile) || !ReadSection(&tangent, pFile, 2 * c.size(), minT, &t) ||
      t.size() != 2 * c.size())
    return 0;
  pLayer->Reserve(static_cast<int>(c.size()));
  for (size_t r = 0; r < c.size(); r++)
    pLayer->AddCoordinates({t[2 * r], t[2 * r + 1], c[r]});
  return 1;
}

// The rate is the file's bits over the vertices the layer removed.
int CProgressiveCoder::WriteLayerCodes(const char* fileName, const CProgressiveCodeList* pCodes,
                                       int nbRemoved)
{
  COBitStream stream;
  stream.PutBit(static_cast<unsigned int>(pCodes->GetGateType()));
  CRangeEncoder encoder(kCodeSymbols);
  int ok = encoder.Start();
  for (unsigned int code : pCodes->GetCodes())
    ok = ok && encoder.Encode(code, &stream);
  ok = encoder.Done(&stream) && ok;
  stream.Flush(0);
  if (nbRemoved > 0)
    m_BitsPerRemovedVertex = static_cast<float>(stream.GetTotalBits()) / static_cast<float>(nbRemoved);
  return ok && stream.WriteFile(fileName);
}

int CProgressiveCoder::ReadLayerCodes(const char* fileName)
{
  bool cut = false;
  CIBitFile file(fileName);
  if (!file.IsValid())
    return 0;
  const int gateType = static_cast<int>(ReadField(&file, 1, &cut));
  CRangeDecoder decoder(kCodeSymbols);
  if (cut || file.IsPastEnd() || !decoder.Start(&file))
    return 0;
  auto codes = std::make_unique<CProgressiveCodeList>(gateType);
  const std::int64_t limit = MaxCodes(m_pMesh->NbFace());
  std::uint32_t symbol = 0;
  while (decoder.Decode(&symbol, &file)) {
    if (codes->NbCode() >= limit)
      return 0;
    codes->Add(symbol);
  }
  if (!decoder.Done(&file) || !IsValidCodeList(*codes))
    return 0;
  m_LayerCodes.push_back(std::move(codes));
  m_pCurrentCodes = m_LayerCodes.back().get();
  InitDecodingGates();
  return 1;
}
