#include "compression/ConquestCoder.h"

#include "coding/FrequencyModel.h"
#include "coding/Huffman.h"
#include "coding/OBitStream.h"
#include "coding/RangeEncoder.h"
#include "coding/StackRun.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {
struct CFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, CFileCloser>;
} // namespace

int CConquestCoder::FitsRangeCoder(unsigned int maxCode)
{
  return maxCode + 1 < static_cast<unsigned int>(CFrequencyModel::MaxSymbols) ? 1 : 0;
}

int CConquestCoder::EncodeRange(const std::vector<unsigned int>& codes, COBitStream* pFile)
{
  CRangeEncoder encoder(GetMaxValue(codes) + 1);
  if (!encoder.Start())
    return 0;
  for (const unsigned int code : codes)
    encoder.Encode(code, pFile);
  return encoder.Done(pFile);
}

int CConquestCoder::EncodeArithmetic(const char* fileName)
{
  const unsigned int max = GetMaxValue(m_Codes);
  if (max > MaxByteCode)
    return 0;
  COBitStream file;
  file.WriteBits(max, 8);
  const int coded = EncodeRange(m_Codes, &file);
  file.Flush(0);
  if (!coded || !file.WriteFile(fileName))
    return 0;
  if (m_pConnectivityRate)
    *m_pConnectivityRate =
        static_cast<float>((file.GetTotalBits() - 8.0) / m_pMesh->NbVertex());
  return 1;
}

int CConquestCoder::EncodeStackRun(const char* fileName)
{
  const std::vector<int> values(m_Codes.begin(), m_Codes.end());
  CStackRun coder;
  const int bits = coder.EncodeToFile(values.data(), static_cast<int>(values.size()), -6, fileName);
  if (bits == 0)
    return 0;
  if (m_pConnectivityRate)
    *m_pConnectivityRate = static_cast<float>(static_cast<double>(bits) / m_pMesh->NbVertex());
  return 1;
}

int CConquestCoder::WriteCodesText(const std::vector<unsigned int>& codes, const char* name)
{
  const FilePtr file(std::fopen(name, "w"));
  if (!file)
    return 0;
  for (const unsigned int code : codes)
    platform::PrintFile(file.get(), "%u\n", code);
  return std::ferror(file.get()) ? 0 : 1;
}

int CConquestCoder::WriteCodesBinary(const std::vector<unsigned int>& codes, const char* name)
{
  if (GetMaxValue(codes) > MaxByteCode)
    return 0;
  const FilePtr file(std::fopen(name, "wb"));
  if (!file)
    return 0;
  const std::vector<unsigned char> bytes(codes.begin(), codes.end());
  return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() ? 1 : 0;
}

// --- auxiliary coders of a code sequence ---------------------------------------------------

int CConquestCoder::EncodeHuffman(const std::vector<unsigned int>& symbols,
                                  std::vector<unsigned int>& bits, int writeText, const char* name)
{
  CHuffman huffman;
  const int ok = huffman.Encode(symbols, bits);
  if (writeText)
    WriteCodesText(symbols, name);
  return ok;
}

void CConquestCoder::EncodeRleBinary(const std::vector<unsigned int>& bits,
                                     std::vector<unsigned int>& runs, int maxRun)
{
  runs.clear();
  unsigned int expected = 0;
  size_t i = 0;
  while (i < bits.size()) {
    unsigned int matched = 0;
    // The element that ends a pass is consumed with it.
    while (i < bits.size()) {
      const unsigned int bit = bits[i++];
      if (bit != expected)
        break;
      if (static_cast<int>(++matched) == maxRun)
        break;
    }
    runs.push_back(matched + 1);
    expected = 1 - expected;
  }
}

int CConquestCoder::RunLength(const std::vector<unsigned int>& codes, int start, unsigned int value)
{
  int n = 0;
  for (size_t i = static_cast<size_t>(std::max(start, 0)); i < codes.size() && codes[i] == value; i++)
    n++;
  return start < 0 ? 0 : n;
}

void CConquestCoder::EncodeRle(const std::vector<unsigned int>& codes, std::vector<unsigned int>& out,
                               int minRun)
{
  size_t i = 0;
  while (i < codes.size()) {
    const unsigned int c = codes[i];
    const int run = RunLength(codes, static_cast<int>(i), c);
    if (run < minRun) {
      out.push_back(c);
      i++;
      continue;
    }
    out.insert(out.end(), static_cast<size_t>(minRun), c);
    out.push_back(static_cast<unsigned int>(run - minRun));
    i += static_cast<size_t>(run);
  }
}

void CConquestCoder::BuildHistogram(const std::vector<unsigned int>& codes,
                                    std::vector<unsigned int>& histogram)
{
  histogram.clear();
  const unsigned int max = GetMaxValue(codes);
  if (max == 0)
    return;
  histogram.assign(static_cast<size_t>(max) + 1, 0);
  for (const unsigned int code : codes)
    histogram[code]++;
}

unsigned int CConquestCoder::GetMaxValue(const std::vector<unsigned int>& values)
{
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double CConquestCoder::FitValenceDistribution() const
{
  std::vector<unsigned int> histogram;
  BuildHistogram(m_Codes, histogram);
  const unsigned int peak = GetMaxValue(histogram);
  double bestS = 0.0;
  double bestError = 1.7e308;
  for (int k = 1; k <= 256; k++) {
    const double s = k / 256.0 * 10.0;
    double error = 0.0;
    for (size_t j = 3; j < histogram.size(); j++) {
      const double d = 6.0 - static_cast<double>(j);
      const double model = std::trunc(peak * std::exp(-d * d / s));
      error += std::fabs(model - histogram[j]);
    }
    if (error < bestError) {
      bestError = error;
      bestS = s;
    }
  }
  return bestS;
}

int CConquestCoder::LabelVertices()
{
  if (!m_pMesh)
    return 0;
  m_pMesh->SetVerticesFlag(0);
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (v->AllVertexNeighborsAtSamePosition())
      v->SetFlag(2);
  }
  for (int i = 0; i < m_pMesh->NbVertex(); i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (v->GetFlag() != 2 && v->HasVertexNeighborWithFlag(2))
      v->SetFlag(1);
  }
  return 1;
}
