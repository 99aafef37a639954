// Throughput of the float image filters, in pixels per second, on square images of growing size.
#include "platform/core/Random.h"
#include "scene/Image2d.h"

#include <benchmark/benchmark.h>

namespace {

// A smooth ramp with noise, so that thresholds and edges see varied values.
void MakeScene(CImage2d& image, int size)
{
  image.Alloc(size, size);
  float* data = image.GetData();
  platform::Srand(1);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++)
      data[static_cast<size_t>(y) * size + x] = static_cast<float>((x + y) % 256 + platform::Rand() % 16);
}

template <class Run>
void Measure(benchmark::State& state, Run run)
{
  const int size = static_cast<int>(state.range(0));
  CImage2d source;
  MakeScene(source, size);
  CImage2d image;
  for (auto _ : state) {
    state.PauseTiming();
    image.Copy(&source);
    state.ResumeTiming();
    run(image);
    benchmark::DoNotOptimize(image.GetData());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(size) * size);
}

void BM_SmoothGaussian3x3(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) { image.SmoothGaussian3x3(); });
}

void BM_SmoothGaussian7x7(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) { image.SmoothGaussian7x7(); });
}

void BM_Gradient(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) { image.Gradient(0); });
}

void BM_Deriche(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) { image.Deriche(0); });
}

void BM_ThresholdHysteresis(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) { image.ThresholdHysteresis(120, 200); });
}

void BM_DilateErode(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) {
    image.Threshold(128, 0, 1);
    image.Dilate();
    image.Erode();
  });
}

void BM_FillObject(benchmark::State& state)
{
  Measure(state, [](CImage2d& image) {
    image.Threshold(200, 0, 1);
    image.FillObject();
  });
}

} // namespace

BENCHMARK(BM_SmoothGaussian3x3)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmoothGaussian7x7)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gradient)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deriche)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdHysteresis)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DilateErode)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillObject)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond);
