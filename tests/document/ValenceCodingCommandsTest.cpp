#include "tests/document/CodingFixture.h"

#include "app/dialogs/DlgDistribution.h"
#include "app/dialogs/DlgValenceEncoding.h"
#include "compression/ConquestCoder.h"
#include "tests/mesh/MeshFixtures.h"
#include "tests/support/ClipboardRecorder.h"

#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>

namespace {

class CValenceCodingCommandsTest : public CCodingFixture
{
protected:
  void SetUp() override
  {
    CCodingFixture::SetUp();
    m_pMesh = SetMesh([](CMesh3d& mesh) { mesh.Copy(fixtures::Icosphere(1).get()); });
  }
  // Ticks the check boxes and types the texts into the dialog's controls.
  void Check(std::vector<int> checks, std::vector<std::pair<int, std::string>> texts = {})
  {
    std::vector<std::pair<int, int>> choices;
    for (int id : checks)
      choices.emplace_back(id, 1);
    Options(choices, texts);
  }
  enum { kDebug = 1088, kMultipleSeed = 1128, kUseNbFace = 1131, kNbFace = 1110, kGeometry = 1133 };

  CMesh3d* m_pMesh = nullptr;
};

const char* const kNumber = "-?[0-9.]+(e[+-][0-9]+)?";

} // namespace

TEST_F(CValenceCodingCommandsTest, OneEncodingReportsItsRateAndCounters)
{
  ASSERT_EQ(m_pMesh->NbFace(), 80);
  ASSERT_TRUE(Run(ID_VALENCE_PARAMETERS));
  EXPECT_EQ(m_DialogTemplates.back(), 183);
  const std::string n = kNumber;
  EXPECT_TRUE(std::regex_match(LastStatus(),
                               std::regex("80 faces, 42 vertices, rate: " + n + " b/v, " + n +
                                          " s, " + n + " f/s, [0-9]+ split\\(s\\), [0-9]+ complete\\(s\\)")))
    << LastStatus();
  EXPECT_TRUE(std::filesystem::exists("mesh.bin"));
  EXPECT_TRUE(std::filesystem::exists("codes.txt"));
  // The coder lived for the run only.
  EXPECT_EQ(NbObject(), 1);

  Check({kGeometry});
  ASSERT_TRUE(Run(ID_VALENCE_PARAMETERS));
  EXPECT_TRUE(std::regex_match(LastStatus(),
                               std::regex("80 faces, CONN " + n + " b/v, " + n + " s, " + n +
                                          " f/s, GEOM " + n + " b/f, SUM " + n + " b/f, PSNR: " +
                                          n + ", L2: " + n)))
    << LastStatus();
  EXPECT_TRUE(std::filesystem::exists("pos.bin"));
}

TEST_F(CValenceCodingCommandsTest, ADebugRunLeavesItsCoderInTheScene)
{
  Check({kDebug});
  ASSERT_TRUE(Run(ID_VALENCE_PARAMETERS));
  ASSERT_EQ(NbObject(), 2);
  EXPECT_NE(dynamic_cast<CConquestCoder*>(m_pDoc->m_SceneGraph.GetAt(1)), nullptr);
}

TEST_F(CValenceCodingCommandsTest, MultiSeedTablesOneRowPerRunWithLineFeeds)
{
  // More faces asked than the mesh has: one run per face, no more.
  Check({kMultipleSeed, kUseNbFace}, {{kNbFace, "500"}});
  ASSERT_TRUE(Run(ID_VALENCE_PARAMETERS));
  const std::vector<std::string> lines = Lines(Clipboard());
  ASSERT_EQ(lines.size(), 81u);
  EXPECT_EQ(lines[0], "Face \t Rate (b/v)\t #Split");
  EXPECT_EQ(Clipboard().find('\r'), std::string::npos);
  for (int i = 0; i < 80; i++)
    EXPECT_TRUE(std::regex_match(lines[i + 1], std::regex(std::to_string(i) + "\t[0-9.e+-]+\t[0-9]+")))
      << lines[i + 1];
  EXPECT_EQ(NbObject(), 1);
  EXPECT_TRUE(std::regex_match(LastStatus(), std::regex("Min rate: [0-9.]+ b/f \\(index [0-9]+\\), max rate: .*")))
    << LastStatus();
}

TEST_F(CValenceCodingCommandsTest, MultiSeedWithoutRunsTablesTheHeaderOnly)
{
  Check({kMultipleSeed, kUseNbFace}, {{kNbFace, "0"}});
  ASSERT_TRUE(Run(ID_VALENCE_PARAMETERS));
  EXPECT_EQ(Clipboard(), "Face \t Rate (b/v)\t #Split\n");
  EXPECT_NE(LastStatus().find("Min rate: -1.0000000 b/f (index 0), max rate: -1 b/f (index 0)"),
            std::string::npos)
    << LastStatus();
}

TEST_F(CValenceCodingCommandsTest, ThePsnrBenchHasSixtyFourRows)
{
  ASSERT_TRUE(Run(ID_VALENCE_BENCHS_PSNR));
  const std::vector<std::string> lines = Lines(Clipboard());
  ASSERT_EQ(lines.size(), 66u);
  EXPECT_EQ(lines[0], "BENCHS PSNR/Quantization geometry\r");
  EXPECT_EQ(lines[1], "N \t P \t PSNR \t L2 \t Cost\r");
  int row = 2;
  for (int n = 4; n <= 11; n++)
    for (int p = 4; p <= 11; p++, row++)
      EXPECT_EQ(lines[row].rfind(std::to_string(n) + " \t " + std::to_string(p) + " \t ", 0), 0u)
        << lines[row];
}

TEST_F(CValenceCodingCommandsTest, UnquantizeLeavesTheMeshAlone)
{
  const float x = m_pMesh->GetVertex(3)->x();
  ASSERT_TRUE(Run(ID_DEBUG_UNQUANTIZE));
  EXPECT_EQ(m_Status, (std::vector<std::string>{"Unquantize mesh...", "Unquantize mesh...done"}));
  EXPECT_EQ(m_pMesh->GetVertex(3)->x(), x);
  SetMesh([](CMesh3d&) {});
  m_pDoc->m_SceneGraph.Add(new CQuadMesh3d);
  m_pDoc->DeleteObject(0);
  EXPECT_FALSE(IsEnabled(ID_DEBUG_UNQUANTIZE));
  EXPECT_FALSE(IsEnabled(ID_VALENCE_PARAMETERS));
}

TEST(Distribution, BarsScaleToTheMostFrequentCode)
{
  const std::vector<unsigned int> codes = {0, 0, 1, 3};
  CDlgDistribution dialog(&codes);
  dialog.BuildHistogram();
  EXPECT_EQ(dialog.GetLargestCode(), 3u);
  EXPECT_EQ(dialog.GetLargestCount(), 2u);
  EXPECT_EQ(dialog.GetHistogram(), (std::vector<unsigned int>{2, 1, 0, 1}));
  EXPECT_EQ(CDlgDistribution::Label(0), "ghost");
  EXPECT_EQ(CDlgDistribution::Label(1), "split");
  EXPECT_EQ(CDlgDistribution::Label(2), "merge");
  EXPECT_EQ(CDlgDistribution::Label(3), "3");
  EXPECT_EQ(dialog.BarLength(0, 230), 230);
  EXPECT_EQ(dialog.BarLength(1, 230), 115);
  EXPECT_EQ(dialog.BarLength(2, 230), 0);
  // A resize rescales.
  EXPECT_EQ(dialog.BarLength(3, 101), 50);
}

TEST(Distribution, ARareCodeStillShowsAndGhostsAloneShowNothing)
{
  std::vector<unsigned int> codes(1000000, 6);
  codes.push_back(9);
  CDlgDistribution dialog(&codes);
  dialog.BuildHistogram();
  EXPECT_EQ(dialog.BarLength(9, 500), 1);
  EXPECT_EQ(dialog.BarLength(7, 500), 0);

  const std::vector<unsigned int> ghosts = {0, 0, 0};
  CDlgDistribution empty(&ghosts);
  empty.BuildHistogram();
  EXPECT_TRUE(empty.GetHistogram().empty());
  const std::vector<unsigned int> none;
  CDlgDistribution nothing(&none);
  nothing.BuildHistogram();
  EXPECT_TRUE(nothing.GetHistogram().empty());
  EXPECT_EQ(nothing.BarLength(0, 500), 0);
}
