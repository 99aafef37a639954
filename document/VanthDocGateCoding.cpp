#include "document/VanthDoc.h"

#include "app/dialogs/DlgGateCoding.h"
#include "app/dialogs/DlgIterations.h"
#include "app/resources/Resource.h"
#include "coding/IBitFile.h"
#include "coding/OBitFile.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "compression/PolygonGateCoder.h"
#include "compression/PolygonGateDecoder.h"
#include "compression/QuadGateCoder.h"
#include "compression/QuadGateDecoder.h"
#include "compression/TriangleGateCoder.h"
#include "compression/TriangleGateDecoder.h"
#include "document/CommandTimer.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "mesh/PolygonMesh3d.h"
#include "mesh/QuadMesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Status.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WaitCursor.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using platform::StatusMessage;

namespace {

std::optional<std::string> AskFile(const char* initialName)
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = initialName;
  return platform::GetFileName(nullptr, request);
}

// The options of a visual decoding, when the user wants one: the iteration period, and for the
// triangle decoder whether to dump the levels. Nothing when a dialog was cancelled.
struct SVisualDecoding
{
  int Visual = 0;
  int UpdateEach = 1;
  int OutputLevels = 0;
};

std::optional<SVisualDecoding> AskVisualDecoding(bool askLevels)
{
  SVisualDecoding options;
  if (platform::MessageBox("Visual debug ?", platform::MB_YESNO) != platform::IDYES)
    return options;
  CDlgIterations dialog;
  if (dialog.DoModal() != platform::IDOK)
    return std::nullopt;
  options.Visual = 1;
  options.UpdateEach = dialog.m_Iterations;
  if (askLevels)
    options.OutputLevels =
      platform::MessageBox("Output levels ?", platform::MB_YESNO) == platform::IDYES ? 1 : 0;
  return options;
}

} // namespace

void CVanthDoc::RegisterGateCodingCommands()
{
  OnCommand(ID_GATE_TRIANGLE_ENCODE, &CVanthDoc::OnGateTriangleEncode, TYPE_MESH3D);
  OnCommand(ID_GATE_TRIANGLE_DECODE, &CVanthDoc::OnGateTriangleDecode, kAlways);
  OnCommand(ID_GATE_QUAD_ENCODE, &CVanthDoc::OnGateQuadEncode, TYPE_QUADMESH3D);
  OnCommand(ID_GATE_QUAD_DECODE, &CVanthDoc::OnGateQuadDecode, kAlways);
  OnCommand(ID_GATE_QUAD_MULTI_ENCODING, &CVanthDoc::OnGateQuadMultiEncoding, TYPE_QUADMESH3D);
  OnCommand(ID_GATE_POLYGON_ENCODE, &CVanthDoc::OnGatePolygonEncode, TYPE_POLYGONMESH3D);
  OnCommand(ID_GATE_POLYGON_DECODE, &CVanthDoc::OnGatePolygonDecode, kAlways);
  OnCommand(ID_GATE_POLYGON_MULTI_SEED, &CVanthDoc::OnGatePolygonMultiSeed, TYPE_POLYGONMESH3D);
  OnCommand(ID_GATE_POLYGON_LABEL_CODING, &CVanthDoc::OnGatePolygonLabelCoding, kAlways);
}

void CVanthDoc::OnGateTriangleEncode()
{
  CDlgGateCoding dialog;
  if (dialog.DoModal() != platform::IDOK)
    return;
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CTriangleGateCoder coder;
  {
    platform::CWaitCursor wait;
    StatusMessage("Encoding....");
    CCommandTimer timer;
    const int encoded =
      coder.Encode(pMesh, dialog.m_FileName.c_str(), dialog.m_Order, dialog.m_SeedFace,
                   dialog.m_AdaptiveConquest, dialog.m_Debug, GetOwnRenderView(),
                   dialog.m_UpdateEach, dialog.m_Delay, dialog.m_LimitConquest, dialog.m_NbStep);
    timer.Stop();
    if (!encoded) {
      StatusMessage("Encoding....failed");
      return;
    }
    StatusMessage("Encoding....done (%g b/v), packed: %g b/v, %g f/s, order-%d aac",
                  coder.GetBitsPerVertex(), coder.GetPackedBitsPerVertex(),
                  timer.Rate(pMesh->NbFace()), dialog.m_Order);
  }
  InvalidateViews();
}

void CVanthDoc::OnGateQuadEncode()
{
  CDlgGateCoding dialog;
  if (dialog.DoModal() != platform::IDOK || !IsFirstObjectOfType(TYPE_QUADMESH3D))
    return;
  auto* pMesh = static_cast<CQuadMesh3d*>(m_SceneGraph.GetAt(0));
  CQuadGateCoder coder;
  {
    platform::CWaitCursor wait;
    StatusMessage("Encoding quad-mesh....");
    CCommandTimer timer;
    const int encoded =
      coder.Encode(pMesh, dialog.m_FileName.c_str(), dialog.m_SeedFace, dialog.m_Debug,
                   GetOwnRenderView(), dialog.m_UpdateEach, dialog.m_Delay,
                   dialog.m_LimitConquest, dialog.m_NbStep);
    timer.Stop();
    if (!encoded) {
      StatusMessage("Encoding quad-mesh....failed");
      return;
    }
    // The quad coder writes no packed stream: its packed rate is its plain rate.
    StatusMessage("Encoding....done (%g b/v), packed: %g b/v, %g f/s", coder.GetBitsPerVertex(),
                  coder.GetBitsPerVertex(), timer.Rate(pMesh->NbFace()));
  }
  InvalidateViews();
}

// Polygons of more than four corners are split before coding: the coder codes triangles and
// quads only.
static void PreparePolygons(CPolygonMesh3d* pMesh)
{
  StatusMessage("Convert to quads and triangles....");
  pMesh->SplitIntoQuadsAndTriangles(0);
  StatusMessage("Rebuild adjacency....");
  pMesh->Rebuild();
  StatusMessage("Encoding polygon-mesh....");
}

void CVanthDoc::OnGatePolygonEncode()
{
  CDlgGateCoding dialog;
  if (dialog.DoModal() != platform::IDOK || !IsFirstObjectOfType(TYPE_POLYGONMESH3D))
    return;
  auto* pMesh = static_cast<CPolygonMesh3d*>(m_SceneGraph.GetAt(0));
  std::string report;
  {
    platform::CWaitCursor wait;
    PreparePolygons(pMesh);
    CPolygonGateCoder coder;
    CCommandTimer timer;
    const int encoded = coder.Encode(
      pMesh, dialog.m_FileName.c_str(), dialog.m_SeedFace, dialog.m_Order,
      dialog.m_AdaptiveConquest, dialog.m_Debug, GetOwnRenderView(), dialog.m_UpdateEach,
      dialog.m_Delay, dialog.m_LimitConquest, dialog.m_NbStep, dialog.m_OutputToClipboard, &report);
    timer.Stop();
    if (!encoded) {
      StatusMessage("Encoding polygon-mesh....failed");
      InvalidateViews();
      return;
    }
    StatusMessage("Encoding....done (%g b/v - using order-%d aac), speed: %g polygons/s",
                  coder.GetBitsPerVertex(), dialog.m_Order, timer.Rate(pMesh->NbPolygon()));
  }
  if (dialog.m_OutputToClipboard)
    CopyTextToClipboard(report);
  InvalidateViews();
}

// Decoding: the file, then the visual options, and only then is anything removed; a stream
// that does not decode leaves the scene as it was.
template <typename TMesh, typename TDecode>
void CVanthDoc::GateDecode(const char* what, bool askLevels, TDecode decode)
{
  const std::optional<std::string> path = AskFile("*.bin");
  if (!path)
    return;
  const std::optional<SVisualDecoding> options = AskVisualDecoding(askLevels);
  if (!options)
    return;
  auto pMesh = std::make_unique<TMesh>();
  TMesh* pDecoded = pMesh.get();
  int decoded = 0;
  {
    platform::CWaitCursor wait;
    StatusMessage("%s....", what);
    CCommandTimer timer;
    decoded = ReplaceSceneByDecoding(pMesh.release(), [&] {
      RedrawViewsNow();
      return decode(pDecoded, path->c_str(), *options);
    });
    timer.Stop();
    if (decoded && options->Visual)
      StatusMessage("%s....done", what);
    else if (decoded)
      StatusMessage("%s....done (%g f/s)", what, timer.Rate(pDecoded->NbFace()));
  }
  if (!decoded) {
    StatusMessage("%s....failed", what);
    platform::MessageBox(platform::Format("Unable to decode %s", path->c_str()));
    InvalidateViews();
    return;
  }
  if constexpr (std::is_same_v<TMesh, CQuadMesh3d>)
    pDecoded->BuildAdjacencyAndNormals();
  else
    pDecoded->Rebuild();
  RedrawViewsNow();
}

void CVanthDoc::OnGateTriangleDecode()
{
  GateDecode<CMesh3d>("Decoding", true, [this](CMesh3d* pMesh, const char* file,
                                              const SVisualDecoding& options) {
    CTriangleGateDecoder decoder;
    return decoder.Decode(pMesh, file, options.Visual, options.Visual ? GetOwnRenderView() : nullptr,
                          options.UpdateEach, 1, options.OutputLevels);
  });
}

void CVanthDoc::OnGateQuadDecode()
{
  GateDecode<CQuadMesh3d>("Decoding quad-mesh", false, [this](CQuadMesh3d* pMesh, const char* file,
                                                             const SVisualDecoding& options) {
    CQuadGateDecoder decoder;
    return decoder.Decode(pMesh, file, options.Visual, options.Visual ? GetOwnRenderView() : nullptr,
                          options.UpdateEach, 1);
  });
}

void CVanthDoc::OnGatePolygonDecode()
{
  GateDecode<CPolygonMesh3d>("Decoding polygon-mesh", false,
                             [this](CPolygonMesh3d* pMesh, const char* file,
                                    const SVisualDecoding& options) {
    CPolygonGateDecoder decoder;
    return decoder.Decode(pMesh, file, options.Visual,
                          options.Visual ? GetOwnRenderView() : nullptr, options.UpdateEach, 1);
  });
}

void CVanthDoc::OnGateQuadMultiEncoding()
{
  if (!IsFirstObjectOfType(TYPE_QUADMESH3D))
    return;
  auto* pMesh = static_cast<CQuadMesh3d*>(m_SceneGraph.GetAt(0));
  platform::CWaitCursor wait;
  std::string table = "SEED \t BIT-RATE (b/v) \t SPEED (quad/s)\r\n";
  const int nbQuad = pMesh->NbQuad();
  for (int seed = 0; seed < nbQuad; seed++) {
    CQuadGateCoder coder;
    CCommandTimer timer;
    coder.Encode(pMesh, "mesh.bin", seed, 0, nullptr, 1, 0, 0, 0);
    timer.Stop();
    const double speed = timer.Rate(pMesh->NbQuad());
    StatusMessage("Seed %5d of %5d, %4.2f b/v, %9.0f f/s", seed + 1, nbQuad,
                  coder.GetBitsPerVertex(), speed);
    table += platform::Format("%d\t%g\t%g\r\n", seed, coder.GetBitsPerVertex(), speed);
  }
  CopyTextToClipboard(table);
}

void CVanthDoc::OnGatePolygonMultiSeed()
{
  CDlgGateCoding dialog;
  if (dialog.DoModal() != platform::IDOK || !IsFirstObjectOfType(TYPE_POLYGONMESH3D))
    return;
  auto* pMesh = static_cast<CPolygonMesh3d*>(m_SceneGraph.GetAt(0));
  platform::CWaitCursor wait;
  PreparePolygons(pMesh);
  const int nbPolygon = pMesh->NbPolygon();
  std::string report;
  std::string table;
  for (int seed = 0; seed < nbPolygon; seed++) {
    CPolygonGateCoder coder;
    CCommandTimer timer;
    coder.Encode(pMesh, dialog.m_FileName.c_str(), seed, dialog.m_Order,
                 dialog.m_AdaptiveConquest, dialog.m_Debug, GetOwnRenderView(),
                 dialog.m_UpdateEach, dialog.m_Delay, dialog.m_LimitConquest, dialog.m_NbStep,
                 dialog.m_OutputToClipboard, &report);
    timer.Stop();
    StatusMessage("Seed %d (%g b/v - using order-%d aac), speed: %g polygons/s", seed,
                  coder.GetBitsPerVertex(), dialog.m_Order, timer.Rate(pMesh->NbPolygon()));
    table += platform::Format("%d\t%g\r\n", seed, coder.GetBitsPerVertex());
    table += report;
  }
  CopyTextToClipboard(table);
  InvalidateViews();
}

// A test of the order-k range coder on polygon labels over 7 symbols. Every character of the
// file is a value, as atoi reads it alone: a digit its value, anything else (line ends too) 0.
// Only the digits 7 to 9 cannot be coded over 7 symbols, and they refuse the file.
void CVanthDoc::OnGatePolygonLabelCoding()
{
  const std::optional<std::string> path = AskFile("*.ff");
  if (!path)
    return;
  std::FILE* pFile = std::fopen(path->c_str(), "rt");
  if (!pFile) {
    platform::MessageBox(platform::Format("Unable to open file %s", path->c_str()));
    return;
  }
  std::vector<std::uint32_t> labels;
  for (int c = std::fgetc(pFile); c != EOF; c = std::fgetc(pFile)) {
    const std::uint32_t value = c >= '0' && c <= '9' ? static_cast<std::uint32_t>(c - '0') : 0;
    if (value > 6) {
      std::fclose(pFile);
      platform::MessageBox(platform::Format("Invalid label '%c' in %s: labels are 0 to 6", c,
                                            path->c_str()));
      return;
    }
    labels.push_back(value);
  }
  std::fclose(pFile);
  constexpr std::uint32_t kNbSymbol = 7;
  for (std::uint32_t order = 0; order <= 4; order++) {
    {
      COBitFile out("bidon.bin");
      CRangeEncoder encoder(kNbSymbol);
      if (!out.IsValid() || !encoder.StartOrderK(order))
        return;
      for (std::uint32_t label : labels)
        encoder.EncodeOrderK(label, &out);
      encoder.DoneOrderK(&out);
      out.FlushStream();
      out.Flush(0);
    }
    CIBitFile in("bidon.bin");
    CRangeDecoder decoder(kNbSymbol);
    if (!in.IsValid() || !decoder.StartOrderK(&in, order))
      return;
    std::uint32_t symbol = 0;
    for (size_t i = 0; i < 10 && i < labels.size(); i++)
      decoder.DecodeOrderK(&symbol, &in);
  }
}
