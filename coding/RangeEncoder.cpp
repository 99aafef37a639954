#include "coding/RangeEncoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

int CRangeEncoder::Start()
{
  return StartTable(nullptr);
}

int CRangeEncoder::StartOrder1()
{
  return StartOrderK(1);
}

int CRangeEncoder::StartOrderK(std::uint32_t order)
{
  if (!StartModels(order, nullptr, false))
    return 0;
  StartEncoding();
  return 1;
}

int CRangeEncoder::StartTable(const int* table)
{
  if (!StartModels(0, table, false))
    return 0;
  StartEncoding();
  return 1;
}

int CRangeEncoder::StartHalf()
{
  const int m = static_cast<int>(m_NbSymbol + 1);
  if (m_NbSymbol >= CFrequencyModel::MaxSymbols)
    return StartTable(nullptr); // refused there
  const int h = m / 2;
  std::vector<int> table(m, 0);
  for (int i = 0; i < h; i++)
    table[i] = CFrequencyModel::Total / (h + 1);
  table[m - 1] = 1;
  int rest = 0;
  for (int i = 1; i < m; i++)
    rest += table[i];
  table[0] = CFrequencyModel::Total - rest;
  return StartTable(table.data());
}

int CRangeEncoder::StartPreset()
{
  static const int Preset[8] = {1, 1, 818, 818, 818, 818, 821, 1};
  if (m_NbSymbol != 7) {
    m_Failed = true;
    return 0;
  }
  return StartTable(Preset);
}

int CRangeEncoder::StartGaussian(double s)
{
  if (m_NbSymbol < 7 || m_NbSymbol >= CFrequencyModel::MaxSymbols || !(s > 0.0)) {
    m_Failed = true;
    return 0;
  }
  const int m = static_cast<int>(m_NbSymbol + 1);
  std::vector<double> g(m, 0.0);
  double sum = 0.0;
  for (int j = 3; j <= m - 2; j++) {
    g[j] = std::exp(-(j - 6.0) * (j - 6.0) / s);
    sum += g[j];
  }
  std::vector<int> table(m, 0);
  table[0] = table[1] = table[2] = table[m - 1] = 1;
  int total = 4;
  for (int j = 3; j <= m - 2; j++) {
    table[j] = static_cast<int>(std::floor(g[j] / sum * CFrequencyModel::Total));
    total += table[j];
  }
  table[6] += CFrequencyModel::Total - total;
  return StartTable(table.data());
}

int CRangeEncoder::EncodeSymbol(std::uint32_t symbol, COBitStream* file)
{
  if (!m_Started || m_Failed || symbol > m_NbSymbol) {
    m_Failed = true;
    return 0;
  }
  CFrequencyModel& model = CurrentModel();
  const int s = static_cast<int>(symbol);
  const std::uint32_t symf = model.GetFrequency(s);
  if (symf == 0) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  Narrow(m_Range >> CFrequencyModel::LogTotal, symf, model.GetCumulative(s),
         symbol == m_NbSymbol);
  m_NbCoded++;
  if (!model.Update(s)) {
    m_Failed = true;
    return 0;
  }
  PushSymbol(symbol);
  return 1;
}

int CRangeEncoder::EncodeSymbols(const std::uint32_t* symbols, std::size_t count,
                                 COBitStream* file)
{
  // Contexts change with every symbol: those go one call at a time, and so does a coder that
  // refuses already.
  if (GetOrder() != 0 || !m_Started || m_Failed) {
    for (std::size_t i = 0; i < count; i++)
      if (!EncodeSymbol(symbols[i], file))
        return 0;
    return 1;
  }
  CFrequencyModel& model = CurrentModel();
  const std::uint32_t end = m_NbSymbol;
  const std::uint16_t* const cumulative = model.GetCumulativeTable();
  std::uint32_t low = m_Low;
  std::uint32_t range = m_Range;
  std::uint32_t help = m_Help;
  std::uint32_t buffer = m_Buffer;
  std::uint32_t bytes = m_ByteCount;
  // ShiftByte on the locals.
  const auto normalize = [&] {
    while (range <= Bottom) {
      if (low < (std::uint32_t(0xFF) << ShiftBits)) {
        PutBytes(file, static_cast<std::uint8_t>(buffer), help, 0xFF);
        help = 0;
        buffer = (low >> ShiftBits) & 0xFF;
      } else if (low & Top) {
        PutBytes(file, static_cast<std::uint8_t>(buffer + 1), help, 0x00);
        help = 0;
        buffer = (low >> ShiftBits) & 0xFF;
      } else {
        help++;
      }
      range <<= 8;
      low = (low << 8) & (Top - 1);
      bytes++;
    }
  };
  // The intervals change only when an update rescales: the symbols whose updates come before
  // that, and the one whose update rescales, are coded on the same table. A run of one symbol
  // reads its interval once and gives its updates at once; the end symbol, whose interval ends
  // the range, closes a window.
  std::size_t i = 0;
  int ok = 1;
  while (i < count && ok) {
    const int plain = std::max(model.GetLeft(), 0);
    const std::size_t window = std::min(count - i, static_cast<std::size_t>(plain) + 1);
    const std::uint32_t* const next = symbols + i;
    // Unlike the first symbol, so that it is checked.
    std::uint32_t last = ~next[0];
    std::uint32_t start = 0;
    std::uint32_t frequency = 0;
    int run = 0;
    std::size_t coded = 0;
    for (; coded < window; coded++) {
      const std::uint32_t s = next[coded];
      if (s != last) {
        if (s >= end)
          break;
        start = cumulative[s];
        frequency = cumulative[s + 1] - start;
        if (frequency == 0)
          break;
        if (run > 0)
          model.UpdateRun(static_cast<int>(last), run);
        run = 0;
        last = s;
      }
      normalize();
      const std::uint32_t r = range >> CFrequencyModel::LogTotal;
      low += r * start;
      range = r * frequency;
      run++;
    }
    // Only the window's last symbol may rescale.
    if (run > 0 && coded > static_cast<std::size_t>(plain)) {
      model.UpdateRun(static_cast<int>(last), run - 1);
      ok = model.Update(static_cast<int>(last));
    } else if (run > 0) {
      model.UpdateRun(static_cast<int>(last), run);
    }
    if (ok && coded < window) {
      const std::uint32_t s = next[coded];
      const std::uint32_t symf = s == end ? cumulative[end + 1] - cumulative[end] : 0;
      if (symf == 0) {
        ok = 0;
      } else {
        normalize();
        const std::uint32_t t = (range >> CFrequencyModel::LogTotal) * cumulative[end];
        range -= t;
        low += t;
        coded++;
        if (coded <= static_cast<std::size_t>(plain))
          model.UpdateRun(static_cast<int>(end), 1);
        else
          ok = model.Update(static_cast<int>(end));
      }
    }
    i += coded;
    m_NbCoded += static_cast<std::uint32_t>(coded);
  }
  m_Low = low;
  m_Range = range;
  m_Help = help;
  m_Buffer = static_cast<std::uint8_t>(buffer);
  m_ByteCount = bytes;
  if (!ok)
    m_Failed = true;
  return ok;
}

int CRangeEncoder::Finish(COBitStream* file)
{
  if (!m_Started)
    return 0;
  // The end symbol always has a frequency, so the section closes even after a refusal.
  const bool failed = m_Failed;
  m_Failed = false;
  const int coded = EncodeSymbol(m_NbSymbol, file);
  DoneEncoding(file);
  FreeModels();
  m_Failed = failed || !coded;
  return m_Failed ? 0 : 1;
}

void CRangeEncoder::StartEncoding(std::uint8_t first)
{
  m_Low = 0;
  m_Range = Top;
  m_Buffer = first;
  m_Help = 0;
  m_ByteCount = 0;
}

int CRangeEncoder::EncodeShift(std::uint32_t symf, std::uint32_t cumf, int shift, COBitStream* file)
{
  if (shift < 0 || shift > 16 || symf == 0 || cumf + symf > (std::uint32_t(1) << shift)) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  Narrow(m_Range >> shift, symf, cumf, ((cumf + symf) >> shift) != 0);
  return 1;
}

int CRangeEncoder::EncodeFreq(std::uint32_t symf, std::uint32_t cumf, std::uint32_t total,
                              COBitStream* file)
{
  if (total == 0 || total > 65536 || symf == 0 || symf > total || cumf > total - symf) {
    m_Failed = true;
    return 0;
  }
  Normalize(file);
  Narrow(m_Range / total, symf, cumf, cumf + symf >= total);
  return 1;
}

void CRangeEncoder::PutBytes(COBitStream* file, std::uint8_t byte, std::uint32_t count,
                             std::uint8_t pending)
{
  file->PutAlignedByte(byte);
  for (; count; count--)
    file->PutAlignedByte(pending);
}

void CRangeEncoder::EmitPending(COBitStream* file, std::uint8_t byte, std::uint8_t pending)
{
  PutBytes(file, byte, m_Help, pending);
  m_Help = 0;
}

void CRangeEncoder::ShiftByte(COBitStream* file)
{
  if (m_Low < (std::uint32_t(0xFF) << ShiftBits)) {
    EmitPending(file, m_Buffer, 0xFF);
    m_Buffer = static_cast<std::uint8_t>(m_Low >> ShiftBits);
  } else if (m_Low & Top) {
    EmitPending(file, static_cast<std::uint8_t>(m_Buffer + 1), 0x00);
    m_Buffer = static_cast<std::uint8_t>(m_Low >> ShiftBits);
  } else {
    m_Help++;
  }
  m_Range <<= 8;
  m_Low = (m_Low << 8) & (Top - 1);
  m_ByteCount++;
}

void CRangeEncoder::DoneEncoding(COBitStream* file)
{
  Normalize(file);
  m_ByteCount += 5;
  std::uint32_t v = m_Low >> ShiftBits;
  if ((m_Low & (Bottom - 1)) >= (m_ByteCount >> 1))
    v++;
  if (v > 0xFF)
    EmitPending(file, static_cast<std::uint8_t>(m_Buffer + 1), 0x00);
  else
    EmitPending(file, m_Buffer, 0xFF);
  file->PutAlignedByte(static_cast<std::uint8_t>(v));
  file->PutAlignedByte(static_cast<std::uint8_t>(m_ByteCount >> 16));
  file->PutAlignedByte(static_cast<std::uint8_t>(m_ByteCount >> 8));
  file->PutAlignedByte(static_cast<std::uint8_t>(m_ByteCount));
}
