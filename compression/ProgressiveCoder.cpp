// Drivers of the progressive coder: encoding in layer pairs with its report and levels file,
// decoding with its redraws, and the single-layer experiments.
#include "compression/ProgressiveCoder.h"

#include "coding/FrequencyModel.h"
#include "coding/IBitFile.h"
#include "coding/OBitStream.h"
#include "compression/ProgressiveReplay.h"
#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Redraw.h"
#include "scene/SceneGraph3d.h"
#include "scene/StreamFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kMaxLayers = 1023;

void Sleep(int milliseconds)
{
  if (milliseconds > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

CProgressiveCoder::~CProgressiveCoder() = default;

int CProgressiveCoder::Encode(CMesh3d* pMesh, int targetVertexCount, int quantizationBits,
                              const char* fileName, int simulate, int forbidConcave,
                              int forbidNormalFlipping, int useMetric, int metricKind,
                              double metricThreshold, int switchMetricOff,
                              int metricOffVertexCount, CRenderView* pView, int redrawPeriod,
                              int colourPatches, int colourCause, Callback callback,
                              int writeLevels, const char* levelsFileName, int report)
{
  m_pMesh = pMesh;
  m_QuantizationBits = quantizationBits;
  m_ForbidConcave = forbidConcave;
  m_ForbidNormalFlipping = forbidNormalFlipping;
  SetMetric(useMetric, metricKind, metricThreshold);
  m_RedrawPeriod = std::max(1, redrawPeriod);
  // No redraw inside a layer: the view only serves the redraw after each pair.
  SetDebugging(nullptr, colourPatches, colourCause, 0);
  m_ApplyRemoval = 1;
  m_PureValence = 0;
  m_HasBoundary = pMesh->HasBoundary();
  m_CornersCarried = 0;
  if (targetVertexCount >= pMesh->NbVertex()) {
    platform::MessageBox("invalid #vertices", platform::MB_OK);
    return 0;
  }
  if (quantizationBits < 1 || quantizationBits > 15)
    return 0;
  CStreamFile levels;
  const char* levelsName = levelsFileName ? levelsFileName : "levels.wrl";
  if (writeLevels && CSceneGraph3d().WriteHeaderVrml(levels, levelsName))
    pMesh->WriteVrml(levels);
  if (!Quantize())
    return 0;
  FindTangledFaces();
  const int cap = std::min((1 << quantizationBits) - 1, CFrequencyModel::MaxSymbols / 2 - 1);
  m_ResidualLimit = cap - std::min(8, cap / 4);
  const int initialCount = pMesh->NbVertex();
  m_pArrays.reset();
  m_ArrayLayerCount = 0;
  // Where nothing watches the layers, they run on index arrays and the objects are written once
  // (taken at the first layer: without one the objects stay as they are).
  m_ArraysWanted = m_ArrayLayersAllowed && !pView && !colourPatches && !colourCause &&
                   m_RefusalMode == 0 && !writeLevels;
  while (LiveVertexCount() > targetVertexCount && NbLayer() + 2 <= kMaxLayers) {
    const int r1 = EncodeLayerOf(0, 6);
    const int r2 = EncodeLayerOf(1, 3);
    pMesh->SetModified();
    if (pView) {
      // Layers keep adjacency only; the view draws with normals.
      pMesh->Rebuild();
      m_CornersCarried = 0;
      platform::RedrawView(pView);
    }
    if (callback)
      callback(LiveVertexCount());
    if (r1 == 0 && r2 == 0)
      break;
    if (levels.IsOpen())
      pMesh->WriteVrml(levels);
    if (switchMetricOff && LiveVertexCount() < metricOffVertexCount)
      m_UseMetric = 0;
  }
  if (m_pArrays)
    EndArrayLayers();
  levels.Close();
  NumberVertices();
  DiscardEmptyLayers();
  ComputeGeometry();
  // The stream is coded in memory and written once; the report's base mesh is the one
  // written, before packing refines the mesh again.
  COBitStream stream;
  OutputBaseMesh(&stream);
  const int baseCount = pMesh->NbVertex();
  if (simulate) {
    SimulateDecoding();
    pMesh->Rebuild();
  } else {
    // Each layer leaves the lists and links of a full build: only the normals are behind.
    pMesh->ComputeFaceNormals();
    pMesh->ComputeVertexNormals();
    pMesh->SetModified();
  }
  const int coded = OutputCodes(&stream) && WriteGeometry(&stream);
  stream.Flush(0);
  if (!coded || !stream.WriteFile(fileName)) {
    std::remove(fileName);
    return 0;
  }
  if (report)
    Report(initialCount, baseCount, static_cast<int>(stream.GetTotalBits()));
  return 1;
}

void CProgressiveCoder::Report(int initialCount, int base, int totalBits) const
{
  const double perRemoved = initialCount > base ? 1.0 / (initialCount - base) : 0;
  std::string text = platform::Format("Base mesh: %d vertices\r\n", base);
  text += platform::Format("Connectivity: %g b/rv\r\n",
                           m_CodeBits * perRemoved);
  text += platform::Format("Geometry: %g b/rv\r\n", m_GeometryBits * perRemoved);
  text += platform::Format("Total: %d bits (%g b/v)\r\n", totalBits,
                           static_cast<double>(totalBits) / initialCount);
  text += platform::Format("%d layers\r\n", NbLayer());
  platform::MessageBox(text.c_str(), platform::MB_OK);
}

// Layers are predicted coarsest first, as the decoder rebuilds them: every removed vertex then
// takes the position the decoder will give it before a finer layer leans on it.
void CProgressiveCoder::ComputeGeometry()
{
  m_Reconstruction.clear();
  m_Originals.clear();
  // Every vertex of the finest mesh once: sized at once, not grown.
  size_t total = static_cast<size_t>(m_pMesh->NbVertex());
  for (int layer = 0; layer < NbLayer(); layer++)
    total += static_cast<size_t>(m_LayerGeometry[layer]->NbRecord());
  m_Reconstruction.reserve(total);
  m_Originals.reserve(total);
  for (int i = 0; i < m_pMesh->NbVertex(); i++)
    StoreReconstruction(m_pMesh->GetVertex(i));
  for (int layer = NbLayer() - 1; layer >= 0; layer--)
    ComputeLayerGeometry(m_LayerGeometry[layer].get(), 15);
}

void CProgressiveCoder::StoreReconstruction(const CVertex3d* v)
{
  m_Reconstruction.push_back(
      {static_cast<int>(v->x2()), static_cast<int>(v->y2()), static_cast<int>(v->z2())});
  m_Originals.push_back({v->x(), v->y(), v->z()});
}

void CProgressiveCoder::ComputeLayerGeometry(CProgressiveGeometryLayer* pLayer, int limit)
{
  const int predicted = pLayer->NbRecord() > limit ? 1 : 0;
  pLayer->SetPredicted(predicted);
  // The records far ahead, their vertices nearer, their second positions (a block of their own)
  // nearer still.
  constexpr int kRecordAhead = 32;
  constexpr int kAhead = 16;
  constexpr int kNear = 8;
  const int nbRecord = pLayer->NbRecord();
  const auto prefetch = [pLayer, nbRecord](int i) {
    if (i + kRecordAhead < nbRecord)
      pLayer->GetRecord(i + kRecordAhead).PrefetchRecord();
    if (i + kAhead < nbRecord)
      pLayer->GetRecord(i + kAhead).PrefetchVertices();
    if (i + kNear < nbRecord)
      pLayer->GetRecord(i + kNear).PrefetchSecondPositions();
  };
  // The ranges gathered here: no second pass over the records, a few hundred bytes each.
  CProgressiveGeometryLayer::SExtremes extremes;
  const auto place = [this, &extremes](CProgressiveVertexRecord& record,
                                       const std::array<int, 3>& p) __attribute__((always_inline)) {
    extremes.Add(record.GetCoordinates());
    CVertex3d* v = record.GetVertex();
    v->Set2(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
    // The position just set, without reading it back: a float holds such integers exactly.
    constexpr int kExact = 1 << 24;
    if (std::abs(p[0]) < kExact && std::abs(p[1]) < kExact && std::abs(p[2]) < kExact) {
      m_Reconstruction.push_back(p);
      m_Originals.push_back({v->x(), v->y(), v->z()});
    } else {
      StoreReconstruction(v);
    }
  };
  const CProgressiveVertexRecord::SGrid grid{m_Scale, m_Shift};
  int i = 0;
  // Four records at a time: no removed vertex of a layer lies on the border of another (the
  // decoder places a layer's vertices once its faces are all back), so the four frames are
  // read before the four positions are set.
  for (; predicted && i + 4 <= nbRecord; i += 4) {
    std::array<CProgressiveVertexRecord*, 4> quad;
    for (int j = 0; j < 4; j++) {
      prefetch(i + j);
      quad[static_cast<size_t>(j)] = &pLayer->GetRecord(i + j);
    }
    const auto p = CProgressiveVertexRecord::PredictQuad(quad, grid);
    for (size_t j = 0; j < 4; j++)
      place(*quad[j], p[j]);
  }
  for (; i < nbRecord; i++) {
    prefetch(i);
    CProgressiveVertexRecord& record = pLayer->GetRecord(i);
    std::array<int, 3> p = record.GetTarget();
    if (predicted) {
      // The frame from the border as it is now; the original position in grid units is
      // worked out only where the search reads it.
      p = record.Predict(grid);
    } else {
      record.SetCoordinates(p);
    }
    place(record, p);
  }
  pLayer->SetRanges(extremes);
}

int CProgressiveCoder::EncodeOneLayer(CMesh3d* pMesh, const char* fileName, int gateType,
                                      int maxValence, int pureValence, int forbidConcave,
                                      int forbidNormalFlipping, int useMetric, int metricKind,
                                      double metricThreshold, int applyRemoval,
                                      CRenderView* pView, int redrawPeriod, int colourPatches,
                                      int colourCause, int delay)
{
  m_pMesh = pMesh;
  m_GateType = gateType;
  m_MaxValence = maxValence;
  m_PureValence = pureValence;
  m_ForbidConcave = forbidConcave;
  m_ForbidNormalFlipping = forbidNormalFlipping;
  SetMetric(useMetric, metricKind, metricThreshold);
  m_ApplyRemoval = applyRemoval;
  m_RedrawPeriod = std::max(1, redrawPeriod);
  SetDebugging(pView, colourPatches, colourCause, delay);
  m_HasBoundary = pMesh->HasBoundary();
  m_CornersCarried = 0;
  FindTangledFaces();
  const int removed = RunLayer();
  if (m_ApplyRemoval)
    m_pMesh->Rebuild();
  const int written = WriteLayerCodes(fileName, m_pCurrentCodes, removed);
  m_pMesh->SetModified();
  return written;
}

int CProgressiveCoder::Decode(CMesh3d* pMesh, const char* fileName, Callback callback,
                              CRenderView* pView, int redrawAfterLayer, int colour, int delay,
                              int fineGrain, int fineGrainPeriod)
{
  m_pMesh = pMesh;
  SetDebugging(pView, colour, colour, delay);
  m_FineGrain = fineGrain;
  m_FineGrainPeriod = std::max(1, fineGrainPeriod);
  m_InputFileName = fileName ? fileName : "";
  m_GeometryAvailable = 1;
  if (pMesh->NbVertex() != 0 || pMesh->NbFace() != 0)
    return 0;
  // Without redraws or faces to colour, the layers are replayed on index arrays.
  m_ReplayOnArrays = !colour && !(pView && (redrawAfterLayer || fineGrain));
  CIBitFile file(m_InputFileName.c_str());
  if (!file.IsValid() || !InputBaseMesh(&file) || !InputCodes(&file) || !InflateGeometry(&file)) {
    pMesh->Free();
    return 0;
  }
  if (m_ReplayOnArrays)
    return ReplayLayers(pMesh, callback);
  m_InsertedCount = 0;
  m_DeferVertexNeighbors = 1;
  for (int layer = NbLayer() - 1; layer >= 0; layer--) {
    if (!ReinsertLayer(layer)) {
      pMesh->Free();
      return 0;
    }
    if (callback)
      callback(pMesh->NbVertex());
    if (pView && redrawAfterLayer && m_LayerCodes[layer]->GetGateType() == 0) {
      pMesh->Rebuild();
      platform::RedrawView(pView);
      Sleep(m_Delay);
    }
  }
  m_DeferVertexNeighbors = 0;
  pMesh->Rebuild();
  return 1;
}

int CProgressiveCoder::ReplayLayers(CMesh3d* pMesh, Callback callback)
{
  int added = 0;
  for (const auto& codes : m_LayerCodes)
    added += codes->NbRemoval();
  CProgressiveReplay replay(*pMesh, m_BaseCorners, m_Scale, m_Shift, added);
  for (int layer = NbLayer() - 1; layer >= 0; layer--) {
    if (!replay.ReplayLayer(*m_LayerCodes[layer], m_LayerGeometry[layer].get())) {
      pMesh->Free();
      return 0;
    }
    if (callback)
      callback(replay.NbVertex());
  }
  replay.Store(pMesh);
  return 1;
}

int CProgressiveCoder::DecodeLayer(CMesh3d* pMesh, const char* fileName, int refresh,
                                   CRenderView* pView, int colourPatches, int /*unused*/)
{
  m_pMesh = pMesh;
  m_pView = pView;
  m_ColourPatches = colourPatches;
  m_GeometryAvailable = 0;
  m_InputFileName = fileName ? fileName : "";
  if (!ReadLayerCodes(m_InputFileName.c_str()))
    return 0;
  while (DecodeStep(0)) {
  }
  m_CornersValid = 0;
  if (refresh) {
    m_pMesh->RemoveFacesWithFlag(2);
    m_pMesh->Rebuild();
  }
  m_pMesh->SetModified();
  return !m_DecodeError && m_CodeCursor == m_pCurrentCodes->NbCode();
}

void CProgressiveCoder::SetDebugging(CRenderView* pView, int colourPatches, int colourCause,
                                     int delay)
{
  m_pView = pView;
  m_ColourPatches = colourPatches;
  m_ColourCause = colourCause;
  m_Delay = delay;
}

void CProgressiveCoder::DebugStep()
{
  if (!m_pView)
    return;
  if (++m_DebugSteps % m_RedrawPeriod != 0)
    return;
  m_pMesh->SetModified();
  platform::RedrawView(m_pView);
  Sleep(m_Delay);
}
