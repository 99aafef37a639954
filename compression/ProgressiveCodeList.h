#pragma once

#include <cstddef>
#include <vector>

// Codes of one progressive layer in conquest order: 2 null patch, 3..6 valence of a removed
// vertex, 1 then 5 or 6 for a removed boundary vertex.
class CProgressiveCodeList
{
public:
  explicit CProgressiveCodeList(int gateType) : m_GateType(gateType) {}

  int GetGateType() const { return m_GateType; }
  int NbCode() const { return static_cast<int>(m_Codes.size()); }
  unsigned int GetCode(int i) const { return m_Codes[i]; }
  void Add(unsigned int code)
  {
    m_Codes.push_back(code);
    m_NbRemoval += code >= 3 ? 1 : 0;
  }
  // count null patches (code 2) in a row.
  void AddNullPatches(size_t count) { m_Codes.insert(m_Codes.end(), count, 2u); }
  const std::vector<unsigned int>& GetCodes() const { return m_Codes; }
  void SetCodes(std::vector<unsigned int> codes)
  {
    m_NbRemoval = CountRemovals(codes);
    m_Codes = std::move(codes);
  }
  // For a reader that counted the removals as it checked the codes: `nbRemoval` must be
  // CountRemovals(codes).
  void SetCodes(std::vector<unsigned int> codes, int nbRemoval)
  {
    m_Codes = std::move(codes);
    m_NbRemoval = nbRemoval;
  }
  // Number of removals: codes of valence 3 and more (a boundary removal is 1 then 5 or 6).
  // Kept as the codes come: the layers' readers and writers ask for it, each pass over the
  // codes costing as much as the count.
  int NbRemoval() const { return m_NbRemoval; }
  static int CountRemovals(const std::vector<unsigned int>& codes)
  {
    int n = 0;
    for (unsigned int code : codes)
      n += code >= 3 ? 1 : 0;
    return n;
  }

private:
  std::vector<unsigned int> m_Codes;
  int m_GateType;
  int m_NbRemoval = 0;
};
