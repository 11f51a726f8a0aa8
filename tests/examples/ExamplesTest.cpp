// Every document of examples/ played as its README line says, on a private
// virtual desktop against real clients; what they received must be what the
// example's expected/ folder holds.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Example {
  const char* name;
  const char* playItems;  // for the shell
};

constexpr Example kExamples[] = {
    {"typing-loop", ""},
    {"click-button", ""},
    {"wait-for-window", ""},
    {"wait-for-text", ""},
    {"workbook-rows", ""},
    {"unattended-trace", "--answers answers.txt"},
};

void PrintTo(const Example& example, std::ostream* out) { *out << example.name; }

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, PlayAndLeaveTheExpectedFiles) {
  const Example& example = GetParam();
  const fs::path source = fs::path(QLM_SOURCE_DIR) / "examples" / example.name;
  const fs::path work = fs::temp_directory_path() / ("qlm-example-" + std::to_string(::getpid()) + "-" + example.name);
  fs::remove_all(work);
  std::string command = "timeout 120 " + std::string(QLM_SOURCE_DIR) + "/scripts/play-example.sh " + QLM_BINARY + " " +
                        source.string() + " " + work.string() + " " + example.playItems + " >" + work.string() +
                        ".log 2>&1";
  int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << slurp(work.string() + ".log");
  for (const fs::directory_entry& expected : fs::directory_iterator(source / "expected")) {
    SCOPED_TRACE(expected.path().filename().string());
    EXPECT_EQ(slurp(work / expected.path().filename()), slurp(expected.path()));
  }
  fs::remove_all(work);
  fs::remove(work.string() + ".log");
}

INSTANTIATE_TEST_SUITE_P(All, Examples, ::testing::ValuesIn(kExamples), [](const auto& info) {
  std::string name = info.param.name;
  std::erase(name, '-');
  return name;
});

}  // namespace
