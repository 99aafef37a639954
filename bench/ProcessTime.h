#pragma once

#include <chrono>
#include <ctime>

// Processor time of the whole process, in seconds: on a machine shared with other jobs it
// varies far less than the wall clock, and it counts work done on worker threads too.
inline double ProcessSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Wall-clock seconds on the steady clock, for the coders that write files: their time waiting
// on the system counts.
inline double WallSeconds()
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
