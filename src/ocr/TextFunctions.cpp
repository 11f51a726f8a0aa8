#include "ocr/TextFunctions.h"

#include <algorithm>
#include <climits>

#include "imaging/CaptureBuffer.h"
#include "imaging/ImageCondition.h"
#include "language/Document.h"
#include "ocr/Recognise.h"
#include "ocr/TextMatch.h"
#include "platform/Platform.h"
#include "playback/ImageWait.h"
#include "playback/TargetSelection.h"
#include "playback/TitleProgress.h"

namespace qlm {
namespace {

constexpr int kFlashMs = 1000;

bool interrupted(Document& doc) {
  if (TargetSelector* selector = doc.targetSelector(); selector != nullptr && selector->recordTargetLost()) return true;
  return doc.stopRequested() || doc.flags().endKey;
}

bool wholeScreenTarget(Document& doc) { return !doc.targetTitle().empty() && doc.targetTitle().front() == '-'; }

enum class TextWaitEnd { Found, NotFound, Interrupted, EngineFailed };

struct TextWait {
  TextWaitEnd end = TextWaitEnd::NotFound;
  // In the capture, as IfImage reports it, so that the found click keeps the
  // recorded click's offset from the text (an offset inside the area alone
  // would put the click the area's left and top away from the text).
  Point position = kNoPoint;
  std::string error;
};

// One pass: the text to find matched against what the area shows. An empty
// text to find is found as soon as the area could be read.
TextWait readPass(Document& doc, Platform& platform, const Rect& area, std::string_view wanted) {
  TextWait pass;
  CaptureBuffer& buffer = doc.captureBuffer();
  const CaptureSource source = wholeScreenTarget(doc) ? CaptureSource::WholeScreen : CaptureSource::ForegroundWindow;
  if (!buffer.captureScreen(platform, source)) return pass;
  AreaText read = recogniseArea(buffer.picture(), area, ocrEngineInUse());
  if (read.outcome == AreaReading::EngineFailed) {
    pass.end = TextWaitEnd::EngineFailed;
    pass.error = read.error;
    return pass;
  }
  if (read.outcome != AreaReading::Read) return pass;
  const Recognition& text = read.recognition;
  doc.ui().showMessage(text.text);
  const TextMatch match = matchText(text.text, wanted);
  if (!wanted.empty() && !match.matched) return pass;
  pass.end = TextWaitEnd::Found;
  pass.position = {area.left, area.top};
  if (match.start && *match.start < text.origins.size()) {
    pass.position.x += text.origins[*match.start].x;
    pass.position.y += text.origins[*match.start].y;
  }
  return pass;
}

TextWait waitForText(Interpreter& in, Platform& platform, const Rect& area, std::string_view wanted, int limitSeconds) {
  Document& doc = in.document();
  Clock& clock = *platform.clock;
  TitleProgress progress(doc.ui());
  const long long start = calendarSeconds(clock.localTime());
  TextWait pass;
  long long elapsed = 0;
  do {
    if (doc.settings().foregroundMode == 2) bringRecordTargetForward(doc, platform);
    if (interrupted(doc)) {
      pass.end = TextWaitEnd::Interrupted;
      return pass;
    }
    clock.sleep(1);
    pass = readPass(doc, platform, area, wanted);
    if (pass.end == TextWaitEnd::EngineFailed) return pass;
    elapsed = calendarSeconds(clock.localTime()) - start;
    if (pass.end != TextWaitEnd::Found && showsSearchProgress(limitSeconds)) {
      progress.show("IfText", elapsed, limitSeconds);
      doc.ui().flashMainWindow(kFlashMs);
    }
    in.runActivityPause();
  } while (keepSearching(pass.end == TextWaitEnd::Found, limitSeconds, elapsed));
  return pass;
}

Platform* desktopOrFail(Interpreter& in, std::string_view function) {
  Platform* platform = in.document().platform();
  if (platform == nullptr) in.failWith(std::string(function) + "() is not available on this build.");
  return platform;
}

// IfText(text, limit, found, notfound).
char ifText(Interpreter& in, int, Arguments args, std::string& result) {
  Document& doc = in.document();
  Platform* platform = desktopOrFail(in, "IfText");
  if (platform == nullptr) return 'C';
  const std::string wanted = in.textArgument(args[0]);
  long long limit = 0;
  if (!in.integerArgument(args[1], limit)) return 'C';
  bringRecordTargetForward(doc, *platform);
  const int index = doc.records().currentRecord();
  if (index < 0) {
    in.failWith("IfText(): no record is being played, so there is no image area to read.");
    return 'C';
  }
  const RecordImage& record = doc.records().record(index);
  const Rect area = record.imageArea();
  const TextWait wait =
      waitForText(in, *platform, area, wanted, static_cast<int>(std::clamp<long long>(limit, INT_MIN, INT_MAX)));
  if (wait.end == TextWaitEnd::EngineFailed) {
    in.failWith("IfText(): " + wait.error);
    return 'C';
  }
  const bool found = wait.end == TextWaitEnd::Found;
  const Rect& window = doc.captureBuffer().screenArea();
  const Point topLeft = wholeScreenTarget(doc) ? Point{0, 0} : Point{window.left, window.top};
  const FoundTarget target = foundTarget(found, wait.position, topLeft, record.click(), area);
  doc.foundPosition() = target.position;
  doc.foundClickPoint() = target.click;
  // Stopped or ended by the end key: neither branch may still send keys.
  if (wait.end == TextWaitEnd::Interrupted) {
    doc.requestStop();
    return 'C';
  }
  const ArgumentRange branch = found ? args[2] : args[3];
  in.reportStep("IfText(), Execution of instruction:", in.sourceText(branch));
  Value value = in.evaluate(branch.start, branch.end);
  result = std::move(value.text);
  return value.type;
}

// GetText(filter).
char getText(Interpreter& in, int, Arguments args, std::string& result) {
  Document& doc = in.document();
  Platform* platform = desktopOrFail(in, "GetText");
  if (platform == nullptr) return 'C';
  const std::string filter = in.textArgument(args[0]);
  if (doc.settings().foregroundMode == 2) bringRecordTargetForward(doc, *platform);
  std::string recognised;
  const int index = doc.records().currentRecord();
  CaptureBuffer& buffer = doc.captureBuffer();
  if (index >= 0 && buffer.captureScreen(*platform, CaptureSource::ForegroundWindow)) {
    AreaText read =
        recogniseArea(buffer.picture(), doc.records().record(index).textArea(), ocrEngineInUse());
    if (read.outcome == AreaReading::EngineFailed) {
      in.failWith("GetText(): " + read.error);
      return 'C';
    }
    recognised = std::move(read.recognition.text);
  }
  result = textResult(recognised, filter);
  return 'C';
}

constexpr BuiltinBinding kBindings[] = {{"IfText", ifText}, {"GetText", getText}};

}  // namespace

std::span<const BuiltinBinding> textRecognitionFunctions() { return kBindings; }

}  // namespace qlm
