#pragma once

// The edges i and j of two triangles, given by their corners, that hold the two corners they
// share, when they share exactly two. Edge k runs from corner k to corner k+1. Callers that have
// the corners decoded already avoid going back through the faces.
template <class T>
bool SharedEdgeOfCorners(const T* const* mine, const T* const* other, int* pI, int* pJ)
{
  bool inMine[3] = {false, false, false};
  bool inOther[3] = {false, false, false};
  int matches = 0;
  for (int p = 0; p < 3; p++) {
    for (int q = 0; q < 3; q++) {
      if (other[p] == mine[q]) {
        inMine[q] = true;
        inOther[p] = true;
        matches++;
      }
    }
  }
  if (matches != 2)
    return false;
  // The edge marked at both ends; the third when none is.
  auto marked = [](const bool* m) { return m[0] && m[1] ? 0 : (m[1] && m[2] ? 1 : 2); };
  *pI = marked(inMine);
  *pJ = marked(inOther);
  return true;
}
