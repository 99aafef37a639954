#include "compression/ProgressivePattern.h"

#include <cstddef>

CProgressivePattern::CProgressivePattern(int valence, int tagPair)
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

const CProgressivePattern& CProgressivePattern::Get(int valence, int tagPair)
{
  // Built once and never changed: the conquest asks for a pattern at every removal.
  static const std::array<std::array<CProgressivePattern, 4>, 4> s_Table = [] {
    auto row = [](int v) {
      return std::array<CProgressivePattern, 4>{CProgressivePattern(v, 0), CProgressivePattern(v, 1),
                                                CProgressivePattern(v, 2), CProgressivePattern(v, 3)};
    };
    return std::array<std::array<CProgressivePattern, 4>, 4>{row(3), row(4), row(5), row(6)};
  }();
  const int v = valence >= 3 && valence <= 6 ? valence : 6;
  return s_Table[static_cast<size_t>(v - 3)][static_cast<size_t>(tagPair & 3)];
}
