#include "language/Services.h"

namespace qlm {

void MessageLog::showMessage(std::string_view text, std::string_view caption) {
  (void)caption;
  m_messages.emplace_back(text);
}

}  // namespace qlm
