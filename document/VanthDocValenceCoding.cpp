#include "document/VanthDoc.h"

#include "app/dialogs/DlgDistribution.h"
#include "app/dialogs/DlgValenceEncoding.h"
#include "app/resources/Resource.h"
#include "compression/ConquestCoder.h"
#include "compression/ConquestUnquantizer.h"
#include "document/CommandTimer.h"
#include "mesh/GeometryUtil.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"
#include "platform/core/Status.h"
#include "platform/ui/WaitCursor.h"

#include <algorithm>
#include <memory>
#include <vector>

using platform::StatusMessage;

namespace {

// One run of the conquest coder with the dialog's options, from a given seed face.
struct SValenceRun
{
  int Result = 0;
  float ConnectivityRate = 0.0f;
  float GeometryRate = -1.0f;
};

SValenceRun RunConquest(CConquestCoder& coder, CMesh3d* pMesh, const CDlgValenceEncoding& dialog,
                        CRenderView* pView, int seedFace, int geometry, int normalBits,
                        int parameterBits)
{
  SValenceRun run;
  run.Result = coder.Encode(pMesh, dialog.m_FileName.c_str(), pView, dialog.m_Debug,
                            dialog.m_EdgeList, dialog.m_Delay, static_cast<int>(dialog.m_UpdateEach),
                            seedFace, dialog.m_RemoveGhostVertex, dialog.m_DeterministicConquest,
                            dialog.m_StackRun, dialog.m_LimitConquest, dialog.m_NbStep,
                            &run.ConnectivityRate, &run.GeometryRate, geometry, normalBits,
                            parameterBits, dialog.m_Normalization);
  return run;
}

} // namespace

void CVanthDoc::RegisterValenceCodingCommands()
{
  OnCommand(ID_VALENCE_PARAMETERS, &CVanthDoc::OnValenceParameters, TYPE_MESH3D);
  OnCommand(ID_VALENCE_BENCHS_PSNR, &CVanthDoc::OnValenceBenchsPsnr, TYPE_MESH3D);
  OnCommand(ID_DEBUG_UNQUANTIZE, &CVanthDoc::OnDebugUnquantize, TYPE_MESH3D);
}

void CVanthDoc::OnValenceParameters()
{
  CDlgValenceEncoding dialog;
  if (dialog.DoModal() != platform::IDOK || !GetFirstMesh())
    return;
  if (dialog.m_MultipleSeedFace)
    ValenceMultiSeed(dialog);
  else
    ValenceEncodeOnce(dialog);
}

void CVanthDoc::ValenceEncodeOnce(const CDlgValenceEncoding& dialog)
{
  CMesh3d* pMesh = GetFirstMesh();
  const CCommandTimer timer;
  auto pCoder = std::make_unique<CConquestCoder>();
  CConquestCoder* pRun = pCoder.get();
  {
    platform::CWaitCursor wait;
    pMesh->SetColor(255, 255, 255);
    // Drawn with the scene while it runs, and kept there afterwards, in a debug run.
    if (dialog.m_Debug)
      m_SceneGraph.Add(pCoder.release());
    const SValenceRun run = RunConquest(*pRun, pMesh, dialog, GetOwnRenderView(),
                                        static_cast<int>(dialog.m_SeedFace), dialog.m_Geometry,
                                        dialog.m_NormalBits, dialog.m_ParameterBits);
    CCommandTimer elapsed = timer;
    elapsed.Stop();
    const double seconds = elapsed.Seconds();
    const double speed = pMesh->NbFace() / seconds;
    if (!run.Result)
      StatusMessage("Encoding failed: the conquest could not code this mesh");
    else if (dialog.m_Geometry) {
      const double sum =
        run.GeometryRate == -1.0f ? -1.0 : run.ConnectivityRate + run.GeometryRate;
      StatusMessage("%d faces, CONN %g b/v, %g s, %g f/s, GEOM %g b/f, SUM %g b/f, PSNR: %g, L2: %g",
                    pMesh->NbFace(), run.ConnectivityRate, seconds, speed, run.GeometryRate, sum,
                    pMesh->PSNR(), pMesh->RelativeL2());
    } else
      StatusMessage("%d faces, %d vertices, rate: %g b/v, %g s, %g f/s, %d split(s), %d complete(s)",
                    pMesh->NbFace(), pMesh->NbVertex(), run.ConnectivityRate, seconds, speed,
                    pRun->GetSplitCount(), pRun->GetCompletedCount());
    pMesh->ComputeFaceNormals();
    pMesh->ComputeVertexNormals();
    InvalidateViews();
  }
  if (dialog.m_ShowDistribution) {
    CDlgDistribution distribution(&pRun->GetCodes());
    distribution.DoModal();
  }
}

void CVanthDoc::ValenceMultiSeed(const CDlgValenceEncoding& dialog)
{
  CMesh3d* pMesh = GetFirstMesh();
  // Never more runs than there are seed faces to start from.
  const int runs = dialog.m_UseNbFace ? std::clamp(dialog.m_NbFace, 0, pMesh->NbFace())
                                      : pMesh->NbFace();
  float minRate = -1.0f;
  float maxRate = -1.0f;
  int minIndex = 0;
  int maxIndex = 0;
  double sum = 0.0;
  std::vector<float> rates(static_cast<size_t>(runs));
  std::vector<int> splits(static_cast<size_t>(runs));
  platform::CWaitCursor wait;
  const CCommandTimer whole;
  for (int i = 0; i < runs; i++) {
    const CCommandTimer timer;
    auto pCoder = std::make_unique<CConquestCoder>();
    CConquestCoder* pRun = pCoder.get();
    m_SceneGraph.Add(pCoder.release());
    const int seed = dialog.m_Random
                       ? static_cast<int>(platform::Rand() / 32767.0 * (runs - 1))
                       : i;
    const SValenceRun run = RunConquest(*pRun, pMesh, dialog, GetOwnRenderView(), seed,
                                        dialog.m_Geometry, dialog.m_NormalBits,
                                        dialog.m_ParameterBits);
    const float rate = run.ConnectivityRate;
    if (minRate == -1.0f || maxRate == -1.0f)
      minRate = maxRate = rate;
    if (rate < minRate) {
      minIndex = i;
      minRate = rate;
    }
    if (rate > maxRate) {
      maxIndex = i;
      maxRate = rate;
    }
    CCommandTimer elapsed = timer;
    elapsed.Stop();
    if (dialog.m_Status)
      StatusMessage("Face %d/%d, rate: %1.6f bit/face, %3.4f s, %4.3f f/s, min %f (f %d), %d split",
                    i + 1, runs, rate, elapsed.Seconds(), runs / elapsed.Seconds(), minRate,
                    minIndex, pRun->GetSplitCount());
    sum += rate;
    // The coder appended for this run is the one that goes, wherever it now stands.
    CArray3d<CObject3d>* pObjects = m_SceneGraph.GetArrayObject();
    const int index = pObjects->IndexFrom(pRun);
    if (index >= 0)
      pObjects->RemoveAt(index);
    rates[static_cast<size_t>(i)] = rate;
    splits[static_cast<size_t>(i)] = pRun->GetSplitCount();
    delete pRun;
  }
  CCommandTimer total = whole;
  total.Stop();
  const double meanSpeed = static_cast<double>(pMesh->NbFace()) * runs / total.Seconds();
  StatusMessage("Min rate: %1.7f b/f (index %d), max rate: %g b/f (index %d), mean rate: %g, "
                "mean speed: %g f/s",
                minRate, minIndex, maxRate, maxIndex, runs > 0 ? sum / runs : 0.0,
                runs > 0 ? meanSpeed : 0.0);
  std::string table = "Face \t Rate (b/v)\t #Split\n";
  for (int i = 0; i < runs; i++)
    table += platform::Format("%d\t%g\t%d\n", i, rates[static_cast<size_t>(i)],
                              splits[static_cast<size_t>(i)]);
  CopyTextToClipboard(table);
}

void CVanthDoc::OnValenceBenchsPsnr()
{
  CMesh3d* pMesh = GetFirstMesh();
  CDlgValenceEncoding dialog;
  if (!pMesh || dialog.DoModal() != platform::IDOK)
    return;
  platform::CWaitCursor wait;
  std::string table = "BENCHS PSNR/Quantization geometry\r\nN \t P \t PSNR \t L2 \t Cost\r\n";
  for (int n = 4; n <= 11; n++)
    for (int p = 4; p <= 11; p++) {
      StatusMessage("Encode(%d;%d)...", n, p);
      CConquestCoder coder;
      const SValenceRun run = RunConquest(coder, pMesh, dialog, GetOwnRenderView(),
                                          static_cast<int>(dialog.m_SeedFace), 1, n, p);
      table += platform::Format("%d \t %d \t %g \t %g \t %g\n", n, p, pMesh->PSNR(),
                                pMesh->RelativeL2(), run.ConnectivityRate + run.GeometryRate);
    }
  CopyTextToClipboard(table);
  pMesh->ComputeFaceNormals();
  pMesh->ComputeVertexNormals();
  InvalidateViews();
}

void CVanthDoc::OnDebugUnquantize()
{
  CMesh3d* pMesh = GetFirstMesh();
  if (!pMesh)
    return;
  CConquestUnquantizer unquantizer;
  platform::CWaitCursor wait;
  StatusMessage("Unquantize mesh...");
  unquantizer.Init(pMesh, GetOwnRenderView(), 1);
  StatusMessage("Unquantize mesh...done");
  InvalidateViews();
}
