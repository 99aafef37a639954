#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Static Huffman coder of byte symbols into an array of code bits (one element 0 or 1
// per bit). Counts are scaled to 8 bits before the tree is built, an end symbol (256)
// of count 1 closes the output, and each code goes out least significant bit first: the
// branch at the leaf first, the branch at the root last.
class CHuffman
{
public:
  static constexpr int NbSymbol = 256;
  static constexpr int EndSymbol = 256;

  CHuffman() = default;

  // Appends the code bits of every input symbol, then of the end symbol, to output.
  // 0 (and nothing appended) when an input symbol is above 255.
  int Encode(const std::vector<unsigned int>& input, std::vector<unsigned int>& output);

  // The codes of the last Encode, for symbols 0-255 and the end symbol (length 0 for a
  // symbol that did not occur).
  std::uint32_t GetCode(int symbol) const { return m_Codes[symbol].Code; }
  std::uint32_t GetLength(int symbol) const { return m_Codes[symbol].Length; }

private:
  struct CCode
  {
    std::uint32_t Code = 0;
    std::uint32_t Length = 0;
  };

  std::array<CCode, NbSymbol + 1> m_Codes{};
};
