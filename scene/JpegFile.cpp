#include "scene/JpegFile.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "scene/DIBFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg's error manager with the jump point of the running operation after it.
struct ErrorManager
{
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// The value longjmp hands back when the header names dimensions the library refuses.
constexpr int JumpTooLarge = 2;

// Warnings are counted, not printed (a window program has no console). A file cut short
// decodes as grey rows with only a warning: treat it as the failure it is.
void EmitMessage(j_common_ptr info, int level)
{
  if (level >= 0)
    return;
  if (info->err->msg_code == JWRN_JPEG_EOF)
    info->err->error_exit(info);
  info->err->num_warnings++;
}

void InstallErrorManager(jpeg_common_struct* info, ErrorManager& error)
{
  info->err = jpeg_std_error(&error.pub);
  error.pub.error_exit = JpegFile::OnFatalError;
  error.pub.emit_message = EmitMessage;
}

void ShowFatalError(const char* text)
{
  platform::MessageBox(text, platform::MB_OK | platform::MB_ICONSTOP);
}

// A JPEG file packs at most about a thousand bytes of pixels in one of its own (uniform blocks
// of a few bits each); a header that claims more describes no real image, and must not cost
// the memory it names.
constexpr std::uint64_t MaxPixelBytesPerFileByte = 1024;
constexpr std::uint64_t PixelBytesAnyFile = std::uint64_t(1) << 20;

enum class EDecode { Ok, Failed, TooLarge, NoMemory, Unsupported };

struct DecodeResult
{
  std::uint8_t* pixels = nullptr;  // adopted by the caller
  unsigned width = 0;
  unsigned height = 0;  // also set when the image is too large, for the message
};

// The jump point's scope holds no C++ object with a destructor: a fatal error longjmps
// over it. Only the header is read when `pixels` is false.
EDecode Decode(std::FILE* file, DecodeResult* result, bool pixels)
{
  jpeg_decompress_struct info;
  ErrorManager error;
  InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), error);
  switch (setjmp(error.jump)) {
  case 0:
    break;
  case JumpTooLarge:
    result->width = info.image_width;
    result->height = info.image_height;
    jpeg_destroy_decompress(&info);
    return EDecode::TooLarge;
  default:
    jpeg_destroy_decompress(&info);
    delete[] result->pixels;
    result->pixels = nullptr;
    return EDecode::Failed;
  }
  const std::uint64_t maxBytes = std::min<std::uint64_t>(
    MaxImageBytes, MaxPixelBytesPerFileByte * RemainingBytes(file) + PixelBytesAnyFile);
  jpeg_create_decompress(&info);
  // The library's own buffers (whole-image coefficients of progressive files) within the same bound.
  info.mem->max_memory_to_use = long(2 * maxBytes);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  if (!pixels) {
    result->width = info.image_width;
    result->height = info.image_height;
    jpeg_destroy_decompress(&info);
    return EDecode::Ok;
  }
  const std::uint64_t bytes = std::uint64_t(info.image_width) * info.image_height * 3;
  if (bytes > maxBytes) {
    result->width = info.image_width;
    result->height = info.image_height;
    jpeg_destroy_decompress(&info);
    return EDecode::TooLarge;
  }
  jpeg_start_decompress(&info);
  const int components = info.out_color_components;
  if (components != 1 && components != 3) {
    jpeg_destroy_decompress(&info);
    return EDecode::Unsupported;
  }
  result->pixels = new (std::nothrow) std::uint8_t[std::size_t(info.output_width) * info.output_height * 3];
  if (!result->pixels) {
    jpeg_destroy_decompress(&info);
    return EDecode::NoMemory;
  }
  result->width = info.output_width;
  result->height = info.output_height;
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * components, 1);
  const int width = int(info.output_width);
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, row, 1);
    const int rowIndex = int(info.output_scanline) - 1;
    if (components == 3)
      JpegFile::CopyRowRgb(row[0], width, result->pixels, rowIndex);
    else
      JpegFile::CopyRowGrey(row[0], width, result->pixels, rowIndex);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return EDecode::Ok;
}

// Same rule as Decode for the jump point's scope.
bool Encode(std::FILE* file, const std::uint8_t* pixels, unsigned width, unsigned height,
            int components, int quality)
{
  jpeg_compress_struct info;
  ErrorManager error;
  InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), error);
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t rowBytes = std::size_t(width) * components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

ImageFilePtr OpenForReading(const std::string& fileName)
{
  ImageFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file)
    platform::MessageBox(platform::Format("JPEG :\nCan't open %s\n", fileName.c_str()));
  return file;
}

} // namespace

void JpegFile::OnFatalError(jpeg_common_struct* info)
{
  // Dimensions beyond the library's limit: the reader names the file and the size itself.
  if (info->err->msg_code == JERR_IMAGE_TOO_BIG)
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, JumpTooLarge);
  char text[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, text);
  ShowFatalError(text);
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

std::unique_ptr<std::uint8_t[]> JpegFile::ReadToRgb(const std::string& fileName, unsigned& width,
                                                    unsigned& height)
{
  width = height = 0;
  ImageFilePtr file = OpenForReading(fileName);
  if (!file)
    return nullptr;
  DecodeResult result;
  const EDecode status = Decode(file.get(), &result, true);
  std::unique_ptr<std::uint8_t[]> pixels(result.pixels);
  switch (status) {
  case EDecode::Ok:
    width = result.width;
    height = result.height;
    return pixels;
  case EDecode::TooLarge:
    platform::MessageBox(platform::Format("Unable to read %s: image of %u x %u pixels is too large",
                                          fileName.c_str(), result.width, result.height),
                         platform::MB_OK | platform::MB_ICONSTOP);
    return nullptr;
  case EDecode::NoMemory:
    platform::MessageBox("JpegFile :\nOut of memory", platform::MB_OK | platform::MB_ICONSTOP);
    return nullptr;
  case EDecode::Unsupported:
    platform::MessageBox("JpegFile :\nUnsupported color space", platform::MB_OK | platform::MB_ICONSTOP);
    return nullptr;
  case EDecode::Failed:
    break;
  }
  return nullptr;
}

int JpegFile::ReadDimensions(const std::string& fileName, unsigned& width, unsigned& height)
{
  ImageFilePtr file = OpenForReading(fileName);
  if (!file)
    return 0;
  DecodeResult result;
  if (Decode(file.get(), &result, false) != EDecode::Ok)
    return 0;
  width = result.width;
  height = result.height;
  return 1;
}

int JpegFile::WriteFromRgb(const std::string& fileName, const std::uint8_t* rgb, unsigned width,
                           unsigned height, int color, int quality)
{
  if (!rgb || width == 0 || height == 0)
    return 0;
  const std::size_t pixelCount = std::size_t(width) * height;
  std::vector<std::uint8_t> grey;
  if (!color) {
    grey.resize(pixelCount);
    for (std::size_t i = 0; i < pixelCount; i++)
      grey[i] = Grey(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  ImageFilePtr file(std::fopen(fileName.c_str(), "wb"));
  if (!file) {
    platform::MessageBox(platform::Format("JpegFile :\nCan't open %s\n", fileName.c_str()));
    return 0;
  }
  if (!Encode(file.get(), color ? rgb : grey.data(), width, height, color ? 3 : 1, quality))
    return 0;
  // A full disk shows only when the buffered bytes reach the file.
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
    platform::MessageBox(platform::Format("JpegFile :\nCan't write %s\n", fileName.c_str()));
    return 0;
  }
  return 1;
}

void JpegFile::CopyRowRgb(const std::uint8_t* row, int width, std::uint8_t* destination, int rowIndex)
{
  std::memcpy(destination + std::size_t(rowIndex) * width * 3, row, std::size_t(width) * 3);
}

void JpegFile::CopyRowGrey(const std::uint8_t* row, int width, std::uint8_t* destination, int rowIndex)
{
  std::uint8_t* out = destination + std::size_t(rowIndex) * width * 3;
  for (int x = 0; x < width; x++, out += 3)
    out[0] = out[1] = out[2] = row[x];
}

std::unique_ptr<std::uint8_t[]> JpegFile::UnpadRows(const std::uint8_t* source, unsigned width,
                                                    unsigned stride, unsigned height)
{
  if (!source)
    return nullptr;
  const std::size_t rowBytes = std::size_t(width) * 3;
  std::unique_ptr<std::uint8_t[]> result(new (std::nothrow) std::uint8_t[rowBytes * height]);
  if (!result)
    return nullptr;
  for (unsigned r = 0; r < height; r++)
    std::memcpy(result.get() + r * rowBytes, source + std::size_t(r) * stride, rowBytes);
  return result;
}

std::unique_ptr<std::uint8_t[]> JpegFile::PadRowsToDword(const std::uint8_t* source, unsigned width,
                                                         unsigned height, unsigned& stride)
{
  if (!source)
    return nullptr;
  const std::size_t rowBytes = std::size_t(width) * 3;
  const std::size_t padded = ((std::size_t(width) * 24 + 31) / 32) * 4;
  std::unique_ptr<std::uint8_t[]> result(new (std::nothrow) std::uint8_t[padded * height]());
  if (!result)
    return nullptr;
  for (unsigned r = 0; r < height; r++)
    std::memcpy(result.get() + r * padded, source + r * rowBytes, rowBytes);
  stride = unsigned(padded);
  return result;
}

int JpegFile::FlipVertical(std::uint8_t* buffer, unsigned rowBytes, unsigned rows)
{
  if (!buffer)
    return 0;
  std::vector<std::uint8_t> temporary(rowBytes);
  for (unsigned i = 0; i < rows / 2; i++) {
    std::uint8_t* top = buffer + std::size_t(i) * rowBytes;
    std::uint8_t* bottom = buffer + std::size_t(rows - 1 - i) * rowBytes;
    std::memcpy(temporary.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, temporary.data(), rowBytes);
  }
  return 1;
}

int JpegFile::SwapRedBlue(std::uint8_t* buffer, unsigned width, unsigned height)
{
  if (!buffer)
    return 0;
  const std::size_t pixelCount = std::size_t(width) * height;
  for (std::size_t i = 0; i < pixelCount; i++)
    std::swap(buffer[3 * i], buffer[3 * i + 2]);
  return 1;
}

int JpegFile::ToGreyscale(std::uint8_t* buffer, unsigned width, unsigned height)
{
  if (!buffer)
    return 0;
  const std::size_t pixelCount = std::size_t(width) * height;
  for (std::size_t i = 0; i < pixelCount; i++) {
    std::uint8_t* p = buffer + 3 * i;
    p[0] = p[1] = p[2] = Grey(p[0], p[1], p[2]);
  }
  return 1;
}

std::uint8_t JpegFile::Grey(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
  return std::uint8_t(0.299 * b0 + 0.587 * b1 + 0.114 * b2);
}
