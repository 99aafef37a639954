#include "coding/RangeEncoder.h"

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

void CRangeEncoder::EmitPending(COBitStream* file, std::uint8_t byte, std::uint8_t pending)
{
  file->PutAlignedByte(byte);
  for (; m_Help; m_Help--)
    file->PutAlignedByte(pending);
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
