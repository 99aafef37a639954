// Throughput of the entropy coders on streams of growing length: symbols (bytes) per
// second of encoding and decoding, for the range coder at orders 0, 1 and 2 over skewed
// byte symbols (through files and in memory), for Huffman, for stack-run over a sparse
// integer signal, and for raw bit fields in memory; and the range coder's runs of one symbol
// coded a symbol per call and a span per call.
#include "coding/Huffman.h"
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "coding/StackRun.h"
#include "platform/core/Random.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t NbByteSymbol = 256;

// Bytes mostly near 0: about 4.4 bits of entropy each.
std::vector<std::uint32_t> SkewedSymbols(std::size_t count)
{
  platform::Srand(1);
  std::vector<std::uint32_t> symbols(count);
  for (auto& s : symbols) {
    const double u = (platform::Rand() + 0.5) / (platform::RandMax + 1.0);
    s = std::min<std::uint32_t>(static_cast<std::uint32_t>(-std::log(u) * 8.0), NbByteSymbol - 1);
  }
  return symbols;
}

// Codes of 7 symbols as the connectivity coders give them: runs of valence 6 (symbol 2)
// broken by others, about one in eight symbols.
std::vector<std::uint32_t> RunSymbols(std::size_t count)
{
  platform::Srand(2);
  std::vector<std::uint32_t> symbols(count);
  for (auto& s : symbols) {
    const int r = platform::Rand();
    s = r % 8 != 0 ? 2 : static_cast<std::uint32_t>(r / 8 % 7);
  }
  return symbols;
}

std::string TempFile(const char* name)
{
  return (std::filesystem::temp_directory_path() /
          (std::string("orvane_bench_") + std::to_string(getpid()) + "_" + name))
      .string();
}

std::size_t EncodeRange(const std::string& name, const std::vector<std::uint32_t>& symbols,
                        std::uint32_t order)
{
  COBitFile file(name.c_str());
  CRangeEncoder encoder(NbByteSymbol);
  encoder.StartOrderK(order);
  for (std::uint32_t s : symbols)
    encoder.EncodeOrderK(s, &file);
  encoder.DoneOrderK(&file);
  return file.GetTotalBits() / 8;
}

void SetFigures(benchmark::State& state, std::size_t count, std::size_t symbolBytes,
                std::size_t codedBytes)
{
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * count * symbolBytes));
  state.counters["bits/symbol"] = 8.0 * codedBytes / count;
}

void RangeEncode(benchmark::State& state)
{
  const auto symbols = SkewedSymbols(static_cast<std::size_t>(state.range(0)));
  const auto order = static_cast<std::uint32_t>(state.range(1));
  const std::string name = TempFile("range_encode.bin");
  std::size_t coded = 0;
  for (auto _ : state)
    coded = EncodeRange(name, symbols, order);
  SetFigures(state, symbols.size(), 1, coded);
  std::remove(name.c_str());
}

void RangeDecode(benchmark::State& state)
{
  const auto symbols = SkewedSymbols(static_cast<std::size_t>(state.range(0)));
  const auto order = static_cast<std::uint32_t>(state.range(1));
  const std::string name = TempFile("range_decode.bin");
  const std::size_t coded = EncodeRange(name, symbols, order);
  for (auto _ : state) {
    CIBitFile file(name.c_str());
    CRangeDecoder decoder(NbByteSymbol);
    decoder.StartOrderK(&file, order);
    std::uint32_t s = 0;
    std::size_t count = 0;
    while (decoder.DecodeOrderK(&s, &file))
      count++;
    if (!decoder.DoneOrderK(&file) || count != symbols.size())
      state.SkipWithError("decoding failed");
  }
  SetFigures(state, symbols.size(), 1, coded);
  std::remove(name.c_str());
}

std::vector<std::uint8_t> EncodeRangeInMemory(const std::vector<std::uint32_t>& symbols,
                                               std::uint32_t order)
{
  COBitStream out;
  CRangeEncoder encoder(NbByteSymbol);
  encoder.StartOrderK(order);
  for (std::uint32_t s : symbols)
    encoder.EncodeOrderK(s, &out);
  encoder.DoneOrderK(&out);
  return out.GetBytes();
}

// The coder alone: no file opened, written or read.
void RangeEncodeMemory(benchmark::State& state)
{
  const auto symbols = SkewedSymbols(static_cast<std::size_t>(state.range(0)));
  const auto order = static_cast<std::uint32_t>(state.range(1));
  std::size_t coded = 0;
  for (auto _ : state)
    coded = EncodeRangeInMemory(symbols, order).size();
  SetFigures(state, symbols.size(), 1, coded);
}

void RangeDecodeMemory(benchmark::State& state)
{
  const auto symbols = SkewedSymbols(static_cast<std::size_t>(state.range(0)));
  const auto order = static_cast<std::uint32_t>(state.range(1));
  const std::vector<std::uint8_t> bytes = EncodeRangeInMemory(symbols, order);
  for (auto _ : state) {
    CIBitStream in(bytes.data(), bytes.size());
    CRangeDecoder decoder(NbByteSymbol);
    decoder.StartOrderK(&in, order);
    std::uint32_t s = 0;
    std::size_t count = 0;
    while (decoder.DecodeOrderK(&s, &in))
      count++;
    if (!decoder.DoneOrderK(&in) || count != symbols.size())
      state.SkipWithError("decoding failed");
  }
  SetFigures(state, symbols.size(), 1, bytes.size());
}

// Raw fields of 1 to 17 bits, as the coders write headers, signs and bit planes.
std::vector<int> FieldWidths(std::size_t count)
{
  platform::Srand(2);
  std::vector<int> widths(count);
  for (int& width : widths)
    width = 1 + platform::Rand() % 17;
  return widths;
}

void BitFieldsWrite(benchmark::State& state)
{
  const auto widths = FieldWidths(static_cast<std::size_t>(state.range(0)));
  std::size_t coded = 0;
  for (auto _ : state) {
    COBitStream out;
    std::uint32_t value = 0x9E3779B9u;
    for (int width : widths)
      out.WriteBits(value += 0x6D2B79F5u, width);
    out.Flush(0);
    coded = out.GetBytes().size();
  }
  SetFigures(state, widths.size(), 1, coded);
}

void BitFieldsRead(benchmark::State& state)
{
  const auto widths = FieldWidths(static_cast<std::size_t>(state.range(0)));
  COBitStream out;
  for (int width : widths)
    out.WriteBits(0x5A5A5A5Au, width);
  out.Flush(0);
  const std::vector<std::uint8_t>& bytes = out.GetBytes();
  for (auto _ : state) {
    CIBitStream in(bytes.data(), bytes.size());
    std::uint32_t sum = 0;
    for (int width : widths)
      sum += in.BReadBits(width);
    benchmark::DoNotOptimize(sum);
  }
  SetFigures(state, widths.size(), 1, bytes.size());
}

void HuffmanEncode(benchmark::State& state)
{
  const auto symbols = SkewedSymbols(static_cast<std::size_t>(state.range(0)));
  const std::vector<unsigned int> input(symbols.begin(), symbols.end());
  std::vector<unsigned int> bits;
  for (auto _ : state) {
    bits.clear();
    CHuffman huffman;
    huffman.Encode(input, bits);
  }
  SetFigures(state, input.size(), 1, bits.size() / 8);
}

// The system's sparse test signal: runs of up to 200 zeros between small levels.
std::vector<int> SparseSignal(std::size_t count)
{
  CStackRun generator;
  return generator.GenerateSignal(static_cast<int>(count));
}

void StackRunEncode(benchmark::State& state)
{
  const auto signal = SparseSignal(static_cast<std::size_t>(state.range(0)));
  const std::string name = TempFile("stackrun_encode.bin");
  int bits = 0;
  for (auto _ : state) {
    CStackRun coder;
    bits = coder.EncodeToFile(signal.data(), static_cast<int>(signal.size()), 0, name.c_str());
  }
  SetFigures(state, signal.size(), sizeof(int), static_cast<std::size_t>(bits) / 8);
  std::remove(name.c_str());
}

void StackRunDecode(benchmark::State& state)
{
  const auto signal = SparseSignal(static_cast<std::size_t>(state.range(0)));
  const std::string name = TempFile("stackrun_decode.bin");
  CStackRun encoder;
  const int bits = encoder.EncodeToFile(signal.data(), static_cast<int>(signal.size()), 0,
                                        name.c_str());
  std::vector<int> decoded;
  for (auto _ : state) {
    CStackRun decoder;
    if (!decoder.DecodeFromFile(decoded, name.c_str()) || decoded.size() != signal.size())
      state.SkipWithError("decoding failed");
  }
  SetFigures(state, signal.size(), sizeof(int), static_cast<std::size_t>(bits) / 8);
  std::remove(name.c_str());
}

// Order 0 into memory, one Encode call per symbol (0) or one EncodeSymbols call for all (1):
// the same bytes.
void RangeEncodeRuns(benchmark::State& state)
{
  const auto symbols = RunSymbols(static_cast<std::size_t>(state.range(0)));
  const bool runs = state.range(1) != 0;
  std::size_t coded = 0;
  for (auto _ : state) {
    COBitStream out;
    CRangeEncoder encoder(7);
    encoder.Start();
    if (runs) {
      encoder.EncodeSymbols(symbols.data(), symbols.size(), &out);
    } else {
      for (std::uint32_t s : symbols)
        encoder.Encode(s, &out);
    }
    encoder.Done(&out);
    coded = out.GetBytes().size();
  }
  SetFigures(state, symbols.size(), 1, coded);
}

} // namespace

// Lengths 64 KiB, 1 MiB and 16 MiB of symbols; orders 0, 1 and 2.
BENCHMARK(RangeEncode)
    ->ArgsProduct({{1 << 16, 1 << 20, 1 << 24}, {0, 1, 2}})
    ->ArgNames({"symbols", "order"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RangeDecode)
    ->ArgsProduct({{1 << 16, 1 << 20, 1 << 24}, {0, 1, 2}})
    ->ArgNames({"symbols", "order"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RangeEncodeMemory)
    ->ArgsProduct({{1 << 20}, {0, 1, 2}})
    ->ArgNames({"symbols", "order"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RangeDecodeMemory)
    ->ArgsProduct({{1 << 20}, {0, 1, 2}})
    ->ArgNames({"symbols", "order"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RangeEncodeRuns)
    ->ArgsProduct({{1 << 20}, {0, 1}})
    ->ArgNames({"symbols", "runs"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BitFieldsWrite)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BitFieldsRead)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
// One output element per code bit: 16 MiB of symbols would take about 300 MB.
BENCHMARK(HuffmanEncode)->RangeMultiplier(16)->Range(1 << 16, 1 << 22)->Unit(benchmark::kMillisecond);
BENCHMARK(StackRunEncode)->RangeMultiplier(16)->Range(1 << 16, 1 << 24)->Unit(benchmark::kMillisecond);
BENCHMARK(StackRunDecode)->RangeMultiplier(16)->Range(1 << 16, 1 << 24)->Unit(benchmark::kMillisecond);
