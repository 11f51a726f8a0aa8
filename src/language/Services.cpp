#include "language/Services.h"

#include <thread>

namespace qlm {

long long SystemClock::nowMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::tm SystemClock::localTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void SystemClock::sleepMilliseconds(long long ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void MessageLog::showMessage(std::string_view text, std::string_view caption) {
  (void)caption;
  m_messages.emplace_back(text);
}

}  // namespace qlm
