#include "document/VanthDoc.h"

#include "app/dialogs/DlgIterations.h"
#include "app/objects/VectorSet3d.h"
#include "app/resources/Resource.h"
#include "compression/PositionDecoder.h"
#include "compression/PositionEncoder.h"
#include "compression/VertexRun.h"
#include "mesh/ColorRamp.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"

#include <memory>
#include <optional>
#include <vector>

using platform::StatusMessage;

namespace {

constexpr const char* kPositionsFile = "Positions.bin";
constexpr int kMovingMean = 4;

std::optional<int> AskIterations()
{
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return std::nullopt;
  return dialog.m_Iterations;
}

float EncodePositions(const CMesh3d* pMesh, int bits, int refinementBits,
                      CSceneGraph3d* pSceneGraph = nullptr, CMesh3d* pShown = nullptr)
{
  CVertexRun run;
  pMesh->CopyVerticesTo(&run);
  CPositionEncoder encoder;
  return encoder.Encode(kPositionsFile, nullptr, &run, bits, kMovingMean, refinementBits,
                        pSceneGraph, pSceneGraph ? 1 : 0, pShown);
}

// A copy of the mesh moved to the positions decoded at the level; null, and the user told,
// when "Positions.bin" holds no positions for this mesh.
std::unique_ptr<CMesh3d> DecodedCopy(const CMesh3d* pSource, int level, int* pBits = nullptr)
{
  auto pCopy = std::make_unique<CMesh3d>();
  pCopy->Copy(pSource);
  CPositionDecoder decoder;
  const int bits = decoder.Decode(kPositionsFile, nullptr, pCopy.get(), level);
  if (!bits) {
    platform::MessageBox(platform::Format(
      "Unable to decode %s: it holds no positions of this mesh (%d vertices)", kPositionsFile,
      pSource->NbVertex()));
    return nullptr;
  }
  if (pBits)
    *pBits = bits;
  pCopy->Rebuild();
  return pCopy;
}

} // namespace

void CVanthDoc::RegisterPositionCodingCommands()
{
  OnCommand(ID_ATTRIBUTES_POSITIONS, &CVanthDoc::OnAttributesPositions, TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_POSITIONS_SPHERES, &CVanthDoc::OnAttributesPositionsSpheres, TYPE_MESH3D);
  OnCommand(ID_DECODE_FIRST_APPROXIMATION, &CVanthDoc::OnDecodeFirstApproximation, TYPE_MESH3D);
  OnCommand(ID_DECODE_FIRST_APPROXIMATION_R0, &CVanthDoc::OnDecodeFirstApproximationR0, TYPE_MESH3D);
  OnCommand(ID_DECODE_BITPLANE, &CVanthDoc::OnDecodeBitplane, TYPE_MESH3D);
  OnCommand(ID_DECODE_MULTI_MESH, &CVanthDoc::OnDecodeMultiMesh, TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_MULTI_CODING, &CVanthDoc::OnAttributesMultiCoding, TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_MULTI_CODING_INTERPOLATING, &CVanthDoc::OnAttributesMultiCodingInterpolating,
            TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_COLOR_ERROR, &CVanthDoc::OnAttributesColorError, TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_ERROR_VECTORS, &CVanthDoc::OnAttributesErrorVectors, TYPE_MESH3D);
  OnCommand(ID_ATTRIBUTES_TOGGLE_QUANTIZED, &CVanthDoc::OnAttributesToggleQuantized, TYPE_MESH3D);
}

void CVanthDoc::EncodePositionsCommand(int errorSpheres)
{
  const std::optional<int> bits = AskIterations();
  CMesh3d* pMesh = GetFirstMesh();
  if (!bits || !pMesh)
    return;
  KeepFirstObjectOnly();
  platform::CWaitCursor wait;
  if (EncodePositions(pMesh, *bits, 10, errorSpheres ? &m_SceneGraph : nullptr,
                      errorSpheres ? pMesh : nullptr) == 0.0f)
    platform::MessageBox(platform::Format("Unable to code the positions at %d bits", *bits));
  InvalidateViews();
}

void CVanthDoc::OnAttributesPositions()
{
  EncodePositionsCommand(0);
}

void CVanthDoc::OnAttributesPositionsSpheres()
{
  EncodePositionsCommand(1);
}

void CVanthDoc::OnDecodeFirstApproximation()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  KeepFirstObjectOnly();
  platform::CWaitCursor wait;
  CPositionDecoder decoder;
  if (!decoder.Decode(kPositionsFile, nullptr, pMesh, 0))
    platform::MessageBox(platform::Format(
      "Unable to decode %s: it holds no positions of this mesh (%d vertices)", kPositionsFile,
      pMesh->NbVertex()));
  pMesh->Rebuild();
  InvalidateViews();
}

void CVanthDoc::DecodeLevelIntoCopy(int level)
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  KeepFirstObjectOnly();
  platform::CWaitCursor wait;
  std::unique_ptr<CMesh3d> pCopy = DecodedCopy(pMesh, level);
  if (!pCopy)
    return;
  pMesh->Show(0);
  m_SceneGraph.Add(pCopy.release());
  InvalidateViews();
}

void CVanthDoc::OnDecodeFirstApproximationR0()
{
  DecodeLevelIntoCopy(1);
}

void CVanthDoc::OnDecodeBitplane()
{
  if (const std::optional<int> level = AskIterations())
    DecodeLevelIntoCopy(*level);
}

void CVanthDoc::OnDecodeMultiMesh()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  pMesh->Show(0);
  KeepFirstObjectOnly();
  platform::CWaitCursor wait;
  for (int level = 0; level <= 7; level++) {
    int bits = 0;
    std::unique_ptr<CMesh3d> pCopy = DecodedCopy(pMesh, level, &bits);
    if (!pCopy)
      break;
    pCopy->SetName(platform::Format("[%d]%d bits", level, bits));
    m_SceneGraph.Add(pCopy.release());
  }
  InvalidateViews();
}

void CVanthDoc::OnAttributesMultiCoding()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  for (int bits = 1; bits <= 11; bits++) {
    const float rate = EncodePositions(pMesh, bits, 16);
    std::unique_ptr<CMesh3d> pCopy = DecodedCopy(pMesh, 0);
    if (!pCopy)
      return;
    pCopy->SetName(platform::Format("%4.2f b/face", rate));
    m_SceneGraph.Add(pCopy.release());
  }
}

// Seven widths, then ten steps between each two: the copies made here are the only objects
// that take part, and the user's mesh stays in the scene, hidden.
void CVanthDoc::OnAttributesMultiCodingInterpolating()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  std::vector<std::unique_ptr<CMesh3d>> widths;
  for (int bits = 1; bits <= 7; bits++) {
    EncodePositions(pMesh, bits, 16);
    std::unique_ptr<CMesh3d> pCopy = DecodedCopy(pMesh, 0);
    if (!pCopy)
      return;
    pCopy->SetName(platform::Format("%d bits", bits));
    widths.push_back(std::move(pCopy));
  }
  constexpr int kSteps = 10;
  pMesh->Show(0);
  for (size_t k = 0; k + 1 < widths.size(); k++) {
    const CMesh3d* pA = widths[k].get();
    const CMesh3d* pB = widths[k + 1].get();
    for (int s = 0; s <= kSteps; s++) {
      auto pStep = std::make_unique<CMesh3d>();
      pStep->Copy(pA);
      const float t = static_cast<float>(s) / kSteps;
      for (int j = 0; j < pStep->NbVertex(); j++) {
        const CVertex3d* a = pA->GetVertex(j);
        const CVertex3d* b = pB->GetVertex(j);
        pStep->GetVertex(j)->Set(a->x() + (b->x() - a->x()) * t, a->y() + (b->y() - a->y()) * t,
                                 a->z() + (b->z() - a->z()) * t);
      }
      pStep->Rebuild();
      if (s == 0)
        m_SceneGraph.Add(widths[k].release());
      m_SceneGraph.Add(pStep.release());
    }
  }
  InvalidateViews();
}

// Object 0 alone, coded at the width the user chooses and decoded into a copy; null when the
// user cancels or the positions do not decode.
std::unique_ptr<CMesh3d> CVanthDoc::CodedCopyOfFirstMesh()
{
  if (!GetFirstMesh())
    return nullptr;
  KeepFirstObjectOnly();
  const std::optional<int> bits = AskIterations();
  if (!bits)
    return nullptr;
  EncodePositions(GetFirstMesh(), *bits, 16);
  return DecodedCopy(GetFirstMesh(), 0);
}

void CVanthDoc::OnAttributesColorError()
{
  std::unique_ptr<CMesh3d> pCopy = CodedCopyOfFirstMesh();
  if (!pCopy)
    return;
  platform::CWaitCursor wait;
  CMesh3d* pSource = GetFirstMesh();
  CColorRamp ramp;
  ramp.BuildRainbow();
  CMesh3d* pShown = pCopy.get();
  m_SceneGraph.Add(pCopy.release());
  pShown->ColorVerticesFromDistance(&ramp, pSource, 1,
                                    [this](CObject3d* pObject) { m_SceneGraph.Add(pObject); });
  pShown->SetModified();
  pSource->Show(0);
  InvalidateViews();
}

void CVanthDoc::OnAttributesErrorVectors()
{
  std::unique_ptr<CMesh3d> pCopy = CodedCopyOfFirstMesh();
  if (!pCopy)
    return;
  platform::CWaitCursor wait;
  CMesh3d* pSource = GetFirstMesh();
  if (CVectorSet3d* pVectors = pCopy->GetVectorSetToMesh(pSource))
    m_SceneGraph.Add(pVectors);
  InvalidateViews();
}

void CVanthDoc::OnAttributesToggleQuantized()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  platform::CWaitCursor wait;
  pMesh->ToggleQuantizedPositions();
  pMesh->ComputeFaceNormals();
  pMesh->ComputeVertexNormals();
  StatusMessage(pMesh->IsQuantized() ? "Quantized mode" : "Unquantized mode");
  InvalidateViews();
}
