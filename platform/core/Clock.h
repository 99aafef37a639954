#pragma once

// Wall-clock timing for the figures the workbench reports (processor time would
// undercount waits and sleeps).
namespace platform {

// Milliseconds since an arbitrary fixed point, monotonic.
long long GetTickMs();

// Suspends the calling thread; visual debugging paces its steps with it.
void Sleep(int ms);

} // namespace platform
