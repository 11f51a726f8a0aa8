#include "imaging/CaptureBuffer.h"

#include <gtest/gtest.h>

#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

class DesktopCapture : public ::testing::Test {
 protected:
  DesktopCapture() {
    SimWindowSpec spec;
    spec.rect = Rect::fromSize(50, 40, 101, 50);
    spec.color = 0x336699;
    back = desktop->createWindow(spec);
    spec.rect = Rect::fromSize(300, 200, 60, 30);
    spec.color = 0x112233;
    front = desktop->createWindow(spec);
  }
  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>(640, 480);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  WindowId back = kNoWindow;
  WindowId front = kNoWindow;
  CaptureBuffer buffer;
};

TEST_F(DesktopCapture, KindsChooseTheForegroundWindowThePointedWindowOrTheScreen) {
  desktop->userMove({60, 50});
  EXPECT_EQ(snapshotArea(*platform->windows, CaptureSource::ForegroundWindow), Rect::fromSize(300, 200, 60, 30));
  EXPECT_EQ(snapshotArea(*platform->windows, CaptureSource::WindowUnderPointer), Rect::fromSize(50, 40, 101, 50));
  EXPECT_EQ(snapshotArea(*platform->windows, CaptureSource::WholeScreen), Rect::fromSize(0, 0, 640, 480));
  desktop->userMove({5, 5});
  EXPECT_EQ(snapshotArea(*platform->windows, CaptureSource::WindowUnderPointer), Rect::fromSize(0, 0, 640, 480));
}

TEST_F(DesktopCapture, APictureOfAWindowHasTheStoredHeadersAndTheScreensPixels) {
  desktop->activate(back);
  ASSERT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
  EXPECT_EQ(buffer.screenArea(), Rect::fromSize(50, 40, 101, 50));
  const Picture& picture = buffer.picture();
  EXPECT_EQ(std::pair(picture.bitsPerPixel, picture.pixelBytes()), std::pair(32, std::size_t{20200}));
  const std::uint8_t* pixel = picture.rowFromTop(10) + 4 * 10;
  EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2]}), (std::vector<int>{0x99, 0x66, 0x33}));
}

TEST_F(DesktopCapture, CutOutsComeFromTheMainCaptureAndKeepTheirSizeAtItsEdges) {
  desktop->activate(back);
  ASSERT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
  desktop->closeWindow(back);  // the cut-out is taken from the capture, not the screen
  const Picture& cut = buffer.slot().cutOut();
  auto red = [&](int x, int y) { return int{cut.rowFromTop(y)[4 * x + 2]}; };
  ASSERT_TRUE(buffer.slot().cutPicture(-5, -5, 10, 10));  // over the top-left corner
  EXPECT_EQ((std::vector<int>{cut.width, cut.height, red(7, 7), red(2, 2)}), (std::vector<int>{10, 10, 0x33, 0}));
  ASSERT_TRUE(buffer.slot().cutPicture(96, 45, 10, 10));  // over the bottom-right corner
  EXPECT_EQ((std::vector<int>{cut.width, cut.height, red(2, 2), red(8, 8)}), (std::vector<int>{10, 10, 0x33, 0}));
  EXPECT_FALSE(buffer.slot().cutPicture(0, 0, 0, 5));
}

TEST_F(DesktopCapture, AFailedCaptureLeavesNoOlderPictureBehind) {
  ASSERT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
  desktop->closeWindow(front);
  desktop->closeWindow(back);
  EXPECT_FALSE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
  EXPECT_FALSE(buffer.exists());
}

}  // namespace
}  // namespace qlm
