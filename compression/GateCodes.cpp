#include "compression/GateCodes.h"

#include "platform/core/Format.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace gate {

unsigned int MaxCode(const std::vector<unsigned int>& codes)
{
  return codes.empty() ? 0 : *std::max_element(codes.begin(), codes.end());
}

int CountCode(const std::vector<unsigned int>& codes, unsigned int value)
{
  return static_cast<int>(std::count(codes.begin(), codes.end(), value));
}

std::vector<int> CodeHistogram(const std::vector<unsigned int>& codes)
{
  std::vector<int> histogram(codes.empty() ? 0 : MaxCode(codes) + 1, 0);
  for (const unsigned int code : codes)
    histogram[code]++;
  return histogram;
}

int WriteCodesText(const std::vector<unsigned int>& codes, const char* fileName)
{
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName, "wt"),
                                                             &std::fclose);
  if (!file)
    return 0;
  for (const unsigned int code : codes)
    platform::PrintFile(file.get(), "%d\n", static_cast<int>(code));
  return std::ferror(file.get()) ? 0 : 1;
}

std::vector<unsigned int> PackPairs(const std::vector<unsigned int>& codes)
{
  std::vector<unsigned int> packed;
  packed.reserve(codes.size());
  for (std::size_t i = 0; i < codes.size(); i++) {
    if (codes[i] == 0 && i + 1 < codes.size() && codes[i + 1] == 2) {
      packed.push_back(4);
      i++;
    } else {
      packed.push_back(codes[i]);
    }
  }
  return packed;
}

void ReplacePairRuns(std::vector<unsigned int>* pCodes)
{
  std::vector<unsigned int> result;
  const std::vector<unsigned int>& codes = *pCodes;
  for (std::size_t i = 0; i < codes.size();) {
    std::size_t end = i;
    while (end < codes.size() && codes[end] == 4)
      end++;
    if (end - i >= 5) {
      result.push_back(static_cast<unsigned int>(end - i));
      i = end;
    } else {
      result.push_back(codes[i]);
      i++;
    }
  }
  *pCodes = std::move(result);
}

} // namespace gate
