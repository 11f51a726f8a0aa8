#pragma once
// SIGINT and SIGTERM asking a long-running command to end the way its own
// stop does, instead of ending the program on the spot.
#include <atomic>

namespace qlm {

// Catches both signals from now on; the flag is set when one arrives.
const std::atomic<bool>& catchStopSignals();

}  // namespace qlm
