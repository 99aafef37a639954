#include "mesh/Mesh3d.h"
#include "platform/core/Trace.h"
#include "scene/Texture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

int CMesh3d::GenerateQuadrilateral()
{
  Free();
  AddVertex(NewVertex(1.5f, 0.0f, 1.5f));
  AddVertex(NewVertex(-1.5f, 0.0f, 1.5f));
  AddVertex(NewVertex(0.0f, 0.0f, -1.5f));
  AddVertex(NewVertex(0.0f, 3.0f, 0.0f));
  static const int kFaces[4][3] = {{0, 1, 2}, {0, 2, 3}, {2, 1, 3}, {1, 0, 3}};
  for (const int* c : kFaces)
    AddFace(NewFace(GetVertex(c[0]), GetVertex(c[1]), GetVertex(c[2])));
  Rebuild();
  return 1;
}

namespace {

// The cells of a grid of nx by ny samples (rows of nx, first sample `base`), each as
// corners a = (j, i), b = (j, i + 1), c = (j + 1, i + 1), d = (j + 1, i).
template <class Fn>
void ForEachGridCell(int base, int nx, int ny, Fn fn)
{
  for (int j = 0; j + 1 < ny; j++)
    for (int i = 0; i + 1 < nx; i++) {
      const int a = base + j * nx + i;
      fn(a, a + 1, base + (j + 1) * nx + i + 1, base + (j + 1) * nx + i);
    }
}

// Samples height(x, z) on the grid x = lo + (j / nx)(hi - lo), z = lo + (i / nx)(hi - lo) and
// appends the faces (a, b, c), (a, c, d) of each cell.
template <class Height>
int GenerateHeightGrid(CMesh3d* pMesh, int nx, int ny, float lo, float hi, Height height)
{
  if (nx <= 0 || ny <= 0)
    return 0;
  const int base = pMesh->NbVertex();
  pMesh->GetArrayVertex()->SetSize(base + nx * ny);
  pMesh->GetArrayVertex()->SetSize(base);
  platform::Trace("  set vertices\n");
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      const float x = lo + static_cast<float>(j) / static_cast<float>(nx) * (hi - lo);
      const float z = lo + static_cast<float>(i) / static_cast<float>(nx) * (hi - lo);
      pMesh->AddVertex(pMesh->NewVertex(x, height(x, z), z));
    }
  platform::Trace("  set faces\n");
  ForEachGridCell(base, nx, ny, [pMesh](int a, int b, int c, int d) {
    pMesh->AddFace(pMesh->NewFace(pMesh->GetVertex(a), pMesh->GetVertex(b), pMesh->GetVertex(c)));
    pMesh->AddFace(pMesh->NewFace(pMesh->GetVertex(a), pMesh->GetVertex(c), pMesh->GetVertex(d)));
  });
  return 1;
}

// Each product rounded to single precision as it is formed.
float Peaks(float x, float z)
{
  const float e1 = std::exp(-x * x - (z + 1.0f) * (z + 1.0f));
  const float e2 = std::exp(-x * x - z * z);
  const float e3 = std::exp(-(x + 1.0f) * (x + 1.0f) - z * z);
  const float t1 = 3.0f * (1.0f - x) * (1.0f - x) * e1;
  const float t2 = 10.0f * (x / 5.0f - x * x * x - z * z * z * z * z) * e2;
  const float t3 = 0.33333334f * e3;
  return (t1 - t2 - t3) / 3.0f;
}

} // namespace

int CMesh3d::GenerateMap(int nx, int ny, float lo, float hi)
{
  platform::Trace("Generate map...");
  return GenerateHeightGrid(this, nx, ny, lo, hi,
                            [](float x, float z) { return std::cos(x) * std::cos(z); });
}

int CMesh3d::GeneratePeaks(int nx, int ny, float lo, float hi)
{
  platform::Trace("Generate peaks map\n");
  return GenerateHeightGrid(this, nx, ny, lo, hi, Peaks);
}

int CMesh3d::GenerateMapFromImage(const CTexture* pImage, int nx, int ny, int withColour)
{
  // Refused before anything is cleared.
  if (!pImage || !pImage->IsValid() || nx <= 0 || ny <= 0)
    return 0;
  Free();
  const unsigned width = pImage->GetWidth();
  const unsigned height = pImage->GetHeight();
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      // Clamped: the single-precision ratio may round up to the full width.
      const unsigned px =
        std::min(width - 1, static_cast<unsigned>(static_cast<float>(i) / nx * width));
      const unsigned py =
        std::min(height - 1, static_cast<unsigned>(static_cast<float>(j) / ny * height));
      auto* v = NewVertex(static_cast<float>(i), static_cast<float>(pImage->Grey(px, py)),
                           static_cast<float>(j));
      if (withColour) {
        std::uint8_t r = 0;
        std::uint8_t g = 0;
        std::uint8_t b = 0;
        pImage->GetColor(px, py, r, g, b);
        v->SetColor(r, g, b);
      }
      AddVertex(v);
    }
  ForEachGridCell(0, nx, ny, [this, withColour](int a, int b, int c, int d) {
    auto* first = NewFace(GetVertex(b), GetVertex(a), GetVertex(c));
    auto* second = NewFace(GetVertex(c), GetVertex(a), GetVertex(d));
    if (withColour) {
      first->SetColor(GetVertex(a)->GetColor());
      second->SetColor(GetVertex(b)->GetColor());
    }
    AddFace(first);
    AddFace(second);
  });
  BuildAdjacency();
  ComputeFaceNormals();
  ComputeVertexNormals();
  return 1;
}
