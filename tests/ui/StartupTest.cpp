// The start-up of the desktop application: placement, autostart, and the
// documents it opens and remembers.
#include <QMimeData>
#include <QTest>

#include "UiSupport.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

namespace qlm {
namespace {

TEST(StartupTest, PlacementAndAutostart) {
  const std::tuple<const char*, Placement, bool> cases[] = {  // command line, placement, plays
      {"doc.qlm", Placement::Maximized, false},
      {"doc.qlm /PLAY", Placement::Maximized, true},
      {"doc.qlm /minimize", Placement::Minimized, false},
      {"doc.qlm /hide /minimize", Placement::Hidden, false},
      {"/home/u/ZKR/doc.qlm", Placement::Maximized, true},
  };
  for (const auto& [text, placement, plays] : cases) {
    SCOPED_TRACE(text);
    CommandLine line = CommandLine::parse(text);
    EXPECT_EQ(startPlacement(line), placement);
    EXPECT_EQ(autostartPlays(line, line.documentPath()), plays);
  }
}

TEST(StartupTest, DocumentsInAZkrFolderPlayWhenOpened) {
  const std::tuple<const char*, bool, bool> cases[] = {{"plain", false, false}, {"ZKR", true, false}, {"ZKRA", true, true}};
  for (const auto& [name, plays, closes] : cases) {  // folder, plays, closes the window
    SCOPED_TRACE(name);
    testing::TempFolder folder;
    std::filesystem::create_directory(folder.path() / name);
    std::string path = (folder.path() / name / "doc.qlm").string();
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
    EXPECT_EQ(QTest::qWaitFor([&] { return finished; }, plays ? 10000 : 200), plays);
    EXPECT_EQ(closed, closes);
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
