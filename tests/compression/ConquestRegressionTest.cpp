// Regression pin: the bytes the coder writes for a spread of meshes and settings, captured from
// the straightforward implementation (a whole-list walk per gate choice, an exchange sort per
// split) before its bookkeeping was made incremental. Nothing here was derived by hand: a
// change of any value means the coder's output changed, which these meshes must never see.
// The rows without the deterministic option were recorded again once the seed face's edge
// from corner 2 to corner 0 was marked conquered like its other two: the remaining degrees
// that choose the gates were one too high at two seed corners before.
#include "compression/ConquestFixtures.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>

using conquest::Encode;
using conquest::SOptions;

namespace {

std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes, std::uint64_t hash = 14695981039346656037ull)
{
  for (const std::uint8_t b : bytes) {
    hash ^= b;
    hash *= 1099511628211ull;
  }
  return hash;
}

// Reconstructed positions as their float bits, in vertex order.
std::uint64_t HashSecondPositions(const CMesh3d& mesh)
{
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < mesh.NbVertex(); i++) {
    const CVertex3d* v = mesh.GetVertex(i);
    const float xyz[3] = {v->x2(), v->y2(), v->z2()};
    const auto* p = reinterpret_cast<const std::uint8_t*>(xyz);
    bytes.insert(bytes.end(), p, p + sizeof(xyz));
  }
  return Fnv1a(bytes);
}

struct SPin
{
  const char* Name;
  std::function<std::unique_ptr<CMesh3d>()> Mesh;
  SOptions Options;
  int Ok;
  int Splits;
  int Completed;
  size_t NbCode;
  std::uint64_t Stream;    // the caller's file (range coded or stack-run)
  std::uint64_t CodesBin;  // codes.bin
  std::uint64_t CodesText; // codes.txt
  std::uint64_t Positions; // pos.bin, 0 when not written
  std::uint64_t Second;    // second positions of the mesh after the run
};

SOptions With(std::function<void(SOptions&)> set)
{
  SOptions o;
  set(o);
  return o;
}

std::uint64_t HashFile(const conquest::CScratchFolder& folder, const char* name)
{
  return folder.Exists(name) ? Fnv1a(ReadBytes(folder.File(name))) : 0;
}

std::unique_ptr<CMesh3d> HoledGrid(int n, float bump)
{
  return conquest::Grid(n, 0, {n * n / 3 + n / 3, 2 * n * n / 3 + 2 * n / 3, n + 1}, bump);
}

const std::vector<SPin>& Pins();

} // namespace

TEST(ConquestRegression, OutputBytesStayPinned)
{
  for (const SPin& pin : Pins()) {
    SCOPED_TRACE(pin.Name);
    auto mesh = pin.Mesh();
    conquest::CScratchFolder folder;
    CConquestCoder coder;
    const auto r = Encode(coder, mesh.get(), pin.Options, "stream.bin");
    const SPin got{pin.Name, nullptr, pin.Options, r.Ok, coder.GetSplitCount(),
                   coder.GetCompletedCount(), coder.GetCodes().size(),
                   HashFile(folder, "stream.bin"), HashFile(folder, "codes.bin"),
                   HashFile(folder, "codes.txt"), HashFile(folder, "pos.bin"),
                   HashSecondPositions(*mesh)};
    const auto values = [](const SPin& p) {
      return std::make_tuple(p.Ok, p.Splits, p.Completed, p.NbCode, p.Stream, p.CodesBin,
                             p.CodesText, p.Positions, p.Second);
    };
    EXPECT_EQ(values(got), values(pin));
    if (values(got) != values(pin))
      std::printf("    %d, %d, %d, %zu, 0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull, 0x%016" PRIx64
                  "ull, 0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull\n",
                  got.Ok, got.Splits, got.Completed, got.NbCode, got.Stream, got.CodesBin,
                  got.CodesText, got.Positions, got.Second);
  }
}

namespace {

const std::vector<SPin>& Pins()
{
  using conquest::NoisySphere;
  using conquest::Torus;
  using fixtures::Icosphere;
  static const std::vector<SPin> pins = {
      {"icosphere", [] { return Icosphere(3); }, {},
       1, 0, 640, 642, 0xd9c083d370c3a9fdull, 0xb2bef50fa12f59f7ull, 0x2433a2a659d28e19ull, 0x0000000000000000ull, 0xaad234ca1a454c83ull},
      {"icosphere deterministic", [] { return Icosphere(3); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 637, 3, 1916, 0xf3a44c36d6579630ull, 0xfbd1c7216da4b29aull, 0x9c863435e8a58218ull, 0x0000000000000000ull, 0xaad234ca1a454c83ull},
      {"icosphere seed 100 stack-run", [] { return Icosphere(2); }, With([](SOptions& o) { o.SeedFace = 100; o.StackRun = 1; }),
       1, 0, 160, 162, 0xfca1fa60f707da62ull, 0xf6a20fe64f9c6d73ull, 0x919b00ffba5e0911ull, 0x0000000000000000ull, 0x520d6b7d00acfe5cull},
      {"irregular torus", [] { return Torus(24, 15, true); }, {},
       1, 1, 360, 363, 0xf03139e1f7156ebaull, 0xc132948666ff11b4ull, 0x74b506d9cb69f370ull, 0x0000000000000000ull, 0xe12eb60c0ecaff82ull},
      {"irregular torus seed 7 deterministic", [] { return Torus(24, 15, true, 7); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 322, 39, 1005, 0x5cacce1946fb4d38ull, 0x916aa89314415956ull, 0xaa00e5bf5efb58d8ull, 0x0000000000000000ull, 0xe12eb60c0ecaff82ull},
      {"regular torus", [] { return Torus(20, 12, false); }, {},
       1, 1, 240, 243, 0x4f344fb880cdafbeull, 0xad206e4c41024518ull, 0xc6edaa0709d03bb6ull, 0x0000000000000000ull, 0xd163056e7f2654edull},
      {"regular torus deterministic stack-run", [] { return Torus(20, 12, false); }, With([](SOptions& o) { o.Deterministic = 1; o.StackRun = 1; }),
       1, 221, 20, 683, 0xa7598895f30d1cbfull, 0x1cf6887c47a95e98ull, 0x9a8cb02afe2af21aull, 0x0000000000000000ull, 0xd163056e7f2654edull},
      {"noisy sphere perimeter 8 bits", [] { return NoisySphere(3, 0.05f); }, With([](SOptions& o) { o.GeometryOn = 1; }),
       1, 0, 640, 642, 0xd9c083d370c3a9fdull, 0xb2bef50fa12f59f7ull, 0x2433a2a659d28e19ull, 0xa617135e38bb7fe3ull, 0xb237b86004e086cdull},
      {"noisy sphere nothing 10/6 bits", [] { return NoisySphere(3, 0.05f, 3); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 0; o.NormalBits = 10; o.ParameterBits = 6; }),
       1, 0, 640, 642, 0xd9c083d370c3a9fdull, 0xb2bef50fa12f59f7ull, 0x2433a2a659d28e19ull, 0x6982869d43cddcbeull, 0x088988779416d849ull},
      {"noisy sphere unitary deterministic", [] { return NoisySphere(2, 0.1f, 5); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 1; o.Deterministic = 1; }),
       1, 157, 3, 476, 0xd2f9f75ade0a4a20ull, 0x85fd4c5a82f2d421ull, 0xbdc9baff58a0d5f7ull, 0x2ac9ea6e99272cc2ull, 0xf97ebd8d19366e2full},
      {"noisy sphere edge length", [] { return NoisySphere(2, 0.02f, 9); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 3; o.NormalBits = 4; }),
       1, 0, 160, 162, 0x324ee3ac7f1b1097ull, 0xf6a20fe64f9c6d73ull, 0x919b00ffba5e0911ull, 0x59461cd8de8ac3aaull, 0x6ca3b0f843e4b836ull},
      {"noisy sphere area", [] { return NoisySphere(2, 0.2f, 11); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 4; o.ParameterBits = 11; }),
       1, 0, 160, 162, 0x324ee3ac7f1b1097ull, 0xf6a20fe64f9c6d73ull, 0x919b00ffba5e0911ull, 0x9b1c8176526e6e06ull, 0x7c07582f16bcf220ull},
      {"holed grid", [] { return HoledGrid(24, 0.1f); }, {},
       1, 0, 626, 630, 0x0e8f0e9c5e388bb0ull, 0x39f480eee4504d3full, 0xef21a6689f3fc05bull, 0x0000000000000000ull, 0xa61f84db0e27186cull},
      {"holed grid deterministic geometry", [] { return HoledGrid(24, 0.1f); }, With([](SOptions& o) { o.Deterministic = 1; o.GeometryOn = 1; }),
       1, 576, 28, 1804, 0x79a17e131ad30e57ull, 0xc8efc34b27a5252full, 0xe1c1bf04a33f2f91ull, 0x94584efb5462e6b2ull, 0x90f1e93caae15062ull},
      {"flat holed grid", [] { return HoledGrid(20, 0.0f); }, {},
       1, 0, 440, 444, 0x5231ca8f01021ff1ull, 0x9b5045f5aad4b281ull, 0x07401b3fdf53c727ull, 0x0000000000000000ull, 0x375cb4616ce7c72bull},
      {"flat holed grid deterministic", [] { return HoledGrid(20, 0.0f); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 400, 20, 1264, 0x9645dff5c799ef14ull, 0xec3461421ff5365bull, 0x4bb4a566f66642aeull, 0x0000000000000000ull, 0x375cb4616ce7c72bull},
      {"flat grid seed 77 ghost kept", [] { return conquest::Grid(16, 1, {}, 0.0f); }, With([](SOptions& o) { o.SeedFace = 77; o.RemoveGhost = 0; }),
       1, 0, 287, 291, 0xa5d77ff5f5ba7feeull, 0x13da2b0f0da75637ull, 0x7f1c1b9320fd037dull, 0x0000000000000000ull, 0x521559acece94665ull},
      {"flat grid seed 77 deterministic", [] { return conquest::Grid(16, 2, {}, 0.0f); }, With([](SOptions& o) { o.SeedFace = 77; o.Deterministic = 1; }),
       1, 256, 15, 819, 0x27d56ea740ce8f0aull, 0x44de21ec8a837f40ull, 0x8f5fb5a8aede9ce8ull, 0x0000000000000000ull, 0x151f4dee17bb18f5ull},
      {"torus limited to 300 steps", [] { return Torus(24, 15, true, 3); }, With([](SOptions& o) { o.LimitOn = 1; o.LimitSteps = 300; o.GeometryOn = 1; }),
       1, 1, 135, 171, 0x0000000000000000ull, 0x822875aebac4a200ull, 0x87dc2717e3cc5e4eull, 0x649e9d5534cfb6b3ull, 0x0869502d0a004626ull},
      {"grid limited to 150 steps", [] { return HoledGrid(16, 0.0f); }, With([](SOptions& o) { o.LimitOn = 1; o.LimitSteps = 150; }),
       1, 0, 68, 88, 0x0000000000000000ull, 0xfc694447e46389c7ull, 0x9a15cad9c684dc7full, 0x0000000000000000ull, 0x59b43ece882ccefeull},
  };
  return pins;
}

} // namespace
