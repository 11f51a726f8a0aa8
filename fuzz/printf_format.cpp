// ToChar hands user text to printf: whatever the format, the checked format
// must neither crash nor read an argument that is not there.
#include <cstddef>
#include <cstdint>
#include <string>

#include "language/Value.h"
#include "language/functions/PrintfFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string format(reinterpret_cast<const char*>(data), size);
  auto parsed = qlm::functions::parsePrintfFormat(format);
  if (!parsed) return 0;
  // Every form of argument with every format: the formatter converts, not the caller.
  const qlm::functions::FormatArgument arguments[] = {std::string("abc"), -1.5e300, -123456789LL};
  for (const auto& argument : arguments) {
    std::string out = qlm::functions::applyFormat(*parsed, argument);
    if (out.size() > qlm::kMaxValueLength) __builtin_trap();
  }
  return 0;
}
