#pragma once

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <draco/mesh/mesh.h>

#include <cstdint>
#include <memory>
#include <unordered_map>

// The mesh as the peer library's indexed mesh: the same vertices in the same order, the same
// faces, positions as 32-bit floats.
inline std::unique_ptr<draco::Mesh> ToDraco(const CMesh3d& mesh)
{
  auto pDraco = std::make_unique<draco::Mesh>();
  pDraco->set_num_points(static_cast<std::uint32_t>(mesh.NbVertex()));
  draco::GeometryAttribute position;
  position.Init(draco::GeometryAttribute::POSITION, nullptr, 3, draco::DT_FLOAT32, false,
                sizeof(float) * 3, 0);
  const int id = pDraco->AddAttribute(position, true, static_cast<std::uint32_t>(mesh.NbVertex()));
  draco::PointAttribute* pAttribute = pDraco->attribute(id);
  std::unordered_map<const CVertex3d*, std::uint32_t> index;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    const float p[3] = {v->x(), v->y(), v->z()};
    pAttribute->SetAttributeValue(draco::AttributeValueIndex(i), p);
    index.emplace(v, static_cast<std::uint32_t>(i));
  }
  for (int i = 0; i < mesh.NbFace(); i++) {
    const CFace3d* f = mesh.GetFace(i);
    pDraco->AddFace({draco::PointIndex(index.at(f->v(0))), draco::PointIndex(index.at(f->v(1))),
                     draco::PointIndex(index.at(f->v(2)))});
  }
  return pDraco;
}
