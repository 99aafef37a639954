#pragma once

#include "mesh/Mesh3d.h"

#include <unordered_map>
#include <vector>

// A mesh's adjacency as indices, list order included, for comparing two builds of it.
namespace fixtures {

struct SMeshLinks
{
  std::vector<int> across;                  // 3 per face, -1 for none
  std::vector<std::vector<int>> faces;      // per vertex
  std::vector<std::vector<int>> neighbors;  // per vertex
};

inline bool operator==(const SMeshLinks& a, const SMeshLinks& b)
{
  return a.across == b.across && a.faces == b.faces && a.neighbors == b.neighbors;
}

// The indices are looked up in tables, not searched in the arrays: large meshes are compared
// too. An element listed twice has its first index, one not listed -1, as a search finds them.
inline SMeshLinks LinksOf(const CMesh3d& mesh)
{
  std::unordered_map<const void*, int> faceIndex;
  for (int i = 0; i < mesh.NbFace(); i++)
    faceIndex.emplace(mesh.GetFace(i), i);
  std::unordered_map<const void*, int> vertexIndex;
  for (int i = 0; i < mesh.NbVertex(); i++)
    vertexIndex.emplace(mesh.GetVertex(i), i);
  auto indexIn = [](const std::unordered_map<const void*, int>& table, const void* p) {
    const auto it = table.find(p);
    return it == table.end() ? -1 : it->second;
  };
  SMeshLinks links;
  for (int i = 0; i < mesh.NbFace(); i++)
    for (int k = 0; k < 3; k++) {
      const CFace3d* n = mesh.GetFace(i)->f(k);
      links.across.push_back(n ? indexIn(faceIndex, n) : -1);
    }
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    std::vector<int> faces;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      faces.push_back(indexIn(faceIndex, v->GetFaceNeighbor(j)));
    std::vector<int> neighbors;
    for (int j = 0; j < v->NbVertexNeighbor(); j++)
      neighbors.push_back(indexIn(vertexIndex, v->GetVertexNeighbor(j)));
    links.faces.push_back(faces);
    links.neighbors.push_back(neighbors);
  }
  return links;
}

} // namespace fixtures
