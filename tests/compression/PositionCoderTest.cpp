#include "app/objects/VertexSet3d.h"
#include "compression/PositionDecoder.h"
#include "compression/PositionEncoder.h"
#include "compression/VertexRun.h"
#include "scene/SceneGraph3d.h"
#include "tests/compression/ConquestFixtures.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/processing/ProcessingFixtures.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Each test works in a fresh folder made current, as the document does with "Positions.bin".
class PositionCoderTest : public ::testing::Test
{
protected:

  static std::unique_ptr<CVertexRun> RunOf(const CMesh3d& mesh)
  {
    auto run = std::make_unique<CVertexRun>();
    mesh.CopyVerticesTo(run.get());
    return run;
  }

  // A copy of the mesh with every position moved away, to decode into.
  static std::unique_ptr<CMesh3d> Target(const CMesh3d& mesh)
  {
    auto target = std::make_unique<CMesh3d>();
    for (int i = 0; i < mesh.NbVertex(); i++)
      target->AddVertex(new CVertex3d(-7.0f, -7.0f, -7.0f));
    return target;
  }

  static float MaxError(const CMesh3d& a, const CMesh3d& b, int axis)
  {
    float error = 0.0f;
    for (int i = 0; i < a.NbVertex(); i++)
      error = std::fmax(error, std::fabs(a.GetVertex(i)->Get(axis) - b.GetVertex(i)->Get(axis)));
    return error;
  }

  // The document's call: "Positions.bin", moving mean 4, refinement bits 10, no display.
  static float Encode(CPositionEncoder& encoder, const CVertexRun* run, int qb, CMesh3d* mesh)
  {
    return encoder.Encode("Positions.bin", nullptr, run, qb, 4, 10, nullptr, 0, mesh);
  }

  static std::vector<std::unique_ptr<CMesh3d>> Meshes()
  {
    std::vector<std::unique_ptr<CMesh3d>> meshes;
    meshes.push_back(fixtures::Icosphere(3));
    meshes.push_back(fixtures::Torus(16));
    auto grid = fixtures::FlatGrid(12, 9);
    fixtures::Perturb(*grid, 0.2f);
    meshes.push_back(std::move(grid));
    meshes.push_back(fixtures::Fan(9));
    return meshes;
  }

  conquest::CScratchFolder m_Folder;
};

TEST_F(PositionCoderTest, RoundTripsRebuildWhatTheEncoderRebuilt)
{
  for (const auto& mesh : Meshes()) {
    const auto run = RunOf(*mesh);
    for (const int qb : {8, 10, 12}) {
      CPositionEncoder encoder;
      ASSERT_GT(encoder.Encode("Positions.bin", nullptr, run.get(), qb, 4, 10, nullptr, 0,
                               mesh.get()), 0.0f);
      auto coarse = Target(*mesh);
      CPositionDecoder decoder;
      ASSERT_GT(decoder.Decode("Positions.bin", nullptr, coarse.get(), 0), 0) << qb;
      EXPECT_EQ(coarse->GetModified(), 1);
      for (int i = 0; i < mesh->NbVertex(); i++)
        for (int axis = 0; axis < 3; axis++)
          ASSERT_EQ(coarse->GetVertex(i)->Get(axis), encoder.GetRebuilt(axis, i)) << i;
      for (int i = 0; i < 4; i++)
        EXPECT_TRUE(coarse->GetVertex(i)->IsSamePosition(mesh->GetVertex(i)));
      for (int axis = 0; axis < 3; axis++) {
        const double step = encoder.GetScale(axis) / (std::pow(2.0, qb) - 1.0);
        EXPECT_LE(MaxError(*mesh, *coarse, axis), 0.5 * step + 1e-6) << qb;
      }

      auto fine = Target(*mesh);
      ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, fine.get(), 16), 0);
      for (int axis = 0; axis < 3; axis++) {
        EXPECT_LE(MaxError(*mesh, *fine, axis),
                  encoder.GetRefinementScale(axis) * std::ldexp(1.0, -16) + 1e-6);
        EXPECT_LE(MaxError(*mesh, *fine, axis), MaxError(*mesh, *coarse, axis) + 1e-7);
      }
    }
  }
}

TEST_F(PositionCoderTest, SameInputGivesSameBytes)
{
  auto mesh = fixtures::Torus(10);
  const auto run = RunOf(*mesh);
  CPositionEncoder first;
  CPositionEncoder second;
  ASSERT_GT(first.Encode("a.bin", nullptr, run.get(), 10, 4, 10, nullptr, 0, mesh.get()), 0.0f);
  ASSERT_GT(second.Encode("b.bin", nullptr, run.get(), 10, 4, 10, nullptr, 0, mesh.get()), 0.0f);
  EXPECT_EQ(ReadBytes("a.bin"), ReadBytes("b.bin"));
  EXPECT_FLOAT_EQ(first.GetRatio(),
                  static_cast<float>(first.GetBitsAfterRemainders()) / mesh->NbFace());
}

TEST_F(PositionCoderTest, FourVerticesWriteTheHeaderAndEmptySections)
{
  auto mesh = fixtures::Tetrahedron();
  const auto run = RunOf(*mesh);
  CPositionEncoder encoder;
  ASSERT_GT(Encode(encoder, run.get(), 8, nullptr), 0.0f);
  const auto bytes = ReadBytes("Positions.bin");
  ASSERT_GT(bytes.size(), 5u);
  // nV = 4 least significant bit first from each byte's top: 0 0 1 0 0 0 0 0, then zeros; qb
  // 8 and the moving mean 4 go as 0 0 0 1 0 and 0 0 1 0 0.
  EXPECT_EQ(bytes[0], 0x20);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x00);
  EXPECT_EQ(bytes[3], 0x00);
  EXPECT_EQ(bytes[4], 0x11);
  EXPECT_EQ(bytes[5] >> 6, 0);
  EXPECT_TRUE(encoder.GetChoices().empty());
  EXPECT_TRUE(encoder.GetRemainders().empty());
  // 32 + 5 + 5 bits and 15 floats of header.
  EXPECT_EQ(encoder.GetBitsAfterHeader(), 42u + 15u * 32u);
  EXPECT_FLOAT_EQ(encoder.GetRatio(), static_cast<float>(encoder.GetBitsAfterRemainders()) / 8.0f);

  auto target = Target(*mesh);
  ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, target.get(), 16), 0);
  for (int i = 0; i < 4; i++)
    EXPECT_TRUE(target->GetVertex(i)->IsSamePosition(mesh->GetVertex(i)));
}

TEST_F(PositionCoderTest, AJumpIsCutAndCodedTwice)
{
  // Neighbour steps of 1 along a strip set the scales; then a vertex that is no neighbour and
  // far away.
  auto strip = fixtures::Strip(8);
  CMesh3d mesh;
  mesh.Copy(strip.get());
  mesh.AddVertex(new CVertex3d(40.0f, 3.0f, -25.0f));
  mesh.Rebuild();
  const auto run = RunOf(mesh);
  CPositionEncoder encoder;
  ASSERT_GT(Encode(encoder, run.get(), 8, &mesh), 0.0f);
  EXPECT_EQ(encoder.GetScale(0), 1.0f);
  const auto& choices = encoder.GetChoices();
  ASSERT_EQ(choices.back(), static_cast<unsigned int>(CPositionCoder::CUT));
  ASSERT_EQ(encoder.GetCuts().size(), 1u);
  EXPECT_GE(encoder.GetCuts()[0], 2u);
  EXPECT_EQ(encoder.GetRemainders().size(), 3 * choices.size() + 3);
  for (const unsigned int q : encoder.GetRemainders())
    EXPECT_LE(q, 255u);

  auto target = Target(mesh);
  ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, target.get(), 0), 0);
  for (int axis = 0; axis < 3; axis++)
    EXPECT_LE(MaxError(mesh, *target, axis), encoder.GetScale(axis) / 255.0);
}

TEST_F(PositionCoderTest, ExactPredictionsLeaveNothingToRefine)
{
  // Free vertices in equal steps: no neighbours, so the largest step is the scale, and the
  // linear prediction is exact.
  std::vector<std::unique_ptr<CVertex3d>> points;
  CVertexRun run;
  for (int i = 0; i < 12; i++) {
    points.push_back(std::make_unique<CVertex3d>(2.0f * i, 1.0f, -0.5f * i));
    run.Add(points.back().get());
  }
  CPositionEncoder encoder;
  ASSERT_GT(Encode(encoder, &run, 6, nullptr), 0.0f);
  EXPECT_EQ(encoder.GetScale(0), 2.0f);
  EXPECT_EQ(encoder.GetScale(1), 1.0f); // an axis that never moves
  for (const unsigned int order : encoder.GetRefinementOrders())
    EXPECT_EQ(order, 16u);
  EXPECT_EQ(encoder.GetRefinementScale(0), 0.0f);
}

TEST_F(PositionCoderTest, LevelZeroStopsBeforeTheRefinement)
{
  auto mesh = fixtures::Icosphere(2);
  const auto run = RunOf(*mesh);
  CPositionEncoder encoder;
  ASSERT_GT(Encode(encoder, run.get(), 6, mesh.get()), 0.0f);
  auto bytes = ReadBytes("Positions.bin");
  auto r0 = Target(*mesh);
  auto planes = Target(*mesh);
  ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, r0.get(), 1), 0);
  ASSERT_GT(CPositionDecoder().Decode("Positions.bin", nullptr, planes.get(), 6), 0);
  for (int axis = 0; axis < 3; axis++) {
    EXPECT_LT(MaxError(*mesh, *planes, axis), MaxError(*mesh, *r0, axis));
    EXPECT_LE(MaxError(*mesh, *r0, axis), encoder.GetRefinementScale(axis));
  }

  bytes.resize((encoder.GetBitsAfterRemainders() + 7) / 8 + 1);
  WriteBytes("cut.bin", bytes);
  auto coarse = Target(*mesh);
  EXPECT_GT(CPositionDecoder().Decode("cut.bin", nullptr, coarse.get(), 0), 0);
  auto refined = Target(*mesh);
  EXPECT_EQ(CPositionDecoder().Decode("cut.bin", nullptr, refined.get(), 1), 0);
  EXPECT_EQ(refined->GetVertex(5)->x(), -7.0f);
}

TEST_F(PositionCoderTest, HostileStreamsFailAndLeaveTheMesh)
{
  auto mesh = fixtures::Icosphere(1);
  const auto run = RunOf(*mesh);
  CPositionEncoder encoder;
  ASSERT_GT(Encode(encoder, run.get(), 8, mesh.get()), 0.0f);
  const auto bytes = ReadBytes("Positions.bin");
  const auto untouched = [](const CMesh3d& m) {
    for (int i = 0; i < m.NbVertex(); i++)
      if (m.GetVertex(i)->x() != -7.0f)
        return false;
    return true;
  };
  for (size_t size = 0; size + 1 < bytes.size(); size++) {
    WriteBytes("short.bin", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
    auto target = Target(*mesh);
    EXPECT_EQ(CPositionDecoder().Decode("short.bin", nullptr, target.get(), 16), 0) << size;
    EXPECT_TRUE(untouched(*target));
  }
  for (size_t k = 0; k < bytes.size(); k++) {
    auto corrupted = bytes;
    corrupted[k] ^= 0x5A;
    WriteBytes("bad.bin", corrupted);
    auto target = Target(*mesh);
    if (!CPositionDecoder().Decode("bad.bin", nullptr, target.get(), 16)) {
      EXPECT_TRUE(untouched(*target)) << k;
    }
  }
  auto wrongCount = fixtures::Octahedron();
  EXPECT_EQ(CPositionDecoder().Decode("Positions.bin", nullptr, wrongCount.get(), 0), 0);
  EXPECT_EQ(CPositionDecoder().Decode("missing.bin", nullptr, Target(*mesh).get(), 0), 0);
  EXPECT_EQ(CPositionDecoder().Decode("Positions.bin", nullptr, nullptr, 0), 0);
}

TEST_F(PositionCoderTest, RefusesWhatItCannotCodeAndWritesNothing)
{
  auto mesh = fixtures::Icosphere(1);
  const auto run = RunOf(*mesh);
  CVertexRun three;
  for (int i = 0; i < 3; i++)
    three.Add(mesh->GetVertex(i));
  EXPECT_EQ(CPositionEncoder().Encode("x.bin", nullptr, &three, 8, 4, 10, nullptr, 0, nullptr), 0.0f);
  EXPECT_EQ(CPositionEncoder().Encode("x.bin", nullptr, run.get(), 0, 4, 10, nullptr, 0, nullptr), 0.0f);
  EXPECT_EQ(CPositionEncoder().Encode("x.bin", nullptr, run.get(), 32, 4, 10, nullptr, 0, nullptr), 0.0f);
  EXPECT_EQ(CPositionEncoder().Encode("x.bin", nullptr, run.get(), 8, 32, 10, nullptr, 0, nullptr), 0.0f);
  mesh->GetVertex(7)->SetY(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(CPositionEncoder().Encode("x.bin", nullptr, run.get(), 8, 4, 10, nullptr, 0, nullptr), 0.0f);
  EXPECT_FALSE(std::filesystem::exists("x.bin"));
  mesh->GetVertex(7)->SetY(0.0f);
  EXPECT_EQ(CPositionEncoder().Encode("no-folder/x.bin", nullptr, run.get(), 8, 4, 10, nullptr, 0,
                                      nullptr), 0.0f);
}

TEST_F(PositionCoderTest, ErrorsShowAsRedPointsSizedByTheirError)
{
  auto mesh = fixtures::Torus(8);
  const auto run = RunOf(*mesh);
  CSceneGraph3d scene;
  CPositionEncoder encoder;
  ASSERT_GT(encoder.Encode("Positions.bin", nullptr, run.get(), 4, 4, 10, &scene, 1, mesh.get()),
            0.0f);
  ASSERT_EQ(scene.NbObject(), 1);
  const auto* set = static_cast<const CVertexSet3d*>(scene.GetAt(0));
  ASSERT_GT(set->NbVertex(), 0);
  EXPECT_LE(set->NbVertex(), mesh->NbVertex() - 4);
  EXPECT_EQ(set->GetVertex(0)->GetColor()->r(), 255);
  EXPECT_EQ(set->GetVertex(0)->GetColor()->g(), 0);
  EXPECT_GT(set->GetRadius(0), 0.0f);
}

} // namespace
