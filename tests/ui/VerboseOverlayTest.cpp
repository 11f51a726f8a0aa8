// The verbose note: what it draws at each level, a window that takes neither
// focus nor clicks and is moved rather than made again, and the note along
// the target's top edge during a playback on the simulated desktop.
#include <QTest>

#include "UiSupport.h"
#include "ui/MainWindow.h"
#include "ui/VerboseOverlay.h"

namespace qlm {
namespace {

bool isBlack(const QImage& image, QPoint at) { return (image.pixel(at) & 0xFFFFFF) == 0; }

TEST(VerboseOverlayTest, DrawsTheFrameMarkerAndStatusOfItsLevel) {
  const QRect area(50, 60, 300, 80);
  // The note, a pixel that must be drawn, and one that must stay black (transparent).
  const std::tuple<const char*, VerboseNote, QPoint, QPoint> cases[] = {
      {"frame", {kVerboseFrame, area, {-1, -1}, {}, {}}, {3, 40}, {150, 40}},
      {"no frame bit", {kVerboseMarker | kVerboseStatus, area, {-1, -1}, {}, " x "}, {27, 8}, {3, 40}},
      {"marker instead of the frame", {7, area, {20, 20}, "Image found", {}}, {30, 20}, {3, 40}},
  };
  for (const auto& [name, note, drawn, blank] : cases) {
    SCOPED_TRACE(name);
    QImage image = renderVerboseNote(note);
    ASSERT_EQ(image.size(), area.size());
    EXPECT_FALSE(isBlack(image, drawn));
    EXPECT_TRUE(isBlack(image, blank));
  }
}

TEST(VerboseOverlayTest, IsMovedNotRemadeAndTakesNeitherFocusNorClicks) {
  VerboseOverlay overlay(false);
  EXPECT_TRUE(overlay.windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(overlay.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(overlay.testAttribute(Qt::WA_ShowWithoutActivating));
  overlay.showNote({7, QRect(10, 10, 200, 22), {-1, -1}, {}, " a "});
  ASSERT_TRUE(overlay.isVisible());
  const WId first = overlay.winId();
  EXPECT_FALSE(overlay.mask().contains(QPoint(100, 11)));
  EXPECT_TRUE(overlay.mask().contains(QPoint(3, 11)));
  overlay.showNote({7, QRect(40, 300, 250, 22), {-1, -1}, {}, " b "});
  EXPECT_EQ(overlay.winId(), first);
  EXPECT_EQ(overlay.geometry(), QRect(40, 300, 250, 22));
  EXPECT_FALSE(QApplication::focusWidget() == &overlay);
  overlay.showNote({0, QRect(40, 300, 250, 22), {-1, -1}, {}, " c "});
  EXPECT_FALSE(overlay.isVisible());
}

TEST(VerboseOverlayTest, PlaybackFramesTheTargetsTopEdge) {
  testing::TempFolder folder;
  const std::string path = folder.file("verbose.qlm");
  testing::writeDocument(path, {{.instruction = "Verbose(50)"}, {.instruction = "Wait(400)"}, {.instruction = "\"ab\""}});
  testing::SimServices sim;
  sim.desktop->createWindow({.className = "XTerm", .title = "typed", .process = "xterm",
                             .rect = Rect::fromSize(-20, 100, 400, 300), .textField = true});
  MessageLog messages;
  MainWindow window(*sim.platform, messages);
  ASSERT_TRUE(window.openDocument(QString::fromStdString(path)));
  bool finished = false;
  QObject::connect(&window, &MainWindow::playbackFinished, [&] { finished = true; });
  ASSERT_TRUE(window.play());
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 20000));
  EXPECT_TRUE(messages.messages().empty()) << messages.messages().front();
  const VerboseNote& note = window.verboseNotes().targetNote().note();
  EXPECT_EQ(note.level, 7);
  EXPECT_EQ(note.area, QRect(0, 100, 380, 22));
  EXPECT_EQ(note.status, " ab ");
  EXPECT_FALSE(window.verboseNotes().targetNote().isVisible());
}

}  // namespace
}  // namespace qlm
