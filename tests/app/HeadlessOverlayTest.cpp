// The verbose notes that qlm play draws on the desktop's overlay, on the
// simulated desktop, which keeps every show and hide.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../document/TempFolder.h"
#include "app/HeadlessHost.h"
#include "document/Snapshot.h"
#include "language/Document.h"
#include "language/Services.h"
#include "platform/sim/SimDesktop.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"

namespace qlm {
namespace {

std::string describe(const SimDesktop::OverlayCall& call) {
  static const char* const kSlots[] = {"target", "click", "notice"};
  std::string text = kSlots[static_cast<int>(call.slot)];
  if (!call.note) return text + " hidden";
  const OverlayNote& note = *call.note;
  char line[160];
  std::snprintf(line, sizeof line, " level %d at %d,%d,%d,%d", note.level, note.area.left, note.area.top,
                note.area.right, note.area.bottom);
  text += line;
  if (note.marker != kNoPoint) text += " marker " + std::to_string(note.marker.x) + "," + std::to_string(note.marker.y);
  if (!note.label.empty()) text += " label '" + note.label + "'";
  if (!note.status.empty()) text += " status '" + note.status + "'";
  return text;
}

struct OverlayCase {
  const char* name;
  std::vector<std::string> instructions;
  std::vector<std::string> calls;
};

class HeadlessOverlayTest : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(HeadlessOverlayTest, DrawsTheNotesOfTheLevel) {
  testing::TempFolder folder;
  const std::string path = folder.file("verbose.qlm");
  for (const std::string& instruction : GetParam().instructions) {
    NewRecordFields fields;
    fields.text = instruction;
    fields.windowClass = "Editor";
    fields.windowTitle = "notes";
    fields.click = Point{20, 30};
    fields.areaWidth = 400;
    fields.areaHeight = 300;
    fields.pictureWidth = fields.pictureHeight = 8;
    Picture picture;
    picture.width = picture.height = 8;
    picture.pixels.assign(picture.pixelBytes(), 0x40);
    Snapshot snapshot;
    snapshot.setCapture(std::move(picture));
    std::string where = path;
    ASSERT_TRUE(snapshot.appendRecord(where, makeNewRecord(fields)).ok);
  }
  auto desktop = std::make_shared<SimDesktop>(1024, 768);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  SimWindowSpec spec;
  spec.className = "Editor";
  spec.title = "notes";
  spec.rect = Rect::fromSize(100, 200, 400, 300);
  spec.textField = true;
  spec.recordsClicks = true;
  desktop->createWindow(spec);
  MessageLog ui;
  TraceLog trace;
  Document doc(ui, trace, *platform->clock);
  doc.setPlatform(platform.get());
  doc.setPathName(path);
  ASSERT_TRUE(doc.records().load().opened);
  doc.resetVariables();
  std::FILE* terminal = std::tmpfile();
  HeadlessHost host(doc, terminal, platform->overlay.get());
  DesktopOutput output(doc, *platform, host, 3000);
  PlaybackEngine engine(doc, host, output, {});
  EXPECT_EQ(engine.run(), PlaybackEnd::Completed);
  std::fclose(terminal);

  std::vector<std::string> calls;
  for (const SimDesktop::OverlayCall& call : desktop->overlayCalls()) calls.push_back(describe(call));
  EXPECT_EQ(calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, HeadlessOverlayTest,
    ::testing::Values(
        OverlayCase{"FrameWhileTyping",
                    {"Verbose(7); Wait(500)", "\"typed\""},
                    {"target level 7 at 100,200,500,222 status ' typed '", "target hidden"}},
        OverlayCase{"LevelAbove7ActsAs7", {"Verbose(50); Wait(500)", "\"typed\""},
                    {"target level 7 at 100,200,500,222 status ' typed '", "target hidden"}},
        OverlayCase{"NothingAtLevel0", {"Verbose(0); Wait(500)", "\"typed\""}, {}},
        OverlayCase{"NothingRightAfterTheStart", {"Verbose(7)", "\"typed\""}, {}},
        // The second click follows the first too soon for a note: a cross
        // shows where it lands for one second instead.
        OverlayCase{"ClickNotesAndTheCrossOfAQuickClick",
                    {"Verbose(7); Wait(500)", "\"V[LBUTTON]\"", "\"V[LBUTTON]\""},
                    {"target level 7 at 100,200,500,222 status ' V[LBUTTON] '",
                     "click level 7 at 100,210,370,310 marker 20,20 label 'V[LBUTTON] (120,230)'", "target hidden",
                     "click hidden", "notice level 7 at 105,215,135,245 marker 15,15", "notice hidden"}}),
    [](const ::testing::TestParamInfo<OverlayCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlm
