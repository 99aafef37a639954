#pragma once

#include <cstdint>
#include <vector>

// An independent rendering of the range coder's rules, for checking the coder's bytes:
// carries are added into the bytes already produced instead of being held back with a
// pending-byte counter, contexts are computed from the whole history, and the model
// keeps its frequencies as plain integers.
class CReferenceModel
{
public:
  // target: the longest interval between rescales.
  CReferenceModel(int m, const std::vector<int>& table, int target = 100)
      : m_M(m), m_Next(m), m_Cum(m + 1), m_Target(target)
  {
    for (int i = 0; i < m; i++)
      m_Next[i] = table.empty() ? 4096 / m + (i < 4096 % m ? 1 : 0) : table[i];
    m_Interval = (m >> 4) | 2;
    Refresh();
  }

  int Low(int s) const { return m_Cum[s]; }
  int High(int s) const { return s + 1 == m_M ? 4096 : m_Cum[s + 1]; }

  void Count(int s)
  {
    if (m_Left <= 0) {
      if (m_Stage2 > 0) {
        m_Step++;
        m_Left = m_Stage2;
        m_Stage2 = 0;
      } else {
        Refresh();
      }
    }
    m_Left--;
    m_Next[s] += m_Step;
  }

private:
  void Refresh()
  {
    if (m_Interval < m_Target)
      m_Interval = m_Interval * 2 > m_Target ? m_Target : m_Interval * 2;
    int below = 0;
    for (int i = 0; i < m_M; i++) {
      m_Cum[i] = below;
      below += m_Next[i];
    }
    int kept = 0;
    for (int i = 0; i < m_M; i++) {
      m_Next[i] = m_Next[i] / 2 | 1;
      kept += m_Next[i];
    }
    const int missing = 4096 - kept;
    m_Step = missing / m_Interval;
    m_Stage2 = missing % m_Interval;
    m_Left = m_Interval - m_Stage2;
  }

  int m_M;
  std::vector<int> m_Next;
  std::vector<int> m_Cum;
  int m_Target;
  int m_Interval = 0;
  int m_Step = 0;
  int m_Left = 0;
  int m_Stage2 = 0;
};

class CReferenceEncoder
{
public:
  CReferenceEncoder(int n, int order, const std::vector<int>& table = {}) : m_N(n), m_History(order)
  {
    int contexts = 1;
    for (int i = 0; i < order; i++)
      contexts *= n;
    m_Models.assign(contexts, CReferenceModel(n + 1, table));
  }

  void Encode(int s)
  {
    CReferenceModel& model = m_Models[Context()];
    Code(model.Low(s), model.High(s));
    model.Count(s);
    for (std::size_t i = m_History.size(); i-- > 1;)
      m_History[i] = m_History[i - 1];
    if (!m_History.empty())
      m_History[0] = s;
  }

  std::vector<std::uint8_t> Done()
  {
    CReferenceModel& model = m_Models[Context()];
    Code(model.Low(m_N), model.High(m_N));
    while (m_Range <= (1u << 23))
      Shift();
    const std::uint32_t count = m_Shifts + 5;
    std::uint32_t v = m_LowValue >> 23;
    if ((m_LowValue & 0x7FFFFF) >= count / 2)
      v++;
    if (v > 0xFF)
      Carry();
    m_Bytes.push_back(static_cast<std::uint8_t>(v));
    m_Bytes.push_back(static_cast<std::uint8_t>(count >> 16));
    m_Bytes.push_back(static_cast<std::uint8_t>(count >> 8));
    m_Bytes.push_back(static_cast<std::uint8_t>(count));
    return m_Bytes;
  }

private:
  int Context() const
  {
    int context = 0;
    int weight = 1;
    for (int h : m_History) {
      context += h * weight;
      weight *= m_N;
    }
    return context;
  }

  void Code(int low, int high)
  {
    while (m_Range <= (1u << 23))
      Shift();
    const std::uint32_t unit = m_Range >> 12;
    m_Range = high == 4096 ? m_Range - unit * low : unit * (high - low);
    m_LowValue += unit * low;
  }

  void Carry()
  {
    for (std::size_t i = m_Bytes.size(); i-- > 0;)
      if (++m_Bytes[i] != 0)
        return;
  }

  void Shift()
  {
    if (m_LowValue & 0x80000000u)
      Carry();
    m_Bytes.push_back(static_cast<std::uint8_t>(m_LowValue >> 23));
    m_LowValue = (m_LowValue << 8) & 0x7FFFFFFF;
    m_Range <<= 8;
    m_Shifts++;
  }

  int m_N;
  std::vector<int> m_History;
  std::vector<CReferenceModel> m_Models;
  std::vector<std::uint8_t> m_Bytes{0};
  std::uint32_t m_LowValue = 0;
  std::uint32_t m_Range = 1u << 31;
  std::uint32_t m_Shifts = 0;
};
