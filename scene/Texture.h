#pragma once

#include "platform/core/DeviceContext.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// A 24- or 32-bit image in the device-independent bitmap layout: rows bottom-up, padded
// to 4 bytes, a bitmap header kept in step beside the pixels. Every reader leaves the
// bytes of a pixel in blue, green, red order; BGRtoRGB turns them into what OpenGL
// expects, and the texture remembers the order so that the bitmaps it writes, exports
// and draws keep their colours.
class CTexture
{
public:
  CTexture() = default;
  CTexture(const CTexture& other);
  CTexture& operator=(const CTexture& other);
  CTexture(CTexture&& other) noexcept = default;
  CTexture& operator=(CTexture&& other) noexcept = default;
  ~CTexture() = default;

  int Alloc(unsigned width, unsigned height, unsigned depth);
  void Free();
  void FillHeader();
  void Copy(const CTexture& other);

  // width, height and depth are used by ".raw" files only, which carry no header.
  int ReadFile(const std::string& fileName, unsigned width = 0, unsigned height = 0,
               unsigned depth = 0);
  int ReadFileBMP(const std::string& fileName);
  int ReadFileJPEG(const std::string& fileName);
  int ReadFileRAW(const std::string& fileName, unsigned width, unsigned height, unsigned depth);
  int ReadFileRGB(const std::string& fileName);
  // A whole 24-bit BMP file compiled into the program.
  int ReadFileFromResource(std::span<const std::uint8_t> resource);
  int SaveFile(const std::string& fileName) const;
  int SaveFileRAW(const std::string& fileName) const;
  int SaveFileBMP(const std::string& fileName) const;

  int IsValid() const;
  int IsRGBA() const { return m_Depth == 32; }
  // Whether byte 0 of a pixel is red (after an odd number of BGRtoRGB).
  bool IsRedFirst() const { return m_RedFirst; }
  unsigned GetWidth() const { return m_Width; }
  unsigned GetHeight() const { return m_Height; }
  unsigned GetDepth() const { return m_Depth; }
  unsigned GetStride() const { return m_Stride; }
  const std::uint8_t* GetData() const { return m_pData.get(); }
  std::uint8_t* GetData() { return m_pData.get(); }
  const platform::BitmapInfoHeader& GetHeader() const { return m_Header; }
  std::string GetFileName() const { return m_FileName; }
  int SameSize(const CTexture& other) const;

  int BGRtoRGB();
  void FlipVertical();
  void Fill(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // Pixel access; (x, y) must lie inside the image, y = 0 being the first row in memory.
  unsigned Grey(unsigned x, unsigned y) const;
  void GetColor(unsigned x, unsigned y, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) const;
  void SetColor(unsigned x, unsigned y, std::uint8_t r, std::uint8_t g, std::uint8_t b);

  int ReadBuffer(const std::uint8_t* buffer, unsigned width, unsigned height, unsigned depth);
  int ReadBuffer(const float* buffer, unsigned width, unsigned height, unsigned depth);

  int SetAlpha(std::uint8_t value);
  int AddAlphaLayer(std::uint8_t value);
  int SetAlphaFromGrey(const CTexture& other);

  int Extract(int left, int top, int right, int bottom);
  int DuplicateMirror(int left, int top, int right, int bottom);
  int DuplicateTwice(int left, int top, int right, int bottom);

  int Draw(platform::CDeviceContext& dc, int x, int y, int width = -1, int height = -1) const;
  int Stretch(platform::CDeviceContext& dc, const platform::CRect& rect) const;

  // The packed device-independent bitmap (header, then rows) that the clipboard carries;
  // empty for an invalid texture.
  std::vector<std::uint8_t> ExportHandle() const;
  // Puts the texture on the clipboard sink as a bitmap.
  bool CopyToClipboard() const;
  // Takes a packed 24-bit bitmap; the texture is changed only when the bitmap is sound.
  int ImportHandle(std::span<const std::uint8_t> dib);

  static int HigherPowerOfTwo(int n);
  static int LowerPowerOfTwo(int n);

private:
  bool AllocQuiet(unsigned width, unsigned height, unsigned depth);
  // Allocates a new image of this depth for a reshaping operation.
  bool AllocReshaped(CTexture& image, unsigned width, unsigned height) const;
  unsigned BytesPerPixel() const { return m_Depth / 8; }
  std::uint8_t* Pixel(unsigned x, unsigned y) { return m_pData.get() + std::size_t(y) * m_Stride + x * BytesPerPixel(); }
  const std::uint8_t* Pixel(unsigned x, unsigned y) const
  {
    return m_pData.get() + std::size_t(y) * m_Stride + x * BytesPerPixel();
  }
  // Row y with blue first, converted into `scratch` when the texture holds red first.
  const std::uint8_t* BgrRow(unsigned y, std::vector<std::uint8_t>& scratch) const;
  // All the rows blue first, for the device context.
  const std::uint8_t* BgrBits(std::vector<std::uint8_t>& scratch) const;
  // Replaces the pixels by those of `image`, keeping the name and channel order.
  void TakePixels(CTexture& image);

  std::unique_ptr<std::uint8_t[]> m_pData;
  unsigned m_Width = 0;
  unsigned m_Height = 0;
  unsigned m_Depth = 0;
  std::string m_FileName;
  std::string m_FileName2;
  platform::BitmapInfoHeader m_Header;
  unsigned m_Stride = 0;
  bool m_RedFirst = false;
};
