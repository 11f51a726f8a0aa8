// Every #include "…" of src/ must name a folder that the including folder's
// line of src/layers.txt allows; the build links by the same table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using LayerTable = std::map<std::string, std::set<std::string>>;

LayerTable parseLayers(std::istream& in) {
  LayerTable layers;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string folder, used;
    if (!(words >> folder)) continue;
    std::set<std::string>& allowed = layers[folder];
    allowed.insert(folder);
    while (words >> used) {
      if (used != "-") allowed.insert(used);
    }
  }
  return layers;
}

// The deepest layer that holds `path` (a path below src/).
std::string layerOf(const LayerTable& layers, const std::string& path) {
  std::string best;
  for (const auto& [folder, allowed] : layers) {
    if (path.rfind(folder + "/", 0) == 0 && folder.size() > best.size()) best = folder;
  }
  return best;
}

// The name in `#include "name"`, or empty for any other line.
std::string quotedInclude(const std::string& line) {
  std::istringstream in(line);
  std::string directive, name;
  in >> directive;
  if (directive == "#") {
    in >> directive;
    directive = "#" + directive;
  }
  if (directive != "#include" || !(in >> name) || name.size() < 2 || name.front() != '"') return {};
  const std::size_t close = name.find('"', 1);
  return close == std::string::npos ? std::string() : name.substr(1, close - 1);
}

// "file: includes X, outside its layer Y" for every include the table does not allow.
std::vector<std::string> layeringViolations(const LayerTable& layers, const std::string& file, std::istream& source) {
  std::vector<std::string> violations;
  const std::string from = layerOf(layers, file);
  if (from.empty()) return {file + ": in no layer of src/layers.txt"};
  std::string line;
  while (std::getline(source, line)) {
    const std::string target = quotedInclude(line);
    if (target.empty()) continue;
    const std::string to = layerOf(layers, target);
    if (to.empty() || layers.at(from).count(to) == 0) {
      violations.push_back(file + ": includes " + target + ", which layer " + from + " may not use");
    }
  }
  return violations;
}

const std::string kSourceDir = QLM_SOURCE_DIR;

LayerTable projectLayers() {
  std::ifstream in(kSourceDir + "/src/layers.txt");
  return parseLayers(in);
}

TEST(Layering, EveryIncludeOfTheSourcesStaysInItsLayers) {
  const LayerTable layers = projectLayers();
  ASSERT_GE(layers.size(), 10u);
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kSourceDir + "/src")) {
    const std::string extension = entry.path().extension();
    if (extension != ".cpp" && extension != ".h") continue;
    ++files;
    const std::string relative = fs::relative(entry.path(), kSourceDir + "/src").generic_string();
    std::ifstream source(entry.path());
    for (const std::string& violation : layeringViolations(layers, relative, source)) ADD_FAILURE() << violation;
  }
  EXPECT_GT(files, 100);
}

TEST(Layering, UpwardAndCrossBackendIncludesAreViolations) {
  const LayerTable layers = projectLayers();
  struct Case {
    const char* file;
    const char* include;
    bool allowed;
  };
  const Case cases[] = {
      {"document/Snapshot.cpp", "platform/FileSystem.h", true},
      {"playback/Injection.cpp", "language/Document.h", true},
      {"language/Lexer.cpp", "playback/Injection.h", false},
      {"document/Snapshot.cpp", "app/CommandLine.h", false},
      {"platform/x11/X11Platform.cpp", "platform/sim/SimDesktop.h", false},
      {"platform/Capture.h", "imaging/BmpFinder.h", false},
      {"platform/backends/BackendTable.cpp", "platform/x11/X11Platform.h", true},
      {"imaging/BmpFinder.cpp", "nowhere/Unknown.h", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " -> " + c.include);
    std::istringstream source(std::string("#include \"") + c.include + "\"\n");
    EXPECT_EQ(layeringViolations(layers, c.file, source).empty(), c.allowed);
  }
}

}  // namespace
