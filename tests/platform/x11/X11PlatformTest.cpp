#include <algorithm>
#include <atomic>
#include <thread>
#include <sstream>

#include "X11Fixture.h"
#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;
using testing::DesktopEnvironment;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

class X11PlatformTest : public testing::DesktopTest {
 protected:
  Probe startProbe(const std::string& title, const std::string& color, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--color", color});
    return DesktopTest::startProbe(title, extra);
  }
};

TEST_F(X11PlatformTest, DesktopHasTheVirtualScreensSizeAndDepth) {
  const DesktopInfo info = platform->windows->desktop();
  EXPECT_EQ(std::tuple(info.width, info.height, info.bitsPerPixel), std::tuple(1920, 1080, 32));
}
TEST_F(X11PlatformTest, FindsXtermByTitleClassAndProcess) {
  auto xterm = start({"xterm", "-T", "qlm find me"});
  WindowId window = waitForWindow("XTerm", "qlm find me");
  ASSERT_NE(window, kNoWindow);
  EXPECT_EQ(platform->windows->title(window), "qlm find me");
  EXPECT_EQ(platform->windows->className(window), "XTerm");
  EXPECT_EQ(platform->windows->processFileName(window), "xterm");
  EXPECT_EQ(platform->windows->findWindow(std::nullopt, "qlm find me"), window);
  EXPECT_EQ(platform->windows->findWindow("XTerm", "qlm find"), kNoWindow);
  auto all = platform->windows->topLevelWindows();
  EXPECT_NE(std::find(all.begin(), all.end(), window), all.end());
}

TEST_F(X11PlatformTest, ProcessOfAClientWithoutPidPropertyComesFromTheServer) {
  auto probe = startProbe("qlm no pid", "202020", {"--no-pid"});
  ASSERT_NE(probe.window, kNoWindow);
  EXPECT_EQ(platform->windows->processFileName(probe.window), "qlm_x11_probe");
}

TEST_F(X11PlatformTest, BringsWindowsForwardAndListsThemFrontToBack) {
  auto first = startProbe("qlm first", "ff0000");
  auto second = startProbe("qlm second", "00ff00");
  ASSERT_TRUE(platform->windows->setForeground(first.window));
  EXPECT_EQ(platform->windows->foreground(), first.window);
  auto order = platform->windows->topLevelWindows();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), first.window);
  ASSERT_TRUE(platform->windows->setForeground(second.window));
  EXPECT_EQ(platform->windows->foreground(), second.window);
  EXPECT_EQ(platform->windows->lastActivePopup(second.window), second.window);
}

TEST_F(X11PlatformTest, MovesResizesMinimisesRestoresAndMaximises) {
  auto probe = startProbe("qlm geometry", "123456");
  Rect target = Rect::fromSize(40, 50, 300, 200);
  ASSERT_TRUE(platform->windows->moveResize(probe.window, target));
  EXPECT_EQ(platform->windows->rect(probe.window), target);
  ASSERT_TRUE(platform->windows->minimize(probe.window));
  EXPECT_TRUE(platform->windows->isMinimized(probe.window));
  ASSERT_TRUE(platform->windows->restore(probe.window));
  EXPECT_FALSE(platform->windows->isMinimized(probe.window));
  ASSERT_TRUE(platform->windows->maximize(probe.window));
  auto maximised = platform->windows->rect(probe.window);
  ASSERT_TRUE(maximised);
  EXPECT_GT(maximised->width(), 1800);
}

TEST_F(X11PlatformTest, ClicksReachOurClientWherePlaced) {
  auto probe = startProbe("qlm clicks", "445566");
  auto rect = platform->windows->rect(probe.window);
  ASSERT_TRUE(rect);
  Point target{rect->left + rect->width() / 2, rect->bottom - 20};
  ASSERT_TRUE(platform->input->setPointerPosition(target));
  EXPECT_EQ(platform->input->pointerPosition(), target);
  EXPECT_EQ(platform->windows->windowUnderPointer(), probe.window);
  ASSERT_TRUE(platform->input->sendMouse(mouse::kMove));
  ASSERT_TRUE(platform->input->sendMouse(mouse::kRightDown));
  ASSERT_TRUE(platform->input->sendMouse(mouse::kRightUp));
  std::ostringstream expected;
  expected << " " << target.x << " " << target.y << "\n";
  EXPECT_TRUE(waitFor([&] {
    std::string log = readFile(probe.log);
    return log.find("button 3 ") != std::string::npos && log.find(expected.str()) != std::string::npos;
  })) << readFile(probe.log);
}

TEST_F(X11PlatformTest, CapturesWhatTheScreenShowsInStoredLayout) {
  auto below = startProbe("qlm below", "336699");
  auto above = startProbe("qlm above", "cc8844");
  ASSERT_TRUE(platform->windows->moveResize(below.window, Rect::fromSize(0, 0, 400, 300)));
  ASSERT_TRUE(platform->windows->moveResize(above.window, Rect::fromSize(200, 0, 400, 300)));
  ASSERT_TRUE(platform->windows->setForeground(above.window));
  waitFor([] { return false; }, 200ms);  // let both repaint
  auto picture = platform->capture->capture(Rect::fromSize(150, 200, 100, 20));
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->pixels.size(), 100u * 4 * 20);
  const std::uint8_t* row = picture->rowFromTop(10);
  EXPECT_EQ((std::vector<int>{row[40], row[41], row[42], row[43]}), (std::vector<int>{0x99, 0x66, 0x33, 0}));
  EXPECT_EQ((std::vector<int>{row[360], row[361], row[362]}), (std::vector<int>{0x44, 0x88, 0xcc}));
  auto outside = platform->capture->capture(Rect::fromSize(1900, 1070, 40, 20));
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->rowFromTop(19)[4 * 39 + 2], 0);
}

std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

TEST_F(X11PlatformTest, ClipboardRoundTripsWithXclip) {
  ASSERT_TRUE(platform->clipboard->setText("Gr\xFC\xDF" "e \x80 5"));
  EXPECT_TRUE(platform->clipboard->hasText());
  EXPECT_EQ(run("DISPLAY=" + display + " timeout 5 xclip -selection clipboard -o"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC 5");
  EXPECT_EQ(platform->clipboard->readText().text, "Gr\xFC\xDF" "e \x80 5");

  // STRING is ISO-8859-1: a text with the euro sign is offered as UTF8_STRING only.
  EXPECT_EQ(run("DISPLAY=" + display + " timeout 5 xclip -selection clipboard -t STRING -o 2>/dev/null"), "");
  ASSERT_TRUE(platform->clipboard->setText("caf\xE9"));
  EXPECT_EQ(run("DISPLAY=" + display + " timeout 5 xclip -selection clipboard -t STRING -o"), "caf\xE9");

  run("printf 'from xclip \\303\\251' | DISPLAY=" + display + " timeout 5 xclip -selection clipboard -i >/dev/null 2>&1");
  ASSERT_TRUE(waitFor([&] { return platform->clipboard->readText().text == "from xclip \xE9"; }));

  // Large texts come in pieces (INCR).
  auto big = scratchFile("big.txt");
  std::ofstream(big) << std::string(600000, 'x') << "end";
  run("DISPLAY=" + display + " timeout 5 xclip -selection clipboard -i < '" + big.string() + "' >/dev/null 2>&1");
  ClipboardText read;
  ASSERT_TRUE(waitFor([&] {
    read = platform->clipboard->readText();
    return read.text.size() == 600003;
  })) << read.text.size();
  EXPECT_EQ(read.text.substr(599998), "xxend");
  std::filesystem::remove(big);
  // And our own large text is served in pieces.
  ASSERT_TRUE(platform->clipboard->setText(std::string(400000, 'y')));
  EXPECT_EQ(run("DISPLAY=" + display + " timeout 5 xclip -selection clipboard -o").size(), 400000u);
}

TEST_F(X11PlatformTest, WatchSeesInjectedKeysAndClicksMarkedAsInjected) {
  std::mutex mutex;
  std::vector<WatchedEvent> seen;
  auto subscription = platform->inputWatch->listen([&](const WatchedEvent& e) {
    std::lock_guard lock(mutex);
    seen.push_back(e);
  });
  ASSERT_TRUE(subscription.active());
  auto probe = startProbe("qlm watch", "101010");
  ASSERT_TRUE(platform->windows->setForeground(probe.window));
  auto rect = platform->windows->rect(probe.window);
  ASSERT_TRUE(rect);
  Point at{rect->left + 30, rect->bottom - 30};
  platform->input->setPointerPosition(at);
  platform->input->sendKey(vk::kEnd, false);
  platform->input->sendKey(vk::kEnd, true);
  platform->input->sendMouse(mouse::kLeftDown);
  platform->input->sendMouse(mouse::kLeftUp);
  auto has = [&](int message) {
    std::lock_guard lock(mutex);
    return std::any_of(seen.begin(), seen.end(), [&](const WatchedEvent& e) { return e.message == message; });
  };
  ASSERT_TRUE(waitFor([&] { return has(watch::kKeyUp) && has(watch::kLeftUp); }));
  std::lock_guard lock(mutex);
  for (const auto& e : seen) {
    SCOPED_TRACE(e.message);
    EXPECT_TRUE(e.injected);
    EXPECT_TRUE(e.ours);
    if (e.isKey()) {
      EXPECT_EQ(e.virtualKey, vk::kEnd);
      EXPECT_EQ(e.flags & watch::kKeyInjected, watch::kKeyInjected);
    }
    if (e.message == watch::kLeftDown) {
      EXPECT_EQ(e.position, at);
    }
  }
}

WatchSubscription* volatile g_keptSubscription = nullptr;

// The watch's thread may be calling a listener that uses the other parts
// while the platform goes away.
TEST_F(X11PlatformTest, TeardownStopsTheWatchBeforeThePartsItsListenersUse) {
  auto made = createX11Platform(display);
  ASSERT_TRUE(made.platform) << made.message;
  Platform* other = made.platform.get();
  std::atomic<int> calls{0};
  auto subscription = other->inputWatch->listen([other, &calls](const WatchedEvent&) {
    std::this_thread::sleep_for(2ms);
    other->clipboard->hasText();
    other->sound->beep(440, 1);
    ++calls;
  });
  ASSERT_TRUE(subscription.active());
  std::atomic<bool> done{false};
  std::thread mover([&] {
    for (int i = 0; !done; ++i) {
      platform->input->setPointerPosition({300 + i % 50, 300});
      std::this_thread::sleep_for(1ms);
    }
  });
  ASSERT_TRUE(waitFor([&] { return calls > 5; }));
  // The subscription outlives the platform on purpose, as a listener of the
  // program's own does; it is kept where it can never end.
  g_keptSubscription = new WatchSubscription(std::move(subscription));
  made.platform.reset();
  done = true;
  mover.join();
}

TEST_F(X11PlatformTest, StoppedClientsAreReportedAsNotResponding) {
  auto xterm = start({"xterm", "-T", "qlm stop me"});
  WindowId terminal = waitForWindow("XTerm", "qlm stop me");
  auto probe = startProbe("qlm ping", "777777", {"--ping"});
  ASSERT_NE(terminal, kNoWindow);
  EXPECT_TRUE(platform->windows->isResponding(terminal, 30ms));
  EXPECT_TRUE(platform->windows->isResponding(probe.window, 30ms));
  kill(xterm->pid(), SIGSTOP);
  kill(probe.client->pid(), SIGSTOP);
  EXPECT_FALSE(platform->windows->isResponding(terminal, 30ms));
  EXPECT_FALSE(platform->windows->isResponding(probe.window, 30ms));
  kill(xterm->pid(), SIGCONT);
  kill(probe.client->pid(), SIGCONT);
  EXPECT_TRUE(waitFor([&] { return platform->windows->isResponding(terminal, 30ms); }));
  EXPECT_TRUE(waitFor([&] { return platform->windows->isResponding(probe.window, 30ms); }));
  // The checks must not have closed the terminal.
  EXPECT_TRUE(platform->windows->exists(terminal));
}

TEST_F(X11PlatformTest, LayoutLookupAndKeyState) {
  EXPECT_EQ(platform->input->keyForCharacter('a'), (KeyStroke{'A', 0}));
  EXPECT_EQ(platform->input->keyForCharacter('A'), (KeyStroke{'A', 1}));
  EXPECT_EQ(platform->input->keyForCharacter('!'), (KeyStroke{'1', 1}));
  EXPECT_EQ(platform->input->keyForCharacter('\n'), (KeyStroke{vk::kReturn, 0}));
  EXPECT_FALSE(platform->input->keyForCharacter(0xE9).has_value());
  ASSERT_TRUE(platform->input->sendKey(vk::kShift, false));
  EXPECT_TRUE(waitFor([&] { return platform->input->isKeyDown(vk::kShift); }));
  ASSERT_TRUE(platform->input->sendKey(vk::kShift, true));
  EXPECT_FALSE(platform->input->isKeyDown(vk::kShift));
  EXPECT_FALSE(platform->input->isCapsLockOn());
}

TEST_F(X11PlatformTest, VanishedWindowsAreFailuresNotCrashes) {
  WindowId gone = 0x7FFFFF0;
  EXPECT_FALSE(platform->windows->exists(gone));
  EXPECT_EQ(platform->windows->title(gone), "");
  EXPECT_FALSE(platform->windows->rect(gone).has_value());
  EXPECT_FALSE(platform->windows->setForeground(gone));
  EXPECT_FALSE(platform->windows->moveResize(gone, Rect::fromSize(0, 0, 10, 10)));
  EXPECT_FALSE(platform->windows->isResponding(gone, 30ms));
}

}  // namespace
}  // namespace qlm

namespace qlm {
namespace {

TEST(PlatformTable, EnvironmentPicksTheBackend) {
  const char* old = std::getenv("QUILLMOTE_PLATFORM");
  std::string saved = old ? old : "";
  ASSERT_EQ(platformTable().size(), 2u);
  EXPECT_EQ(platformTable()[0].name, "x11");
  setenv("QUILLMOTE_PLATFORM", "sim", 1);
  auto sim = openPlatform();
  ASSERT_TRUE(sim.platform);
  EXPECT_EQ(sim.platform->name, "sim");
  setenv("QUILLMOTE_PLATFORM", "none", 1);
  EXPECT_FALSE(openPlatform().platform);
  if (old) setenv("QUILLMOTE_PLATFORM", saved.c_str(), 1); else unsetenv("QUILLMOTE_PLATFORM");
}

}  // namespace
}  // namespace qlm
