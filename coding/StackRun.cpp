#include "coding/StackRun.h"

#include "coding/RangeDecoder.h"
#include "coding/RangeEncoder.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Random.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <ctime>

namespace {

constexpr std::uint8_t Negative = 2;
constexpr std::uint8_t Positive = 3;
constexpr std::uint8_t RunDigit = 2; // run digits 0 and 1 are sent as 2 and 3
constexpr int MaxLevelDigits = 33;   // |value + shift| + 1 needs up to 33 bits
constexpr int MaxRunDigits = 31;     // a run is at most INT_MAX long

int CodeSection(const std::vector<std::uint8_t>& symbols, COBitStream* file)
{
  CRangeEncoder encoder(4);
  if (!encoder.Start())
    return 0;
  for (std::uint8_t symbol : symbols)
    encoder.Encode(symbol, file);
  return encoder.Done(file);
}

// Exactly length symbols followed by the end symbol.
int DecodeSection(CIBitStream* file, std::uint32_t length, std::vector<std::uint8_t>& symbols)
{
  symbols.clear();
  CRangeDecoder decoder(4);
  if (!decoder.Start(file))
    return 0;
  std::uint32_t symbol = 0;
  while (symbols.size() <= length && decoder.Decode(&symbol, file))
    symbols.push_back(static_cast<std::uint8_t>(symbol));
  return decoder.Done(file) && symbols.size() == length;
}

// Plain order-0 range coding of the values, for comparison.
int EncodePlain(const int* values, int size, const char* fileName)
{
  const auto [low, high] = size > 0 ? std::minmax_element(values, values + size)
                                    : std::pair<const int*, const int*>{nullptr, nullptr};
  const std::int64_t min = low ? *low : 0;
  const std::int64_t max = high ? *high : 0;
  if (max - min + 1 >= CFrequencyModel::MaxSymbols)
    return 0;
  COBitFile file(fileName);
  CRangeEncoder encoder(static_cast<std::uint32_t>(max - min + 1));
  if (!file.IsValid() || !encoder.Start())
    return 0;
  for (int i = 0; i < size; i++)
    encoder.Encode(static_cast<std::uint32_t>(values[i] - min), &file);
  if (!encoder.Done(&file))
    return 0;
  file.FlushStream();
  return file.IsValid() ? static_cast<int>(file.GetTotalBits()) : 0;
}

} // namespace

void CStackRun::CItem::Set(std::int64_t value)
{
  Sign = value < 0 ? 1 : 0;
  const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  // An int plus a 24-bit shift needs at most 33 digits; the bound also keeps writes in Digit.
  const std::uint64_t digits = std::max<std::uint64_t>(std::bit_width(magnitude), 1);
  NbDigit = static_cast<std::uint8_t>(std::min<std::uint64_t>(digits, sizeof Digit));
  for (int i = 0; i < NbDigit; i++)
    Digit[i] = static_cast<std::uint8_t>((magnitude >> i) & 1);
}

int CStackRun::Encode(const int* values, int size, int shift, COBitStream* file)
{
  m_Result = 0;
  const std::uint32_t shiftMagnitude =
      shift < 0 ? 0u - static_cast<std::uint32_t>(shift) : static_cast<std::uint32_t>(shift);
  if (size < 0 || size > MaxSignalSize || shiftMagnitude > MaxFieldValue || !file->IsValid())
    return 0;
  if (!BuildItems(values, size, shift))
    return 0;
  ImproveItems();
  Interleave();
  if (m_RunBuffer.size() > MaxFieldValue || m_LevelBuffer.size() > MaxFieldValue)
    return 0;

  file->WriteBits(static_cast<std::uint32_t>(m_RunBuffer.size()), 24);
  file->WriteBits(static_cast<std::uint32_t>(m_LevelBuffer.size()), 24);
  file->WriteBits(shiftMagnitude, 24);
  file->PutBit(shift < 0 ? 1 : 0);
  if (!CodeSection(m_RunBuffer, file) || !CodeSection(m_LevelBuffer, file))
    return 0;
  file->FlushStream();
  if (!file->IsValid())
    return 0;
  m_Result = static_cast<int>(file->GetTotalBits());
  return m_Result;
}

int CStackRun::EncodeToFile(const int* values, int size, int shift, const char* fileName)
{
  COBitStream stream;
  const int bits = Encode(values, size, shift, &stream);
  if (!bits || !stream.WriteFile(fileName)) {
    m_Result = 0;
    return 0;
  }
  return bits;
}

int CStackRun::CompareWithStd(const int* values, int size, int shift, const char* fileName,
                              int& bits, int& stdBits)
{
  bits = EncodeToFile(values, size, shift, fileName);
  stdBits = EncodePlain(values, size, "std.bin");
  if (!bits || !stdBits)
    return 0;
  const double gain = stdBits >= bits ? double(stdBits - bits) / stdBits * 100.0 : 0.0;
  if (gain != 0.0)
    platform::MessageBox(
        platform::Format("Stack-Run : %d\r\nStd : %d\r\nGain : %g %%", bits, stdBits, gain));
  else
    platform::MessageBox(platform::Format("Stack-Run : %d\r\nStd : %d\r\nLOSSES", bits, stdBits));
  return 1;
}

// A level for each non-zero value, a run for each maximal stretch of zeros.
int CStackRun::BuildItems(const int* values, int size, int shift)
{
  m_Items.clear();
  std::int64_t run = 0;
  const auto closeRun = [&] {
    if (run == 0)
      return;
    CItem item;
    item.Set(run);
    item.Value = run;
    for (int d = 0; d < item.NbDigit; d++)
      item.Digit[d] += RunDigit;
    m_Items.push_back(item);
    run = 0;
  };
  for (int i = 0; i < size; i++) {
    const std::int64_t value = std::int64_t(values[i]) + shift;
    if (value == 0) {
      run++;
      continue;
    }
    closeRun();
    // Every item puts at least one symbol into the run buffer, whose length has 24 bits.
    if (m_Items.size() >= MaxFieldValue)
      return 0;
    CItem item;
    item.Set(value);
    item.Type = 1;
    item.Value = value;
    m_Items.push_back(item);
  }
  closeRun();
  return 1;
}

// Levels move one away from zero, so that their top digit is always 1 and need not be
// sent; even runs drop their top digit too, and the run of 5 its last.
void CStackRun::ImproveItems()
{
  for (CItem& item : m_Items) {
    if (item.Type == 1) {
      const std::int64_t value = item.Value;
      item.Set(value < 0 ? value - 1 : value + 1);
      item.Value = value;
      item.NbDigit--;
      continue;
    }
    if (item.Digit[0] == RunDigit && item.NbDigit > 1)
      item.NbDigit--;
    if (item.Value == 5)
      item.NbDigit--;
  }
}

void CStackRun::Interleave()
{
  m_RunBuffer.clear();
  m_LevelBuffer.clear();
  for (const CItem& item : m_Items) {
    if (item.Type == 0) {
      m_RunBuffer.insert(m_RunBuffer.end(), item.Digit, item.Digit + item.NbDigit);
      continue;
    }
    m_RunBuffer.push_back(item.Digit[0]);
    m_LevelBuffer.insert(m_LevelBuffer.end(), item.Digit + 1, item.Digit + item.NbDigit);
    m_LevelBuffer.push_back(item.Sign ? Negative : Positive);
  }
}

int CStackRun::Decode(std::vector<int>& values, CIBitStream* file)
{
  values.clear();
  const std::uint32_t runLength = file->BReadBits(24);
  const std::uint32_t levelLength = file->BReadBits(24);
  const std::int64_t shiftMagnitude = file->BReadBits(24);
  const std::int64_t shift = file->ReadBit() ? -shiftMagnitude : shiftMagnitude;
  if (file->IsPastEnd() || !DecodeSection(file, runLength, m_RunBuffer) ||
      !DecodeSection(file, levelLength, m_LevelBuffer))
    return 0;
  return ReadItems(shift, values);
}

int CStackRun::DecodeFromFile(std::vector<int>& values, const char* fileName)
{
  CIBitFile file(fileName);
  return Decode(values, &file);
}

namespace {

// Undoes the improvement of a run and gives its length (digits are 2 and 3).
std::int64_t RunValue(std::vector<std::uint8_t>& digits)
{
  if (digits[0] == RunDigit)
    digits.push_back(RunDigit + 1);
  if (digits.size() == 2 && digits[0] == RunDigit + 1 && digits[1] == RunDigit)
    digits.push_back(RunDigit + 1);
  if (digits.size() > MaxRunDigits)
    return -1;
  std::int64_t value = 0;
  for (std::size_t i = 0; i < digits.size(); i++)
    value |= std::int64_t(digits[i] - RunDigit) << i;
  return value;
}

} // namespace

// Parses the two buffers back into values; every length is checked before it is used.
int CStackRun::ReadItems(std::int64_t shift, std::vector<int>& values) const
{
  std::size_t level = 0;
  std::vector<std::uint8_t> digits;
  const auto fail = [&values] {
    values.clear();
    return 0;
  };
  for (std::size_t i = 0; i < m_RunBuffer.size();) {
    digits.clear();
    if (m_RunBuffer[i] >= RunDigit) {
      while (i < m_RunBuffer.size() && m_RunBuffer[i] >= RunDigit)
        digits.push_back(m_RunBuffer[i++]);
      const std::int64_t run = RunValue(digits);
      if (run < 0 || std::int64_t(values.size()) + run > MaxSignalSize)
        return fail();
      values.insert(values.end(), static_cast<std::size_t>(run), static_cast<int>(-shift));
      continue;
    }
    digits.push_back(m_RunBuffer[i++]);
    while (level < m_LevelBuffer.size() && m_LevelBuffer[level] < RunDigit)
      digits.push_back(m_LevelBuffer[level++]);
    if (level == m_LevelBuffer.size() || digits.size() >= MaxLevelDigits)
      return fail();
    const bool negative = m_LevelBuffer[level++] == Negative;
    std::int64_t magnitude = std::int64_t(1) << digits.size();
    for (std::size_t d = 0; d < digits.size(); d++)
      magnitude |= std::int64_t(digits[d]) << d;
    const std::int64_t value = (negative ? 1 - magnitude : magnitude - 1) - shift;
    if (value < INT_MIN || value > INT_MAX || std::int64_t(values.size()) >= MaxSignalSize)
      return fail();
    values.push_back(static_cast<int>(value));
  }
  return level == m_LevelBuffer.size() ? 1 : fail();
}

std::vector<int> CStackRun::GenerateSignal(int n)
{
  platform::Srand(static_cast<unsigned int>(std::time(nullptr)));
  std::vector<int> signal(static_cast<std::size_t>(std::max(n, 0)), 0);
  for (int i = 0; i < n;) {
    const int sign = platform::Rand() < 16383 ? -1 : 1;
    if (platform::Rand() > 6553) {
      signal[i++] = sign * static_cast<int>(platform::Rand() / 32767.0 * 20.0);
      continue;
    }
    const int run = static_cast<int>(platform::Rand() / 32767.0 * 200.0);
    i += std::min(run, n - i); // the zeros are already there
  }
  return signal;
}
