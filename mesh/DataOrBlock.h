#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

// The data pointer that an algorithm borrows for a run and the block of rarely used state of
// an element, in one word. While no block exists the word is the data pointer itself, so that
// a run that sets data on every element makes no block. The first need of the block makes it
// and moves the data into it; from then on the word is the block's address with its low bit
// set (a block is at least 4-aligned), and the data lives in the block.
//
// With S not void, the word also holds one pointer of the block's state by itself (the block
// member `S* side`, tag 2 in the two low bits) while there is neither data nor a block: an
// element whose only rare state is that pointer (an undo chain, most often) makes no block.
// Setting data then moves the side pointer into a block.
//
// A data value with one of the two low bits set could not be told from a tagged word, so it
// gets a block too. B is default-constructible and has a member `void* data`. The block is
// owned; what `side` points to is not.
template <class B, class S = void>
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
    if (const B* pBlock = Find())
      return pBlock->data;
    return (m_Word & kTagMask) ? nullptr : reinterpret_cast<void*>(m_Word);
  }

  void SetData(void* pData)
  {
    const auto word = reinterpret_cast<std::uintptr_t>(pData);
    const std::uintptr_t tag = m_Word & kTagMask;
    if (tag == 0 && !(word & kTagMask)) {
      m_Word = word;
      return;
    }
    if (tag == kSideTag && !pData)
      return;
    Get().data = pData;
  }

  // The block, or null while there is none.
  B* Find() const
  {
    return (m_Word & kTagMask) == kBlockTag ? reinterpret_cast<B*>(m_Word & ~kTagMask) : nullptr;
  }

  // The block, made on first need.
  B& Get()
  {
    if (B* pBlock = Find())
      return *pBlock;
    auto pBlock = std::make_unique<B>();  // first: a failure leaves the word as it was
    Install(pBlock.release());
    return *Find();
  }

  // Takes pBlock, made elsewhere and owned from now on, as the block where there is none yet,
  // with the data or side pointer moved into it as Get does; false, pBlock left to the caller,
  // where there is one.
  bool Adopt(B* pBlock)
  {
    if (Find())
      return false;
    Install(pBlock);
    return true;
  }

  // Only for S not void (a member of a class template is made only where used).
  S* GetSide() const
  {
    if (const B* pBlock = Find())
      return pBlock->side;
    return (m_Word & kTagMask) == kSideTag ? reinterpret_cast<S*>(m_Word & ~kTagMask) : nullptr;
  }

  void SetSide(S* pSide)
  {
    static_assert(alignof(S) > kTagMask, "the two low bits of the side pointer hold the tag");
    if (B* pBlock = Find()) {
      pBlock->side = pSide;
      return;
    }
    if (m_Word == 0 || (m_Word & kTagMask) == kSideTag) {
      m_Word = pSide ? reinterpret_cast<std::uintptr_t>(pSide) | kSideTag : 0;
      return;
    }
    if (pSide)  // data is held: the two need the block
      Get().side = pSide;
  }

private:
  // The word has no block yet: pBlock becomes it, with what the word held.
  void Install(B* pBlock)
  {
    if ((m_Word & kTagMask) == 0) {
      pBlock->data = reinterpret_cast<void*>(m_Word);
    } else if constexpr (!std::is_void_v<S>) {
      pBlock->side = reinterpret_cast<S*>(m_Word & ~kTagMask);
    }
    m_Word = reinterpret_cast<std::uintptr_t>(pBlock) | kBlockTag;
  }

  static constexpr std::uintptr_t kTagMask = 3;
  static constexpr std::uintptr_t kBlockTag = 1;
  static constexpr std::uintptr_t kSideTag = 2;
  static_assert(alignof(B) > kTagMask, "the two low bits of a block's address hold the tag");

  std::uintptr_t m_Word = 0;
};
