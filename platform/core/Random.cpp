#include "platform/core/Random.h"

namespace platform {

namespace {
unsigned int g_RandState = 1;
}

int Rand()
{
  g_RandState = g_RandState * 214013u + 2531011u;
  return static_cast<int>((g_RandState >> 16) & 0x7fff);
}

void Srand(unsigned int seed)
{
  g_RandState = seed;
}

} // namespace platform
