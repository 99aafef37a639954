#pragma once

#include <array>
#include <cstddef>
#include <vector>

// Fixed retriangulation of the hole left by a removed vertex of valence 3 to 6, chosen by the
// tag pair of the gate: the new marks of the inner border vertices B1..Bn-2 and the new faces
// as triangles of border indices.
class CProgressivePattern
{
public:
  CProgressivePattern(int valence, int tagPair);
  // The shared pattern of a valence (3 to 6; any other is taken as 6) and tag pair (0 to 3).
  // Inline: the conquest asks for one at every removal it judges.
  static const CProgressivePattern& Get(int valence, int tagPair)
  {
    static const Table s_Table = MakeTable();
    const int v = valence >= 3 && valence <= 6 ? valence : 6;
    return s_Table[static_cast<size_t>(v - 3)][static_cast<size_t>(tagPair & 3)];
  }

  const std::vector<int>& GetMarks() const { return m_Marks; }
  const std::vector<std::array<int, 3>>& GetFaces() const { return m_Faces; }
  // The edges the faces add inside the hole, as border index pairs (p, q) in the order the
  // faces and their edges come: each edge of a face that is no border edge and no edge of an
  // earlier face. p then gets q as a new neighbour and q gets p.
  const std::vector<std::array<int, 2>>& GetDiagonals() const { return m_Diagonals; }

  // The search for the pattern in front of a gate starts from the gate's ends and finds one
  // face per step: the face holding the edge from -> to (border indices), whose third corner
  // is border vertex `third`. Which ends are known at each step does not depend on the mesh,
  // so the order is fixed per pattern. `across` names a triangle found at an earlier step that
  // holds the edge to -> from, kAcrossGate the gate's own face, kAcrossNone neither.
  static constexpr int kAcrossGate = -2;
  static constexpr int kAcrossNone = -1;
  struct SStep
  {
    int triangle;
    int from;
    int to;
    int third;
    int across;
  };
  // Empty steps when some triangle is never reached.
  const std::vector<SStep>& GetSteps() const { return m_Steps; }
  // Per border edge i -> i + 1 the triangle holding it, -1 when none does.
  const std::vector<int>& GetBorderTriangles() const { return m_BorderTriangles; }

private:
  // By valence 3 to 6, then tag pair. Built once and never changed.
  using Table = std::array<std::array<CProgressivePattern, 4>, 4>;
  static Table MakeTable();
  void SetFaces(int valence, int tagPair);
  void ListSteps(int valence);
  void ListDiagonals(int valence);

  std::vector<int> m_Marks;
  std::vector<std::array<int, 3>> m_Faces;
  std::vector<std::array<int, 2>> m_Diagonals;
  std::vector<SStep> m_Steps;
  std::vector<int> m_BorderTriangles;
};
