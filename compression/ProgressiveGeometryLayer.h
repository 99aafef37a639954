#pragma once

#include "compression/ProgressiveVertexRecord.h"

#include <vector>

// Geometry of one progressive layer: a record per removed vertex in removal order, stored as
// absolute quantized coordinates (few records) or as residuals in local frames.
class CProgressiveGeometryLayer
{
public:
  int NbRecord() const { return static_cast<int>(m_Records.size()); }
  CProgressiveVertexRecord& GetRecord(int i) { return m_Records[i]; }
  const CProgressiveVertexRecord& GetRecord(int i) const { return m_Records[i]; }
  CProgressiveVertexRecord& Add(CProgressiveVertexRecord record)
  {
    m_Records.push_back(std::move(record));
    return m_Records.back();
  }
  // A decoded record: its residuals only, built in place (a record is a few hundred bytes).
  void AddCoordinates(const std::array<int, 3>& abc) { m_Records.emplace_back().SetCoordinates(abc); }
  void Reserve(int count) { m_Records.reserve(static_cast<size_t>(count)); }
  int IsPredicted() const { return m_Predicted; }
  void SetPredicted(int flag) { m_Predicted = flag; }

  // Ranges and minima of the residuals: tangential (a, b), normal (c) and of all three.
  void ComputeRanges();
  int GetMinTangential() const { return m_MinTangential; }
  int GetMinNormal() const { return m_MinNormal; }
  int GetRangeTangential() const { return m_RangeTangential; }
  int GetRangeNormal() const { return m_RangeNormal; }

private:
  std::vector<CProgressiveVertexRecord> m_Records;
  int m_Range = 0;
  int m_RangeNormal = 0;
  int m_RangeTangential = 0;
  int m_MinNormal = 0;
  int m_MinTangential = 0;
  int m_Min = 0;
  int m_Predicted = 0;
};
