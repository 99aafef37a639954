#pragma once

#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

class QImage;

// Records a rectangle of the screen as still frames and writes them as an uncompressed AVI
// video: bottom-up rows of the display's pixel size (24 or 32 bits), 25 samples a second of
// which each frame takes 25, so that every frame shows for one second; with an index.
class CAviWriter
{
public:
  CAviWriter() = default;
  virtual ~CAviWriter() = default;

  // Starts a new recording of the screen rectangle into the file; earlier frames are dropped.
  void Init(const std::string& fileName, const QRect& rect);
  // Appends the screen's content of the rectangle. 0 before Init, or when the file would grow
  // past what AVI readers accept.
  int AddFrame();
  // Appends an image, scaled to the rectangle's size when it differs.
  int AddFrame(const QImage& image);
  // Writes every frame into the file and releases them; 0 when there is nothing to write or
  // the file cannot be written, in which case the frames are kept for another try.
  int Write();

  int GetNbFrames() const { return m_NbFrames; }
  // Between Init and a successful Write.
  bool IsInitialized() const { return m_Initialized; }
  const QRect& GetRect() const { return m_Rect; }
  const std::string& GetFileName() const { return m_FileName; }
  // Bytes per row of a device-independent bitmap: a multiple of 4.
  static std::uint32_t RowSize(int width, int bitsPerPixel);

  int GetBitsPerPixel() const { return m_BitsPerPixel; }
  int GetPlanes() const { return m_Planes; }

protected:
  // Bits per pixel of the display showing the rectangle, read at Init: 32 or 24.
  virtual int DisplayBitsPerPixel() const;

private:
  std::uint32_t FrameSize() const;
  // A frame's share of the file: its chunk, its empty samples and their index entries.
  std::uint64_t BytesPerFrame() const;

  std::string m_FileName;
  QRect m_Rect;
  int m_BitsPerPixel = 24;
  int m_Planes = 1;
  int m_NbFrames = 0;
  bool m_Initialized = false;
  std::vector<std::vector<std::uint8_t>> m_Frames;
};
