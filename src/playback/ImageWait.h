#pragma once
// The timed search of IfImage and IfShape: the current record's image area is
// looked for on fresh captures of its target until it appears or the limit
// (whole seconds of the calendar clock) has passed.
#include "imaging/ImageCondition.h"
#include "platform/Clock.h"

namespace qlm {

class Document;
class Interpreter;
struct Platform;

enum class ImageWaitEnd { Found, NotFound, Interrupted };

struct ImageWaitResult {
  ImageWaitEnd end = ImageWaitEnd::NotFound;
  FoundTarget target;  // -2 everywhere unless found
};

// A negative limit searches until playback is stopped. The captures go into the
// document's capture buffer, so the trace shows the picture the search saw last.
ImageWaitResult waitForImage(Interpreter& in, Platform& platform, SearchMethod method, int limitSeconds);

// FindWindowLike for the current target, as screen waits make it before they
// look (label "AppWait", longest wait $QLM_MAX_WAIT_WIN, brought forward).
bool bringRecordTargetForward(Document& doc, Platform& platform);

// Seconds since 1970-01-01 of a local calendar time, ignoring its milliseconds.
long long calendarSeconds(const LocalTime& time);

}  // namespace qlm
