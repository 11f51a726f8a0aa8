// Keys and clicks go only into the window the lookup chose: a focus that
// moves away is taken back, a target that is gone or cannot come back stops
// playback, and nothing ever reaches the window beside it.
#include <gtest/gtest.h>

#include "PlaybackFixture.h"

namespace qlm {
namespace {

enum class Disturbance { None, StealFocus, CloseTarget, TargetCannotComeBack, TargetCoveredAndStuck };

struct GuardCase {
  const char* name;
  std::string text;
  Point click;
  Disturbance disturbance;
  bool completes;
  const char* message;  // how the stop message begins; empty: no message
  const char* traced;   // a trace description that must appear; empty: none
};

void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class FocusGuard : public testing::PlaybackTest, public ::testing::WithParamInterface<GuardCase> {
 protected:
  FocusGuard() {
    target = window("Notepad", "notes.txt");
    bystander = window("Notepad", "other");  // the same class: the class-only fallback would pick it
    doc.setVariableNumber("$QLM_KEY_SPEED", 0);
    doc.setVariableNumber("$QLM_MOUSE_SPEED", 0);
  }

  void stealFocusEvery(std::int64_t ms) {
    desktop->after(ms, [this, ms] {
      desktop->activate(bystander);
      stealFocusEvery(ms);
    });
  }

  WindowId target = kNoWindow;
  WindowId bystander = kNoWindow;
};

TEST_P(FocusGuard, NothingReachesAnotherWindow) {
  const GuardCase& c = GetParam();
  ASSERT_TRUE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  auto coverTarget = [this] {
    desktop->refuseActivation(target, true);
    desktop->activate(bystander);
  };
  switch (c.disturbance) {
    case Disturbance::None: break;
    case Disturbance::StealFocus: stealFocusEvery(200); break;
    case Disturbance::CloseTarget: desktop->after(1000, [this] { desktop->closeWindow(target); }); break;
    case Disturbance::TargetCannotComeBack: desktop->after(1000, coverTarget); break;
    case Disturbance::TargetCoveredAndStuck: coverTarget(); break;
  }
  RecordTarget record{"Notepad", "notes.txt", c.click};
  EXPECT_EQ(injection.sendText(c.text, record), c.completes);
  EXPECT_EQ(desktop->typedText(bystander), "");
  EXPECT_TRUE(desktop->clicks(bystander).empty());
  EXPECT_EQ(doc.stopRequested(), !c.completes);
  if (c.completes && c.text.find('[') == std::string::npos) {
    EXPECT_EQ(desktop->typedText(target), c.text);
  }
  EXPECT_TRUE(lastMessage().starts_with(c.message)) << lastMessage();
  EXPECT_EQ(std::string(c.message).empty(), ui.messages().empty());
  if (*c.traced != '\0') {
    EXPECT_TRUE(traced(c.traced, "V[LBUTTON] (2000,20)"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Disturbances, FocusGuard,
    ::testing::Values(
        GuardCase{"FocusStolenEvery200ms", std::string(200, 'x'), {10, 20}, Disturbance::StealFocus, true, "", ""},
        GuardCase{"TargetClosedMidText", std::string(150, 'x'), {10, 20}, Disturbance::CloseTarget, false,
                  "The target window disappeared: \nTitle='notes.txt'\nApplication:'Notepad'", ""},
        GuardCase{"TargetCannotComeBack", std::string(150, 'x'), {10, 20}, Disturbance::TargetCannotComeBack, false,
                  "Keys not sent: the keyboard focus is not in the target window: \nTitle='notes.txt'\n"
                  "Application:'Notepad'\nbut in the window: \nTitle='other'",
                  ""},
        GuardCase{"ClickOnAWindowInFront", "V[LBUTTON]", {10, 20}, Disturbance::TargetCoveredAndStuck, false,
                  "Click not sent: the point 110,120 is not in the target window: ", ""},
        GuardCase{"ClickPointOffTheScreen", "V[LBUTTON]", {1900, -80}, Disturbance::None, true, "",
                  "Click not sent, its point lies outside the screen:"}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlm
