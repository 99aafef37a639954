#include "app/AviWriter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <memory>

namespace {

// AVI readers use 32-bit offsets, and many stop at 1 GiB: frames beyond it are refused.
const std::uint64_t kMaxFileSize = std::uint64_t(1) << 30;
const std::uint32_t kHeaderBytes = 4096; // an upper bound of everything but the frames
// The stream runs at 25 samples a second and each frame takes 25 of them: it shows for one
// second. The samples between two frames are empty chunks, which players read as "keep
// showing the last frame".
const std::uint32_t kRate = 25;
const std::uint32_t kSamplesPerFrame = 25;
const std::uint32_t kChunkHeader = 8;
const std::uint32_t kIndexEntry = 16;
const std::uint32_t AVIF_HASINDEX = 0x10;
const std::uint32_t AVIIF_KEYFRAME = 0x10;

class CChunkBuffer
{
public:
  void U16(std::uint16_t v) { Bytes(v, 2); }
  void U32(std::uint32_t v) { Bytes(v, 4); }
  void FourCC(const char* code) { m_Data.insert(m_Data.end(), code, code + 4); }
  std::size_t Size() const { return m_Data.size(); }
  void PatchU32(std::size_t at, std::uint32_t v)
  {
    for (int i = 0; i < 4; i++)
      m_Data[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  const std::vector<std::uint8_t>& Data() const { return m_Data; }

private:
  void Bytes(std::uint32_t v, int n)
  {
    for (int i = 0; i < n; i++)
      m_Data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> m_Data;
};

struct SFileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};


// What the headers, the index and the movie chunks are computed from.
struct SVideoLayout
{
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t FrameSize = 0;
  std::uint32_t NbFrames = 0;
  std::uint32_t Length = 0; // in samples
  std::uint16_t Planes = 1;
  std::uint16_t BitsPerPixel = 24;
};

void WriteMainHeader(CChunkBuffer& header, const SVideoLayout& layout)
{
  header.FourCC("avih");
  header.U32(56);
  header.U32(1000000 / kRate);            // microseconds per sample
  header.U32(layout.FrameSize * (kRate / kSamplesPerFrame));
  header.U32(0);                          // padding granularity
  header.U32(AVIF_HASINDEX);
  header.U32(layout.Length);
  header.U32(0);                          // initial frames
  header.U32(1);                          // streams
  header.U32(layout.FrameSize);
  header.U32(layout.Width);
  header.U32(layout.Height);
  for (int i = 0; i < 4; i++)
    header.U32(0);
}

void WriteStreamHeader(CChunkBuffer& header, const SVideoLayout& layout)
{
  header.FourCC("strh");
  header.U32(56);
  header.FourCC("vids");
  header.U32(0);                          // handler: uncompressed
  header.U32(0);                          // flags
  header.U16(0);                          // priority
  header.U16(0);                          // language
  header.U32(0);                          // initial frames
  header.U32(1);                          // scale
  header.U32(kRate);                      // rate
  header.U32(0);                          // start
  header.U32(layout.Length);              // length
  header.U32(layout.FrameSize);           // suggested buffer size
  header.U32(1000);                       // quality
  header.U32(0);                          // sample size: one frame per chunk
  header.U16(0);
  header.U16(0);
  header.U16(static_cast<std::uint16_t>(layout.Width));
  header.U16(static_cast<std::uint16_t>(layout.Height));
}

void WriteStreamFormat(CChunkBuffer& header, const SVideoLayout& layout)
{
  header.FourCC("strf");
  header.U32(40);
  header.U32(40);                         // bitmap information header
  header.U32(layout.Width);
  header.U32(layout.Height);              // positive: rows bottom-up
  header.U16(layout.Planes);
  header.U16(layout.BitsPerPixel);
  header.U32(0);                          // no compression
  header.U32(layout.FrameSize);
  for (int i = 0; i < 4; i++)
    header.U32(0);
}

void WriteHeaderList(CChunkBuffer& header, const SVideoLayout& layout)
{
  header.FourCC("LIST");
  const std::size_t hdrlSize = header.Size();
  header.U32(0);
  header.FourCC("hdrl");
  WriteMainHeader(header, layout);
  header.FourCC("LIST");
  const std::size_t strlSize = header.Size();
  header.U32(0);
  header.FourCC("strl");
  WriteStreamHeader(header, layout);
  WriteStreamFormat(header, layout);
  header.PatchU32(strlSize, static_cast<std::uint32_t>(header.Size() - strlSize - 4));
  header.PatchU32(hdrlSize, static_cast<std::uint32_t>(header.Size() - hdrlSize - 4));
}

// The "movi" code, each frame's chunk and the empty chunks of the samples it stays on.
std::uint32_t MovieSize(const SVideoLayout& layout)
{
  return 4 + layout.NbFrames * (kChunkHeader + layout.FrameSize) +
         (layout.Length - layout.NbFrames) * kChunkHeader;
}

// Sample i x 25 holds frame i; the other samples are empty.
CChunkBuffer IndexChunk(const SVideoLayout& layout)
{
  CChunkBuffer index;
  index.FourCC("idx1");
  index.U32(kIndexEntry * layout.Length);
  std::uint32_t offset = 4; // from the "movi" code
  for (std::uint32_t sample = 0; sample < layout.Length; sample++) {
    const bool full = sample % kSamplesPerFrame == 0;
    index.FourCC("00db");
    index.U32(full ? AVIIF_KEYFRAME : 0);
    index.U32(offset);
    index.U32(full ? layout.FrameSize : 0);
    offset += kChunkHeader + (full ? layout.FrameSize : 0);
  }
  return index;
}

bool WriteBytes(std::FILE* file, const std::vector<std::uint8_t>& bytes)
{
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool WriteMovie(std::FILE* file, const std::vector<std::vector<std::uint8_t>>& frames,
                const SVideoLayout& layout)
{
  CChunkBuffer full;
  full.FourCC("00db");
  full.U32(layout.FrameSize);
  CChunkBuffer empty;
  for (std::uint32_t k = 1; k < kSamplesPerFrame; k++) {
    empty.FourCC("00db");
    empty.U32(0);
  }
  for (const auto& frame : frames)
    if (!WriteBytes(file, full.Data()) || !WriteBytes(file, frame) || !WriteBytes(file, empty.Data()))
      return false;
  return true;
}

} // namespace

std::uint32_t CAviWriter::RowSize(int width, int bitsPerPixel)
{
  return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32) * 4;
}

std::uint32_t CAviWriter::FrameSize() const
{
  return RowSize(m_Rect.width(), m_BitsPerPixel) * static_cast<std::uint32_t>(m_Rect.height());
}

int CAviWriter::DisplayBitsPerPixel() const
{
  const QScreen* screen = QGuiApplication::screenAt(m_Rect.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  // Deeper displays keep 8 bits a channel in 32-bit pixels; anything else is written as
  // 24-bit true colour, the pixel size every reader of uncompressed frames knows.
  return screen && screen->depth() >= 32 ? 32 : 24;
}

std::uint64_t CAviWriter::BytesPerFrame() const
{
  return kChunkHeader + FrameSize() + kIndexEntry +
         std::uint64_t(kSamplesPerFrame - 1) * (kChunkHeader + kIndexEntry);
}

void CAviWriter::Init(const std::string& fileName, const QRect& rect)
{
  m_FileName = fileName;
  m_Rect = rect;
  m_BitsPerPixel = DisplayBitsPerPixel();
  // A device-independent bitmap has one plane, whatever the display.
  m_Planes = 1;
  m_NbFrames = 0;
  m_Frames.clear();
  m_Initialized = rect.width() > 0 && rect.height() > 0;
}

int CAviWriter::AddFrame()
{
  if (!m_Initialized)
    return 0;
  QScreen* screen = QGuiApplication::screenAt(m_Rect.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  if (!screen)
    return 0;
  const QRect geometry = screen->geometry();
  const QPixmap pixmap = screen->grabWindow(0, m_Rect.x() - geometry.x(), m_Rect.y() - geometry.y(),
                                            m_Rect.width(), m_Rect.height());
  return AddFrame(pixmap.toImage());
}

int CAviWriter::AddFrame(const QImage& image)
{
  if (!m_Initialized || image.isNull())
    return 0;
  const std::uint64_t after = kHeaderBytes + std::uint64_t(m_NbFrames + 1) * BytesPerFrame();
  if (after > kMaxFileSize)
    return 0;
  const QImage rgb = (image.size() == m_Rect.size() ? image : image.scaled(m_Rect.size()))
                       .convertToFormat(QImage::Format_RGB888);
  const std::uint32_t rowSize = RowSize(m_Rect.width(), m_BitsPerPixel);
  const int pixelSize = m_BitsPerPixel / 8;
  std::vector<std::uint8_t> frame(FrameSize(), 0);
  // Device-independent bitmaps run bottom-up, in blue-green-red order. A 32-bit pixel's
  // fourth byte is opaque: readers that take it as alpha must not show a clear frame.
  for (int y = 0; y < m_Rect.height(); y++) {
    const std::uint8_t* source = rgb.constScanLine(m_Rect.height() - 1 - y);
    std::uint8_t* row = frame.data() + std::size_t(y) * rowSize;
    for (int x = 0; x < m_Rect.width(); x++) {
      std::uint8_t* pixel = row + pixelSize * x;
      pixel[0] = source[3 * x + 2];
      pixel[1] = source[3 * x + 1];
      pixel[2] = source[3 * x];
      if (pixelSize == 4)
        pixel[3] = 0xFF;
    }
  }
  m_Frames.push_back(std::move(frame));
  m_NbFrames++;
  return 1;
}

int CAviWriter::Write()
{
  if (!m_Initialized)
    return 0;
  SVideoLayout layout;
  layout.Width = static_cast<std::uint32_t>(m_Rect.width());
  layout.Height = static_cast<std::uint32_t>(m_Rect.height());
  layout.FrameSize = FrameSize();
  layout.NbFrames = static_cast<std::uint32_t>(m_NbFrames);
  layout.Length = layout.NbFrames * kSamplesPerFrame;
  layout.Planes = static_cast<std::uint16_t>(m_Planes);
  layout.BitsPerPixel = static_cast<std::uint16_t>(m_BitsPerPixel);

  CChunkBuffer header;
  header.FourCC("RIFF");
  const std::size_t riffSize = header.Size();
  header.U32(0);
  header.FourCC("AVI ");
  WriteHeaderList(header, layout);
  header.FourCC("LIST");
  const std::uint32_t moviSize = MovieSize(layout);
  header.U32(moviSize);
  header.FourCC("movi");
  const CChunkBuffer index = IndexChunk(layout);
  header.PatchU32(riffSize, static_cast<std::uint32_t>(header.Size() - 8 + moviSize - 4 + index.Size()));

  std::unique_ptr<std::FILE, SFileCloser> file(std::fopen(m_FileName.c_str(), "wb"));
  if (!file)
    return 0;
  bool ok = WriteBytes(file.get(), header.Data()) && WriteMovie(file.get(), m_Frames, layout) &&
            WriteBytes(file.get(), index.Data());
  ok = (std::fclose(file.release()) == 0) && ok;
  if (!ok)
    return 0;
  m_Frames.clear();
  m_NbFrames = 0;
  m_Initialized = false;
  return 1;
}
