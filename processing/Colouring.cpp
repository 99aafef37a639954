// Colours that show a measure (through a ramp, over the range of the mesh) or a label (from
// fixed palettes).
#include "mesh/ColorRamp.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Trace.h"

#include <algorithm>
#include <cstdint>

namespace {

struct SPaletteEntry
{
  std::uint8_t r, g, b;
};

constexpr SPaletteEntry kFlagPalette[10] = {
  {40, 128, 255},  {255, 128, 84}, {128, 255, 128}, {40, 128, 128}, {128, 128, 128},
  {255, 255, 128}, {128, 128, 255}, {255, 128, 192}, {171, 60, 60},  {0, 128, 80}};

constexpr SPaletteEntry kPastelPalette[4] = {
  {255, 255, 100}, {153, 255, 204}, {153, 204, 255}, {255, 204, 255}};

// Entry of a cyclic palette of n entries; negative labels wrap too.
template <int N>
const SPaletteEntry& Cycled(const SPaletteEntry (&palette)[N], int label)
{
  return palette[((label % N) + N) % N];
}

// The range of a measure over the mesh and the ramp index of a value in it. The maximum
// starts at 0, so a range wholly below 0 tops out at 0.
class CMeasureRange
{
public:
  void Add(double s)
  {
    m_Min = std::min(m_Min, s);
    m_Max = std::max(m_Max, s);
  }
  double GetMin() const { return m_Min; }
  double GetMax() const { return m_Max; }
  double GetAmplitude() const { return m_Max - m_Min; }
  // A range with no extent (all values equal, or none taken) maps everything to entry 0.
  int Index(double s) const
  {
    const double amplitude = GetAmplitude();
    if (!(amplitude > 0.0))
      return 0;
    const double t = (s - m_Min) / amplitude * 255.0;
    if (!(t > 0.0))
      return 0;
    return t >= 255.0 ? 255 : static_cast<int>(t);
  }

private:
  double m_Min = 1.7e308;
  double m_Max = 0.0;
};

template <class Element>
void SetRampColor(Element* e, const CColorRamp* pRamp, int index)
{
  e->SetColor(pRamp->Red(index), pRamp->Green(index), pRamp->Blue(index));
}

// Paints the elements that `painted` accepts with the ramp colour of value(e), over the range
// of the elements that `counted` accepts.
template <class Element, class Value, class Counted, class Painted>
void ColorByMeasure(const CArray3d<Element>* pElements, const CColorRamp* pRamp, Value value,
                    Counted counted, Painted painted)
{
  CMeasureRange range;
  for (int i = 0; i < pElements->GetSize(); i++)
    if (counted(pElements->GetAt(i)))
      range.Add(value(pElements->GetAt(i)));
  platform::Trace("  min : %g\n", range.GetMin());
  platform::Trace("  max : %g\n", range.GetMax());
  platform::Trace("  amplitude : %g\n", range.GetAmplitude());
  for (int i = 0; i < pElements->GetSize(); i++) {
    Element* e = pElements->GetAt(i);
    if (painted(e))
      SetRampColor(e, pRamp, range.Index(value(e)));
  }
}

template <class Element>
bool Always(const Element*)
{
  return true;
}

} // namespace

void CMesh3d::ColorCurvature(const CColorRamp* pRamp)
{
  platform::Trace("Start coloring mesh (curvature)\n");
  platform::Trace("  %d vertices\n", NbVertex());
  // Vertices next to the boundary are painted but do not stretch the range.
  ColorByMeasure(
    GetArrayVertex(), pRamp, [](const CVertex3d* v) { return v->GetMaxAngleAround(); },
    [](const CVertex3d* v) { return !v->HasVertexNeighborOnBoundary(); },
    [](const CVertex3d* v) { return !v->IsOnBoundary(); });
  SetModified(1);
  platform::Trace("End coloring mesh (curvature)\n");
}

void CMesh3d::ColorHeight(const CColorRamp* pRamp)
{
  platform::Trace("Start coloring mesh (height)\n");
  platform::Trace("  %d vertices\n", NbVertex());
  ColorByMeasure(
    GetArrayVertex(), pRamp, [](const CVertex3d* v) { return static_cast<double>(v->y()); },
    Always<CVertex3d>, Always<CVertex3d>);
  SetModified(1);
  platform::Trace("End coloring mesh (height)\n");
}

void CMesh3d::ColorNormalSpace(const CColorRamp* pRamp)
{
  platform::Trace("Start coloring mesh (space of normals)\n");
  platform::Trace("  %d vertices\n", NbVertex());
  ColorByMeasure(
    GetArrayVertex(), pRamp, [](const CVertex3d* v) { return v->GetMaxCurveAround(); },
    Always<CVertex3d>, Always<CVertex3d>);
  SetModified(1);
  platform::Trace("End coloring mesh (space of normals)\n");
}

void CMesh3d::ColorCompacity(const CColorRamp* pRamp)
{
  platform::Trace("Start coloring mesh (compacity)\n");
  platform::Trace("  %d face(s)\n", NbFace());
  ColorByMeasure(
    GetArrayFace(), pRamp, [](const CFace3d* f) { return f->Compacity(); }, Always<CFace3d>,
    Always<CFace3d>);
  SetModified(1);
  platform::Trace("End coloring mesh (compacity)\n");
}

double CMesh3d::MeanCompacity() const
{
  if (NbFace() == 0)
    return 0.0;
  double sum = 0.0;
  for (int i = 0; i < NbFace(); i++)
    sum += GetFace(i)->Compacity();
  return sum / NbFace();
}

double CMesh3d::MinCompacity() const
{
  double best = 1e38;
  for (int i = 0; i < NbFace(); i++)
    best = std::min(best, GetFace(i)->Compacity());
  return best;
}

void CMesh3d::ColorFacesByFlagPalette()
{
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const SPaletteEntry& c = Cycled(kFlagPalette, f->GetFlag());
    f->SetColor(c.r, c.g, c.b);
  }
  SetModified(1);
}

void CMesh3d::ColorFacesByFlagRamp()
{
  // With no positive flag every face is black rather than a division by zero.
  const int m = GetMaxFaceFlag();
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    const long long level =
      m > 0 ? static_cast<long long>(static_cast<double>(f->GetFlag()) / m * 255.0) : 0;
    const auto g = static_cast<std::uint8_t>(level & 0xFF);
    f->SetColor(g, g, g);
  }
  SetModified(1);
}

void CMesh3d::ColorFacesByRibbon(int /*unused*/)
{
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (f->GetRibbon() <= 0)
      continue;
    const SPaletteEntry& c = Cycled(kPastelPalette, f->GetRibbon());
    f->SetColor(c.r, c.g, c.b);
  }
  SetModified(1);
}

void CMesh3d::ColorVerticesByFlagCycled(int /*unused*/)
{
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (v->GetRibbon() <= 0)
      continue;
    const SPaletteEntry& c = Cycled(kPastelPalette, v->GetRibbon());
    v->SetColor(c.r, c.g, c.b);
  }
  SetModified(1);
}

void CMesh3d::ColorFacesByFlagRampB(const CColorRamp* pRamp)
{
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (f->GetFlag() >= 0 && f->GetFlag() <= 255)
      SetRampColor(f, pRamp, f->GetFlag());
  }
  SetModified(1);
}

void CMesh3d::ColorFacesWithFlag(int flag, const CColor* pColor)
{
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->GetFlag() == flag)
      GetFace(i)->SetColor(pColor);
  SetModified(1);
}

void CMesh3d::ColorFacesByValence(int n, int valence, std::uint8_t r, std::uint8_t g,
                                  std::uint8_t b)
{
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    int count = 0;
    for (int k = 0; k < 3; k++)
      count += (f->v(k) && f->v(k)->NbVertexNeighbor() == valence) ? 1 : 0;
    if (count == n)
      f->SetColor(r, g, b);
  }
  SetModified(1);
}
