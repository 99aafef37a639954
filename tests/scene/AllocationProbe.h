#pragma once

#include <cstddef>

// Watches the largest single request made through operator new while it lives (the suite
// replaces the global operators): a reader given a hostile header must answer without taking
// the memory that header announces.
class CAllocationProbe
{
public:
  CAllocationProbe();
  ~CAllocationProbe();

  CAllocationProbe(const CAllocationProbe&) = delete;
  CAllocationProbe& operator=(const CAllocationProbe&) = delete;

  // Bytes of the largest request since construction.
  std::size_t Largest() const;

  static void Note(std::size_t size);
};
