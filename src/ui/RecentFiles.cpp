#include "ui/RecentFiles.h"

#include <algorithm>

#include "platform/Settings.h"

namespace qlm {
namespace {

constexpr std::string_view kSection = "Recent File List";

std::string entryName(int i) { return "File" + std::to_string(i + 1); }

}  // namespace

RecentFiles::RecentFiles(Settings* settings) : m_settings(settings) {
  if (m_settings == nullptr) return;
  for (int i = 0; i < kRecentFileCount; ++i) {
    auto path = m_settings->readString(kSection, entryName(i));
    if (path && !path->empty() && std::find(m_files.begin(), m_files.end(), *path) == m_files.end()) {
      m_files.push_back(*path);
    }
  }
}

void RecentFiles::add(const std::string& path) {
  if (path.empty()) return;
  m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
  m_files.insert(m_files.begin(), path);
  if (m_files.size() > kRecentFileCount) m_files.resize(kRecentFileCount);
  if (m_settings == nullptr) return;
  for (int i = 0; i < kRecentFileCount; ++i) {
    m_settings->writeString(kSection, entryName(i), i < static_cast<int>(m_files.size()) ? m_files[static_cast<std::size_t>(i)] : "");
  }
}

}  // namespace qlm
