// What the position coding commands put in the scene, checked against the coder's bounds: the
// first approximation lies within half a quantization step of each input position, each
// refinement level closes the gap further, the error display marks the coded vertices, and the
// colour and vector commands show the distance between the decoded and the source positions.
#include "tests/document/CodingFixture.h"

#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "mesh/ColorRamp.h"
#include "tests/mesh/MeshFixtures.h"

#include <array>
#include <cmath>

namespace {

using Positions = std::vector<std::array<float, 3>>;

class CPositionEffectsCommandsTest : public CCodingFixture
{
protected:
  void SetUp() override
  {
    CCodingFixture::SetUp();
    m_pMesh = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(2).get()); });
    m_Source = PositionsOf(m_pMesh);
  }

  static Positions PositionsOf(const CMesh3d* pMesh)
  {
    Positions positions;
    for (int i = 0; i < pMesh->NbVertex(); i++) {
      const CVertex3d* v = pMesh->GetVertex(i);
      positions.push_back({v->x(), v->y(), v->z()});
    }
    return positions;
  }
  void AnswerValue(int value)
  {
    m_DialogAnswer = platform::IDOK;
    m_EditDialog = [value](platform::CDialog& dialog) {
      dialog.Fields().SetText(dialog.Fields().Fields().front().Id, std::to_string(value));
    };
  }
  // Codes object 0 at q bits, with an extra object that every coding entry removes first.
  void Encode(int q, unsigned id = ID_ATTRIBUTES_POSITIONS)
  {
    m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
    AnswerValue(q);
    ASSERT_TRUE(Run(id));
    ASSERT_TRUE(std::filesystem::exists("Positions.bin"));
  }
  // The step of each axis: the largest jump of that coordinate between consecutive vertices
  // 3 .. n-1 that are neighbours.
  std::array<double, 3> Scales() const
  {
    std::array<double, 3> scale{0, 0, 0};
    for (int i = 4; i < m_pMesh->NbVertex(); i++) {
      if (!m_pMesh->GetVertex(i)->IsNeighbor(m_pMesh->GetVertex(i - 1)))
        continue;
      for (int k = 0; k < 3; k++)
        scale[k] = std::max(scale[k], std::abs(double(m_Source[i][k]) - m_Source[i - 1][k]));
    }
    return scale;
  }
  // The largest error per axis over the vertices from 4 on; the first four travel exactly.
  std::array<double, 3> Errors(const Positions& decoded) const
  {
    std::array<double, 3> error{0, 0, 0};
    for (size_t i = 0; i < 4; i++)
      EXPECT_EQ(decoded[i], m_Source[i]) << "vertex " << i;
    for (size_t i = 4; i < decoded.size(); i++)
      for (int k = 0; k < 3; k++)
        error[k] = std::max(error[k], std::abs(double(decoded[i][k]) - m_Source[i][k]));
    return error;
  }
  void ExpectWithinHalfAStep(const Positions& decoded, int q) const
  {
    ASSERT_EQ(decoded.size(), m_Source.size());
    const std::array<double, 3> scale = Scales();
    const std::array<double, 3> error = Errors(decoded);
    const double levels = std::pow(2.0, q) - 1;
    for (int k = 0; k < 3; k++) {
      ASSERT_GT(scale[k], 0.0);
      EXPECT_LE(error[k], scale[k] / levels / 2 * (1 + 1e-4) + 1e-6) << "axis " << k;
      EXPECT_GT(error[k], 0.0) << "axis " << k;
    }
  }
  // Runs a decoding entry that appends a copy and hides object 0; the copy's positions.
  Positions DecodeCopy(unsigned id)
  {
    m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
    EXPECT_TRUE(Run(id));
    EXPECT_EQ(NbObject(), 2);
    EXPECT_EQ(Mesh(0), m_pMesh);
    EXPECT_EQ(m_pMesh->IsShown(), 0);
    EXPECT_EQ(PositionsOf(m_pMesh), m_Source);
    return Mesh(1) ? PositionsOf(Mesh(1)) : Positions();
  }

  CMesh3d* m_pMesh = nullptr;
  Positions m_Source;
};

} // namespace

TEST_F(CPositionEffectsCommandsTest, TheFirstApproximationLiesWithinHalfAStepInObjectZeroItself)
{
  Encode(6);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_DECODE_FIRST_APPROXIMATION));
  ASSERT_EQ(NbObject(), 1);
  EXPECT_EQ(Mesh(0), m_pMesh);
  EXPECT_TRUE(m_Messages.empty());
  ExpectWithinHalfAStep(PositionsOf(m_pMesh), 6);
  // Rebuilt: the closed sphere keeps its adjacency.
  for (int i = 0; i < m_pMesh->NbFace(); i++)
    EXPECT_EQ(m_pMesh->GetFace(i)->NbFaceNeighbor(), 3) << i;
}

TEST_F(CPositionEffectsCommandsTest, EachRefinementLevelClosesTheGap)
{
  Encode(4);
  // The multi-mesh entry gives every level from 0 to 7 side by side.
  ASSERT_TRUE(Run(ID_DECODE_MULTI_MESH));
  ASSERT_EQ(NbObject(), 9);
  const Positions first = PositionsOf(Mesh(1));
  const Positions second = PositionsOf(Mesh(2));
  const Positions seventh = PositionsOf(Mesh(8));
  ExpectWithinHalfAStep(first, 4);
  const std::array<double, 3> range = Errors(first);  // the refinement's scale per axis

  // R0 places each error in the middle of its first octave: at most half of it is left.
  const Positions r0 = DecodeCopy(ID_DECODE_FIRST_APPROXIMATION_R0);
  EXPECT_EQ(r0, second);
  for (size_t i = 4; i < r0.size(); i++)
    for (int k = 0; k < 3; k++) {
      const double before = std::abs(double(first[i][k]) - m_Source[i][k]);
      const double after = std::abs(double(r0[i][k]) - m_Source[i][k]);
      EXPECT_LE(after, before / 2 + range[k] * 1e-4 + 1e-6) << "vertex " << i << " axis " << k;
    }

  // n bit planes: every error known to 2^-n of the refinement's scale.
  for (int planes : {3, 7}) {
    AnswerValue(planes);
    const Positions refined = DecodeCopy(ID_DECODE_BITPLANE);
    EXPECT_EQ(m_DialogTemplates.back(), 163);
    const std::array<double, 3> left = Errors(refined);
    for (int k = 0; k < 3; k++)
      EXPECT_LE(left[k], range[k] / std::pow(2.0, planes) + 1e-6) << planes << " planes, axis " << k;
    if (planes == 7) {
      EXPECT_EQ(refined, seventh);
    }
  }

  // Cancelled: nothing is decoded and no copy is added.
  m_DialogAnswer = platform::IDCANCEL;
  const int objects = NbObject();
  ASSERT_TRUE(Run(ID_DECODE_BITPLANE));
  EXPECT_EQ(NbObject(), objects);
}

TEST_F(CPositionEffectsCommandsTest, ErrorSpheresMarkTheCodedVerticesInRed)
{
  Encode(3);
  EXPECT_EQ(NbObject(), 1);  // plain coding adds nothing

  Encode(3, ID_ATTRIBUTES_POSITIONS_SPHERES);
  ASSERT_EQ(NbObject(), 2);
  const auto* pSpheres = dynamic_cast<const CVertexSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pSpheres, nullptr);
  ASSERT_GT(pSpheres->NbVertex(), 0);
  EXPECT_LE(pSpheres->NbVertex(), m_pMesh->NbVertex() - 4);
  for (int s = 0; s < pSpheres->NbVertex(); s++) {
    const CVertex3d* v = pSpheres->GetVertex(s);
    EXPECT_EQ(v->GetColor()->r(), 255);
    EXPECT_EQ(v->GetColor()->g(), 0);
    EXPECT_EQ(v->GetColor()->b(), 0);
    // At a coded vertex of the mesh, never one of the four that travel exactly.
    int at = -1;
    for (int i = 0; i < m_pMesh->NbVertex() && at < 0; i++)
      if (std::array<float, 3>{v->x(), v->y(), v->z()} == m_Source[i])
        at = i;
    EXPECT_GE(at, 4) << "sphere " << s;
  }
  EXPECT_EQ(PositionsOf(m_pMesh), m_Source);
}

TEST_F(CPositionEffectsCommandsTest, ErrorColoursRunFromZeroDistanceToTheLargest)
{
  AnswerValue(3);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_ATTRIBUTES_COLOR_ERROR));
  // The source, its decoded copy, and a bar chart of 256 boxes.
  ASSERT_EQ(NbObject(), 2 + 256);
  EXPECT_EQ(Mesh(0), m_pMesh);
  EXPECT_EQ(m_pMesh->IsShown(), 0);
  const CMesh3d* pCopy = Mesh(1);
  ASSERT_NE(pCopy, nullptr);
  const Positions decoded = PositionsOf(pCopy);
  ExpectWithinHalfAStep(decoded, 3);

  CColorRamp ramp;
  ramp.BuildRainbow();
  auto expectRamp = [&ramp](const CColor* c, int bin, const std::string& what) {
    EXPECT_EQ((std::array<int, 3>{c->r(), c->g(), c->b()}),
              (std::array<int, 3>{ramp.Red(bin), ramp.Green(bin), ramp.Blue(bin)}))
      << what << " bin " << bin;
  };
  std::vector<double> distances;
  for (size_t i = 0; i < decoded.size(); i++) {
    double d2 = 0;
    for (int k = 0; k < 3; k++)
      d2 += (double(decoded[i][k]) - m_Source[i][k]) * (double(decoded[i][k]) - m_Source[i][k]);
    distances.push_back(std::sqrt(d2));
  }
  const double dmax = *std::max_element(distances.begin(), distances.end());
  ASSERT_GT(dmax, 0.0);
  bool top = false;
  for (size_t i = 0; i < decoded.size(); i++) {
    const double t = distances[i] / dmax * 255;
    if (std::abs(t - std::round(t)) < 1e-3 && t > 0.5 && t < 254.5)
      continue;  // too close to a bin edge to tell in float
    const int bin = std::min(static_cast<int>(t), 255);
    top |= bin == 255;
    expectRamp(pCopy->GetVertex(static_cast<int>(i))->GetColor(), bin, "vertex " + std::to_string(i));
  }
  EXPECT_TRUE(top);
  for (int i = 0; i < 256; i++) {
    const CMesh3d* pBox = Mesh(2 + i);
    ASSERT_NE(pBox, nullptr) << i;
    ASSERT_EQ(pBox->NbVertex(), 8) << i;
    expectRamp(pBox->GetVertex(0)->GetColor(), i, "box");
  }
}

TEST_F(CPositionEffectsCommandsTest, ErrorVectorsJoinEachDecodedVertexToItsSource)
{
  AnswerValue(4);
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  ASSERT_TRUE(Run(ID_ATTRIBUTES_ERROR_VECTORS));
  ASSERT_EQ(NbObject(), 2);  // the decoded copy is not kept
  EXPECT_EQ(Mesh(0), m_pMesh);
  EXPECT_EQ(PositionsOf(m_pMesh), m_Source);
  const auto* pVectors = dynamic_cast<const CVectorSet3d*>(m_pDoc->m_SceneGraph.GetAt(1));
  ASSERT_NE(pVectors, nullptr);
  ASSERT_EQ(pVectors->NbVector(), m_pMesh->NbVertex());
  Positions from;
  for (int j = 0; j < pVectors->NbVector(); j++) {
    const CVertex3d* a = pVectors->GetPoint(2 * j);
    const CVertex3d* b = pVectors->GetPoint(2 * j + 1);
    from.push_back({a->x(), a->y(), a->z()});
    EXPECT_EQ((std::array<float, 3>{b->x(), b->y(), b->z()}), m_Source[j]) << j;
  }
  ExpectWithinHalfAStep(from, 4);

  // Cancelled: the extra objects are gone all the same, nothing is added.
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_DialogAnswer = platform::IDCANCEL;
  ASSERT_TRUE(Run(ID_ATTRIBUTES_ERROR_VECTORS));
  EXPECT_EQ(NbObject(), 1);
}
