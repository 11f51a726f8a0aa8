#pragma once
// A long wait shows its progress in the main window's title ("AppWait 2/3")
// and puts the title back when it ends.
#include <string>
#include <string_view>

#include "language/Services.h"

namespace qlm {

class TitleProgress {
 public:
  // Saves the title up to and including its first ']'.
  explicit TitleProgress(UiService& ui);
  ~TitleProgress();
  TitleProgress(const TitleProgress&) = delete;
  TitleProgress& operator=(const TitleProgress&) = delete;

  // The label, a blank, the elapsed and the total seconds joined by '/'.
  void show(std::string_view label, long long elapsedSeconds, long long totalSeconds);
  // Puts the saved title back, when a progress was shown.
  void restore();

 private:
  UiService& m_ui;
  std::string m_saved;
  bool m_shown = false;
};

}  // namespace qlm
