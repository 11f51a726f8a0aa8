// Workbook cells: one cell read, and one cell written and saved, in a
// workbook of 20,000 rows, from the start of the spreadsheet application to
// the value; the built-in engine against LibreOffice over UNO (started anew
// for each run, as a playback that starts it would). Both are driven through
// the same Automation members. LibreOffice's rows are skipped when it is missing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileSystem.h"
#include "spreadsheet/BuiltinApplication.h"
#include "spreadsheet/LibreOfficeApplication.h"

namespace {

namespace fs = std::filesystem;
using namespace qlm;

constexpr int kRows = 20000;
const fs::path kFolder = fs::temp_directory_path() / ("qlm-bench-workbook-" + std::to_string(::getpid()));

bool haveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// 20,000 rows of a number, a text and a formula, made by LibreOffice once.
std::string largeWorkbook() {
  static const std::string path = [] {
    fs::create_directories(kFolder);
    std::string csv = (kFolder / "large.csv").string();
    std::ofstream out(csv);
    for (int row = 1; row <= kRows; ++row) out << row << ",item " << row << ",=A" << row << "*2\n";
    out.close();
    std::string command = "soffice -env:UserInstallation=file://" + (kFolder / "profile").string() +
                          " --headless --norestore --convert-to xlsx --outdir '" + kFolder.string() + "' '" + csv +
                          "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? (kFolder / "large.xlsx").string() : std::string();
  }();
  return path;
}

struct Call {
  std::shared_ptr<Dispatch> object;
  bool ok = true;
  Call member(CallType type, std::string_view name, std::span<const Variant> arguments = {}, Variant* value = nullptr) {
    if (!ok || !object) return {nullptr, false};
    std::optional<int> id = object->memberId(name);
    Variant result;
    bool done = id && object->invoke(*id, type, arguments, &result) == kOk;
    if (value) *value = result;
    return {result.object, done};
  }
};

// Open, sheet 1, the cell: the range whose "Value" is read or written.
Call rangeOf(const std::shared_ptr<Dispatch>& application, const std::string& path, const char* cell) {
  Variant name = Variant::ofText(path);
  Variant sheet = Variant::ofNumber(1);
  Variant cellName = Variant::ofText(cell);
  return Call{application}
      .member(CallType::PropertyGet, "Workbooks")
      .member(CallType::Method, "Open", {&name, 1})
      .member(CallType::PropertyGet, "Worksheets", {&sheet, 1})
      .member(CallType::PropertyGet, "Range", {&cellName, 1});
}

std::shared_ptr<Dispatch> startApplication(bool libreOffice) {
  if (!libreOffice) return makeBuiltinApplication(systemFileSystem());
  std::string error;
  return makeLibreOfficeApplication(error);
}

void quit(const std::shared_ptr<Dispatch>& application) { Call{application}.member(CallType::Method, "Quit"); }

void ReadOneCell(benchmark::State& state, bool libreOffice) {
  std::string path = largeWorkbook();
  if (path.empty() || (libreOffice && !haveLibreOffice())) return state.SkipWithError("LibreOffice is not installed");
  for (auto _ : state) {
    std::shared_ptr<Dispatch> application = startApplication(libreOffice);
    Variant value;
    Call read = rangeOf(application, path, "C19999").member(CallType::PropertyGet, "Value", {}, &value);
    if (!read.ok || value.text != "39998") state.SkipWithError(("read failed: " + value.text).c_str());
    state.PauseTiming();
    quit(application);
    state.ResumeTiming();
  }
}

void WriteAndSaveOneCell(benchmark::State& state, bool libreOffice) {
  std::string source = largeWorkbook();
  if (source.empty() || (libreOffice && !haveLibreOffice())) return state.SkipWithError("LibreOffice is not installed");
  std::string path = (kFolder / (libreOffice ? "written-lo.xlsx" : "written.xlsx")).string();
  fs::copy_file(source, path, fs::copy_options::overwrite_existing);
  int n = 0;
  for (auto _ : state) {
    std::shared_ptr<Dispatch> application = startApplication(libreOffice);
    Variant value = Variant::ofText(std::to_string(++n));
    bool ok = rangeOf(application, path, "A19999").member(CallType::PropertyPut, "Value", {&value, 1}).ok &&
              Call{application}.member(CallType::Method, "Save").ok;
    if (!ok) state.SkipWithError("write or save failed");
    state.PauseTiming();
    quit(application);
    state.ResumeTiming();
  }
}

BENCHMARK_CAPTURE(ReadOneCell, builtin, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadOneCell, libreoffice_uno, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(WriteAndSaveOneCell, builtin, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteAndSaveOneCell, libreoffice_uno, true)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
