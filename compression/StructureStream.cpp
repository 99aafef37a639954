#include "compression/StructureCoder.h"

#include "coding/IBitFile.h"
#include "coding/FrequencyModel.h"
#include "coding/OBitFile.h"
#include "compression/GateStream.h"
#include "platform/core/Format.h"

#include <algorithm>

namespace {
constexpr unsigned int MaxCode = 255;
constexpr unsigned int MaxOffset = 65536;
constexpr unsigned int MaxGhostDegree = 65535;

std::string Report(float bitsPerFace, double duration, int nbFace, int nbCode, int nbOffset)
{
  const bool minutes = duration >= 60.0;
  std::string text = platform::Format("Cost       : %g bit(s)/face\r\n", bitsPerFace);
  text += platform::Format("Duration   : %g %s\r\n", minutes ? duration / 60.0 : duration,
                           minutes ? "min(s)" : "sec(s)");
  text += platform::Format("Speed     : %g faces/s\r\n",
                           duration > 0.0 ? nbFace / duration : 0.0);
  text += platform::Format("Nb faces   : %d faces\r\n", nbFace);
  text += platform::Format("Nb degrees : %d\r\n", nbCode);
  text += platform::Format("Nb offsets : %d\r\n", nbOffset);
  return text;
}
} // namespace

int CStructureCoder::WriteStream(COBitStream* pStream, int nbVertex) const
{
  const unsigned int maxCode = GetMax(m_Codes);
  const unsigned int maxOffset = GetMax(m_Offsets);
  if (m_Codes.empty() || maxCode > MaxCode || maxOffset > MaxOffset || nbVertex < 0 ||
      m_GhostDegree > MaxGhostDegree)
    return 0;
  COBitStream& stream = *pStream;
  stream.WriteBits(static_cast<std::uint32_t>(nbVertex), 32);
  const bool hasGhost = m_GhostDegree >= 3;
  stream.WriteBits(hasGhost ? 1 : 0, 1);
  if (hasGhost)
    stream.WriteBits(m_GhostDegree, 16);
  stream.WriteBits(maxCode, 8);
  if (!gate::WriteCodes(stream, m_Codes, static_cast<int>(maxCode) + 1, 0))
    return 0;
  stream.WriteBits(m_Offsets.empty() ? 0 : 1, 1);
  if (!m_Offsets.empty()) {
    stream.WriteBits(maxOffset - 1, 16);
    std::vector<unsigned int> shifted;
    shifted.reserve(m_Offsets.size());
    for (const unsigned int offset : m_Offsets)
      shifted.push_back(offset - 1);
    if (!gate::WriteCodes(stream, shifted, static_cast<int>(maxOffset), 0))
      return 0;
    for (const unsigned int sign : m_Signs)
      stream.WriteBits(sign, 1);
  }
  stream.Flush(0);
  return 1;
}

int CStructureCoder::ArithmeticCoding(const char* fileName, int nbVertex, int nbFace,
                                      double duration, SResult* pResult) const
{
  // Coded in memory, written to the file once.
  COBitStream stream;
  return CodeStream(&stream, nbVertex, nbFace, duration, pResult) && stream.WriteFile(fileName);
}

int CStructureCoder::CodeStream(COBitStream* pStream, int nbVertex, int nbFace, double duration,
                                SResult* pResult) const
{
  const std::size_t before = pStream->GetBytes().size();
  if (!WriteStream(pStream, nbVertex))
    return 0;
  const long long bits = static_cast<long long>(pStream->GetBytes().size() - before) * 8;
  pResult->m_BitsPerFace = nbFace > 0 ? static_cast<float>(bits) / nbFace : 0.0f;
  pResult->m_NbOffset = static_cast<int>(m_Offsets.size());
  pResult->m_NbGhost = CountValue(m_Codes, 0);
  pResult->m_Duration = duration;
  pResult->m_Report = Report(pResult->m_BitsPerFace, duration, nbFace,
                             static_cast<int>(m_Codes.size()), pResult->m_NbOffset);
  return 1;
}

int CStructureCoder::DecodeBitstream(const char* fileName)
{
  // The file is read once; the codes come from memory.
  CIBitFile file(fileName);
  return file.IsValid() ? ReadStream(&file) : ReadStream(nullptr);
}

int CStructureCoder::ReadStream(CIBitStream* pStream)
{
  if (pStream && ReadBitstream(*pStream))
    return 1;
  m_Codes.clear();
  m_Offsets.clear();
  m_Signs.clear();
  m_GhostDegree = 0;
  m_NbVertexRead = 0;
  return 0;
}

int CStructureCoder::ReadBitstream(CIBitStream& file)
{
  m_Codes.clear();
  m_Offsets.clear();
  m_Signs.clear();
  m_GhostDegree = 0;
  m_NbVertexRead = 0;
  // A code costs at least what the likeliest symbol of a model of total T costs,
  // -log2(1 - 1/T) > 1 / (0.7 T) bits: the file's size bounds the codes, and a conquest has
  // fewer than 16 codes per vertex.
  const std::size_t bits = static_cast<std::size_t>(file.GetRemainingBits());
  const std::size_t maxSymbols = bits * (CFrequencyModel::Total * 7 / 10) + 64;
  const std::uint32_t nbVertex = file.BReadBits(32);
  if (nbVertex > maxSymbols || nbVertex < 3)
    return 0;
  const std::size_t maxCodes = std::min(maxSymbols, 16 * static_cast<std::size_t>(nbVertex) + 64);
  if (file.BReadBits(1)) {
    m_GhostDegree = file.BReadBits(16);
    if (m_GhostDegree < 3)
      return 0;
  }
  const int nbSymbol = static_cast<int>(file.BReadBits(8)) + 1;
  if (file.IsPastEnd() || !gate::ReadCodes(file, nbSymbol, 0, maxCodes, &m_Codes))
    return 0;
  if (m_Codes.size() < 3)
    return 0;
  if (file.BReadBits(1)) {
    const int nbOffsetSymbol = static_cast<int>(file.BReadBits(16)) + 1;
    if (file.IsPastEnd() || !gate::ReadCodes(file, nbOffsetSymbol, 0, maxCodes, &m_Offsets))
      return 0;
    for (unsigned int& offset : m_Offsets)
      offset += 1;
    for (std::size_t i = 0; i < m_Offsets.size(); i++)
      m_Signs.push_back(file.BReadBits(1));
  }
  // One offset per split, two per merge.
  const std::size_t nbSplit = static_cast<std::size_t>(CountValue(m_Codes, 1));
  if (m_Offsets.size() < nbSplit || m_Offsets.size() > 2 * nbSplit)
    return 0;
  if (!gate::ReadPadding(file))
    return 0;
  m_NbVertexRead = static_cast<int>(nbVertex);
  return 1;
}
