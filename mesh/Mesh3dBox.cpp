// The box, here rather than with the other generators: the hash table draws its cells with it.
#include "mesh/Mesh3d.h"
#include "platform/core/Trace.h"

int CMesh3d::GenerateBox(float sx, float sy, float sz)
{
  platform::Trace("Generate box...");
  const float hx = sx / 2.0f;
  const float hy = sy / 2.0f;
  const float hz = sz / 2.0f;
  // Indices below count from the first vertex added here: the mesh is meant to be empty.
  const int base = NbVertex();
  AddVertex(NewVertex(-hx, -hy, -hz));
  AddVertex(NewVertex(-hx, hy, -hz));
  AddVertex(NewVertex(hx, hy, -hz));
  AddVertex(NewVertex(hx, -hy, -hz));
  AddVertex(NewVertex(-hx, -hy, hz));
  AddVertex(NewVertex(-hx, hy, hz));
  AddVertex(NewVertex(hx, hy, hz));
  AddVertex(NewVertex(hx, -hy, hz));

  struct SSide
  {
    int corner[2][3];
    float normal[3];
  };
  static const SSide kSides[6] = {
    {{{0, 1, 3}, {3, 1, 2}}, {0, 0, -1}}, {{{0, 4, 1}, {1, 4, 5}}, {-1, 0, 0}},
    {{{3, 2, 7}, {7, 2, 6}}, {1, 0, 0}},  {{{4, 0, 3}, {7, 4, 3}}, {0, -1, 0}},
    {{{6, 4, 7}, {6, 5, 4}}, {0, 0, 1}},  {{{1, 5, 6}, {2, 1, 6}}, {0, 1, 0}},
  };
  for (const SSide& side : kSides) {
    for (const int* c : side.corner) {
      auto* f = NewFace(GetVertex(base + c[0]), GetVertex(base + c[1]), GetVertex(base + c[2]));
      f->SetNormal(side.normal[0], side.normal[1], side.normal[2]);
      AddFace(f);
    }
  }
  return 1;
}
