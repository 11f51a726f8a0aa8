#pragma once
// Tables of instruction texts with their expected values and types.
#include <string>

#include "LanguageFixture.h"

namespace qlm::functiontest {

using FunctionTest = qlm::testing::LanguageTest;

struct EvalCase {
  std::string instruction;
  std::string text;
  char type;
};

inline void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.instruction; }

class FunctionTableTest : public FunctionTest, public ::testing::WithParamInterface<EvalCase> {
 protected:
  void expectCase() {
    const EvalCase& c = GetParam();
    Value v = run(c.instruction);
    EXPECT_EQ(std::pair(v.text, v.type), std::pair(c.text, c.type));
    EXPECT_FALSE(doc.stopRequested());
    EXPECT_TRUE(ui.messages().empty());
  }
};

}  // namespace qlm::functiontest
