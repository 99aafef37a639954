#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CMesh3d;

// What the position encoder and decoder share: the stream's fields, the working arrays and
// the arithmetic that rebuilds a position from its prediction and remainders, so that both
// sides compute the very same floats.
//
// Stream: nV (32 bits), qb (5), moving mean (5), vertices 0-3 as raw floats, the three scales,
// maxCut (16) and the cuts minus 2 (range coded, only when maxCut is not 0), the predictor
// choices (range coded, 4 symbols), one sign bit per remainder, the remainders (range coded);
// then the refinement: three scales, one sign bit per error, maxOrder (8), the orders (range
// coded) and 16 bitplanes of the errors, each bit sent only below its error's first 1 bit.
// The range coder takes at most 4095 data symbols: with qb above 11 the remainders' high 11
// bits are range coded and their qb - 11 low bits follow as raw bits.
class CPositionCoder
{
public:
  CPositionCoder() = default;

  CPositionCoder(const CPositionCoder&) = delete;
  CPositionCoder& operator=(const CPositionCoder&) = delete;

  static constexpr int NbPlane = 16;
  // Cuts above this do not fit the range coder; larger jumps are left to the refinement.
  static constexpr unsigned int MaxCut = 4096;
  static constexpr int MaxCodedBits = 11;
  static constexpr int MaxQuantizationBits = 31;
  enum EChoice : unsigned int { LINEAR = 0, PARALLELOGRAM = 1, PREVIOUS = 2, CUT = 3 };

  std::uint32_t GetNbVertex() const { return m_NbVertex; }
  std::uint32_t GetQuantizationBits() const { return m_QuantizationBits; }
  float GetScale(int axis) const { return m_Scale[axis]; }
  float GetRefinementScale(int axis) const { return m_RefinementScale[axis]; }
  float GetRatio() const { return m_Ratio; }
  const std::vector<unsigned int>& GetChoices() const { return m_Choices; }
  const std::vector<unsigned int>& GetCuts() const { return m_Cuts; }
  const std::vector<unsigned int>& GetRemainders() const { return m_Remainders; }
  const std::vector<unsigned int>& GetRefinementOrders() const { return m_RefinementOrders; }
  // Rebuilt coordinates before the refinement.
  float GetRebuilt(int axis, int i) const { return m_Rebuilt[axis][static_cast<size_t>(i)]; }
  std::uint32_t GetBitsAfterHeader() const { return m_BitsHeader; }
  std::uint32_t GetBitsAfterRemainders() const { return m_BitsRemainders; }
  std::uint32_t GetBitsAfterPlanes() const { return m_BitsPlanes; }

  // Largest, largest absolute and smallest value; 0 for an empty buffer.
  static float GetMax(const float* values, int n);
  static float GetMaxAbs(const float* values, int n);
  static float GetMin(const float* values, int n);

protected:
  // L = 2^qb - 1.
  double Levels() const { return static_cast<double>((std::uint64_t(1) << m_QuantizationBits) - 1); }
  int RemainderShift() const
  {
    return m_QuantizationBits > MaxCodedBits ? static_cast<int>(m_QuantizationBits) - MaxCodedBits : 0;
  }
  void ResizeArrays(int nbVertex);
  // Prediction of vertex i's coordinate from the rebuilt ones.
  double Predict(unsigned int choice, int axis, int i) const;
  // base + sign · q · scale / L · factor, as the float both sides store.
  float Dequantize(double base, unsigned int q, unsigned int negative, double factor,
                   int axis) const;
  // Vertex i from its choice and cut, taking its remainders from *pIndex on.
  void RebuildVertex(int i, unsigned int choice, unsigned int cut, std::size_t* pIndex);
  // Estimate in [0, 1] of an error of that order from the planes below 'planes' (bit b of
  // bits is plane b).
  static double RefinementEstimate(unsigned int order, unsigned int bits, int planes);

  CMesh3d* m_pMesh = nullptr;
  float m_Scale[3] = {0.0f, 0.0f, 0.0f};
  float m_RefinementScale[3] = {0.0f, 0.0f, 0.0f};
  std::vector<unsigned int> m_Remainders;
  std::vector<unsigned int> m_Signs;
  std::vector<unsigned int> m_Cuts;
  std::vector<unsigned int> m_RefinementSigns;
  std::vector<unsigned int> m_RefinementOrders;
  std::vector<unsigned int> m_RefinementPlanes; // bit b: plane b of the error
  std::uint32_t m_MovingMean = 0;
  std::uint32_t m_QuantizationBits = 0;
  std::uint32_t m_RefinementBits = 0;
  std::uint32_t m_NbVertex = 0;
  float m_Ratio = 0.0f;
  std::uint32_t m_BitsStart = 0;
  std::uint32_t m_BitsHeader = 0;
  std::uint32_t m_BitsRemainders = 0;
  std::uint32_t m_BitsPlanes = 0;
  std::vector<float> m_Input[3];
  std::vector<float> m_Rebuilt[3];
  std::vector<unsigned int> m_Choices;
};
