#include "coding/RangeDecoder.h"

#include <algorithm>
#include <array>

namespace {

// Widths of an interval by slices of 2^kClearShift.
constexpr int kClearShift = 6;

// Per slice of widths, a range above which four steps of a run of a symbol of such a width
// stay above Bottom: a step leaves at least range * q - width for q = width / 4096, so three
// leave at least range * q^3 - 3 width, which the least width of the slice and the most of
// the total bound. Above 2^32 (no range) for the narrow slices.
constexpr std::array<std::uint64_t, (CFrequencyModel::Total >> kClearShift) + 1> ClearOfBottom()
{
  std::array<std::uint64_t, (CFrequencyModel::Total >> kClearShift) + 1> clear{};
  const std::uint64_t above = (std::uint64_t(1) << 23) + 3 * std::uint64_t(CFrequencyModel::Total);
  for (std::size_t i = 0; i < clear.size(); i++) {
    const std::uint64_t width = std::uint64_t(i) << kClearShift;
    const std::uint64_t cube = width * width * width;
    clear[i] = cube == 0 ? ~std::uint64_t(0) : (above << (3 * CFrequencyModel::LogTotal)) / cube + 1;
    if (clear[i] > ~std::uint32_t(0))
      clear[i] = ~std::uint64_t(0);
  }
  return clear;
}

constexpr auto kClearOfBottom = ClearOfBottom();

} // namespace

int CRangeDecoder::StartOrderK(CIBitStream* file, std::uint32_t order)
{
  if (!StartModels(order, nullptr, true))
    return 0;
  m_SawEnd = false;
  // Every section begins with the byte 0x00 and must lie inside the file.
  if (StartDecoding(file) != 0 || file->IsPastEnd()) {
    FreeModels();
    m_Failed = true;
    return 0;
  }
  return 1;
}

int CRangeDecoder::DecodeSymbol(std::uint32_t* symbol, CIBitStream* file)
{
  if (m_SawEnd)
    return 0;
  if (!m_Started || m_Failed) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  m_Help = m_Range >> CFrequencyModel::LogTotal;
  if (file->IsPastEnd()) {
    m_Failed = true;
    return 0;
  }
  CFrequencyModel& model = CurrentModel();
  const int s = model.SearchScaled(m_Low, m_Help);
  m_NbCoded++;
  if (static_cast<std::uint32_t>(s) == m_NbSymbol) {
    m_SawEnd = true;
    return 0;
  }
  Narrow(model.GetFrequency(s), model.GetCumulative(s), false);
  if (!model.Update(s)) {
    m_Failed = true;
    return 0;
  }
  *symbol = static_cast<std::uint32_t>(s);
  PushSymbol(*symbol);
  return 1;
}

std::size_t CRangeDecoder::DecodeSymbols(std::uint32_t* out, std::size_t count, std::uint32_t stop,
                                         CIBitStream* file)
{
  std::size_t n = 0;
  // Contexts change with every symbol: those go one call at a time, and so does an alphabet
  // of the end symbol alone, which leaves no symbol to start a run.
  if (GetOrder() != 0 || m_NbSymbol == 0 || m_SawEnd || !m_Started || m_Failed ||
      file->IsPastEnd()) {
    std::uint32_t symbol = 0;
    while (n < count && DecodeSymbol(&symbol, file)) {
      out[n++] = symbol;
      if (symbol == stop)
        break;
    }
    return n;
  }
  CFrequencyModel& model = CurrentModel();
  std::uint32_t low = m_Low;
  std::uint32_t range = m_Range;
  std::uint32_t help = m_Help;
  std::uint32_t coded = 0;
  std::uint32_t buffer = m_Buffer;
  std::uint32_t read = m_NbByteRead;
  std::uint32_t tail = m_Tail;
  // The last symbol, its interval, and the updates of it not yet given to the model: a run
  // narrows by its interval alone while no rescale falls within it.
  std::uint32_t last = 0;
  std::uint32_t start = model.GetCumulative(0);
  std::uint32_t end = model.GetCumulative(1);
  int run = 0;
  int left = model.GetLeft();
  const bool counted = model.GetNbSymbol() <= CFrequencyModel::CountedSymbols;
  while (n < count) {
    if (range <= Bottom) {
      // Normalize on the locals.
      do {
        low = (low << 8) | ((buffer << ExtraBits) & 0xFF);
        buffer = file->GetAlignedByte();
        read++;
        tail = (tail << 8) | buffer;
        low |= buffer >> 1;
        range <<= 8;
      } while (range <= Bottom);
      if (file->IsPastEnd()) {
        help = range >> CFrequencyModel::LogTotal;
        m_Failed = true;
        break;
      }
    }
    help = range >> CFrequencyModel::LogTotal;
    // Where low lies in the last symbol's interval, no other interval holds it. Asked of
    // small alphabets only: in a large one the same symbol seldom comes twice running, and a
    // guess of it missed costs more than the search.
    const bool again = counted && low - help * start < help * (end - start);
    if (again && run < left) {
      low -= help * start;
      range = help * (end - start);
      run++;
      coded++;
      out[n++] = last;
      if (last == stop)
        break;
      // The run goes on on its own, while no byte comes in, no rescale falls and the count
      // is not reached: the steps above for each of its symbols, with nothing else asked and
      // so nothing held outside the registers. It ends where they would leave the run; a
      // symbol that is not the last is never tried here, but searched at once.
      const std::uint32_t width = end - start;
      const std::size_t most = std::min(count - n, static_cast<std::size_t>(left - run));
      std::size_t k = 0;
      // Four steps at a time with no test of the count or of Bottom between them, from a
      // range far enough above Bottom (ClearOfBottom) that four steps cannot reach it. The
      // last steps before Bottom, and those of a rare symbol, go one at a time.
      static_assert(Bottom == std::uint32_t(1) << 23, "kClearOfBottom is worked out for this Bottom");
      const std::uint64_t clear = kClearOfBottom[width >> kClearShift];
      while (k + 4 <= most && range > clear) {
        int step = 0;
        for (; step < 4; step++) {
          const std::uint32_t h = range >> CFrequencyModel::LogTotal;
          const std::uint32_t rest = low - h * start;
          if (rest >= h * width)
            break;
          help = h;
          low = rest;
          range = h * width;
          out[n + k + static_cast<std::size_t>(step)] = last;
        }
        k += static_cast<std::size_t>(step);
        if (step < 4)
          break;
      }
      while (k < most && range > Bottom) {
        const std::uint32_t h = range >> CFrequencyModel::LogTotal;
        const std::uint32_t rest = low - h * start;
        if (rest >= h * width)
          break;
        help = h;
        low = rest;
        range = h * width;
        out[n + k++] = last;
      }
      n += k;
      run += static_cast<int>(k);
      coded += static_cast<std::uint32_t>(k);
      continue;
    }
    model.UpdateRun(static_cast<int>(last), run);
    run = 0;
    const std::uint32_t s = again ? last : static_cast<std::uint32_t>(model.SearchScaled(low, help));
    coded++;
    if (s == m_NbSymbol) {
      m_SawEnd = true;
      break;
    }
    const int symbol = static_cast<int>(s);
    low -= help * model.GetCumulative(symbol);
    range = help * model.GetFrequency(symbol);
    if (!model.Update(symbol)) {
      m_Failed = true;
      break;
    }
    out[n++] = s;
    last = s;
    start = model.GetCumulative(symbol);
    end = model.GetCumulative(symbol + 1);
    left = model.GetLeft();
    if (s == stop)
      break;
  }
  model.UpdateRun(static_cast<int>(last), run);
  m_NbCoded += coded;
  m_Buffer = static_cast<std::uint8_t>(buffer);
  m_NbByteRead = read;
  m_Tail = tail;
  m_Low = low;
  m_Range = range;
  m_Help = help;
  return n;
}

int CRangeDecoder::Finish(CIBitStream* file)
{
  if (!m_Started)
    return 0;
  const bool complete = m_SawEnd && !m_Failed;
  if (complete) {
    const CFrequencyModel& model = CurrentModel();
    const int end = static_cast<int>(m_NbSymbol);
    Narrow(model.GetFrequency(end), model.GetCumulative(end), true);
    DoneDecoding(file);
  }
  FreeModels();
  // The byte count is 24 bits wide: longer sections compare modulo 2^24.
  const bool lengthMatches = ((m_NbByteRead ^ m_Tail) & 0xFFFFFF) == 0;
  m_Failed = !complete || file->IsPastEnd() || !lengthMatches;
  return m_Failed ? 0 : 1;
}

std::uint8_t CRangeDecoder::StartDecoding(CIBitStream* file)
{
  m_NbByteRead = 0;
  m_Tail = 0;
  const std::uint8_t first = NextByte(file);
  m_Buffer = NextByte(file);
  m_Low = m_Buffer >> 1;
  m_Range = std::uint32_t(1) << ExtraBits;
  return first;
}

std::uint32_t CRangeDecoder::DecodeCulShift(int shift, CIBitStream* file)
{
  if (shift < 0 || shift > 16) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  m_Help = m_Range >> shift;
  const std::uint32_t t = m_Low / m_Help;
  return (t >> shift) ? (std::uint32_t(1) << shift) - 1 : t;
}

std::uint32_t CRangeDecoder::DecodeCulFreq(std::uint32_t total, CIBitStream* file)
{
  if (total == 0 || total > 65536) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  m_Help = m_Range / total;
  const std::uint32_t t = m_Low / m_Help;
  return t >= total ? total - 1 : t;
}

void CRangeDecoder::DecodeUpdate(std::uint32_t symf, std::uint32_t cumf, std::uint32_t total)
{
  // An empty or outside interval would leave a range of zero, which never normalises.
  if (symf == 0 || symf > total || cumf > total - symf) {
    m_Failed = true;
    return;
  }
  Narrow(symf, cumf, cumf + symf >= total);
}

std::uint32_t CRangeDecoder::DecodeByte(CIBitStream* file)
{
  const std::uint32_t value = DecodeCulShift(8, file);
  DecodeUpdate(1, value, 256);
  return value;
}

std::uint32_t CRangeDecoder::DecodeShort(CIBitStream* file)
{
  const std::uint32_t value = DecodeCulShift(16, file);
  DecodeUpdate(1, value, 65536);
  return value;
}
