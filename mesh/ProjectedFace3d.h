#pragma once

#include <cstdint>

// Link block of a depth-tree node: balance (low nibble, signed: left height - right
// height), walk state (high nibble), and the parent and children as record indices.
struct CDepthTreeLinks
{
  std::uint8_t state = 0;
  std::int32_t parent = -1;
  std::int32_t left = -1;
  std::int32_t right = -1;
};

// A face projected for vector output: corners 0..2 and the centroid at 3, whose z is
// the depth key. Records live in one caller-owned array and double as tree nodes.
class CProjectedFace3d
{
public:
  CProjectedFace3d() = default;

  double x[4] = {};
  double y[4] = {};
  double z[4] = {};
  std::uint8_t flag = 0;
  CDepthTreeLinks links;
};
