#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// A min-heap of four children per node for the lazy queues of the simplifications: half the
// levels of a binary heap, and the children of a node share a cache line or two, which is
// what the pops of a large queue wait on. Entry::Before(other) orders the entries; entries of
// which neither comes before the other may come out in either order.
template <class Entry>
class CQuadHeap
{
public:
  bool empty() const { return m_Entries.empty(); }
  std::size_t size() const { return m_Entries.size(); }
  const Entry& top() const { return m_Entries.front(); }
  void clear() { m_Entries.clear(); }

  void push(const Entry& entry)
  {
    std::size_t i = m_Entries.size();
    m_Entries.push_back(entry);
    while (i > 0) {
      const std::size_t parent = (i - 1) / kArity;
      if (!entry.Before(m_Entries[parent]))
        break;
      m_Entries[i] = m_Entries[parent];
      i = parent;
    }
    m_Entries[i] = entry;
  }

  void pop()
  {
    const Entry last = m_Entries.back();
    m_Entries.pop_back();
    const std::size_t n = m_Entries.size();
    if (n == 0)
      return;
    std::size_t i = 0;
    for (;;) {
      const std::size_t first = i * kArity + 1;
      if (first >= n)
        break;
      const std::size_t best = LeastChild(first, n);
      if (!m_Entries[best].Before(last))
        break;
      m_Entries[i] = m_Entries[best];
      i = best;
    }
    m_Entries[i] = last;
  }

private:
  static constexpr std::size_t kArity = 4;

  // The first of the least of the children from first on: for a full node, the least of the
  // first two against the least of the last two, each pair keeping its first on a tie, which
  // is the entry a scan of the four in order keeps.
  std::size_t LeastChild(std::size_t first, std::size_t n) const
  {
    const Entry* e = m_Entries.data();
    if (first + kArity <= n) {
      const std::size_t a = e[first + 1].Before(e[first]) ? first + 1 : first;
      const std::size_t b = e[first + 3].Before(e[first + 2]) ? first + 3 : first + 2;
      return e[b].Before(e[a]) ? b : a;
    }
    std::size_t best = first;
    for (std::size_t c = first + 1; c < n; c++)
      if (e[c].Before(e[best]))
        best = c;
    return best;
  }
  std::vector<Entry> m_Entries;
};
