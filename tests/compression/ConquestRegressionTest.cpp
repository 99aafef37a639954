// Regression pin: the bytes the coder writes for a spread of meshes and settings, captured from
// the straightforward implementation (a whole-list walk per gate choice, an exchange sort per
// split) before its bookkeeping was made incremental. Nothing here was derived by hand: a
// change of any value means the coder's output changed, which these meshes must never see.
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
       1, 0, 640, 642, 0x4e28397c91fcd7f7ull, 0x0fee5908aab260c3ull, 0xa2e744b1ea68d689ull, 0x0000000000000000ull, 0xaad234ca1a454c83ull},
      {"icosphere deterministic", [] { return Icosphere(3); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 637, 3, 1916, 0xf3a44c36d6579630ull, 0xfbd1c7216da4b29aull, 0x9c863435e8a58218ull, 0x0000000000000000ull, 0xaad234ca1a454c83ull},
      {"icosphere seed 100 stack-run", [] { return Icosphere(2); }, With([](SOptions& o) { o.SeedFace = 100; o.StackRun = 1; }),
       1, 0, 160, 162, 0x3ad4486fddba2f37ull, 0xc755c8aa41c8c2fbull, 0xb72bfb9eb06bf401ull, 0x0000000000000000ull, 0x520d6b7d00acfe5cull},
      {"irregular torus", [] { return Torus(24, 15, true); }, {},
       1, 1, 360, 363, 0xc03387293c9555d1ull, 0xdcc9fc557a80ae68ull, 0xa578783965c8e990ull, 0x0000000000000000ull, 0xe12eb60c0ecaff82ull},
      {"irregular torus seed 7 deterministic", [] { return Torus(24, 15, true, 7); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 322, 39, 1005, 0x5cacce1946fb4d38ull, 0x916aa89314415956ull, 0xaa00e5bf5efb58d8ull, 0x0000000000000000ull, 0xe12eb60c0ecaff82ull},
      {"regular torus", [] { return Torus(20, 12, false); }, {},
       1, 1, 240, 243, 0x7d50a6cd189d46deull, 0xe49fe80bb4008c9cull, 0xd2b08bd7fb719086ull, 0x0000000000000000ull, 0xd163056e7f2654edull},
      {"regular torus deterministic stack-run", [] { return Torus(20, 12, false); }, With([](SOptions& o) { o.Deterministic = 1; o.StackRun = 1; }),
       1, 221, 20, 683, 0xa7598895f30d1cbfull, 0x1cf6887c47a95e98ull, 0x9a8cb02afe2af21aull, 0x0000000000000000ull, 0xd163056e7f2654edull},
      {"noisy sphere perimeter 8 bits", [] { return NoisySphere(3, 0.05f); }, With([](SOptions& o) { o.GeometryOn = 1; }),
       1, 0, 640, 642, 0x4e28397c91fcd7f7ull, 0x0fee5908aab260c3ull, 0xa2e744b1ea68d689ull, 0x50c87528d4e2306cull, 0xba82ae89b2005633ull},
      {"noisy sphere nothing 10/6 bits", [] { return NoisySphere(3, 0.05f, 3); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 0; o.NormalBits = 10; o.ParameterBits = 6; }),
       1, 0, 640, 642, 0x4e28397c91fcd7f7ull, 0x0fee5908aab260c3ull, 0xa2e744b1ea68d689ull, 0xfd562c3088e5e90bull, 0x272dceb91553ef02ull},
      {"noisy sphere unitary deterministic", [] { return NoisySphere(2, 0.1f, 5); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 1; o.Deterministic = 1; }),
       1, 157, 3, 476, 0xd2f9f75ade0a4a20ull, 0x85fd4c5a82f2d421ull, 0xbdc9baff58a0d5f7ull, 0x2ac9ea6e99272cc2ull, 0xf97ebd8d19366e2full},
      {"noisy sphere edge length", [] { return NoisySphere(2, 0.02f, 9); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 3; o.NormalBits = 4; }),
       1, 0, 160, 162, 0x833effe8b0c47f60ull, 0xc755c8aa41c8c2fbull, 0xb72bfb9eb06bf401ull, 0x1204010765964e3full, 0x1d2e2f8556ce4de1ull},
      {"noisy sphere area", [] { return NoisySphere(2, 0.2f, 11); }, With([](SOptions& o) { o.GeometryOn = 1; o.Normalization = 4; o.ParameterBits = 11; }),
       1, 0, 160, 162, 0x833effe8b0c47f60ull, 0xc755c8aa41c8c2fbull, 0xb72bfb9eb06bf401ull, 0x1dc323e8d89c6250ull, 0x0f5478943b941b1bull},
      {"holed grid", [] { return HoledGrid(24, 0.1f); }, {},
       1, 0, 626, 630, 0x172c779074b45b89ull, 0xf87c03373f0c37c9ull, 0x9c856413435ac467ull, 0x0000000000000000ull, 0xa61f84db0e27186cull},
      {"holed grid deterministic geometry", [] { return HoledGrid(24, 0.1f); }, With([](SOptions& o) { o.Deterministic = 1; o.GeometryOn = 1; }),
       1, 576, 28, 1804, 0x79a17e131ad30e57ull, 0xc8efc34b27a5252full, 0xe1c1bf04a33f2f91ull, 0x94584efb5462e6b2ull, 0x90f1e93caae15062ull},
      {"flat holed grid", [] { return HoledGrid(20, 0.0f); }, {},
       1, 0, 440, 444, 0x5553b81d1bbabd60ull, 0xf3f0a48642057343ull, 0x7008117c2cf79683ull, 0x0000000000000000ull, 0x375cb4616ce7c72bull},
      {"flat holed grid deterministic", [] { return HoledGrid(20, 0.0f); }, With([](SOptions& o) { o.Deterministic = 1; }),
       1, 400, 20, 1264, 0x9645dff5c799ef14ull, 0xec3461421ff5365bull, 0x4bb4a566f66642aeull, 0x0000000000000000ull, 0x375cb4616ce7c72bull},
      {"flat grid seed 77 ghost kept", [] { return conquest::Grid(16, 1, {}, 0.0f); }, With([](SOptions& o) { o.SeedFace = 77; o.RemoveGhost = 0; }),
       1, 0, 287, 291, 0x260e1fdaa87c0af2ull, 0x7a43754817be5c6full, 0x544c45b56d43fa2dull, 0x0000000000000000ull, 0x521559acece94665ull},
      {"flat grid seed 77 deterministic", [] { return conquest::Grid(16, 2, {}, 0.0f); }, With([](SOptions& o) { o.SeedFace = 77; o.Deterministic = 1; }),
       1, 256, 15, 819, 0x27d56ea740ce8f0aull, 0x44de21ec8a837f40ull, 0x8f5fb5a8aede9ce8ull, 0x0000000000000000ull, 0x151f4dee17bb18f5ull},
      {"torus limited to 300 steps", [] { return Torus(24, 15, true, 3); }, With([](SOptions& o) { o.LimitOn = 1; o.LimitSteps = 300; o.GeometryOn = 1; }),
       1, 1, 135, 171, 0x0000000000000000ull, 0xf8f800c54ef5b5b0ull, 0x85b9927dd87b573eull, 0x9cfc128e0b18d606ull, 0x26eb30ccf113fe9dull},
      {"grid limited to 150 steps", [] { return HoledGrid(16, 0.0f); }, With([](SOptions& o) { o.LimitOn = 1; o.LimitSteps = 150; }),
       1, 0, 68, 88, 0x0000000000000000ull, 0x2dd504c87328dac9ull, 0x668c8f610477a823ull, 0x0000000000000000ull, 0x59b43ece882ccefeull},
  };
  return pins;
}

} // namespace
