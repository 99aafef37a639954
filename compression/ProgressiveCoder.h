#pragma once

#include "compression/ProgressiveCodeList.h"
#include "compression/ProgressiveGate.h"
#include "compression/ProgressiveVertexRecord.h"
#include "mesh/Object3d.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CFace3d;
class CIBitFile;
class CMesh3d;
class COBitFile;
class CVertex3d;

// Progressive coder: removes vertices in decimation layers by a first-in first-out conquest of
// gates, retriangulating each removed vertex's hole by a fixed pattern, and records each
// decision as a code of the layer.
class CProgressiveCoder : public CObject3d
{
public:
  CProgressiveCoder() = default;
  ~CProgressiveCoder() override = default;

  CProgressiveCoder(const CProgressiveCoder&) = delete;
  CProgressiveCoder& operator=(const CProgressiveCoder&) = delete;

  // Vetoes applied to removals in the following layers.
  void SetForbidConcave(int flag) { m_ForbidConcave = flag; }
  void SetForbidNormalFlipping(int flag) { m_ForbidNormalFlipping = flag; }
  void SetPureValence(int flag) { m_PureValence = flag; }

  // Decimates the mesh in pairs of layers (simple, then double) until it has at most the target
  // vertex count or nothing more goes, and writes base mesh, codes and geometry with q bits per
  // quantized coordinate. The callback gets the vertex count after each pair. Returns 0 when
  // refused (target not below the vertex count, q outside 1..15, file not written).
  int Encode(CMesh3d* pMesh, int targetVertexCount, int quantizationBits, const char* fileName,
             int (*callback)(int));
  // Reads a stream into an empty mesh, calling back after each re-inserted layer. Returns 0 on
  // a stream that cannot be read whole or does not fit together.
  int Decode(CMesh3d* pMesh, const char* fileName, int (*callback)(int));

  // One decimation layer of the mesh in place (gate type 0 simple, 1 double); returns the number
  // of vertices removed. The mesh is rebuilt afterwards.
  int EncodeLayer(CMesh3d* pMesh, int gateType, int maxValence);

  // Re-inserts every layer encoded so far into the decimated mesh, coarsest first, replaying the
  // conquest with the stored codes; removed vertices come back at their positions before removal.
  // Returns 0 when a layer's codes do not fit the mesh (the mesh then stays sound but unrefined).
  int DecodeLayers(CMesh3d* pMesh);

  int NbLayer() const { return static_cast<int>(m_LayerCodes.size()); }
  const CProgressiveCodeList* GetLayerCodes(int i) const { return m_LayerCodes[i].get(); }

private:
  static constexpr int kNone = -1;

  int Quantize();
  void ComputeLayerGeometry(int limit);
  void DiscardEmptyLayers();
  int OutputBaseMesh(COBitFile* pFile);
  int OutputCodes(COBitFile* pFile) const;
  int WriteGeometry(COBitFile* pFile) const;
  int InputBaseMesh(CIBitFile* pFile, std::uint64_t fileBits);
  int InputCodes(CIBitFile* pFile);
  int InflateGeometry(CIBitFile* pFile);
  int ReadPredictedLayer(CIBitFile* pFile, std::vector<CProgressiveVertexRecord>* pRecords);
  void PlaceVertex(CVertex3d* v, const std::vector<CVertex3d*>& border,
                   const std::vector<std::array<int, 3>>& faces);

  void InitLayer();
  int EncodeStep();
  int ProcessGate(CProgressiveGate* pGate);
  int NullPatch(const CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v);
  int BuildPatch(CProgressiveGate* pGate, CFace3d* pFace, CVertex3d* v, int valence) const;
  int IsBorderConcave(CProgressiveGate* pGate) const;
  int IsBorderDegenerate(CProgressiveGate* pGate) const;
  int Retriangulate(CProgressiveGate* pGate);
  void PushGatesAfterRemoval(CProgressiveGate* pGate);
  void PushGate(CVertex3d* a, CVertex3d* b);
  void SeedGates();
  int DecodeLayer(int layer);
  int DecodeStep();
  int FindPattern(CProgressiveGate* pGate, int valence, std::vector<CVertex3d*>* pBorder,
                  std::vector<CFace3d*>* pFaces) const;
  void InsertVertex(CProgressiveGate* pGate, const std::vector<CVertex3d*>& border,
                    const std::vector<CFace3d*>& faces);

  CMesh3d* m_pMesh = nullptr;
  std::deque<std::unique_ptr<CProgressiveGate>> m_Gates;
  std::vector<std::unique_ptr<CProgressiveCodeList>> m_LayerCodes;
  CProgressiveCodeList* m_pCurrentCodes = nullptr;
  // Per layer, the removed vertices' positions in removal order.
  std::vector<std::vector<std::array<float, 3>>> m_LayerPositions;
  // Per layer, the quantized geometry of the removed vertices and whether it is predicted.
  std::vector<std::vector<CProgressiveVertexRecord>> m_LayerRecords;
  std::vector<int> m_LayerPredicted;
  int m_FromStream = 0;
  int m_DecodeError = 0;
  int m_QuantizationBits = 0;
  float m_Scale[3] = {0, 0, 0};
  float m_Shift[3] = {0, 0, 0};
  int m_CodeCursor = 0;
  int m_PositionCursor = 0;
  int m_DecodeLayer = 0;
  int m_HasBoundary = 0;
  int m_GateType = 0;
  int m_MaxValence = 6;
  int m_PureValence = 0;
  int m_ApplyRemoval = 1;
  int m_ForbidConcave = 0;
  int m_ForbidNormalFlipping = 0;
};
