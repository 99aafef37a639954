#pragma once

#include "coding/IBitFile.h"
#include "coding/OBitFile.h"

#include <cstdint>
#include <vector>

// Stack-run coding of integer signals with many zeros. Each non-zero value becomes a
// level and each stretch of zeros a run; both are written in binary over four symbols
// (0 and 1 the digits of levels; 2 and 3 the digits of runs and the signs of levels),
// split into a run stream and a level stream, and each stream is range coded at order 0.
//
// Stream: run-buffer length, level-buffer length and shift magnitude (24 bits each), the
// shift's sign bit (1 negative), then the run section and the level section.
class CStackRun
{
public:
  // Signals are limited so that a hostile stream cannot ask for unbounded memory.
  static constexpr int MaxSignalSize = 1 << 26;
  static constexpr std::uint32_t MaxFieldValue = (1u << 24) - 1;

  CStackRun() = default;
  CStackRun(const CStackRun&) = delete;
  CStackRun& operator=(const CStackRun&) = delete;

  // Codes values + shift into the file; returns the file's total bits, header included,
  // or 0 when the signal does not fit the stream (size, shift or buffer lengths above
  // their fields) or the file cannot be written. The values are not changed.
  int Encode(const int* values, int size, int shift, COBitStream* file);
  int EncodeToFile(const int* values, int size, int shift, const char* fileName);

  // Codes the values both ways, stack-run into fileName and plain order-0 range coding into
  // "std.bin" in the working folder, and shows the gain in a message box. 0 when either
  // coding failed (no message then).
  int CompareWithStd(const int* values, int size, int shift, const char* fileName, int& bits,
                     int& stdBits);

  // Rebuilds the signal; 0 (values emptied) on a truncated or inconsistent stream.
  int Decode(std::vector<int>& values, CIBitStream* file);
  int DecodeFromFile(std::vector<int>& values, const char* fileName);

  // A random test signal of n values, the generator seeded with the clock.
  std::vector<int> GenerateSignal(int n);

  const std::vector<std::uint8_t>& GetRunBuffer() const { return m_RunBuffer; }
  const std::vector<std::uint8_t>& GetLevelBuffer() const { return m_LevelBuffer; }

private:
  struct CItem
  {
    std::int64_t Value = 0;
    std::uint8_t Type = 0; // 1 level, 0 run
    std::uint8_t NbDigit = 0;
    std::uint8_t Sign = 0;
    std::uint8_t Digit[33] = {};

    void Set(std::int64_t value);
  };

  int BuildItems(const int* values, int size, int shift);
  void ImproveItems();
  void Interleave();
  int ReadItems(std::int64_t shift, std::vector<int>& values) const;

  std::vector<CItem> m_Items;
  std::vector<std::uint8_t> m_RunBuffer;
  std::vector<std::uint8_t> m_LevelBuffer;
  int m_Result = 0;
};
