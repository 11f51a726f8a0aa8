#include <algorithm>

#include "language/Builtins.h"
#include "language/functions/FunctionSupport.h"
#include "language/functions/PrintfFormat.h"

namespace qlm {
namespace {

using functions::limitedText;

// Repeats `piece` until `text` holds at least `length` characters.
void growTo(std::string& text, std::string_view piece, std::size_t length) {
  if (piece.empty()) return;
  while (text.size() < length) text += piece;
}

std::size_t valueLength(long long n) {
  return static_cast<std::size_t>(std::clamp<long long>(n, 0, static_cast<long long>(kMaxValueLength)));
}

char rtrim(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, t;
  if (!limitedText(in, args[0], "Rtrim", s) || !limitedText(in, args[1], "Rtrim", t)) return 'C';
  if (!t.empty()) {
    while (s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0) s.resize(s.size() - t.size());
  }
  result = std::move(s);
  return 'C';
}

char ltrim(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, t;
  if (!limitedText(in, args[0], "Ltrim", s) || !limitedText(in, args[1], "Ltrim", t)) return 'C';
  std::size_t start = 0;
  if (!t.empty()) {
    while (s.compare(start, t.size(), t) == 0) start += t.size();
  }
  result = s.substr(start);
  return 'C';
}

char rpad(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, t;
  if (!limitedText(in, args[0], "Rpad", s) || !limitedText(in, args[1], "Rpad", t)) return 'C';
  long long n = 0;
  if (!in.integerArgument(args[2], n)) return 'C';
  std::size_t length = valueLength(n);
  growTo(s, t, length);
  if (s.size() > length) s.resize(length);
  result = std::move(s);
  return 'C';
}

char lpad(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, t;
  if (!limitedText(in, args[0], "Lpad", s) || !limitedText(in, args[1], "Lpad", t)) return 'C';
  long long n = 0;
  if (!in.integerArgument(args[2], n)) return 'C';
  if (t.empty()) {
    result = std::move(s);
    return 'C';
  }
  std::size_t length = valueLength(n);
  std::string padded;
  growTo(padded, t, length);
  padded += s;
  result = padded.substr(padded.size() - std::min(length, padded.size()));
  return 'C';
}

char replace(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, from, to;
  if (!limitedText(in, args[0], "Replace", s) || !limitedText(in, args[1], "Replace", from) ||
      !limitedText(in, args[2], "Replace", to)) {
    return 'C';
  }
  in.reportStep("Replace() occurences of '" + from + "' by '" + to + "' in :", s);
  if (from.empty()) {
    result = std::move(s);
    return 'C';
  }
  for (std::size_t pos = 0;;) {
    std::size_t found = s.find(from, pos);
    result.append(s, pos, found == std::string::npos ? std::string::npos : found - pos);
    if (found == std::string::npos) break;
    result += to;
    pos = found + from.size();
  }
  clampToValue(result);
  return 'C';
}

char subStr(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s;
  long long b = 0, e = 0;
  if (!limitedText(in, args[0], "SubStr", s) || !in.integerArgument(args[1], b) || !in.integerArgument(args[2], e)) {
    return 'C';
  }
  const long long length = static_cast<long long>(s.size());
  long long begin = b < 2 ? 1 : b;
  long long end = e >= length ? length : e;
  if (end < begin) end = length;
  if (begin <= length) result = s.substr(static_cast<std::size_t>(begin - 1), static_cast<std::size_t>(end - begin + 1));
  return 'C';
}

char strStr(Interpreter& in, int, Arguments args, std::string& result) {
  std::string s, t;
  if (!limitedText(in, args[0], "StrStr", s) || !limitedText(in, args[1], "StrStr", t)) {
    result = "0";
    return 'I';
  }
  std::size_t found = s.find(t);
  result = found == std::string::npos ? "0" : formatInteger(static_cast<long long>(found) + 1);
  return 'I';
}

char strLen(Interpreter& in, int, Arguments args, std::string& result) {
  result = formatInteger(static_cast<long long>(in.textArgument(args[0]).size()));
  return 'I';
}

char repeat(Interpreter& in, int, Arguments args, std::string& result) {
  long long n = 0;
  if (!in.integerArgument(args[1], n)) return 'C';
  std::string s = in.textArgument(args[0]);
  in.reportStep("Repeat(), will send '" + s + "', " + formatInteger(n) + " times.", {});
  if (s.empty()) return 'C';
  long long enough = static_cast<long long>(kMaxValueLength / s.size()) + 1;
  for (long long i = 0; i < std::min(n, enough); ++i) result += s;
  clampToValue(result);
  return 'C';
}

char toChar(Interpreter& in, int, Arguments args, std::string& result) {
  using functions::ConversionKind;
  result = in.textArgument(args[0]);
  std::optional<functions::PrintfFormat> format = functions::parsePrintfFormat(result);
  if (!format) return 'C';
  if (format->kind == ConversionKind::Text) {
    result = functions::applyFormat(*format, functions::FormatArgument(in.textArgument(args[1])));
  } else if (format->kind == ConversionKind::Real) {
    double x = 0.0;
    if (in.realArgument(args[1], x)) result = functions::applyFormat(*format, functions::FormatArgument(x));
  } else {
    long long x = 0;
    if (in.integerArgument(args[1], x)) result = functions::applyFormat(*format, functions::FormatArgument(x));
  }
  return 'C';
}

char xlsNumToCol(Interpreter& in, int, Arguments args, std::string& result) {
  long long n = 1;
  if (!in.integerArgument(args[0], n)) n = 1;
  int column = static_cast<int>(std::clamp<long long>(n, 1, 255));
  if (column > 26) result += static_cast<char>('A' + (column - 1) / 26 - 1);
  result += static_cast<char>('A' + (column - 1) % 26);
  return 'C';
}

}  // namespace

std::span<const BuiltinBinding> textFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"Rtrim", rtrim},   {"Ltrim", ltrim},   {"Rpad", rpad},     {"Lpad", lpad},
      {"Replace", replace}, {"SubStr", subStr}, {"StrStr", strStr}, {"StrLen", strLen},
      {"Repeat", repeat}, {"ToChar", toChar}, {"XlsNumToCol", xlsNumToCol},
  };
  return kBindings;
}

}  // namespace qlm
