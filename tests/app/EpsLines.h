#pragma once

#include "tests/support/TempFolder.h"

#include <sstream>
#include <string>
#include <vector>

// The lines of a written EPS file, without their line ends.
inline std::vector<std::string> ReadEpsLines(const std::string& path)
{
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::vector<std::string> lines;
  // Lines end in CR LF; the lines come back without either.
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}
