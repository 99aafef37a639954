#include "DialogAnswer.h"

#include "app/dialogs/DlgDistribution.h"
#include "platform/core/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Labels(const std::vector<CDlgDistribution::SRow>& rows)
{
  std::vector<std::string> labels;
  for (const CDlgDistribution::SRow& row : rows)
    labels.push_back(row.Label);
  return labels;
}

TEST(DistributionDialogTest, CodesZeroZeroOneThreeGiveFourRows)
{
  const std::vector<unsigned> codes = {0, 0, 1, 3};
  CDlgDistribution dialog(&codes);
  EXPECT_EQ(dialog.GetTemplateId(), 184);
  dialog.BuildHistogram();
  EXPECT_EQ(dialog.GetHistogram(), (std::vector<unsigned>{2, 1, 0, 1}));
  const std::vector<CDlgDistribution::SRow> rows = dialog.Rows(470);
  EXPECT_EQ(Labels(rows), (std::vector<std::string>{"ghost", "split", "merge", "3"}));
  // "ghost" fills the 400 pixels of bar area, "merge" has no bar, the others half of it.
  EXPECT_EQ(rows[0].Right - rows[0].Left, 400);
  EXPECT_EQ(rows[1].Right - rows[1].Left, 200);
  EXPECT_EQ(rows[2].Right - rows[2].Left, 0);
  EXPECT_EQ(rows[3].Right - rows[3].Left, 200);
  for (std::size_t i = 0; i < rows.size(); i++) {
    EXPECT_EQ(rows[i].Left, 40);
    EXPECT_EQ(rows[i].Top, 20 * static_cast<int>(i) + 3);
    EXPECT_EQ(rows[i].Bottom, 20 * static_cast<int>(i + 1) + 2);
  }
  // A wider window rescales the bars.
  EXPECT_EQ(dialog.Rows(870)[0].Right - 40, 800);
}

TEST(DistributionDialogTest, ARareCodeStillShowsOnePixel)
{
  std::vector<unsigned> codes(1000000, 4);
  codes.push_back(5);
  CDlgDistribution dialog(&codes);
  dialog.BuildHistogram();
  const std::vector<CDlgDistribution::SRow> rows = dialog.Rows(370);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[4].Right - rows[4].Left, 300);
  EXPECT_EQ(rows[5].Right - rows[5].Left, 1);
  EXPECT_EQ(rows[0].Right - rows[0].Left, 0);
}

TEST(DistributionDialogTest, NoCodesOrOnlyZerosShowNoChart)
{
  const std::vector<unsigned> none;
  const std::vector<unsigned> zeros = {0, 0, 0};
  for (const std::vector<unsigned>* codes : {&none, &zeros}) {
    CDlgDistribution dialog(codes);
    std::size_t rows = 1;
    CDialogAnswer answer([&rows](platform::CDialog& shown) {
      rows = static_cast<CDlgDistribution&>(shown).Rows(400).size();
      return platform::IDOK;
    });
    EXPECT_EQ(dialog.DoModal(), platform::IDOK);
    EXPECT_EQ(rows, 0u);
  }
}

} // namespace
