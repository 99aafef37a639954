// Local-frame geometry coding: quantizer ends, frames, and reconstructed positions within
// the quantization error whatever the plane the mesh lies in.
#include "compression/ConquestFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using conquest::Encode;
using conquest::SOptions;

namespace {

double Length(const CVector3d& v)
{
  return v.GetNorm();
}

// Half a quantization step of each value, plus how far the value fell outside its range
// (frames built on reconstructed positions may move it past the bounds met on true ones).
double Tolerance(double value, double min, double max, int bits)
{
  const double step = (max - min) / ((1 << bits) - 1);
  return 0.5 * step + std::max({0.0, min - value, value - max});
}

SOptions Geometry(int normalization, int bits)
{
  SOptions o;
  o.GeometryOn = 1;
  o.Normalization = normalization;
  o.NormalBits = bits;
  o.ParameterBits = bits;
  return o;
}

} // namespace

TEST(ConquestGeometry, QuantizerEnds)
{
  using P = CConquestPatch3d;
  EXPECT_EQ(P::Quantize(-2.0, -2.0, 3.0, 8), 0);
  EXPECT_EQ(P::Quantize(-5.0, -2.0, 3.0, 8), 0);
  EXPECT_EQ(P::Quantize(3.0, -2.0, 3.0, 8), 255);
  EXPECT_EQ(P::Quantize(9.0, -2.0, 3.0, 8), 255);
  EXPECT_EQ(P::Quantize(std::nan(""), -2.0, 3.0, 8), 0);
  EXPECT_EQ(P::Dequantize(0, -2.0, 3.0, 8), -2.0);
  EXPECT_EQ(P::Dequantize(255, -2.0, 3.0, 8), 3.0);
  // Halves round up: 1.5 steps of 1 over [0, 3] on 2 bits.
  EXPECT_EQ(P::Quantize(1.5, 0.0, 3.0, 2), 2);
  EXPECT_EQ(P::Quantize(1.49, 0.0, 3.0, 2), 1);
  for (int q = 0; q < 1024; q += 37)
    EXPECT_EQ(P::Quantize(P::Dequantize(q, -1.0, 7.0, 10), -1.0, 7.0, 10), q);
}

TEST(ConquestGeometry, UnnormalizedOriginIsTheParallelogramPrediction)
{
  auto mesh = conquest::NoisySphere(1, 0.1f);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(Encode(coder, mesh.get(), Geometry(0, 8)).Ok, 1);
  ASSERT_FALSE(coder.GetPatches().empty());
  for (const auto& patch : coder.GetPatches()) {
    const CVertex3d* g = patch->GetGate();
    const CVertex3d* p = patch->GetPrev();
    const CVertex3d* t = patch->GetThird();
    EXPECT_NEAR(patch->GetOrigin().x(), g->x2() + p->x2() - t->x2(), 1e-5);
    EXPECT_NEAR(patch->GetOrigin().y(), g->y2() + p->y2() - t->y2(), 1e-5);
    EXPECT_NEAR(patch->GetOrigin().z(), g->z2() + p->z2() - t->z2(), 1e-5);
  }
}

TEST(ConquestGeometry, ReconstructionWithinQuantizationErrorOnEveryPlane)
{
  // Flat and bumpy sheets lying in the xy, yz and xz planes.
  for (const float bump : {0.0f, 0.1f})
  for (int plane = 0; plane < 3; plane++)
    for (int normalization = 0; normalization <= 4; normalization++) {
      SCOPED_TRACE(::testing::Message() << "plane " << plane << " normalization " << normalization
                                        << " bump " << bump);
      auto mesh = conquest::Grid(10, plane, {33}, bump);
      conquest::CScratchFolder folder;
      CConquestCoder coder;
      const int bits = 10;
      ASSERT_EQ(Encode(coder, mesh.get(), Geometry(normalization, bits)).Ok, 1);
      const double* r = coder.GetRanges();
      // Every vertex but the seeds is coded, each once.
      ASSERT_EQ(static_cast<int>(coder.GetPatches().size()), mesh->NbVertex() - 3);
      double worst = 0.0;
      for (const auto& patch : coder.GetPatches()) {
        const CVertex3d* v = patch->GetNewVertex();
        const double error = std::sqrt(std::pow(v->x() - v->x2(), 2) + std::pow(v->y() - v->y2(), 2) +
                                       std::pow(v->z() - v->z2(), 2));
        const double bound =
            Tolerance(patch->GetAlpha(), r[0], r[1], bits) * Length(patch->GetU()) +
            Tolerance(patch->GetBeta(), r[2], r[3], bits) * Length(patch->GetV()) +
            Tolerance(patch->GetN(), r[4], r[5], bits) * patch->GetScale(normalization) + 1e-5;
        EXPECT_LE(error, bound);
        worst = std::max(worst, error);
      }
      // A cell of the grid is 0.1 wide: the error stays far below it.
      EXPECT_LT(worst, 0.01);
    }
}

TEST(ConquestGeometry, MoreBitsLessError)
{
  double previous = 1e30;
  for (const int bits : {6, 8, 10, 11}) {
    auto mesh = conquest::NoisySphere(2, 0.05f);
    conquest::CScratchFolder folder;
    CConquestCoder coder;
    const auto r = Encode(coder, mesh.get(), Geometry(2, bits));
    ASSERT_EQ(r.Ok, 1) << bits;
    const double error = mesh->L2Error();
    EXPECT_LT(error, previous) << bits;
    previous = error;
    // Every code fits its bits.
    for (const unsigned int code : coder.GetParameterCodes())
      EXPECT_LT(code, 1u << bits);
    EXPECT_FLOAT_EQ(r.GeometryRate, ReadBytes(folder.File("pos.bin")).size() * 8.0f / mesh->NbFace());
  }
}

TEST(ConquestGeometry, AlphabetsBeyondTheRangeCoderAreRefused)
{
  auto mesh = conquest::NoisySphere(1, 0.05f);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  EXPECT_EQ(Encode(coder, mesh.get(), Geometry(2, 12)).Ok, 0);
  EXPECT_FALSE(folder.Exists("pos.bin"));
  EXPECT_EQ(CConquestCoder::GetMaxValue(coder.GetParameterCodes()), 4095u);
}

TEST(ConquestGeometry, NoFreeVertexWritesOnlyTheEndSymbols)
{
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  const auto r = Encode(coder, mesh.get(), Geometry(2, 8));
  ASSERT_EQ(r.Ok, 1);
  EXPECT_TRUE(coder.GetPatches().empty());
  const auto bytes = ReadBytes(folder.File("pos.bin"));
  EXPECT_FALSE(bytes.empty());
  EXPECT_LT(bytes.size(), 20u);
  // The ghost's three faces were there when the rate was taken.
  EXPECT_FLOAT_EQ(r.GeometryRate, bytes.size() * 8.0f / 4.0f);
}
