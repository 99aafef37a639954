#include "app/dialogs/DlgProgressiveGeometry.h"

namespace {
constexpr int kIdUseMetric = 1100;
}

CDlgProgressiveGeometry::CDlgProgressiveGeometry()
  : CDialog(187, "Valence-centered Progressive Geometry Compression", "Run")
{
  m_Fields.Int(1091, "Update each", m_UpdateEach, 1).InRange(1, 1000000)
    .Check(1088, "Debug", m_Debug, 0)
    .String(1094, "", m_FileName, "refine.bin").WithBrowse()
    .Check(1089, "Remesh", m_Remesh, 1)
    .Int(1098, "Max degree", m_MaxDegree, 6).InRange(3, 1000)
    .Check(1092, "Color patches", m_ColorPatches, 1)
    .Radio(1151, "Gate type", {"Simple", "Double"}, m_GateType, 0)
    .Check(1096, "Color cause", m_ColorCause, 1)
    .Check(1099, "pure degree", m_PureDegree, 0)
    .Check(kIdUseMetric, "Use metric", m_UseMetric, 0)
    .Float(1108, "", m_MetricThreshold, 0.2f).InRange(0.01, 10000)
    .Check(1101, "Forbid normal flipping", m_ForbidNormalFlipping, 0)
    .Check(1095, "Forbid concave", m_ForbidConcave, 0)
    .Int(1102, "Delay (ms)", m_Delay, 0)
    .Radio(1162, "", {"Distance", "Volume"}, m_Metric, 1).EnabledBy(kIdUseMetric)
    .Radio(1165, "Adaptive arithmetic coding", {"0", "1", "2", "3"}, m_ArithmeticOrder, 0);
}
