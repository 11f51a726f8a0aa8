#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

using Kind = CommandLine::ItemKind;
using Kinds = std::vector<Kind>;
constexpr Kind F = Kind::Document, C = Kind::Option, N = Kind::VariableName, V = Kind::Value, E = Kind::Error;

TEST(CommandLine, ReadsDocumentOptionsAndVariablesInEitherForm) {
  for (const char* raw : {"doc.qlm /play $USER=Smith", "doc.qlm /play $USER Smith"}) {
    SCOPED_TRACE(raw);
    CommandLine line = CommandLine::parse(raw);
    EXPECT_TRUE(line.valid());
    EXPECT_EQ(line.documentPath(), "doc.qlm");
    EXPECT_TRUE(line.play());
    EXPECT_FALSE(line.close());
    EXPECT_EQ(line.kinds(), (Kinds{F, C, N, V}));
    ASSERT_EQ(line.variables().size(), 1u);
    EXPECT_EQ(line.variables()[0].name, "$USER");
    EXPECT_EQ(line.variables()[0].value, "Smith");
  }
}

TEST(CommandLine, ComparesOptionsWithoutCaseAndSetsEachFlag) {
  CommandLine line = CommandLine::parse("doc.qlm /PLAY /Close /nosound /hide /minimize /dde");
  EXPECT_TRUE(line.valid());
  EXPECT_TRUE(line.play() && line.close() && line.nosound() && line.hide() && line.minimize());
}

TEST(CommandLine, ValuesKeepBlanksAndQuotesAndMayBePathsThatLookLikeOptions) {
  CommandLine line = CommandLine::parse("doc.qlm $A=\"John Smith\" $B 12 $OUT=/tmp/typed.txt /close");
  ASSERT_TRUE(line.valid()) << line.message();
  std::vector<std::string> values;
  for (const auto& variable : line.variables()) values.push_back(variable.value);
  EXPECT_EQ(values, (std::vector<std::string>{"\"John Smith\"", "12", "/tmp/typed.txt"}));
  EXPECT_TRUE(line.close());
}
struct Failure {
  const char* raw;
  const char* message;
  Kinds kinds;
};

class CommandLineFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(CommandLineFailure, StopsAtTheFirstErrorWithItsMessage) {
  CommandLine line = CommandLine::parse(GetParam().raw);
  EXPECT_FALSE(line.valid());
  EXPECT_EQ(line.message(), GetParam().message);
  EXPECT_EQ(line.kinds(), GetParam().kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, CommandLineFailure,
    ::testing::Values(Failure{"/play doc.qlm", "Invalid argument doc.qlm", {C, E}},
                      Failure{"doc.qlm /fast", "Invalid command /fast", {F, E}},
                      Failure{"doc.qlm $A", "Missing value for variable $A", {F, N}},
                      Failure{"doc.qlm stray /play", "Invalid argument stray", {F, E, E}},
                      // The item behind a name is its value, so $B is a value and 1 is stray.
                      Failure{"doc.qlm $A $B 1", "Invalid argument 1", {F, N, V, E}}));

TEST(CommandLine, ShellSplitArgumentsKeepBlanksInsideOneValue) {
  CommandLine line = CommandLine::parse(std::vector<std::string>{"$NAME", "John Smith", "$N=3"});
  ASSERT_TRUE(line.valid());
  ASSERT_EQ(line.variables().size(), 2u);
  EXPECT_EQ(line.variables()[0].value, "\"John Smith\"");
  EXPECT_EQ(line.variables()[1].name, "$N");
  EXPECT_EQ(line.variables()[1].value, "3");
}

}  // namespace
}  // namespace qlm
