#pragma once
// Texts of the data model are single-byte Windows-1252, as the document file
// stores them; the Linux desktop, terminals and file names speak UTF-8. These
// two conversions are the only crossing between the two.
#include <string>
#include <string_view>

namespace qlm {

std::string utf8FromCp1252(std::string_view text);

// Characters that Windows-1252 cannot hold become `replacement`; malformed
// UTF-8 bytes are taken one by one as Latin-1 so that nothing is dropped.
std::string cp1252FromUtf8(std::string_view text, char replacement = '?');

// Windows-1252 text for a terminal, in UTF-8: control characters are shown
// as ^X (escape as ^[, delete as ^?) and the five bytes without a character
// as '?', so that a document's texts cannot retitle or reprogram the
// terminal. Tabs stay; line feeds stay only with `keepLineFeeds`.
std::string terminalText(std::string_view text, bool keepLineFeeds = false);

}  // namespace qlm
