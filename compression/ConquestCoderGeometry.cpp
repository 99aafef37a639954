#include "compression/ConquestCoder.h"

#include "coding/OBitStream.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"

#include <algorithm>

int CConquestCoder::ProcessRange()
{
  for (int i = 0; i < 6; i += 2) {
    m_Range[i] = 1.7e308;
    m_Range[i + 1] = -1.7e308;
  }
  for (const auto& pPatch : m_Patches) {
    pPatch->GetFace()->CalculateNormal();
    pPatch->GetPrev()->CopyToSecondSet();
    pPatch->GetGate()->CopyToSecondSet();
    pPatch->GetThird()->CopyToSecondSet();
    pPatch->Compute(m_Normalization);
    const double values[3] = {pPatch->GetAlpha(), pPatch->GetBeta(), pPatch->GetN()};
    for (int k = 0; k < 3; k++) {
      m_Range[2 * k] = std::min(m_Range[2 * k], values[k]);
      m_Range[2 * k + 1] = std::max(m_Range[2 * k + 1], values[k]);
    }
  }
  return 1;
}

int CConquestCoder::QuantizeParameters(int normalization)
{
  const size_t n = m_Patches.size();
  m_ParameterCodes.assign(2 * n, 0);
  m_NormalCodes.assign(n, 0);
  // In conquest order, so that each frame stands on positions already reconstructed.
  for (size_t i = 0; i < n; i++) {
    CConquestPatch3d* pPatch = m_Patches[i].get();
    pPatch->Compute(normalization);
    const auto qa = CConquestPatch3d::Quantize(pPatch->GetAlpha(), m_Range[0], m_Range[1], m_ParameterBits);
    const auto qb = CConquestPatch3d::Quantize(pPatch->GetBeta(), m_Range[2], m_Range[3], m_ParameterBits);
    const auto qn = CConquestPatch3d::Quantize(pPatch->GetN(), m_Range[4], m_Range[5], m_NormalBits);
    m_ParameterCodes[2 * i] = static_cast<unsigned int>(qa);
    m_ParameterCodes[2 * i + 1] = static_cast<unsigned int>(qb);
    m_NormalCodes[i] = static_cast<unsigned int>(qn);
    pPatch->SetQuantized(qa, qb, qn);
    const double alpha = CConquestPatch3d::Dequantize(qa, m_Range[0], m_Range[1], m_ParameterBits);
    const double beta = CConquestPatch3d::Dequantize(qb, m_Range[2], m_Range[3], m_ParameterBits);
    const double distance = CConquestPatch3d::Dequantize(qn, m_Range[4], m_Range[5], m_NormalBits) *
                            pPatch->GetScale(normalization);
    pPatch->Reconstruct(alpha, beta, distance);
  }
  return 1;
}

int CConquestCoder::EncodeGeometry()
{
  // Refused before the file is made: the range coder's alphabet holds 4095 symbols.
  if (!FitsRangeCoder(GetMaxValue(m_NormalCodes)) || !FitsRangeCoder(GetMaxValue(m_ParameterCodes)))
    return 0;
  COBitStream file;
  const int normals = EncodeRange(m_NormalCodes, &file);
  file.Flush(0);
  const int parameters = EncodeRange(m_ParameterCodes, &file);
  file.Flush(0);
  if (!normals || !parameters || !file.WriteFile("pos.bin"))
    return 0;
  if (m_pGeometryRate)
    *m_pGeometryRate = static_cast<float>(static_cast<double>(file.GetTotalBits()) / m_pMesh->NbFace());
  return 1;
}
