#pragma once

#include <cstdint>
#include <memory>

// The data pointer that an algorithm borrows for a run and the block of rarely used state of
// an element, in one word. While no block exists the word is the data pointer itself, so that
// a run that sets data on every element makes no block. The first need of the block makes it
// and moves the data into it; from then on the word is the block's address with its low bit
// set (a block is at least 2-aligned), and the data lives in the block. A data value with the
// low bit set could not be told from a block's address, so it gets a block too.
//
// B is default-constructible and has a member `void* data`. The block is owned.
template <class B>
class CDataOrBlock
{
public:
  CDataOrBlock() = default;
  explicit CDataOrBlock(void* pData) { SetData(pData); }
  ~CDataOrBlock() { delete Find(); }

  CDataOrBlock(const CDataOrBlock&) = delete;
  CDataOrBlock& operator=(const CDataOrBlock&) = delete;

  void* GetData() const
  {
    const B* pBlock = Find();
    return pBlock ? pBlock->data : reinterpret_cast<void*>(m_Word);
  }

  void SetData(void* pData)
  {
    const auto word = reinterpret_cast<std::uintptr_t>(pData);
    if (!(m_Word & kBlockBit) && !(word & kBlockBit)) {
      m_Word = word;
      return;
    }
    Get().data = pData;
  }

  // The block, or null while there is none.
  B* Find() const
  {
    return (m_Word & kBlockBit) ? reinterpret_cast<B*>(m_Word & ~kBlockBit) : nullptr;
  }

  // The block, made on first need.
  B& Get()
  {
    if (B* pBlock = Find())
      return *pBlock;
    auto pBlock = std::make_unique<B>();  // first: a failure leaves the word as it was
    pBlock->data = reinterpret_cast<void*>(m_Word);
    m_Word = reinterpret_cast<std::uintptr_t>(pBlock.release()) | kBlockBit;
    return *Find();
  }

private:
  static constexpr std::uintptr_t kBlockBit = 1;
  static_assert(alignof(B) >= 2, "the low bit of a block's address marks it");

  std::uintptr_t m_Word = 0;
};
