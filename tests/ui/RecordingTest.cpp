// Record and the end key through the main window on the simulated desktop:
// the rows appear in the list, the indicator says so, playback waits.
#include <QAction>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include "UiSupport.h"
#include "platform/VirtualKeys.h"
#include "ui/MainWindow.h"
#include "ui/RecordListModel.h"

namespace qlm {
namespace {

TEST(RecordingTest, TypingBecomesRecordsUntilTheEndKey) {
  testing::TempFolder folder;
  testing::SimServices sim;
  sim.desktop->createWindow({.className = "EditorClass", .title = "Editor", .textField = true});
  std::string path = folder.file("recorded.qlm");
  testing::writeDocument(path, {});
  MessageLog messages;
  MainWindow window(*sim.platform, messages);
  ASSERT_TRUE(window.openDocument(QString::fromStdString(path)));
  window.show();
  bool finished = false;
  QObject::connect(&window, &MainWindow::recordingFinished, [&] { finished = true; });

  ASSERT_TRUE(window.record());
  EXPECT_EQ(window.indicatorText(), "Recording... Stop recording with the end key: V[END]");
  EXPECT_FALSE(window.play());
  for (int key : {int{'A'}, int{'B'}, vk::kReturn, vk::kEnd}) sim.desktop->userTap(key);
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));

  EXPECT_EQ(window.indicatorText(), QString::fromUtf8("Quillmote\u00AE"));
  std::vector<std::string> recorded = testing::instructionsInFile(path);
  ASSERT_EQ(recorded.size(), 3u);  // the two default records and the typing
  EXPECT_EQ(recorded[2], "\"abV[RETURN]\"");
  EXPECT_EQ(window.model().rowCount(), 3);
  EXPECT_EQ(window.list().horizontalScrollBar()->value(), 0) << "line numbers scrolled out of sight";
  EXPECT_TRUE(window.action("Play")->isEnabled());
  EXPECT_TRUE(messages.messages().empty()) << messages.messages().front();
}

}  // namespace
}  // namespace qlm
