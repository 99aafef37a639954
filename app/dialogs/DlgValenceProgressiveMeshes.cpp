#include "app/dialogs/DlgValenceProgressiveMeshes.h"

namespace {
constexpr int kIdOutputLevels = 1050;
constexpr int kIdUseMetric = 1100;
} // namespace

CDlgValenceProgressiveMeshes::CDlgValenceProgressiveMeshes(int nbVertex,
                                                           const std::string& fileRoot)
  : CDialog(189, "Valence-centered Progressive Meshes", "Encode")
{
  m_Fields.Check(kIdOutputLevels, "Output levels (.wrl)", m_OutputLevels, 0)
      .WithHelp("Output successive levels of details in a .vrml scene graph")
    .Check(1157, "Update view", m_UpdateView, 0)
    .String(1094, "", m_FileName, fileRoot + ".vpm")
      .WithHelp("Select a compressed file name (*.vpm)")
    .Int(1098, "Requested", m_Requested, 100).WithHelp("Select the wanted number of vertices")
    .Int(1158, "# vertices", m_NbVertex, nbVertex).ReadOnly().WithHelp("Actual number of vertices")
    .Check(1096, "Forbid concave", m_ForbidConcave, 0)
      .WithHelp("Forbid vertex removal over a concave patch")
    .Check(1101, "Forbid normal flipping", m_ForbidNormalFlipping, 0)
      .WithHelp("Forbid vertex removal leading to a flipping of normal")
    .Check(kIdUseMetric, "Use metric", m_UseMetric, 0)
      .WithHelp("Check to use a metric during vertex decimation")
    .Double(1169, "", m_MetricThreshold, 0.25).EnabledBy(kIdUseMetric)
      .WithHelp("Select a metric-related ratio (typ. 0.25-0.45 for volume)")
    .Radio(1162, "", {"Distance", "Volume / surface"}, m_VolumeSurface, 1).EnabledBy(kIdUseMetric)
      .WithHelp("Vertex removal decision is based on the volume or the surface near boundaries")
    .String(1095, "", m_LevelsFileName, "levels.wrl").EnabledBy(kIdOutputLevels)
      .WithHelp("Select a vrml file for levels of details")
    .Check(1107, "Pack codes", m_PackCodes, 0)
    .Int(1159, "Quantization", m_Quantization, 12).InRange(4, 12).WithSpin(1079, 10, 12, 12)
    .Check(1102, "Forget metric", m_ForgetMetric, 0).EnabledBy(kIdUseMetric)
    .Check(1160, "Assessment", m_Assessment, 0)
    .Int(1170, "if < # vertices", m_MinNbVertex, 0).EnabledBy(kIdUseMetric);
}
