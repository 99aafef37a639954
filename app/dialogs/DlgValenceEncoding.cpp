#include "app/dialogs/DlgValenceEncoding.h"

namespace {
// The conquest coder's geometry takes no more bits than its spins offer: a typed value beyond
// them is refused here rather than by the coder after the dialog.
constexpr int kMinBits = 4;
constexpr int kMaxBits = 11;
} // namespace

CDlgValenceEncoding::CDlgValenceEncoding()
  : CDialog(183, "Valence-centered encoding")
{
  // The normalization member holds a code, not the index of the chosen item.
  m_Fields.Combo(1135, "", {"Face perimeter", "Face area", "Edge length", "Unitary", "Nothing"},
                 {2, 4, 3, 1, 0}, m_Normalization, 2)
    .Unsigned(1097, "Seed face", m_SeedFace, 0)
    .String(1094, "", m_FileName, "mesh.bin").WithBrowse()
    .Check(1088, "Debug", m_Debug, 0)
    .Unsigned(1091, "Update each", m_UpdateEach, 1)
    .Check(1089, "Edge list", m_EdgeList, 1)
    .Check(1099, "Remove ghost vertex", m_RemoveGhostVertex, 1)
    .Check(1128, "Multiple seed face", m_MultipleSeedFace, 0)
    .Check(1100, "Show distribution", m_ShowDistribution, 0)
    .Int(1090, "Delay (ms)", m_Delay, 0)
    .Int(1102, "", m_NbStep, 0)
    .Check(1101, "Limit conquest (# steps)", m_LimitConquest, 0)
    .Check(1108, "Status", m_Status, 1)
    .Int(1110, "", m_NbFace, 0)
    .Check(1131, "# faces", m_UseNbFace, 0)
    .Check(1132, "Random", m_Random, 0)
    .Int(1111, "Normal (# bits)", m_NormalBits, 8).InRange(kMinBits, kMaxBits)
      .WithSpin(1080, kMinBits, kMaxBits, 8).InGroup("Geometry")
    .Int(1113, "Parameters (# bits)", m_ParameterBits, 8).InRange(kMinBits, kMaxBits)
      .WithSpin(1081, kMinBits, kMaxBits, 8).InGroup("Geometry")
    .Check(1133, "", m_Geometry, 0).InGroup("Geometry")
    .Check(1098, "Stack-run encoding", m_StackRun, 0)
    .Check(1103, "Deterministic conquest", m_DeterministicConquest, 0);
}
