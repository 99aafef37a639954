#include "compression/PositionEncoder.h"

#include "app/objects/VertexSet3d.h"
#include "coding/OBitStream.h"
#include "compression/GateCodes.h"
#include "compression/GateStream.h"
#include "compression/VertexRun.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <cmath>
#include <memory>

int CPositionEncoder::TakeInput(const CVertexRun* pRun)
{
  ResizeArrays(static_cast<int>(m_NbVertex));
  for (int i = 0; i < static_cast<int>(m_NbVertex); i++)
    for (int axis = 0; axis < 3; axis++) {
      const float value = pRun->GetVertex(i)->Get(axis);
      if (!std::isfinite(value))
        return 0;
      m_Input[axis][static_cast<size_t>(i)] = value;
    }
  return 1;
}

// The largest step between consecutive neighbours. Without one on an axis, the largest step
// of all stands in, and 1 when the axis does not move at all: a zero scale cannot divide.
void CPositionEncoder::ComputeScales(const CVertexRun* pRun)
{
  for (int axis = 0; axis < 3; axis++) {
    const std::vector<float>& o = m_Input[axis];
    double neighbours = 0.0;
    double any = 0.0;
    for (int i = 4; i < static_cast<int>(m_NbVertex); i++) {
      const double step = std::fabs(static_cast<double>(o[static_cast<size_t>(i)]) - o[static_cast<size_t>(i - 1)]);
      any = std::fmax(any, step);
      if (pRun->GetVertex(i - 1)->IsNeighbor(pRun->GetVertex(i)))
        neighbours = std::fmax(neighbours, step);
    }
    const double scale = neighbours > 0.0 ? neighbours : (any > 0.0 ? any : 1.0);
    m_Scale[axis] = static_cast<float>(scale);
    if (!(m_Scale[axis] > 0.0f)) // a step below the smallest float
      m_Scale[axis] = 1.0f;
  }
}

float CPositionEncoder::Quantize(double base, double residual, double factor, int axis)
{
  const double levels = Levels();
  const double f = residual / m_Scale[axis] * levels;
  const double a = std::fabs(f);
  const auto q = static_cast<unsigned int>(a <= levels ? static_cast<double>(Round(a)) : levels);
  m_Remainders.push_back(q);
  m_Signs.push_back(f < 0.0 ? 1 : 0);
  return Dequantize(base, q, m_Signs.back(), factor, axis);
}

void CPositionEncoder::CodeVertex(int i)
{
  const auto at = static_cast<size_t>(i);
  double o[3];
  double d[3] = {0.0, 0.0, 0.0};
  bool within[3] = {true, true, true};
  double m = 0.0;
  for (int axis = 0; axis < 3; axis++) {
    o[axis] = m_Input[axis][at];
    for (unsigned int c = LINEAR; c <= PREVIOUS; c++) {
      const double e = o[axis] - Predict(c, axis, i);
      d[c] += e * e;
      within[c] = within[c] && (c == PREVIOUS ? std::fabs(e) <= m_Scale[axis] : std::fabs(e) < m_Scale[axis]);
    }
    m = std::fmax(m, std::fabs((o[axis] - Predict(PREVIOUS, axis, i)) / m_Scale[axis]));
  }
  unsigned int choice = PREVIOUS;
  if (!within[PREVIOUS])
    choice = CUT;
  else if (d[LINEAR] <= d[PARALLELOGRAM] && d[LINEAR] <= d[PREVIOUS] && within[LINEAR])
    choice = LINEAR;
  else if (d[PARALLELOGRAM] <= d[LINEAR] && d[PARALLELOGRAM] <= d[PREVIOUS] && within[PARALLELOGRAM])
    choice = PARALLELOGRAM;
  m_Choices.push_back(choice);

  if (choice != CUT) {
    for (int axis = 0; axis < 3; axis++) {
      const double p = Predict(choice, axis, i);
      m_Rebuilt[axis][at] = Quantize(p, o[axis] - p, 1.0, axis);
    }
    return;
  }
  const double ceiling = std::ceil(m);
  const unsigned int cut = ceiling < 2.0 ? 2 : (ceiling > MaxCut ? MaxCut : static_cast<unsigned int>(ceiling));
  m_Cuts.push_back(cut);
  for (int axis = 0; axis < 3; axis++) {
    const double p = Predict(PREVIOUS, axis, i);
    m_Rebuilt[axis][at] = Quantize(p, (o[axis] - p) / cut, cut, axis);
  }
  for (int axis = 0; axis < 3; axis++) {
    const double r = m_Rebuilt[axis][at];
    m_Rebuilt[axis][at] = Quantize(r, o[axis] - r, 1.0, axis);
  }
}

void CPositionEncoder::ComputeRefinement()
{
  const int n = static_cast<int>(m_NbVertex);
  for (int axis = 0; axis < 3; axis++) {
    std::vector<float> errors;
    for (int i = 4; i < n; i++)
      errors.push_back(m_Input[axis][static_cast<size_t>(i)] - m_Rebuilt[axis][static_cast<size_t>(i)]);
    m_RefinementScale[axis] = GetMaxAbs(errors.data(), static_cast<int>(errors.size()));
    for (const float e : errors) {
      double rest = m_RefinementScale[axis] > 0.0f ? std::fabs(e) / m_RefinementScale[axis] : 0.0;
      unsigned int order = NbPlane;
      unsigned int bits = 0;
      for (int b = 0; b < NbPlane; b++) {
        const double threshold = std::ldexp(1.0, -(b + 1));
        if (rest > threshold) {
          rest -= threshold;
          bits |= 1u << b;
          order = order == NbPlane ? static_cast<unsigned int>(b) : order;
        }
      }
      m_RefinementSigns.push_back(e < 0.0f ? 1 : 0);
      m_RefinementOrders.push_back(order);
      m_RefinementPlanes.push_back(bits);
    }
  }
}

int CPositionEncoder::WritePositions(COBitStream& file) const
{
  int ok = 1;
  const unsigned int maxCut = m_Cuts.empty() ? 0 : gate::MaxCode(m_Cuts);
  file.WriteBits(static_cast<std::uint32_t>(maxCut), 16);
  if (maxCut != 0) {
    std::vector<unsigned int> cuts;
    for (const unsigned int cut : m_Cuts)
      cuts.push_back(cut - 2);
    ok &= gate::WriteCodes(file, cuts, static_cast<int>(maxCut - 1), 0);
  }
  ok &= gate::WriteCodes(file, m_Choices, 4, 0);
  for (const unsigned int sign : m_Signs)
    file.WriteBits(sign, 1);
  const int shift = RemainderShift();
  std::vector<unsigned int> high;
  for (const unsigned int q : m_Remainders)
    high.push_back(q >> shift);
  ok &= gate::WriteCodes(file, high, static_cast<int>(static_cast<std::uint64_t>(Levels()) >> shift) + 1, 0);
  for (const unsigned int q : m_Remainders)
    file.WriteBits(q, shift);
  return ok;
}

int CPositionEncoder::WriteRefinement(COBitStream& file) const
{
  for (const float scale : m_RefinementScale)
    file.WriteFloat(scale);
  for (const unsigned int sign : m_RefinementSigns)
    file.WriteBits(sign, 1);
  const unsigned int maxOrder = gate::MaxCode(m_RefinementOrders);
  file.WriteBits(maxOrder, 8);
  int ok = gate::WriteCodes(file, m_RefinementOrders, static_cast<int>(maxOrder) + 1, 0);
  for (int b = 0; b < NbPlane; b++)
    for (size_t k = 0; k < m_RefinementPlanes.size(); k++)
      if (b > static_cast<int>(m_RefinementOrders[k]))
        file.WriteBits((m_RefinementPlanes[k] >> b) & 1, 1);
  return ok;
}

void CPositionEncoder::ShowErrors(CSceneGraph3d* pSceneGraph, const CVertexRun* pRun) const
{
  auto pSet = std::make_unique<CVertexSet3d>();
  const CColor red(255, 0, 0);
  for (int i = 4; i < static_cast<int>(m_NbVertex); i++) {
    float error = 0.0f;
    for (int axis = 0; axis < 3; axis++)
      error = std::fmax(error, std::fabs(m_Input[axis][static_cast<size_t>(i)] - m_Rebuilt[axis][static_cast<size_t>(i)]));
    if (error > 0.0f)
      pSet->AddColoredVertex(new CVertex3d(pRun->GetVertex(i)), &red, error);
  }
  pSceneGraph->Add(pSet.release());
}

float CPositionEncoder::Encode(const char* fileName, COBitStream* bitFile, const CVertexRun* pRun,
                               int qb, int movingMean, int refinementBits,
                               CSceneGraph3d* pSceneGraph, int showErrors, CMesh3d* pMesh)
{
  if (!pRun || pRun->NbVertex() < 4 || qb < 1 || qb > MaxQuantizationBits || movingMean < 0 ||
      movingMean > 31)
    return 0.0f;
  m_pMesh = pMesh;
  m_NbVertex = static_cast<std::uint32_t>(pRun->NbVertex());
  m_QuantizationBits = static_cast<std::uint32_t>(qb);
  m_MovingMean = static_cast<std::uint32_t>(movingMean);
  m_RefinementBits = static_cast<std::uint32_t>(refinementBits);
  if (!TakeInput(pRun))
    return 0.0f;
  // Without a stream of the caller's, the file is written whole once it is coded.
  std::unique_ptr<COBitStream> pOwned;
  if (!bitFile) {
    if (!fileName)
      return 0.0f;
    pOwned = std::make_unique<COBitStream>();
    bitFile = pOwned.get();
  }
  if (!bitFile->IsValid())
    return 0.0f;

  for (int axis = 0; axis < 3; axis++)
    for (size_t i = 0; i < 4; i++)
      m_Rebuilt[axis][i] = m_Input[axis][i];
  ComputeScales(pRun);
  for (int i = 4; i < static_cast<int>(m_NbVertex); i++)
    CodeVertex(i);
  ComputeRefinement();

  COBitStream& file = *bitFile;
  m_BitsStart = file.GetTotalBits();
  file.WriteBits(m_NbVertex, 32);
  file.WriteBits(m_QuantizationBits, 5);
  file.WriteBits(m_MovingMean, 5);
  for (size_t i = 0; i < 4; i++)
    for (int axis = 0; axis < 3; axis++)
      file.WriteFloat(m_Input[axis][i]);
  for (const float scale : m_Scale)
    file.WriteFloat(scale);
  m_BitsHeader = file.GetTotalBits();
  int ok = WritePositions(file);
  m_BitsRemainders = file.GetTotalBits();
  ok &= WriteRefinement(file);
  m_BitsPlanes = file.GetTotalBits();
  if (pOwned && file.GetBitIndex() != 7)
    file.Flush(0);
  file.FlushStream();
  if (!ok || !file.IsValid() || (pOwned && !pOwned->WriteFile(fileName)))
    return 0.0f;

  if (pSceneGraph && showErrors)
    ShowErrors(pSceneGraph, pRun);
  const double faces = pMesh ? pMesh->NbFace() : 2.0 * m_NbVertex;
  m_Ratio = static_cast<float>((m_BitsRemainders - m_BitsStart) / (faces > 0 ? faces : 1.0));
  return m_Ratio;
}
