// The cyclic active list, its stack, and the coder's auxiliary operations on code sequences.
#include "compression/ActiveListStack.h"
#include "compression/ConquestFixtures.h"
#include "compression/ConquestUnquantizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

struct SVertices
{
  std::array<CVertex3d, 6> v;
  std::array<int, 6> degrees{};
  void SetDegrees(const std::array<int, 6>& d) { degrees = d; }
  // The remaining degrees as the coder's table would answer them.
  auto Degree() const
  {
    return [this](const CVertex3d* p) { return degrees[static_cast<size_t>(p - v.data())]; };
  }
};

} // namespace

TEST(ActiveList, CyclicNavigationAndStablePositions)
{
  SVertices s;
  CActiveList list;
  EXPECT_FALSE(list.HasGate());
  EXPECT_EQ(list.GetGateVertex(), nullptr);
  const auto a = list.AddTail(&s.v[0]);
  const auto c = list.AddTail(&s.v[2]);
  const auto b = list.InsertBefore(c, &s.v[1]);
  const auto d = list.InsertAfter(c, &s.v[3]);
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(list.IndexOfPosition(d), 3);
  EXPECT_EQ(list.GetNextVertex(d), &s.v[0]);
  EXPECT_EQ(list.GetPrevVertex(a), &s.v[3]);
  EXPECT_EQ(list.GetNextPosition(b), c);
  EXPECT_EQ(list.GetPrevPosition(c), b);

  list.SetGate(c);
  list.RemoveAt(b);
  EXPECT_EQ(list.GetGateVertex(), &s.v[2]); // other positions survive a removal
  EXPECT_EQ(list.GetPrevVertex(c), &s.v[0]);
  list.RemoveAt(c);
  EXPECT_FALSE(list.HasGate());
  EXPECT_EQ(list.IndexOfPosition(list.GetNull()), -1);
  EXPECT_TRUE(list.Check());
}

TEST(ActiveList, FindsTheFirstOccurrenceAndCountsStates)
{
  SVertices s;
  CActiveList list;
  list.AddTail(&s.v[1]);
  list.AddTail(&s.v[0]);
  list.AddTail(&s.v[1]);
  EXPECT_EQ(list.IndexOfPosition(list.Find(&s.v[1])), 0);
  EXPECT_TRUE(list.IsNull(list.Find(&s.v[5])));
  s.v[1].SetFlag(2);
  EXPECT_EQ(list.CountVertexFlag(2), 2);
  EXPECT_EQ(list.CountVertexFlag(0), 1);
}

TEST(ActiveList, AverageDegreeWeightsTheRings)
{
  SVertices s;
  s.SetDegrees({1, 2, 3, 4, 5, 6});
  CActiveList list;
  for (auto& v : s.v)
    list.AddTail(&v);
  const auto head = list.GetHeadPosition();
  // Ring 1 around vertex 0: (1 + 2 + 6) / 3.
  EXPECT_FLOAT_EQ(list.GetAverageDegree(head, 1, s.Degree()), 3.0f);
  // Ring 2: (2 * 1 + 2 * (2 + 6) + (3 + 5)) / 5.
  EXPECT_FLOAT_EQ(list.GetAverageDegree(head, 2, s.Degree()), 26.0f / 5.0f);
  // Rings wrap round a short list: vertex 0 counts again at 4 steps... of a list of 3.
  CActiveList shortList;
  for (int i = 0; i < 3; i++)
    shortList.AddTail(&s.v[i]);
  EXPECT_FLOAT_EQ(shortList.GetAverageDegree(shortList.GetHeadPosition(), 2, s.Degree()),
                  (2 * 1 + 2 * (2 + 3) + (3 + 2)) / 5.0f);
}

TEST(ActiveListStack, HeadIsCurrentSplitsWaitAtTheTail)
{
  CActiveListStack stack;
  EXPECT_EQ(stack.Pop(), nullptr);
  CActiveList* first = stack.Push(std::make_unique<CActiveList>());
  CActiveList* split = stack.AddTail(std::make_unique<CActiveList>());
  CActiveList* pushed = stack.Push(std::make_unique<CActiveList>());
  EXPECT_EQ(stack.GetHead(), pushed);
  EXPECT_EQ(stack.GetAt(1), first);
  EXPECT_EQ(stack.GetAt(2), split);
  EXPECT_EQ(stack.GetAt(3), nullptr);
  EXPECT_EQ(stack.Remove(first).get(), first);
  EXPECT_EQ(stack.Remove(first), nullptr);
  EXPECT_EQ(stack.Pop().get(), pushed);
  EXPECT_EQ(stack.GetHead(), split);
  EXPECT_EQ(stack.GetCount(), 1);
}

TEST(ConquestAuxiliary, RunLengths)
{
  using Codes = std::vector<unsigned int>;
  Codes runs;
  // Runs end on the element that breaks them, which they consume.
  CConquestCoder::EncodeRleBinary({0, 0, 1, 1, 0, 1}, runs, 10);
  EXPECT_EQ(runs, (Codes{3, 2, 1}));
  CConquestCoder::EncodeRleBinary({0, 0, 0, 0, 0}, runs, 2);
  EXPECT_EQ(runs, (Codes{3, 1, 3}));

  const Codes codes{6, 6, 6, 6, 5, 6, 6, 7};
  EXPECT_EQ(CConquestCoder::RunLength(codes, 0, 6), 4);
  EXPECT_EQ(CConquestCoder::RunLength(codes, 4, 6), 0);
  EXPECT_EQ(CConquestCoder::RunLength(codes, 8, 6), 0);
  Codes out;
  CConquestCoder::EncodeRle(codes, out, 2);
  EXPECT_EQ(out, (Codes{6, 6, 2, 5, 6, 6, 0, 7}));

  Codes histogram;
  CConquestCoder::BuildHistogram(codes, histogram);
  EXPECT_EQ(histogram, (Codes{0, 0, 0, 0, 0, 1, 6, 1}));
  CConquestCoder::BuildHistogram({0, 0}, histogram);
  EXPECT_TRUE(histogram.empty());
  EXPECT_EQ(CConquestCoder::GetMaxValue({}), 0u);
}

TEST(ConquestAuxiliary, HuffmanAndDistributionFit)
{
  auto mesh = fixtures::Icosphere(2);
  conquest::CScratchFolder folder;
  CConquestCoder coder;
  ASSERT_EQ(conquest::Encode(coder, mesh.get()).Ok, 1);
  // 150 sixes and 12 fives: the fitted Gaussian around 6 gives the fives their count.
  const double s = coder.FitValenceDistribution();
  EXPECT_NEAR(std::trunc(150.0 * std::exp(-1.0 / s)), 12.0, 1.0);
  std::vector<unsigned int> bits;
  EXPECT_EQ(CConquestCoder::EncodeHuffman(coder.GetCodes(), bits, 1, "huffman.txt"), 1);
  EXPECT_GE(bits.size(), coder.GetCodes().size());
  EXPECT_TRUE(folder.Exists("huffman.txt"));
}

TEST(ConquestAuxiliary, LabelVerticesMarksCollapsedNeighbourhoods)
{
  // Vertex 3 sits on vertex 0 and has it as its only neighbour.
  auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {{0, 1, 2}});
  mesh->AddVertex(new CVertex3d(0.0f, 0.0f, 0.0f));
  mesh->GetVertex(3)->AddNeighbor(mesh->GetVertex(0));
  CConquestUnquantizer unquantizer;
  EXPECT_EQ(unquantizer.Init(mesh.get(), nullptr, 1), 1);
  EXPECT_EQ(unquantizer.GetType(), TYPE_OBJECT3D);
  EXPECT_EQ(unquantizer.LabelVertices(), 1);
  EXPECT_EQ(mesh->GetVertex(3)->GetFlag(), 2);
  EXPECT_EQ(mesh->GetVertex(0)->GetFlag(), 0); // 0 is not 3's neighbour in return
  EXPECT_EQ(mesh->GetVertex(1)->GetFlag(), 0);
}
