#include "scene/Image2d.h"

#include "platform/core/Format.h"
#include "scene/DIBFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

struct FileCloser
{
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum { TypePGM = 1, TypeInrimage = 2, TypeBMP = 3, TypeLGN = 4 };

constexpr int LineLength = 1000;
constexpr int BmpHeaderSize = 54;
constexpr int BmpPixelOffset = 1078;  // headers and the 256-entry grey colour table

// Flushes and closes a written file; 0 when any write or the close failed.
int Close(FilePtr& file)
{
  const bool failed = std::ferror(file.get()) != 0;
  return std::fclose(file.release()) == 0 && !failed;
}

// Next header line that is not a comment; false at the end of the file.
bool NextHeaderLine(std::FILE* file, char (&line)[LineLength])
{
  while (std::fgets(line, LineLength, file))
    if (line[0] != '#')
      return true;
  return false;
}

long long FileSize(std::FILE* file)
{
  const long position = std::ftell(file);
  if (std::fseek(file, 0, SEEK_END) != 0)
    return -1;
  const long size = std::ftell(file);
  std::fseek(file, position, SEEK_SET);
  return size;
}

// The pixels that the header announces must be in the file before any is allocated: a header
// alone must not cost the memory of the image it describes. bytesPerPixel is the least that
// one pixel takes.
bool HoldsPixels(std::FILE* file, int width, int height, long long bytesPerPixel)
{
  if (width <= 0 || height <= 0)
    return true;  // refused by Alloc with its own message
  const long long pixels = static_cast<long long>(width) * height;
  return static_cast<long long>(RemainingBytes(file)) >= bytesPerPixel * pixels - (bytesPerPixel - 1);
}

uint32_t GetLE(const unsigned char* bytes, int count)
{
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; i--)
    value = value << 8 | bytes[i];
  return value;
}

void PutLE(std::vector<unsigned char>& bytes, uint32_t value, int count)
{
  for (int i = 0; i < count; i++)
    bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

int CImage2d::ReadFile(const char* name)
{
  if (std::strstr(name, ".pgm"))
    return ReadFile(TypePGM, name);
  if (std::strstr(name, ".inr"))
    return ReadFile(TypeInrimage, name);
  if (std::strstr(name, ".bmp") || std::strstr(name, ".BMP"))
    return ReadFile(TypeBMP, name);
  if (std::strstr(name, ".lgn") || std::strstr(name, ".LGN"))
    return ReadFile(TypeLGN, name);
  return SetError("ReadFile : invalid file name or unknown format\n");
}

int CImage2d::ReadFile(int type, const char* name)
{
  switch (type) {
  case TypePGM: return ReadPGM(name);
  case TypeInrimage: return ReadInrimage(name);
  case TypeBMP: return ReadBMP(name);
  case TypeLGN: return ReadLGN(name);
  default: return SetError("Copy : unkown image type\n");
  }
}

int CImage2d::Savefile(const char* name)
{
  if (std::strstr(name, ".pgm"))
    return WriteFile(TypePGM, name);
  if (std::strstr(name, ".inr"))
    return WriteFile(TypeInrimage, name);
  if (std::strstr(name, ".bmp"))
    return WriteFile(TypeBMP, name);
  return SetError("Savefile : invalid file name or unknown format\n");
}

int CImage2d::WriteFile(int type, const char* name, int /*flag*/)
{
  if (m_Data.empty() && type >= TypePGM && type <= TypeBMP)
    return SetError("WriteFile : empty image\n");
  switch (type) {
  case TypePGM: return WritePGM(name);
  case TypeInrimage: return WriteInrimage(name);
  case TypeBMP: return WriteBMP(name);
  default: return SetError("WriteFile : unknown image type\n");
  }
}

// One byte per pixel from the current position into an image of that size; a file that ends
// first is refused and the image left as it was.
int CImage2d::ReadBytes(std::FILE* file, int width, int height)
{
  if (!HoldsPixels(file, width, height, 1))
    return SetError("ReadFile : file shorter than its image\n");
  std::vector<unsigned char> bytes(width > 0 && height > 0 ? static_cast<size_t>(width) * height : 0);
  if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
    return SetError("ReadFile : file shorter than its image\n");
  if (!Alloc(width, height))
    return 0;
  std::copy(bytes.begin(), bytes.end(), m_Data.begin());
  return 1;
}

// Text pixels, each a number and a blank; the same rules as ReadBytes.
int CImage2d::ReadNumbers(std::FILE* file, int width, int height)
{
  if (!HoldsPixels(file, width, height, 2))
    return SetError("ReadFile : file shorter than its image\n");
  std::vector<float> values(width > 0 && height > 0 ? static_cast<size_t>(width) * height : 0);
  for (float& p : values) {
    int value = 0;
    if (std::fscanf(file, "%d", &value) != 1)
      return SetError("ReadFile : file shorter than its image\n");
    p = static_cast<float>(value);
  }
  if (!Alloc(width, height))
    return 0;
  m_Data.swap(values);
  return 1;
}

// Every pixel truncated to an integer and written as its low byte, rows padded with zeros.
int CImage2d::WriteBytes(std::FILE* file, int stride)
{
  std::vector<unsigned char> row(static_cast<size_t>(stride), 0);
  for (int y = 0; y < m_Height; y++) {
    for (int x = 0; x < m_Width; x++)
      row[x] = static_cast<unsigned char>(Truncate(GetPixel(x, y)));
    if (std::fwrite(row.data(), 1, row.size(), file) != row.size())
      return 0;
  }
  return 1;
}

int CImage2d::ReadPGM(const char* name)
{
  FilePtr file(std::fopen(name, "rb"));
  if (!file)
    return SetError("ReadFile : Unable to open file");
  char line[LineLength];
  int format = 0, width = 0, height = 0, max = 0;
  if (!NextHeaderLine(file.get(), line) || platform::Scan(line, "P%d", &format) != 1 ||
      !NextHeaderLine(file.get(), line) || platform::Scan(line, "%d %d", &width, &height) != 2 ||
      !NextHeaderLine(file.get(), line) || platform::Scan(line, "%d", &max) != 1)
    return SetError("ReadFile : Invalid ppm file\n");
  if (m_Trace)
    platform::PrintFile(stdout, "reading PGM file %s...\nformat = P%d\nwidth  = %d\nheight = %d\nmax    = %d\n", name,
                        format, width, height, max);
  if (format != 2 && format != 5)
    return SetError("Invalid PGM file format in file");
  return format == 5 ? ReadBytes(file.get(), width, height) : ReadNumbers(file.get(), width, height);
}

int CImage2d::ReadInrimage(const char* name)
{
  FilePtr file(std::fopen(name, "rb"));
  if (!file)
    return SetError("Unable to open file");
  char line[LineLength];
  auto next = [&]() { return std::fgets(line, LineLength, file.get()) != nullptr; };
  int version = 0, width = 0, height = 0, depth = 0, channels = 0, bits = 0;
  if (!next() || platform::Scan(line, "#INRIMAGE-%d#{", &version) != 1 || version != 4)
    return SetError("Invalid inrimage file : bad version\n");
  if (!next() || platform::Scan(line, "XDIM=%d", &width) != 1)
    return SetError("Invalid inrimage file : bad width\n");
  if (!next() || platform::Scan(line, "YDIM=%d", &height) != 1)
    return SetError("Invalid inrimage file : bad height\n");
  if (!next() || platform::Scan(line, "ZDIM=%d", &depth) != 1 || depth != 1)
    return SetError("Invalid inrimage file : bad z dimension\n");
  if (!next() || platform::Scan(line, "VDIM=%d", &channels) != 1 || channels != 1)
    return SetError("Invalid inrimage file : bad v dimension\n");
  if (!next() || !std::strstr(line, "TYPE=unsigned fixed"))
    return SetError("Invalid inrimage file : bad type\n");
  if (!next() || platform::Scan(line, "PIXSIZE=%d", &bits) != 1 || bits != 8)
    return SetError("Invalid inrimage file : bad pixel size\n");
  if (m_Trace)
    platform::PrintFile(stdout, "reading .inr file %s...\nversion = %d\nwidth   = %d\nheight  = %d\n", name, version,
                        width, height);
  bool ended = false;
  while (!ended && next())
    ended = std::strstr(line, "##}") != nullptr;
  if (!ended)
    return SetError("Invalid inrimage file : no end of header\n");
  return ReadBytes(file.get(), width, height);
}

int CImage2d::ReadBMP(const char* name)
{
  FilePtr file(std::fopen(name, "rb"));
  if (!file)
    return SetError("Unable to open file");
  unsigned char header[BmpHeaderSize];
  if (std::fread(header, 1, BmpHeaderSize, file.get()) != BmpHeaderSize || GetLE(header, 2) != 0x4D42)
    return SetError("ReadFileBMP : Invalid bitmap file\n");
  const uint32_t offset = GetLE(header + 10, 4);
  const int width = static_cast<int32_t>(GetLE(header + 18, 4));
  const int height = static_cast<int32_t>(GetLE(header + 22, 4));
  if (GetLE(header + 26, 2) != 1 || GetLE(header + 28, 2) != 8)
    return SetError("ReadFileBMP : Invalid color depth\n");
  if (GetLE(header + 30, 4) != 0)
    return SetError("ReadFileBMP : Invalid compression\n");
  const long long stride = (static_cast<long long>(width) + 3) / 4 * 4;
  if (width > 0 && height > 0 && offset + stride * height > FileSize(file.get()))
    return SetError("ReadFileBMP : Invalid file size\n");
  if (!Alloc(width, height))
    return SetError("ReadFileBMP : insuffisant memory\n");
  if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
    return SetError("ReadFileBMP : Invalid file size\n");
  // File rows in file order: image row 0 is the bottom row of the bitmap.
  std::vector<unsigned char> row(static_cast<size_t>(stride));
  for (int r = 0; r < height; r++) {
    if (std::fread(row.data(), 1, row.size(), file.get()) != row.size())
      return SetError("ReadFileBMP : Invalid file size\n");
    std::copy(row.begin(), row.begin() + width, m_Data.begin() + static_cast<size_t>(r) * width);
  }
  return 1;
}

int CImage2d::ReadLGN(const char* name)
{
  FilePtr file(std::fopen(name, "rb"));
  if (!file)
    return SetError("Unable to open file");
  unsigned char header[4];
  if (std::fread(header, 1, 4, file.get()) != 4)
    return SetError("Invalid LGN file");
  const int width = static_cast<int16_t>(GetLE(header, 2));
  const long long size = FileSize(file.get()) - 4;
  if (width <= 0 || size % width != 0)
    return SetError("Invalid LGN file");
  const long long height = size / width;
  if (height > MaxPixels)
    return SetError(" Alloc : insuffissant memory\n");
  return ReadBytes(file.get(), width, static_cast<int>(height));
}

int CImage2d::WritePGM(const char* name)
{
  FilePtr file(std::fopen(name, "wb"));
  if (!file)
    return SetError("Unable to open file");
  platform::PrintFile(file.get(), "P5\n# Orvane image library\n%d %d\n%d\n", m_Width, m_Height, 255);
  if (m_Trace)
    platform::PrintFile(stdout, "saving .pgm file %s...\nformat = P5\nwidth  = %d\nheight = %d\nmax    = %d\n", name,
                        m_Width, m_Height, 255);
  if (!WriteBytes(file.get(), m_Width) || !Close(file))
    return SetError("Unable to write file");
  return 1;
}

int CImage2d::WriteInrimage(const char* name)
{
  FilePtr file(std::fopen(name, "wb"));
  if (!file)
    return SetError("Unable to open file");
  // The header fills a multiple of 256 bytes with line feeds and ends with "##}\n".
  std::string header = platform::Format("#INRIMAGE-4#{\nXDIM=%d\nYDIM=%d\nZDIM=1\nVDIM=1\nTYPE=unsigned fixed\n"
                                        "PIXSIZE=8 bits\nSCALE=2**0\nCPU=sun\n",
                                        m_Width, m_Height);
  header.resize((header.size() + 4 + 255) / 256 * 256, '\n');
  header.replace(header.size() - 4, 4, "##}\n");
  if (m_Trace)
    platform::PrintFile(stdout, "writing .inr file %s....\nversion = 4\nwidth   = %d\nheight  = %d\n", name, m_Width,
                        m_Height);
  if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size() || !WriteBytes(file.get(), m_Width) ||
      !Close(file))
    return SetError("Unable to write file");
  return 1;
}

int CImage2d::WriteBMP(const char* name)
{
  FilePtr file(std::fopen(name, "wb"));
  if (!file)
    return SetError("Unable to open file");
  const int stride = (m_Width + 3) / 4 * 4;
  std::vector<unsigned char> header;
  header.reserve(BmpPixelOffset);
  PutLE(header, 0x4D42, 2);
  PutLE(header, static_cast<uint32_t>(stride) * m_Height + BmpPixelOffset, 4);
  PutLE(header, 0, 4);  // two reserved words
  PutLE(header, BmpPixelOffset, 4);
  PutLE(header, 40, 4);
  PutLE(header, m_Width, 4);
  PutLE(header, m_Height, 4);
  PutLE(header, 1, 2);
  PutLE(header, 8, 2);
  PutLE(header, 0, 4);
  PutLE(header, static_cast<uint32_t>(stride) * m_Height, 4);
  PutLE(header, 0, 4);  // horizontal and vertical resolutions
  PutLE(header, 0, 4);
  PutLE(header, 256, 4);
  PutLE(header, 256, 4);
  for (uint32_t i = 0; i < 256; i++)
    PutLE(header, i | i << 8 | i << 16, 4);  // blue, green, red, reserved
  if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size() || !WriteBytes(file.get(), stride) ||
      !Close(file))
    return SetError("Unable to write file");
  return 1;
}
