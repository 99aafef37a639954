#pragma once

#include "platform/core/Clock.h"

#include <algorithm>

// Wall-clock seconds of a command's work, from construction to Stop. A time of a millisecond
// or less counts as one millisecond, so that no rate a command reports is infinite.
class CCommandTimer
{
public:
  CCommandTimer() : m_Start(platform::GetTickMs()), m_Stop(m_Start) {}

  void Stop() { m_Stop = platform::GetTickMs(); }
  double Seconds() const { return std::max(static_cast<double>(m_Stop - m_Start) / 1000.0, 0.001); }
  double Rate(double count) const { return count / Seconds(); }

private:
  long long m_Start;
  long long m_Stop;
};
