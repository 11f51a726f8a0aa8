#include "recorder/Recorder.h"

#include <algorithm>
#include <cctype>

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "recorder/RecordingCleanUp.h"
#include "recorder/RecordingSession.h"

namespace qlm {
namespace {

constexpr std::int64_t kReleasePauseMs = 30;
constexpr int kReleaseAttempts = 10;

bool isDocumentName(const std::string& path) {
  if (path.size() < 5) return false;
  std::string extension = path.substr(path.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  return extension == ".qlm";
}

// The keys the user still holds would otherwise stay held for the target,
// or be recorded as pressed without a press.
void releaseHeldModifiers(Platform& platform) {
  Input& input = *platform.input;
  auto send = [&](int virtualKey, bool up) {
    for (int attempt = 0; attempt < kReleaseAttempts; ++attempt) {
      platform.clock->sleep(kReleasePauseMs);
      if (input.sendKey(virtualKey, up)) return;
    }
  };
  if (input.isKeyDown(vk::kMenu)) send(vk::kMenu, true);
  if (input.isCapsLockOn() && !input.isKeyDown(vk::kShift)) {
    send(vk::kCapital, false);
    send(vk::kCapital, true);
  }
  if (input.isKeyDown(vk::kShift)) send(vk::kShift, true);
  if (input.isKeyDown(vk::kControl)) send(vk::kControl, true);
  for (int windowsKey : {vk::kLWin, vk::kRWin}) {
    if (!input.isKeyDown(windowsKey)) continue;
    send(windowsKey, true);
    send(vk::kEscape, false);
    send(vk::kEscape, true);
  }
}

bool isRecordedMessage(int message) {
  return message == watch::kKeyDown || message == watch::kKeyUp || message == watch::kLeftDown ||
         message == watch::kLeftUp || message == watch::kRightDown || message == watch::kRightUp;
}

}  // namespace

Recorder::Recorder(Platform& platform, RecorderObserver& observer) : m_platform(platform), m_observer(observer) {}

Recorder::~Recorder() { stop(); }

Outcome Recorder::start(const std::string& documentPath) {
  if (m_recording) return Outcome::failure("A recording is already running.");
  if (!isDocumentName(documentPath)) return Outcome::failure(documentPath + " is not a .qlm document.");
  std::lock_guard lock(m_mutex);
  releaseHeldModifiers(m_platform);
  auto session = std::make_unique<RecordingSession>(m_platform, m_observer, documentPath);
  if (Outcome opened = session->open(); !opened) return opened;
  m_session = std::move(session);
  {
    std::lock_guard finished(m_finishedMutex);
    m_finished = false;
  }
  m_stopping = false;
  m_recording = true;
  m_subscription = m_platform.inputWatch->listen([this](const WatchedEvent& event) { onEvent(event); });
  if (!m_subscription.active()) {
    m_recording = false;
    m_session.reset();
    std::lock_guard finished(m_finishedMutex);
    m_finished = true;
    return Outcome::failure("The desktop's input cannot be watched.");
  }
  return Outcome::success();
}

void Recorder::onEvent(const WatchedEvent& event) {
  if (event.ours || m_stopping || !isRecordedMessage(event.message)) return;
  bool endKey = false;
  {
    std::lock_guard lock(m_mutex);
    if (!m_session) return;
    endKey = m_session->handle(event);
  }
  if (endKey && !m_stopping.exchange(true)) finish();
}

void Recorder::stop() {
  if (m_recording && !m_stopping.exchange(true)) finish();
  // Also when the end key got there first: the document is final only then.
  std::unique_lock lock(m_finishedMutex);
  m_finishedSignal.wait(lock, [this] { return m_finished; });
}

void Recorder::finish() {
  // Ends deliveries first; on the watch's own thread it only unregisters.
  m_subscription = WatchSubscription();
  Outcome tidied;
  {
    std::lock_guard lock(m_mutex);
    if (m_session) {
      m_session->savePending();
      tidied = tidyRecording(m_session->path());
      m_session.reset();
    }
  }
  m_recording = false;
  m_observer.recordingStopped(tidied);
  std::lock_guard lock(m_finishedMutex);
  m_finished = true;
  m_finishedSignal.notify_all();
}

}  // namespace qlm
