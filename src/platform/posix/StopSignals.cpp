#include "platform/StopSignals.h"

#include <signal.h>

namespace qlm {
namespace {

std::atomic<bool> g_stopSignal{false};  // written by the signal handler only
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onStopSignal(int) { g_stopSignal = true; }

}  // namespace

const std::atomic<bool>& catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return g_stopSignal;
}

}  // namespace qlm
