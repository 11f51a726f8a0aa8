#pragma once
// A record document whose file holds real pictures, played on a simulated
// desktop through the engine, the desktop output and the trace entry, as the
// headless player wires them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playback/functions/PlaybackFunctions.h"
#include "../document/TempFolder.h"
#include "language/Document.h"
#include "document/Snapshot.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/sim/SimDesktop.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "playback/PlaybackHost.h"
#include "trace/Debugger.h"
#include "trace/TraceFanOut.h"
#include "trace/TraceWriter.h"

namespace qlm::testing {

// The records of the document as the record list would show them.
class DocumentHost final : public PlaybackHost {
 public:
  explicit DocumentHost(Document& doc) : m_doc(doc) {}
  int recordCount() override { return m_doc.records().count(); }
  PlaybackRecord record(int index) override {
    const RecordImage& image = m_doc.records().record(index);
    PlaybackRecord record;
    record.instruction = image.text(TextField::Instruction);
    record.play = image.get(IntField::Play) != 0;
    record.target.className = image.text(TextField::WindowClass);
    record.target.title = image.text(TextField::WindowTitle);
    record.target.clickPoint = image.click();
    return record;
  }
  void openTraceFile(std::string_view path) override { opened = path; }
  std::string opened;

 private:
  Document& m_doc;
};

struct RecordSpec {
  std::string instruction;
  std::string className = "Painter";
  std::string title = "pattern";
  Rect imageArea{10, 10, 31, 31};
  Point click{20, 20};
  int conditionLevel = 0;
  int clickFlag = 0;
};

class DesktopDocumentTest : public ::testing::Test {
 protected:
  // `functions`: with those of the layers above, for their tests.
  explicit DesktopDocumentTest(const FunctionBodies& functions = playbackFunctionBodies()) : functions(functions) {
    doc.setPlatform(platform.get());
    doc.setPathName(path);
    entry.add(debugger);
    entry.add(events);
  }

  WindowId paintedWindow(const Rect& rect, std::string className = "Painter", std::string title = "pattern") {
    SimWindowSpec spec;
    spec.className = std::move(className);
    spec.title = std::move(title);
    spec.rect = rect;
    spec.recordsClicks = true;
    return desktop->createWindow(spec);
  }

  // Appends a record with `picture` as its stored capture.
  void addRecord(const RecordSpec& spec, Picture picture) {
    NewRecordFields fields;
    fields.kind = 'X';
    fields.text = spec.instruction;
    fields.windowClass = spec.className;
    fields.windowTitle = spec.title;
    fields.click = spec.click;
    fields.imageArea = spec.imageArea;
    fields.areaWidth = fields.pictureWidth = picture.width;
    fields.areaHeight = fields.pictureHeight = picture.height;
    RecordImage record = makeNewRecord(fields);
    record.set(IntField::ConditionLevel, spec.conditionLevel);
    record.set(IntField::ClickFlag, spec.clickFlag);
    record.set(IntField::Play, 1);
    Snapshot writer;
    writer.setCapture(std::move(picture));
    std::string where = path;
    ASSERT_TRUE(writer.appendRecord(where, record)) << writer.message();
  }

  void load() { ASSERT_TRUE(doc.records().load().opened); }
  // Loaded, as while the first record is played in its window.
  void loadAtFirstRecord() {
    load();
    doc.records().setCurrentRecord(0);
    doc.targetApplication() = "Painter";
    doc.targetTitle() = "pattern";
  }

  PlaybackEnd play() {
    DesktopOutput output(doc, *platform, host, 3000);
    PlaybackEngine engine(doc, host, output, {.functions = &functions});
    return engine.run();
  }

  // The instruction evaluated for the current record outside a playback.
  Value evaluate(std::string_view text) {
    in.analyse(text);
    return in.evaluateInstruction(1);
  }

  TempFolder folder;
  std::string path = folder.file("doc.qlm");
  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>(640, 480);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  MessageLog ui;
  TraceFanOut entry;
  TraceLog events;
  Document doc{ui, entry, *platform->clock};
  TraceWriter writer{doc};
  Debugger debugger{doc, &writer};
  const FunctionBodies& functions;
  Interpreter in{doc, functions};
  DocumentHost host{doc};
};

}  // namespace qlm::testing
