#include "platform/core/Clock.h"

#include <chrono>
#include <thread>

namespace platform {

long long GetTickMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Sleep(int ms)
{
  if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace platform
