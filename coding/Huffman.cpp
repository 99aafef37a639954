#include "coding/Huffman.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int NbNode = 514;
constexpr int FirstInternal = 257;
constexpr int Sentinel = 513;

struct CNode
{
  std::uint32_t Count = 0;
  std::uint32_t Child[2] = {0, 0};
};

// Counts scaled so that the largest fits 8 bits while no occurring symbol drops to 0; the
// end symbol counts 1. An empty input counts symbol 0 once.
void ScaleCounts(const std::vector<unsigned int>& input, std::array<CNode, NbNode>& nodes)
{
  std::array<std::uint32_t, 256> counts{};
  for (unsigned int symbol : input)
    counts[symbol]++;
  std::uint32_t largest = *std::max_element(counts.begin(), counts.end());
  if (largest == 0) {
    counts[0] = 1;
    largest = 1;
  }
  const std::uint32_t ratio = largest / 255 + 1;
  for (int i = 0; i < 256; i++) {
    nodes[i].Count = counts[i] / ratio;
    if (nodes[i].Count == 0 && counts[i] != 0)
      nodes[i].Count = 1;
  }
  nodes[CHuffman::EndSymbol].Count = 1;
  nodes[Sentinel].Count = 65535;
}

// Joins the two smallest counts until one node is left; among equal counts the lower
// index is taken first. Returns the root.
int BuildTree(std::array<CNode, NbNode>& nodes)
{
  int next = FirstInternal;
  for (;;) {
    int min1 = Sentinel;
    int min2 = Sentinel;
    for (int i = 0; i < next; i++) {
      const std::uint32_t count = nodes[i].Count;
      if (count == 0)
        continue;
      if (count < nodes[min1].Count) {
        min2 = min1;
        min1 = i;
      } else if (count < nodes[min2].Count) {
        min2 = i;
      }
    }
    if (min2 == Sentinel)
      return next - 1;
    nodes[next].Count = nodes[min1].Count + nodes[min2].Count;
    nodes[next].Child[0] = static_cast<std::uint32_t>(min1);
    nodes[next].Child[1] = static_cast<std::uint32_t>(min2);
    nodes[min1].Count = 0;
    nodes[min2].Count = 0;
    next++;
  }
}

} // namespace

int CHuffman::Encode(const std::vector<unsigned int>& input, std::vector<unsigned int>& output)
{
  if (std::any_of(input.begin(), input.end(), [](unsigned int s) { return s > 255; }))
    return 0;
  std::array<CNode, NbNode> nodes{};
  ScaleCounts(input, nodes);
  const int root = BuildTree(nodes);

  // Walk down from the root: each branch appends its bit on the right of the code.
  m_Codes = {};
  std::vector<std::pair<int, CCode>> stack{{root, CCode{}}};
  while (!stack.empty()) {
    const auto [node, code] = stack.back();
    stack.pop_back();
    if (node <= EndSymbol) {
      m_Codes[node] = code;
      continue;
    }
    for (std::uint32_t bit = 0; bit < 2; bit++)
      stack.push_back({static_cast<int>(nodes[node].Child[bit]),
                       CCode{code.Code * 2 + bit, code.Length + 1}});
  }

  const auto emit = [&](int symbol) {
    const CCode& code = m_Codes[symbol];
    for (std::uint32_t i = 0; i < code.Length; i++)
      output.push_back((code.Code >> i) & 1);
  };
  for (unsigned int symbol : input)
    emit(static_cast<int>(symbol));
  emit(EndSymbol);
  return 1;
}
