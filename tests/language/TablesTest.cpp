#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "language/Builtins.h"
#include "language/FunctionTable.h"
#include "language/OperatorTable.h"
#include "language/Operators.h"
#include "playback/functions/PlaybackFunctions.h"

namespace qlm {
namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

TEST(FunctionTable, HasItsRowsInOrderWithUniqueNamesAndIsSearchedExactlyOrIgnoringCase) {
  const auto table = functionTable();
  ASSERT_EQ(table.size(), 69u);
  std::set<std::string> names;
  for (const FunctionInfo& f : table) {
    SCOPED_TRACE(std::string(f.name));
    EXPECT_TRUE(names.insert(upper(f.name)).second);
    EXPECT_LE(f.name.size(), 49u);
    EXPECT_LE(f.description.size(), 199u);
    EXPECT_LE(f.usage.size(), 199u);
    ASSERT_GE(f.signature.size(), 1u);
    EXPECT_LE(f.signature.size(), 9u);
    EXPECT_NE(std::string("VCI").find(f.resultLetter()), std::string::npos);
    EXPECT_EQ(f.signature.substr(1).find_first_not_of("ICAV"), std::string_view::npos);
    // XlsAutoSave's text has always said "XlxAutoSave".
    EXPECT_TRUE(f.usage.starts_with(f.name) || f.name == "XlsAutoSave");
  }
  for (auto [index, name] : {std::pair{kFunctionIfImage, "IfImage"}, {kFunctionIfShape, "IfShape"},
                             {kFunctionGoTo, "GoTo"}, {kFunctionIfText, "IfText"}, {kFunctionGetText, "GetText"}}) {
    EXPECT_EQ(findFunction(name), index) << name;
  }
  EXPECT_EQ(findFunction("goto"), -1);
  EXPECT_EQ(findFunction(""), -1);
  EXPECT_EQ(findFunctionIgnoringCase("goto"), kFunctionGoTo);
}

TEST(OperatorTable, HasItsRowsAndMatchesLongestFirst) {
  ASSERT_EQ(operatorTable().size(), 13u);
  for (const auto& row : operatorTable()) {
    SCOPED_TRACE(std::string(row.symbol));
    EXPECT_EQ(row.signature.size(), 3u);
    EXPECT_FALSE(row.usage.empty());
  }
  EXPECT_EQ(matchOperator("==1", 0), 0);
  EXPECT_EQ(matchOperator("=1", 0), 6);
  EXPECT_EQ(matchOperator("$A<=1", 2), 1);
  EXPECT_EQ(matchOperator("<1", 0), 4);
  EXPECT_EQ(matchOperator("!1", 0), -1);
  EXPECT_EQ(matchOperator("-", 0), 9);
  EXPECT_EQ(matchOperator("1+", 2), -1);
}

// A misspelt or repeated binding would leave a function or an operator
// silently unavailable, or give it another one's body.
TEST(Bindings, NameOnlyRowsOfTheTablesAndBindEveryPlaybackFunction) {
  for (const std::string& error : playbackFunctionBodies().bindingErrors()) ADD_FAILURE() << error;
  for (const std::string& error : operatorBindingErrors()) ADD_FAILURE() << error;
  for (std::size_t i = 0; i < functionTable().size(); ++i) {
    std::string_view name = functionTable()[i].name;
    // Text recognition and workbooks come with their own layers.
    bool external = (name.starts_with("Xls") && name != "XlsNumToCol") || name == "IfText" || name == "GetText";
    SCOPED_TRACE(std::string(name));
    EXPECT_EQ(playbackFunctionBodies().available(static_cast<int>(i)), !external);
  }
  const BuiltinBinding misspelt[] = {{"Waitt", nullptr}, {"Wait", nullptr}, {"Wait", nullptr}};
  FunctionBodies bodies{std::span<const BuiltinBinding>(misspelt)};
  EXPECT_EQ(bodies.bindingErrors(), (std::vector<std::string>{"no function named Waitt", "function bound twice: Wait"}));
}

}  // namespace
}  // namespace qlm
