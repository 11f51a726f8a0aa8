#include "playback/TargetSelection.h"

#include <vector>

#include "language/Document.h"
#include "platform/Platform.h"
#include "playback/TitleProgress.h"

namespace qlm {
namespace {

std::string cannotFind(std::string_view title, std::optional<std::string_view> className) {
  return "Cannot find Window: " + windowDescription(title, className.value_or(""));
}

bool hasWildcard(std::string_view title) { return title.find_first_of("*?") != std::string_view::npos; }

}  // namespace

std::string windowDescription(std::string_view title, std::string_view className) {
  return "\nTitle='" + std::string(title) + "'\nApplication:'" + std::string(className) + "'";
}

// Suffix against suffix, from the ends backwards, so that stars cost no
// backtracking: row[j] tells whether pattern[i..] matches title[j..].
bool titleMatches(std::string_view pattern, std::string_view title) {
  const std::size_t nt = title.size();
  std::vector<char> next(nt + 1, 0), row(nt + 1, 0);
  next[nt] = 1;
  for (std::size_t i = pattern.size(); i-- > 0;) {
    const char c = pattern[i];
    bool anyLater = false;  // some k > j with next[k]
    for (std::size_t j = nt + 1; j-- > 0;) {
      if (c == '*') {
        row[j] = i + 1 == pattern.size() ? 1 : anyLater;
      } else {
        row[j] = j < nt && (c == '?' || c == title[j]) ? next[j + 1] : 0;
      }
      anyLater = anyLater || next[j];
    }
    std::swap(next, row);
  }
  return next[0] != 0;
}

TargetSelector::TargetSelector(Document& doc, Platform& platform, int notRespondingWaitMs, SelectionHooks hooks)
    : m_doc(doc), m_platform(platform), m_notRespondingWaitMs(notRespondingWaitMs), m_hooks(std::move(hooks)) {}

bool TargetSelector::endKeyPressed() const { return m_doc.flags().endKey; }

void TargetSelector::sleep(long long ms) { m_platform.clock->sleep(ms, m_hooks.pump); }

void TargetSelector::fail(const std::string& text) {
  m_doc.ui().bringMainWindowToFront();
  m_doc.ui().showMessage(text);
  m_doc.requestStop();
}

bool TargetSelector::raiseTarget(std::optional<std::string_view> className,
                                       std::optional<std::string_view> title, bool bringForward) {
  m_last.targetClass = className ? std::string(*className) : "ANY";
  m_last.targetTitle = title ? std::string(*title) : "ANY";
  m_last.foundWindow = kNoWindow;
  if (!className && !title) return false;
  Windows& windows = *m_platform.windows;
  WindowId window = windows.findWindow(className, title);
  if (window == kNoWindow) return false;
  m_last.foundWindow = window;
  WindowId popup = windows.lastActivePopup(windows.lastActivePopup(window));
  if (bringForward) {
    if (windows.isMinimized(window)) windows.restore(window);
    // A window that cannot be brought forward is not found: typing on would
    // reach whatever window has the focus.
    if (!windows.setForeground(popup)) {
      m_last.foundWindow = kNoWindow;
      return false;
    }
  }
  return true;
}

// One attempt by the selection flags; sets the match kind and, on failure,
// the text that the caller shows.
bool TargetSelector::attempt(std::optional<std::string_view> className, std::string_view title, bool quiet,
                             bool bringForward, std::string& failure) {
  const PlaybackSettings& s = m_doc.settings();
  auto found = [this](int kind) {
    m_last.matchKind = kind;
    return true;
  };
  if (s.selectEither) {
    failure = cannotFind(title, className);
    if (raiseTarget(className, title, bringForward)) return found(kMatchByClassAndTitle);
    if (raiseTarget(std::nullopt, title, bringForward)) return found(kMatchByTitle);
    if (raiseTarget(className, std::nullopt, bringForward)) return found(kMatchByClass);
  } else if (s.selectByClass && s.selectByTitle) {
    if (raiseTarget(className, title, bringForward)) return found(kMatchByClassAndTitle);
    if (!quiet) failure = "Window and Title not found.";
  } else if (s.selectByClass) {
    if (raiseTarget(className, std::nullopt, bringForward)) return found(kMatchByClass);
    failure = "Window not found";
  } else if (s.selectByTitle) {
    if (raiseTarget(std::nullopt, title, bringForward)) return found(kMatchByTitle);
    failure = "Title not found";
  }
  return false;
}

bool TargetSelector::findWindow(std::optional<std::string_view> className, std::optional<std::string_view> title,
                                bool quiet, long long waitMs, bool bringForward, std::string_view label) {
  m_last.matchKind = kMatchNotFound;
  if (m_doc.settings().foregroundMode == 0) {
    m_last.targetClass = "ACTIVE APPS";
    m_last.targetTitle = "ACTIVE WINDOW";
    m_last.foundWindow = kNoWindow;  // nothing was looked up, so there is nothing to ping
    return true;
  }
  std::string failure = "FindWindow:Non Trouv\xE9";
  TitleProgress progress(m_doc.ui());
  bool found = false;
  for (long long k = 1; (k - 1) * kCycleMs <= waitMs; ++k) {
    if (k * kCycleMs > 1000) {
      progress.show(label, k * kCycleMs / 1000, waitMs / 1000);
      if (m_hooks.pump) m_hooks.pump();
    }
    found = attempt(className, title.value_or(""), quiet, bringForward, failure);
    if (found || endKeyPressed() || k * kCycleMs > waitMs) break;
    sleep(kCycleMs);
  }
  progress.restore();
  if (!found && !quiet && !endKeyPressed()) fail(failure);
  return found;
}

bool TargetSelector::wildcardLookup(std::optional<std::string_view> className, std::string_view pattern,
                                    bool quiet, long long waitMs, bool bringForward, std::string_view label) {
  Windows& windows = *m_platform.windows;
  TitleProgress progress(m_doc.ui());
  bool found = false;
  for (long long k = 1; (k - 1) * kCycleMs <= waitMs; ++k) {
    if (k * kCycleMs > 1000) {
      progress.show(label, k * kCycleMs / 1000, waitMs / 1000);
      if (m_hooks.pump) m_hooks.pump();
    }
    std::vector<std::string> titles;
    for (WindowId window : windows.topLevelWindows()) titles.push_back(windows.title(window));
    for (const std::string& candidate : titles) {
      // Candidates are tried quietly: one whose class differs must not stop
      // the playback while a later one may still match.
      if (titleMatches(pattern, candidate) && findWindow(className, candidate, true, 0, bringForward, label)) {
        found = true;
        break;
      }
    }
    if (found || endKeyPressed() || k * kCycleMs > waitMs) break;
    sleep(kCycleMs);
  }
  progress.restore();
  if (!found && !quiet && !endKeyPressed()) {
    if (m_hooks.lookupFailed) m_hooks.lookupFailed();
    fail(cannotFind(pattern, className));
  }
  return found;
}

bool TargetSelector::findWindowLike(std::optional<std::string_view> className, std::string_view title, bool quiet,
                                    long long waitMs, bool bringForward, std::string_view label) {
  if (!title.empty() && title.front() == '-') return true;
  bool found = false;
  if (!title.empty() && !hasWildcard(title) && className) {
    found = findWindow(className, title, quiet, waitMs, bringForward, label);
  } else {
    found = wildcardLookup(className, title.empty() ? std::string_view("*") : title, quiet, waitMs, bringForward,
                           label);
  }
  if (found && bringForward) found = checkResponding();
  return found;
}

bool TargetSelector::checkResponding() {
  const WindowId window = m_last.foundWindow;
  if (window == kNoWindow) return true;
  const std::string title = m_last.targetTitle;
  const std::string className = m_last.targetClass;
  const int waitSeconds = m_notRespondingWaitMs / 1000;
  for (int s = 0; s < waitSeconds && !m_doc.stopRequested() && !endKeyPressed(); ++s) {
    if (!m_platform.windows->isPresent(window)) {
      reportTargetGone(title, className);
      return false;
    }
    if (m_platform.windows->isResponding(window, std::chrono::milliseconds(30))) return true;
    if (m_hooks.showNote) {
      m_hooks.showNote("Not responding: " + std::to_string(waitSeconds - s) + "/" + std::to_string(waitSeconds), 1000);
    }
    sleep(1000);
  }
  if (!m_platform.windows->isPresent(window)) {
    reportTargetGone(title, className);
    return false;
  }
  return true;
}

void TargetSelector::reportTargetGone(std::string_view title, std::string_view className) {
  if (m_doc.stopRequested() || endKeyPressed()) return;
  fail("The target window disappeared: " + windowDescription(title, className));
}

bool TargetSelector::findRecordTarget(const std::string& className, const std::string& title, std::string_view label) {
  const int record = m_doc.records().currentRecord();
  if (record != m_recordIndex) {
    forgetRecordTarget();
    m_recordIndex = record;
  }
  if (recordTargetLost()) return false;
  const bool found =
      findWindowLike(className, title, false, m_doc.readVariableNumber("$QLM_MAX_WAIT_WIN"), true, label);
  if (found && m_recordWindow == kNoWindow && m_last.foundWindow != kNoWindow &&
      (title.empty() || title.front() != '-')) {
    m_recordWindow = m_last.foundWindow;
    m_recordTitle = title;
    m_recordClass = className;
  }
  return found;
}

bool TargetSelector::recordTargetLost() {
  if (m_recordWindow == kNoWindow) return false;
  if (m_recordIndex != m_doc.records().currentRecord()) {
    forgetRecordTarget();
    return false;
  }
  if (m_platform.windows->isPresent(m_recordWindow)) return false;
  reportTargetGone(m_recordTitle, m_recordClass);
  return true;
}

void TargetSelector::forgetRecordTarget() {
  m_recordIndex = -1;
  m_recordWindow = kNoWindow;
  m_recordTitle.clear();
  m_recordClass.clear();
}

void TargetSelector::applyResize(const RecordTarget& record) {
  const PlaybackSettings& s = m_doc.settings();
  if (s.resizeMode < 1 || (!record.title.empty() && record.title.front() == '-')) return;
  Windows& windows = *m_platform.windows;
  WindowId window = windows.foreground();
  if (window == kNoWindow) return;
  auto place = [&](int x, int y, int width, int height) {
    if (width > 0 && height > 0) windows.moveResize(window, Rect::fromSize(x, y, width, height));
  };
  switch (s.resizeMode) {
    case 1:
      if (record.windowSizeValid) {
        place(0, 0, record.windowWidth, record.windowHeight);
      } else {
        place(0, 0, record.pictureWidth, record.pictureHeight);
      }
      break;
    case 2: windows.maximize(window); break;
    case 3: place(0, 0, s.resizeWidth, s.resizeHeight); break;
    case 4: place(s.resizeX, s.resizeY, s.resizeWidth, s.resizeHeight); break;
    default: break;
  }
}

}  // namespace qlm
