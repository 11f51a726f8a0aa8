#include "language/LocationTable.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

// Where the `number`th location `name` is, as "line.instruction".
std::string place(const LocationTable& table, const std::string& name, int number) {
  const Location* location = table.find(name, number);
  return location ? std::to_string(location->line) + "." + std::to_string(location->instruction) : "none";
}

TEST(LocationTable, FindsLocationsThatStartInstructionsOfPlayedRecords) {
  std::vector<LocationSource> records = {
      {":START; \"a\"", true},          {"\"x; :NOT\"; :LOOP", true}, {":SKIPPED", false},
      {"\"a\"; :LOOP ; \"b\"", true}, {"\"a\";:NOSPACE", true}};
  LocationTable table;
  table.build(records);
  EXPECT_EQ(table.entries().size(), 3u);
  // The blank before the separator belongs to the name, so ":LOOP " is another location.
  for (auto [name, number, where] : {std::tuple{":START", 1, "1.1"}, {":LOOP", 1, "2.2"}, {":LOOP", 2, "none"},
                                     {":LOOP ", 1, "4.2"}, {":SKIPPED", 1, "none"}, {":NOSPACE", 1, "none"}}) {
    EXPECT_EQ(place(table, name, number), where) << name << number;
  }
}

TEST(LocationTable, NumbersOccurrencesOfTheSameName) {
  std::vector<LocationSource> records = {{":L", true}, {"\"a\"; :L", true}, {":L", true}};
  LocationTable table;
  table.build(records);
  EXPECT_EQ(place(table, ":L", 2) + " " + place(table, ":L", 3) + " " + place(table, ":L", 4), "2.2 3.1 none");
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
