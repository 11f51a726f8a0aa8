#include "playback/ImageWait.h"

#include <algorithm>

#include "language/Document.h"
#include "imaging/RecordPicture.h"
#include "language/Interpreter.h"
#include "platform/Platform.h"
#include "playback/TargetSelection.h"
#include "playback/TitleProgress.h"

namespace qlm {
namespace {

constexpr int kFlashMs = 1000;

std::string_view functionName(SearchMethod method) { return method == SearchMethod::Shape ? "IfShape" : "IfImage"; }

int tolerance(Document& doc, std::string_view name) {
  return static_cast<int>(std::clamp<long long>(doc.readVariableNumber(name), -1000, 1000));
}

// What the record asks for: its image area on its stored picture, and its click.
struct RecordArea {
  bool loaded = false;
  Rect area;
  Point click = kNoPoint;
};

// A record without a readable picture cannot be found: the user is told why.
RecordArea loadRecordArea(Document& doc, ImageAreaSearch& search, SearchMethod method) {
  RecordArea wanted;
  const int index = doc.records().currentRecord();
  const std::string name(functionName(method));
  if (index < 0) {
    doc.ui().showMessage(name + "(): no record is being played, so there is no image area to look for.");
    return wanted;
  }
  const RecordImage& record = doc.records().record(index);
  wanted.area = record.imageArea();
  wanted.click = {record.click().x, record.click().y};
  Result<Picture> stored = readRecordPicture(doc.pathName(), index);
  if (!stored) {
    doc.ui().showMessage(name + "(): the picture of line " + std::to_string(index + 1) +
                         " cannot be read: " + stored.error());
    return wanted;
  }
  wanted.loaded = search.loadArea(*stored, wanted.area);
  if (!wanted.loaded) {
    doc.ui().showMessage(name + "(): the image area of line " + std::to_string(index + 1) +
                         " does not lie inside its picture.");
  }
  return wanted;
}

bool interrupted(Document& doc) { return doc.stopRequested() || doc.flags().endKey; }

}  // namespace

bool bringRecordTargetForward(Document& doc, Platform& platform) {
  const long long waitMs = doc.readVariableNumber("$QLM_MAX_WAIT_WIN");
  auto lookup = [&](TargetSelector& selector) {
    return selector.findWindowLike(doc.targetApplication(), doc.targetTitle(), false, waitMs, true, "AppWait");
  };
  if (TargetSelector* selector = doc.targetSelector()) {
    return selector->findRecordTarget(doc.targetApplication(), doc.targetTitle(), "AppWait");
  }
  TargetSelector local(doc, platform);
  return lookup(local);
}

long long calendarSeconds(const LocalTime& time) {
  // Days from the civil date (proleptic Gregorian calendar).
  const long long year = time.year - (time.month <= 2 ? 1 : 0);
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long month = time.month;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + time.day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const long long days = era * 146097 + dayOfEra - 719468;
  return days * 86400 + time.hour * 3600LL + time.minute * 60LL + time.second;
}

ImageWaitResult waitForImage(Interpreter& in, Platform& platform, SearchMethod method, int limitSeconds) {
  Document& doc = in.document();
  ImageWaitResult result;
  bringRecordTargetForward(doc, platform);
  ImageAreaSearch search;
  const RecordArea wanted = loadRecordArea(doc, search, method);
  if (!wanted.loaded) return result;
  const int colourTolerance = tolerance(doc, "$QLM_COLORTOL");
  const int pixelTolerance = tolerance(doc, "$QLM_PIXELTOL");
  const bool wholeScreen = !doc.targetTitle().empty() && doc.targetTitle().front() == '-';
  Clock& clock = *platform.clock;
  CaptureBuffer& buffer = doc.captureBuffer();
  TitleProgress progress(doc.ui());
  const long long start = calendarSeconds(clock.localTime());
  AttemptResult attempt;
  long long elapsed = 0;
  do {
    if (doc.settings().foregroundMode == 2) bringRecordTargetForward(doc, platform);
    if (TargetSelector* selector = doc.targetSelector(); selector != nullptr && selector->recordTargetLost()) {
      result.end = ImageWaitEnd::Interrupted;
      return result;
    }
    if (interrupted(doc)) {
      result.end = ImageWaitEnd::Interrupted;
      return result;
    }
    clock.sleep(1);
    attempt = AttemptResult{};
    if (buffer.captureScreen(platform, wholeScreen ? CaptureSource::WholeScreen : CaptureSource::ForegroundWindow)) {
      attempt = search.attempt(buffer.rows(), method, colourTolerance, pixelTolerance, buffer.changes());
    }
    elapsed = calendarSeconds(clock.localTime()) - start;
    if (attempt.outcome != AttemptOutcome::Found && showsSearchProgress(limitSeconds)) {
      progress.show(functionName(method), elapsed, limitSeconds);
      doc.ui().flashMainWindow(kFlashMs);
    }
    in.runActivityPause();
  } while (keepSearching(attempt.outcome == AttemptOutcome::Found, limitSeconds, elapsed));
  if (attempt.outcome != AttemptOutcome::Found) return result;
  result.end = ImageWaitEnd::Found;
  const Rect& window = buffer.screenArea();
  const Point topLeft = wholeScreen ? Point{0, 0} : Point{window.left, window.top};
  result.target = foundTarget(true, attempt.position, topLeft, wanted.click, wanted.area);
  return result;
}

}  // namespace qlm
