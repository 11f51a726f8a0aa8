#include "document/RecordImage.h"

#include <gtest/gtest.h>

#include <climits>

#include "HandBuilt.h"

namespace qlm {
namespace {

using testing::Bytes;

RecordImage fromHand(const Bytes& bytes) {
  return RecordImage::fromBytes(std::span<const std::uint8_t, kRecordSize>(bytes.data(), kRecordSize));
}

TEST(RecordImage, ReadsEveryFieldAtItsOffset) {
  RecordImage record = fromHand(testing::handRecord(7, "\"TestV[RETURN]\""));
  EXPECT_EQ(record.get(IntField::Number), 7);
  EXPECT_EQ(record.imageArea(), (Rect{5, 6, 46, 27}));
  EXPECT_EQ(record.alternate(), (Point{-1, -1}));
  EXPECT_EQ(record.text(TextField::User), "alice");
  EXPECT_EQ(record.text(TextField::Created), "260314091502");
  EXPECT_EQ(record.kind(), 'K');
  EXPECT_EQ(record.click(), (Point{25, 16}));
  EXPECT_EQ(record.text(TextField::WindowClass), "XTerm");
  EXPECT_EQ(record.text(TextField::WindowTitle), "shell");
  EXPECT_EQ(record.text(TextField::Instruction), "\"TestV[RETURN]\"");
  EXPECT_EQ(record.text(TextField::Process), "xterm");
  EXPECT_EQ(record.get(IntField::MaxWait), 7000);
  EXPECT_EQ(record.window().width, 640);
  EXPECT_EQ(record.get(IntField::Play), 1);
  EXPECT_EQ(record.get(IntField::Sense), 3);
}

TEST(RecordImage, WritesEveryFieldAtItsOffsetAndNothingElse) {
  Bytes expected = testing::handRecord(7, "\"TestV[RETURN]\"");
  RecordImage record;
  record.set(IntField::Number, 7);
  record.set(IntField::KindMarker, 1);
  record.set(IntField::ReservedOne, 1);
  record.setImageArea({5, 6, 46, 27});
  record.set(IntField::AlternateLeft, -1);
  record.set(IntField::AlternateTop, -1);
  record.setText(TextField::User, "alice");
  record.setText(TextField::Created, "260314091502");
  record.setText(TextField::Kind, "K");
  record.setClick({25, 16});
  record.setText(TextField::WindowClass, "XTerm");
  record.setText(TextField::WindowTitle, "shell");
  record.setText(TextField::Instruction, "\"TestV[RETURN]\"");
  record.setText(TextField::Process, "xterm");
  record.set(IntField::MinWait, 100);
  record.set(IntField::MaxWait, 7000);
  record.setText(TextField::LayoutTag, "2_0_3");
  record.setWindow({1, 7, 8, 640, 480});
  record.set(IntField::Play, 1);
  record.set(IntField::Sense, 3);
  EXPECT_EQ(Bytes(record.bytes().begin(), record.bytes().end()), expected);
}

TEST(RecordImage, KeepsUnknownBytesAndCutsTextsToTheirFields) {
  Bytes hand = testing::handRecord(1, "x");
  hand[2200] = 0xAB;  // reserved area
  hand[2650] = 0xCD;  // unused tail
  RecordImage record = fromHand(hand);
  record.setText(TextField::User, "a-user-name-of-25-letters");
  EXPECT_EQ(record.text(TextField::User), "a-user-name-of-25-l");
  EXPECT_EQ(record.bytes()[59], 0);
  EXPECT_EQ(record.bytes()[2200], 0xAB);
  EXPECT_EQ(record.bytes()[2650], 0xCD);
  record.setText(TextField::Instruction, std::string(600, 'i'));
  EXPECT_EQ(record.text(TextField::Instruction).size(), 500u);
}

TEST(RecordImage, FieldWithoutItsNulEndsAtTheFieldsEnd) {
  Bytes hand(kRecordSize, 'z');
  EXPECT_EQ(fromHand(hand).text(TextField::Kind), "zz");
  EXPECT_EQ(fromHand(hand).text(TextField::User).size(), 20u);
}

TEST(RecordImage, NotCheckedRecordsLoseTheirWindowGeometry) {
  RecordImage old = fromHand(testing::handRecord(1, "", "Not checked yet"));
  old.applyNotCheckedRule();
  EXPECT_EQ(old.window().valid, 0);
  EXPECT_EQ(old.window().x, 0);
  EXPECT_EQ(old.window().width, 100);
  EXPECT_EQ(old.window().height, 100);
  RecordImage current = fromHand(testing::handRecord(1, ""));
  current.applyNotCheckedRule();
  EXPECT_EQ(current.window().width, 640);
}

TEST(RecordImage, DateTextAndCreationStampHaveTheirShapes) {
  EXPECT_EQ(dateText("260314091502"), "14/03/2026  09:15 02s");
  std::string stamp = creationStamp(0);
  EXPECT_EQ(stamp.size(), 12u);
}

TEST(NewRecord, TakesTheDefaultsOfARecordedOne) {
  NewRecordFields fields;
  fields.kind = 'M';
  fields.text = "\"V[LBUTTON]\"";
  fields.windowClass = "XTerm";
  fields.windowTitle = "";
  fields.click = {30, 5};
  fields.areaWidth = 200;
  fields.areaHeight = 100;
  fields.pictureWidth = 200;
  fields.pictureHeight = 100;
  RecordImage record = makeNewRecord(fields);
  EXPECT_EQ(std::tuple(record.text(TextField::WindowTitle), record.text(TextField::LayoutTag), record.imageArea(),
                       record.textArea(), record.alternate(), record.window().width),
            std::tuple("-", "2_0_3", Rect{10, 1, 51, 16}, Rect{60, 1, 101, 16}, Point{-1, -1}, 200));
  std::vector<int> numbers;
  for (IntField field : {IntField::ClickFlag, IntField::KindMarker, IntField::ReservedOne, IntField::MinWait,
                         IntField::MaxWait, IntField::Play, IntField::Erase}) {
    numbers.push_back(record.get(field));
  }
  EXPECT_EQ(numbers, (std::vector<int>{1, 1, 1, 100, 7000, 1, 0}));
}

TEST(NewRecord, FirstRecordsAndWindowsKeysAimAtTheDesktop) {
  NewRecordFields fields;
  fields.kind = '1';
  fields.text = "\"x\"";
  fields.windowTitle = "editor";
  fields.firstRecordOfFile = true;
  fields.areaWidth = fields.areaHeight = 500;
  RecordImage first = makeNewRecord(fields);
  EXPECT_EQ(first.text(TextField::Instruction), std::string(kFirstRecordText) + "; \"x\"");
  EXPECT_EQ(first.text(TextField::WindowTitle), "Program Manager");
  EXPECT_EQ(first.text(TextField::Process), "explorer.exe");
  fields.kind = 'R';
  fields.firstRecordOfFile = false;
  fields.text = "\"\\[LWIN]\"";
  RecordImage win = makeNewRecord(fields);
  EXPECT_EQ(win.text(TextField::WindowClass), "Program");
  EXPECT_EQ(win.get(IntField::KindMarker), 0);
}

TEST(NewRecord, ClickOutsideTheWindowBecomesTheFixedPoint) {
  NewRecordFields fields;
  fields.click = {300, 10};
  fields.areaWidth = 200;
  fields.areaHeight = 100;
  EXPECT_EQ(makeNewRecord(fields).click(), (Point{100, 15}));
  EXPECT_EQ(makeNewRecord(fields).imageArea(), rectFromInclusive(80, 5, 120, 25));
  fields.areaWidth = 64;  // narrower than the fixed point
  fields.areaHeight = 32;
  EXPECT_EQ(makeNewRecord(fields).imageArea(), rectFromInclusive(43, 5, 63, 25));
  fields.imageArea = Rect{1, 2, 4, 5};
  EXPECT_EQ(makeNewRecord(fields).imageArea(), (Rect{1, 2, 4, 5}));
  EXPECT_EQ(makeNewRecord(fields).textArea(), (Rect{13, 2, 16, 5}));
  // qlm append takes any 32-bit edges.
  fields.imageArea = rectFromInclusive(INT_MIN, 2, INT_MAX, 5);
  EXPECT_EQ(makeNewRecord(fields).imageArea(), fields.imageArea);
}

}  // namespace
}  // namespace qlm
