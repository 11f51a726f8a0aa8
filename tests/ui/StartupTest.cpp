// The start-up of the desktop application: placement, autostart and the
// command-line check at the first paint.
#include <QMimeData>
#include <QTest>

#include "UiSupport.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

namespace qlm {
namespace {

TEST(StartupTest, PlacementAndAutostart) {
  struct Case {
    const char* line;
    Placement placement;
    bool plays;
  };
  const Case cases[] = {
      {"doc.qlm", Placement::Maximized, false},
      {"doc.qlm /PLAY", Placement::Maximized, true},
      {"doc.qlm /minimize", Placement::Minimized, false},
      {"doc.qlm /hide /minimize", Placement::Hidden, false},
      {"/home/u/ZKR/doc.qlm", Placement::Maximized, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CommandLine line = CommandLine::parse(c.line);
    EXPECT_EQ(startPlacement(line), c.placement);
    EXPECT_EQ(autostartPlays(line, line.documentPath()), c.plays);
  }
}

TEST(StartupTest, InvalidCommandLineIsShownAndTheWindowCloses) {
  const char* const lines[][2] = {
      {"doc.qlm /bogus", "Invalid command /bogus"},
      {"doc.qlm stray /play", "Invalid argument stray"},
      {"doc.qlm $A", "Missing value for variable $A"},
  };
  for (const auto& [line, message] : lines) {
    SCOPED_TRACE(line);
    testing::SimServices sim;
    MessageLog messages;
    MainWindow window(*sim.platform, messages, CommandLine::parse(line));
    bool closed = false;
    QObject::connect(&window, &MainWindow::closed, [&] { closed = true; });
    window.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, 2000));
    EXPECT_EQ(messages.messages(), std::vector<std::string>{message});
    EXPECT_FALSE(window.isVisible());
  }
}

TEST(StartupTest, DocumentsInAZkrFolderPlayWhenOpened) {
  struct Case {
    const char* folder;
    bool plays;
    bool closes;
  };
  const Case cases[] = {{"plain", false, false}, {"ZKR", true, false}, {"ZKRA", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    testing::TempFolder folder;
    std::filesystem::create_directory(folder.path() / c.folder);
    std::string path = (folder.path() / c.folder / "doc.qlm").string();
    testing::writeDocument(path, {{.instruction = "$A=1"}});
    testing::SimServices sim;
    MessageLog messages;
    MainWindow window(*sim.platform, messages);
    bool finished = false;
    bool closed = false;
    QObject::connect(&window, &MainWindow::playbackFinished, [&] { finished = true; });
    QObject::connect(&window, &MainWindow::closed, [&] { closed = true; });
    window.start();
    QTest::qWait(10);
    ASSERT_TRUE(window.openDocument(QString::fromStdString(path)));
    EXPECT_EQ(QTest::qWaitFor([&] { return finished; }, c.plays ? 10000 : 200), c.plays);
    EXPECT_EQ(closed, c.closes);
    EXPECT_TRUE(messages.messages().empty()) << messages.messages().front();
  }
}

TEST(StartupTest, OpenedAndDroppedDocumentsAreRemembered) {
  testing::TempFolder folder;
  testing::SimServices sim;
  MessageLog messages;
  std::vector<std::string> paths{folder.file("first.qlm"), folder.file("second.qlm")};
  for (const std::string& path : paths) testing::writeDocument(path, {{.instruction = "\"a\""}});
  MainWindow window(*sim.platform, messages);
  ASSERT_TRUE(window.openDocument(QString::fromStdString(paths[0])));

  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(paths[1]))});
  EXPECT_TRUE(window.openDropped(dropped));
  EXPECT_EQ(window.windowTitle(), "second.qlm - Quillmote");
  EXPECT_EQ(sim.platform->settings->readString("Recent File List", "File1"), paths[1]);
  EXPECT_EQ(sim.platform->settings->readString("Recent File List", "File2"), paths[0]);
  EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
}  // namespace qlm
