#pragma once

// The program's own pseudo-random generator, so that random algorithms give the same
// results on every machine: linear congruential, multiplier 214013, increment 2531011,
// result bits 16 to 30 of the state. Seeded with 1 until Srand is called.
namespace platform {

constexpr int RandMax = 32767;

int Rand();
void Srand(unsigned int seed);

} // namespace platform
