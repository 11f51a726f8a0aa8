#include "language/LocationTable.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

TEST(LocationTable, FindsLocationsThatStartInstructionsOfPlayedRecords) {
  std::vector<LocationSource> records = {
      {":START; \"a\"", true},
      {"\"x; :NOT\"; :LOOP", true},
      {":SKIPPED", false},
      {"\"a\"; :LOOP ; \"b\"", true},
      {"\"a\";:NOSPACE", true},
  };
  LocationTable table;
  table.build(records);
  ASSERT_EQ(table.entries().size(), 3u);
  const Location* start = table.find(":START", 1);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->line, 1);
  EXPECT_EQ(start->instruction, 1);
  const Location* first = table.find(":LOOP", 1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->line, 2);
  EXPECT_EQ(first->instruction, 2);
  // The blank before the separator belongs to the name, so this is another location.
  EXPECT_EQ(table.find(":LOOP", 2), nullptr);
  const Location* spaced = table.find(":LOOP ", 1);
  ASSERT_NE(spaced, nullptr);
  EXPECT_EQ(spaced->line, 4);
  EXPECT_EQ(table.find(":SKIPPED", 1), nullptr);
  EXPECT_EQ(table.find(":NOSPACE", 1), nullptr);
}

TEST(LocationTable, NumbersOccurrencesOfTheSameName) {
  std::vector<LocationSource> records = {{":L", true}, {"\"a\"; :L", true}, {":L", true}};
  LocationTable table;
  table.build(records);
  ASSERT_NE(table.find(":L", 3), nullptr);
  EXPECT_EQ(table.find(":L", 2)->line, 2);
  EXPECT_EQ(table.find(":L", 2)->instruction, 2);
  EXPECT_EQ(table.find(":L", 4), nullptr);
}

TEST(LocationTable, StopsAtItsCapacityAndSaysSo) {
  std::vector<std::string> texts(301, ":X");
  std::vector<LocationSource> records;
  for (const std::string& text : texts) records.push_back({text, true});
  LocationTable table;
  table.build(records);
  EXPECT_EQ(table.entries().size(), LocationTable::kCapacity);
  EXPECT_TRUE(table.overflowed());
}

}  // namespace
}  // namespace qlm
