#include "app/HeadlessUi.h"

#include <sstream>

#include "platform/WholeFile.h"
#include "language/Value.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {
// Far more than the answers to every question a document can ask.
constexpr std::uint64_t kLargestAnswersFile = 16u << 20;
}  // namespace

std::optional<AnswerFile> AnswerFile::load(const std::string& path, std::string& error) {
  auto bytes = readWholeFile(systemFileSystem(), path, kLargestAnswersFile);
  if (!bytes) {
    error = "Cannot read the answers file " + path + ": " + bytes.error();
    return std::nullopt;
  }
  std::istringstream in(std::string(bytes->begin(), bytes->end()));
  AnswerFile file;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    std::size_t cut = line.rfind('=');
    long long button = cut == std::string::npos ? 0 : toInteger(std::string_view(line).substr(cut + 1));
    if (button < 1 || button > 3) {
      error = path + ":" + std::to_string(number) + ": expected question=button (1, 2 or 3)";
      return std::nullopt;
    }
    file.m_answers[cp1252FromUtf8(line.substr(0, cut))] = static_cast<int>(button);
  }
  return file;
}

std::optional<int> AnswerFile::answerTo(const std::string& question) const {
  auto found = m_answers.find(question);
  if (found == m_answers.end()) return std::nullopt;
  return found->second;
}

TerminalAsker::TerminalAsker(const AnswerFile* answers, std::FILE* in, std::FILE* out, bool interactive)
    : m_answers(answers), m_in(in), m_out(out), m_interactive(interactive) {}

std::optional<UserAnswer> TerminalAsker::askUser(const Question& question) {
  if (m_answers) {
    if (std::optional<int> button = m_answers->answerTo(question.text)) return UserAnswer{*button, false};
  }
  if (!m_interactive) return std::nullopt;
  int count = static_cast<int>(question.answers.size());
  std::fprintf(m_out, "%s\n", utf8FromCp1252(question.text).c_str());
  for (int i = 0; i < count; ++i) {
    std::fprintf(m_out, "  %d) %s\n", i + 1, utf8FromCp1252(question.answers[static_cast<std::size_t>(i)]).c_str());
  }
  for (;;) {
    std::fprintf(m_out, question.rememberable ? "Answer (1-%d, add ! to not be asked again): " : "Answer (1-%d): ", count);
    std::fflush(m_out);
    char line[64];
    if (!std::fgets(line, sizeof line, m_in)) return std::nullopt;
    long long button = toInteger(line);
    if (button >= 1 && button <= count) return UserAnswer{static_cast<int>(button), std::string_view(line).find('!') != std::string_view::npos};
  }
}

HeadlessUi::HeadlessUi(SystemResponse& response, std::FILE* out) : m_response(response), m_out(out) {}

void HeadlessUi::showMessage(std::string_view text, std::string_view caption) {
  std::string shown = utf8FromCp1252(text);
  if (!caption.empty()) shown = utf8FromCp1252(caption) + ": " + shown;
  std::fprintf(m_out, "Quillmote: %s\n", shown.c_str());
  std::fflush(m_out);
}

// The title bar shows progress of long waits; here each change is one line.
void HeadlessUi::setMainWindowTitle(std::string_view title) {
  if (title == m_title) return;
  m_title = title;
  std::fprintf(m_out, "[%s]\n", utf8FromCp1252(title).c_str());
  std::fflush(m_out);
}

}  // namespace qlm
