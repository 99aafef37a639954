#include "compression/ProgressiveVertexRecord.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <span>
#include <vector>

namespace {

using Triangle = CProgressiveVertexRecord::Triangle;

// A removed vertex with its border, the vertices owned here: positions on the grid of the
// scale and shift below, second positions the quantized ones.
struct SRemoval
{
  std::vector<std::unique_ptr<CVertex3d>> border;
  std::unique_ptr<CVertex3d> vertex;
  std::vector<Triangle> faces;

  CProgressiveVertexRecord Record() const
  {
    std::vector<CVertex3d*> ring;
    for (const auto& w : border)
      ring.push_back(w.get());
    return CProgressiveVertexRecord(vertex.get(), ring, faces);
  }
};

const float kScale[3] = {0.5f, 0.25f, 2.0f};
const float kShift[3] = {1.0f, -3.0f, 0.5f};
const CProgressiveVertexRecord::SGrid kGrid{kScale, kShift};

std::unique_ptr<CVertex3d> OnGrid(const std::array<double, 3>& quantized, const std::array<double, 3>& offset)
{
  auto v = std::make_unique<CVertex3d>(
      static_cast<float>((quantized[0] + offset[0]) * kScale[0] + kShift[0]),
      static_cast<float>((quantized[1] + offset[1]) * kScale[1] + kShift[1]),
      static_cast<float>((quantized[2] + offset[2]) * kScale[2] + kShift[2]));
  v->Set2(static_cast<float>(quantized[0]), static_cast<float>(quantized[1]),
          static_cast<float>(quantized[2]));
  return v;
}

// The faces of a fan over a border of n vertices, as the removal patterns name them.
std::vector<Triangle> Fan(int n)
{
  std::vector<Triangle> faces;
  for (int i = 1; i + 1 < n && faces.size() < CProgressiveVertexRecord::kMaxFaces; i++)
    faces.push_back({0, i, i + 1});
  return faces;
}

// A border of n points scattered around a centre, with a target near it and an original
// within half a step of the target.
SRemoval Scattered(std::mt19937* pRandom, int n, int spread)
{
  std::uniform_int_distribution<int> around(-spread, spread);
  std::uniform_int_distribution<int> centre(-200, 2000);
  std::uniform_real_distribution<double> half(-0.49, 0.49);
  const std::array<double, 3> c{static_cast<double>(centre(*pRandom)),
                                static_cast<double>(centre(*pRandom)),
                                static_cast<double>(centre(*pRandom))};
  SRemoval r;
  for (int i = 0; i < n; i++)
    r.border.push_back(OnGrid({c[0] + around(*pRandom), c[1] + around(*pRandom), c[2] + around(*pRandom)},
                              {0, 0, 0}));
  r.vertex = OnGrid({c[0] + around(*pRandom) / 2, c[1] + around(*pRandom) / 2, c[2] + around(*pRandom) / 2},
                    {half(*pRandom), half(*pRandom), half(*pRandom)});
  r.faces = Fan(n);
  return r;
}

// A unit square in the plane z = 0 around (0.5, 0.5): the frame's origin sits on half steps, so
// that the rounded residuals and the decoded coordinates fall on exact halves.
SRemoval Square(const std::array<double, 3>& target)
{
  SRemoval r;
  for (const std::array<double, 3>& p : {std::array<double, 3>{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})
    r.border.push_back(OnGrid(p, {0, 0, 0}));
  r.vertex = OnGrid(target, {0.3, -0.3, 0.2});
  r.faces = {{0, 1, 2}, {0, 2, 3}};
  return r;
}

// Every point of the border in one place: no normal, the single prediction's fixed axes.
SRemoval Collapsed()
{
  SRemoval r;
  for (int i = 0; i < 3; i++)
    r.border.push_back(OnGrid({5, 5, 5}, {0, 0, 0}));
  r.vertex = OnGrid({7, 3, 9}, {0.1, 0.1, 0.1});
  r.faces = {{0, 1, 2}};
  return r;
}

// The quad's predictions against each record's own, on copies made before either runs:
// positions, residuals and the search's original all agree.
void ExpectQuadMatchesSingles(const std::array<const SRemoval*, 4>& removals)
{
  std::array<CProgressiveVertexRecord, 4> quad;
  std::array<CProgressiveVertexRecord, 4> single;
  std::array<CProgressiveVertexRecord*, 4> pointers{};
  for (size_t l = 0; l < 4; l++) {
    quad[l] = removals[l]->Record();
    single[l] = quad[l];
    single[l].TakeFrameFromBorder();
    pointers[l] = &quad[l];
  }
  const auto predicted = CProgressiveVertexRecord::PredictQuad(pointers, kGrid);
  for (size_t l = 0; l < 4; l++) {
    const auto expected = single[l].Predict(kGrid);
    EXPECT_EQ(predicted[l], expected) << "lane " << l;
    EXPECT_EQ(quad[l].GetCoordinates(), single[l].GetCoordinates()) << "lane " << l;
    // The records rebuild the same position from what they keep.
    EXPECT_EQ(quad[l].Reconstruct(), single[l].Reconstruct()) << "lane " << l;
  }
}

TEST(ProgressiveRecordQuad, ScatteredBordersMatchTheSinglePrediction)
{
  std::mt19937 random(20261208);
  int missed = 0;
  int lanes = 0;
  for (int round = 0; round < 400; round++) {
    std::array<SRemoval, 4> removals;
    std::array<const SRemoval*, 4> view{};
    for (size_t l = 0; l < 4; l++) {
      // Borders of 3 to 6 vertices, tight and loose, so that lanes of one quad differ.
      removals[l] = Scattered(&random, 3 + static_cast<int>((round + l) % 4), l % 2 ? 3 : 40);
      view[l] = &removals[l];
    }
    ExpectQuadMatchesSingles(view);
    for (const SRemoval& r : removals) {
      CProgressiveVertexRecord probe = r.Record();
      probe.TakeFrameFromBorder();
      missed += probe.Predict(kGrid) != probe.GetTarget() ? 1 : 0;
      lanes++;
    }
  }
  // Both the targets the rounded triple reaches and those the searches settle are covered.
  EXPECT_GT(missed, 0);
  EXPECT_LT(missed, lanes);
}

TEST(ProgressiveRecordQuad, HalfStepResidualsRoundAsTheSinglePrediction)
{
  std::vector<SRemoval> squares;
  for (int x = -3; x <= 3; x++)
    for (int y = -3; y <= 3; y++)
      squares.push_back(Square({static_cast<double>(x), static_cast<double>(y), static_cast<double>(x - y)}));
  for (size_t i = 0; i + 4 <= squares.size(); i += 4)
    ExpectQuadMatchesSingles({&squares[i], &squares[i + 1], &squares[i + 2], &squares[i + 3]});
}

// A lane whose frame takes fixed axes, or that has no border at all, sends the whole quad
// through the single predictions: the other lanes come out the same.
TEST(ProgressiveRecordQuad, DegenerateLanesMatchTheSinglePrediction)
{
  std::mt19937 random(7);
  std::array<SRemoval, 3> plain{Scattered(&random, 6, 20), Scattered(&random, 4, 20),
                                Scattered(&random, 5, 20)};
  const SRemoval collapsed = Collapsed();
  SRemoval empty;
  empty.vertex = OnGrid({1, 2, 3}, {0, 0, 0});
  for (const SRemoval* odd : std::array<const SRemoval*, 2>{&collapsed, &empty})
    for (size_t at = 0; at < 4; at++) {
      std::array<const SRemoval*, 4> view{};
      size_t next = 0;
      for (size_t l = 0; l < 4; l++)
        view[l] = l == at ? odd : &plain[next++];
      ExpectQuadMatchesSingles(view);
    }
}

} // namespace
