#include "platform/ui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <memory>

namespace platform {

namespace {

const std::size_t kInfoHeaderSize = 40;
const std::size_t kFileHeaderSize = 14;

void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
  for (int i = 0; i < 4; i++)
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLE32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
  std::uint32_t value = 0;
  for (int i = 0; i < 4; i++)
    value |= std::uint32_t(bytes[at + i]) << (8 * i);
  return value;
}

} // namespace

// A packed DIB becomes a BMP file once the 14-byte file header is put in front of it;
// the pixel offset counts the palette that follows the information header.
QImage CQtClipboard::ImageFromDib(const std::vector<std::uint8_t>& dib)
{
  if (dib.size() < kInfoHeaderSize)
    return {};
  const std::uint32_t headerSize = GetLE32(dib, 0);
  if (headerSize < kInfoHeaderSize || headerSize > dib.size())
    return {};
  const unsigned bitCount = dib[14] | (dib[15] << 8);
  std::uint32_t colours = GetLE32(dib, 32);
  if (colours == 0 && bitCount <= 8)
    colours = 1u << bitCount;
  if (colours > 256)
    return {};
  std::vector<std::uint8_t> file(kFileHeaderSize + dib.size());
  file[0] = 'B';
  file[1] = 'M';
  PutLE32(file, 2, static_cast<std::uint32_t>(file.size()));
  PutLE32(file, 10, static_cast<std::uint32_t>(kFileHeaderSize + headerSize + 4 * colours));
  std::memcpy(file.data() + kFileHeaderSize, dib.data(), dib.size());
  return QImage::fromData(file.data(), static_cast<int>(file.size()), "BMP");
}

bool CQtClipboard::SetText(const std::string& text)
{
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  return true;
}

bool CQtClipboard::SetBitmap(const std::vector<std::uint8_t>& dib)
{
  const QImage image = ImageFromDib(dib);
  if (image.isNull())
    return false;
  QGuiApplication::clipboard()->setImage(image);
  return true;
}

bool CQtClipboard::SetMetafile(const std::vector<std::uint8_t>& emf)
{
  if (emf.empty())
    return false;
  auto data = std::make_unique<QMimeData>();
  data->setData("image/x-emf", QByteArray(reinterpret_cast<const char*>(emf.data()),
                                          static_cast<qsizetype>(emf.size())));
  QGuiApplication::clipboard()->setMimeData(data.release());
  return true;
}

std::string CQtClipboard::GetText()
{
  return QGuiApplication::clipboard()->text().toStdString();
}

} // namespace platform
