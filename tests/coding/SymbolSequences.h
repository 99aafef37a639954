#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// Symbol sequences for the range coders' tests.
namespace symbol_sequences {

using Symbols = std::vector<std::uint32_t>;

// Long runs of one symbol broken by others, as the progressive conquest codes are.
inline Symbols Runs(std::mt19937& random, std::uint32_t n, std::size_t count)
{
  Symbols symbols;
  std::uint32_t common = 0;
  while (symbols.size() < count) {
    if (random() % 8 == 0)
      common = static_cast<std::uint32_t>(random() % n);
    const std::size_t run = random() % 300;
    symbols.insert(symbols.end(), run, common);
    symbols.push_back(static_cast<std::uint32_t>(random() % n));
  }
  symbols.resize(count);
  return symbols;
}

inline Symbols Uniform(std::mt19937& random, std::uint32_t n, std::size_t count)
{
  Symbols symbols(count);
  for (std::uint32_t& s : symbols)
    s = static_cast<std::uint32_t>(random() % n);
  return symbols;
}

} // namespace symbol_sequences
