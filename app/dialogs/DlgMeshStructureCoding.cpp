#include "app/dialogs/DlgMeshStructureCoding.h"

#include "platform/ui/FileDialog.h"

#include <QDialog>
#include <QPushButton>

namespace {
constexpr int kIdFileName = 1094;
}

CDlgMeshStructureCoding::CDlgMeshStructureCoding()
  : CDialog(168, "Mesh structure coding")
{
  m_Fields.Check(1089, "Multithreading", m_Multithreading, 0)
    .Check(1088, "Visual debugging", m_VisualDebugging, 1)
    .Unsigned(1090, "Visual delay (ms)", m_VisualDelay, 0)
    .Unsigned(1091, "Update each", m_UpdateEach, 1)
    .Check(1092, "Encourage full vertices as pivots", m_EncourageFull, 1)
    .String(kIdFileName, "", m_FileName, "topology.bin").WithBrowse()
    .Check(1095, "Multiple seed face", m_MultipleSeedFace, 0)
    .Unsigned(1097, "", m_SeedFace, 0)
    .Check(1096, "Seed face", m_UseSeedFace, 0);
}

void CDlgMeshStructureCoding::OnInitDialog()
{
  if (QPushButton* browse = m_Fields.BrowseButton(kIdFileName))
    QObject::connect(browse, &QPushButton::clicked, GetWindow(), [this] { OnBrowse(); });
}

void CDlgMeshStructureCoding::OnBrowse()
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "topology.bin";
  const std::optional<std::string> path = platform::GetFileName(GetWindow(), request);
  if (!path)
    return;
  m_FileName = *path;
  m_Fields.ShowText(kIdFileName, *path);
}
