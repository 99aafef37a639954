#include "mesh/Mesh3d.h"

#include <GL/glu.h>

namespace {

// A corner that does not project (it lies in the eye's plane) counts as outside.
bool IsOutside(const CVertex3d* v, const double* modelview, const double* projection,
               const int* viewport)
{
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  if (gluProject(v->x(), v->y(), v->z(), modelview, projection, viewport, &x, &y, &z) != GL_TRUE)
    return true;
  return x < viewport[0] || x > viewport[2] || y < viewport[1] || y > viewport[3];
}

} // namespace

// A face crossing the viewport with all its corners outside is flagged too: only corners are
// tested.
void CMesh3d::FlagFacesOutOfViewport(const double* modelview, const double* projection,
                                     const int* viewport, int flag)
{
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    bool outside = true;
    for (int k = 0; k < 3 && outside; k++)
      outside = IsOutside(f->v(k), modelview, projection, viewport);
    if (outside)
      f->SetFlag(flag);
  }
}
