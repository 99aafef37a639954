#include "app/dialogs/DlgTextureMap.h"

#include "app/dialogs/PaintFrame.h"
#include "app/resources/Menus.h"
#include "app/resources/Resource.h"
#include "platform/core/DeviceContextMemory.h"
#include "platform/ui/FileDialog.h"

#include <QBoxLayout>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>

#include <vector>

namespace {

constexpr int kOverlap = 40;
const char* const kTileBase = "spot_";

struct SLod
{
  int Grid;
  int First;
};

// The three levels of detail of the tile set: grid size and number of the first file.
constexpr SLod kLods[3] = {{2, 1360}, {4, 1344}, {8, 1281}};

platform::ColorRef ButtonFace()
{
  const QColor color = QPalette().color(QPalette::Button);
  return platform::Rgb(static_cast<std::uint8_t>(color.red()),
                       static_cast<std::uint8_t>(color.green()),
                       static_cast<std::uint8_t>(color.blue()));
}

} // namespace

CDlgTextureMap::CDlgTextureMap() : CDialog(175, "Texture map")
{
  m_Map.Set(0, 1, 0, "noname");
}

CDlgTextureMap::~CDlgTextureMap() = default;

void CDlgTextureMap::OnLod(int level)
{
  if (level < 1 || level > 3)
    return;
  const SLod& lod = kLods[level - 1];
  m_Map.Set(kOverlap, lod.Grid, lod.First, kTileBase);
  m_Map.Fill();
  Repaint(true);
}

void CDlgTextureMap::OnOpen()
{
  platform::SFileDialogRequest request;
  request.Open = true;
  request.InitialPath = "*.*";
  request.Filter = "Image files (*.*)";
  const std::optional<std::string> path = platform::GetFileName(GetWindow(), request);
  if (!path)
    return;
  m_Map.RemoveAllTiles();
  auto texture = std::make_unique<CTexture>();
  texture->ReadFile(*path);
  texture->BGRtoRGB();
  m_Map.AddTile(std::move(texture));
  m_PanX = m_PanY = 0;
  Repaint(true);
}

void CDlgTextureMap::OnOverlap(int delta)
{
  m_Map.SetOverlap(m_Map.GetOverlap() + delta);
  Repaint(true);
}

void CDlgTextureMap::OnViewInit()
{
  m_PanX = m_PanY = 0;
  Repaint(true);
}

void CDlgTextureMap::OnLButtonDown(int x, int y)
{
  m_ButtonDown = 1;
  m_LastX = x;
  m_LastY = y;
}

// Dragging draws over the buffer without clearing it; the release cleans up.
void CDlgTextureMap::OnMouseMove(int x, int y)
{
  if (!m_ButtonDown)
    return;
  m_PanX += x - m_LastX;
  m_PanY += y - m_LastY;
  m_LastX = x;
  m_LastY = y;
  Repaint(false);
}

void CDlgTextureMap::OnLButtonUp()
{
  m_ButtonDown = 0;
  Repaint(true);
}

void CDlgTextureMap::OnSize(int width, int height)
{
  m_pBuffer.reset();
  if (width > 0 && height > 0)
    m_pBuffer = std::make_unique<platform::CDeviceContextMemory>(width, height, ButtonFace());
  Repaint(true);
}

void CDlgTextureMap::ClearBuffer()
{
  m_pBuffer->FillRect(platform::CRect{0, 0, m_pBuffer->GetWidth(), m_pBuffer->GetHeight()},
                      ButtonFace());
}

void CDlgTextureMap::Repaint(bool clear)
{
  if (!m_pBuffer)
    return;
  if (clear)
    ClearBuffer();
  m_Map.Draw(*m_pBuffer, m_pBuffer->GetWidth(), m_pBuffer->GetHeight(), m_PanX, m_PanY);
  if (m_pFrame)
    m_pFrame->update();
}

void CDlgTextureMap::Paint(QPainter& painter) const
{
  if (!m_pBuffer)
    return;
  painter.drawImage(0, 0, CPaintFrame::ImageOf(*m_pBuffer));
}

void CDlgTextureMap::BuildMenu()
{
  QDialog* window = GetWindow();
  auto* bar = new QMenuBar(window);
  std::vector<QMenu*> open;
  for (const platform::SMenuItem& item : GetTextureMapMenu()) {
    open.resize(static_cast<std::size_t>(item.Depth));
    const QString text = QString::fromUtf8(item.Text);
    if (item.Depth == 0) {
      open.push_back(bar->addMenu(text));
      continue;
    }
    if (item.Id == 0) {
      open.push_back(open.back()->addMenu(text));
      continue;
    }
    QAction* action = open.back()->addAction(text.section('\t', 0, 0));
    action->setObjectName(QString::number(item.Id));
    const unsigned id = item.Id;
    QObject::connect(action, &QAction::triggered, window, [this, id] {
      switch (id) {
      case platform::ID_FILE_OPEN: OnOpen(); break;
      case ID_MAP_LOD1: OnLod(1); break;
      case ID_MAP_LOD2: OnLod(2); break;
      case ID_MAP_LOD3: OnLod(3); break;
      case ID_MAP_OVERLAP_INCREASE: OnOverlap(1); break;
      case ID_MAP_OVERLAP_DECREASE: OnOverlap(-1); break;
      default: OnViewInit(); break;
      }
    });
  }
  window->layout()->setMenuBar(bar);
}

void CDlgTextureMap::OnInitDialog()
{
  QDialog* window = GetWindow();
  BuildMenu();
  m_pFrame = new CPaintFrame(window);
  m_pFrame->setMinimumSize(540, 430);
  m_pFrame->OnPaint([this](QPainter& painter) { Paint(painter); });
  m_pFrame->OnResize([this](int width, int height) { OnSize(width, height); });
  m_pFrame->OnMousePress([this](QMouseEvent& event) {
    if (event.button() == Qt::LeftButton)
      OnLButtonDown(event.position().toPoint().x(), event.position().toPoint().y());
  });
  m_pFrame->OnMouseMove([this](QMouseEvent& event) {
    OnMouseMove(event.position().toPoint().x(), event.position().toPoint().y());
  });
  m_pFrame->OnMouseRelease([this](QMouseEvent& event) {
    if (event.button() == Qt::LeftButton)
      OnLButtonUp();
  });
  static_cast<QBoxLayout*>(window->layout())->insertWidget(0, m_pFrame, 1);
  OnSize(m_pFrame->minimumWidth(), m_pFrame->minimumHeight());
}

void CDlgTextureMap::OnDestroy()
{
  m_pFrame = nullptr;
  m_pBuffer.reset();
}
