#pragma once

#include "mesh/Mesh3d.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The .obj scans of the folder named by ORVANE_BENCH_MESHES, by name; none without it.
inline std::vector<std::filesystem::path> ScanMeshes()
{
  std::vector<std::filesystem::path> paths;
  const char* folder = std::getenv("ORVANE_BENCH_MESHES");
  if (!folder || !std::filesystem::is_directory(folder))
    return paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".obj")
      paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The scan as the application opens it: the .obj reader builds the mesh in its own blocks, then
// the adjacency and the normals are built. An empty mesh when the file cannot be read.
inline std::unique_ptr<CMesh3d> ReadScan(const std::string& path)
{
  auto mesh = std::make_unique<CMesh3d>();
  if (mesh->ReadFileObj(path.c_str()))
    mesh->Rebuild();
  return mesh;
}
