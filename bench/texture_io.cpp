// Read and write throughput of the texture files by image size (square images, 24 bits).
#include "scene/JpegFile.h"
#include "scene/Texture.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The files of the run, removed at exit.
class CScratchFolder
{
public:
  CScratchFolder()
    : m_Path(std::filesystem::temp_directory_path() / ("orvane_bench_texture_" + std::to_string(::getpid())))
  {
    std::filesystem::create_directories(m_Path);
  }
  ~CScratchFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
  }
  std::string File(const std::string& name) const { return (m_Path / name).string(); }

private:
  std::filesystem::path m_Path;
};

std::string ScratchFile(const std::string& name)
{
  static const CScratchFolder folder;
  return folder.File(name);
}

// A smooth picture with some detail, so that the JPEG coder has realistic work.
CTexture Picture(unsigned size)
{
  CTexture texture;
  texture.Alloc(size, size, 24);
  for (unsigned y = 0; y < size; y++)
    for (unsigned x = 0; x < size; x++)
      texture.SetColor(x, y, std::uint8_t(x * 255 / size), std::uint8_t(y * 255 / size),
                       std::uint8_t((x * 7 + y * 13) & 0xff));
  return texture;
}

void SetBytes(benchmark::State& state, unsigned size)
{
  state.SetBytesProcessed(std::int64_t(state.iterations()) * size * size * 3);
}

void BM_WriteBMP(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  const CTexture texture = Picture(size);
  const std::string path = ScratchFile("w.bmp");
  for (auto _ : state)
    benchmark::DoNotOptimize(texture.SaveFileBMP(path));
  SetBytes(state, size);
}

void BM_ReadBMP(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  const std::string path = ScratchFile("r.bmp");
  Picture(size).SaveFileBMP(path);
  CTexture texture;
  for (auto _ : state)
    benchmark::DoNotOptimize(texture.ReadFile(path));
  SetBytes(state, size);
}

void BM_WriteRAW(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  const CTexture texture = Picture(size);
  const std::string path = ScratchFile("w.raw");
  for (auto _ : state)
    benchmark::DoNotOptimize(texture.SaveFileRAW(path));
  SetBytes(state, size);
}

void BM_ReadRAW(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  const std::string path = ScratchFile("r.raw");
  Picture(size).SaveFileRAW(path);
  CTexture texture;
  for (auto _ : state)
    benchmark::DoNotOptimize(texture.ReadFile(path, size, size, 24));
  SetBytes(state, size);
}

void BM_ReadSGI(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  std::vector<char> bytes(512 + std::size_t(size) * size * 3, 1);
  bytes[0] = 0x01, bytes[1] = char(0xda), bytes[2] = 0, bytes[3] = 1;
  const auto put16 = [&](int at, unsigned value) {
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value);
  };
  put16(4, 3), put16(6, size), put16(8, size), put16(10, 3);
  const std::string path = ScratchFile("r.rgb");
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  CTexture texture;
  for (auto _ : state)
    benchmark::DoNotOptimize(texture.ReadFile(path));
  SetBytes(state, size);
}

void BM_WriteJPEG(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  std::vector<std::uint8_t> rgb(std::size_t(size) * size * 3);
  for (std::size_t i = 0; i < rgb.size(); i++)
    rgb[i] = std::uint8_t((i * 31) / 7);
  const std::string path = ScratchFile("w.jpg");
  for (auto _ : state)
    benchmark::DoNotOptimize(JpegFile::WriteFromRgb(path, rgb.data(), size, size, 1, 90));
  SetBytes(state, size);
}

void BM_ReadJPEG(benchmark::State& state)
{
  const unsigned size = unsigned(state.range(0));
  const CTexture texture = Picture(size);
  const std::string path = ScratchFile("r.jpg");
  std::vector<std::uint8_t> rgb(std::size_t(size) * size * 3);
  for (unsigned y = 0; y < size; y++)
    for (unsigned x = 0; x < size; x++)
      texture.GetColor(x, y, rgb[(y * size + x) * 3], rgb[(y * size + x) * 3 + 1], rgb[(y * size + x) * 3 + 2]);
  JpegFile::WriteFromRgb(path, rgb.data(), size, size, 1, 90);
  CTexture read;
  for (auto _ : state)
    benchmark::DoNotOptimize(read.ReadFile(path));
  SetBytes(state, size);
}

void Sizes(benchmark::internal::Benchmark* benchmark)
{
  for (int size : {64, 256, 1024, 2048})
    benchmark->Arg(size);
  benchmark->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_WriteBMP)->Apply(Sizes);
BENCHMARK(BM_ReadBMP)->Apply(Sizes);
BENCHMARK(BM_WriteRAW)->Apply(Sizes);
BENCHMARK(BM_ReadRAW)->Apply(Sizes);
BENCHMARK(BM_ReadSGI)->Apply(Sizes);
BENCHMARK(BM_WriteJPEG)->Apply(Sizes);
BENCHMARK(BM_ReadJPEG)->Apply(Sizes);
