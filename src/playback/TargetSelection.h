#pragma once
// Finding the target window of a record and bringing it forward before its
// output is injected: exact and wildcard lookups, the not-responding check
// and the resize applied before every instruction.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace qlm {

class Document;
struct Platform;

// What playback knows of the record being played.
struct RecordTarget {
  std::string className;  // the "Application" cell
  std::string title;      // the "Title" cell; '-' first means the whole screen
  Point clickPoint;       // relative to the window's top-left corner
  bool windowSizeValid = false;
  int windowWidth = 0;
  int windowHeight = 0;
  int pictureWidth = 0;  // the record's stored screenshot
  int pictureHeight = 0;
};

inline constexpr int kMatchNoLookup = -1;  // set by playback before each instruction
inline constexpr int kMatchNotFound = 0;
inline constexpr int kMatchByTitle = 1;
inline constexpr int kMatchByClass = 2;
inline constexpr int kMatchByClassAndTitle = 3;

// The results of the last lookup, read by the trace.
struct LookupResult {
  std::string targetClass;  // "ANY" when none was passed, "ACTIVE APPS" when the search was skipped
  std::string targetTitle;  // "ANY" when none was passed, "ACTIVE WINDOW" when the search was skipped
  int matchKind = kMatchNoLookup;
  WindowId foundWindow = kNoWindow;
};

struct SelectionHooks {
  std::function<void()> pump;  // the playback thread's pending work
  // A note over the foreground window for `ms` milliseconds ("Not responding: 3/15").
  std::function<void(const std::string& text, int ms)> showNote;
  // A wildcard lookup failed: the engine clears the movement wait left and
  // sets the synthetic pointer counter to 15.
  std::function<void()> lookupFailed;
};

class TargetSelector {
 public:
  static constexpr int kDefaultNotRespondingWaitMs = 15000;
  static constexpr int kCycleMs = 100;

  TargetSelector(Document& doc, Platform& platform, int notRespondingWaitMs = kDefaultNotRespondingWaitMs,
                 SelectionHooks hooks = {});

  // The lookup of playback and of the screen functions. A class that is not
  // passed at all, an empty title or a title with '*' or '?' makes it a
  // wildcard lookup over the titles of all windows.
  bool findWindowLike(std::optional<std::string_view> className, std::string_view title, bool quiet,
                      long long waitMs, bool bringForward, std::string_view label);
  // Exact lookup with the selection flags, waiting up to `waitMs`.
  bool findWindow(std::optional<std::string_view> className, std::optional<std::string_view> title, bool quiet,
                  long long waitMs, bool bringForward, std::string_view label);
  // One exact attempt.
  bool raiseTarget(std::optional<std::string_view> className, std::optional<std::string_view> title,
                         bool bringForward);

  // The lookup of the current record's target for its output and its image
  // waits. Once a record has a window, another one is never chosen in its
  // stead while that record plays: a target that disappeared stops playback.
  bool findRecordTarget(const std::string& className, const std::string& title, std::string_view label);
  // Whether the current record's window disappeared; reported (message and
  // stop request) the first time.
  bool recordTargetLost();
  void forgetRecordTarget();
  // "The target window disappeared: ..." and the stop request.
  void reportTargetGone(std::string_view title, std::string_view className);

  // Sizes the foreground window by the resize mode, before every instruction.
  void applyResize(const RecordTarget& record);

  const LookupResult& lastLookup() const { return m_last; }
  void clearMatchKind() { m_last.matchKind = kMatchNoLookup; }

 private:
  bool wildcardLookup(std::optional<std::string_view> className, std::string_view pattern, bool quiet,
                      long long waitMs, bool bringForward, std::string_view label);
  bool attempt(std::optional<std::string_view> className, std::string_view title, bool quiet, bool bringForward,
               std::string& failure);
  bool checkResponding();
  void fail(const std::string& text);
  bool endKeyPressed() const;
  void sleep(long long ms);

  Document& m_doc;
  Platform& m_platform;
  int m_notRespondingWaitMs;
  SelectionHooks m_hooks;
  LookupResult m_last;
  int m_recordIndex = -1;
  WindowId m_recordWindow = kNoWindow;
  std::string m_recordTitle;
  std::string m_recordClass;
};

// The texts that name a window in the messages of target selection.
std::string windowDescription(std::string_view title, std::string_view className);

// Whole-title match, case-sensitive: '?' takes one character, '*' one or
// more (none at the end of the pattern).
bool titleMatches(std::string_view pattern, std::string_view title);

}  // namespace qlm
