#pragma once

#include <array>
#include <vector>

// Fixed retriangulation of the hole left by a removed vertex of valence 3 to 6, chosen by the
// tag pair of the gate: the new marks of the inner border vertices B1..Bn-2 and the new faces
// as triangles of border indices.
class CProgressivePattern
{
public:
  CProgressivePattern(int valence, int tagPair);
  // The shared pattern of a valence (3 to 6; any other is taken as 6) and tag pair (0 to 3).
  static const CProgressivePattern& Get(int valence, int tagPair);

  const std::vector<int>& GetMarks() const { return m_Marks; }
  const std::vector<std::array<int, 3>>& GetFaces() const { return m_Faces; }

private:
  std::vector<int> m_Marks;
  std::vector<std::array<int, 3>> m_Faces;
};
