// IfText and GetText on a simulated desktop whose windows show rendered text,
// read by Tesseract. The desktop's clock is virtual and the loop makes a
// pass per millisecond, so the engine answers a picture it has read from memory.
#include <gtest/gtest.h>

#include <map>

#include "../imaging/DesktopDocument.h"
#include "RenderedText.h"
#include "app/ProgramFunctions.h"
#include "ocr/Recognise.h"

namespace qlm {
namespace {

using testing::kTextStyles;

class RememberingEngine final : public OcrEngine {
 public:
  Result<Recognition> recognise(const GreyImage& image) override {
    ++passes;
    std::string key(image.pixels.begin(), image.pixels.end());
    key += std::to_string(image.width);
    auto known = m_known.find(key);
    if (known == m_known.end()) {
      Result<Recognition> read = ocrEngine(OcrEngineKind::Tesseract).recognise(image);
      if (!read) return read;
      known = m_known.emplace(key, *read).first;
    }
    return known->second;
  }
  int passes = 0;

 private:
  std::map<std::string, Recognition> m_known;
};

const Rect kWindow = Rect::fromSize(100, 100, 300, 80);
// In the window; a new record's text area lies 10 pixels right of its image area.
constexpr Rect kImageArea{10, 10, 130, 50};
constexpr Point kClick{15, 20};

class TextConditionTest : public testing::DesktopDocumentTest {
 protected:
  TextConditionTest() : DesktopDocumentTest(programFunctionBodies()) { setOcrEngineOverride(&engine); }
  ~TextConditionTest() override { setOcrEngineOverride(nullptr); }

  // `text` drawn with its top-left corner at `at` in the window.
  void paintText(WindowId window, std::string_view text, Point at) {
    testing::TextRenderer renderer;
    const Picture picture = renderer.render(text, 18, kTextStyles[0], 0);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const std::uint8_t* p = picture.rowFromTop(y) + 4 * x;
        if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
        desktop->paintWindow(window, Rect::fromSize(at.x + x, at.y + y, 1, 1), p[2] << 16 | p[1] << 8 | p[0]);
      }
    }
  }

  WindowId recordWindow(std::string instruction) {
    WindowId window = paintedWindow(kWindow);
    desktop->paintWindow(window, Rect::fromSize(0, 0, kWindow.width(), kWindow.height()), 0xFFFFFF);
    testing::RecordSpec spec;
    spec.instruction = std::move(instruction);
    spec.imageArea = {kImageArea.left, kImageArea.top, kImageArea.right - 1, kImageArea.bottom - 1};
    spec.click = kClick;
    spec.conditionLevel = 4;
    addRecord(spec, *desktop->capture(kWindow));
    loadAtFirstRecord();
    return window;
  }

  RememberingEngine engine;
};

TEST_F(TextConditionTest, FindsTheTextOnceItAppearsAndClicksRelativeToIt) {
  WindowId window = recordWindow(R"(IfText("Total",5,"V[LBUTTON]","notfound"))");
  ui.setMainWindowTitle("Quillmote - [doc.qlm] more");
  desktop->after(1500, [&] { paintText(window, "Sum Total", {15, 20}); });
  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_GE(desktop->now(), 1500);
  // "Total" lies about 45 pixels right of the text's start.
  EXPECT_NEAR(doc.foundPosition().x, 15 + 45, 6);
  EXPECT_NEAR(doc.foundPosition().y, 20, 5);
  const Point click = doc.foundClickPoint();
  EXPECT_EQ(click, (Point{kWindow.left + doc.foundPosition().x + kClick.x - kImageArea.left,
                          kWindow.top + doc.foundPosition().y + kClick.y - kImageArea.top}));
  ASSERT_EQ(desktop->clicks(window).size(), 1u);
  EXPECT_EQ(desktop->clicks(window)[0].position, (Point{click.x - kWindow.left, click.y - kWindow.top}));
  EXPECT_EQ(desktop->typedText(window), "");
  // Every pass shows what it read; the title showed the progress and came back.
  ASSERT_FALSE(ui.messages().empty());
  EXPECT_EQ(ui.messages().back(), "Sum Total\n");
  EXPECT_EQ(ui.titles().at(1), "IfText 0/5");
  EXPECT_GT(ui.flashCount(), 0);
  EXPECT_EQ(ui.mainWindowTitle(), "Quillmote - [doc.qlm]");
}

// An empty text is found as soon as the area is read, at its origin.
TEST_F(TextConditionTest, TextThatNeverAppearsRunsTheOtherBranchAtTheLimit) {
  WindowId window = recordWindow("");
  paintText(window, "Price", {40, 20});
  EXPECT_EQ(evaluate(R"(IfText("",5,"yes","no"))").text, "yes");
  EXPECT_EQ(engine.passes, 1);
  EXPECT_EQ(doc.foundPosition(), (Point{kImageArea.left, kImageArea.top}));
  EXPECT_EQ(evaluate(R"(IfText("Total",1,"yes","no"))").text, "no");
  EXPECT_EQ(desktop->now(), 2000);
  EXPECT_EQ(doc.foundPosition(), (Point{-2, -2}));
  EXPECT_EQ(doc.foundClickPoint(), (Point{-2, -2}));
  ASSERT_FALSE(events.events().empty());
  EXPECT_EQ(events.events().back().description, "IfText(), Execution of instruction:");
  EXPECT_EQ(events.events().back().text, "\"no\"");
  EXPECT_EQ(ui.flashCount(), 0);
}

// A limit of -1 waits past any number of seconds.
TEST_F(TextConditionTest, TheEndKeyEndsTheWaitAndNeitherBranchRuns) {
  recordWindow("");
  desktop->after(2500, [&] { doc.flags().endKey = true; });
  EXPECT_EQ(evaluate(R"(IfText("Total",-1,"yes","no"))").text, "");
  EXPECT_LT(desktop->now(), 2600);
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(doc.foundPosition(), (Point{-2, -2}));
}

TEST_F(TextConditionTest, GetTextReadsTheTextAreaAgainstItsFilter) {
  WindowId window = recordWindow("");
  paintText(window, "Total", {150, 20});
  paintText(window, "Price", {20, 20});
  platform->windows->setForeground(window);
  struct Case {
    const char* instruction;
    const char* result;
  };
  for (const Case& c : {Case{R"(GetText("TOTAL"))", "Total\n:OK"}, Case{R"(GetText(""))", "Total\n:OK"},
                        Case{R"(GetText("Price"))", "Total\n<>Price<[6,5]"}}) {
    SCOPED_TRACE(c.instruction);
    EXPECT_EQ(evaluate(c.instruction).text, c.result);
  }
}

}  // namespace
}  // namespace qlm
