#include <algorithm>
#include <atomic>
#include <thread>

#include "X11Fixture.h"
#include "platform/VirtualKeys.h"

// After the test headers: Xlib's macros would rename their identifiers.
#include <X11/Xlib.h>

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::scratchFile;
using testing::waitFor;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::DesktopEnvironment);

class X11PlatformTest : public testing::DesktopTest {};

TEST_F(X11PlatformTest, FindsXtermByTitleClassAndProcess) {
  auto xterm = start({"xterm", "-T", "qlm find me"});
  WindowId window = waitForWindow("XTerm", "qlm find me");
  ASSERT_NE(window, kNoWindow);
  EXPECT_EQ(std::tuple(platform->windows->title(window), platform->windows->className(window),
                       platform->windows->processFileName(window)),
            std::tuple("qlm find me", "XTerm", "xterm"));
  EXPECT_EQ(platform->windows->findWindow(std::nullopt, "qlm find me"), window);
  EXPECT_EQ(platform->windows->findWindow("XTerm", "qlm find"), kNoWindow);
  auto all = platform->windows->topLevelWindows();
  EXPECT_NE(std::find(all.begin(), all.end(), window), all.end());
  // Without its pid property, a client's process comes from the server.
  auto probe = startProbe("qlm no pid", {"--no-pid"});
  EXPECT_EQ(platform->windows->processFileName(probe.window), "qlm_x11_probe");
}


TEST_F(X11PlatformTest, BringsWindowsForwardAndListsThemFrontToBack) {
  auto first = startProbe("qlm first");
  auto second = startProbe("qlm second");
  for (WindowId window : {first.window, second.window}) {
    ASSERT_TRUE(platform->windows->setForeground(window));
    // The window manager may still be giving up the focus of the previous test's closing windows.
    EXPECT_TRUE(waitFor([&] { return platform->windows->foreground() == window; }));
    EXPECT_EQ(platform->windows->topLevelWindows().at(0), window);
  }
  EXPECT_EQ(platform->windows->lastActivePopup(second.window), second.window);
}

TEST_F(X11PlatformTest, MovesResizesMinimisesRestoresAndMaximises) {
  auto probe = startProbe("qlm geometry");
  Rect target = Rect::fromSize(40, 50, 300, 200);
  ASSERT_TRUE(platform->windows->moveResize(probe.window, target));
  EXPECT_EQ(platform->windows->rect(probe.window), target);
  ASSERT_TRUE(platform->input->setPointerPosition({100, 200}));
  EXPECT_EQ(platform->input->pointerPosition(), (Point{100, 200}));
  EXPECT_EQ(platform->windows->windowUnderPointer(), probe.window);
  ASSERT_TRUE(platform->windows->minimize(probe.window));
  EXPECT_TRUE(platform->windows->isMinimized(probe.window));
  ASSERT_TRUE(platform->windows->restore(probe.window));
  EXPECT_FALSE(platform->windows->isMinimized(probe.window));
  ASSERT_TRUE(platform->windows->maximize(probe.window));
  EXPECT_GT(platform->windows->rect(probe.window).value_or(Rect{}).width(), 1800);
}

// What xclip writes, given `options` on the clipboard of `display`.
std::string xclip(const std::string& display, const std::string& options) {
  std::string output;
  if (FILE* pipe = popen(("DISPLAY=" + display + " timeout 5 xclip -selection clipboard " + options).c_str(), "r")) {
    char buffer[4096];
    for (size_t n = 0; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

TEST_F(X11PlatformTest, ClipboardRoundTripsWithXclip) {
  ASSERT_TRUE(platform->clipboard->setText("Gr\xFC\xDF" "e \x80 5"));
  EXPECT_TRUE(platform->clipboard->hasText());
  EXPECT_EQ(xclip(display, "-o"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC 5");
  EXPECT_EQ(platform->clipboard->readText().text, "Gr\xFC\xDF" "e \x80 5");
  // STRING is ISO-8859-1: a text with the euro sign is offered as UTF8_STRING only.
  EXPECT_EQ(xclip(display, "-t STRING -o 2>/dev/null"), "");
  ASSERT_TRUE(platform->clipboard->setText("caf\xE9"));
  EXPECT_EQ(xclip(display, "-t STRING -o"), "caf\xE9");
  const auto big = scratchFile("clip.txt");
  std::ofstream(big) << "from xclip \xC3\xA9";
  xclip(display, "-i < '" + big.string() + "' >/dev/null 2>&1");
  ASSERT_TRUE(waitFor([&] { return platform->clipboard->readText().text == "from xclip \xE9"; }));
  // Large texts come in pieces (INCR), both ways.
  std::ofstream(big) << std::string(600000, 'x') << "end";
  xclip(display, "-i < '" + big.string() + "' >/dev/null 2>&1");
  ASSERT_TRUE(waitFor([&] { return platform->clipboard->readText().text.size() == 600003; }));
  EXPECT_EQ(platform->clipboard->readText().text.substr(599998), "xxend");
  std::filesystem::remove(big);
  ASSERT_TRUE(platform->clipboard->setText(std::string(400000, 'y')));
  EXPECT_EQ(xclip(display, "-o").size(), 400000u);
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
  std::jthread mover([&](std::stop_token stop) {
    for (int i = 0; !stop.stop_requested(); ++i) {
      platform->input->setPointerPosition({300 + i % 50, 300});
      std::this_thread::sleep_for(1ms);
    }
  });
  ASSERT_TRUE(waitFor([&] { return calls > 5; }));
  // The subscription outlives the platform on purpose, as a listener of the
  // program's own does; it is kept where it can never end.
  g_keptSubscription = new WatchSubscription(std::move(subscription));
  made.platform.reset();
}

TEST_F(X11PlatformTest, StoppedClientsAreReportedAsNotResponding) {
  auto xterm = start({"xterm", "-T", "qlm stop me"});
  WindowId terminal = waitForWindow("XTerm", "qlm stop me");
  auto probe = startProbe("qlm ping", {"--ping"});
  ASSERT_NE(terminal, kNoWindow);
  for (auto [pid, window] : {std::pair{xterm->pid(), terminal}, {probe.client->pid(), probe.window}}) {
    SCOPED_TRACE(pid);
    EXPECT_TRUE(platform->windows->isResponding(window, 30ms));
    kill(pid, SIGSTOP);
    EXPECT_FALSE(platform->windows->isResponding(window, 30ms));
    kill(pid, SIGCONT);
    EXPECT_TRUE(waitFor([&] { return platform->windows->isResponding(window, 30ms); }));
  }
  // The checks must not have closed the terminal.
  EXPECT_TRUE(platform->windows->exists(terminal));
}

TEST_F(X11PlatformTest, DesktopLayoutAndKeyState) {
  const DesktopInfo info = platform->windows->desktop();
  EXPECT_EQ(std::tuple(info.width, info.height, info.bitsPerPixel), std::tuple(1920, 1080, 32));
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

// A client that maps its window the moment the private desktop is up gets it managed like any
// later one: openbox loses map requests that reach it while it is still starting.
TEST(VirtualDesktopStart, TheFirstWindowMappedIsShown) {
  for (int round = 0; round < 3; ++round) {
    std::string error;
    auto desktop = VirtualDesktop::start({}, error);
    ASSERT_TRUE(desktop) << error;
    Display* display = XOpenDisplay(desktop->display().c_str());
    ASSERT_NE(display, nullptr);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 50, 50, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    EXPECT_TRUE(waitFor([&] {
      XWindowAttributes attributes;
      return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
    }, 3s)) << "round " << round;
    XCloseDisplay(display);
  }
}

// The backends in table order; the environment names another one.
TEST(PlatformTable, EnvironmentPicksTheBackend) {
  const char* old = std::getenv("QUILLMOTE_PLATFORM");
  std::string saved = old ? old : "";
  EXPECT_EQ(std::pair(platformTable().size(), platformTable()[0].name), std::pair(std::size_t{2}, std::string_view("x11")));
  setenv("QUILLMOTE_PLATFORM", "sim", 1);
  auto sim = openPlatform();
  EXPECT_EQ(sim.platform ? sim.platform->name : "", "sim");
  if (old) setenv("QUILLMOTE_PLATFORM", saved.c_str(), 1); else unsetenv("QUILLMOTE_PLATFORM");
}

}  // namespace
}  // namespace qlm
