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

void CProgressiveGeometryLayer::ComputeRanges()
{
  MakeRecords();
  int minT = 0, maxT = 0, minC = 0, maxC = 0;
  for (const CProgressiveVertexRecord& r : m_Records) {
    const auto& abc = r.GetCoordinates();
    minT = std::min({minT, abc[0], abc[1]});
    maxT = std::max({maxT, abc[0], abc[1]});
    minC = std::min(minC, abc[2]);
    maxC = std::max(maxC, abc[2]);
  }
  m_MinTangential = minT;
  m_MinNormal = minC;
  m_Min = std::min(minT, minC);
  m_RangeTangential = maxT - minT;
  m_RangeNormal = maxC - minC;
  m_Range = std::max(maxT, maxC) - m_Min;
}
