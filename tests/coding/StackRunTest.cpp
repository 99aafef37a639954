#include "CodingTestUtil.h"

#include "coding/RangeEncoder.h"
#include "coding/StackRun.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using Symbols = std::vector<std::uint8_t>;

// Encodes into a file and decodes it back; checks the reported size on the way.
std::vector<int> RoundTrip(const CTempFolder& folder, const std::vector<int>& signal, int shift)
{
  const std::string name = folder.File("signal.bin");
  CStackRun coder;
  const int bits = coder.EncodeToFile(signal.data(), static_cast<int>(signal.size()), shift,
                                      name.c_str());
  EXPECT_GT(bits, 0);
  EXPECT_EQ(static_cast<std::size_t>(bits), 8 * ReadBytes(name).size());
  std::vector<int> decoded = {12345};
  CStackRun decoder;
  EXPECT_EQ(decoder.DecodeFromFile(decoded, name.c_str()), 1);
  return decoded;
}

} // namespace

TEST(StackRun, ItemsOfTheWorkedExample)
{
  CTempFolder folder;
  const std::string name = folder.File("example.bin");
  const std::vector<int> signal = {0, 0, 0, 5};
  CStackRun coder;
  ASSERT_GT(coder.EncodeToFile(signal.data(), 4, 0, name.c_str()), 0);
  // Run 3 = digits 1, 1 sent as 3, 3; level 5 sent as 6 = 0, 1, (1): 0 to the runs, then 1
  // and the positive sign to the levels.
  EXPECT_EQ(coder.GetRunBuffer(), Symbols({3, 3, 0}));
  EXPECT_EQ(coder.GetLevelBuffer(), Symbols({1, 3}));
  EXPECT_EQ(RoundTrip(folder, signal, 0), signal);
}

TEST(StackRun, RunsDropTheirRedundantTopDigit)
{
  CTempFolder folder;
  const std::string name = folder.File("runs.bin");
  struct CCase
  {
    int Run;
    Symbols Digits;
  };
  // Even runs lose their top digit, the run of 5 loses its last one.
  const CCase cases[] = {{1, {3}},    {2, {2}},       {3, {3, 3}},     {4, {2, 2}},
                         {5, {3, 2}}, {6, {2, 3}},    {7, {3, 3, 3}},  {8, {2, 2, 2}},
                         {9, {3, 2, 2, 3}}, {10, {2, 3, 2}}};
  for (const CCase& c : cases) {
    std::vector<int> signal(c.Run, 0);
    signal.push_back(-1);
    CStackRun coder;
    ASSERT_GT(coder.EncodeToFile(signal.data(), static_cast<int>(signal.size()), 0, name.c_str()), 0);
    Symbols expected = c.Digits;
    expected.push_back(0); // the level -1, sent as -2: digit 0, sign 2
    EXPECT_EQ(coder.GetRunBuffer(), expected) << "run " << c.Run;
    EXPECT_EQ(coder.GetLevelBuffer(), Symbols({2})) << "run " << c.Run;
    EXPECT_EQ(RoundTrip(folder, signal, 0), signal) << "run " << c.Run;
  }
}

TEST(StackRun, SignalsWithoutZerosAndUnitLevels)
{
  CTempFolder folder;
  const std::string name = folder.File("levels.bin");
  const std::vector<int> units = {1, -1, 1, 1, -1, -1, 1};
  CStackRun coder;
  ASSERT_GT(coder.EncodeToFile(units.data(), 7, 0, name.c_str()), 0);
  EXPECT_EQ(coder.GetRunBuffer(), Symbols(7, 0)); // one symbol per level
  EXPECT_EQ(coder.GetLevelBuffer(), Symbols({3, 2, 3, 3, 2, 2, 3}));
  EXPECT_EQ(RoundTrip(folder, units, 0), units);

  std::mt19937 random(2);
  std::vector<int> dense(3000);
  for (int& v : dense)
    v = static_cast<int>(random() % 2001) - 1000 + (random() % 2 ? 0 : 5000);
  for (int& v : dense)
    v = v == 0 ? 1 : v;
  EXPECT_EQ(RoundTrip(folder, dense, 0), dense);
}

TEST(StackRun, RoundTripsWithShifts)
{
  CTempFolder folder;
  std::mt19937 random(31);
  for (int shift : {0, -6, 6, 1000, -(1 << 24) + 1}) {
    std::vector<int> signal;
    while (signal.size() < 20000) {
      if (random() % 3 == 0)
        signal.insert(signal.end(), random() % 300, -shift); // zeros once shifted
      else
        signal.push_back(static_cast<int>(random() % 41) - 20);
    }
    EXPECT_EQ(RoundTrip(folder, signal, shift), signal) << shift;
  }
  EXPECT_TRUE(RoundTrip(folder, {}, 0).empty());
  const std::vector<int> zeros(100000, 0);
  EXPECT_EQ(RoundTrip(folder, zeros, 0), zeros);
}

TEST(StackRun, ExtremeValuesDoNotOverflow)
{
  CTempFolder folder;
  const std::vector<int> extremes = {INT_MAX, INT_MIN, 0, INT_MIN + 1, INT_MAX - 1, -1, 0, 0};
  for (int shift : {0, (1 << 24) - 1, -(1 << 24) + 1})
    EXPECT_EQ(RoundTrip(folder, extremes, shift), extremes) << shift;
}

TEST(StackRun, HeaderPrecedesTheSections)
{
  CTempFolder folder;
  const std::string name = folder.File("header.bin");
  const std::vector<int> signal = {3, 0, 0, -7, 0};
  CStackRun coder;
  ASSERT_GT(coder.EncodeToFile(signal.data(), 5, -6, name.c_str()), 0);
  CIBitFile file(name.c_str());
  EXPECT_EQ(file.BReadBits(24), coder.GetRunBuffer().size());
  EXPECT_EQ(file.BReadBits(24), coder.GetLevelBuffer().size());
  EXPECT_EQ(file.BReadBits(24), 6u);
  EXPECT_EQ(file.ReadBit(), 1);
  EXPECT_EQ(file.GetAlignedByte(), 0x00); // the run section's first byte
}

TEST(StackRun, SignalsThatDoNotFitTheStreamAreRefused)
{
  CTempFolder folder;
  const std::string name = folder.File("refused.bin");
  const std::vector<int> signal = {1, 2, 3};
  CStackRun coder;
  EXPECT_EQ(coder.EncodeToFile(signal.data(), 3, 1 << 24, name.c_str()), 0);
  EXPECT_EQ(coder.EncodeToFile(signal.data(), -1, 0, name.c_str()), 0);
  const std::string missing = folder.File("no/such/folder/file.bin");
  EXPECT_EQ(coder.EncodeToFile(signal.data(), 3, 0, missing.c_str()), 0);
  std::vector<int> decoded;
  EXPECT_EQ(coder.DecodeFromFile(decoded, missing.c_str()), 0);
}

TEST(StackRun, DamagedStreamsEndInFailure)
{
  CTempFolder folder;
  const std::string name = folder.File("damaged.bin");
  std::mt19937 random(13);
  std::vector<int> signal(5000);
  for (int& v : signal)
    v = random() % 4 ? 0 : static_cast<int>(random() % 21) - 10;
  CStackRun coder;
  ASSERT_GT(coder.EncodeToFile(signal.data(), 5000, 0, name.c_str()), 0);
  const std::vector<std::uint8_t> bytes = ReadBytes(name);
  std::vector<int> decoded;

  for (std::size_t keep : {std::size_t(0), std::size_t(5), std::size_t(12), bytes.size() / 2,
                           bytes.size() - 1}) {
    WriteBytes(name, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + keep));
    EXPECT_EQ(coder.DecodeFromFile(decoded, name.c_str()), 0) << "kept " << keep;
    EXPECT_TRUE(decoded.empty());
  }
  // Bytes 0-5 hold the two buffer lengths, which are checked; the shift has no redundancy.
  for (std::size_t at : {std::size_t(0), std::size_t(3), std::size_t(5), std::size_t(20),
                         bytes.size() / 2, bytes.size() - 2}) {
    std::vector<std::uint8_t> corrupt = bytes;
    corrupt[at] ^= 0x24;
    WriteBytes(name, corrupt);
    EXPECT_EQ(coder.DecodeFromFile(decoded, name.c_str()), 0) << "byte " << at;
  }
}

TEST(StackRun, HostileRunLengthsAreRejectedBeforeAllocation)
{
  CTempFolder folder;
  const std::string name = folder.File("hostile.bin");
  // A level followed by one run of 31 one-digits: 2^31 - 1 zeros.
  const std::vector<int> seed = {1};
  CStackRun coder;
  ASSERT_GT(coder.EncodeToFile(seed.data(), 1, 0, name.c_str()), 0);
  {
    COBitFile file(name.c_str());
    file.WriteBits(32, 24);
    file.WriteBits(1, 24);
    file.WriteBits(0, 24);
    file.PutBit(0);
    CRangeEncoder runs(4);
    runs.Start();
    runs.Encode(0, &file);
    for (int i = 0; i < 31; i++)
      runs.Encode(3, &file);
    runs.Done(&file);
    CRangeEncoder levels(4);
    levels.Start();
    levels.Encode(3, &file);
    levels.Done(&file);
  }
  std::vector<int> decoded;
  EXPECT_EQ(coder.DecodeFromFile(decoded, name.c_str()), 0);
  EXPECT_TRUE(decoded.empty());
}

TEST(StackRun, ComparisonWithPlainCoding)
{
  CTempFolder folder;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path()); // "std.bin" goes to the working folder
  std::string shown;
  auto sink = platform::SetMessageSink([&](const std::string& text, int) {
    shown = text;
    return platform::IDOK;
  });

  std::vector<int> sparse(20000, 0);
  for (std::size_t i = 0; i < sparse.size(); i += 97)
    sparse[i] = static_cast<int>(i * 7919 % 1000) - 499; // wide and rare: plain coding suffers
  CStackRun coder;
  int bits = 0;
  int stdBits = 0;
  EXPECT_EQ(coder.CompareWithStd(sparse.data(), 20000, 0, "sparse.bin", bits, stdBits), 1);
  EXPECT_EQ(static_cast<std::size_t>(stdBits), 8 * ReadBytes(folder.File("std.bin")).size());
  ASSERT_LT(bits, stdBits);
  const double gain = double(stdBits - bits) / stdBits * 100.0;
  EXPECT_EQ(shown, platform::Format("Stack-Run : %d\r\nStd : %d\r\nGain : %g %%", bits, stdBits, gain));

  std::vector<int> dense(2000);
  for (std::size_t i = 0; i < dense.size(); i++)
    dense[i] = static_cast<int>(i % 2) + 1; // no zeros: plain coding wins
  EXPECT_EQ(coder.CompareWithStd(dense.data(), 2000, 0, "dense.bin", bits, stdBits), 1);
  EXPECT_GT(bits, stdBits);
  EXPECT_EQ(shown, platform::Format("Stack-Run : %d\r\nStd : %d\r\nLOSSES", bits, stdBits));

  platform::SetMessageSink(sink);
  std::filesystem::current_path(previous);
}

TEST(StackRun, GeneratedSignalsAreSparseAndSmall)
{
  CStackRun coder;
  const std::vector<int> signal = coder.GenerateSignal(5000);
  ASSERT_EQ(signal.size(), 5000u);
  int zeros = 0;
  for (int v : signal) {
    EXPECT_LE(std::abs(v), 20); // a draw of 32767 gives 20
    zeros += v == 0;
  }
  EXPECT_GT(zeros, 2500); // runs average about 100 zeros, one draw in ten
  EXPECT_TRUE(coder.GenerateSignal(0).empty());
  CTempFolder folder;
  EXPECT_EQ(RoundTrip(folder, signal, -6), signal);
}
