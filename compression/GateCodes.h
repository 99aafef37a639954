#pragma once

#include <vector>

// Statistics and rewrites of a gate coder's code sequence.
namespace gate {

unsigned int MaxCode(const std::vector<unsigned int>& codes);
int CountCode(const std::vector<unsigned int>& codes, unsigned int value);
// Number of codes of each value from 0 to the largest.
std::vector<int> CodeHistogram(const std::vector<unsigned int>& codes);
// One "%d\n" line per code; 0 when the file cannot be written.
int WriteCodesText(const std::vector<unsigned int>& codes, const char* fileName);
// A create immediately followed by a mesh CW (0 2) becomes the packed pair 4.
std::vector<unsigned int> PackPairs(const std::vector<unsigned int>& codes);
// Every run of at least 5 packed pairs becomes one code equal to the run's length.
void ReplacePairRuns(std::vector<unsigned int>* pCodes);

} // namespace gate
