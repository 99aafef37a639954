#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Prints the runs as the console does and keeps the best time of every benchmark named
// "<route>/<size>", so that a summary can set routes of the same run side by side: the machine
// is shared, and only ratios within one run hold.
class CBestTimeReporter : public benchmark::ConsoleReporter
{
public:
  enum class EClock { Real, Cpu };
  explicit CBestTimeReporter(EClock clock = EClock::Real) : m_Clock(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override
  {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred)
        continue;
      const std::string name = run.run_name.function_name;
      const auto slash = name.rfind('/');
      const double ms = m_Clock == EClock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
      double& best = m_Best[name.substr(0, slash)][std::stoi(name.substr(slash + 1))];
      best = best > 0.0 ? std::min(best, ms) : ms;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Best time per size of a route; empty when it did not run.
  const std::map<int, double>& Best(const std::string& route) const
  {
    static const std::map<int, double> none;
    const auto it = m_Best.find(route);
    return it == m_Best.end() ? none : it->second;
  }

  // Least-squares slope of log time over log size.
  double Exponent(const std::string& route) const
  {
    const std::map<int, double>& times = Best(route);
    if (times.size() < 2)
      return 0.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(times.size());
    for (const auto& [size, ms] : times) {
      const double x = std::log(size), y = std::log(ms);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
  }

  // One line: the route's time over the peer's at every size both ran.
  void PrintRatios(const std::string& ours, const std::string& peer) const
  {
    const std::map<int, double>& a = Best(ours);
    const std::map<int, double>& b = Best(peer);
    if (a.empty() || b.empty())
      return;
    std::printf("  %-20s over %-18s exponent %.2f  ratio", ours.c_str(), peer.c_str(),
                Exponent(ours));
    for (const auto& [size, ms] : a) {
      const auto other = b.find(size);
      if (other != b.end())
        std::printf("  %d: %.2f", size, ms / other->second);
    }
    std::printf("\n");
  }

private:
  EClock m_Clock;
  std::map<std::string, std::map<int, double>> m_Best;
};
