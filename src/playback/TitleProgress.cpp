#include "playback/TitleProgress.h"

namespace qlm {

TitleProgress::TitleProgress(UiService& ui) : m_ui(ui), m_saved(ui.mainWindowTitle()) {
  if (auto bracket = m_saved.find(']'); bracket != std::string::npos) m_saved.resize(bracket + 1);
}

TitleProgress::~TitleProgress() { restore(); }

void TitleProgress::show(std::string_view label, long long elapsedSeconds, long long totalSeconds) {
  m_ui.setMainWindowTitle(std::string(label) + " " + std::to_string(elapsedSeconds) + "/" + std::to_string(totalSeconds));
  m_shown = true;
}

void TitleProgress::restore() {
  if (!m_shown) return;
  m_ui.setMainWindowTitle(m_saved);
  m_shown = false;
}

}  // namespace qlm
