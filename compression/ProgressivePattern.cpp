#include "compression/ProgressivePattern.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace {

bool HoldsEdge(const std::array<int, 3>& t, int from, int to)
{
  for (size_t k = 0; k < 3; k++)
    if (t[k] == from && t[(k + 1) % 3] == to)
      return true;
  return false;
}

} // namespace

CProgressivePattern::CProgressivePattern(int valence, int tagPair)
{
  SetFaces(valence, tagPair);
  ListSteps(m_Marks.empty() ? 0 : static_cast<int>(m_Marks.size()) + 2);
  ListDiagonals(m_Marks.empty() ? 0 : static_cast<int>(m_Marks.size()) + 2);
}

void CProgressivePattern::ListDiagonals(int valence)
{
  for (size_t f = 0; f < m_Faces.size(); f++)
    for (size_t i = 0; i < 3; i++) {
      const int p = m_Faces[f][i];
      const int q = m_Faces[f][(i + 1) % 3];
      const int d = std::abs(p - q);
      if (d == 1 || d == valence - 1)
        continue;
      bool before = false;
      for (size_t g = 0; g < f && !before; g++)
        before = HoldsEdge(m_Faces[g], p, q) || HoldsEdge(m_Faces[g], q, p);
      if (!before)
        m_Diagonals.push_back({p, q});
    }
}

// The search in rounds over the triangles, each found across its first edge whose two ends are
// known, from the edge second -> first of the gate's face.
void CProgressivePattern::ListSteps(int valence)
{
  const size_t n = m_Faces.size();
  std::vector<bool> known(static_cast<size_t>(valence), false);
  std::vector<bool> found(n, false);
  if (valence < 3)
    return;
  known[0] = true;
  known[static_cast<size_t>(valence - 1)] = true;
  for (size_t round = 0; round < n; round++)
    for (size_t k = 0; k < n; k++)
      for (int e = 0; e < 3 && !found[k]; e++) {
        const auto& t = m_Faces[k];
        const int from = t[static_cast<size_t>(e)];
        const int to = t[static_cast<size_t>((e + 1) % 3)];
        if (!known[static_cast<size_t>(from)] || !known[static_cast<size_t>(to)])
          continue;
        SStep step{static_cast<int>(k), from, to, t[static_cast<size_t>((e + 2) % 3)], kAcrossNone};
        if (from == valence - 1 && to == 0)
          step.across = kAcrossGate;
        for (const SStep& before : m_Steps)
          if (step.across == kAcrossNone && HoldsEdge(m_Faces[static_cast<size_t>(before.triangle)], to, from))
            step.across = before.triangle;
        m_Steps.push_back(step);
        found[k] = true;
        known[static_cast<size_t>(step.third)] = true;
      }
  if (std::find(found.begin(), found.end(), false) != found.end())
    m_Steps.clear();
  for (int i = 0; i + 1 < valence; i++) {
    int holder = -1;
    for (size_t k = 0; k < n && holder < 0; k++)
      if (HoldsEdge(m_Faces[k], i, i + 1))
        holder = static_cast<int>(k);
    m_BorderTriangles.push_back(holder);
  }
}

void CProgressivePattern::SetFaces(int valence, int tagPair)
{
  const bool oneOrTwo = tagPair == 1 || tagPair == 2;
  switch (valence) {
  case 3:
    m_Marks = {tagPair == 2 ? 1 : 2};
    m_Faces = {{0, 1, 2}};
    return;
  case 4:
    if (oneOrTwo) {
      m_Marks = {1, 2};
      m_Faces = {{{0, 2, 3}}, {{0, 1, 2}}};
      return;
    }
    m_Marks = {2, 1};
    m_Faces = {{{0, 1, 3}}, {{1, 2, 3}}};
    return;
  case 5:
    if (tagPair == 1) {
      m_Marks = {2, 1, 2};
      m_Faces = {{{0, 3, 4}}, {{0, 1, 3}}, {{1, 2, 3}}};
    } else if (tagPair == 2) {
      m_Marks = {1, 2, 1};
      m_Faces = {{{0, 1, 2}}, {{0, 2, 4}}, {{2, 3, 4}}};
    } else {
      m_Marks = {2, 1, 2};
      m_Faces = {{{0, 1, 4}}, {{1, 3, 4}}, {{1, 2, 3}}};
    }
    return;
  default:
    if (oneOrTwo) {
      m_Marks = {1, 2, 1, 2};
      m_Faces = {{{0, 4, 5}}, {{0, 2, 4}}, {{0, 1, 2}}, {{2, 3, 4}}};
      return;
    }
    m_Marks = {2, 1, 2, 1};
    m_Faces = {{{0, 1, 5}}, {{1, 3, 5}}, {{1, 2, 3}}, {{3, 4, 5}}};
  }
}

CProgressivePattern::Table CProgressivePattern::MakeTable()
{
  auto row = [](int v) {
    return std::array<CProgressivePattern, 4>{CProgressivePattern(v, 0), CProgressivePattern(v, 1),
                                              CProgressivePattern(v, 2), CProgressivePattern(v, 3)};
  };
  return Table{row(3), row(4), row(5), row(6)};
}
