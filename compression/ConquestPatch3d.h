#pragma once

#include "mesh/Vector3d.h"
#include "mesh/Vertex3d.h"

#include <cstdint>

class CFace3d;

// Geometry record of one vertex conquered as a free vertex: the vertex in the local frame of
// the conquered triangle beside the gate edge, as two in-plane parameters (alpha along u,
// beta along v) and a signed distance n to the triangle's plane. The frame reads the SECOND
// positions of prev, gate and third (reconstructed ones where they exist); the projection and
// the distance read the new vertex's true position.
class CConquestPatch3d
{
public:
  // Normalizations of the frame: how u and v are scaled, and what n is divided by.
  enum : int { NormNothing = 0, NormUnitary = 1, NormPerimeter = 2, NormEdgeLength = 3, NormArea = 4 };

  CConquestPatch3d() = default;
  CConquestPatch3d(const CConquestPatch3d&) = delete;
  CConquestPatch3d& operator=(const CConquestPatch3d&) = delete;

  void Set(CVertex3d* pPrev, CVertex3d* pGate, CVertex3d* pThird, CVertex3d* pNewVertex,
           CFace3d* pFace);

  // The frame steps, in the order that Compute runs them (the plane computes the normal).
  void ComputeNormal();
  void ComputePlane();
  void ComputeFrame(int normalization);
  void ComputeOrigin();
  void ProjectOnPlane();
  void ComputeParameters(int normalization);
  void Compute(int normalization);

  // What n is divided by under the normalization: the perimeter, edge length or area of
  // the reference triangle, 1 for the others, and 1 when that measure is 0.
  double GetScale(int normalization) const;
  // The new vertex's second position from dequantized parameters (n' in mesh units).
  void Reconstruct(double alpha, double beta, double n);

  void SetQuantized(double alpha, double beta, double n)
  {
    m_QuantizedAlpha = alpha;
    m_QuantizedBeta = beta;
    m_QuantizedN = n;
  }

  CVertex3d* GetPrev() const { return m_pPrev; }
  CVertex3d* GetGate() const { return m_pGate; }
  CVertex3d* GetThird() const { return m_pThird; }
  CVertex3d* GetNewVertex() const { return m_pNewVertex; }
  CFace3d* GetFace() const { return m_pFace; }
  const CVector3d& GetU() const { return m_u; }
  const CVector3d& GetV() const { return m_v; }
  const CVector3d& GetNormal() const { return m_Normal; }
  const CVertex3d& GetOrigin() const { return m_Origin; }
  const CVertex3d& GetProjection() const { return m_Projection; }
  double GetAlpha() const { return m_Alpha; }
  double GetBeta() const { return m_Beta; }
  double GetN() const { return m_n; }
  double GetQuantizedAlpha() const { return m_QuantizedAlpha; }
  double GetQuantizedBeta() const { return m_QuantizedBeta; }
  double GetQuantizedN() const { return m_QuantizedN; }

  // Uniform quantizer on 2^bits - 1 steps: values at or beyond a bound give its end code,
  // halves round up.
  static std::int32_t Quantize(double x, double min, double max, int bits);
  static double Dequantize(std::int32_t code, double min, double max, int bits);

private:
  CVector3d m_u;
  CVector3d m_w;
  CVector3d m_e;
  CVector3d m_v;
  CVector3d m_Normal;
  CVertex3d* m_pPrev = nullptr;
  CVertex3d* m_pGate = nullptr;
  CVertex3d* m_pThird = nullptr;
  CVertex3d m_Origin;
  CVertex3d* m_pNewVertex = nullptr;
  CVertex3d m_Projection;
  CFace3d* m_pFace = nullptr;
  float m_a = 0.0f;
  float m_b = 0.0f;
  float m_c = 0.0f;
  float m_d = 0.0f;
  double m_Alpha = 0.0;
  double m_Beta = 0.0;
  double m_n = 0.0;
  double m_QuantizedAlpha = 0.0;
  double m_QuantizedBeta = 0.0;
  double m_QuantizedN = 0.0;
  float m_Perimeter = 0.0f;
  float m_Area = 0.0f;
  float m_EdgeLength = 0.0f;
};
