#pragma once

// Reads the vertices and triangles of a small Wavefront file from tests/data into a soup, with
// no part of the project's own readers in the way: a codec test needs only the lists.
#include "TopologyGenerators.h"

#include <fstream>
#include <sstream>
#include <string>

namespace topology {

inline std::string DataFile(const std::string& name)
{
  return std::string(ORVANE_TEST_DATA) + "/" + name;
}

// Vertices ("v x y z") and faces ("f a b c", 1-based, "a/t/n" forms allowed); polygons are
// fanned. An empty soup when the file cannot be read.
inline SSoup ReadObjSoup(const std::string& path)
{
  SSoup soup;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string tag;
    words >> tag;
    if (tag == "v") {
      std::array<float, 3> p{};
      words >> p[0] >> p[1] >> p[2];
      soup.m_Points.push_back(p);
    } else if (tag == "f") {
      std::vector<int> corners;
      std::string word;
      while (words >> word)
        corners.push_back(std::stoi(word) - 1);
      for (size_t i = 2; i < corners.size(); i++)
        soup.m_Triangles.push_back({corners[0], corners[i - 1], corners[i]});
    }
  }
  return soup;
}

} // namespace topology
