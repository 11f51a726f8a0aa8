#include "recorder/RecordingFlags.h"

#include <string>
#include <string_view>

#include "language/KeyNotation.h"
#include "platform/Settings.h"

namespace qlm {
namespace {

// The defaults hold more characters than the tables have entries, as they always did.
const std::string kKeyCapture(75, 'E');
const std::string kKeyEnd = "EEEEN" + std::string(70, 'E');  // "\[SHIFT]" alone does not end a record
const std::string kKeyMerge(75, 'E');
constexpr std::string_view kButtonCapture = "EEEEEE";
constexpr std::string_view kButtonEnd = "EEEEEEEEEE";
constexpr std::string_view kButtonMerge = "NNNNNNNNNN";

bool flagAt(const std::string& value, std::string_view fallback, std::size_t i) {
  char flag = i < value.size() ? value[i] : i < fallback.size() ? fallback[i] : 'N';
  return flag == 'E';
}

std::vector<EntryFlags> readFlags(Settings& settings, std::size_t count, std::string_view capture,
                                  std::string_view captureDefault, std::string_view end, std::string_view endDefault,
                                  std::string_view merge, std::string_view mergeDefault) {
  std::string captureValue = settings.machineText(capture, captureDefault);
  std::string endValue = settings.machineText(end, endDefault);
  std::string mergeValue = settings.machineText(merge, mergeDefault);
  std::vector<EntryFlags> flags(count);
  for (std::size_t i = 0; i < count; ++i) {
    flags[i] = {flagAt(captureValue, captureDefault, i), flagAt(endValue, endDefault, i),
                flagAt(mergeValue, mergeDefault, i)};
  }
  return flags;
}

}  // namespace

RecordingFlags readRecordingFlags(Settings& settings) {
  RecordingFlags flags;
  flags.keys = readFlags(settings, keyboardKeyTable().size(), "KVK_CAPTURE_FLAG", kKeyCapture, "KVK_END_RECORD_FLAG",
                         kKeyEnd, "KVK_MERGE_RECORD_FLAG", kKeyMerge);
  flags.buttons = readFlags(settings, mouseKeyTable().size(), "MVK_CAPTURE_FLAG", kButtonCapture,
                            "MVK_END_RECORD_FLAG", kButtonEnd, "MVK_MERGE_RECORD_FLAG", kButtonMerge);
  return flags;
}

}  // namespace qlm
