#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

using Kind = CommandLine::ItemKind;
using Kinds = std::vector<Kind>;
constexpr Kind F = Kind::Document, C = Kind::Option, N = Kind::VariableName, V = Kind::Value, E = Kind::Error;

// The document, then each variable as name=value.
std::string summary(const CommandLine& line) {
  std::string text = line.documentPath();
  for (const auto& variable : line.variables()) text += " " + variable.name + "=" + variable.value;
  return text;
}

TEST(CommandLine, ReadsTheDocumentOptionsAndVariablesInEveryForm) {
  const std::pair<CommandLine, const char*> lines[] = {
      {CommandLine::parse("doc.qlm /play $USER=Smith"), "doc.qlm $USER=Smith"},
      {CommandLine::parse("doc.qlm /play $USER Smith"), "doc.qlm $USER=Smith"},
      {CommandLine::parse(std::vector<std::string>{"doc.qlm", "/play", "$NAME", "John Smith", "$N=3"}),
       "doc.qlm $NAME=\"John Smith\" $N=3"},
      {CommandLine::parse("doc.qlm /PLAY /nosound /hide /minimize /dde $A=\"John Smith\" $B 12 $OUT=/tmp/t.txt /Close"),
       "doc.qlm $A=\"John Smith\" $B=12 $OUT=/tmp/t.txt"}};
  for (const auto& [line, expected] : lines) {
    SCOPED_TRACE(expected);
    EXPECT_TRUE(line.valid() && line.play()) << line.message();
    EXPECT_EQ(summary(line), expected);
  }
  EXPECT_EQ(lines[1].first.kinds(), (Kinds{F, C, N, V}));
  EXPECT_FALSE(lines[0].first.close());
  const CommandLine& all = lines[3].first;
  EXPECT_TRUE(all.close() && all.nosound() && all.hide() && all.minimize());
}

TEST(CommandLine, StopsAtTheFirstErrorWithItsMessage) {
  const struct {
    const char* raw;
    const char* message;
    Kinds kinds;
  } failures[] = {{"/play doc.qlm", "Invalid argument doc.qlm", {C, E}},
                  {"doc.qlm /fast", "Invalid command /fast", {F, E}},
                  {"doc.qlm $A", "Missing value for variable $A", {F, N}},
                  {"doc.qlm stray /play", "Invalid argument stray", {F, E, E}},
                  // The item behind a name is its value, so $B is a value and 1 is stray.
                  {"doc.qlm $A $B 1", "Invalid argument 1", {F, N, V, E}}};
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.raw);
    CommandLine line = CommandLine::parse(failure.raw);
    EXPECT_FALSE(line.valid());
    EXPECT_EQ(line.message(), failure.message);
    EXPECT_EQ(line.kinds(), failure.kinds);
  }
}

}  // namespace
}  // namespace qlm
