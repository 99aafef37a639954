// Code statistics of the progressive coder and its raw geometry files: tools for studying the
// layers, outside the stream itself.
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "compression/ProgressiveCoder.h"

#include "platform/core/MessageBox.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace {

constexpr int kRecordBits = 3 * 32;

} // namespace

int CProgressiveCoder::ProcessDistribution(const CProgressiveCodeList& codes,
                                           std::vector<unsigned int>* pHistogram, int binCount)
{
  pHistogram->assign(static_cast<size_t>(std::max(0, binCount)), 0);
  if (binCount <= 0 || MaxCode(codes) >= static_cast<unsigned int>(binCount)) {
    platform::MessageBox("ProcessDistribution: max >= NbItem", platform::MB_OK);
    return 0;
  }
  for (unsigned int code : codes.GetCodes())
    (*pHistogram)[code]++;
  return 1;
}

unsigned int CProgressiveCoder::MaxCode(const CProgressiveCodeList& codes)
{
  const auto& list = codes.GetCodes();
  return list.empty() ? 0 : *std::max_element(list.begin(), list.end());
}

int CProgressiveCoder::DumpCodes(const CProgressiveCodeList& codes, const char* fileName)
{
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName, "wt"),
                                                              &std::fclose);
  if (!file)
    return 0;
  std::fprintf(file.get(), "%d codes\n", codes.NbCode());
  for (unsigned int code : codes.GetCodes())
    std::fprintf(file.get(), "%d\n", static_cast<int>(code));
  return std::ferror(file.get()) ? 0 : 1;
}

void CProgressiveCoder::DumpHook(const CProgressiveCodeList* /*pCodes*/,
                                 const char* /*fileName*/) const
{
}

int CProgressiveCoder::OutputGeometry(COBitStream* pFile) const
{
  pFile->WriteBits(static_cast<unsigned int>(m_LayerGeometry.size()), 10);
  for (auto layer = m_LayerGeometry.rbegin(); layer != m_LayerGeometry.rend(); ++layer) {
    const CProgressiveGeometryLayer& geometry = **layer;
    pFile->WriteBits(static_cast<unsigned int>(geometry.NbRecord()), 32);
    for (int r = 0; r < geometry.NbRecord(); r++)
      for (float x : geometry.GetRecord(r).GetPosition())
        pFile->WriteFloat(x);
  }
  pFile->Flush(0);
  return 1;
}

int CProgressiveCoder::InputGeometry(CIBitStream* pFile)
{
  std::uint32_t nbLayer = 0;
  if (pFile->ReadBitsUpTo(nbLayer, 10) != 10)
    return 0;
  std::vector<std::unique_ptr<CProgressiveGeometryLayer>> layers(nbLayer);
  // Read last layer first, as written.
  for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
    std::uint32_t count = 0;
    if (pFile->ReadBitsUpTo(count, 32) != 32 ||
        static_cast<std::uint64_t>(count) * kRecordBits > pFile->GetRemainingBits())
      return 0;
    *layer = std::make_unique<CProgressiveGeometryLayer>();
    for (std::uint32_t r = 0; r < count; r++) {
      std::array<float, 3> p{};
      for (float& x : p)
        x = pFile->ReadFloat();
      (*layer)->Add(CProgressiveVertexRecord()).SetPosition(p);
    }
  }
  if (pFile->IsPastEnd())
    return 0;
  m_LayerGeometry = std::move(layers);
  return 1;
}
