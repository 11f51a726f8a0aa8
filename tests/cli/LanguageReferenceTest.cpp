// docs/language.md holds, between its markers, exactly what `qlm help --markdown`
// prints from the function table: the page and the program cannot disagree.
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

constexpr std::string_view kBegin = "<!-- reference: scripts/update-language-doc.sh writes this part -->\n";
constexpr std::string_view kEnd = "<!-- end of reference -->\n";

std::string output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  ::pclose(pipe);
  return text;
}

TEST(LanguageReference, PageHoldsWhatQlmHelpPrints) {
  std::ifstream in(std::string(QLM_SOURCE_DIR) + "/docs/language.md", std::ios::binary);
  std::stringstream page;
  page << in.rdbuf();
  std::string text = page.str();
  std::size_t begin = text.find(kBegin);
  std::size_t end = text.find(kEnd);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  begin += kBegin.size();
  std::string generated = output(std::string(QLM_BINARY) + " help --markdown");
  ASSERT_FALSE(generated.empty());
  std::istringstream pageLines(text.substr(begin, end - begin));
  std::istringstream programLines(generated);
  std::string pageLine;
  std::string programLine;
  for (int line = 1; std::getline(programLines, programLine); ++line) {
    bool more = static_cast<bool>(std::getline(pageLines, pageLine));
    ASSERT_TRUE(more && pageLine == programLine)
        << "line " << line << " of the reference differs; run scripts/update-language-doc.sh\n  page:    " << pageLine
        << "\n  program: " << programLine;
  }
  EXPECT_FALSE(std::getline(pageLines, pageLine)) << "the page goes on with: " << pageLine;
}

}  // namespace
