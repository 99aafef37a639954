#pragma once

#include "mesh/Array3d.h"

#include <cstdint>

// Bulk setters over an element array, shared by the mesh kinds.
namespace elementarrays {

template <class T>
void SetColor(const CArray3d<T>& array, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  for (int i = 0; i < array.GetSize(); i++)
    array[i]->SetColor(r, g, b);
}

template <class T>
void SetFlag(const CArray3d<T>& array, int flag)
{
  for (int i = 0; i < array.GetSize(); i++)
    array[i]->SetFlag(flag);
}

} // namespace elementarrays
