#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

class PosixUser final : public User {
public:
  std::string userName() override {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
      return found->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "";
  }
};

class SteadyClock final : public Clock {
public:
  std::int64_t nowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }

  LocalTime localTime() override {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, ms};
  }

  void sleep(std::int64_t ms, const std::function<void()>& pump) override {
    const std::int64_t end = nowMs() + std::max<std::int64_t>(ms, 0);
    for (std::int64_t left = end - nowMs(); left > 0; left = end - nowMs()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pump ? std::min(left, kSliceMs) : left));
      if (pump) pump();
    }
  }
};

}  // namespace

std::unique_ptr<User> makePosixUser() { return std::make_unique<PosixUser>(); }
std::unique_ptr<Clock> makeSteadyClock() { return std::make_unique<SteadyClock>(); }

}  // namespace qlm
