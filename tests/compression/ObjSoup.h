#pragma once

// Reads the vertices and triangles of a small Wavefront file from tests/data into a mesh, with
// no part of the project's own readers in the way: a codec test needs only the lists.
#include "tests/mesh/MeshFixtures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace objsoup {

// Vertices ("v x y z") and faces ("f a b c", 1-based, "a/t/n" forms allowed) added to the
// lists; polygons are fanned, and a face naming a vertex not read before it is dropped.
// Nothing when the file cannot be read.
inline void ReadLists(const std::string& path, fixtures::Points& points, fixtures::Triangles& triangles)
{
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string tag;
    words >> tag;
    if (tag == "v") {
      std::array<float, 3> p{};
      words >> p[0] >> p[1] >> p[2];
      points.push_back(p);
    } else if (tag == "f") {
      std::vector<int> corners;
      std::string word;
      while (words >> word) {
        const long corner = std::strtol(word.c_str(), nullptr, 10) - 1;
        corners.push_back(corner >= 0 && corner < static_cast<long>(points.size()) ? static_cast<int>(corner) : -1);
      }
      if (std::find(corners.begin(), corners.end(), -1) != corners.end())
        continue;
      for (size_t i = 2; i < corners.size(); i++)
        triangles.push_back({corners[0], corners[i - 1], corners[i]});
    }
  }
}

// The file's lists as a mesh; an empty mesh when the file cannot be read.
inline std::unique_ptr<CMesh3d> ReadObj(const std::string& path)
{
  fixtures::Points points;
  fixtures::Triangles triangles;
  ReadLists(path, points, triangles);
  return fixtures::Build(points, triangles);
}

#ifdef ORVANE_TEST_DATA
inline std::string DataFile(const std::string& name)
{
  return std::string(ORVANE_TEST_DATA) + "/" + name;
}

// A file of tests/data.
inline std::unique_ptr<CMesh3d> ReadData(const std::string& name)
{
  return ReadObj(DataFile(name));
}
#endif

} // namespace objsoup
