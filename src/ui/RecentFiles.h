#pragma once
// The recent-file list of the settings file: 10 entries, newest first.
#include <string>
#include <vector>

namespace qlm {

class Settings;

inline constexpr int kRecentFileCount = 10;

class RecentFiles {
 public:
  explicit RecentFiles(Settings* settings);
  const std::vector<std::string>& files() const { return m_files; }
  // Moves `path` to the top and writes the list back.
  void add(const std::string& path);

 private:
  Settings* m_settings;
  std::vector<std::string> m_files;
};

}  // namespace qlm
