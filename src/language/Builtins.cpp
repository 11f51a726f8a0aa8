#include "language/Builtins.h"

#include "language/FunctionTable.h"

namespace qlm {
namespace {

char unavailable(Interpreter& in, int index, Arguments, std::string&) {
  std::string name(functionTable()[static_cast<std::size_t>(index)].name);
  in.failWith(name + "() is not available on this build.");
  return 'C';
}

}  // namespace

FunctionBodies::FunctionBodies(std::initializer_list<std::span<const BuiltinBinding>> themes)
    : m_bodies(functionTable().size(), unavailable) {
  for (std::span<const BuiltinBinding> theme : themes) {
    for (const BuiltinBinding& binding : theme) {
      int index = findFunction(binding.name);
      if (index < 0) {
        m_errors.push_back("no function named " + std::string(binding.name));
      } else if (m_bodies[static_cast<std::size_t>(index)] != unavailable) {
        m_errors.push_back("function bound twice: " + std::string(binding.name));
      } else {
        m_bodies[static_cast<std::size_t>(index)] = binding.body;
      }
    }
  }
}

FunctionBody FunctionBodies::body(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_bodies.size()) return unavailable;
  return m_bodies[static_cast<std::size_t>(index)];
}

bool FunctionBodies::available(int index) const { return body(index) != unavailable; }

const FunctionBodies& languageFunctionBodies() {
  static const FunctionBodies kBodies{textFunctions(),    numberFunctions(),  chronoFunctions(),
                                      fileFunctions(),    controlFunctions(), settingFunctions()};
  return kBodies;
}

}  // namespace qlm
