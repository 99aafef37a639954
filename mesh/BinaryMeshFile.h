#pragma once

#include "mesh/Array3d.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// Steps shared by the binary files of the quad and polygon meshes: little-endian 32-bit words
// gathered in memory, then written as the whole file at once.
namespace binaryfile {

struct SFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

// Appends the word least significant byte first, whatever the machine.
void PutWord(std::vector<unsigned char>& bytes, std::uint32_t word);

// The header (vertex count, face count) and each vertex's x, y, z; every vertex's flag
// becomes its index, for the corners that follow.
template <class V>
void PutHeaderAndVertices(std::vector<unsigned char>& bytes, const CArray3d<V>& vertices,
                          int nbFace);

// Writes the bytes as the whole file; 1 on success. A file that cannot be written whole is
// removed: a truncated file would only be rejected later.
int WriteWhole(const char* fileName, const std::vector<unsigned char>& bytes);

template <class V>
void PutHeaderAndVertices(std::vector<unsigned char>& bytes, const CArray3d<V>& vertices,
                          int nbFace)
{
  PutWord(bytes, static_cast<std::uint32_t>(vertices.GetSize()));
  PutWord(bytes, static_cast<std::uint32_t>(nbFace));
  for (int i = 0; i < vertices.GetSize(); i++) {
    V* vertex = vertices[i];
    vertex->SetFlag(i);
    for (const float coordinate : {vertex->x(), vertex->y(), vertex->z()})
      PutWord(bytes, std::bit_cast<std::uint32_t>(coordinate));
  }
}

} // namespace binaryfile
