#include "mesh/Mesh3d.h"

#include <array>
#include <climits>
#include <cmath>

namespace {
template <class T, class Fn>
void ForEach(const CArray3d<T>& array, Fn fn)
{
  for (int i = 0; i < array.GetSize(); i++)
    fn(array[i]);
}

template <class T, class Pred>
int CountIf(const CArray3d<T>& array, Pred pred)
{
  int n = 0;
  ForEach(array, [&](const T* p) { n += pred(p) ? 1 : 0; });
  return n;
}

template <class T, class Pred>
T* FirstIf(const CArray3d<T>& array, Pred pred)
{
  for (int i = 0; i < array.GetSize(); i++)
    if (pred(array[i]))
      return array[i];
  return nullptr;
}

// Smallest or largest ribbon index of the elements; -1 for an empty array.
template <class T, class Better>
int ExtremeRibbon(const CArray3d<T>& array, Better better)
{
  if (array.GetSize() == 0)
    return -1;
  int best = array[0]->GetRibbon();
  ForEach(array, [&](const T* p) {
    if (better(p->GetRibbon(), best))
      best = p->GetRibbon();
  });
  return best;
}

bool Less(int a, int b) { return a < b; }
bool Greater(int a, int b) { return a > b; }
} // namespace

// --- colours -----------------------------------------------------------------------------------

void CMesh3d::SetColorFaces(const CColor* pColor)
{
  ForEach(m_ArrayFace, [pColor](CFace3d* f) { f->SetColor(pColor); });
  m_Modified = 1;
}

void CMesh3d::SetColorFacesRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  const CColor color(r, g, b);
  SetColorFaces(&color);
}

void CMesh3d::SetColorVertices(const CColor* pColor)
{
  ForEach(m_ArrayVertex, [pColor](CVertex3d* v) { v->SetColor(pColor); });
  m_Modified = 1;
}

void CMesh3d::ColorVerticesWithFlag(int flag, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  ForEach(m_ArrayVertex, [=](CVertex3d* v) {
    if (v->GetFlag() == flag)
      v->SetColor(r, g, b);
  });
}

// --- flags, ribbons and marks ------------------------------------------------------------------

void CMesh3d::SetFacesFlag(int flag)
{
  ForEach(m_ArrayFace, [flag](CFace3d* f) { f->SetFlag(flag); });
}

void CMesh3d::SetVerticesFlag(int flag)
{
  ForEach(m_ArrayVertex, [flag](CVertex3d* v) { v->SetFlag(flag); });
}

void CMesh3d::SetVerticesFlagByte(std::uint8_t flag)
{
  ForEach(m_ArrayVertex, [flag](CVertex3d* v) { v->SetByteFlag(flag); });
}

void CMesh3d::SetVerticesMark(int mark)
{
  ForEach(m_ArrayVertex, [mark](CVertex3d* v) { v->SetMark(mark); });
}

void CMesh3d::SetRibbon(int ribbon)
{
  ForEach(m_ArrayVertex, [ribbon](CVertex3d* v) { v->SetRibbon(ribbon); });
  ForEach(m_ArrayFace, [ribbon](CFace3d* f) { f->SetRibbon(ribbon); });
}

int CMesh3d::StoreValences()
{
  ForEach(m_ArrayVertex, [](CVertex3d* v) { v->SetValence(v->NbVertexNeighbor()); });
  return NbVertex();
}

int CMesh3d::GetMaxFaceFlag() const
{
  int best = 0;
  ForEach(m_ArrayFace, [&best](const CFace3d* f) {
    if (f->GetFlag() > best)
      best = f->GetFlag();
  });
  return best;
}

int CMesh3d::GetMinFaceValue() const { return ExtremeRibbon(m_ArrayFace, Less); }
int CMesh3d::GetMaxFaceValue() const { return ExtremeRibbon(m_ArrayFace, Greater); }
int CMesh3d::GetMinVertexLabel() const { return ExtremeRibbon(m_ArrayVertex, Less); }
int CMesh3d::GetMaxVertexLabel() const { return ExtremeRibbon(m_ArrayVertex, Greater); }

CVertex3d* CMesh3d::GetVertexWithFlag(int flag) const
{
  return FirstIf(m_ArrayVertex, [flag](const CVertex3d* v) { return v->GetFlag() == flag; });
}

CFace3d* CMesh3d::GetFaceWithFlag(int flag) const
{
  return FirstIf(m_ArrayFace, [flag](const CFace3d* f) { return f->GetFlag() == flag; });
}

int CMesh3d::CountVerticesWithFlag(int flag) const
{
  return CountIf(m_ArrayVertex, [flag](const CVertex3d* v) { return v->GetFlag() == flag; });
}

int CMesh3d::CountFacesWithFlag(int flag) const
{
  return CountIf(m_ArrayFace, [flag](const CFace3d* f) { return f->GetFlag() == flag; });
}

int CMesh3d::CountVerticesInRibbon(int ribbon) const
{
  return CountIf(m_ArrayVertex, [ribbon](const CVertex3d* v) { return v->GetRibbon() == ribbon; });
}

int CMesh3d::CountVerticesWithValueAndFlag(int ribbon, int flag) const
{
  return CountIf(m_ArrayVertex, [=](const CVertex3d* v) {
    return v->GetRibbon() == ribbon && v->GetFlag() == flag;
  });
}

int CMesh3d::HasVertexWithFlagOtherThan(int flag) const
{
  return FirstIf(m_ArrayVertex, [flag](const CVertex3d* v) { return v->GetFlag() != flag; }) ? 1
                                                                                             : 0;
}

int CMesh3d::GetMinVertexFlagOtherThan(int flag, int* pMin) const
{
  *pMin = INT_MAX;
  int found = 0;
  ForEach(m_ArrayVertex, [&](const CVertex3d* v) {
    if (v->GetFlag() == flag)
      return;
    found = 1;
    if (v->GetFlag() < *pMin)
      *pMin = v->GetFlag();
  });
  return found;
}

CVertex3d* CMesh3d::GetEndVertexWithFlag(int flag) const
{
  CVertex3d* pEnd = nullptr;
  CVertex3d* pLast = nullptr;
  ForEach(m_ArrayVertex, [&](CVertex3d* v) {
    if (v->GetFlag() != flag)
      return;
    pLast = v;
    if (v->NbVertexNeighborWithFlag(flag) == 1)
      pEnd = v;
  });
  return pEnd ? pEnd : pLast;
}

int CMesh3d::HasVertexWithValence(int n) const
{
  return FirstIf(m_ArrayVertex, [n](const CVertex3d* v) { return v->NbVertexNeighbor() == n; })
           ? 1
           : 0;
}

// --- positions, pointers and topology queries --------------------------------------------------

void CMesh3d::ToggleQuantizedPositions()
{
  ForEach(m_ArrayVertex, [](CVertex3d* v) { v->SwapPositions(); });
  m_QuantizedShown = 1 - m_QuantizedShown;
  m_Modified = 1;
}

void CMesh3d::CopyPositionsToSecondSet()
{
  CVertex3d::SetSecondPositions(m_ArrayVertex.GetData(), static_cast<size_t>(NbVertex()),
                                [](const CVertex3d& v) { return std::array<float, 3>{v.x(), v.y(), v.z()}; });
}

void CMesh3d::ClearDataPointers()
{
  ForEach(m_ArrayVertex, [](CVertex3d* v) { v->SetData(nullptr); });
  ForEach(m_ArrayFace, [](CFace3d* f) { f->SetData(nullptr); });
}

CVertex3d* CMesh3d::GetFirstBoundaryVertex() const
{
  return FirstIf(m_ArrayVertex, [](const CVertex3d* v) { return v->IsOnBoundary() != 0; });
}

// A vertex is on the boundary where one of its faces lacks a neighbour at its corner, so a mesh
// none of whose faces lacks one has no boundary vertex. The faces are read in their array first;
// the vertices' test, which reads each vertex's faces, scattered, runs only where one lacks it.
int CMesh3d::HasBoundary() const
{
  const bool linked = !FirstIf(m_ArrayFace, [](const CFace3d* f) {
    return !f->f(0) || !f->f(1) || !f->f(2);
  });
  return !linked && GetFirstBoundaryVertex() ? 1 : 0;
}

double CMesh3d::GetMeanLengthEdgeAround() const
{
  if (NbVertex() == 0)
    return 0.0;
  double sum = 0.0;
  ForEach(m_ArrayVertex, [&sum](const CVertex3d* v) { sum += v->GetMeanLengthEdgeAround(); });
  return sum / NbVertex();
}

void CMesh3d::SwapVertexToIndex(CVertex3d* v, int i)
{
  const int j = IndexFrom(v);
  if (j >= 0)
    m_ArrayVertex.Swap(i, j);
}

double CMesh3d::LoopAlpha(int n)
{
  if (n <= 0)
    return 0.0;
  const float theta = 6.2831855f / static_cast<float>(n);
  const double w = 3.0 + 2.0 * std::cos(static_cast<double>(theta));
  const float t = static_cast<float>(w);
  const float a = static_cast<float>(0.625 - w * t / 64.0);
  return n * (1.0 - a) / a;
}

bool CMesh3d::GetFaceTextureCorners(int f, double uv[3][2]) const
{
  if (f < 0 || 3 * static_cast<size_t>(f) + 3 > m_TextureIndices.size())
    return false;
  for (int k = 0; k < 3; k++) {
    const int index = m_TextureIndices[3 * static_cast<size_t>(f) + k];
    if (index < 0 || index >= NbTextureCoordinate())
      return false;
    uv[k][0] = m_TextureCoordinates[2 * static_cast<size_t>(index)];
    uv[k][1] = m_TextureCoordinates[2 * static_cast<size_t>(index) + 1];
  }
  return true;
}
