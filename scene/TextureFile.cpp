// The image files of CTexture: BMP, JPEG, RAW and SGI read, RAW and BMP written.
#include "scene/Texture.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Path.h"
#include "scene/DIBFile.h"
#include "scene/JpegFile.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool ReadBytes(std::FILE* file, void* data, std::size_t size)
{
  return std::fread(data, 1, size, file) == size;
}

bool WriteBytes(std::FILE* file, const void* data, std::size_t size)
{
  return std::fwrite(data, 1, size, file) == size;
}

// Closing flushes the last buffered bytes: a write error may show only then.
bool Close(ImageFilePtr& file)
{
  return std::fclose(file.release()) == 0;
}

int Fail(const char* message)
{
  platform::MessageBox(message);
  return 0;
}

constexpr unsigned BmpHeadersSize = BitmapFileHeaderSize + BitmapInfoHeaderSize;

// A 24-bit uncompressed bottom-up bitmap, as the headers describe it.
struct BmpLayout
{
  unsigned width = 0;
  unsigned height = 0;
  std::uint32_t offset = 0;
  std::uint64_t bytes = 0;      // of the pixel rows
  const char* error = nullptr;  // the message refusing the file, or null
};

BmpLayout CheckBmpHeaders(const std::uint8_t* headers, const char* depthMessage)
{
  BmpLayout layout;
  const BitmapFileHeader file = ReadBitmapFileHeader(headers);
  const platform::BitmapInfoHeader info = ReadBitmapInfoHeader(headers + BitmapFileHeaderSize);
  if (file.bfType != BitmapFileType) {
    layout.error = "Invalid BMP file";
    return layout;
  }
  if (info.biPlanes != 1 || info.biBitCount != 24) {
    layout.error = depthMessage;
    return layout;
  }
  // Top-down rows (negative height), compressed rows and other header versions are refused.
  if (info.biSize != BitmapInfoHeaderSize || info.biCompression != 0 || info.biWidth <= 0 ||
      info.biHeight <= 0 || file.bfOffBits < BmpHeadersSize) {
    layout.error = "Invalid BMP file";
    return layout;
  }
  // The image size field may be 0 or wrong: the stride decides.
  const std::uint64_t stride = ((std::uint64_t(info.biWidth) * 3) + 3) & ~std::uint64_t(3);
  layout.bytes = stride * std::uint64_t(info.biHeight);
  if (layout.bytes > MaxImageBytes) {
    layout.error = "Insuffisant memory";
    return layout;
  }
  layout.width = unsigned(info.biWidth);
  layout.height = unsigned(info.biHeight);
  layout.offset = file.bfOffBits;
  return layout;
}

} // namespace

int CTexture::ReadFile(const std::string& fileName, unsigned width, unsigned height, unsigned depth)
{
  Free();
  m_FileName = fileName;
  const std::string::size_type dot = fileName.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
  for (char& c : extension)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bmp")
    return ReadFileBMP(fileName);
  if (extension == ".jpg" || extension == ".jpeg")
    return ReadFileJPEG(fileName);
  if (extension == ".raw")
    return ReadFileRAW(fileName, width, height, depth);
  if (extension == ".rgb")
    return ReadFileRGB(fileName);
  platform::MessageBox(
      platform::Format("CTexture::ReadFile : invalid file redirection : %s\n", fileName.c_str()));
  return 0;
}

int CTexture::ReadFileBMP(const std::string& fileName)
{
  ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file)
    return Fail("Unable to open file for reading");
  std::uint8_t headers[BmpHeadersSize];
  if (!ReadBytes(file.get(), headers, BitmapFileHeaderSize))
    return Fail("Error during reading file header");
  if (ReadBitmapFileHeader(headers).bfType != BitmapFileType)
    return Fail("Invalid BMP file");
  if (!ReadBytes(file.get(), headers + BitmapFileHeaderSize, BitmapInfoHeaderSize))
    return Fail("Error during reading image header");
  const BmpLayout layout = CheckBmpHeaders(headers, "Texture file must have 24 bits depth");
  if (layout.error)
    return Fail(layout.error);
  // The rows must be in the file before their memory is taken.
  if (layout.offset < BmpHeadersSize ||
      layout.offset - BmpHeadersSize + layout.bytes > RemainingBytes(file.get()))
    return Fail("Error during reading image");
  if (!Alloc(layout.width, layout.height, 24))
    return 0;
  if (std::fseek(file.get(), long(layout.offset), SEEK_SET) != 0 ||
      !ReadBytes(file.get(), m_pData.get(), std::size_t(m_Stride) * m_Height)) {
    Free();
    return Fail("Error during reading image");
  }
  m_FileName = fileName;
  return 1;
}

int CTexture::ReadFileFromResource(std::span<const std::uint8_t> resource)
{
  Free();
  if (resource.size() < BmpHeadersSize)
    return Fail("Invalid BMP file");
  const BmpLayout layout = CheckBmpHeaders(resource.data(), "Image file must have 24 bits depth");
  if (layout.error)
    return Fail(layout.error);
  if (layout.offset + layout.bytes > resource.size())
    return Fail("Invalid BMP file");
  if (!Alloc(layout.width, layout.height, 24))
    return 0;
  std::memcpy(m_pData.get(), resource.data() + layout.offset, layout.bytes);
  m_FileName = "FromResource.bmp";
  return 1;
}

// Decoded rows arrive top row first, red first: stored bottom-up, blue first like a BMP.
int CTexture::ReadFileJPEG(const std::string& fileName)
{
  unsigned width = 0;
  unsigned height = 0;
  const std::unique_ptr<std::uint8_t[]> rgb = JpegFile::ReadToRgb(fileName, width, height);
  if (!rgb || !Alloc(width, height, 24))
    return 0;
  for (unsigned r = 0; r < height; r++) {
    const std::uint8_t* source = rgb.get() + std::size_t(r) * width * 3;
    std::uint8_t* row = Pixel(0, height - 1 - r);
    for (unsigned x = 0; x < width; x++, source += 3, row += 3) {
      row[0] = source[2];
      row[1] = source[1];
      row[2] = source[0];
    }
  }
  m_FileName = fileName;
  return 1;
}

// A RAW file is the packed rows as they lie in memory; the caller gives the size.
int CTexture::ReadFileRAW(const std::string& fileName, unsigned width, unsigned height,
                          unsigned depth)
{
  ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file)
    return Fail("Unable to open file for reading");
  if ((depth != 24 && depth != 32) || width == 0 || height == 0)
    return Fail("CTexture::ReadFileRAW : invalid image");
  // width * height * bytes within the file, without overflowing.
  if (RemainingBytes(file.get()) / (depth / 8) / width < height)
    return Fail("Error during reading image");
  if (!Alloc(width, height, depth))
    return Fail("Insuffisant memory");
  const std::size_t rowBytes = std::size_t(width) * BytesPerPixel();
  for (unsigned y = 0; y < height; y++)
    if (!ReadBytes(file.get(), Pixel(0, y), rowBytes)) {
      Free();
      return Fail("Error during reading image");
    }
  m_FileName = fileName;
  return 1;
}

// SGI image: a 512-byte big-endian header, then one block of rows per channel (red, green,
// blue), rows bottom-up like ours. Only verbatim 8-bit RGB files are read.
int CTexture::ReadFileRGB(const std::string& fileName)
{
  ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file)
    return 0;
  std::uint8_t header[512];
  if (!ReadBytes(file.get(), header, sizeof header))
    return Fail("Error during reading image header");
  const auto big16 = [&](int offset) { return unsigned(header[offset] << 8 | header[offset + 1]); };
  if (big16(0) != 474)
    return Fail("Invalid magic number");
  const unsigned storage = header[2];
  const unsigned bytesPerChannel = header[3];
  const unsigned dimension = big16(4);
  const unsigned xsize = big16(6);
  const unsigned ysize = big16(8);
  const unsigned zsize = big16(10);
  if (storage != 0 || bytesPerChannel != 1 || dimension != 3 || zsize != 3 || !xsize || !ysize)
    return Fail("Sorry, unable to read this format");
  if (3 * std::uint64_t(xsize) * ysize > RemainingBytes(file.get()))
    return Fail("Error during reading image");
  if (!Alloc(xsize, ysize, dimension * 8))
    return 0;
  std::vector<std::uint8_t> block(std::size_t(xsize) * ysize);
  for (unsigned k = 0; k < 3; k++) {
    if (!ReadBytes(file.get(), block.data(), block.size())) {
      Free();
      return Fail("Error during reading image");
    }
    for (unsigned y = 0; y < ysize; y++)
      for (unsigned x = 0; x < xsize; x++)
        Pixel(x, y)[2 - k] = block[std::size_t(y) * xsize + x];
  }
  m_FileName = fileName;
  return 1;
}

int CTexture::SaveFile(const std::string& fileName) const
{
  const std::string suffix = platform::LowerSuffix(fileName, 4);
  if (suffix == ".raw")
    return SaveFileRAW(fileName);
  if (suffix == ".bmp")
    return SaveFileBMP(fileName);
  platform::MessageBox(
      platform::Format("CTexture::SaveFile : invalid file redirection : %s\n", fileName.c_str()));
  return 0;
}

// Every row is written packed, so that ReadFileRAW gives the same image back.
int CTexture::SaveFileRAW(const std::string& fileName) const
{
  if (!IsValid())
    return Fail("CTexture::SaveFileRAW : invalid image");
  ImageFilePtr file(std::fopen(fileName.c_str(), "wb"));
  if (!file)
    return Fail("Unable to open file for writing");
  const std::size_t rowBytes = std::size_t(m_Width) * BytesPerPixel();
  for (unsigned y = 0; y < m_Height; y++)
    if (!WriteBytes(file.get(), Pixel(0, y), rowBytes))
      return Fail("Error during writing image");
  if (!Close(file))
    return Fail("Error during writing image");
  return 1;
}

int CTexture::SaveFileBMP(const std::string& fileName) const
{
  if (!IsValid() || m_Depth != 24)
    return 0;
  ImageFilePtr file(std::fopen(fileName.c_str(), "wb"));
  if (!file)
    return Fail("Unable to open file for writing");
  std::uint8_t headers[BmpHeadersSize];
  BitmapFileHeader fileHeader;
  fileHeader.bfSize = m_Stride * m_Height + BmpHeadersSize;
  fileHeader.bfOffBits = BmpHeadersSize;
  WriteBitmapFileHeader(fileHeader, headers);
  WriteBitmapInfoHeader(m_Header, headers + BitmapFileHeaderSize);
  if (!WriteBytes(file.get(), headers, BitmapFileHeaderSize))
    return Fail("Error during writing file header");
  if (!WriteBytes(file.get(), headers + BitmapFileHeaderSize, BitmapInfoHeaderSize))
    return Fail("Error during writing image header");
  std::vector<std::uint8_t> scratch;
  for (unsigned y = 0; y < m_Height; y++)
    if (!WriteBytes(file.get(), BgrRow(y, scratch), m_Stride))
      return Fail("Error during writing image");
  if (!Close(file))
    return Fail("Error during writing image");
  return 1;
}
