#include "app/qlm/Json.h"

#include <cstdio>

#include "platform/TextEncoding.h"

namespace qlm {

void JsonWriter::separate() {
  if (m_needComma) m_out += ',';
  m_needComma = false;
}

JsonWriter& JsonWriter::beginObject() {
  separate();
  m_out += '{';
  return *this;
}

JsonWriter& JsonWriter::endObject() {
  m_out += '}';
  m_needComma = true;
  return *this;
}

JsonWriter& JsonWriter::beginArray() {
  separate();
  m_out += '[';
  return *this;
}

JsonWriter& JsonWriter::endArray() {
  m_out += ']';
  m_needComma = true;
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
  text(name);
  m_out += ':';
  m_needComma = false;
  return *this;
}

JsonWriter& JsonWriter::text(std::string_view cp1252) {
  separate();
  m_out += '"';
  for (char c : utf8FromCp1252(cp1252)) {
    switch (c) {
      case '"': m_out += "\\\""; break;
      case '\\': m_out += "\\\\"; break;
      case '\n': m_out += "\\n"; break;
      case '\r': m_out += "\\r"; break;
      case '\t': m_out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          m_out += escaped;
        } else {
          m_out += c;
        }
    }
  }
  m_out += '"';
  m_needComma = true;
  return *this;
}

JsonWriter& JsonWriter::number(long long value) {
  separate();
  m_out += std::to_string(value);
  m_needComma = true;
  return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
  separate();
  m_out += value ? "true" : "false";
  m_needComma = true;
  return *this;
}

}  // namespace qlm
