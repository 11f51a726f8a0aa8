// docs/language.md holds, between its markers, exactly what `qlm help --markdown`
// prints from the function table: the page and the program cannot disagree.
#include <gtest/gtest.h>

#include <string>

#include "QlmRunner.h"

namespace {

constexpr std::string_view kBegin = "<!-- reference: scripts/update-language-doc.sh writes this part -->\n";
constexpr std::string_view kEnd = "<!-- end of reference -->\n";

TEST(LanguageReference, PageHoldsWhatQlmHelpPrints) {
  const std::string page = qlm::testing::readFile(std::string(QLM_SOURCE_DIR) + "/docs/language.md");
  const std::size_t begin = page.find(kBegin);
  const std::size_t end = page.find(kEnd);
  ASSERT_TRUE(begin != std::string::npos && end != std::string::npos);
  const qlm::testing::QlmRun help = qlm::testing::runQlm({"help", "--markdown"});
  ASSERT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(page.substr(begin + kBegin.size(), end - begin - kBegin.size()), help.out)
      << "the reference differs from the program; run scripts/update-language-doc.sh";
}

}  // namespace
