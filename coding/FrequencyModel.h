#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Quasi-static adaptive frequency model of the range coder. Symbols are coded with the
// intervals fixed at the last full rescale while the new frequencies accumulate; the
// rescale interval grows from (m >> 4) | 2 updates to the target. The total is always
// 4096, so that coding divides by shifting.
class CFrequencyModel
{
public:
  static constexpr int LogTotal = 12;
  static constexpr int Total = 1 << LogTotal;
  static constexpr int MaxSymbols = Total; // every symbol needs a frequency of at least 1

  // m symbols; table holds m initial frequencies (low 16 bits taken) or is null for a
  // uniform start. A decoder model of more than CountedSymbols symbols also keeps the search
  // table. 0 when the model is refused: m outside 1 .. 4096, a table whose frequencies do not
  // add up to 4096, or a last (end) symbol of zero frequency.
  int Initialise(int nbSymbol, const int* table, bool decoder, int targetRescale = 100);
  void Free();

  int GetNbSymbol() const { return m_NbSymbol; }
  unsigned int GetCumulative(int symbol) const { return m_Cumulative[symbol]; }
  unsigned int GetFrequency(int symbol) const
  {
    return static_cast<unsigned int>(m_Cumulative[symbol + 1] - m_Cumulative[symbol]);
  }

  // 0 only when a rescale finds the frequencies inconsistent (never for a valid start).
  int Update(int symbol)
  {
    if (m_Left <= 0 && !Rescale())
      return 0;
    m_Left--;
    m_NewFrequency[symbol] = static_cast<std::uint16_t>(m_NewFrequency[symbol] + m_Increment);
    return 1;
  }
  // Updates that come before the next rescale.
  int GetLeft() const { return m_Left; }
  // The interval starts, the total after the last: fixed until an update rescales, and held
  // at the same place until the model is freed.
  const std::uint16_t* GetCumulativeTable() const { return m_Cumulative.data(); }
  // As many calls to Update, for count <= GetLeft(): no rescale falls among them.
  void UpdateRun(int symbol, int count)
  {
    m_Left -= count;
    m_NewFrequency[symbol] = static_cast<std::uint16_t>(m_NewFrequency[symbol] + count * m_Increment);
  }

  // The symbol whose interval holds c (0 <= c < 4096); decoder models only. A slice of the
  // total usually meets one or a few intervals: those are counted, longer spans bisected.
  // A small alphabet has no slices: its interval starts are counted.
  int Search(unsigned int c) const
  {
    if (m_Search.empty())
      return CountStartsAtOrBelow(c, 1);
    const unsigned int slice = c >> m_SearchShift;
    int lo = m_Search[slice];
    int hi = m_Search[slice + 1] + 1;
    if (hi - lo <= ScanSpan) {
      // The symbol is lo plus the starts at or below c among the next ScanSpan: those beyond
      // the slice's last symbol start above c, and the total (the end of the table) is above
      // every c. Counted whole, no guess of where the scan stops is missed.
      const std::uint16_t* const next = m_Cumulative.data() + lo + 1;
      const int room = m_NbSymbol - lo;
#if defined(__SSE2__)
      // The starts rise, so those at or below c come first: their count is where the first
      // one above c lies, found in one compare of all eight (starts and c fit 16 signed bits).
      static_assert(ScanSpan == 8);
      if (room >= ScanSpan) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next));
        const __m128i above = _mm_cmpgt_epi16(starts, _mm_set1_epi16(static_cast<short>(c)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(above)) | 0x10000u;
        return lo + (std::countr_zero(mask) >> 1);
      }
#endif
      int count = 0;
      for (int i = 0; i < ScanSpan; i++)
        count += next[i < room ? i : room - 1] <= c ? 1 : 0;
      return lo + count;
    }
    // The interval starts rise: the last one at or below c, in [lo, hi), halving the span
    // with a select rather than a branch, since where c falls among rare symbols is no pattern.
    const std::uint16_t* const cumulative = m_Cumulative.data();
    int span = hi - lo;
    while (span > 1) {
      const int half = span >> 1;
      lo = cumulative[lo + half] <= c ? lo + half : lo;
      span -= half;
    }
    return lo;
  }

  // The symbol whose interval holds min(low / help, 4095), help > 0 and 4095 help below 2^32;
  // decoder models only. A small alphabet compares low with each interval start times help
  // (cum <= low / help exactly when cum help <= low), which costs less than the division.
  int SearchScaled(std::uint32_t low, std::uint32_t help) const
  {
    if (m_Search.empty())
      return CountStartsAtOrBelow(low, help);
    const std::uint32_t c = low / help;
    return Search(c >> LogTotal ? Total - 1 : c);
  }

  // Alphabets up to this size are searched by counting rather than through slices.
  static constexpr int CountedSymbols = 16;

private:
  // Number of symbols after the first whose interval start, times scale, is at most value.
  int CountStartsAtOrBelow(std::uint32_t value, std::uint32_t scale) const
  {
    int s = 0;
    for (int i = 1; i < m_NbSymbol; i++)
      s += static_cast<std::uint32_t>(m_Cumulative[i]) * scale <= value ? 1 : 0;
    return s;
  }

  static constexpr int SearchSlices = 128;
  static constexpr int ScanSpan = 8;

  int Reset(const int* table);
  int Rescale();
  void FillSearch();

  int m_NbSymbol = 0;
  int m_Left = 0;
  int m_NextLeft = 0;
  int m_Rescale = 0;
  int m_TargetRescale = 0;
  int m_Increment = 0;
  int m_SearchShift = 0;
  std::vector<std::uint16_t> m_Cumulative;
  std::vector<std::uint16_t> m_NewFrequency;
  std::vector<std::uint16_t> m_Search; // empty for an encoder model or a small alphabet
};
