#include "language/VariableTable.h"

#include <gtest/gtest.h>

#include "language/Value.h"

namespace qlm {
namespace {

TEST(Value, ConvertsLeadingNumericParts) {
  EXPECT_EQ(toInteger("3.9"), 3);
  EXPECT_EQ(toInteger("-2.5"), -2);
  EXPECT_EQ(toInteger("abc"), 0);
  EXPECT_EQ(toInteger("99999999999999999999999"), std::numeric_limits<long long>::max());
  EXPECT_DOUBLE_EQ(toReal("2.5x"), 2.5);
  EXPECT_DOUBLE_EQ(toReal(".5"), 0.5);
  EXPECT_DOUBLE_EQ(toReal("1e+020"), 1e20);
  EXPECT_DOUBLE_EQ(toReal("-"), 0.0);
  EXPECT_DOUBLE_EQ(toReal("1e"), 1.0);
  EXPECT_EQ(formatReal(6.0 / 3), "2");
  EXPECT_EQ(formatReal(1e20), "1e+20");
}

TEST(VariableTable, StartsWithTheElevenSystemVariablesInOrder) {
  VariableTable table;
  ASSERT_EQ(table.size(), 11u);
  EXPECT_EQ(table.nameAt(0), "$QLM_LINE");
  EXPECT_EQ(table.nameAt(10), "$QLM_PATH");
  EXPECT_EQ(VariableTable::readValue(table.get("$QLM_PATH")), "");
}

TEST(VariableTable, StoredFormDecidesTheTypeByItsFirstCharacterAndEmptyOnesAreIgnored) {
  VariableTable table;
  EXPECT_EQ(table.set("$X", "\"abc\"").type, 'C');
  EXPECT_EQ(VariableTable::readValue(table.get("$X")), "abc");
  EXPECT_EQ(table.set("$T", "HH:MM:SS").type, 'I');
  EXPECT_EQ(table.set("$Q", "\"a\"b\"").type, 'C');
  EXPECT_EQ(VariableTable::readValue(table.get("$Q")), "a\"b");
  table.set("$D", "x\"\"y");
  EXPECT_EQ(VariableTable::readValue(table.get("$D")), "x\"y");
  // An empty raw form leaves the variable alone; unknown ones read as empty text.
  table.set("$X", "5");
  EXPECT_EQ(table.set("$X", "").status, VariableTable::SetStatus::Ignored);
  EXPECT_EQ(table.getNumber("$X"), 5);
  table.set("$E", "\"\"");
  EXPECT_EQ(std::pair(VariableTable::readValue(table.get("$E")), table.get("$E").type), std::pair(std::string(), 'C'));
  EXPECT_EQ(std::pair(table.get("$NOPE").form, table.get("$NOPE").type), std::pair(std::string("\"\""), 'C'));
  EXPECT_EQ(table.getNumber("$NOPE"), 0);
  table.set("$S", "\"5\"");
  EXPECT_EQ(table.getNumber("$S"), 0);  // a text is not a number
}
TEST(VariableTable, RefusesWhatDoesNotFitInsteadOfCuttingIt) {
  VariableTable table;
  EXPECT_EQ(table.set("$" + std::string(49, 'A'), "1").status, VariableTable::SetStatus::NameTooLong);
  EXPECT_EQ(table.set("$" + std::string(48, 'A'), "1").status, VariableTable::SetStatus::Stored);
  EXPECT_EQ(table.set("$BIG", std::string(4000, '7')).status, VariableTable::SetStatus::ValueTooLong);
  EXPECT_FALSE(table.exists("$BIG"));
}

TEST(VariableTable, NameLengthOrderPutsLongerNamesFirstAndKeepsTableOrderForTies) {
  VariableTable table;
  table.dropUserVariables();
  for (const char* name : {"$A", "$ABC", "$AB", "$XYZ"}) table.set(name, "1");
  std::vector<std::string> user;
  for (unsigned char index : table.nameLengthOrder()) {
    if (index >= VariableTable::kSystemCount) user.push_back(table.nameAt(index));
  }
  EXPECT_EQ(user, (std::vector<std::string>{"$ABC", "$XYZ", "$AB", "$A"}));
  EXPECT_EQ(table.nameLengthOrder().size(), table.size());
  EXPECT_EQ(table.nameAt(table.nameLengthOrder().front()), "$QLM_MAX_WAIT_WIN");
}

TEST(VariableTable, TimeAndDateFillTheirTemplates) {
  VariableTable table;
  table.setClock([] {
    std::tm t{};
    t.tm_year = 126, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 7, t.tm_min = 4, t.tm_sec = 9;
    return t;
  });
  table.set("$TIME", "HH:MM:SS");
  table.set("$DATE", "YYYY/MM/DD");
  EXPECT_EQ(table.get("$TIME").form, "07:04:09");
  EXPECT_EQ(table.get("$DATE").form, "2026/03/05");
  table.set("$DATE", "YY-MM");
  EXPECT_EQ(table.get("$DATE").form, "26-03");
  table.set("$TIME", "\"HH:MM\"");
  EXPECT_EQ(table.get("$TIME").type, 'C');
  EXPECT_EQ(VariableTable::readValue(table.get("$TIME")), "07:04");
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table.nameAt(i) == "$TIME") {
      EXPECT_EQ(table.valueAt(i).form, "\"HH:MM\"");  // the template stays
    }
  }
}

}  // namespace
}  // namespace qlm
