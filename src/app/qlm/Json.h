#pragma once
// A small JSON writer for qlm's machine-readable output. Texts handed to it
// are Windows-1252, as the data model keeps them; it writes UTF-8.
#include <string>
#include <string_view>

namespace qlm {

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  JsonWriter& key(std::string_view name);
  JsonWriter& text(std::string_view cp1252);
  JsonWriter& number(long long value);
  JsonWriter& boolean(bool value);

  const std::string& str() const { return m_out; }

 private:
  void separate();

  std::string m_out;
  bool m_needComma = false;
};

}  // namespace qlm
