#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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
