#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

// A min-heap of four children per node for the lazy queues of the simplifications: half the
// levels of a binary heap, and the children of a node share a cache line, which is what the
// pops of a large queue wait on. Entry::Before(other) orders the entries; entries of which
// neither comes before the other may come out in either order.
//
// The entries sit kArity - 1 places into storage aligned on a cache line, so that the four
// children of a node (entries 4 i + 1 to 4 i + 4) start a line: with entries of 16 bytes or
// less, a level of a pop reads one line instead of two.
template <class Entry>
class CQuadHeap
{
public:
  bool empty() const { return m_Entries.size() == kPad; }
  std::size_t size() const { return m_Entries.size() - kPad; }
  const Entry& top() const { return m_Entries[kPad]; }
  void clear() { m_Entries.resize(kPad); }

  void push(const Entry& entry)
  {
    m_Entries.push_back(entry);
    Entry* e = m_Entries.data() + kPad;
    std::size_t i = size() - 1;
    while (i > 0) {
      const std::size_t parent = (i - 1) / kArity;
      if (!entry.Before(e[parent]))
        break;
      e[i] = e[parent];
      i = parent;
    }
    e[i] = entry;
  }

  void pop()
  {
    const Entry last = m_Entries.back();
    m_Entries.pop_back();
    if (!empty())
      SiftDown(0, last);
  }

  // Drops the entries that isDropped(entry) accepts and puts the rest back in heap order, every
  // node sifted down from the last inner one up.
  template <class Dropped>
  void erase_if(Dropped isDropped)
  {
    const auto first = m_Entries.begin() + static_cast<std::ptrdiff_t>(kPad);
    m_Entries.erase(std::remove_if(first, m_Entries.end(), isDropped), m_Entries.end());
    const std::size_t n = size();
    if (n < 2)
      return;
    for (std::size_t i = (n - 2) / kArity + 1; i-- > 0;)
      SiftDown(i, m_Entries[kPad + i]);
  }

private:
  static constexpr std::size_t kArity = 4;
  static constexpr std::size_t kPad = kArity - 1;
  static constexpr std::size_t kLine = 64;

  // Storage on a cache line, for the alignment of the children above.
  template <class T>
  struct SLineAllocator
  {
    using value_type = T;
    SLineAllocator() = default;
    template <class U>
    SLineAllocator(const SLineAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n)
    {
      return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(kLine)));
    }
    // Unsized: clang declares the sized forms only with -fsized-deallocation.
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, std::align_val_t(kLine)); }
    template <class U>
    bool operator==(const SLineAllocator<U>&) const noexcept
    {
      return true;
    }
  };

  // Puts the entry in the hole at i, moving the least child up while it comes before it.
  void SiftDown(std::size_t i, const Entry entry)
  {
    const std::size_t n = size();
    Entry* e = m_Entries.data() + kPad;
    for (;;) {
      const std::size_t first = i * kArity + 1;
      if (first >= n)
        break;
      const std::size_t best = LeastChild(first, n);
      if (!e[best].Before(entry))
        break;
      e[i] = e[best];
      i = best;
    }
    e[i] = entry;
  }

  // The first of the least of the children from first on: for a full node, the least of the
  // first two against the least of the last two, each pair keeping its first on a tie, which
  // is the entry a scan of the four in order keeps.
  std::size_t LeastChild(std::size_t first, std::size_t n) const
  {
    const Entry* e = m_Entries.data() + kPad;
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
  // kPad entries before the heap, never read.
  std::vector<Entry, SLineAllocator<Entry>> m_Entries = std::vector<Entry, SLineAllocator<Entry>>(kPad);
};
