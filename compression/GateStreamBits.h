#pragma once

#include "coding/OBitStream.h"

#include <cstddef>
#include <cstdint>

// The in-memory bit stream of a gate encoder, with whole words written a byte at a time rather
// than bit by bit: the raw geometry is most of a stream. The bits come out exactly as
// WriteBits would put them.
class CGateStreamBits : public COBitStream
{
public:
  CGateStreamBits() = default;

  // Same bits as WriteBits(value, 32).
  void WriteWord(std::uint32_t value) { WriteWords(&value, 1); }
  // Same bits as WriteFloat(value).
  void WriteWordFloat(float value);
  // Same bits as WriteBits(words[i], 32) for each word in turn.
  void WriteWords(const std::uint32_t* words, std::size_t n);
};
