#pragma once

#include "mesh/Object3d.h"

#include <array>

// A chart of sixteen drawing styles: a 4 x 4 grid of randomly turned spheres, each with its
// own polygon mode, lighting switch and colour, drawn in normalised device coordinates over
// whatever the view shows. Each drawing enlarges the spheres a step until they reach a limit.
class CVisualModeObject : public CObject3d
{
public:
  struct SCell
  {
    float x;
    float y;
    unsigned mode; // GL_POINT, GL_LINE or GL_FILL
    bool lighting;
    unsigned char r, g, b;
  };
  static const std::array<SCell, 16> kCells;
  static constexpr double kStartRadius = 0.01;
  static constexpr double kRadiusLimit = 0.15;
  static constexpr double kRadiusStep = 0.005;

  // The field of view (degrees) and aspect of the view that shows the chart; 64 values of
  // the shared generator turn the spheres.
  CVisualModeObject(double fovy, double aspect);

  int GetType() const override { return TYPE_VISUALMODE; }
  // Draws the chart into the current context, leaving the projection of the view (at the
  // viewport's current aspect), an identity modelview and the caller's polygon modes and
  // lighting switch.
  int Draw() override;

  double GetRadius() const { return m_Radius; }
  double GetFovy() const { return m_Fovy; }
  double GetAspect() const { return m_Aspect; }
  const std::array<double, 64>& GetRandomValues() const { return m_Random; }

private:
  void DrawCells() const;
  void RestoreProjection() const;

  double m_Fovy;
  double m_Aspect;
  double m_Radius = kStartRadius;
  std::array<double, 64> m_Random{};
};
