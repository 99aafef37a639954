#pragma once

#include "compression/PositionCoder.h"

class COBitStream;
class CSceneGraph3d;
class CVertexRun;

// Compresses the positions of a run of vertices (usually "Positions.bin").
class CPositionEncoder : public CPositionCoder
{
public:
  CPositionEncoder() = default;

  // Writes the run's positions into bitFile, or into a file of its own on fileName when
  // bitFile is null (then padded to a byte). Returns the ratio: bits of the header and
  // positions per face of the mesh (per 2·nV without a mesh). 0, nothing written, for a run
  // of fewer than 4 vertices or with a coordinate that is not finite, qb outside 1 .. 31, a
  // moving mean above 31, or a file that cannot be written. With a scene graph and
  // showErrors, a point set of the vertices whose rebuilt position is off goes into it.
  float Encode(const char* fileName, COBitStream* bitFile, const CVertexRun* pRun, int qb,
               int movingMean, int refinementBits, CSceneGraph3d* pSceneGraph, int showErrors,
               CMesh3d* pMesh);

private:
  int TakeInput(const CVertexRun* pRun);
  void ComputeScales(const CVertexRun* pRun);
  // Appends the remainder and sign of f and returns the dequantized value.
  float Quantize(double base, double residual, double factor, int axis);
  void CodeVertex(int i);
  void ComputeRefinement();
  int WritePositions(COBitStream& file) const;
  int WriteRefinement(COBitStream& file) const;
  void ShowErrors(CSceneGraph3d* pSceneGraph, const CVertexRun* pRun) const;
};
