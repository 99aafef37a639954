#pragma once

#include "compression/ProgressiveVertexRecord.h"

#include <algorithm>
#include <utility>
#include <vector>

// Geometry of one progressive layer: a record per removed vertex in removal order, stored as
// absolute quantized coordinates (few records) or as residuals in local frames.
//
// A decoded layer holds its residuals alone (a record is a few hundred bytes): records are
// made of them only when one is asked for.
class CProgressiveGeometryLayer
{
public:
  int NbRecord() const { return static_cast<int>(m_Records.size() + m_Decoded.size()); }
  CProgressiveVertexRecord& GetRecord(int i)
  {
    MakeRecords();
    return m_Records[static_cast<size_t>(i)];
  }
  const CProgressiveVertexRecord& GetRecord(int i) const
  {
    MakeRecords();
    return m_Records[static_cast<size_t>(i)];
  }
  CProgressiveVertexRecord& Add(CProgressiveVertexRecord record)
  {
    MakeRecords();
    m_Records.push_back(std::move(record));
    return m_Records.back();
  }
  // The same, the record made in place: it is a few hundred bytes. The slot after it is
  // fetched for writing meanwhile: records come one per removal, far apart in time, and each
  // would otherwise wait on its lines for its stores.
  template <class... Args>
  CProgressiveVertexRecord& Emplace(Args&&... args)
  {
    MakeRecords();
    CProgressiveVertexRecord& record = m_Records.emplace_back(std::forward<Args>(args)...);
    if (m_Records.size() < m_Records.capacity()) {
      const char* next = reinterpret_cast<const char*>(m_Records.data()) +
                         m_Records.size() * sizeof(CProgressiveVertexRecord);
      for (size_t offset = 0; offset < sizeof(CProgressiveVertexRecord); offset += 64)
        __builtin_prefetch(next + offset, 1);
      __builtin_prefetch(next + sizeof(CProgressiveVertexRecord) - 1, 1);
    }
    return record;
  }
  // A decoded record: its residuals only.
  void AddCoordinates(const std::array<int, 3>& abc)
  {
    if (m_Records.empty())
      m_Decoded.push_back(abc);
    else
      m_Records.emplace_back().SetCoordinates(abc);
  }
  void Reserve(int count) { m_Decoded.reserve(static_cast<size_t>(count)); }
  void ReserveRecords(int count) { m_Records.reserve(static_cast<size_t>(count)); }
  // Record i's removed vertex (none for a decoded record) and residuals, with no record made.
  const CVertex3d* GetVertex(int i) const
  {
    return m_Decoded.empty() ? m_Records[static_cast<size_t>(i)].GetVertex() : nullptr;
  }
  const std::array<int, 3>& GetCoordinates(int i) const
  {
    return m_Decoded.empty() ? m_Records[static_cast<size_t>(i)].GetCoordinates()
                             : m_Decoded[static_cast<size_t>(i)];
  }
  int IsPredicted() const { return m_Predicted; }
  void SetPredicted(int flag) { m_Predicted = flag; }

  // Extremes of residuals gathered as they are made, each starting at 0.
  struct SExtremes
  {
    int minT = 0;
    int maxT = 0;
    int minC = 0;
    int maxC = 0;
    void Add(const std::array<int, 3>& abc)
    {
      minT = std::min(minT, std::min(abc[0], abc[1]));
      maxT = std::max(maxT, std::max(abc[0], abc[1]));
      minC = std::min(minC, abc[2]);
      maxC = std::max(maxC, abc[2]);
    }
  };
  // Ranges and minima of the residuals, tangential (a, b) and normal (c), from the extremes of
  // every record's residuals.
  void SetRanges(const SExtremes& e);
  int GetMinTangential() const { return m_MinTangential; }
  int GetMinNormal() const { return m_MinNormal; }
  int GetRangeTangential() const { return m_RangeTangential; }
  int GetRangeNormal() const { return m_RangeNormal; }

private:
  // The decoded residuals become records, in order. Checked inline: the encoder asks for
  // records several times per vertex and never has decoded ones.
  void MakeRecords() const
  {
    if (!m_Decoded.empty())
      MakeRecordsFromDecoded();
  }
  void MakeRecordsFromDecoded() const;

  mutable std::vector<CProgressiveVertexRecord> m_Records;
  mutable std::vector<std::array<int, 3>> m_Decoded;
  int m_RangeNormal = 0;
  int m_RangeTangential = 0;
  int m_MinNormal = 0;
  int m_MinTangential = 0;
  int m_Predicted = 0;
};
