#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// Vertices, faces and undo records of a mesh, constructed side by side in blocks that the mesh
// fills in order, instead of one heap object each: no allocator header or rounding per element, one
// allocation per block, and elements that are neighbours in the mesh are neighbours in memory.
//
// A pooled element is still deleted with `delete p`, one by one, by whoever holds it, and may
// outlive its mesh (elements are handed between meshes). So a block counts its live elements;
// while the pool fills it, the count holds a large bias instead of the elements made so far
// (no atomic add per element), which the pool trades for their number when it moves on. The
// last element to go, or the pool when none is left, frees the block.
// The element keeps its slot number (1-based; 0 for an element made with plain `new`), from which
// its class's destroying operator delete finds the block without any search or table, and it
// hands the memory back here after running the destructor. A slot is never reused: the memory
// of deleted elements returns when their whole block is empty.
//
// One pool is filled by one thread at a time (a mesh belongs to one thread at a time), but the
// elements of a block may be deleted on other threads, so the count is atomic.
//
// Blocks stay below the allocator's default threshold for separate mappings, so that they lie
// in the same heap as the rest of the mesh, within reach of the 32-bit element references
// (mesh/ElementRef.h).
template <class T>
class CElementPool
{
public:
  CElementPool() = default;
  ~CElementPool() { Detach(); }

  CElementPool(const CElementPool&) = delete;
  CElementPool& operator=(const CElementPool&) = delete;

  template <class... Args>
  T* New(Args&&... args)
  {
    if (!m_pBlock || m_pBlock->used == m_pBlock->capacity)
      StartBlock();
    SBlock* pBlock = m_pBlock;
    const std::uint32_t index = pBlock->used;
    T* p = std::construct_at(pBlock->Slot(index), std::forward<Args>(args)...);
    pBlock->used = index + 1;
    p->m_PoolSlot = index + 1;
    return p;
  }

  class CClaim;

  // Room for n elements, in order, in the blocks the pool fills next, handed out unconstructed:
  // for a caller that must know where its elements go before it makes them (elements that
  // point at one another, made one at a time, each written once). The caller constructs every
  // element of the claim (CClaim::Construct) before any of them is deleted or the pool is
  // used again.
  CClaim Claim(std::uint32_t n);

  // The body of the element class's destroying operator delete: destroys the element, then
  // frees its memory to the heap or to its block, whichever it came from. The slot is read
  // while the element is alive.
  static void Delete(T* p)
  {
    const std::uint32_t slot = p->m_PoolSlot;
    p->~T();
    if (slot == 0) {
      ::operator delete(static_cast<void*>(p));
      return;
    }
    BlockOf(p, slot)->Drop();
  }

  // Deletes the non-null elements among the n at pItems as `delete` would, one at a time in
  // order, but gives each block one count change per run of its elements rather than one per
  // element: a mesh's elements lie in its blocks in order, so a whole mesh goes with a few
  // atomic adds. A block is freed only after the last of its elements in the run is destroyed.
  static void DeleteEach(T* const* pItems, size_t n)
  {
    SBlock* pRunBlock = nullptr;
    std::int32_t runCount = 0;
    for (size_t i = 0; i < n; i++) {
      T* p = pItems[i];
      if (!p)
        continue;
      const std::uint32_t slot = p->m_PoolSlot;
      p->~T();
      if (slot == 0) {
        ::operator delete(static_cast<void*>(p));
        continue;
      }
      SBlock* pBlock = BlockOf(p, slot);
      if (pBlock != pRunBlock) {
        if (pRunBlock)
          pRunBlock->Add(-runCount);
        pRunBlock = pBlock;
        runCount = 0;
      }
      runCount++;
    }
    if (pRunBlock)
      pRunBlock->Add(-runCount);
  }

  // Elements per block: small first, so that a small mesh costs little, up to the largest block.
  static constexpr std::uint32_t kFirstCapacity = 16;
  static constexpr size_t kMaxBlockBytes = 64 * 1024 - 64;

private:
  struct SBlock
  {
    // The live elements; while the pool fills the block, kFilling less those deleted so far.
    std::atomic<std::int32_t> refs{kFilling};
    std::uint32_t used = 0;
    std::uint32_t capacity = 0;

    T* Slot(std::uint32_t i)
    {
      return reinterpret_cast<T*>(reinterpret_cast<std::byte*>(this) + kDataOffset +
                                  static_cast<size_t>(i) * sizeof(T));
    }
    static size_t Bytes(std::uint32_t capacity)
    {
      return kDataOffset + static_cast<size_t>(capacity) * sizeof(T);
    }
    void Drop() { Add(-1); }
    // The pool moves on: the bias becomes the number of elements made.
    void Detach() { Add(static_cast<std::int32_t>(used) - kFilling); }
    void Add(std::int32_t n)
    {
      if (refs.fetch_add(n, std::memory_order_acq_rel) + n != 0)
        return;
      this->~SBlock();
      ::operator delete(static_cast<void*>(this));
    }
  };

  // Above any number of elements a block holds.
  static constexpr std::int32_t kFilling = std::int32_t{1} << 30;
  static constexpr size_t kAlign = alignof(T) > alignof(SBlock) ? alignof(T) : alignof(SBlock);
  static constexpr size_t kDataOffset = (sizeof(SBlock) + kAlign - 1) / kAlign * kAlign;
  static constexpr std::uint32_t kMaxCapacity =
    static_cast<std::uint32_t>((kMaxBlockBytes - kDataOffset) / sizeof(T));
  static_assert(kAlign <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "blocks come from plain new");
  static_assert(kMaxCapacity >= kFirstCapacity, "an element too large for a block");

  // The block of a pooled element whose slot is `slot`; p may already be destroyed.
  static SBlock* BlockOf(T* p, std::uint32_t slot)
  {
    std::byte* pBytes = reinterpret_cast<std::byte*>(p) - kDataOffset -
                        static_cast<size_t>(slot - 1) * sizeof(T);
    return std::launder(reinterpret_cast<SBlock*>(pBytes));
  }

  void StartBlock()
  {
    const std::uint32_t capacity =
      m_pBlock ? std::min(m_pBlock->capacity * 2, kMaxCapacity) : kFirstCapacity;
    void* pMemory = ::operator new(SBlock::Bytes(capacity));  // first: a failure changes nothing
    Detach();
    m_pBlock = ::new (pMemory) SBlock;
    m_pBlock->capacity = capacity;
  }

  void Detach()
  {
    if (m_pBlock)
      m_pBlock->Detach();
    m_pBlock = nullptr;
  }

  SBlock* m_pBlock = nullptr;
};

// Elements 0 to n - 1 of a claim: the rest of the block being filled, then whole blocks.
template <class T>
class CElementPool<T>::CClaim
{
public:
  std::uint32_t GetSize() const { return m_Size; }
  T* At(std::uint32_t i) const
  {
    if (i < m_FirstCount)
      return m_pFirst->Slot(m_FirstUsed + i);
    const std::uint32_t j = i - m_FirstCount;
    return m_Blocks[j / kMaxCapacity]->Slot(j % kMaxCapacity);
  }

  template <class... Args>
  T* Construct(std::uint32_t i, Args&&... args) const
  {
    T* p = std::construct_at(At(i), std::forward<Args>(args)...);
    p->m_PoolSlot = i < m_FirstCount ? m_FirstUsed + i + 1 : (i - m_FirstCount) % kMaxCapacity + 1;
    return p;
  }

  // Elements of the claim that lie side by side in one block, placed and constructed from the
  // first one's place, for a caller that makes a few neighbours at once (RunAt).
  class CRun
  {
  public:
    T* At(std::uint32_t k) const { return m_pFirst + k; }
    template <class... Args>
    T* Construct(std::uint32_t k, Args&&... args) const
    {
      T* p = std::construct_at(m_pFirst + k, std::forward<Args>(args)...);
      p->m_PoolSlot = m_FirstSlot + k;
      return p;
    }
    explicit operator bool() const { return m_pFirst != nullptr; }

  private:
    friend class CClaim;
    T* m_pFirst = nullptr;
    std::uint32_t m_FirstSlot = 0;
  };
  // Elements i .. i + n - 1 as a run; an empty run (false) when they do not lie in one block.
  CRun RunAt(std::uint32_t i, std::uint32_t n) const
  {
    CRun run;
    if (i < m_FirstCount) {
      if (i + n > m_FirstCount)
        return run;
      run.m_pFirst = m_pFirst->Slot(m_FirstUsed + i);
      run.m_FirstSlot = m_FirstUsed + i + 1;
      return run;
    }
    const std::uint32_t j = i - m_FirstCount;
    const std::uint32_t offset = j % kMaxCapacity;
    if (offset + n > kMaxCapacity || i + n > m_Size)
      return run;
    run.m_pFirst = m_Blocks[j / kMaxCapacity]->Slot(offset);
    run.m_FirstSlot = offset + 1;
    return run;
  }

private:
  friend class CElementPool<T>;

  std::uint32_t m_Size = 0;
  SBlock* m_pFirst = nullptr;
  std::uint32_t m_FirstUsed = 0;
  std::uint32_t m_FirstCount = 0;
  std::vector<SBlock*> m_Blocks;
};

template <class T>
typename CElementPool<T>::CClaim CElementPool<T>::Claim(std::uint32_t n)
{
  CClaim claim;
  claim.m_Size = n;
  const std::uint32_t room = m_pBlock ? m_pBlock->capacity - m_pBlock->used : 0;
  claim.m_FirstCount = std::min(n, room);
  const std::uint32_t left = n - claim.m_FirstCount;
  // Every block first: a failure leaves the pool as it was.
  claim.m_Blocks.resize((left + kMaxCapacity - 1) / kMaxCapacity, nullptr);
  try {
    for (SBlock*& pBlock : claim.m_Blocks) {
      pBlock = ::new (::operator new(SBlock::Bytes(kMaxCapacity))) SBlock;
      pBlock->capacity = kMaxCapacity;
    }
  } catch (...) {
    for (SBlock* pBlock : claim.m_Blocks)
      ::operator delete(static_cast<void*>(pBlock));
    throw;
  }
  if (m_pBlock) {
    claim.m_pFirst = m_pBlock;
    claim.m_FirstUsed = m_pBlock->used;
    m_pBlock->used += claim.m_FirstCount;
  }
  std::uint32_t placed = 0;
  for (SBlock* pBlock : claim.m_Blocks) {
    Detach();
    m_pBlock = pBlock;
    m_pBlock->used = std::min(left - placed, kMaxCapacity);
    placed += m_pBlock->used;
  }
  return claim;
}
