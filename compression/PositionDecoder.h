#pragma once

#include "compression/PositionCoder.h"

class CIBitStream;

// Reads what CPositionEncoder wrote and moves the mesh's vertices to the decoded positions.
class CPositionDecoder : public CPositionCoder
{
public:
  CPositionDecoder() = default;

  // Reads from bitFile, or from fileName when bitFile is null. level 0 keeps the first
  // approximation, 1 adds each error's first significant bit, n > 1 also planes 0 .. n-1.
  // The number of bits read, vertex i of the mesh at the i-th position; 0, the mesh untouched,
  // when the file cannot be read, is cut short or corrupted, or its vertex count is not the
  // mesh's.
  int Decode(const char* fileName, CIBitStream* bitFile, CMesh3d* pMesh, int level);

private:
  int ReadHeader(CIBitStream& file);
  int ReadPositions(CIBitStream& file);
  int ReadRefinement(CIBitStream& file, int level);
};
