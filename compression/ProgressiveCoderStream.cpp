// Writing and reading of progressive streams: base mesh, layer codes and layer geometry.
#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "compression/ProgressiveCoder.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/MessageBox.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kCodeSymbols = 7;
constexpr int kMaxLayers = 1023;

int IndexBits(int nbVertex)
{
  return nbVertex <= 1 ? 0 : static_cast<int>(std::ceil(std::log(nbVertex) / std::log(2.0)));
}

} // namespace

int CProgressiveCoder::Encode(CMesh3d* pMesh, int targetVertexCount, int quantizationBits,
                              const char* fileName, int (*callback)(int))
{
  m_pMesh = pMesh;
  m_ApplyRemoval = 1;
  m_PureValence = 0;
  m_QuantizationBits = quantizationBits;
  if (targetVertexCount >= pMesh->NbVertex()) {
    platform::MessageBox("invalid #vertices", platform::MB_OK);
    return 0;
  }
  if (quantizationBits < 1 || quantizationBits > 15 || !Quantize())
    return 0;
  while (pMesh->NbVertex() > targetVertexCount && NbLayer() + 2 <= kMaxLayers) {
    const int r1 = EncodeLayer(pMesh, 0, 6);
    const int r2 = EncodeLayer(pMesh, 1, 3);
    pMesh->SetModified();
    if (callback)
      callback(pMesh->NbVertex());
    if (r1 == 0 && r2 == 0)
      break;
  }
  COBitFile file(fileName);
  if (!file.IsValid())
    return 0;
  DiscardEmptyLayers();
  if (!OutputBaseMesh(&file) || !OutputCodes(&file) || !WriteGeometry(&file))
    return 0;
  file.Flush(0);
  file.FlushStream();
  return file.IsValid();
}

int CProgressiveCoder::Quantize()
{
  for (int axis = 0; axis < 3; axis++) {
    float lo = 0;
    float hi = 0;
    m_pMesh->GetRange(axis, &lo, &hi);
    m_Scale[axis] = (hi - lo) / static_cast<float>((1 << m_QuantizationBits) - 1);
    m_Shift[axis] = lo;
  }
  return m_pMesh->RangeAndSnap(m_QuantizationBits);
}

void CProgressiveCoder::ComputeLayerGeometry(int limit)
{
  std::vector<CProgressiveVertexRecord>& records = m_LayerRecords.back();
  const int predicted = static_cast<int>(records.size()) > limit ? 1 : 0;
  m_LayerPredicted.back() = predicted;
  for (CProgressiveVertexRecord& record : records)
    if (predicted)
      record.Predict();
    else
      record.SetCoordinates(record.GetTarget());
}

// Layers that removed nothing carry no information for the decoder.
void CProgressiveCoder::DiscardEmptyLayers()
{
  for (int i = NbLayer() - 1; i >= 0; i--) {
    const auto& codes = m_LayerCodes[i]->GetCodes();
    if (std::any_of(codes.begin(), codes.end(), [](unsigned int c) { return c > 2; }))
      continue;
    m_LayerCodes.erase(m_LayerCodes.begin() + i);
    m_LayerPositions.erase(m_LayerPositions.begin() + i);
    m_LayerRecords.erase(m_LayerRecords.begin() + i);
    m_LayerPredicted.erase(m_LayerPredicted.begin() + i);
  }
}

int CProgressiveCoder::OutputBaseMesh(COBitFile* pFile)
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
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    for (int axis = 0; axis < 3; axis++)
      pFile->WriteBits(static_cast<unsigned int>(static_cast<int>(v->Get2(axis))), q);
    v->SetFlag(i);
  }
  const int b = IndexBits(nv);
  for (int i = 0; i < nf; i++)
    for (int k = 0; k < 3; k++)
      pFile->WriteBits(static_cast<unsigned int>(m_pMesh->GetFace(i)->v(k)->GetFlag()), b);
  return 1;
}

int CProgressiveCoder::OutputCodes(COBitFile* pFile) const
{
  pFile->WriteBits(static_cast<unsigned int>(NbLayer()), 10);
  CRangeEncoder encoder(kCodeSymbols);
  int ok = encoder.Start();
  for (int i = NbLayer() - 1; i >= 0 && ok; i--) {
    const CProgressiveCodeList* codes = m_LayerCodes[i].get();
    ok = encoder.Encode(static_cast<unsigned int>(codes->GetGateType()), pFile);
    // Double layers only remove valence 3: sent as 6.
    for (unsigned int code : codes->GetCodes())
      ok = ok && encoder.Encode(codes->GetGateType() == 1 && code == 3 ? 6 : code, pFile);
    ok = ok && encoder.Encode(0, pFile);
  }
  return encoder.Done(pFile) && ok;
}

int CProgressiveCoder::WriteGeometry(COBitFile* pFile) const
{
  const int q = m_QuantizationBits;
  pFile->WriteBits(static_cast<unsigned int>(NbLayer()), 10);
  for (int i = NbLayer() - 1; i >= 0; i--) {
    const std::vector<CProgressiveVertexRecord>& records = m_LayerRecords[i];
    if (!m_LayerPredicted[i]) {
      pFile->PutBit(0);
      pFile->WriteBits(static_cast<unsigned int>(records.size()), 4);
      for (const CProgressiveVertexRecord& r : records)
        for (int k = 0; k < 3; k++)
          pFile->WriteBits(static_cast<unsigned int>(r.GetCoordinates()[k]), q);
      continue;
    }
    int minT = 0, maxT = 0, minC = 0, maxC = 0;
    for (const CProgressiveVertexRecord& r : records) {
      const auto& abc = r.GetCoordinates();
      minT = std::min({minT, abc[0], abc[1]});
      maxT = std::max({maxT, abc[0], abc[1]});
      minC = std::min(minC, abc[2]);
      maxC = std::max(maxC, abc[2]);
    }
    const int limit = (1 << (q + 1)) - 1;
    const int magnitude = (1 << q) - 1;
    // Residuals that do not fit their fields cannot be sent.
    if (maxC - minC > limit || maxT - minT > limit || -minC > magnitude || -minT > magnitude)
      return 0;
    pFile->PutBit(1);
    pFile->WriteBits(static_cast<unsigned int>(maxC - minC), q + 1);
    pFile->PutBit(minC < 0 ? 0 : 1);
    pFile->WriteBits(static_cast<unsigned int>(std::abs(minC)), q);
    pFile->WriteBits(static_cast<unsigned int>(maxT - minT), q + 1);
    pFile->PutBit(minT < 0 ? 0 : 1);
    pFile->WriteBits(static_cast<unsigned int>(std::abs(minT)), q);
    CRangeEncoder normal(static_cast<unsigned int>(maxC - minC + 1));
    int ok = normal.Start();
    for (const CProgressiveVertexRecord& r : records)
      ok = ok && normal.Encode(static_cast<unsigned int>(r.GetCoordinates()[2] - minC), pFile);
    if (!normal.Done(pFile) || !ok)
      return 0;
    CRangeEncoder tangent(static_cast<unsigned int>(maxT - minT + 1));
    ok = tangent.Start();
    for (const CProgressiveVertexRecord& r : records)
      for (int k = 0; k < 2; k++)
        ok = ok && tangent.Encode(static_cast<unsigned int>(r.GetCoordinates()[k] - minT), pFile);
    if (!tangent.Done(pFile) || !ok)
      return 0;
  }
  return 1;
}

int CProgressiveCoder::Decode(CMesh3d* pMesh, const char* fileName, int (*callback)(int))
{
  m_pMesh = pMesh;
  m_FromStream = 1;
  m_DecodeError = 0;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(fileName, error);
  if (error || pMesh->NbVertex() != 0 || pMesh->NbFace() != 0)
    return 0;
  CIBitFile file(fileName);
  if (!file.IsValid() || !InputBaseMesh(&file, 8 * static_cast<std::uint64_t>(size)) ||
      !InputCodes(&file) || !InflateGeometry(&file))
    return 0;
  for (int layer = NbLayer() - 1; layer >= 0; layer--) {
    if (!DecodeLayer(layer) || m_PositionCursor != static_cast<int>(m_LayerRecords[layer].size()))
      return 0;
    if (callback)
      callback(pMesh->NbVertex());
  }
  return 1;
}

int CProgressiveCoder::InputBaseMesh(CIBitFile* pFile, std::uint64_t fileBits)
{
  const int q = static_cast<int>(pFile->BReadBits(4));
  const int nv = static_cast<int>(pFile->BReadBits(24));
  const int nf = static_cast<int>(pFile->BReadBits(24));
  m_QuantizationBits = q;
  for (int axis = 0; axis < 3; axis++) {
    m_Scale[axis] = pFile->ReadFloat();
    m_Shift[axis] = pFile->ReadFloat();
  }
  const int b = IndexBits(nv);
  // Counts are checked against what the file can hold before anything is allocated.
  const std::uint64_t needed = 4 + 48 + 192 + 3ull * q * nv + 3ull * b * nf;
  if (pFile->IsPastEnd() || q < 1 || nv < 3 || nf < 1 || needed > fileBits)
    return 0;
  for (int axis = 0; axis < 3; axis++)
    if (!std::isfinite(m_Scale[axis]) || !std::isfinite(m_Shift[axis]))
      return 0;
  for (int i = 0; i < nv; i++) {
    int quantized[3];
    for (int& x : quantized)
      x = static_cast<int>(pFile->BReadBits(q));
    auto* v = new CVertex3d(static_cast<float>(quantized[0]) * m_Scale[0] + m_Shift[0],
                            static_cast<float>(quantized[1]) * m_Scale[1] + m_Shift[1],
                            static_cast<float>(quantized[2]) * m_Scale[2] + m_Shift[2]);
    v->Set2(static_cast<float>(quantized[0]), static_cast<float>(quantized[1]),
            static_cast<float>(quantized[2]));
    m_pMesh->AddVertex(v);
  }
  for (int i = 0; i < nf; i++) {
    int index[3];
    for (int& x : index) {
      x = static_cast<int>(pFile->BReadBits(b));
      if (x >= nv)
        return 0;
    }
    if (index[0] == index[1] || index[1] == index[2] || index[0] == index[2])
      return 0;
    m_pMesh->AddFace(new CFace3d(m_pMesh->GetVertex(index[0]), m_pMesh->GetVertex(index[1]),
                                 m_pMesh->GetVertex(index[2])));
  }
  if (pFile->IsPastEnd())
    return 0;
  m_pMesh->Rebuild();
  return 1;
}

int CProgressiveCoder::InputCodes(CIBitFile* pFile)
{
  const int nbLayer = static_cast<int>(pFile->BReadBits(10));
  if (pFile->IsPastEnd())
    return 0;
  CRangeDecoder decoder(kCodeSymbols);
  if (!decoder.Start(pFile))
    return 0;
  m_LayerCodes.clear();
  std::vector<std::unique_ptr<CProgressiveCodeList>> coarseFirst;
  bool expectGateType = true;
  std::uint32_t symbol = 0;
  while (decoder.Decode(&symbol, pFile)) {
    if (expectGateType) {
      if (symbol > 1 || static_cast<int>(coarseFirst.size()) >= nbLayer)
        return 0;
      coarseFirst.push_back(std::make_unique<CProgressiveCodeList>(static_cast<int>(symbol)));
      expectGateType = false;
      continue;
    }
    if (symbol == 0) {
      expectGateType = true;
      continue;
    }
    CProgressiveCodeList* codes = coarseFirst.back().get();
    if (codes->GetGateType() == 1)
      symbol = symbol == 6 ? 3 : (symbol == 2 ? 2 : 0);
    if (symbol < 2)
      return 0;
    codes->Add(symbol);
  }
  if (!decoder.Done(pFile) || !expectGateType || static_cast<int>(coarseFirst.size()) != nbLayer)
    return 0;
  for (int i = nbLayer - 1; i >= 0; i--)
    m_LayerCodes.push_back(std::move(coarseFirst[i]));
  m_LayerPositions.assign(nbLayer, {});
  return 1;
}

int CProgressiveCoder::InflateGeometry(CIBitFile* pFile)
{
  const int q = m_QuantizationBits;
  const int nbLayer = static_cast<int>(pFile->BReadBits(10));
  if (pFile->IsPastEnd() || nbLayer != NbLayer())
    return 0;
  m_LayerRecords.assign(nbLayer, {});
  m_LayerPredicted.assign(nbLayer, 0);
  for (int i = nbLayer - 1; i >= 0; i--) {
    m_LayerPredicted[i] = static_cast<int>(pFile->BReadBits(1));
    if (m_LayerPredicted[i]) {
      if (!ReadPredictedLayer(pFile, &m_LayerRecords[i]))
        return 0;
      continue;
    }
    const int count = static_cast<int>(pFile->BReadBits(4));
    for (int r = 0; r < count; r++) {
      std::array<int, 3> abc{};
      for (int& x : abc)
        x = static_cast<int>(pFile->BReadBits(q));
      m_LayerRecords[i].emplace_back();
      m_LayerRecords[i].back().SetCoordinates(abc);
    }
    if (pFile->IsPastEnd())
      return 0;
  }
  return 1;
}

int CProgressiveCoder::ReadPredictedLayer(CIBitFile* pFile,
                                          std::vector<CProgressiveVertexRecord>* pRecords)
{
  const int q = m_QuantizationBits;
  const int rangeC = static_cast<int>(pFile->BReadBits(q + 1));
  const int signC = static_cast<int>(pFile->BReadBits(1));
  const int magC = static_cast<int>(pFile->BReadBits(q));
  const int rangeT = static_cast<int>(pFile->BReadBits(q + 1));
  const int signT = static_cast<int>(pFile->BReadBits(1));
  const int magT = static_cast<int>(pFile->BReadBits(q));
  if (pFile->IsPastEnd())
    return 0;
  const int minC = signC ? magC : -magC;
  const int minT = signT ? magT : -magT;
  CRangeDecoder normal(static_cast<unsigned int>(rangeC + 1));
  if (!normal.Start(pFile))
    return 0;
  std::uint32_t symbol = 0;
  std::vector<int> c;
  while (normal.Decode(&symbol, pFile))
    c.push_back(static_cast<int>(symbol) + minC);
  if (!normal.Done(pFile))
    return 0;
  CRangeDecoder tangent(static_cast<unsigned int>(rangeT + 1));
  if (!tangent.Start(pFile))
    return 0;
  std::vector<int> t;
  while (tangent.Decode(&symbol, pFile))
    t.push_back(static_cast<int>(symbol) + minT);
  if (!tangent.Done(pFile) || t.size() != 2 * c.size())
    return 0;
  for (size_t r = 0; r < c.size(); r++) {
    pRecords->emplace_back();
    pRecords->back().SetCoordinates({t[2 * r], t[2 * r + 1], c[r]});
  }
  return 1;
}

// A re-inserted vertex from the stream: its quantized position from the next record, rebuilt in
// the frame of its border when the layer is predicted.
void CProgressiveCoder::PlaceVertex(CVertex3d* v, const std::vector<CVertex3d*>& border,
                                    const std::vector<std::array<int, 3>>& faces)
{
  std::vector<CProgressiveVertexRecord>& records = m_LayerRecords[m_DecodeLayer];
  if (m_PositionCursor >= static_cast<int>(records.size())) {
    m_DecodeError = 1;
    return;
  }
  CProgressiveVertexRecord& record = records[m_PositionCursor++];
  std::vector<CProgressiveVertexRecord::Point> points;
  for (const CVertex3d* w : border)
    points.push_back({w->x2(), w->y2(), w->z2()});
  record.SetFrame(std::move(points), faces);
  const std::array<int, 3> p =
      m_LayerPredicted[m_DecodeLayer] ? record.Reconstruct() : record.GetCoordinates();
  v->Set2(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
  v->Set(static_cast<float>(p[0]) * m_Scale[0] + m_Shift[0],
         static_cast<float>(p[1]) * m_Scale[1] + m_Shift[1],
         static_cast<float>(p[2]) * m_Scale[2] + m_Shift[2]);
}
