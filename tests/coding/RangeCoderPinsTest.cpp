#include "RangeReference.h"

#include "coding/FrequencyModel.h"
#include "coding/IBitStream.h"
#include "coding/OBitStream.h"
#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Symbols = std::vector<std::uint32_t>;

std::uint64_t Fnv1a(const Bytes& bytes)
{
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (std::uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

// Runs that change their statistics every few thousand symbols, so that the models keep
// rescaling towards new shapes: uniform stretches, skewed ones and long repeats.
Symbols ShiftingSymbols(std::uint32_t seed, std::uint32_t n, std::size_t count)
{
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Symbols symbols(count);
  for (std::size_t i = 0; i < count; i++) {
    const std::size_t phase = (i / 3000) % 3;
    const double u = unit(random);
    double x = u * n;
    if (phase == 1)
      x = -std::log(1.0 - u) * 2.0;
    else if (phase == 2)
      x = u < 0.9 ? static_cast<double>(n / 2) : u * n;
    symbols[i] = std::min<std::uint32_t>(static_cast<std::uint32_t>(x), n - 1);
  }
  return symbols;
}

Bytes Encode(std::uint32_t n, std::uint32_t order, const Symbols& symbols)
{
  COBitStream out;
  CRangeEncoder encoder(n);
  EXPECT_EQ(encoder.StartOrderK(order), 1);
  for (std::uint32_t s : symbols)
    encoder.EncodeOrderK(s, &out);
  EXPECT_EQ(encoder.DoneOrderK(&out), 1);
  return out.GetBytes();
}

} // namespace

// The bytes of long sections, pinned by their hash: the coder's output is a stored format, so
// any change to the arithmetic or the model shows here. Each pin is also checked against the
// independent reference coder, so the pins themselves were not taken on trust.
TEST(RangeCoderPins, LongRunsKeepTheirBytes)
{
  struct CPin
  {
    std::uint32_t N;
    std::uint32_t Order;
    std::size_t Count;
    std::size_t Size;
    std::uint64_t Hash;
  };
  const CPin pins[] = {
      {1, 0, 20000, 10, 14516291067991548524ull},
      {2, 3, 60000, 5593, 16412335991832583332ull},
      {6, 2, 60000, 15173, 12679318957877314634ull},
      {64, 1, 80000, 35533, 2337428668056464751ull},
      {255, 0, 80000, 44151, 14883264445334863201ull},
      {256, 1, 120000, 65121, 9330006925299867413ull},
      {777, 1, 60000, 39017, 8791726592562596615ull},
      {4095, 0, 120000, 180006, 15604622361407712218ull},
  };
  for (const CPin& pin : pins) {
    const Symbols symbols = ShiftingSymbols(pin.N * 31 + pin.Order, pin.N, pin.Count);
    const Bytes bytes = Encode(pin.N, pin.Order, symbols);
    CReferenceEncoder reference(static_cast<int>(pin.N), static_cast<int>(pin.Order));
    for (std::uint32_t s : symbols)
      reference.Encode(static_cast<int>(s));
    ASSERT_EQ(bytes, reference.Done()) << "n " << pin.N << " order " << pin.Order;
    EXPECT_EQ(bytes.size(), pin.Size) << "n " << pin.N << " order " << pin.Order;
    EXPECT_EQ(Fnv1a(bytes), pin.Hash) << "n " << pin.N << " order " << pin.Order;

    CIBitStream in(bytes);
    CRangeDecoder decoder(pin.N);
    ASSERT_EQ(decoder.StartOrderK(&in, pin.Order), 1);
    Symbols decoded;
    std::uint32_t s = 0;
    while (decoded.size() <= symbols.size() && decoder.DecodeOrderK(&s, &in))
      decoded.push_back(s);
    EXPECT_EQ(decoder.DoneOrderK(&in), 1);
    EXPECT_EQ(decoded, symbols) << "n " << pin.N << " order " << pin.Order;
  }
}

// Through every rescale the model's intervals are the reference's, for rescale limits from
// every update to beyond the alphabet, and the search finds what a plain scan finds.
TEST(RangeCoderPins, ModelsFollowTheReferenceForEveryRescaleLimit)
{
  std::mt19937 random(17);
  for (int m : {1, 2, 5, 33, 300, 4096}) {
    for (int target : {1, 3, 100, 257, 5000}) {
      CFrequencyModel model;
      ASSERT_EQ(model.Initialise(m, nullptr, true, target), 1);
      CReferenceModel reference(m, {}, target);
      const int hot = static_cast<int>(random() % m);
      for (int i = 0; i < 6000; i++) {
        const int s = random() % 3 ? hot : static_cast<int>(random() % m);
        ASSERT_EQ(model.Update(s), 1);
        reference.Count(s);
        if (i % 97 != 0)
          continue;
        for (int k = 0; k < m; k++)
          ASSERT_EQ(static_cast<int>(model.GetCumulative(k)), reference.Low(k))
              << "m " << m << " target " << target << " update " << i << " symbol " << k;
        int scan = 0;
        for (unsigned int c = 0; c < CFrequencyModel::Total; c++) {
          while (static_cast<int>(model.GetCumulative(scan + 1)) <= static_cast<int>(c))
            scan++;
          ASSERT_EQ(model.Search(c), scan) << "m " << m << " target " << target << " c " << c;
        }
      }
    }
  }
}

// Beyond the eager bound models are built as their contexts come, found through a slot table
// or, for very many contexts, a hash: either way the bytes are the reference's, only the
// contexts met have a model, and a context not met answers with the initial model.
TEST(RangeCoderPins, ContextsBuiltOnDemandWhetherIndexedOrHashed)
{
  struct CCase
  {
    std::uint32_t N;
    std::uint32_t Order;
  };
  // 2197 and 64000 contexts go through the slot table, 68921 and 90000 through the hash.
  for (const CCase& c : {CCase{13, 3}, CCase{40, 3}, CCase{41, 3}, CCase{300, 2}}) {
    const Symbols symbols = ShiftingSymbols(c.N + c.Order, c.N, 20000);
    COBitStream out;
    CRangeEncoder encoder(c.N);
    ASSERT_EQ(encoder.StartOrderK(c.Order), 1);
    for (std::uint32_t s : symbols)
      ASSERT_EQ(encoder.EncodeOrderK(s, &out), 1);

    // The contexts met: the first symbols see the history of zeros.
    std::vector<bool> met(encoder.GetNbModel(), false);
    std::uint32_t context = 0;
    const std::uint32_t modulo = CRangeCoderBase::IntPower(c.N, c.Order - 1);
    for (std::uint32_t s : symbols) {
      met[context] = true;
      context = s + c.N * (context % modulo);
    }
    EXPECT_EQ(context, encoder.GetContext());
    const auto nbMet = static_cast<std::size_t>(std::count(met.begin(), met.end(), true));
    EXPECT_EQ(encoder.GetNbBuiltModel(), nbMet);
    std::uint32_t unmet = 0;
    while (unmet < met.size() && met[unmet])
      unmet++;
    ASSERT_LT(unmet, met.size());
    EXPECT_EQ(encoder.GetModel(unmet).GetFrequency(0), 4096u / (c.N + 1) + (4096u % (c.N + 1) ? 1 : 0));
    EXPECT_EQ(encoder.DoneOrderK(&out), 1);

    CReferenceEncoder reference(static_cast<int>(c.N), static_cast<int>(c.Order));
    for (std::uint32_t s : symbols)
      reference.Encode(static_cast<int>(s));
    ASSERT_EQ(out.GetBytes(), reference.Done()) << "n " << c.N << " order " << c.Order;

    CIBitStream in(out.GetBytes());
    CRangeDecoder decoder(c.N);
    ASSERT_EQ(decoder.StartOrderK(&in, c.Order), 1);
    Symbols decoded;
    std::uint32_t s = 0;
    while (decoded.size() <= symbols.size() && decoder.DecodeOrderK(&s, &in))
      decoded.push_back(s);
    EXPECT_EQ(decoder.DoneOrderK(&in), 1);
    EXPECT_EQ(decoded, symbols) << "n " << c.N << " order " << c.Order;
  }
}
