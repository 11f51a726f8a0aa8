// The recorder on the simulated desktop: the user's input, events handled as
// they arrive, records read back from the document file.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../document/TempFolder.h"
#include "document/Snapshot.h"
#include "platform/Input.h"
#include "platform/VirtualKeys.h"
#include "platform/sim/SimDesktop.h"
#include "imaging/RecordPicture.h"
#include "recorder/PictureReplacement.h"
#include "recorder/Recorder.h"

namespace qlm {
namespace {

class CollectingObserver final : public RecorderObserver {
public:
  void recordMade(const MadeRecord&) override {}
  void recordingStopped(const Outcome& cleanUp) override { ++stops; tidied = cleanUp.ok; }
  int stops = 0;
  bool tidied = false;
};

class RecorderFixture {
public:
  // Each record as "<kind><sense> <instruction>".
  std::vector<std::string> records() const {
    Snapshot reader;
    std::vector<std::string> result;
    if (!reader.openForReading(path)) return result;
    for (int i = 0; i < reader.count(); ++i) {
      if (reader.readRecord(i) != 0) continue;
      const RecordImage& record = reader.record();
      result.push_back(std::string(1, record.kind()) + std::to_string(record.get(IntField::Sense)) + " " +
                       record.text(TextField::Instruction));
    }
    return result;
  }
  RecordImage recordAt(int i) const {
    Snapshot reader;
    if (!reader.openForReading(path) || reader.readRecord(i) != 0) return {};
    return reader.record();
  }
  void typeKeys(std::initializer_list<int> keys) {
    for (int key : keys) desktop->userTap(key);
  }
  void clickAt(Point down, Point up) {
    desktop->userMove(down);
    desktop->userMouse(mouse::kLeftDown);
    desktop->userMove(up);
    desktop->userMouse(mouse::kLeftUp);
  }

  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>(1024, 768);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  testing::TempFolder folder;
  std::string path = folder.file("recorded.qlm");
  CollectingObserver observer;
  Recorder recorder{*platform, observer};
  WindowId editor = desktop->createWindow({.className = "EditorClass", .title = "Editor", .textField = true});
};

struct RecordingCase {
  const char* name;
  std::function<void(RecorderFixture&)> userInput;
  std::vector<std::string> expected;  // after the two default records, once stopped
  std::map<std::string, std::string> machineValues = {};
  std::vector<std::pair<int, int>> beeps = {};
};

const std::string kClick = "\"V[LBUTTON]\"";

const RecordingCase kCases[] = {
    {"TypedLettersEndWithReturn", [](RecorderFixture& f) { f.typeKeys({'A', 'B', vk::kReturn}); },
     {"K2 \"abV[RETURN]\""}},
    {"ModifierPressedAndReleasedIsOneTap",
     [](RecorderFixture& f) { f.desktop->userKey(vk::kControl, false); f.desktop->userKey(vk::kControl, true); },
     {"C2 \"V[CTRL]\""}},
    {"QuoteIsDoubled",
     [](RecorderFixture& f) { f.desktop->userKey(vk::kShift, false); f.typeKeys({vk::kOem7}); f.desktop->userKey(vk::kShift, true); },
     {"C1 \"\\[SHIFT]\"\"/[SHIFT]\""}},
    {"LongTypingIsCutIntoRecordsThatFit",
     [](RecorderFixture& f) { for (int i = 0; i < 500; ++i) f.typeKeys({'A'}); },
     {"B0 \"" + std::string(498, 'a') + "\"", "K1 \"aa\""}},
    {"TitleChangeSavesPendingTextAsKindA",
     [](RecorderFixture& f) {
       f.typeKeys({'A'});
       f.desktop->setTitle(f.editor, "Editor - changed");
       f.typeKeys({'B', vk::kReturn});
     },
     {"A0 \"a\"", "K2 \"bV[RETURN]\""}},
    {"EndKeyBeepsStopsAndIsNotRecorded",
     [](RecorderFixture& f) {
       f.typeKeys({'A', vk::kEnd});
       EXPECT_FALSE(f.recorder.recording());
       f.typeKeys({'B'});
     },
     {"K1 \"a\""}, {}, {{4000, 300}}},
    {"KeyNotCapturedBySettingsLeavesNoNotation", [](RecorderFixture& f) { f.typeKeys({'A', 'B', vk::kReturn}); },
     {"K1 \"ab\""}, {{"KVK_CAPTURE_FLAG", "EEEEEEEEN"}}},
    {"HomeIsRecordedOnce", [](RecorderFixture& f) { f.typeKeys({vk::kHome}); }, {"K2 \"V[HOME]\""}},
    {"ReleaseSixPixelsAwayIsAClick", [](RecorderFixture& f) { f.clickAt({200, 200}, {203, 203}); }, {"M2 " + kClick}},
    {"ReleaseSevenPixelsAwayIsADrag", [](RecorderFixture& f) { f.clickAt({200, 200}, {204, 203}); },
     {"M0 \"\\[LBUTTON]\"", "M1 \"/[LBUTTON]\""}},
    {"TwoClicksAtOnePlaceMerge",
     [](RecorderFixture& f) { f.clickAt({200, 200}, {200, 200}); f.clickAt({201, 201}, {201, 201}); },
     {"M2 " + kClick + "&" + kClick}},
    {"OwnWindowsAreNotRecorded",
     [](RecorderFixture& f) {
       f.desktop->createWindow({.title = "Quillmote - recorded.qlm", .own = true});
       f.typeKeys({'A', vk::kReturn});
     },
     {}},
    {"EventsOfQuillmotesOwnInjectionAreNotRecorded",
     [](RecorderFixture& f) {
       f.platform->input->sendKey('A', false);
       f.platform->input->sendKey('A', true);
       f.typeKeys({'B', vk::kReturn});
     },
     {"K2 \"bV[RETURN]\""}},
};

class RecordingCaseTest : public ::testing::TestWithParam<RecordingCase> {};

TEST_P(RecordingCaseTest, GivesTheRecordsOfTheUsersInput) {
  RecorderFixture f;
  for (const auto& [name, value] : GetParam().machineValues) f.desktop->machineValues()[name] = value;
  ASSERT_TRUE(f.recorder.start(f.path).ok);
  GetParam().userInput(f);
  f.recorder.stop();
  EXPECT_FALSE(f.recorder.recording());
  EXPECT_EQ(f.observer.stops, 1);
  EXPECT_TRUE(f.observer.tidied);
  EXPECT_EQ(f.desktop->beeps(), GetParam().beeps);
  std::vector<std::string> all = f.records();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[0].substr(0, 1) + all[1].substr(0, 1), "12");
  EXPECT_EQ(std::vector<std::string>(all.begin() + 2, all.end()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Recorder, RecordingCaseTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RecorderTest, StartReleasesHeldModifiersAndWritesTheDefaultRecordsOnlyIntoAnEmptyDocument) {
  RecorderFixture f;
  for (int round = 0; round < 2; ++round) {
    f.desktop->userKey(vk::kShift, false);
    f.desktop->userKey(vk::kControl, false);
    ASSERT_TRUE(f.recorder.start(f.path).ok);
    EXPECT_FALSE(f.desktop->isKeyDown(vk::kShift));
    EXPECT_FALSE(f.desktop->isKeyDown(vk::kControl));
    f.typeKeys({'A', vk::kReturn});
    f.recorder.stop();
  }
  EXPECT_EQ(f.records().size(), 4u);
}

// The click record keeps its place in the window; a new picture resets the boxes that no longer fit.
TEST(PictureReplacementTest, NewPictureOfTheWindowAndBoxesResetWhenTheyNoLongerFit) {
  const struct {
    const char* name;
    Rect windowNow;
    Point click;
    Rect imageArea;
  } cases[] = {
      {"SameWindow", Rect::fromSize(100, 100, 400, 300), {30, 40}, rectFromInclusive(10, 30, 50, 50)},
      {"ShrunkWindow", Rect::fromSize(100, 100, 35, 35), {20, 20}, rectFromInclusive(10, 10, 30, 30)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecorderFixture f;
    ASSERT_TRUE(f.recorder.start(f.path).ok);
    f.clickAt({130, 140}, {130, 140});
    f.recorder.stop();
    RecordImage before = f.recordAt(2);
    EXPECT_EQ(before.text(TextField::WindowTitle), "Editor");
    EXPECT_EQ(before.get(IntField::ClickFlag), 1);
    EXPECT_EQ(before.window().width, 400);
    f.desktop->moveWindow(f.editor, c.windowNow);
    f.desktop->paintWindow(f.editor, Rect::fromSize(0, 0, 400, 300), 0x123456);
    f.desktop->createWindow({.title = "In front"});

    Outcome replaced = replaceRecordPicture(*f.platform, f.path, 2);
    ASSERT_TRUE(replaced.ok) << replaced.message;
    EXPECT_EQ(f.records().size(), 3u);
    RecordImage after = f.recordAt(2);
    EXPECT_EQ(after.text(TextField::Instruction), before.text(TextField::Instruction));
    EXPECT_EQ(after.click(), c.click);
    EXPECT_EQ(after.imageArea(), c.imageArea);
    EXPECT_EQ(after.window().valid, 0);
    Result<Picture> picture = readRecordPicture(f.path, 2);
    ASSERT_TRUE(static_cast<bool>(picture)) << picture.error();
    EXPECT_EQ(picture->width, c.windowNow.width());
    EXPECT_EQ(picture->pixels[0], 0x56);
  }
}

}  // namespace
}  // namespace qlm
