#include "compression/PositionCoder.h"

#include <cmath>

float CPositionCoder::GetMax(const float* values, int n)
{
  float max = n > 0 ? values[0] : 0.0f;
  for (int i = 1; i < n; i++)
    max = values[i] > max ? values[i] : max;
  return max;
}

float CPositionCoder::GetMaxAbs(const float* values, int n)
{
  float max = 0.0f;
  for (int i = 0; i < n; i++)
    max = std::fabs(values[i]) > max ? std::fabs(values[i]) : max;
  return max;
}

float CPositionCoder::GetMin(const float* values, int n)
{
  float min = n > 0 ? values[0] : 0.0f;
  for (int i = 1; i < n; i++)
    min = values[i] < min ? values[i] : min;
  return min;
}

void CPositionCoder::ResizeArrays(int nbVertex)
{
  for (int axis = 0; axis < 3; axis++) {
    m_Input[axis].assign(static_cast<size_t>(nbVertex), 0.0f);
    m_Rebuilt[axis].assign(static_cast<size_t>(nbVertex), 0.0f);
  }
  m_Choices.clear();
  m_Cuts.clear();
  m_Remainders.clear();
  m_Signs.clear();
  m_RefinementSigns.clear();
  m_RefinementOrders.clear();
  m_RefinementPlanes.clear();
}

double CPositionCoder::Predict(unsigned int choice, int axis, int i) const
{
  const std::vector<float>& r = m_Rebuilt[axis];
  const auto at = [&r](int k) { return static_cast<double>(r[static_cast<size_t>(k)]); };
  switch (choice) {
  case LINEAR:
    return 2.0 * at(i - 1) - at(i - 2);
  case PARALLELOGRAM:
    return at(i - 1) + at(i - 2) - at(i - 3);
  default:
    return at(i - 1);
  }
}

float CPositionCoder::Dequantize(double base, unsigned int q, unsigned int negative,
                                 double factor, int axis) const
{
  const double s = negative ? -1.0 : 1.0;
  return static_cast<float>(base + factor * s * static_cast<double>(q) * m_Scale[axis] / Levels());
}

void CPositionCoder::RebuildVertex(int i, unsigned int choice, unsigned int cut,
                                   std::size_t* pIndex)
{
  const auto at = static_cast<size_t>(i);
  const double factor = choice == CUT ? static_cast<double>(cut) : 1.0;
  for (int axis = 0; axis < 3; axis++, (*pIndex)++)
    m_Rebuilt[axis][at] = Dequantize(Predict(choice, axis, i), m_Remainders[*pIndex],
                                     m_Signs[*pIndex], factor, axis);
  if (choice != CUT)
    return;
  for (int axis = 0; axis < 3; axis++, (*pIndex)++)
    m_Rebuilt[axis][at] = Dequantize(m_Rebuilt[axis][at], m_Remainders[*pIndex],
                                     m_Signs[*pIndex], 1.0, axis);
}

double CPositionCoder::RefinementEstimate(unsigned int order, unsigned int bits, int planes)
{
  if (order >= NbPlane)
    return 0.0;
  if (planes <= 0)
    return std::ldexp(1.0, -static_cast<int>(order + 1)) + std::ldexp(1.0, -static_cast<int>(order + 2));
  double sum = 0.0;
  for (int b = static_cast<int>(order); b < NbPlane; b++) {
    const bool read = b > static_cast<int>(order) && b < planes;
    const bool assumed = b == static_cast<int>(order) || b == static_cast<int>(order) + 1;
    const bool one = read ? ((bits >> b) & 1) != 0 : assumed;
    if (one)
      sum += std::ldexp(1.0, -(b + 1));
  }
  return sum != 0.0 ? sum + std::ldexp(1.0, -(NbPlane + 1)) : 0.0;
}
