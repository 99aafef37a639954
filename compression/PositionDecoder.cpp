#include "compression/PositionDecoder.h"

#include "coding/IBitFile.h"
#include "compression/GateCodes.h"
#include "compression/GateStream.h"
#include "mesh/Mesh3d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

int CPositionDecoder::ReadHeader(CIBitStream& file)
{
  m_NbVertex = file.BReadBits(32);
  m_QuantizationBits = file.BReadBits(5);
  m_MovingMean = file.BReadBits(5);
  if (!m_pMesh || m_NbVertex < 4 || m_NbVertex != static_cast<std::uint32_t>(m_pMesh->NbVertex()) ||
      m_QuantizationBits < 1)
    return 0;
  ResizeArrays(static_cast<int>(m_NbVertex));
  for (size_t i = 0; i < 4; i++)
    for (int axis = 0; axis < 3; axis++) {
      m_Input[axis][i] = file.ReadFloat();
      m_Rebuilt[axis][i] = m_Input[axis][i];
    }
  for (float& scale : m_Scale) {
    scale = file.ReadFloat();
    if (!(scale > 0.0f) || !std::isfinite(scale))
      return 0;
  }
  return file.IsPastEnd() ? 0 : 1;
}

int CPositionDecoder::ReadPositions(CIBitStream& file)
{
  const std::size_t nbCoded = m_NbVertex - 4;
  const std::uint32_t maxCut = file.BReadBits(16);
  if (maxCut == 1 || maxCut > MaxCut)
    return 0;
  if (maxCut != 0) {
    if (!gate::ReadCodes(file, static_cast<int>(maxCut - 1), 0, nbCoded, &m_Cuts) || m_Cuts.empty())
      return 0;
    for (unsigned int& cut : m_Cuts)
      cut += 2;
  }
  if (!gate::ReadCodes(file, 4, 0, nbCoded, &m_Choices) || m_Choices.size() != nbCoded ||
      gate::CountCode(m_Choices, CUT) != static_cast<int>(m_Cuts.size()))
    return 0;
  const std::size_t nbRemainder = 3 * nbCoded + 3 * m_Cuts.size();
  for (std::size_t k = 0; k < nbRemainder; k++)
    m_Signs.push_back(static_cast<unsigned int>(file.ReadBit()));
  const int shift = RemainderShift();
  const auto top = static_cast<std::uint64_t>(Levels());
  if (!gate::ReadCodes(file, static_cast<int>(top >> shift) + 1, 0, nbRemainder, &m_Remainders) ||
      m_Remainders.size() != nbRemainder)
    return 0;
  for (unsigned int& q : m_Remainders) {
    q = (q << shift) | file.BReadBits(shift);
    if (q > top)
      return 0;
  }
  if (file.IsPastEnd())
    return 0;
  std::size_t index = 0;
  std::size_t cut = 0;
  for (int i = 4; i < static_cast<int>(m_NbVertex); i++) {
    const unsigned int choice = m_Choices[static_cast<size_t>(i - 4)];
    RebuildVertex(i, choice, choice == CUT ? m_Cuts[cut++] : 0, &index);
  }
  return 1;
}

int CPositionDecoder::ReadRefinement(CIBitStream& file, int level)
{
  const std::size_t perAxis = m_NbVertex - 4;
  const std::size_t nbError = 3 * perAxis;
  for (float& scale : m_RefinementScale) {
    scale = file.ReadFloat();
    if (!(scale >= 0.0f) || !std::isfinite(scale))
      return 0;
  }
  for (std::size_t k = 0; k < nbError; k++)
    m_RefinementSigns.push_back(static_cast<unsigned int>(file.ReadBit()));
  const std::uint32_t maxOrder = file.BReadBits(8);
  if (maxOrder > NbPlane ||
      !gate::ReadCodes(file, static_cast<int>(maxOrder) + 1, 0, nbError, &m_RefinementOrders) ||
      m_RefinementOrders.size() != nbError)
    return 0;
  const int planes = level > 1 ? (level < NbPlane ? level : NbPlane) : 0;
  m_RefinementPlanes.assign(nbError, 0);
  for (int b = 0; b < planes; b++)
    for (std::size_t k = 0; k < nbError; k++)
      if (b > static_cast<int>(m_RefinementOrders[k]))
        m_RefinementPlanes[k] |= static_cast<unsigned int>(file.ReadBit()) << b;
  if (file.IsPastEnd())
    return 0;
  for (int axis = 0; axis < 3; axis++)
    for (std::size_t i = 0; i < perAxis; i++) {
      const std::size_t k = axis * perAxis + i;
      const double estimate = RefinementEstimate(m_RefinementOrders[k], m_RefinementPlanes[k], planes);
      const double sign = m_RefinementSigns[k] ? -1.0 : 1.0;
      float& r = m_Rebuilt[axis][i + 4];
      r = static_cast<float>(r + estimate * sign * m_RefinementScale[axis]);
    }
  return 1;
}

int CPositionDecoder::Decode(const char* fileName, CIBitStream* bitFile, CMesh3d* pMesh, int level)
{
  m_pMesh = pMesh;
  std::unique_ptr<CIBitFile> pOwned;
  if (!bitFile) {
    if (!fileName)
      return 0;
    pOwned = std::make_unique<CIBitFile>(fileName);
    bitFile = pOwned.get();
  }
  const std::uint64_t bitsBefore = bitFile->GetRemainingBits();
  if (!bitFile->IsValid() || !ReadHeader(*bitFile) || !ReadPositions(*bitFile))
    return 0;
  if (level >= 1 && !ReadRefinement(*bitFile, level))
    return 0;
  for (int i = 0; i < static_cast<int>(m_NbVertex); i++)
    pMesh->GetVertex(i)->Set(m_Rebuilt[0][static_cast<size_t>(i)], m_Rebuilt[1][static_cast<size_t>(i)],
                             m_Rebuilt[2][static_cast<size_t>(i)]);
  pMesh->SetModified();
  // A decoded stream holds at least its header, so a success is never 0.
  const std::uint64_t bitsRead = bitsBefore - bitFile->GetRemainingBits();
  return static_cast<int>(std::min<std::uint64_t>(bitsRead, std::numeric_limits<int>::max()));
}
