#pragma once

#include <cstddef>
#include <cstdint>

// Home slot of an address in the flat scratch tables. Elements of a pool lie a fixed stride
// apart: the high bits of a multiplicative hash spread such runs evenly.
inline std::size_t PointerHome(const void* p)
{
  const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
  return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32);
}
