// The image-area editor: drags of the handles change the record's areas and
// click point within their limits, and the view stores them in the file with
// the uniqueness check.
#include <QTest>

#include "UiSupport.h"
#include "ui/AreaEditor.h"
#include "ui/DocumentView.h"
#include "ui/MainWindow.h"

namespace qlm {
namespace {

struct DragCase {
  const char* name;
  AreaEdges area;
  int clickFlag;
  std::vector<Point> path;  // press at the first point, move through the others, release
  AreaEdges expectedArea;
  Point expectedClick;
};

RecordImage editedRecord(const AreaEdges& area, int clickFlag) {
  RecordImage record;
  record.setImageArea(area.rect());
  record.setTextArea(AreaEdges{150, 90, 180, 110}.rect());
  record.setClick({40, 30});
  record.set(IntField::ClickFlag, clickFlag);
  record.set(IntField::ConditionLevel, 3);
  record.set(IntField::AlternateLeft, -1);
  record.set(IntField::AlternateTop, -1);
  return record;
}

TEST(ImageAreaEditorTest, DragsKeepTheirLimits) {
  const DragCase cases[] = {
      {"top-left corner", {20, 20, 60, 40}, 1, {{20, 20}, {10, 5}}, {10, 5, 60, 40}, {40, 30}},
      {"top-left stops 5 pixels from the other corner", {20, 20, 60, 40}, 1, {{20, 20}, {50, 30}, {58, 38}},
       {50, 30, 60, 40}, {40, 30}},
      {"a press closer than 20 pixels does not jump", {20, 20, 35, 30}, 1, {{21, 21}}, {20, 20, 35, 30}, {40, 30}},
      {"bottom-right stays inside the picture", {20, 20, 60, 40}, 1, {{60, 40}, {150, 100}, {250, 200}},
       {20, 20, 150, 100}, {40, 30}},
      {"whole area with the click of a found image", {20, 20, 60, 40}, 2, {{20, 40}, {100, 80}},
       {100, 60, 140, 80}, {120, 70}},
      {"whole area not off the picture", {20, 20, 60, 40}, 2, {{20, 40}, {-10, 130}}, {20, 20, 60, 40}, {40, 30}},
      {"click point", {20, 20, 60, 40}, 1, {{40, 30}, {199, 119}, {200, 50}}, {20, 20, 60, 40}, {199, 119}},
      {"no hidden click point", {20, 20, 60, 40}, 0, {{40, 30}, {60, 35}}, {20, 20, 60, 40}, {40, 30}},
      {"no hidden text area over the image area", {150, 90, 190, 110}, 1, {{150, 90}, {140, 80}},
       {140, 80, 190, 110}, {40, 30}},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(c.name);
    AreaEditor editor;
    editor.setRecord(editedRecord(c.area, c.clickFlag), testing::kPictureWidth, testing::kPictureHeight);
    editor.press(c.path.front());
    for (std::size_t i = 1; i < c.path.size(); ++i) editor.move(c.path[i]);
    editor.release();
    EXPECT_EQ(AreaEdges::of(editor.record().imageArea()), c.expectedArea);
    EXPECT_EQ(editor.record().click(), c.expectedClick);
  }
}

TEST(ImageAreaEditorTest, ZoomFollowsItsHandlesAndTheDoubleClick) {
  AreaEditor editor;
  editor.setRecord(editedRecord({20, 20, 60, 40}, 1), testing::kPictureWidth, testing::kPictureHeight);
  // Image area and click with the 20-pixel margin.
  EXPECT_EQ(editor.zoom().source, Rect::fromSize(0, 0, 81, 61));
  editor.doubleClick({300, 200});
  EXPECT_EQ(editor.zoom().factor, 1.0);
  EXPECT_EQ(editor.zoom().frame(), (Rect{219, 139, 300, 200}));

  RecordImage plain = editedRecord({20, 20, 60, 40}, 0);
  plain.set(IntField::ConditionLevel, 0);
  editor.setRecord(plain, testing::kPictureWidth, testing::kPictureHeight);
  EXPECT_EQ(editor.zoom().source, Rect::fromSize(15, 5, 50, 50));
}

class DocumentViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::writeDocument(path, {{.instruction = "\"a\"",
                                   .imageArea = AreaEdges{20, 20, 59, 39}.rect(),
                                   .adjust = [](RecordImage& r) {
                                     r.set(IntField::ConditionLevel, 3);
                                     r.set(IntField::ClickFlag, 1);
                                   }}});
    ASSERT_TRUE(window.openDocument(QString::fromStdString(path)));
    window.selectRow(0);
    view().resize(view().sizeHint());
  }
  DocumentView& view() { return window.view(); }
  void drag(std::vector<QPoint> points) {
    QTest::mousePress(&view(), Qt::LeftButton, {}, points.front());
    for (std::size_t i = 1; i < points.size(); ++i) QTest::mouseMove(&view(), points[i]);
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, points.back());
  }

  testing::TempFolder folder;
  std::string path = folder.file("view.qlm");
  testing::SimServices sim;
  MessageLog messages;
  MainWindow window{*sim.platform, messages};
};

TEST_F(DocumentViewTest, DragsAreStoredWithTheOtherOccurrenceAndTheSwap) {
  ASSERT_EQ(view().row(), 0);
  const std::tuple<std::vector<QPoint>, AreaEdges, Point> drags[] = {  // drag, stored area, other occurrence
      {{{59, 39}, {70, 45}, {59, 39}}, {20, 20, 59, 39}, {120, 60}},
      {{{120 + 19, 60 + 9}}, {120, 60, 159, 79}, {20, 20}},  // the handle at the other occurrence's centre swaps them
      {{{159, 79}, {170, 90}}, {120, 60, 170, 90}, kNoPoint},
  };
  for (const auto& [points, area, alternate] : drags) {
    drag(points);
    RecordImage stored = testing::recordInFile(path, 0);
    EXPECT_EQ(AreaEdges::of(stored.imageArea()), area);
    EXPECT_EQ(stored.alternate(), alternate);
  }
  EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
}  // namespace qlm
