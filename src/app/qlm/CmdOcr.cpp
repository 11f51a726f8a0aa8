#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/PictureFile.h"
#include "app/qlm/Commands.h"
#include "app/qlm/ToolSupport.h"
#include "ocr/Recognise.h"
#include "ocr/TextMatch.h"
#include "platform/TextEncoding.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis = "ocr PICTURE [--area L,T,R,B] [--engine tesseract|gocr] [--match PATTERN]";

struct OcrOptions {
  std::string picture;
  std::optional<Rect> area;
  std::optional<OcrEngineKind> engine;
  std::optional<std::string> pattern;
};

std::optional<OcrOptions> parseArguments(CommandArgs args) {
  if (args.empty()) return std::nullopt;
  OcrOptions options;
  options.picture = std::string(args[0]);
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return std::nullopt;
    const std::string_view name = args[i];
    const std::string_view value = args[i + 1];
    if (name == "--area") {
      auto area = parseNumbers(value, 4);
      if (!area) return std::nullopt;
      options.area = rectFromInclusive((*area)[0], (*area)[1], (*area)[2], (*area)[3]);
    } else if (name == "--engine") {
      options.engine = ocrEngineKind(value);
      if (!options.engine || value.empty()) return std::nullopt;
    } else if (name == "--match") {
      options.pattern = cp1252FromUtf8(value, '?');
    } else {
      return std::nullopt;
    }
  }
  return options;
}

OcrEngineKind configuredEngine() {
  std::unique_ptr<Settings> settings = makeIniSettings(userSettingsPath(), kMachineSettingsPath);
  if (!settings) return OcrEngineKind::Tesseract;
  return ocrEngineKind(settings->readString("Playback", "OCR_ENGINE").value_or("")).value_or(OcrEngineKind::Tesseract);
}

}  // namespace

// Exit 0: text recognised; 1: nothing recognised; 2: bad arguments, an
// unreadable picture, an area outside it, or an engine that cannot run.
int cmdOcr(CommandArgs args) {
  std::optional<OcrOptions> options = parseArguments(args);
  if (!options) return reportUsage(kSynopsis);
  Result<Picture> picture = readPictureFile(options->picture);
  if (!picture) {
    reportFailure(picture.error());
    return kExitUsage;
  }
  const Rect area = options->area.value_or(Rect{0, 0, picture->width, picture->height});
  OcrEngine& engine = ocrEngine(options->engine.value_or(configuredEngine()));
  AreaText read = recogniseArea(*picture, area, engine);
  if (read.outcome == AreaReading::NotReadable) {
    reportFailure("the area does not lie inside the " + std::to_string(picture->width) + " x " +
                  std::to_string(picture->height) + " picture");
    return kExitUsage;
  }
  if (read.outcome == AreaReading::EngineFailed) {
    reportFailure(read.error);
    return kExitUsage;
  }
  const std::string& text = read.recognition.text;
  std::fputs(terminalText(text, true).c_str(), stdout);
  if (options->pattern) std::printf("%s\n", terminalText(textResult(text, *options->pattern), true).c_str());
  return text.empty() ? kExitFailed : kExitOk;
}

}  // namespace qlm
