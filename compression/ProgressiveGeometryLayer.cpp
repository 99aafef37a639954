#include "compression/ProgressiveGeometryLayer.h"

#include <algorithm>

void CProgressiveGeometryLayer::MakeRecordsFromDecoded() const
{
  m_Records.reserve(m_Records.size() + m_Decoded.size());
  for (const std::array<int, 3>& abc : m_Decoded)
    m_Records.emplace_back().SetCoordinates(abc);
  m_Decoded.clear();
  m_Decoded.shrink_to_fit();
}

void CProgressiveGeometryLayer::SetRanges(const SExtremes& e)
{
  m_MinTangential = e.minT;
  m_MinNormal = e.minC;
  m_RangeTangential = e.maxT - e.minT;
  m_RangeNormal = e.maxC - e.minC;
}
