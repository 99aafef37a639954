#include "coding/RangeCoderBase.h"

std::uint32_t CRangeCoderBase::IntPower(std::uint32_t n, std::uint32_t k)
{
  std::uint32_t power = 1;
  for (std::uint32_t i = 0; i < k; i++)
    power *= n;
  return power;
}

namespace {

// n^k, or 0 when it does not fit the bound.
std::uint64_t BoundedPower(std::uint64_t n, std::uint32_t k, std::uint64_t bound)
{
  std::uint64_t power = 1;
  for (std::uint32_t i = 0; i < k; i++) {
    power *= n;
    if (power > bound)
      return 0;
  }
  return power;
}

} // namespace

int CRangeCoderBase::StartModels(std::uint32_t order, const int* table, bool decoder)
{
  FreeModels();
  m_Failed = true;
  if (m_NbSymbol >= CFrequencyModel::MaxSymbols || (order > 0 && m_NbSymbol == 0))
    return 0;
  const std::uint64_t entries = m_NbSymbol + 2;
  const std::uint64_t nbModel = BoundedPower(m_NbSymbol, order, MaxModelEntries / entries);
  if (nbModel == 0)
    return 0;

  if (!m_Initial.Initialise(static_cast<int>(m_NbSymbol + 1), table, decoder))
    return 0;
  m_NbModel = static_cast<std::uint32_t>(nbModel);
  if (nbModel <= MaxEagerModels)
    m_Models.assign(nbModel, m_Initial);
  else if (nbModel <= MaxIndexedModels)
    m_Slots.assign(nbModel, 0);
  m_Order = order;
  m_Context = 0;
  m_ContextModulo = order > 0 ? IntPower(m_NbSymbol, order - 1) : 1;
  m_Failed = false;
  m_Started = true;
  return 1;
}

void CRangeCoderBase::FreeModels()
{
  m_Models = {};
  m_Slots = {};
  m_IndexedModels = {};
  m_LazyModels = {};
  m_Initial = CFrequencyModel();
  m_NbModel = 0;
  m_Order = 0;
  m_Context = 0;
  m_ContextModulo = 1;
  m_Started = false;
}

const CFrequencyModel& CRangeCoderBase::GetModel(std::uint32_t context) const
{
  if (!m_Models.empty())
    return m_Models[context];
  if (!m_Slots.empty())
    return m_Slots[context] ? m_IndexedModels[m_Slots[context] - 1] : m_Initial;
  const auto found = m_LazyModels.find(context);
  return found == m_LazyModels.end() ? m_Initial : found->second;
}
