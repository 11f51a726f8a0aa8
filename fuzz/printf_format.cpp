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
  std::string out;
  switch (parsed->kind) {
    case qlm::functions::ConversionKind::Text: out = qlm::functions::applyFormat(*parsed, std::string("abc")); break;
    case qlm::functions::ConversionKind::Real: out = qlm::functions::applyFormat(*parsed, -1.5e300); break;
    default: out = qlm::functions::applyFormat(*parsed, -123456789LL); break;
  }
  if (out.size() > qlm::kMaxValueLength) __builtin_trap();
  return 0;
}
