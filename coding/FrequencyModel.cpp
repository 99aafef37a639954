#include "coding/FrequencyModel.h"

#include <algorithm>

namespace {

// Checks an initial table before it reaches the model: the rescale relies on the
// frequencies adding up to the total, and the end symbol must stay codable.
bool IsValidTable(int nbSymbol, const int* table)
{
  long long sum = 0;
  for (int i = 0; i < nbSymbol; i++)
    sum += table[i] & 0xFFFF;
  return sum == CFrequencyModel::Total && (table[nbSymbol - 1] & 0xFFFF) != 0;
}

#if defined(__SSE2__)
// The eight unsigned 16-bit lanes added up, widened first: no lane can carry into another.
int SumOfLanes(__m128i v)
{
  const __m128i zero = _mm_setzero_si128();
  __m128i sum = _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(sum);
}
#endif

} // namespace

int CFrequencyModel::Initialise(int nbSymbol, const int* table, bool decoder, int targetRescale)
{
  Free();
  if (nbSymbol < 1 || nbSymbol > MaxSymbols || targetRescale < 1)
    return 0;
  if (table && !IsValidTable(nbSymbol, table))
    return 0;
  m_NbSymbol = nbSymbol;
  m_TargetRescale = targetRescale;
  m_SearchShift = std::max(LogTotal - 7, 0);
  m_Cumulative.assign(nbSymbol + 1, 0);
  m_NewFrequency.assign(nbSymbol + 1, 0);
  m_Cumulative[nbSymbol] = Total;
  if (decoder && nbSymbol > CountedSymbols) {
    m_Search.assign(SearchSlices + 1, 0);
    m_Search[SearchSlices] = static_cast<std::uint16_t>(nbSymbol - 1);
  }
  if (!Reset(table)) {
    Free();
    return 0;
  }
  return 1;
}

void CFrequencyModel::Free()
{
  m_NbSymbol = 0;
  m_Cumulative = {};
  m_NewFrequency = {};
  m_Search = {};
}

int CFrequencyModel::Reset(const int* table)
{
  m_Rescale = (m_NbSymbol >> 4) | 2;
  m_NextLeft = 0;
  if (table) {
    for (int i = 0; i < m_NbSymbol; i++)
      m_NewFrequency[i] = static_cast<std::uint16_t>(table[i] & 0xFFFF);
  } else {
    const int share = Total / m_NbSymbol;
    const int extra = Total % m_NbSymbol;
    for (int i = 0; i < m_NbSymbol; i++)
      m_NewFrequency[i] = static_cast<std::uint16_t>(share + (i < extra ? 1 : 0));
  }
  return Rescale();
}

int CFrequencyModel::Rescale()
{
  if (m_NextLeft) {
    // Second stage of the interval: the remainder of the halved mass, one more per update.
    m_Increment++;
    m_Left = m_NextLeft;
    m_NextLeft = 0;
    return 1;
  }
  if (m_Rescale < m_TargetRescale)
    m_Rescale = std::min(m_Rescale * 2, m_TargetRescale);

  const int n = m_NbSymbol;
  std::uint16_t* const cumulative = m_Cumulative.data();
  std::uint16_t* const frequency = m_NewFrequency.data();
  int sum = 0;
  int kept = 0;
  // Eight symbols a vector, the last n % 8 one at a time: small alphabets rescale every
  // hundred symbols or so, and a scalar running sum, or the compiler's vector loop with its
  // set-up, costs more than the symbols between.
  int i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frequency + i));
    __m128i inclusive = _mm_add_epi16(f, _mm_slli_si128(f, 2));
    inclusive = _mm_add_epi16(inclusive, _mm_slli_si128(inclusive, 4));
    inclusive = _mm_add_epi16(inclusive, _mm_slli_si128(inclusive, 8));
    const __m128i starts = _mm_add_epi16(_mm_slli_si128(inclusive, 2), _mm_set1_epi16(static_cast<short>(sum)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cumulative + i), starts);
    sum += SumOfLanes(f);
  }
#endif
  for (; i < n; i++) {
    cumulative[i] = static_cast<std::uint16_t>(sum);
    sum += frequency[i];
  }
  if (sum != Total)
    return 0;
  i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frequency + i));
    const __m128i halved = _mm_or_si128(_mm_srli_epi16(f, 1), _mm_set1_epi16(1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frequency + i), halved);
    kept += SumOfLanes(halved);
  }
#endif
  for (; i < n; i++) {
    const auto halved = static_cast<std::uint16_t>((frequency[i] >> 1) | 1);
    frequency[i] = halved;
    kept += halved;
  }
  const int missing = Total - kept;

  m_Increment = missing / m_Rescale;
  m_NextLeft = missing % m_Rescale;
  m_Left = m_Rescale - m_NextLeft;
  if (!m_Search.empty())
    FillSearch();
  return 1;
}

// Each slice of the total gets the lowest symbol whose interval meets it: the last symbol
// whose interval starts at or before the slice's first value. Each symbol marks the first
// slice at or after its start, and a running maximum spreads the marks; no branch depends on
// the frequencies, which a scan that advances per slice mispredicts.
void CFrequencyModel::FillSearch()
{
  std::uint16_t* const search = m_Search.data();
  const std::uint16_t* const cumulative = m_Cumulative.data();
  const unsigned int round = (1u << m_SearchShift) - 1;
  std::fill(search, search + SearchSlices + 1, std::uint16_t(0));
  // Every interval but the end symbol's starts below the total: slice SearchSlices at most.
  for (int i = 1; i < m_NbSymbol; i++)
    search[(cumulative[i] + round) >> m_SearchShift] = static_cast<std::uint16_t>(i);
  for (int j = 1; j < SearchSlices; j++)
    search[j] = std::max(search[j], search[j - 1]);
  search[SearchSlices] = static_cast<std::uint16_t>(m_NbSymbol - 1);
}
