#include "app/ProgramFunctions.h"

#include "ocr/Recognise.h"
#include "ocr/TextFunctions.h"
#include "platform/Settings.h"
#include "playback/functions/PlaybackFunctions.h"
#include "spreadsheet/SpreadsheetFunctions.h"

namespace qlm {

const FunctionBodies& programFunctionBodies() {
  static const FunctionBodies kBodies{textFunctions(),    numberFunctions(),  chronoFunctions(),
                                      fileFunctions(),    controlFunctions(), settingFunctions(),
                                      desktopFunctions(), imageFunctions(),   spreadsheetFunctions(),
                                      textRecognitionFunctions()};
  return kBodies;
}

void chooseSpreadsheet(Settings& settings) {
  spreadsheetLink().backend = settings.readString("Playback", "SPREADSHEET").value_or("");
}

bool chooseOcrEngine(Settings& settings) {
  const std::optional<OcrEngineKind> kind = ocrEngineKind(settings.readString("Playback", "OCR_ENGINE").value_or(""));
  setOcrEngineKind(kind.value_or(OcrEngineKind::Tesseract));
  return kind.has_value();
}

}  // namespace qlm
