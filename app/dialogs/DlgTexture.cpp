#include "app/dialogs/DlgTexture.h"

#include "mesh/Mesh3d.h"
#include "platform/core/DeviceContext.h"
#include "platform/ui/FileDialog.h"

#include <QDialog>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// The outline drawing of the texture coordinates, onto a painter. Bitmaps and palettes are
// not drawn this way here: those calls answer failure.
class CPainterOutline : public platform::CDeviceContext
{
public:
  explicit CPainterOutline(QPainter& painter) : m_Painter(painter) {}

  int SetDIBitsToDevice(int, int, int, int, int, int, int, int, const std::uint8_t*,
                        const platform::BitmapInfoHeader&, const std::uint8_t*, int) override
  {
    return 0;
  }
  int StretchDIBits(int, int, int, int, int, int, int, int, const std::uint8_t*,
                    const platform::BitmapInfoHeader&, const std::uint8_t*, int,
                    std::uint32_t) override
  {
    return 0;
  }
  int SetStretchBltMode(int) override { return 0; }
  void FillRect(const platform::CRect& rect, platform::ColorRef color) override
  {
    m_Painter.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()),
                       QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff));
  }
  const platform::Palette* SelectPalette(const platform::Palette*, bool) override { return nullptr; }
  int RealizePalette() override { return 0; }
  bool HasPalette() const override { return false; }
  void MoveTo(int x, int y) override { m_Current = QPoint(x, y); }
  void LineTo(int x, int y) override
  {
    m_Painter.drawLine(m_Current, QPoint(x, y));
    m_Current = QPoint(x, y);
  }

private:
  QPainter& m_Painter;
  QPoint m_Current;
};

const QSize kMinViewSize(256, 256);

// A packed bitmap as the bytes of a ".bmp" file, for Qt's reader.
QImage ImageOfDib(const std::vector<std::uint8_t>& dib)
{
  constexpr std::uint32_t kFileHeader = 14;
  constexpr std::uint32_t kInfoHeader = 40;
  if (dib.size() < kInfoHeader)
    return {};
  const auto size = static_cast<std::uint32_t>(kFileHeader + dib.size());
  const std::uint32_t offset = kFileHeader + kInfoHeader;
  std::vector<std::uint8_t> file = {'B', 'M'};
  for (std::uint32_t word : {size, std::uint32_t(0), offset})
    for (int shift = 0; shift < 32; shift += 8)
      file.push_back(static_cast<std::uint8_t>(word >> shift));
  file.insert(file.end(), dib.begin(), dib.end());
  return QImage::fromData(file.data(), static_cast<int>(file.size()), "BMP");
}

} // namespace

CDlgTexture::CDlgTexture(const CMesh3d* pMesh) : CDialog(151, "Texture", "&Close"), m_pMesh(pMesh)
{
}

void CDlgTexture::OnInitDialog()
{
  QDialog* pWindow = GetWindow();
  if (auto* pCancel = pWindow->findChild<QPushButton*>("IDCANCEL"))
    pCancel->hide();
  auto* pMenu = new QMenuBar(pWindow);
  QMenu* pFile = pMenu->addMenu("File");
  QObject::connect(pFile->addAction("Open..."), &QAction::triggered, pWindow, [this] { OnFileOpen(); });
  QObject::connect(pFile->addAction("Close"), &QAction::triggered, pWindow, [this] { OnFileClose(); });
  QMenu* pEdit = pMenu->addMenu("Edit");
  QObject::connect(pEdit->addAction("Copy"), &QAction::triggered, pWindow, [this] { OnEditCopy(); });
  m_pView = new QLabel(pWindow);
  m_pView->setMinimumSize(kMinViewSize);
  m_pView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // With a mesh, the texture and its coordinates fill the whole view, whatever its size.
  m_pView->setScaledContents(m_pMesh != nullptr);
  if (auto* pLayout = qobject_cast<QBoxLayout*>(pWindow->layout())) {
    pLayout->setMenuBar(pMenu);
    pLayout->insertWidget(0, m_pView, 1);
  }
  Repaint();
}

std::optional<std::string> CDlgTexture::AskImageFile(QWidget* pParent)
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "*.*";
  request.Filter = "Image files (*.*)";
  return platform::GetFileName(pParent, request);
}

void CDlgTexture::OnFileOpen()
{
  const std::optional<std::string> path = AskImageFile(GetWindow());
  if (!path)
    return;
  CTexture texture;
  if (!texture.ReadFile(*path))
    return;
  texture.BGRtoRGB();
  m_Texture = std::move(texture);
  Repaint();
}

void CDlgTexture::OnFileClose()
{
  if (QDialog* pWindow = GetWindow())
    pWindow->accept();
}

void CDlgTexture::OnEditCopy()
{
  m_Texture.CopyToClipboard();
}

QImage CDlgTexture::Picture() const
{
  QImage image = ImageOfDib(m_Texture.ExportHandle());
  if (!m_pMesh)
    return image;
  // Before an image is opened, the mesh's coordinates are drawn over a black client area.
  if (image.isNull()) {
    const QSize size = m_pView ? m_pView->size().expandedTo(kMinViewSize) : kMinViewSize;
    image = QImage(size, QImage::Format_RGB32);
    image.fill(Qt::black);
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setPen(Qt::white);
  CPainterOutline outline(painter);
  // The drawing refuses an empty texture; a one-pixel stand-in lets the coordinates show
  // before an image is opened. They scale to the picture either way.
  CTexture frame;
  const CTexture* pFrame = &m_Texture;
  if (!m_Texture.IsValid() && frame.Alloc(1, 1, 24))
    pFrame = &frame;
  m_pMesh->DrawTextureCoordinates(outline, pFrame, {0, 0, image.width(), image.height()});
  return image;
}

void CDlgTexture::Repaint()
{
  if (m_pView)
    m_pView->setPixmap(QPixmap::fromImage(Picture()));
}
