#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "compression/PositionDecoder.h"
#include "compression/PositionEncoder.h"
#include "compression/VertexRun.h"
#include "mesh/Mesh3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/processing/ProcessingFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class PositionPredictionTest : public ::testing::Test
{
protected:
  // Free points (no mesh): the scale of an axis is its largest step from one point to the next.
  void SetPoints(const std::vector<std::vector<float>>& points)
  {
    m_Points.clear();
    m_Run.RemoveAll();
    for (const auto& p : points) {
      m_Points.push_back(std::make_unique<CVertex3d>(p[0], p[1], p[2]));
      m_Run.Add(m_Points.back().get());
    }
  }
  std::unique_ptr<CMesh3d> Target() const
  {
    auto target = std::make_unique<CMesh3d>();
    for (size_t i = 0; i < m_Points.size(); i++)
      target->AddVertex(new CVertex3d(-9.0f, -9.0f, -9.0f));
    return target;
  }

  std::vector<std::unique_ptr<CVertex3d>> m_Points;
  CVertexRun m_Run;
  conquest::CScratchFolder m_Folder;
};

// x alternates 0, 1, 0, 1: the parallelogram r[i-1] + r[i-2] - r[i-3] predicts it exactly, the
// linear 2 r[i-1] - r[i-2] and the previous point miss by 1 or 2; y and z go up in steps that
// every predictor but the previous point follows.
std::vector<std::vector<float>> Zigzag(int n)
{
  std::vector<std::vector<float>> points;
  for (int i = 0; i < n; i++)
    points.push_back({static_cast<float>(i % 2), 0.5f * static_cast<float>(i), 3.0f - static_cast<float>(i)});
  return points;
}

} // namespace

TEST_F(PositionPredictionTest, AZigzagIsPredictedExactlyByTheParallelogram)
{
  SetPoints(Zigzag(14));
  CPositionEncoder encoder;
  ASSERT_GT(encoder.Encode("Positions.bin", nullptr, &m_Run, 8, 4, 10, nullptr, 0, nullptr), 0.0f);
  ASSERT_EQ(encoder.GetChoices().size(), 10u);
  for (unsigned int choice : encoder.GetChoices())
    EXPECT_EQ(choice, static_cast<unsigned int>(CPositionCoder::PARALLELOGRAM));
  for (unsigned int q : encoder.GetRemainders())
    EXPECT_EQ(q, 0u);
  // Nothing is left for the refinement: every error has order 16.
  for (unsigned int order : encoder.GetRefinementOrders())
    EXPECT_EQ(order, 16u);

  auto target = Target();
  ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, target.get(), 0), 0);
  for (size_t i = 0; i < m_Points.size(); i++)
    EXPECT_TRUE(target->GetVertex(static_cast<int>(i))->IsSamePosition(m_Points[i].get())) << i;
}

TEST_F(PositionPredictionTest, AStraightRunIsPredictedLinearly)
{
  // Equal steps: the linear prediction is exact and comes first among equals.
  std::vector<std::vector<float>> points;
  for (int i = 0; i < 10; i++)
    points.push_back({2.0f * static_cast<float>(i), 1.0f, -0.5f * static_cast<float>(i)});
  SetPoints(points);
  CPositionEncoder encoder;
  ASSERT_GT(encoder.Encode("Positions.bin", nullptr, &m_Run, 8, 4, 10, nullptr, 0, nullptr), 0.0f);
  for (unsigned int choice : encoder.GetChoices())
    EXPECT_EQ(choice, static_cast<unsigned int>(CPositionCoder::LINEAR));
  for (unsigned int q : encoder.GetRemainders())
    EXPECT_EQ(q, 0u);
}

TEST_F(PositionPredictionTest, DecodingReturnsTheBitsItRead)
{
  auto mesh = fixtures::Torus(12);
  CVertexRun run;
  mesh->CopyVerticesTo(&run);
  CPositionEncoder encoder;
  ASSERT_GT(encoder.Encode("Positions.bin", nullptr, &run, 8, 4, 10, nullptr, 0, mesh.get()), 0.0f);
  const auto bits = [&mesh](int level) -> int {
    CMesh3d target;
    target.Copy(mesh.get());
    return CPositionDecoder().Decode("Positions.bin", nullptr, &target, level);
  };
  // Level 0 stops at the end of the remainders; the last level reads every plane.
  EXPECT_EQ(bits(0), static_cast<int>(encoder.GetBitsAfterRemainders()));
  EXPECT_EQ(bits(CPositionCoder::NbPlane), static_cast<int>(encoder.GetBitsAfterPlanes()));
  // Level 1 adds the refinement scales, signs, maxOrder and orders, but no plane.
  const int signs = 3 * (mesh->NbVertex() - 4);
  EXPECT_GE(bits(1), bits(0) + 3 * 32 + signs + 8);
  EXPECT_LT(bits(1), bits(CPositionCoder::NbPlane));
  for (int level = 2; level < CPositionCoder::NbPlane; level++)
    EXPECT_LE(bits(level), bits(level + 1)) << level;
  EXPECT_LT(bits(2), bits(CPositionCoder::NbPlane));
}

TEST_F(PositionPredictionTest, ACallersStreamIsCountedFromWhereItStands)
{
  SetPoints(Zigzag(9));
  COBitStream out;
  out.WriteBits(0x2a, 11); // something of the caller's before the positions
  CPositionEncoder encoder;
  ASSERT_GT(encoder.Encode(nullptr, &out, &m_Run, 6, 4, 10, nullptr, 0, nullptr), 0.0f);
  out.Flush(0);
  out.FlushStream();
  CIBitStream in(out.GetBytes());
  in.BReadBits(11);
  auto target = Target();
  EXPECT_EQ(CPositionDecoder().Decode(nullptr, &in, target.get(), CPositionCoder::NbPlane),
            static_cast<int>(encoder.GetBitsAfterPlanes() - 11));
}
