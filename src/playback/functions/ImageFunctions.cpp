#include <algorithm>
#include <climits>

#include "language/Document.h"
#include "playback/functions/PlaybackFunctions.h"
#include "playback/ImageWait.h"

namespace qlm {
namespace {

char runBranch(Interpreter& in, std::string_view function, ArgumentRange branch, std::string& result) {
  in.reportStep(std::string(function) + "(), Execution of instruction:", in.sourceText(branch));
  Value value = in.evaluate(branch.start, branch.end);
  result = std::move(value.text);
  return value.type;
}

// IfImage and IfShape: (limit, found, notfound). The found click point makes
// the clicks of the found branch land where the recorded click lies relative to the image.
char imageCondition(Interpreter& in, Arguments args, SearchMethod method, std::string_view function, std::string& result) {
  Document& doc = in.document();
  Platform* platform = doc.platform();
  if (platform == nullptr) {
    in.failWith(std::string(function) + "() is not available on this build.");
    return 'C';
  }
  long long limit = 0;
  if (!in.integerArgument(args[0], limit)) return 'C';
  const ImageWaitResult wait =
      waitForImage(in, *platform, method, static_cast<int>(std::clamp<long long>(limit, INT_MIN, INT_MAX)));
  doc.foundPosition() = {wait.target.position.x, wait.target.position.y};
  doc.foundClickPoint() = {wait.target.click.x, wait.target.click.y};
  // Stopped or ended by the end key: neither branch may still send keys.
  if (wait.end == ImageWaitEnd::Interrupted) {
    doc.requestStop();
    return 'C';
  }
  return runBranch(in, function, wait.end == ImageWaitEnd::Found ? args[1] : args[2], result);
}

char ifImage(Interpreter& in, int, Arguments args, std::string& result) {
  return imageCondition(in, args, SearchMethod::Image, "IfImage", result);
}

char ifShape(Interpreter& in, int, Arguments args, std::string& result) {
  return imageCondition(in, args, SearchMethod::Shape, "IfShape", result);
}

constexpr BuiltinBinding kBindings[] = {{"IfImage", ifImage}, {"IfShape", ifShape}};

}  // namespace

std::span<const BuiltinBinding> imageFunctions() { return kBindings; }

}  // namespace qlm
