#include "app/dialogs/DlgTexture.h"

#include "app/dialogs/PaintFrame.h"
#include "platform/core/DeviceContextMemory.h"
#include "platform/ui/FileDialog.h"

#include <QBoxLayout>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

CDlgTexture::CDlgTexture(const CMesh3d* pMesh) : CDialog(151, "Texture"), m_pMesh(pMesh) {}

CDlgTexture::~CDlgTexture() = default;

std::optional<std::string> CDlgTexture::AskImageFile(QWidget* parent)
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "*.*";
  request.Filter = "Image files (*.*)";
  return platform::GetFileName(parent, request);
}

bool CDlgTexture::OnOpen()
{
  const std::optional<std::string> path = AskImageFile(GetWindow());
  if (!path)
    return false;
  const bool read = m_Texture.ReadFile(*path) != 0;
  if (read)
    m_Texture.BGRtoRGB();
  if (m_pFrame)
    m_pFrame->update();
  return read;
}

bool CDlgTexture::OnCopy() const
{
  return m_Texture.IsValid() && m_Texture.CopyToClipboard();
}

std::unique_ptr<platform::CDeviceContextMemory> CDlgTexture::Draw(int width, int height) const
{
  if (width <= 0 || height <= 0)
    return nullptr;
  const QColor face = QPalette().color(QPalette::Window);
  auto dc = std::make_unique<platform::CDeviceContextMemory>(
    width, height,
    platform::Rgb(static_cast<std::uint8_t>(face.red()), static_cast<std::uint8_t>(face.green()),
                  static_cast<std::uint8_t>(face.blue())));
  if (!m_Texture.IsValid())
    return dc;
  if (m_pMesh)
    m_Texture.Stretch(*dc, platform::CRect{0, 0, width, height});
  else
    m_Texture.Draw(*dc, 0, 0);
  return dc;
}

void CDlgTexture::Paint(QPainter& painter) const
{
  if (const auto dc = Draw(m_pFrame->width(), m_pFrame->height()))
    painter.drawImage(0, 0, CPaintFrame::ImageOf(*dc));
}

void CDlgTexture::OnInitDialog()
{
  QDialog* window = GetWindow();
  auto* bar = new QMenuBar(window);
  QMenu* file = bar->addMenu("File");
  QObject::connect(file->addAction("Open..."), &QAction::triggered, window, [this] { OnOpen(); });
  QObject::connect(file->addAction("Close"), &QAction::triggered, window, &QDialog::reject);
  QMenu* edit = bar->addMenu("Edit");
  QObject::connect(edit->addAction("Copy"), &QAction::triggered, window, [this] { OnCopy(); });
  window->layout()->setMenuBar(bar);
  m_pFrame = new CPaintFrame(window);
  m_pFrame->setMinimumSize(320, 240);
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  m_pFrame->OnResize([this](int, int) { m_pFrame->update(); });
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, m_pFrame, 1);
}

void CDlgTexture::OnDestroy()
{
  m_pFrame = nullptr;
}
