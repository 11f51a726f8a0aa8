#include "language/Builtins.h"

#include <array>
#include <vector>

#include "language/FunctionTable.h"

namespace qlm {
namespace {

// Functions that need a desktop service this build does not have yet say so
// and stop the playback, rather than succeeding silently.
char unavailable(Interpreter& in, int index, Arguments, std::string&) {
  std::string name(functionTable()[static_cast<std::size_t>(index)].name);
  in.failWith(name + "() is not available on this build.");
  return 'C';
}

std::vector<FunctionBody> bindAll() {
  std::vector<FunctionBody> bodies(functionTable().size(), unavailable);
  for (auto theme : {textFunctions(), numberFunctions(), chronoFunctions(), fileFunctions(), controlFunctions(),
                     settingFunctions(), desktopFunctions(), imageFunctions()}) {
    for (const BuiltinBinding& binding : theme) {
      int index = findFunction(binding.name);
      if (index >= 0) bodies[static_cast<std::size_t>(index)] = binding.body;
    }
  }
  return bodies;
}

}  // namespace

FunctionBody builtinBody(int index) {
  static const std::vector<FunctionBody> kBodies = bindAll();
  if (index < 0 || static_cast<std::size_t>(index) >= kBodies.size()) return unavailable;
  return kBodies[static_cast<std::size_t>(index)];
}

bool builtinAvailable(int index) { return builtinBody(index) != unavailable; }

}  // namespace qlm
