#pragma once

#include <climits>
#include <cstdint>

// 32-bit references between the elements of a mesh (a face to its corners and neighbours, a
// vertex to the elements around it).
//
// A reference is the distance from the referring object (its origin, rounded down to 8 bytes)
// to the element, in units of 8 bytes (every element is 8-aligned), which reaches 16 GiB either
// way. The elements of a mesh are allocated together, far closer than that, so a reference
// costs half a pointer and turns back into one with an add: no table to read and no pool to
// find from an address, so the hot accessors wait on nothing more than a pointer load. Zero is
// the null reference: no element starts at the rounded origin, which lies inside the referring
// element past its first word (its vtable pointer). An element out of reach (on the stack, or
// placed apart by an allocator) gets no reference: its holder keeps full pointers instead, so
// that no element is ever lost.
namespace elementref {

inline std::intptr_t Origin(const void* pOrigin)
{
  return reinterpret_cast<std::intptr_t>(pOrigin) & ~std::intptr_t{7};
}

// False when the element is out of reach of the origin.
inline bool Encode(const void* pOrigin, const void* p, std::int32_t* pCode)
{
  if (!p) {
    *pCode = 0;
    return true;
  }
  const std::intptr_t distance = reinterpret_cast<std::intptr_t>(p) - Origin(pOrigin);
  // A shift, not a division: it is exact once the distance is known to be a multiple of 8, and
  // every face and list write goes through here.
  const std::intptr_t code = distance >> 3;
  if ((distance & 7) != 0 || code == 0 || code != static_cast<std::int32_t>(code))
    return false;
  *pCode = static_cast<std::int32_t>(code);
  return true;
}

// The widest span of memory whose every origin reaches every element in it: a reference
// spans [-2^31, 2^31 - 1] units of 8 bytes, and an origin lies up to 7 bytes below its object.
inline constexpr std::uintptr_t kSpan = ((std::uintptr_t{1} << 31) - 1) * 8;

// True when the referring objects and 8-aligned elements, all lying in [lo, hi], reach one
// another: a caller that writes many references checks once, rather than each reference.
inline bool SpanInReach(std::uintptr_t lo, std::uintptr_t hi)
{
  return lo <= hi && hi - lo <= kSpan;
}

// Encode without the checks, for a caller that knows p is null or an 8-aligned element in
// reach of the origin (SpanInReach) that does not start at it (the origin lies inside a live
// object, past its first word, where no element starts).
inline std::int32_t EncodeInReach(const void* pOrigin, const void* p)
{
  const std::intptr_t code = (reinterpret_cast<std::intptr_t>(p) - Origin(pOrigin)) >> 3;
  return p ? static_cast<std::int32_t>(code) : 0;
}

template <class T>
T* Decode(const void* pOrigin, std::int32_t code)
{
  const std::intptr_t target = Origin(pOrigin) + static_cast<std::intptr_t>(code) * 8;
  return code ? reinterpret_cast<T*>(target) : nullptr;
}

} // namespace elementref
