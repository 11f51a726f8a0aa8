#include "document/RecordImage.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "HandBuilt.h"

namespace qlm {
namespace {

using testing::Bytes;

RecordImage fromHand(const Bytes& bytes) {
  return RecordImage::fromBytes(std::span<const std::uint8_t, kRecordSize>(bytes.data(), kRecordSize));
}

TEST(RecordImage, ReadsAndWritesEveryFieldAtItsOffsetAndNothingElse) {
  const Bytes hand = testing::handRecord(7, "\"TestV[RETURN]\"");
  const std::pair<TextField, std::string> texts[] = {
      {TextField::User, "alice"}, {TextField::Created, "260314091502"}, {TextField::Kind, "K"},
      {TextField::WindowClass, "XTerm"}, {TextField::WindowTitle, "shell"}, {TextField::Process, "xterm"},
      {TextField::Instruction, "\"TestV[RETURN]\""}, {TextField::LayoutTag, "2_0_3"}};
  const std::pair<IntField, int> numbers[] = {
      {IntField::Number, 7}, {IntField::KindMarker, 1}, {IntField::ReservedOne, 1}, {IntField::AlternateLeft, -1},
      {IntField::AlternateTop, -1}, {IntField::MinWait, 100}, {IntField::MaxWait, 7000}, {IntField::Play, 1},
      {IntField::Sense, 3}};
  RecordImage written;
  const RecordImage read = fromHand(hand);
  for (const auto& [field, text] : texts) {
    written.setText(field, text);
    EXPECT_EQ(read.text(field), text);
  }
  for (auto [field, number] : numbers) {
    written.set(field, number);
    EXPECT_EQ(read.get(field), number);
  }
  written.setImageArea({5, 6, 46, 27});
  written.setClick({25, 16});
  written.setWindow({1, 7, 8, 640, 480});
  EXPECT_EQ(Bytes(written.bytes().begin(), written.bytes().end()), hand);
  EXPECT_EQ(std::tuple(read.imageArea(), read.click(), read.kind(), read.window().width),
            std::tuple(Rect{5, 6, 46, 27}, Point{25, 16}, 'K', 640));
}

TEST(RecordImage, KeepsUnknownBytesAndCutsTextsToTheirFields) {
  Bytes hand = testing::handRecord(1, "x");
  hand[2200] = 0xAB;  // reserved area
  hand[2650] = 0xCD;  // unused tail
  RecordImage record = fromHand(hand);
  record.setText(TextField::User, "a-user-name-of-25-letters");
  EXPECT_EQ(record.text(TextField::User), "a-user-name-of-25-l");
  EXPECT_EQ((std::vector<int>{record.bytes()[59], record.bytes()[2200], record.bytes()[2650]}),
            (std::vector<int>{0, 0xAB, 0xCD}));
  record.setText(TextField::Instruction, std::string(600, 'i'));
  EXPECT_EQ(record.text(TextField::Instruction).size(), 500u);
  // A field without its NUL ends at the field's end.
  const RecordImage full = fromHand(Bytes(kRecordSize, 'z'));
  EXPECT_EQ(std::pair(full.text(TextField::Kind), full.text(TextField::User).size()), std::pair(std::string("zz"), std::size_t{20}));
}

TEST(RecordImage, CreationStampHasTwelveDigits) { EXPECT_EQ(creationStamp(0).size(), 12u); }

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
  fields.firstRecordOfFile = true;
  EXPECT_EQ(makeNewRecord(fields).text(TextField::Instruction), std::string(kFirstRecordText) + "; \"x\"");
  fields.kind = 'R';
  fields.firstRecordOfFile = false;
  fields.windowTitle = "editor";
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
