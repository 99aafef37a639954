#pragma once

#include "coding/FrequencyModel.h"

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

// What the range encoder and decoder share: the alphabet of n data symbols plus the end
// symbol n, the count of coded symbols, and the frequency models with their context. Order
// 0 has one model; order k one model per sequence of the k previous symbols, numbered
// history[0] + history[1] * n + ... + history[k-1] * n^(k-1), history[0] the most recent.
class CRangeCoderBase
{
public:
  explicit CRangeCoderBase(std::uint32_t nbSymbol) : m_NbSymbol(nbSymbol) {}

  CRangeCoderBase(const CRangeCoderBase&) = delete;
  CRangeCoderBase& operator=(const CRangeCoderBase&) = delete;

  std::uint32_t GetNbSymbol() const { return m_NbSymbol; }
  std::uint32_t GetNbCoded() const { return m_NbCoded; }
  std::uint32_t GetOrder() const { return m_Order; }
  std::uint32_t GetContext() const { return m_Context; }
  std::uint32_t GetNbModel() const { return m_NbModel; }
  // A context not used yet answers with the initial model.
  const CFrequencyModel& GetModel(std::uint32_t context) const;
  // Models actually built: every one when there are few, else only those of the contexts met.
  std::size_t GetNbBuiltModel() const
  {
    return m_Models.size() + m_IndexedModels.size() + m_LazyModels.size();
  }
  // 0 once a start was refused, a symbol could not be coded or the input was bad.
  int IsValid() const { return m_Failed ? 0 : 1; }

  // n^k in 32-bit arithmetic, 1 for k = 0.
  static std::uint32_t IntPower(std::uint32_t n, std::uint32_t k);

  // Room for the tables of all models, counted in entries: beyond it a start is refused
  // rather than exhausting memory.
  static constexpr std::uint64_t MaxModelEntries = std::uint64_t(1) << 26;
  // Up to this many contexts every model is built at the start; beyond, a model is built
  // when its context first comes, so that a short section costs what it codes.
  static constexpr std::uint64_t MaxEagerModels = 1024;
  // Up to this many contexts, the models built on demand are found through a table of slots
  // rather than hashed: a few bytes per context buy a lookup per symbol.
  static constexpr std::uint64_t MaxIndexedModels = std::uint64_t(1) << 16;

protected:
  // Order 0 with an optional initial table of n + 1 frequencies, or n^order uniform
  // models. 0 when refused: alphabet above 4095 data symbols, an invalid table, or too
  // many contexts.
  int StartModels(std::uint32_t order, const int* table, bool decoder);
  void FreeModels();

  CFrequencyModel& CurrentModel()
  {
    return m_Models.empty() ? LazyModel(m_Context) : m_Models[m_Context];
  }

  void PushSymbol(std::uint32_t symbol)
  {
    if (m_Order)
      m_Context = symbol + m_NbSymbol * (m_Context % m_ContextModulo);
  }

  std::uint32_t m_NbSymbol;
  std::uint32_t m_NbCoded = 0;
  bool m_Started = false;
  bool m_Failed = false;

private:
  std::uint32_t m_Order = 0;
  std::uint32_t m_Context = 0;
  std::uint32_t m_ContextModulo = 1; // n^(k-1): drops the oldest symbol of the history
  std::uint32_t m_NbModel = 0;
  CFrequencyModel m_Initial;
  std::vector<CFrequencyModel> m_Models;
  std::vector<std::uint32_t> m_Slots;          // per context: 1 + index in m_IndexedModels, or 0
  std::deque<CFrequencyModel> m_IndexedModels; // a deque keeps the models in place as it grows
  std::unordered_map<std::uint32_t, CFrequencyModel> m_LazyModels;

  CFrequencyModel& LazyModel(std::uint32_t context)
  {
    if (m_Slots.empty())
      return m_LazyModels.try_emplace(context, m_Initial).first->second;
    std::uint32_t& slot = m_Slots[context];
    if (slot == 0) {
      m_IndexedModels.push_back(m_Initial);
      slot = static_cast<std::uint32_t>(m_IndexedModels.size());
    }
    return m_IndexedModels[slot - 1];
  }
};
